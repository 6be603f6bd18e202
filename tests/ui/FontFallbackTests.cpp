#include "ui/ColourScheme.h"
#include "ui/FontFallback.h"
#include "ui/VovirLookAndFeel.h"

#include <gtest/gtest.h>

// Memo texts in other scripts: the font chosen for each text has every one of
// its characters (the bootstrap installs Debian's Noto fonts for CJK and
// symbols), and a Latin text keeps the program's own font.
TEST (FontFallback, EveryMemoTextGetsATypefaceThatHasItsCharacters)
{
    rebuildLookAndFeel();
    const auto base = raFont (28.0f).boldened();

    struct Case
    {
        const char* what;
        juce::String text;
        bool keepsBase;
    };
    const Case cases[] = {
        {"Latin lyrics", "Verse one: sing it softly", true},
        {"Japanese lyrics",
         juce::String (juce::CharPointer_UTF8 ("\xe6\xad\x8c\xe3\x81\x86\xe3\x82\x88 \xe6\x98\x9f\xe7\xa9\xba")),
         false},
        {"circled numbers", juce::String (juce::CharPointer_UTF8 ("\xe2\x91\xa0 \xe2\x91\xa1 \xe2\x91\xa2")), false},
        {"an emoji", juce::String (juce::CharPointer_UTF8 ("Clap \xf0\x9f\x98\x80")), false},
        {"accented Latin", juce::String (juce::CharPointer_UTF8 ("Caf\xc3\xa9 cr\xc3\xa8me")), true},
        {"Latin with a Japanese word", juce::String (juce::CharPointer_UTF8 ("Chorus: \xe6\x84\x9b")), false},
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto font = fontfallback::fontFor (c.text, base);
        EXPECT_EQ (font.getTypefaceName() == base.getTypefaceName(), c.keepsBase) << font.getTypefaceName();
        EXPECT_EQ (font.getHeight(), base.getHeight());
        if (!c.keepsBase)
        {
            EXPECT_GT (fontfallback::missingCharacters ("Liberation Sans", c.text), 0)
                << "the program's own font lacks these characters";
            // The framework draws with that very typeface, and it has every character.
            auto* typeface = font.getTypefacePtr().get();
            ASSERT_NE (typeface, nullptr);
            EXPECT_TRUE (typeface->getName().isNotEmpty()) << font.getTypefaceName();
            EXPECT_EQ (fontfallback::missingCharacters (typeface->getName(), c.text), 0) << typeface->getName();
        }
    }

    // The fixed-width font of aligned columns is kept for the characters it has.
    const juce::Font mono (juce::Font::getDefaultMonospacedFontName(), 28.0f, juce::Font::plain);
    EXPECT_EQ (fontfallback::fontFor ("C       G\nLet it ring", mono).getTypefaceName(), mono.getTypefaceName());
    EXPECT_EQ (fontfallback::fontFor (juce::String (juce::CharPointer_UTF8 ("C  G \xc3\xa9")), mono).getTypefaceName(),
               mono.getTypefaceName());
    releaseLookAndFeel();
}
