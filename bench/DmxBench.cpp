// Cue to light: from the host's triggerPreset (fade 0) to the first frame with the
// new levels that comes back from OLA's daemon, through the audio clock (512-sample
// blocks at 48 kHz, in real time), the frame thread and olad. For comparison, OLA's
// own loopback measured the same way: a plain OLA client's frame to the same reader.
// Both run against a daemon of their own with only the Dummy device enabled.

#include "core/DmxOutput.h"
#include "lighting/OlaTestDaemon.h"

#include <benchmark/benchmark.h>

#include <ola/DmxBuffer.h>
#include <ola/client/StreamingClient.h>

#include <algorithm>

using namespace std::chrono_literals;

namespace
{
constexpr int recalls = 100;
constexpr int universe = 1;

juce::File benchFolder (const juce::String& name)
{
    auto folder = juce::File (juce::SystemStats::getEnvironmentVariable ("HOME", "/tmp"))
                      .getChildFile (name + "-" + juce::String (juce::Time::currentTimeMillis()));
    folder.createDirectory();
    return folder;
}

/** A daemon and a reader watching the universe; an error stops the benchmark. */
struct OlaBench
{
    explicit OlaBench (benchmark::State& state) : daemon (benchFolder ("olad"))
    {
        if (! daemon.start())
        {
            state.SkipWithError (daemon.getError().toRawUTF8());
            return;
        }
        probe = std::make_unique<OlaProbe> (daemon.getPort());
        if (const auto problem = probe->watchUniverse (universe); problem.isNotEmpty())
        {
            state.SkipWithError (problem.toRawUTF8());
            probe.reset();
        }
    }

    OlaTestDaemon daemon;
    std::unique_ptr<OlaProbe> probe;
};

/** Measures one delivery per iteration: send() starts it and returns its target. */
template <typename Send>
void measure (benchmark::State& state, OlaProbe& probe, Send&& send)
{
    std::vector<double> millis;
    juce::Random random (1);
    for (auto _ : state)
    {
        // Recalls land at any point of an audio block, and each after the
        // previous frame's slot, as a performer's cues do.
        std::this_thread::sleep_for (std::chrono::microseconds (40000 + random.nextInt (12000)));
        const auto from = probe.numFrames();
        const auto start = OlaProbe::Clock::now();
        const auto target = send ((int) millis.size());
        const auto index = probe.waitForFrame (from, 2s, [&] (auto& frame) { return frame.levels == target; });
        if (index < 0)
        {
            state.SkipWithError ("a frame never arrived at OLA");
            return;
        }
        const auto seconds = std::chrono::duration<double> (probe.frames()[(size_t) index].arrived - start).count();
        state.SetIterationTime (seconds);
        millis.push_back (seconds * 1000.0);
    }

    std::sort (millis.begin(), millis.end());
    state.counters["median_ms"] = millis[millis.size() / 2];
    state.counters["max_ms"] = millis.back();
}

lighting::DmxLevels look (int n)
{
    lighting::DmxLevels levels {};
    levels[0] = (std::uint8_t) (1 + n % 250);
    levels[511] = (std::uint8_t) (255 - n % 250);
    return levels;
}
} // namespace

static void BM_CueToLight (benchmark::State& state)
{
    OlaBench ola (state);
    if (ola.probe == nullptr)
        return;

    lighting::LightingController controller (benchFolder ("dmx-store").getChildFile ("Shows.xml"));
    controller.withLibrary ([] (lighting::ShowLibrary& library)
    {
        for (int i = 0; i < 2; ++i)
        {
            auto levels = look (i);
            library.addPreset ("Stage", "Look " + juce::String (i), &levels);
        }
        library.setOutputSettings ({ true, universe });
        return 0;
    });

    // The audio side, as a JACK dummy device at 512 frames and 48 kHz drives it.
    std::atomic<bool> stop { false };
    std::thread audio ([&]
    {
        constexpr double block = 512.0 / 48000.0;
        auto next = std::chrono::steady_clock::now();
        while (! stop)
        {
            controller.process (block);
            next += std::chrono::duration_cast<std::chrono::steady_clock::duration> (
                std::chrono::duration<double> (block));
            std::this_thread::sleep_until (next);
        }
    });

    {
        lighting::DmxOutput output (controller, ola.daemon.getPort());
        if (eventually (10s, [&] { return output.getStatus().state == lighting::DmxOutput::State::sending; }))
            measure (state, *ola.probe, [&] (int n)
            {
                controller.triggerPreset ("Stage", "Look " + juce::String (n % 2), 0.0f);
                return look (n % 2);
            });
        else
            state.SkipWithError (output.getStatus().describe().toRawUTF8());
    }

    stop = true;
    audio.join();
}
BENCHMARK (BM_CueToLight)->Unit (benchmark::kMillisecond)->UseManualTime()->Iterations (recalls);

static void BM_OlaLoopback (benchmark::State& state)
{
    OlaBench ola (state);
    if (ola.probe == nullptr)
        return;

    ola::client::StreamingClient::Options options;
    options.auto_start = false;
    options.server_port = (std::uint16_t) ola.daemon.getPort();
    ola::client::StreamingClient client (options);
    if (! client.Setup())
    {
        state.SkipWithError ("the streaming client could not connect");
        return;
    }

    measure (state, *ola.probe, [&] (int n)
    {
        const auto levels = look (n % 2);
        client.SendDmx (universe, ola::DmxBuffer (levels.data(), (unsigned int) levels.size()));
        return levels;
    });
    client.Stop();
}
BENCHMARK (BM_OlaLoopback)->Unit (benchmark::kMillisecond)->UseManualTime()->Iterations (recalls);
