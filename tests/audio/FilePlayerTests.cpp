#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

namespace
{
constexpr double rate = 44100.0;
constexpr int block = 512;
constexpr int limiterDelay = 66; // frames, at 44.1 kHz
} // namespace

/** Two players driven offline (prepareToPlay/processBlock called directly), with a
    real JACK device open so that the players find an output device. */
class FilePlayerTest : public JackDeviceTest
{
protected:
    void SetUp() override
    {
        JackDeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;

        folder = TestHome::folder().getChildFile ("player-" + juce::String (juce::Random::getSystemRandom().nextInt()));
        folder.createDirectory();

        backing = std::make_unique<FilePlayerProcessor>();
        click = std::make_unique<FilePlayerProcessor>();
        filePlayer = backing.get();
        filePlayerB = click.get();
        for (auto* p : { filePlayer, filePlayerB })
            p->prepareToPlay (rate, block);
        log.read = [this] { return backing->lastEvent; };
        backing->addChangeListener (&log);
    }

    void TearDown() override
    {
        if (backing != nullptr)
            backing->removeChangeListener (&log);
        filePlayer = filePlayerB = nullptr;
        backing.reset();
        click.reset();
        folder.deleteRecursively();
        JackDeviceTest::TearDown();
    }

    juce::String constantFile (const juce::String& name, double seconds, float value = 0.5f)
    {
        auto file = folder.getChildFile (name);
        EXPECT_TRUE (writeConstantWav (file, seconds, rate, value));
        return file.getFullPathName();
    }

    juce::String sineFile (const juce::String& name, double seconds, double sampleRate = rate, int channels = 2)
    {
        auto file = folder.getChildFile (name);
        EXPECT_TRUE (writeSineWav (file, seconds, sampleRate, 440.0, channels));
        return file.getFullPathName();
    }

    void loadBoth (const juce::String& path, bool loop = false)
    {
        for (auto* p : { filePlayer, filePlayerB })
        {
            p->preloadAudioFile (path, 0.0, 0.0);
            p->loadFile (path, 0.0, 0.0, loop);
            ASSERT_TRUE (p->hasTransport());
        }
    }

    /** One block of the player's output. Offline rendering runs much faster than
        real time, so it first lets the read-ahead thread catch up. */
    static juce::AudioBuffer<float> render (FilePlayerProcessor& player, int frames = block)
    {
        if (auto* transport = player.getCurrentTransport())
        {
            auto end = juce::Time::getMillisecondCounter() + 2000;
            while (! transport->isBuffered (frames) && juce::Time::getMillisecondCounter() < end)
                std::this_thread::yield();
        }

        juce::AudioBuffer<float> buffer (2, frames);
        juce::MidiBuffer midi;
        player.processBlock (buffer, midi);
        return buffer;
    }

    juce::File folder;
    std::unique_ptr<FilePlayerProcessor> backing, click;
    EventLog log;
};

TEST_F (FilePlayerTest, FadesInOnlyWhenResumedAfterAPause)
{
    loadBoth (constantFile ("dc.wav", 3.0));

    backing->play (1.5);
    EXPECT_EQ (backing->fadeGain.load(), 1.0f);
    EXPECT_FALSE (backing->fadingIn.load());
    auto first = render (*backing);
    EXPECT_NEAR (first.getSample (0, limiterDelay + 10), 0.5f, 1e-6f); // full level from the start

    for (int i = 0; i < 9; ++i)
        render (*backing);
    RaTracks::stop (0.0);
    ASSERT_GT (backing->getCurrentPosition(), 0.0);

    backing->play (1.5);
    EXPECT_EQ (backing->fadeGain.load(), 0.0f);
    EXPECT_TRUE (backing->fadingIn.load());

    // 1.5 s of samples: 66150 frames, so the gain reaches 1 in the 130th block.
    int blocks = 0;
    float lastPeak = 0.0f;
    while (backing->fadingIn.load() && blocks < 200)
    {
        auto out = render (*backing);
        auto peak = out.getMagnitude (0, 0, block);
        ASSERT_GE (peak + 1e-6f, lastPeak);
        if (blocks == 1)
        {
            EXPECT_NEAR (peak, 0.5f * (2.0f * block - limiterDelay) / 66150.0f, 1e-5f);
        }
        lastPeak = peak;
        ++blocks;
    }
    EXPECT_EQ (blocks, 130);
    EXPECT_EQ (backing->fadeGain.load(), 1.0f);
    EXPECT_NEAR (render (*backing).getSample (1, 300), 0.5f, 1e-6f);
}

