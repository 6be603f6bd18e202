#pragma once

#include <juce_core/juce_core.h>
#include <initializer_list>

/** One value for formatSql: an int for "%d", a floating-point value for "%f",
    a text for "%s". */
struct SqlArg
{
    enum class Kind { integer, real, text };

    SqlArg (int v) : kind (Kind::integer), integer (v) {}
    SqlArg (double v) : kind (Kind::real), real (v) {}
    SqlArg (float v) : kind (Kind::real), real (v) {}
    SqlArg (const juce::String& v) : kind (Kind::text), text (v) {}
    SqlArg (const char* v) : kind (Kind::text), text (juce::String::fromUTF8 (v)) {}

    Kind kind;
    int integer = 0;
    double real = 0.0;
    juce::String text;
};

/** printf-style statement building with "%d", "%f" (six decimals), "%s" and "%%".

    Unlike a fixed formatting buffer this never truncates a long statement, writes
    floating-point values with a '.' whatever the process locale is, and keeps
    texts in UTF-8. Text values must already be escaped with cleanStringForDb.
    A placeholder that does not match its value's kind is a programming error.
*/
juce::String formatSql (const char* format, std::initializer_list<SqlArg> args);

/** Escapes a text for use between single quotes in SQL, in place: every "'"
    becomes "''" and every "\" becomes "/". Apply it exactly once to each value. */
void cleanStringForDb (juce::String& text);

/** The escaped copy of a text (cleanStringForDb on a copy). */
juce::String cleanedForDb (juce::String text);
