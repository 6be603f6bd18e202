#pragma once

#include <juce_graphics/juce_graphics.h>

/** Text in other scripts (Japanese, symbols, emoji...) with a font that can draw it.

    The framework draws every character of a text with one typeface and has no
    per-character fallback on Linux, so characters the typeface lacks come out as
    boxes. These functions ask fontconfig which installed typeface covers the
    text and give a font of that family instead. Right-to-left text is not
    shaped. */
namespace fontfallback
{
/** The font to draw the text with: `base` when its family covers every
    character (or nothing covers more), else the same size in the installed
    typeface that covers the most of them. Answers are cached per text. */
juce::Font fontFor (const juce::String& text, const juce::Font& base);

/** An installed font the framework can draw with, and how many visible
    characters of a text it lacks. */
struct Candidate
{
    juce::String family;
    juce::File file;
    bool byName = false; ///< the framework finds it by its family name (else it is read from its file)
    int missing = 0;
};

/** The installed font that lacks the fewest characters of the text (fontconfig's
    order among equals), preferring bold ones when asked. */
Candidate candidateFor (const juce::String& text, bool bold);

/** The installed family that covers every visible character of the text best
    (fontconfig's order), with how many of them it lacks; empty when there is none. */
juce::String familyCovering (const juce::String& text, int* missing = nullptr);

/** How many visible characters of the text the installed family lacks (all of
    them when the family is not installed). */
int missingCharacters (const juce::String& family, const juce::String& text);
} // namespace fontfallback
