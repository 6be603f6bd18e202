// The main window's 20 ms transport duties and keys, on two real players with a
// real (JACK dummy) output device. The views the timer talks to are recorded.

#include "app/EventFlags.h"
#include "app/MainTimer.h"
#include "app/ShellState.h"
#include "app/StartupSettings.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

namespace
{
struct RecordedViews final : ShellViews
{
    bool songEditorVisible = false, showPlayerVisible = false, promptShowing = false;
    juce::StringArray prompts;
    int nextCalls = 0, previousCalls = 0, taps = 0, pluginWindows = 0;

    bool isSongEditorVisible() const override { return songEditorVisible; }
    bool isShowPlayerVisible() const override { return showPlayerVisible; }
    bool isStopPromptShowing() const override { return promptShowing; }
    void showStopPrompt (const juce::String& text) override
    {
        promptShowing = true;
        prompts.add (text);
    }
    void hideStopPrompt() override { promptShowing = false; }
    void highlightNextSong (bool, bool) override { ++nextCalls; }
    void highlightPreviousSong (bool, bool) override { ++previousCalls; }
    void tapTempo() override { ++taps; }
    void openPluginWindow() override { ++pluginWindows; }
};
} // namespace

class MainTimerTest : public JackDeviceTest
{
protected:
    void SetUp() override
    {
        JackDeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;

        readStartupSettings (nullptr);
        stopClock = 0;
        exitRequested = false;
        for (auto* flag : { &startEventReceived, &rewindEventReceived, &nextEventReceived, &prevEventReceived })
            *flag = false;

        backing = std::make_unique<FilePlayerProcessor>();
        click = std::make_unique<FilePlayerProcessor>();
        filePlayer = backing.get();
        filePlayerB = click.get();

        auto file = TestHome::folder().getChildFile ("timer/song.wav");
        ASSERT_TRUE (writeSineWav (file, 4.0));
        for (auto* p : { filePlayer, filePlayerB })
        {
            p->prepareToPlay (44100.0, 512);
            p->preloadAudioFile (file.getFullPathName(), 0.0, 0.0);
            p->loadFile (file.getFullPathName(), 0.0, 0.0, false);
        }
    }

    void TearDown() override
    {
        filePlayer = filePlayerB = nullptr;
        backing.reset();
        click.reset();
        readStartupSettings (nullptr);
        JackDeviceTest::TearDown();
    }

    void raiseAndTick (std::atomic<bool>& flag)
    {
        flag = true;
        timer.tick();
    }

    bool playing() const { return backing->isPlaying() && click->isPlaying(); }
    bool stoppedNow() const { return ! backing->isPlaying() && ! click->isPlaying(); }
    bool fadingOut() const { return backing->fadingOut.load() && click->fadingOut.load(); }

    RecordedViews views;
    MainTimerLogic timer { views };
    std::unique_ptr<FilePlayerProcessor> backing, click;
};

TEST_F (MainTimerTest, AStartEventPlaysBothAndStopsWithTheRightFade)
{
    dcRequiredToStop = 0;

    raiseAndTick (startEventReceived);
    EXPECT_TRUE (playing());
    EXPECT_FALSE (startEventReceived.load());

    // No double press needed: the next start stops at once, fading over fadeTime.
    raiseAndTick (startEventReceived);
    EXPECT_TRUE (fadingOut());
    EXPECT_TRUE (views.prompts.isEmpty());

    // With the song editor visible there is no fade.
    RaTracks::stop (0.0);
    views.songEditorVisible = true;
    raiseAndTick (startEventReceived);
    ASSERT_TRUE (playing());
    raiseAndTick (startEventReceived);
    EXPECT_TRUE (stoppedNow());
}

TEST_F (MainTimerTest, TheSecondPressWithinOneSecondStops)
{
    raiseAndTick (startEventReceived);
    ASSERT_TRUE (playing());

    raiseAndTick (startEventReceived);
    EXPECT_TRUE (playing());
    EXPECT_FALSE (fadingOut());
    EXPECT_EQ (views.prompts, juce::StringArray ("Press the footswitch again to stop playback!"));
    EXPECT_EQ (stopClock, 1000);

    raiseAndTick (startEventReceived);
    EXPECT_TRUE (fadingOut());
    EXPECT_FALSE (views.promptShowing);
}

TEST_F (MainTimerTest, ThePromptLastsOneSecondThenTheNextPressAsksAgain)
{
    raiseAndTick (startEventReceived);
    raiseAndTick (startEventReceived);
    ASSERT_TRUE (views.promptShowing);

    for (int i = 0; i < 49; ++i)
        timer.tick();
    EXPECT_TRUE (views.promptShowing);
    timer.tick(); // the fiftieth tick: 1000 ms are over
    EXPECT_FALSE (views.promptShowing);

    raiseAndTick (startEventReceived);
    EXPECT_TRUE (playing());
    EXPECT_FALSE (fadingOut());
    EXPECT_EQ (views.prompts.size(), 2);
}

