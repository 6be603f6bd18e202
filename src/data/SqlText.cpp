#include "data/SqlText.h"

#include <charconv>
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
    text = text.replace ("'", "''").replace ("\\", "/");
}

juce::String cleanedForDb (juce::String text)
{
    cleanStringForDb (text);
    return text;
}
