#include "app/StartupSettings.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "show/SetPlayer.h"
#include "show/ShowTestSupport.h"
#include "support/ScriptedDialogs.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include <functional>

/** The show player driving both real file players, which play on a JACK dummy
    device in real time, with a real database and generated WAV files. */
class SongSwitchTest : public JackDeviceTest
{
protected:
    void SetUp() override
    {
        JackDeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;

        database = std::make_unique<ShowDatabase>();
        ASSERT_TRUE (database->opened);

        backing = std::make_unique<FilePlayerProcessor>();
        click = std::make_unique<FilePlayerProcessor>();
        filePlayer = backing.get();
        filePlayerB = click.get();
        backingOut.setProcessor (backing.get());
        clickOut.setProcessor (click.get());
        devices->addAudioCallback (&backingOut);
        devices->addAudioCallback (&clickOut);

        savedFadeTime = fadeTime;
        fadeTime = 0.2f;

        player = std::make_unique<SetPlayer>();
        player->setVisible (true);
        timeline = player->timeline;
        timeline->setSize (400, 808);

        events.read = [this] { return backing->lastEvent; };
        backing->addChangeListener (&events);
    }

    void TearDown() override
    {
        player.reset();
        if (backing != nullptr)
        {
            backing->removeChangeListener (&events);
            devices->removeAudioCallback (&backingOut);
            devices->removeAudioCallback (&clickOut);
            backingOut.setProcessor (nullptr);
            clickOut.setProcessor (nullptr);
        }
        filePlayer = filePlayerB = nullptr;
        backing.reset();
        click.reset();
        database.reset();
        fadeTime = savedFadeTime;
        JackDeviceTest::TearDown();
    }

    /** Loads a show and waits until its song plays past its first moments. */
    void playSong (int index)
    {
        timeline->loadSong ((unsigned) index, true, false, false);
        player->holder->buttonClicked (player->holder->playButton);
        ASSERT_TRUE (pumpUntil ([this] { return backing->isPlaying() && backing->getCurrentPosition() > 0.2; }));
    }

    ScriptedDialogs dialogs;
    std::unique_ptr<ShowDatabase> database;
    std::unique_ptr<FilePlayerProcessor> backing, click;
    juce::AudioProcessorPlayer backingOut, clickOut;
    std::unique_ptr<SetPlayer> player;
    SetTimeline* timeline = nullptr;
    ShowBuilder shows;
    EventLog events;
    float savedFadeTime = 1.5f;
};

TEST_F (SongSwitchTest, ChosenSongLoadsOnlyAfterTheFadeOutHasStopped)
{
    struct Case
    {
        const char* how;
        std::function<void (SetTimeline&)> choose;
        int expected;
        bool playNow;
    };
    const Case cases[] = {
        { "Next", [] (SetTimeline& t) { t.highlightNextSong (true, false); }, 2, false },
        { "Next, play immediately", [] (SetTimeline& t) { t.highlightNextSong (true, true); }, 2, true },
        { "Previous, play immediately", [] (SetTimeline& t) { t.highlightPreviousSong (true, true); }, 0, true },
        { "double click",
          [] (SetTimeline& t) { t.doubleClickAt (t.songs[0]->getBounds().getCentre()); }, 0, false },
        { "Return",
          [] (SetTimeline& t)
          {
              t.songs[1]->selected = false;
              t.songs[2]->selected = true;
              EXPECT_FALSE (t.keyPressed (juce::KeyPress (juce::KeyPress::returnKey), &t)) << "Return is passed on";
          },
          2, false },
    };

    const int setId = shows.makeShow ({ SongSpec { 10.0, false, false, 0, true, 10.0, 440.0 },
                                        SongSpec { 10.0, false, false, 0, true, 10.0, 550.0 },
                                        SongSpec { 10.0, false, false, 0, true, 10.0, 660.0 } });
    timeline->loadSet (setId, false);

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.how);
        playSong (1);
        EXPECT_EQ (player->holder->playButton->getButtonText(), "Pause");
        events.codes.clear();

        c.choose (*timeline);

        // Still the old song, fading out.
        EXPECT_EQ (timeline->currentIndex, 1);
        EXPECT_EQ (timeline->pendingIndex, c.expected);
        EXPECT_TRUE (backing->isPlaying());
        EXPECT_TRUE (backing->fadingOut.load());

        ASSERT_TRUE (pumpUntil ([&] { return timeline->currentIndex == c.expected; }));
        EXPECT_TRUE (events.saw (PlayerEvent::stopped));
        EXPECT_EQ (timeline->pendingIndex, -1);
        EXPECT_EQ (backing->currentFile, timeline->songs[(size_t) c.expected]->audioPath);
        EXPECT_EQ (backing->isPlaying(), c.playNow);
        EXPECT_TRUE (pumpUntil ([&] {
            return player->holder->playButton->getButtonText() == (c.playNow ? "Pause" : "Play");
        }));

        RaTracks::stop (0.0);
        ASSERT_TRUE (pumpUntil ([&] { return ! backing->isPlaying(); }));
    }
}

