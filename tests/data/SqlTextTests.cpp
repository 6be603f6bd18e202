#include "data/SqlText.h"

#include <gtest/gtest.h>

TEST (CleanStringForDb, DoublesQuotesAndTurnsBackslashesIntoSlashes)
{
    juce::String text ("it's C:\\x");
    cleanStringForDb (text);
    EXPECT_EQ (text, "it''s C:/x");

    // Escaping twice doubles the quotes again: each value is escaped exactly once.
    cleanStringForDb (text);
    EXPECT_EQ (text, "it''''s C:/x");
}

TEST (FormatSql, FormatsEachKindAndNeverTruncates)
{
    EXPECT_EQ (formatSql ("UPDATE %s SET %s=%d WHERE %s=%d", { "Sets", "Type", 1, "SetID", -3 }),
               "UPDATE Sets SET Type=1 WHERE SetID=-3");
    EXPECT_EQ (formatSql ("VALUES(%f,%f)", { 1.5f, 120.0 }), "VALUES(1.500000,120.000000)");
    EXPECT_EQ (formatSql ("LIKE '%%%s%%'", { "a" }), "LIKE '%a%'");
    EXPECT_EQ (formatSql ("'%s'", { juce::String (juce::CharPointer_UTF8 ("Caf\xc3\xa9")) }),
               juce::String (juce::CharPointer_UTF8 ("'Caf\xc3\xa9'")));

    // Longer than any fixed statement buffer.
    auto longText = juce::String::repeatedString ("abc", 100000);
    EXPECT_EQ (formatSql ("'%s'", { longText }).length(), 300002);
}

TEST (FormatSql, UsesAPointWhateverTheLocale)
{
    auto* previous = std::setlocale (LC_NUMERIC, nullptr);
    std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale (LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        std::setlocale (LC_NUMERIC, "C");

    EXPECT_EQ (formatSql ("%f", { 0.25 }), "0.250000");
    std::setlocale (LC_NUMERIC, saved.c_str());
}