TEST_F (FilePlayerTest, FadeOutStopsAtTheNextTimerTickAfterSilence)
{
    loadBoth (sineFile ("sine.wav", 3.0));
    backing->play (0.0);
    click->play (0.0);
    render (*backing);

    RaTracks::stop (0.1); // 4410 frames: silent within the 9th block
    EXPECT_TRUE (backing->isPlaying());
    EXPECT_TRUE (backing->fadingOut.load());

    int blocks = 0;
    while (! backing->fadeOutDone.load() && blocks < 50)
    {
        render (*backing);
        ++blocks;
    }
    EXPECT_EQ (blocks, 9);
    EXPECT_TRUE (backing->isPlaying()); // only the timer stops it
    log.codes.clear();

    ASSERT_TRUE (pumpUntil ([&] { return ! backing->isPlaying(); }));
    ASSERT_TRUE (pumpUntil ([&] { return log.saw (PlayerEvent::stopped); }));
    EXPECT_EQ (backing->lastEvent, PlayerEvent::stopped);
    EXPECT_FALSE (backing->fadingOut.load());
    EXPECT_FALSE (backing->playRequested.load());
    EXPECT_EQ (render (*backing).getMagnitude (0, block), 0.0f);

    // A player that is not playing stops at once.
    click->stopNow();
    click->lastEvent = PlayerEvent::none;
    RaTracks::stop (1.5);
    EXPECT_EQ (click->lastEvent, PlayerEvent::stopped);
    EXPECT_FALSE (click->fadingOut.load());
}

TEST_F (FilePlayerTest, SeekingClampsToTheTrackAndRestartsTheClick)
{
    loadBoth (sineFile ("sine.wav", 2.0));

    RaTracks::setCurrentTime (-3.0);
    for (auto* p : { filePlayer, filePlayerB })
        EXPECT_EQ (p->getCurrentPosition(), 0.0);
    EXPECT_EQ (backing->lastEvent, PlayerEvent::positionChanged);

    RaTracks::setCurrentTime (1000.0);
    for (auto* p : { filePlayer, filePlayerB })
        EXPECT_NEAR (p->getCurrentPosition(), p->songLength.load(), 1.0 / rate);

    RaTracks::setCurrentTime (0.75);
    backing->play (0.0);
    EXPECT_FALSE (click->isPlaying());
    RaTracks::setCurrentTime (1.0);
    EXPECT_TRUE (click->isPlaying());

    // The audio thread takes the new position at its next block.
    render (*backing);
    EXPECT_NEAR (backing->getCurrentPosition(), 1.0 + block / rate, 1e-9);

    // Looping flips on each player by itself.
    click->looping = true;
    RaTracks::toggleLooping();
    EXPECT_TRUE (backing->looping.load());
    EXPECT_FALSE (click->looping.load());
    EXPECT_EQ (backing->lastEvent, PlayerEvent::looping);
}

TEST_F (FilePlayerTest, FilesAtAnotherRateAreResampledToTheDeviceRate)
{
    auto path = sineFile ("48k.wav", 2.0, 48000.0); // 440 Hz at 48 kHz, played at 44.1 kHz
    loadBoth (path);
    backing->play (0.0);

    juce::AudioBuffer<float> all (1, 40 * block);
    for (int b = 0; b < 40; ++b)
        all.copyFrom (0, b * block, render (*backing), 0, 0, block);

    const auto* played = all.getReadPointer (0, block);
    EXPECT_GT (toneLevel (played, 39 * block, rate, 440.0), 0.45);
    EXPECT_LT (toneLevel (played, 39 * block, rate, 440.0 * 48000.0 / rate), 0.05);
    EXPECT_NEAR (backing->getCurrentPosition(), 40 * block / rate, 1e-3); // seconds of the file
}