TEST_F (SongSwitchTest, EndOfTheLastSongWrapsToTheFirstAndAutoStartDecidesWhetherItPlays)
{
    const int setId = shows.makeShow ({ SongSpec { 0.0, false, false, 0, true, 0.5 },
                                        SongSpec { 0.0, false, false, 0, true, 0.5 },
                                        SongSpec { 0.0, true, false, 0, true, 0.5 } });
    timeline->loadSet (setId, false);
    EXPECT_NEAR (timeline->totalLength, 1.5, 1e-6) << "lengths measured from the files";

    // The last song is marked AutoStart: its end starts the first song.
    timeline->loadSong (2, true, true, false);
    ASSERT_TRUE (backing->isPlaying());
    ASSERT_TRUE (pumpUntil ([&] { return timeline->currentIndex == 0; }));
    EXPECT_TRUE (events.saw (PlayerEvent::reachedEnd));
    EXPECT_TRUE (backing->isPlaying());
    EXPECT_LT (timeline->showPosition, 0.5) << "the show position moved back to the first song";

    // The first is not: its end loads the second, which waits.
    ASSERT_TRUE (pumpUntil ([&] { return timeline->currentIndex == 1; }));
    EXPECT_FALSE (backing->isPlaying());
    EXPECT_DOUBLE_EQ (backing->getCurrentPosition(), 0.0);
    EXPECT_EQ (backing->currentFile, timeline->songs[1]->audioPath);
    EXPECT_TRUE (pumpUntil ([&] { return player->holder->playButton->getButtonText() == "Play"; }));
}

TEST_F (SongSwitchTest, PlayButtonFadesOutAndResumesWithAFadeIn)
{
    timeline->loadSet (shows.makeShow ({ SongSpec { 10.0, false, false, 0, true, 10.0 } }), false);
    playSong (0);
    EXPECT_TRUE (pumpUntil ([&] { return player->holder->playButton->getToggleState(); }));

    player->holder->buttonClicked (player->holder->playButton);
    EXPECT_TRUE (backing->fadingOut.load());
    EXPECT_EQ (player->holder->playButton->getButtonText(), "Play");
    ASSERT_TRUE (pumpUntil ([&] { return ! backing->isPlaying(); }));
    EXPECT_TRUE (pumpUntil ([&] { return ! player->holder->playButton->getToggleState(); }));
    EXPECT_GT (backing->getCurrentPosition(), 0.0);

    // Tick events moved the song's play line and the show position meanwhile.
    EXPECT_GT (timeline->showPosition, 0.0);

    player->holder->buttonClicked (player->holder->playButton);
    EXPECT_TRUE (backing->isPlaying());
    EXPECT_TRUE (backing->fadingIn.load()) << "resuming after 0 fades in";
    EXPECT_EQ (player->holder->playButton->getButtonText(), "Pause");
}

TEST_F (SongSwitchTest, ALoopingSongRepeatsUntilItsLoopIsSwitchedOff)
{
    const int setId = shows.makeShow ({ SongSpec { 0.0, false, true, 0, true, 0.3 },
                                        SongSpec { 0.0, false, false, 0, true, 0.3 } });
    timeline->loadSet (setId, false);
    auto& memo = *player->vertPanel->memoPanel;

    timeline->loadSong (0, true, true, timeline->songs[0]->loop);
    ASSERT_TRUE (pumpUntil ([&] { return events.saw (PlayerEvent::looped); }));
    EXPECT_EQ (timeline->currentIndex, 0) << "a loop does not advance the show";
    memo.timerCallback();
    EXPECT_TRUE (memo.showingLoop);

    RaTracks::toggleLooping(); // the start control ends the loop
    memo.timerCallback();
    EXPECT_FALSE (memo.showingLoop);
    ASSERT_TRUE (pumpUntil ([&] { return timeline->currentIndex == 1; }));
    EXPECT_TRUE (events.saw (PlayerEvent::reachedEnd));
    EXPECT_FALSE (backing->isPlaying());
}
