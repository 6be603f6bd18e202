// The controller's DMX output through a real OLA daemon of the test's own: what
// arrives at OLA, how fast it may arrive, and what happens when the daemon is
// missing, refuses the frames, dies in the middle of a fade and comes back.

#include "core/DmxOutput.h"
#include "lighting/OlaTestDaemon.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <set>

using lighting::DmxLevels;
using lighting::DmxOutput;
using lighting::LightingController;
using lighting::ShowLibrary;
using namespace std::chrono_literals;

namespace
{
juce::File freshFolder (const juce::String& name)
{
    static int counter = 0;
    auto folder = TestHome::folder().getChildFile (name + "-" + juce::String (++counter));
    folder.createDirectory();
    return folder;
}

/** The audio side in real time: 480-sample blocks at 48 kHz, one every 10 ms, on a
    thread of its own. Keeps every frame the controller output, for comparison
    with what arrives at OLA. */
class AudioClock final
{
public:
    explicit AudioClock (LightingController& c)
        : controller (c)
    {
        thread = std::thread ([this]
        {
            auto next = std::chrono::steady_clock::now();
            std::uint32_t seen = ~0u;
            while (! stop)
            {
                controller.process (0.01);
                DmxLevels levels;
                const auto serial = controller.readOutput (levels);
                if (serial != seen)
                {
                    seen = serial;
                    const std::lock_guard<std::mutex> lock (mutex);
                    outputs.insert (levels);
                }
                next += 10ms;
                std::this_thread::sleep_until (next);
            }
        });
    }

    ~AudioClock()
    {
        stop = true;
        thread.join();
    }

    bool wasOutput (const DmxLevels& levels) const
    {
        const std::lock_guard<std::mutex> lock (mutex);
        return outputs.count (levels) > 0;
    }

private:
    LightingController& controller;
    std::atomic<bool> stop { false };
    mutable std::mutex mutex;
    std::set<DmxLevels> outputs;
    std::thread thread;
};

/** A controller whose loaded show sends to one universe, with a preset "Look" on
    the first, a middle and the last channel. */
class OlaOutput : public ::testing::Test
{
protected:
    static constexpr int universe = 7;

    void SetUp() override
    {
        controller = std::make_unique<LightingController> (freshFolder ("dmx-store").getChildFile ("Shows.xml"));
        look[0] = 200;
        look[12] = 100;
        look[511] = 255;
        controller->withLibrary ([this] (ShowLibrary& library)
        {
            library.addPreset ("Stage", "Look", &look);
            library.setOutputSettings ({ true, universe });
            return 0;
        });
    }

    void TearDown() override
    {
        output.reset();
        clock.reset();
    }

    void startDaemon() { ASSERT_TRUE (daemon.start()) << daemon.getError(); }

    std::unique_ptr<OlaProbe> watch (int watchedUniverse = universe)
    {
        auto probe = std::make_unique<OlaProbe> (daemon.getPort());
        const auto problem = probe->watchUniverse (watchedUniverse);
        EXPECT_TRUE (problem.isEmpty()) << problem;
        return probe;
    }

    void startOutput()
    {
        clock = std::make_unique<AudioClock> (*controller);
        output = std::make_unique<DmxOutput> (*controller, daemon.getPort());
    }

    bool statusBecomes (const juce::String& text, std::chrono::milliseconds timeout = 10s)
    {
        return eventually (timeout, [&] { return output->getStatus().describe() == text; });
    }

    DmxLevels currentOutput() const
    {
        DmxLevels levels;
        controller->readOutput (levels);
        return levels;
    }

    OlaTestDaemon daemon { freshFolder ("olad") };
    std::unique_ptr<LightingController> controller;
    std::unique_ptr<AudioClock> clock;
    std::unique_ptr<DmxOutput> output;
    DmxLevels look {};
};

const juce::String notRunning = juce::CharPointer_UTF8 ("OLA is not running \xe2\x80\x94 start it with: olad");
} // namespace

//==============================================================================
TEST (DmxOutputFrames, AReaderNeverSeesHalfOfOneBlockAndHalfOfTheNext)
{
    LightingController controller (freshFolder ("dmx-store").getChildFile ("Shows.xml"));
    DmxLevels full;
    full.fill (255);
    controller.withLibrary ([&] (ShowLibrary& library) { return library.addPreset ("Stage", "All", &full); });

    // The audio side jumps between all-off and all-full as fast as it can while
    // another thread reads frames: every frame must be one or the other.
    std::atomic<bool> stop { false };
    std::thread audio ([&]
    {
        for (int block = 0; ! stop; ++block)
        {
            controller.triggerPreset ("Stage", block % 2 == 0 ? "All" : "Off", 0.0f);
            controller.process (0.001);
        }
    });

    int torn = 0, reads = 0;
    std::set<std::uint32_t> serials;
    for (const auto end = std::chrono::steady_clock::now() + 300ms; std::chrono::steady_clock::now() < end; ++reads)
    {
        DmxLevels frame;
        serials.insert (controller.readOutput (frame));
        torn += std::any_of (frame.begin(), frame.end(), [&] (auto level) { return level != frame[0]; }) ? 1 : 0;
    }
    stop = true;
    audio.join();

    EXPECT_EQ (torn, 0) << "of " << reads << " reads";
    EXPECT_GT (serials.size(), 10u); // the levels really were changing underneath
    for (auto serial : serials)
        EXPECT_EQ (serial % 2, 0u);
}