TEST_F (FilePlayerTest, TrackEndWithoutLoopingReportsTheEndAndRewinds)
{
    auto path = sineFile ("short.wav", 0.3); // 13230 frames
    loadBoth (path);
    backing->play (0.0);

    int blocks = 0;
    juce::AudioBuffer<float> last;
    while (backing->isPlaying() && blocks < 100)
    {
        last = render (*backing);
        ++blocks;
    }
    EXPECT_EQ (blocks, 26); // 13230 / 512 -> the 26th block holds the end
    EXPECT_GT (last.getMagnitude (0, 0, 13230 - 25 * block), 0.1f);
    EXPECT_EQ (last.getMagnitude (0, 13230 - 25 * block + limiterDelay, 512 - (13230 - 25 * block) - limiterDelay),
               0.0f);

    ASSERT_TRUE (pumpUntil ([&] { return log.saw (PlayerEvent::reachedEnd); }));
    EXPECT_EQ (backing->getCurrentPosition(), 0.0);
    EXPECT_FALSE (log.saw (PlayerEvent::looped));
}

TEST_F (FilePlayerTest, LoopingTrackRestartsWithoutAGap)
{
    loadBoth (constantFile ("loop.wav", 0.3), true); // 13230 frames, not a multiple of the block
    backing->play (0.0);

    // A constant signal shows any gap: every frame after the limiter's delay must be 0.5.
    for (int b = 0; b < 80; ++b) // about three loops
    {
        auto out = render (*backing);
        for (int i = (b == 0 ? limiterDelay : 0); i < block; ++i)
            ASSERT_NEAR (out.getSample (0, i), 0.5f, 1e-6f) << "block " << b << " frame " << i;
    }
    EXPECT_TRUE (backing->isPlaying());
    ASSERT_TRUE (pumpUntil ([&] { return log.saw (PlayerEvent::looped); }));
    EXPECT_FALSE (log.saw (PlayerEvent::reachedEnd));
}

TEST_F (FilePlayerTest, PreloadingSharesTracksByKeyAndSkipsWhatItCannotOpen)
{
    auto a = sineFile ("a.wav", 1.0);
    auto b = sineFile ("b.wav", 1.0);
    auto missing = folder.getChildFile ("missing.wav").getFullPathName();

    backing->preloadAudioFiles ({ a, a, a, "", b, missing }, { 0, 0, 0.25, 0, 0, 0 }, { 0, 0, 0, 0, 0, 0 });
    EXPECT_EQ (backing->getNumPreloaded(), 3);
    EXPECT_NE (backing->getTransport (FilePlayerProcessor::sourceKey (a, 0, 0)),
               backing->getTransport (FilePlayerProcessor::sourceKey (a, 0.25, 0)));
    EXPECT_TRUE (FilePlayerProcessor::sourceKey ("/m/song.wav", 2.5, 0).endsWith ("song.wav.2.50000.0.00000"));

    backing->preloadAudioFiles ({}, {}, {});
    EXPECT_EQ (backing->getNumPreloaded(), 3);

    backing->loadFile (a, 0.25, 0, false);
    EXPECT_FLOAT_EQ ((float) backing->songLength.load(), 0.75f);

    // Neither a missing file nor a track that was not preloaded plays anything.
    for (auto& path : { missing, folder.getChildFile ("other.wav").getFullPathName() })
    {
        backing->loadFile (path, 0, 0, false);
        EXPECT_FALSE (backing->hasTransport());
        backing->play (0.0);
        EXPECT_EQ (render (*backing).getMagnitude (0, block), 0.0f);
    }
}

TEST_F (FilePlayerTest, SongLengthIsTheTrimmedLengthInSinglePrecision)
{
    auto path = sineFile ("three-minutes.wav", 180.0, 8000.0, 1);
    backing->preloadAudioFile (path, 2.5, 0.0);
    backing->loadFile (path, 2.5, 0.0, false);
    EXPECT_EQ (backing->songLength.load(), 177.5);

    // Retrimming keeps the position (counted from the new start) and the play state.
    backing->play (0.0);
    RaTracks::setCurrentTime (10.0);
    backing->setTrimTimes (5.0, 1.0);
    EXPECT_TRUE (backing->isPlaying());
    EXPECT_NEAR (backing->getCurrentPosition(), 10.0, 1e-3);
    EXPECT_EQ (backing->songLength.load(), (double) (float) 174.0);
    EXPECT_EQ (backing->getNumPreloaded(), 1);
}

