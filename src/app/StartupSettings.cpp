#include "app/StartupSettings.h"

#include "ui/ColourScheme.h"

#include <cmath>

int setPlayImmediate = 0;
int dcRequiredToStop = 1;
float fadeTime = 1.5f;
bool showBankNames = true;

std::atomic<juce::int8> startCh { 1 }, rewindCh { 1 }, nextCh { 1 }, prevCh { 1 };
std::atomic<juce::int8> startCc { -1 }, rewindCc { -1 }, nextCc { -1 }, prevCc { -1 };
std::atomic<juce::int8> startNote { -1 }, rewindNote { -1 }, nextNote { -1 }, prevNote { -1 };
std::atomic<int> startKey { -1 }, rewindKey { -1 }, nextKey { -1 }, prevKey { -1 };

namespace
{
/** A signed 8-bit setting: the stored value's low byte read as signed, so a
    stored 255 reads as −1 (none). */
juce::int8 readInt8 (juce::PropertiesFile* settings, const char* key, int defaultValue)
{
    auto value = settings != nullptr ? settings->getIntValue (key, defaultValue) : defaultValue;
    return (juce::int8) (juce::uint8) (value & 0xff);
}

int readInt (juce::PropertiesFile* settings, const char* key, int defaultValue)
{
    return settings != nullptr ? settings->getIntValue (key, defaultValue) : defaultValue;
}

/** A number setting held to the range the preferences allow: a value outside it
    is pulled to its nearer end, and text that is no number (or not a finite one)
    reads as the default. */
float readFloat (juce::PropertiesFile* settings, const char* key, float defaultValue, float minimum, float maximum)
{
    if (settings == nullptr || !settings->containsKey (key))
        return defaultValue;

    auto text = settings->getValue (key).trim();
    if (text.isEmpty() || !text.containsOnly ("0123456789.+-eE") || !text.containsAnyOf ("0123456789"))
        return defaultValue;

    const auto value = text.getDoubleValue();
    if (!std::isfinite (value))
        return defaultValue;
    return (float)juce::jlimit ((double)minimum, (double)maximum, value);
}
} // namespace

void readStartupSettings (juce::PropertiesFile* settings)
{
    setPlayImmediate = readInt (settings, "setPlayImmediate", 0);
    dcRequiredToStop = readInt (settings, "dcRequiredToStop", 1);
    fadeTime = readFloat (settings, "fadeTime", 1.5f, minFadeTime, maxFadeTime);

    smallFontSz = readFloat (settings, "smallFontSz", 16.0f, minFontSize, maxFontSize);
    defFontSz = readFloat (settings, "defFontSz", 16.0f, minFontSize, maxFontSize);
    largeFontSz = readFloat (settings, "largeFontSz", 20.0f, minFontSize, maxFontSize);
    memoFontSz = readFloat (settings, "memoFontSz", 28.0f, minFontSize, maxFontSize);
    clockFontSz = readFloat (settings, "clockFontSz", 28.0f, minFontSize, maxFontSize);

    showBankNames = readInt (settings, "showBankNames", 1) == 1;

    startCh = readInt8 (settings, "startCh", 1);
    rewindCh = readInt8 (settings, "rewindCh", 1);
    nextCh = readInt8 (settings, "nextCh", 1);
    prevCh = readInt8 (settings, "prevCh", 1);

    startCc = readInt8 (settings, "startCc", -1);
    rewindCc = readInt8 (settings, "rewindCc", -1);
    nextCc = readInt8 (settings, "nextCc", -1);
    prevCc = readInt8 (settings, "prevCc", -1);

    startNote = readInt8 (settings, "startNote", -1);
    rewindNote = readInt8 (settings, "rewindNote", -1);
    nextNote = readInt8 (settings, "nextNote", -1);
    prevNote = readInt8 (settings, "prevNote", -1);

    startKey = readInt (settings, "startKey", -1);
    rewindKey = readInt (settings, "rewindKey", -1);
    nextKey = readInt (settings, "nextKey", -1);
    prevKey = readInt (settings, "prevKey", -1);
}
