#include "support/TestAudio.h"

#include <juce_audio_formats/juce_audio_formats.h>

bool writeWav (const juce::File& file, const juce::AudioBuffer<float>& buffer, double sampleRate, int bitsPerSample)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();

    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (
        stream.get(), sampleRate, (unsigned int) buffer.getNumChannels(), bitsPerSample, {}, 0));
    if (writer == nullptr)
        return false;
    stream.release(); // now owned by the writer

    return writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
}

bool writeSineWav (const juce::File& file, double seconds, double sampleRate, double frequency, int channels)
{
    auto total = (int) std::lround (seconds * sampleRate);
    juce::AudioBuffer<float> buffer (channels, total);
    for (int i = 0; i < total; ++i)
    {
        auto value = 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / sampleRate);
        for (int c = 0; c < channels; ++c)
            buffer.setSample (c, i, value);
    }
    return writeWav (file, buffer, sampleRate, 16);
}
