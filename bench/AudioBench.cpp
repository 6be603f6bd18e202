// Audio engine costs, processed offline on one core:
// - the processing graph with both players and their limiters at 48 kHz in
//   256-frame blocks, reported as seconds of audio per CPU second (x_realtime);
// - the limiter against a plain copy of the same stereo buffer.

#include "BenchTeardown.h"
#include "app/Globals.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/FilterGraph.h"
#include "audio/InternalFilters.h"
#include "audio/Limiter.h"

#include <benchmark/benchmark.h>
#include <juce_events/juce_events.h>

namespace
{
constexpr double rate = 48000.0;
constexpr int block = 256;

/** The audio file formats and the plug-in formats, for the benchmarks' run (JUCE
    itself is initialised by main). Released before main ends: see BenchTeardown.h. */
struct Environment
{
    Environment()
    {
        registerAudioFormats (audioFormats);
        formatManager = &audioFormats;
        addPluginFormats (pluginFormats);
        audioFormatManager = &pluginFormats;
        folder.createDirectory();
    }

    ~Environment()
    {
        folder.deleteRecursively();
        formatManager = nullptr;
        audioFormatManager = nullptr;
    }

    /** A loud stereo sine, shorter than a track's head so that looping plays from memory. */
    juce::File tone (const juce::String& name, double frequency)
    {
        auto file = folder.getChildFile (name);
        file.deleteFile();
        juce::WavAudioFormat wav;
        auto stream = file.createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), rate, 2, 16, {}, 0));
        stream.release();
        juce::AudioBuffer<float> buffer (2, 24000);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            for (int c = 0; c < 2; ++c)
                buffer.setSample (c, i, 1.2f * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / rate));
        writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
        return file;
    }

    juce::AudioFormatManager audioFormats;
    juce::AudioPluginFormatManager pluginFormats;
    juce::File folder { juce::File::getSpecialLocation (juce::File::tempDirectory)
                            .getChildFile ("rav-audio-bench-" + juce::String (juce::Time::currentTimeMillis())) };
};

Environment& environment()
{
    static std::unique_ptr<Environment> instance;
    if (instance == nullptr)
    {
        instance = std::make_unique<Environment>();
        atBenchmarksEnd ([] { instance.reset(); });
    }
    return *instance;
}
} // namespace

static void BM_GraphWithBothPlayers (benchmark::State& state)
{
    auto& env = environment();
    auto backing = env.tone ("backing.wav", 440.0);
    auto click = env.tone ("click.wav", 880.0);

    FilterGraph document;
    document.graph.setPlayConfigDetails (2, 4, rate, block);
    document.graph.prepareToPlay (rate, block);
    document.createFixedNodes();
    document.connectNodes();

    // Started directly: offline there is no output device for play() to check.
    for (auto [player, file] : { std::pair { filePlayer, backing }, std::pair { filePlayerB, click } })
    {
        player->preloadAudioFile (file.getFullPathName(), 0, 0);
        player->loadFile (file.getFullPathName(), 0, 0, true);
        player->volumeGain = 0.8f;
        player->getCurrentTransport()->start();
    }

    juce::AudioBuffer<float> buffer (4, block);
    juce::MidiBuffer midi;
    for (auto _ : state)
    {
        buffer.clear();
        document.graph.processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    state.counters["x_realtime"] = benchmark::Counter (block / rate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK (BM_GraphWithBothPlayers);

static juce::AudioBuffer<float> loudStereo()
{
    juce::AudioBuffer<float> buffer (2, block);
    for (int i = 0; i < block; ++i)
        for (int c = 0; c < 2; ++c)
            buffer.setSample (c, i, 1.5f * (float) std::sin (0.05 * i));
    return buffer;
}

static void BM_LimiterStereo (benchmark::State& state)
{
    Limiter limiter (rate);
    limiter.cookProperties();
    auto source = loudStereo();
    juce::AudioBuffer<float> buffer (2, block);
    for (auto _ : state)
    {
        buffer.copyFrom (0, 0, source, 0, 0, block);
        buffer.copyFrom (1, 0, source, 1, 0, block);
        limiter.processStereo (buffer.getWritePointer (0), buffer.getWritePointer (1), block);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    state.SetItemsProcessed (state.iterations() * block);
}
BENCHMARK (BM_LimiterStereo);

static void BM_PlainCopyStereo (benchmark::State& state)
{
    auto source = loudStereo();
    juce::AudioBuffer<float> buffer (2, block), copy (2, block);
    for (auto _ : state)
    {
        buffer.copyFrom (0, 0, source, 0, 0, block);
        buffer.copyFrom (1, 0, source, 1, 0, block);
        copy.copyFrom (0, 0, buffer, 0, 0, block);
        copy.copyFrom (1, 0, buffer, 1, 0, block);
        benchmark::DoNotOptimize (copy.getReadPointer (0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed (state.iterations() * block);
}
BENCHMARK (BM_PlainCopyStereo);
