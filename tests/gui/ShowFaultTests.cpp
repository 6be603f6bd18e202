// A show with damaged songs played as a performer plays it: the program's window
// on a JACK dummy device with the real graph and controller, the outputs recorded
// with jack_rec. Every song that cannot play as it should is marked and named
// once at show load; the show never closes under the performer and Space always
// stops whatever plays.

#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "app/SpawnedProcess.h"
#include "app/StartupSettings.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "data/MediaLibrary.h"
#include "gui/GuiTestSupport.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
/** Runs the message loop until the condition holds or the time is up. */
bool pump (const std::function<bool()>& condition, int timeoutMs)
{
    return pumpUntil (condition, timeoutMs, std::function<void()>{});
}

enum class Damage
{
    none,
    corruptBacking, ///< the backing track's file holds random bytes
    missingClick,   ///< the click track's file is gone
    missingBacking  ///< the backing track's file is gone
};

struct SongCase
{
    const char* name;
    Damage damage;
    bool autoStart;
};

// Song 1 ends by itself (AutoStart): the show passes over the unreadable song 2.
const SongCase songCases[] = {
    {"Opener", Damage::none, true},
    {"Broken", Damage::corruptBacking, false},
    {"No Click", Damage::missingClick, false},
    {"Lost", Damage::missingBacking, false},
    {"Closer", Damage::none, false},
};

constexpr double backingHz = 440.0, clickHz = 880.0;

/** A track with a click track, both copied into the media folder by the real import. */
int addSongWithClick (const SongCase& song, SetModel& show, int order)
{
    auto incoming = TestHome::folder().getChildFile ("Incoming");
    auto backing = incoming.getChildFile ("Album/" + juce::String (song.name) + ".wav");
    auto click = incoming.getChildFile ("Clicks/" + juce::String (song.name) + " click.wav");
    EXPECT_TRUE (writeSineWav (backing, 3.0, 48000.0, backingHz));
    EXPECT_TRUE (writeSineWav (click, 3.0, 48000.0, clickHz));

    AudioFileModel track;
    track.addNewFromPath (backing.getFullPathName());
    AudioFileModel clickTrack;
    clickTrack.addNewFromPath (click.getFullPathName());
    clickTrack.setIntField ("MainAudioFileID", track.id);
    track.calcLengthSecs();

    juce::File stored (track.getFullPath());
    switch (song.damage)
    {
    case Damage::corruptBacking:
    {
        juce::MemoryBlock noise (48000);
        juce::Random random (7);
        random.fillBitsRandomly (noise.getData(), noise.getSize());
        EXPECT_TRUE (stored.replaceWithData (noise.getData(), noise.getSize()));
        break;
    }
    case Damage::missingClick:
        EXPECT_TRUE (juce::File (clickTrack.getFullPath()).deleteFile());
        break;
    case Damage::missingBacking:
        EXPECT_TRUE (stored.deleteFile());
        break;
    case Damage::none:
        break;
    }

    auto lightShow = track.getLightShows().at (0);
    show.addSetElement (lightShow.id, order, song.autoStart, false, 0);
    return lightShow.id;
}

/** Levels of the backing tone on outputs 1-2 and of the click tone on outputs 3-4
    while the program plays, recorded from its JACK ports. */
struct Heard
{
    double backing = 0.0, click = 0.0;
};

Heard recordOutputs (int seconds)
{
    auto file = TestHome::folder().getChildFile ("recorded.wav");
    file.deleteFile();
    SpawnedProcess recorder;
    if (!recorder.start (juce::StringArray{"jack_rec", "-f", file.getFullPathName(), "-d", juce::String (seconds),
                                           "JUCEJack:out_1", "JUCEJack:out_2", "JUCEJack:out_3", "JUCEJack:out_4"}))
    {
        ADD_FAILURE() << "jack_rec did not start";
        return {};
    }
    // The program goes on running (and its timers with it) while the recording is made.
    pump ([&] { return !recorder.isRunning(); }, seconds * 1000 + 5000);

    std::unique_ptr<juce::AudioFormatReader> reader (formatManager->createReaderFor (file));
    if (reader == nullptr || reader->numChannels != 4 || reader->lengthInSamples < 4800)
    {
        ADD_FAILURE() << "no recording: " << recorder.readAllProcessOutput();
        return {};
    }
    const auto length = (int)reader->lengthInSamples;
    juce::AudioBuffer<float> recorded (4, length);
    reader->read (&recorded, 0, length, 0, true, true);

    Heard heard;
    for (int c = 0; c < 4; ++c)
    {
        double best = 0.0; // the loudest tenth of a second: the dummy server may drop blocks under load
        for (int w = 0; w + 4800 <= length; w += 4800)
            best =
                std::max (best, toneLevel (recorded.getReadPointer (c, w), 4800, 48000.0, c < 2 ? backingHz : clickHz));
        (c < 2 ? heard.backing : heard.click) = std::max (c < 2 ? heard.backing : heard.click, best);
    }
    return heard;
}

bool anyPlayerPlays()
{
    return filePlayer->isPlaying() || filePlayerB->isPlaying();
}

void pressSpace (MainHostWindow& window)
{
    window.keyPressed (juce::KeyPress (juce::KeyPress::spaceKey), nullptr);
}
} // namespace

