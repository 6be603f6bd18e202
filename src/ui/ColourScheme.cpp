#include "ui/ColourScheme.h"

#include "app/Globals.h"

#include <cmath>

juce::Colour mainColour { 0xff444d5a };
juce::Colour darkerColour { 0xff3b414a };
juce::Colour darkestColour { 0xff212e43 };
juce::Colour lighterColour { 0xff7f8b9d };
juce::Colour lightestColour { 0xff858e9d };
juce::Colour textColour { 0xffffffff };
juce::Colour textInvColour { 0xff000000 };
juce::Colour complementColour { 0xffd38538 };
juce::Colour colourOne { 0xffd38538 };
juce::Colour colourTwo { 0xffd38538 };
juce::Colour colourThree { 0xffd38538 };
juce::Colour colourFour { 0xffd38538 };

float smallFontSz = 14.0f;
float defFontSz = 14.0f;
float largeFontSz = 18.0f;
float memoFontSz = 28.0f;
float clockFontSz = 28.0f;

const char* const raFontName = "Arial";

juce::Font raFont (float size)
{
    return juce::Font (raFontName, size, juce::Font::plain);
}

namespace
{
juce::Colour scaledChannels (juce::Colour colour, float factor)
{
    auto scale = [factor] (juce::uint8 channel)
    { return (juce::uint8) (int) std::min (255.0f, std::max (0.0f, (float) channel * factor)); };

    return juce::Colour (scale (colour.getRed()), scale (colour.getGreen()), scale (colour.getBlue()),
                         (juce::uint8) 0xff);
}

juce::Colour rotated (juce::Colour colour, float amount)
{
    int result = 0;
    rotateHue ((int) colour.getARGB(), amount, result);
    return juce::Colour ((juce::uint32) result);
}

double hueToChannel (double p, double q, double t)
{
    if (t < 0.0)
        t += 1.0;
    if (t > 1.0)
        t -= 1.0;
    if (t < 1.0 / 6.0)
        return p + (q - p) * 6.0 * t;
    if (t < 0.5)
        return q;
    if (t < 2.0 / 3.0)
        return p + (q - p) * (2.0 / 3.0 - t) * 6.0;
    return p;
}

int opaqueRgb (double r, double g, double b)
{
    // Channels are truncated; the small tolerance keeps rounding error in the
    // HSL round trip from turning an exact 255 (or 133) into 254 (or 132).
    auto channel = [] (double v) { return (juce::uint32) juce::jlimit (0, 255, (int) (v * 255.0 + 1.0e-6)); };
    return (int) (0xff000000u | (channel (r) << 16) | (channel (g) << 8) | channel (b));
}
} // namespace

juce::Colour colourFromSettingText (const juce::String& text)
{
    // Stored as a signed int; an unsigned spelling of the same bits reads the same.
    return juce::Colour ((juce::uint32) text.trim().getLargeIntValue());
}

void rotateHue (int colour, float amount, int& result)
{
    const auto argb = (juce::uint32) colour;
    const double r = (double) ((argb >> 16) & 0xff) / 255.0;
    const double g = (double) ((argb >> 8) & 0xff) / 255.0;
    const double b = (double) (argb & 0xff) / 255.0;

    const double maxC = std::max ({ r, g, b });
    const double minC = std::min ({ r, g, b });
    const double delta = maxC - minC;

    if (delta <= 0.0)
    {
        result = opaqueRgb (r, g, b);
        return;
    }

    const double lightness = (maxC + minC) / 2.0;
    const double saturation = lightness < 0.5 ? delta / (maxC + minC) : delta / (2.0 - maxC - minC);

    double hue;
    if (r == maxC)
        hue = (g - b) / delta;
    else if (g == maxC)
        hue = 2.0 + (b - r) / delta;
    else
        hue = 4.0 + (r - g) / delta;

    hue /= 6.0;
    if (hue < 0.0)
        hue += 1.0;

    hue += (double) amount;
    if (hue < 0.0)
        hue += 1.0;
    else if (hue > 1.0)
        hue -= 1.0;

    const double q = lightness < 0.5 ? lightness * (1.0 + saturation) : lightness + saturation - lightness * saturation;
    const double p = 2.0 * lightness - q;

    result = opaqueRgb (hueToChannel (p, q, hue + 1.0 / 3.0), hueToChannel (p, q, hue),
                        hueToChannel (p, q, hue - 1.0 / 3.0));
}

void calculateColourScheme()
{
    auto* settings = userSettings();
    if (settings == nullptr)
        return;

    const auto mainText = settings->getValue ("raGuiColour");
    if (mainText.isEmpty())
        return;

    mainColour = colourFromSettingText (mainText);

    darkerColour = scaledChannels (mainColour, 0.8333333f);
    darkestColour = scaledChannels (mainColour, 0.6944444f);
    lighterColour = scaledChannels (mainColour, 1.2f);
    lightestColour = scaledChannels (mainColour, 1.44f);

    const float mean = ((float) mainColour.getRed() + (float) mainColour.getGreen() + (float) mainColour.getBlue())
                       / 3.0f;
    textColour = mean > 128.0f ? juce::Colours::black : juce::Colours::white;
    textInvColour = mean > 128.0f ? juce::Colours::white : juce::Colours::black;

    const auto complementText = settings->getValue ("raComplementColour");
    if (complementText.isNotEmpty())
        complementColour = colourFromSettingText (complementText);

    colourOne = rotated (complementColour, -0.3f);
    colourTwo = rotated (complementColour, -0.15f);
    colourThree = rotated (complementColour, 0.15f);
    colourFour = rotated (complementColour, 0.3f);
}
