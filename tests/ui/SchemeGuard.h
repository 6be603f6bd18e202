#pragma once

#include "app/Globals.h"
#include "ui/ColourScheme.h"

/** Puts the colour and font-size globals and the two colour settings back as
    they were when it was made. */
class SchemeGuard final
{
public:
    SchemeGuard()
        : colours { mainColour,    darkerColour,     darkestColour, lighterColour, lightestColour, textColour,
                    textInvColour, complementColour, colourOne,     colourTwo,     colourThree,    colourFour }
        , sizes { smallFontSz, defFontSz, largeFontSz, memoFontSz, clockFontSz }
        , mainSetting (userSettings()->getValue ("raGuiColour"))
        , complementSetting (userSettings()->getValue ("raComplementColour"))
    {
    }

    ~SchemeGuard()
    {
        size_t i = 0;
        for (auto* c : { &mainColour, &darkerColour, &darkestColour, &lighterColour, &lightestColour, &textColour,
                         &textInvColour, &complementColour, &colourOne, &colourTwo, &colourThree, &colourFour })
            *c = colours[i++];

        i = 0;
        for (auto* s : { &smallFontSz, &defFontSz, &largeFontSz, &memoFontSz, &clockFontSz })
            *s = sizes[i++];

        restore ("raGuiColour", mainSetting);
        restore ("raComplementColour", complementSetting);
    }

    /** Stores a colour as the preferences do: its ARGB bits as a signed decimal integer. */
    static void setColourSetting (const char* key, juce::uint32 argb)
    {
        userSettings()->setValue (key, juce::String ((int) argb));
    }

private:
    static void restore (const char* key, const juce::String& value)
    {
        if (value.isEmpty())
            userSettings()->removeValue (key);
        else
            userSettings()->setValue (key, value);
    }

    std::array<juce::Colour, 12> colours;
    std::array<float, 5> sizes;
    juce::String mainSetting, complementSetting;
};