TEST (ShowFaults, DamagedSongsAreMarkedNamedOnceSkippedAndNeverDropTheShow)
{
    JackDummyServer server;
    if (!server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";
    ASSERT_TRUE (juce::File ("/usr/bin/jack_rec").existsAsFile()) << "jack_rec is missing (package jack-tools)";

    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);

    auto window = std::make_unique<MainHostWindow>();
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
    ASSERT_NE (window->audioDevices.getCurrentAudioDevice(), nullptr);

    SetModel show;
    show.createSet ("Damaged", "");
    for (int i = 0; i < (int)std::size (songCases); ++i)
        addSongWithClick (songCases[i], show, i);
    RaDatabase::getInstance()->clearUndoStack();

    // Show load: one box names each damaged song and why; the broken song is not
    // made current (the opener is).
    dialogs.clear();
    window->switchToWindow (setPlayerPanel, show.id);
    auto& timeline = *setPlayer->timeline;
    ASSERT_EQ (timeline.songs.size(), std::size (songCases));
    int problemBoxes = 0;
    juce::String problemText;
    for (auto& shown : dialogs.shown())
        if (shown.title == "Some songs will not play as they should")
            ++problemBoxes, problemText = shown.text;
    EXPECT_EQ (problemBoxes, 1) << dialogs.titles().joinIntoString (" / ");
    EXPECT_TRUE (problemText.contains ("Broken.wav\" cannot be read")) << problemText;
    EXPECT_TRUE (problemText.contains ("No Click click.wav\" is missing")) << problemText;
    EXPECT_FALSE (problemText.contains ("Lost")) << "a missing backing track is offered to be located instead";
    EXPECT_FALSE (problemText.contains ("Opener")) << problemText;
    EXPECT_FALSE (problemText.contains ("Closer")) << problemText;

    // Marks as the performer sees them (red text) come from these flags.
    for (size_t i = 0; i < std::size (songCases); ++i)
    {
        auto& box = *timeline.songs[i];
        SCOPED_TRACE (songCases[i].name);
        EXPECT_EQ (box.backingReadable, songCases[i].damage != Damage::corruptBacking);
        EXPECT_EQ (box.fileExists, songCases[i].damage != Damage::missingBacking);
        EXPECT_EQ (box.clickProblem, songCases[i].damage == Damage::missingClick ? "missing" : "");
    }
    EXPECT_EQ (timeline.currentIndex, 0);

    // Reloading the same show (as after a drop) does not repeat the box.
    dialogs.clear();
    timeline.loadSet (show.id, true);
    EXPECT_FALSE (dialogs.titles().contains ("Some songs will not play as they should"));

    // What each step plays, on which outputs, and that Space stops it.
    struct Step
    {
        const char* what;
        std::function<void()> act;
        int expectedCurrent;
        bool backingHeard, clickHeard;
    };
    const Step steps[] = {
        {"Space on the opener", [&] { pressSpace (*window); }, 0, true, true},
        {"the opener ends: AutoStart passes over the broken song",
         [&] { EXPECT_TRUE (pump ([&] { return timeline.currentIndex == 2 && filePlayer->isPlaying(); }, 8000)); }, 2,
         true, false},
        {"Previous passes over the broken song too",
         [&]
         {
             pressSpace (*window);
             timeline.highlightPreviousSong (true, true);
             pump ([&] { return timeline.currentIndex == 0 && filePlayer->isPlaying(); }, 4000);
         },
         0, true, true},
        {"choosing the broken song leaves the current one; Space never plays its click alone",
         [&]
         {
             pressSpace (*window);
             pump ([] { return !anyPlayerPlays(); }, 2000);
             timeline.requestSong (1, true);
             pump ([] { return false; }, 200);
             pressSpace (*window);
         },
         0, true, true},
    };

    for (auto& step : steps)
    {
        SCOPED_TRACE (step.what);
        step.act();
        EXPECT_EQ (timeline.currentIndex, step.expectedCurrent);
        auto heard = recordOutputs (1);
        EXPECT_EQ (heard.backing > 0.2, step.backingHeard) << "backing level " << heard.backing;
        EXPECT_EQ (heard.click > 0.2, step.clickHeard) << "click level " << heard.click;
        if (step.backingHeard && !filePlayer->isPlaying())
            continue; // the song ended during the recording
        pressSpace (*window);
        EXPECT_TRUE (pump ([] { return !anyPlayerPlays(); }, 2000)) << "Space did not stop";
        pressSpace (*window);
        pump ([] { return anyPlayerPlays(); }, 2000);
    }
    pressSpace (*window);
    EXPECT_TRUE (pump ([] { return !anyPlayerPlays(); }, 2000));

    // The missing song: its locate box is cancelled. The show stays loaded with the
    // song marked and highlighted, and Next goes on with the song after it.
    dialogs.clear();
    dialogs.answerFile (std::nullopt);
    timeline.requestSong (3, false);
    EXPECT_TRUE (
        pump ([&] { return dialogs.titles().contains ("Audio file not found in Raziviz Avodoru media folder"); }, 2000))
        << dialogs.titles().joinIntoString (" / ");
    EXPECT_TRUE (setPlayer->isVisible());
    EXPECT_EQ (timeline.setId, show.id);
    EXPECT_EQ (timeline.songs.size(), std::size (songCases));
    EXPECT_TRUE (timeline.songs[3]->selected);
    EXPECT_FALSE (timeline.songs[3]->fileExists);

    timeline.highlightNextSong (true, true);
    EXPECT_TRUE (pump ([&] { return timeline.currentIndex == 4 && filePlayer->isPlaying(); }, 4000));
    auto heard = recordOutputs (1);
    EXPECT_GT (heard.backing, 0.2);
    EXPECT_GT (heard.click, 0.2);
    pressSpace (*window);
    EXPECT_TRUE (pump ([] { return !anyPlayerPlays(); }, 2000));

    window->closeButtonPressed();
    appProperties->closeFiles();
    window.reset();
    exitRequested = false;
}
