#pragma once

#include <juce_graphics/juce_graphics.h>

/** The program's colour scheme. The initial values are a fixed scheme of their
    own; calculateColourScheme() replaces them from the user's two colours. */
extern juce::Colour mainColour;
extern juce::Colour darkerColour;
extern juce::Colour darkestColour;
extern juce::Colour lighterColour;
extern juce::Colour lightestColour;
extern juce::Colour textColour;
extern juce::Colour textInvColour;
extern juce::Colour complementColour;
extern juce::Colour colourOne;
extern juce::Colour colourTwo;
extern juce::Colour colourThree;
extern juce::Colour colourFour;

/** Font sizes in points. The main window replaces them at start-up from the
    settings; fonts are made from them whenever a font is needed. */
extern float smallFontSz;
extern float defFontSz;
extern float largeFontSz;
extern float memoFontSz;
extern float clockFontSz;

/** The family every font of the program asks for; the look and feel maps it to
    the embedded metric-compatible typeface. */
extern const char* const raFontName;

/** A plain font of the program's family at the given size. */
juce::Font raFont (float size);

/** Recomputes the colour globals from "raGuiColour" and "raComplementColour".
    Without a (non-empty) "raGuiColour" nothing changes, and without user
    settings at all neither. */
void calculateColourScheme();

/** Turns the hue of an ARGB colour by amount (a fraction of a full turn) keeping
    its HSL saturation and lightness; a grey stays that grey. The result is opaque. */
void rotateHue (int colour, float amount, int& result);

/** Reads a colour setting: the ARGB bits as a decimal integer, in its signed form
    (as stored) or its unsigned form. */
juce::Colour colourFromSettingText (const juce::String& text);
