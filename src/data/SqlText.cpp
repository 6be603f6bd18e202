#include "data/SqlText.h"

#include <charconv>
#include <cstring>
#include <string>

juce::String formatSql (const char* format, std::initializer_list<SqlArg> args)
{
    std::string out;
    out.reserve (std::strlen (format) + 32);

    auto next = args.begin();
    auto takeArg = [&] (SqlArg::Kind expected) -> const SqlArg*
    {
        if (next == args.end() || next->kind != expected)
        {
            jassertfalse; // placeholder without a matching value
            return nullptr;
        }
        return next++;
    };

    for (auto* p = format; *p != 0; ++p)
    {
        if (*p != '%')
        {
            out.push_back (*p);
            continue;
        }

        switch (*++p)
        {
            case 'd':
                if (auto* arg = takeArg (SqlArg::Kind::integer))
                    out += std::to_string (arg->integer);
                break;

            case 'f':
                if (auto* arg = takeArg (SqlArg::Kind::real))
                {
                    char buffer[400];
                    auto result = std::to_chars (buffer, buffer + sizeof (buffer), arg->real,
                                                 std::chars_format::fixed, 6);
                    out.append (buffer, result.ptr);
                }
                break;

            case 's':
                if (auto* arg = takeArg (SqlArg::Kind::text))
                    out += arg->text.toStdString();
                break;

            case '%':
                out.push_back ('%');
                break;

            default:
                jassertfalse; // unsupported conversion
                if (*p == 0)
                    return juce::String::fromUTF8 (out.data(), (int) out.size());
                break;
        }
    }

    jassert (next == args.end()); // values without placeholders
    return juce::String::fromUTF8 (out.data(), (int) out.size());
}

void cleanStringForDb (juce::String& text)
{
    // One pass over the UTF-8 bytes: neither "'" nor "\\" can occur inside a
    // multi-byte sequence, and unlike String::replace (which searches from the
    // start again for every match) this stays linear in the length of the text.
    auto* utf8 = text.toRawUTF8();
    auto length = std::strlen (utf8);

    size_t quotes = 0;
    bool anyBackslash = false;
    for (size_t i = 0; i < length; ++i)
    {
        quotes += utf8[i] == '\'' ? 1 : 0;
        anyBackslash = anyBackslash || utf8[i] == '\\';
    }

    if (quotes == 0 && ! anyBackslash)
        return;

    std::string out;
    out.reserve (length + quotes);
    for (size_t i = 0; i < length; ++i)
    {
        auto c = utf8[i];
        if (c == '\'')
            out.append ("''");
        else
            out.push_back (c == '\\' ? '/' : c);
    }

    text = juce::String::fromUTF8 (out.data(), (int) out.size());
}

juce::String cleanedForDb (juce::String text)
{
    cleanStringForDb (text);
    return text;
}