TEST_F (FilePlayerTest, VolumeChangesRampOverTheNextBlock)
{
    loadBoth (constantFile ("dc.wav", 2.0));
    backing->play (0.0);
    render (*backing);

    const auto minusSix = (float) std::pow (10.0, -6.0 * 0.05);
    EXPECT_NEAR (minusSix, 0.501f, 1e-3f);
    backing->volumeGain = minusSix;

    auto ramp = render (*backing);
    for (int i : { limiterDelay, 200, 400, 511 })
    {
        auto expected = 0.5f * (1.0f + (minusSix - 1.0f) * (float) (i - limiterDelay) / block);
        EXPECT_NEAR (ramp.getSample (0, i), expected, 1e-5f) << i;
    }
    auto steady = render (*backing);
    EXPECT_NEAR (steady.getSample (1, 100), 0.5f * minusSix, 1e-6f);
}

// Without a device: loading says nothing, and starting both players (as Space
// does) tells the user once how to get a device on this system.
TEST_F (FilePlayerTest, WithoutAnOutputDeviceTheUserIsToldOnceAndNothingStarts)
{
    auto file = sineFile ("sine.wav", 1.0);
    backing->preloadAudioFile (file, 0, 0);
    click->preloadAudioFile (file, 0, 0);
    ScriptedDialogs dialogs;
    juce::AudioDeviceManager noDevice; // never initialised: no device is open
    playerDeviceManager = &noDevice;

    backing->loadFile (file, 0, 0, false);
    click->loadFile (file, 0, 0, false);
    EXPECT_EQ (dialogs.count(), 0);

    for (int press = 1; press <= 2; ++press)
    {
        backing->play (0.0);
        click->play (0.0);
        EXPECT_FALSE (backing->isPlaying());
        EXPECT_FALSE (click->isPlaying());
        ASSERT_EQ (dialogs.count(), press);
    }
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::InfoIcon);
    EXPECT_EQ (dialogs.shown()[0].title, "Audio preferences not set up");
    EXPECT_TRUE (dialogs.shown()[0].text.contains ("JACK")) << dialogs.shown()[0].text;
    EXPECT_TRUE (dialogs.shown()[0].text.contains ("ALSA")) << dialogs.shown()[0].text;
    playerDeviceManager = nullptr;
}

// The message thread switches, unloads and deletes transports while another
// thread runs processBlock without pause. Run under the thread sanitizer too.
TEST_F (FilePlayerTest, SwitchingAndDeletingTransportsIsSafeWhileTheAudioThreadRuns)
{
    auto a = sineFile ("a.wav", 1.0);
    auto b = sineFile ("b.wav", 1.0);
    backing->preloadAudioFiles ({ a, b }, { 0, 0 }, { 0, 0 });

    std::atomic<bool> done { false };
    std::atomic<int> blocks { 0 };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (2, 256);
        juce::MidiBuffer midi;
        while (! done.load())
        {
            backing->processBlock (buffer, midi);
            blocks.fetch_add (1);
        }
    });

    juce::Random random (42);
    for (int i = 0; i < 300; ++i)
    {
        if (i % 25 == 24)
            backing->preloadAudioFiles ({ a, b }, { 0, 0 }, { 0, 0 }); // deletes every transport
        backing->loadFile (i % 2 == 0 ? a : b, 0, 0, i % 3 == 0);
        backing->play (0.0);
        if (i % 4 == 0)
            backing->seekTo (random.nextDouble());
        if (i % 7 == 0)
            backing->stopNow();
        backing->volumeGain = (float) random.nextDouble();
        backing->releaseRetired();
        // Give the audio thread a chance to run between changes.
        auto seen = blocks.load();
        for (int spin = 0; spin < 1000 && blocks.load() == seen; ++spin)
            std::this_thread::yield();
    }
    done = true;
    audio.join();

    backing->releaseRetired();
    EXPECT_EQ (backing->getNumRetired(), 0);
    EXPECT_GT (blocks.load(), 300);
}

