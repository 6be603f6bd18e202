#pragma once

#include <juce_core/juce_core.h>

namespace juce
{
template <typename>
class AudioBuffer;
}

/** Writes the buffer as a WAV file (creating its folder, replacing an older file);
    false when it could not. */
bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate, int bitsPerSample);

/** Writes a sine tone as a 16-bit WAV file; false when it could not. */
bool writeSineWav (const juce::File& file, double seconds, double sampleRate = 44100.0, double frequency = 440.0,
                   int channels = 2);