TEST_F (MainTimerTest, AStartEventOnALoopingSongInTheShowPlayerTogglesTheLoop)
{
    views.showPlayerVisible = true;
    raiseAndTick (startEventReceived);
    RaTracks::toggleLooping();
    ASSERT_TRUE (backing->looping.load());

    raiseAndTick (startEventReceived);
    EXPECT_FALSE (backing->looping.load());
    EXPECT_TRUE (playing());
    EXPECT_FALSE (fadingOut());
    EXPECT_TRUE (views.prompts.isEmpty());
}

TEST_F (MainTimerTest, RewindNeedsASecondPressOnlyWhilePlaying)
{
    backing->seekTo (2.0);
    raiseAndTick (rewindEventReceived);
    EXPECT_TRUE (stoppedNow());
    EXPECT_DOUBLE_EQ (backing->getCurrentPosition(), 0.0);
    EXPECT_TRUE (views.prompts.isEmpty());

    raiseAndTick (startEventReceived);
    raiseAndTick (rewindEventReceived);
    EXPECT_TRUE (playing());
    EXPECT_EQ (views.prompts, juce::StringArray ("Press the footswitch again to stop playback and rewind!"));
    raiseAndTick (rewindEventReceived);
    EXPECT_TRUE (stoppedNow());
    EXPECT_DOUBLE_EQ (backing->getCurrentPosition(), 0.0);
}

TEST_F (MainTimerTest, NextAndPreviousWaitATickWhenAPromptIsShown)
{
    raiseAndTick (startEventReceived);

    startEventReceived = true;
    nextEventReceived = true;
    prevEventReceived = true;
    timer.tick();
    EXPECT_TRUE (views.promptShowing);
    EXPECT_EQ (views.nextCalls, 0);
    EXPECT_EQ (views.previousCalls, 0);

    timer.tick();
    EXPECT_EQ (views.nextCalls, 1);
    EXPECT_EQ (views.previousCalls, 1);
}

TEST_F (MainTimerTest, TheControllerWindowOpensOnTheFirstTickOnlyAndNothingRunsWhileExiting)
{
    timer.pluginWindowPending = true;
    timer.tick();
    timer.tick();
    EXPECT_EQ (views.pluginWindows, 1);

    exitRequested = true;
    startEventReceived = true;
    timer.tick();
    EXPECT_TRUE (stoppedNow());
    EXPECT_TRUE (startEventReceived.load());
    exitRequested = false;
}

TEST_F (MainTimerTest, TransportKeys)
{
    using juce::KeyPress;
    using juce::ModifierKeys;

    // A learnt space only raises the start event.
    startKey = KeyPress::spaceKey;
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::spaceKey)));
    EXPECT_TRUE (startEventReceived.exchange (false));
    EXPECT_TRUE (stoppedNow());
    startKey = -1;

    // "O" toggles looping; with a modifier it is left to the command mappings.
    EXPECT_TRUE (timer.keyPressed (KeyPress ('o')));
    EXPECT_TRUE (backing->looping.load());
    EXPECT_FALSE (timer.keyPressed (KeyPress ('o', ModifierKeys::commandModifier, 0)));
    EXPECT_TRUE (backing->looping.load());
    RaTracks::toggleLooping();

    // Ctrl+T taps the tempo in the song editor, and is still offered to the commands.
    views.songEditorVisible = true;
    EXPECT_FALSE (timer.keyPressed (KeyPress ('t', ModifierKeys::ctrlModifier, 0)));
    EXPECT_EQ (views.taps, 1);
    views.songEditorVisible = false;
    EXPECT_FALSE (timer.keyPressed (KeyPress ('t', ModifierKeys::ctrlModifier, 0)));
    EXPECT_EQ (views.taps, 1);

    // Space plays; then asks for a second press; the second press stops.
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::spaceKey)));
    ASSERT_TRUE (playing());
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::spaceKey)));
    EXPECT_EQ (views.prompts.joinIntoString ("|"), "Press SPACE again to stop playback!");
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::spaceKey)));
    EXPECT_TRUE (fadingOut());

    // Escape while stopped rewinds without asking.
    RaTracks::stop (0.0);
    backing->seekTo (1.0);
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::escapeKey)));
    EXPECT_DOUBLE_EQ (backing->getCurrentPosition(), 0.0);

    // Escape during playback in the song editor stops and rewinds at once.
    views.songEditorVisible = true;
    timer.keyPressed (KeyPress (KeyPress::spaceKey));
    ASSERT_TRUE (playing());
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::escapeKey)));
    EXPECT_TRUE (stoppedNow());
    EXPECT_EQ (views.prompts.size(), 1);

    // Escape during playback elsewhere asks first.
    views.songEditorVisible = false;
    timer.keyPressed (KeyPress (KeyPress::spaceKey));
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::escapeKey)));
    EXPECT_EQ (views.prompts[1], "Press ESC again to stop and rewind!");
    EXPECT_TRUE (playing());
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::escapeKey)));
    EXPECT_TRUE (stoppedNow());

    EXPECT_FALSE (timer.keyPressed (KeyPress ('q')));
}