// An AutoStart song's successor is queued in both players: when the backing
// track ends, both go on with their queued tracks in the next block (the click
// too, although its own track is longer), and the message thread then sees the
// end with the new track already current and playing. A queue withdrawn before
// the end leaves the old behaviour: the track stops and reachedEnd follows.
TEST_F (FilePlayerTest, AQueuedTrackFollowsInTheBlockAfterTheEnd)
{
    struct Case
    {
        const char* what;
        bool withdrawn;
    };
    for (auto c : {Case{"queued", false}, Case{"withdrawn before the end", true}})
    {
        SCOPED_TRACE (c.what);
        // 2.3 blocks of backing, so the end falls inside a block.
        const auto first = constantFile ("first.wav", 2.3 * block / rate, 0.25f);
        const auto firstClick = constantFile ("first-click.wav", 1.0, 0.3f);
        const auto next = constantFile ("next.wav", 1.0, 0.5f);
        const auto nextClick = constantFile ("next-click.wav", 1.0, 0.6f);
        backing->preloadAudioFiles ({first, next}, {0, 0}, {0, 0});
        click->preloadAudioFiles ({firstClick, nextClick}, {0, 0}, {0, 0});
        backing->loadFile (first, 0, 0, false);
        click->loadFile (firstClick, 0, 0, false);
        backing->queueFollowOn (next, 0, 0, false);
        click->queueFollowOn (nextClick, 0, 0, false);
        if (c.withdrawn)
        {
            backing->cancelFollowOn();
            click->cancelFollowOn();
        }
        log.codes.clear();
        backing->play (0.0);
        click->play (0.0);

        // Both players, backing first, as the graph runs them.
        std::vector<float> backingOut, clickOut;
        for (int b = 0; b < 6; ++b)
        {
            for (auto [player, out] : {std::pair{backing.get(), &backingOut}, std::pair{click.get(), &clickOut}})
            {
                auto buffer = render (*player);
                out->insert (out->end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + block);
            }
        }

        auto lastOf = [] (const std::vector<float>& v, float value)
        {
            for (int i = (int)v.size(); --i >= 0;)
                if (std::abs (v[(size_t)i] - value) < 1e-3f)
                    return i;
            return -1;
        };
        auto firstOf = [] (const std::vector<float>& v, float value)
        {
            for (int i = 0; i < (int)v.size(); ++i)
                if (std::abs (v[(size_t)i] - value) < 1e-3f)
                    return i;
            return -1;
        };

        const int backingEnd = lastOf (backingOut, 0.25f);
        ASSERT_GT (backingEnd, 0);
        if (c.withdrawn)
        {
            EXPECT_EQ (firstOf (backingOut, 0.5f), -1);
            EXPECT_EQ (firstOf (clickOut, 0.6f), -1);
            EXPECT_TRUE (pumpUntil ([&] { return log.saw (PlayerEvent::reachedEnd); }));
            EXPECT_FALSE (backing->isPlaying());
            EXPECT_FALSE (backing->continuesFollowOn());
            continue;
        }

        const int nextStart = firstOf (backingOut, 0.5f);
        ASSERT_GT (nextStart, backingEnd);
        std::cout << "[ measure  ] silence between the queued tracks: " << nextStart - backingEnd - 1
                  << " frames (block " << block << ")" << std::endl;
        EXPECT_LT (nextStart - backingEnd - 1, block);
        EXPECT_EQ (nextStart % block, limiterDelay) << "the next track starts at the beginning of a block";
        EXPECT_EQ (firstOf (clickOut, 0.6f), nextStart) << "the click changes in the same block";

        // The message thread catches up: reachedEnd with the new track current
        // but not yet loaded by anyone (the editor must not read its position
        // against the last song's cues); loading and starting it (as the show
        // does) goes on without a rewind, and only then is it an ordinary track.
        ASSERT_TRUE (pumpUntil ([&] { return log.saw (PlayerEvent::reachedEnd); }));
        EXPECT_EQ (backing->getCurrentTransport(), backing->getTransport (FilePlayerProcessor::sourceKey (next, 0, 0)));
        EXPECT_TRUE (backing->isPlaying());
        EXPECT_TRUE (backing->playsTrackNotYetLoaded());
        EXPECT_TRUE (backing->continuesFollowOn());
        const auto position = backing->getCurrentPosition();
        EXPECT_GT (position, 0.0);
        backing->loadFile (next, 0, 0, false);
        EXPECT_FALSE (backing->playsTrackNotYetLoaded());
        EXPECT_TRUE (backing->continuesFollowOn()) << "loaded, not yet started again: nothing may rewind it";
        backing->play (0.0);
        EXPECT_FALSE (backing->continuesFollowOn());
        EXPECT_TRUE (backing->isPlaying());
        EXPECT_GE (backing->getCurrentPosition(), position);
        RaTracks::stop (0.0);
    }
}