//==============================================================================
TEST_F (OlaOutput, AFadeArrivesAtOlaThroughItsIntermediateLevelsAsTheControllerOutputsThem)
{
    startDaemon();
    auto probe = watch();
    startOutput();
    ASSERT_TRUE (statusBecomes ("Sending to OLA universe 7"));

    const auto from = probe->numFrames();
    ASSERT_TRUE (controller->triggerPreset ("Stage", "Look", 1.0f));
    const auto last = probe->waitForFrame (from, 10s, [&] (auto& frame) { return frame.levels == look; });
    ASSERT_GE (last, 0) << "the fade's target never arrived at OLA";

    const auto frames = probe->frames();
    std::set<int> intermediate;
    int previous = 0, nonRising = 0, notOutput = 0;
    for (auto i = from; i <= (size_t) last; ++i)
    {
        const auto& frame = frames[i];
        EXPECT_EQ (frame.universe, universe);
        notOutput += clock->wasOutput (frame.levels) || frame.levels == DmxLevels {} ? 0 : 1;
        nonRising += frame.levels[0] < previous ? 1 : 0;
        previous = frame.levels[0];
        if (frame.levels[0] > 0 && frame.levels[0] < 200)
            intermediate.insert (frame.levels[0]);
    }
    EXPECT_EQ (notOutput, 0) << "frames OLA received that the controller never output";
    EXPECT_EQ (nonRising, 0);
    // A 1 s fade at up to 44 frames/s: many steps, but never more than the DMX limit.
    EXPECT_GE (intermediate.size(), 10u);
    const auto fadeFrames = (double) (last - (int) from);
    const auto fadeSeconds =
        std::chrono::duration<double> (frames[(size_t) last].arrived - frames[from].arrived).count();
    EXPECT_LE (fadeFrames, DmxOutput::maxFramesPerSecond * fadeSeconds + 3.0);

    EXPECT_EQ (frames[(size_t) last].levels, currentOutput());

    // Nothing changes any more: the same frame keeps coming at least once a second.
    const auto settled = probe->numFrames();
    EXPECT_GE (probe->waitForFrame (settled + 1, 3s, [&] (auto& frame) { return frame.levels == look; }), 0);
}

TEST_F (OlaOutput, TheShowChoosesTheUniverseAndWhetherFramesGoOut)
{
    startDaemon();
    auto probe = watch (7);
    ASSERT_TRUE (probe->watchUniverse (8).isEmpty());
    startOutput();
    ASSERT_TRUE (statusBecomes ("Sending to OLA universe 7"));

    controller->triggerPreset ("Stage", "Look", 0.0f);
    ASSERT_GE (probe->waitForFrame (0, 5s, [&] (auto& frame) { return frame.universe == 7 && frame.levels == look; }),
               0);

    // A second show on universe 8 takes over when it is loaded, and universe 7 is
    // left dark (OLA's outputs would otherwise hold the look there for good).
    const auto switched = probe->numFrames();
    controller->withLibrary ([] (ShowLibrary& library)
    {
        library.loadShow (library.addShow ("Club"));
        library.setOutputSettings ({ true, 8 });
        return 0;
    });
    EXPECT_GE (probe->waitForFrame (switched, 5s,
                                    [&] (auto& frame) { return frame.universe == 8 && frame.levels == look; }),
               0);
    EXPECT_GE (probe->waitForFrame (switched, 5s,
                                    [&] (auto& frame) { return frame.universe == 7 && frame.levels == DmxLevels {}; }),
               0);
    EXPECT_TRUE (statusBecomes ("Sending to OLA universe 8"));

    // Switched off: a last, dark frame, then nothing more.
    const auto beforeOff = probe->numFrames();
    controller->withLibrary ([] (ShowLibrary& library)
    {
        library.setOutputSettings ({ false, 8 });
        return 0;
    });
    ASSERT_TRUE (statusBecomes ("DMX output is off"));
    const auto dark = probe->waitForFrame (beforeOff, 5s, [] (auto& frame)
                                           { return frame.universe == 8 && frame.levels == DmxLevels {}; });
    ASSERT_GE (dark, 0);

    // Back on the first show: universe 7 again, with the look.
    controller->loadShow ("Default Show");
    const auto sevenAgain = probe->waitForFrame ((size_t) dark, 5s, [&] (auto& frame)
                                                 { return frame.universe == 7 && frame.levels == look; });
    ASSERT_GE (sevenAgain, 0);
    ASSERT_GE (probe->waitForFrame ((size_t) sevenAgain + 2, 5s, [] (auto&) { return true; }), 0); // keep-alives on 7
    const auto frames = probe->frames();
    EXPECT_EQ (std::count_if (frames.begin() + dark + 1, frames.end(), [] (auto& frame) { return frame.universe == 8; }),
               0);
}

