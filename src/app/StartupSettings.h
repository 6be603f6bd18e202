#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <atomic>

/** The settings the main window reads into globals at start-up (the preferences
    window updates them later). Defaults hold when a key is absent. */
extern int setPlayImmediate;  // "setPlayImmediate", 0
extern int dcRequiredToStop;  // "dcRequiredToStop", 1
extern float fadeTime;        // "fadeTime", 1.5 s
extern bool showBankNames;    // "showBankNames" stored as 1, default on

/** Learnt remote controls: MIDI channel (1–16), controller and note numbers
    (−1 for none; a stored 255 also reads as none) and computer key codes.
    Atomic: the MIDI input thread reads them while learning rewrites them. */
extern std::atomic<juce::int8> startCh, rewindCh, nextCh, prevCh;
extern std::atomic<juce::int8> startCc, rewindCc, nextCc, prevCc;
extern std::atomic<juce::int8> startNote, rewindNote, nextNote, prevNote;
extern std::atomic<int> startKey, rewindKey, nextKey, prevKey;

/** The ranges the preferences allow: a fade of 0 to 10 seconds, font sizes of
    two digits (below 6 points no text can be read). Values read from the
    settings are held to them. */
constexpr float minFadeTime = 0.0f, maxFadeTime = 10.0f;
constexpr float minFontSize = 6.0f, maxFontSize = 99.0f;

/** Reads every start-up key of the settings (null: all defaults), font sizes
    included. */
void readStartupSettings (juce::PropertiesFile* settings);