TEST_F (OlaOutput, AUniverseOlaDoesNotKnowIsReportedWithOlasReasonUntilItIsPatched)
{
    startDaemon();
    startOutput(); // universe 7 has no port and no listener yet
    EXPECT_TRUE (statusBecomes ("Sending failed: Universe doesn't exist"));

    auto probe = watch(); // patches the Dummy output to universe 7
    EXPECT_TRUE (statusBecomes ("Sending to OLA universe 7"));
    controller->triggerPreset ("Stage", "Look", 0.0f);
    EXPECT_GE (probe->waitForFrame (0, 5s, [&] (auto& frame) { return frame.levels == look; }), 0);
}

TEST_F (OlaOutput, MissingKilledAndRestartedDaemonNeverStopsTheControllerAndOutputResumes)
{
    // No daemon yet: the controller works as ever and says how to start one.
    startOutput();
    EXPECT_TRUE (statusBecomes (notRunning, 5s));
    ASSERT_TRUE (controller->triggerPreset ("Stage", "Look", 0.0f));
    ASSERT_TRUE (eventually (5s, [&] { return currentOutput() == look; }));

    // The daemon appears: output starts by itself within the retry time.
    startDaemon();
    auto probe = watch();
    EXPECT_TRUE (statusBecomes ("Sending to OLA universe 7"));
    ASSERT_GE (probe->waitForFrame (0, 10s, [&] (auto& frame) { return frame.levels == look; }), 0);

    // The daemon dies in the middle of a fade to Off.
    const auto fadeStart = probe->numFrames();
    ASSERT_TRUE (controller->triggerPreset ("Stage", "Off", 1.0f));
    ASSERT_GE (
        probe->waitForFrame (fadeStart, 5s, [] (auto& frame) { return frame.levels[0] > 0 && frame.levels[0] < 150; }),
        0);
    daemon.kill();
    probe.reset();

    // The fade goes on to its end; recalls keep working; the state says what happened.
    EXPECT_TRUE (eventually (5s, [&] { return currentOutput() == DmxLevels {}; }));
    EXPECT_TRUE (statusBecomes (notRunning, 5s));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE (controller->triggerPreset ("Stage", i % 2 == 0 ? "Look" : "Full", 0.0f));
    EXPECT_TRUE (eventually (5s, [&] { return currentOutput()[11] == 255; })); // "Full" reached the output

    // The daemon comes back: the output resumes with the present levels.
    startDaemon();
    probe = watch();
    EXPECT_TRUE (statusBecomes ("Sending to OLA universe 7"));
    const auto present = currentOutput();
    EXPECT_GE (probe->waitForFrame (0, 10s, [&] (auto& frame) { return frame.levels == present; }), 0);

    const auto resumed = probe->numFrames();
    controller->triggerPreset ("Stage", "Look", 0.0f);
    EXPECT_GE (probe->waitForFrame (resumed, 5s, [&] (auto& frame) { return frame.levels == look; }), 0);
}

TEST_F (OlaOutput, AHungDaemonIsReportedAndNeitherTheControllerNorItsEndWaitsForIt)
{
    startDaemon();
    auto probe = watch();
    startOutput();
    ASSERT_TRUE (statusBecomes ("Sending to OLA universe 7"));

    // olad stops answering (but its port still accepts connections).
    daemon.freeze (true);
    EXPECT_TRUE (statusBecomes ("Sending failed: OLA does not answer"));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE (controller->triggerPreset ("Stage", i % 2 == 0 ? "Full" : "Look", 0.0f));
    EXPECT_TRUE (eventually (5s, [&] { return currentOutput() == look; }));

    // It goes on: so does the output.
    daemon.freeze (false);
    EXPECT_TRUE (statusBecomes ("Sending to OLA universe 7"));
    const auto resumed = probe->numFrames();
    controller->triggerPreset ("Stage", "Off", 0.0f);
    EXPECT_GE (probe->waitForFrame (resumed, 5s, [] (auto& frame) { return frame.levels == DmxLevels {}; }), 0);

    // The output ends while olad hangs again (as when the host removes the
    // plug-in): it must not wait for the daemon.
    daemon.freeze (true);
    controller->triggerPreset ("Stage", "Look", 0.0f);
    EXPECT_TRUE (statusBecomes ("Sending failed: OLA does not answer"));
    output.reset();
    daemon.kill();
}
