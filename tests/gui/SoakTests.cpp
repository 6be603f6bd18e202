// The soak: the whole program on a JACK dummy server at 48 kHz with 128-frame
// blocks plays a 40-song show with cues and memos, song after song, while a
// driver does what a user does between songs and in rehearsal (browsing and
// filtering the trees, resizing the window, opening and closing the controller
// window, the preferences and the MIDI chunk editor, importing a track and
// opening it with its waveform, editing, undoing and redoing), at random but
// reproducibly (seeded).
//
// It records JACK's xruns, how late each cue reaches the controller, how late
// each main-timer tick comes, memory (RSS) and open file descriptors, takes a
// screenshot every few minutes, prints a summary and writes a CSV and a plot.
//
// `make test` runs it for one minute with its own checks; `make soak` runs it for
// RAV_SOAK_SECONDS (see the README). Zero xruns is not asserted: the machines
// that run it are shared.

#include "app/Commands.h"
#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/MainTimer.h"
#include "app/ShellState.h"
#include "app/SpawnedProcess.h"
#include "app/TrackImport.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
#include "data/RaDatabase.h"
#include "gui/GuiTestSupport.h"
#include "library/LibraryWindow.h"
#include "lighting/VovirLink.h"
#include "midi/MidiEventsWindow.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

namespace
{
constexpr int numSongs = 40;
constexpr double songSeconds = 8.0;
constexpr int cuesPerSong = 7; // at 0.5 s, 1.5 s, ... 6.5 s
const char* const presets[] = { "Full", "Warm", "Spot" };

double cueTime (int k)
{
    return 0.5 + k;
}

constexpr int timedCue = 3;          // the one cue with a duration: its end recalls the bank's "Off"
constexpr double timedCueLength = 0.8;

/** What the controller must see during one play of a song, in order: each cue's
    preset at its time, and "Off" at the end of the timed cue. */
struct Expected
{
    juce::String preset;
    double time;
};

const std::vector<Expected>& expectedArrivals()
{
    static const std::vector<Expected> expected = []
    {
        std::vector<Expected> list;
        for (int k = 0; k < cuesPerSong; ++k)
            list.push_back ({ presets[k % 3], cueTime (k) });
        list.push_back ({ "Off", cueTime (timedCue) + timedCueLength });
        std::sort (list.begin(), list.end(), [] (auto& a, auto& b) { return a.time < b.time; });
        return list;
    }();
    return expected;
}

double nowMs()
{
    return juce::Time::getMillisecondCounterHiRes();
}

double residentMegabytes()
{
    auto status = juce::File ("/proc/self/status").loadFileAsString();
    auto line = status.fromFirstOccurrenceOf ("VmRSS:", false, false).upToFirstOccurrenceOf ("\n", false, false);
    return line.trim().getDoubleValue() / 1024.0;
}

int openFileDescriptors()
{
    return juce::File ("/proc/self/fd").getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*");
}

double median (std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort (values.begin(), values.end());
    return values[values.size() / 2];
}

double maximum (const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::max_element (values.begin(), values.end());
}

/** Each cue as it reaches the controller's table, with the play position then. */
struct CueArrival
{
    int segment; // an uninterrupted play of one song
    int song;
    juce::String preset;
    double position;
};

std::vector<CueArrival>* arrivals = nullptr;
int currentSegment = 0;
VovirApiTable* realTable = nullptr;
VovirApiTable watchedTable;

void watchedTrigger (const char* bank, const char* preset, float fade)
{
    if (arrivals != nullptr && filePlayer != nullptr && setPlayer != nullptr)
        arrivals->push_back ({ currentSegment, setPlayer->timeline->currentIndex, juce::String (preset),
                               filePlayer->getCurrentPosition() });
    realTable->triggerPreset (bank, preset, fade);
}

/** One row of the series, one per second. */
struct Sample
{
    double seconds;
    int xruns;
    double rssMb;
    int fds;
    double tickLateMaxMs;
    double cueLateMaxMs;
    double cpuPercent;
};

/** The plot: one panel per series over time, drawn with the framework. */
void writePlot (const std::vector<Sample>& samples, const juce::File& file)
{
    struct Series
    {
        const char* name;
        std::function<double (const Sample&)> value;
        juce::Colour colour;
    };
    const std::vector<Series> series {
        { "RSS (MB)", [] (const Sample& s) { return s.rssMb; }, juce::Colours::darkblue },
        { "open file descriptors", [] (const Sample& s) { return (double) s.fds; }, juce::Colours::darkgreen },
        { "JACK xruns (total)", [] (const Sample& s) { return (double) s.xruns; }, juce::Colours::darkred },
        { "main-timer tick lateness, max per second (ms)", [] (const Sample& s) { return s.tickLateMaxMs; },
          juce::Colours::darkorange },
        { "cue lateness, max per second (ms)", [] (const Sample& s) { return s.cueLateMaxMs; },
          juce::Colours::purple },
        { "audio callback load (%)", [] (const Sample& s) { return s.cpuPercent; }, juce::Colours::black },
    };

    const int width = 1200, panelHeight = 160;
    juce::Image image (juce::Image::RGB, width, panelHeight * (int) series.size(), true);
    juce::Graphics g (image);
    g.fillAll (juce::Colours::white);
    const auto duration = samples.empty() ? 1.0 : std::max (1.0, samples.back().seconds);

    for (size_t i = 0; i < series.size(); ++i)
    {
        auto area = juce::Rectangle<int> (0, (int) i * panelHeight, width, panelHeight).reduced (50, 20);
        double top = 0.0;
        for (auto& s : samples)
            top = std::max (top, series[i].value (s));
        top = top <= 0.0 ? 1.0 : top * 1.1;

        g.setColour (juce::Colours::lightgrey);
        g.drawRect (area);
        g.setColour (juce::Colours::black);
        g.setFont (14.0f);
        g.drawText (juce::String (series[i].name) + "   (top " + juce::String (top, 1) + ")",
                    area.getX(), area.getY() - 18, area.getWidth(), 16, juce::Justification::left);
        g.drawText (juce::String (duration, 0) + " s", area.getRight() - 80, area.getBottom() + 2, 80, 16,
                    juce::Justification::right);

        juce::Path path;
        bool started = false;
        for (auto& s : samples)
        {
            auto x = (float) area.getX() + (float) (s.seconds / duration) * (float) area.getWidth();
            auto y = (float) area.getBottom() - (float) (series[i].value (s) / top) * (float) area.getHeight();
            if (! started)
                path.startNewSubPath (x, y);
            else
                path.lineTo (x, y);
            started = true;
        }
        g.setColour (series[i].colour);
        g.strokePath (path, juce::PathStrokeType (1.5f));
    }

    file.deleteFile();
    juce::FileOutputStream out (file);
    if (out.openedOk())
        juce::PNGImageFormat().writeImageToStream (image, out);
}

/** A show of 40 songs of 8 s, each with 7 cues (Full, Warm, Spot, ...) and two
    memos (one with a count-in), each song starting the next by itself. */
int makeSoakShow()
{
    SetModel show;
    show.createSet ("Soak", "");
    for (int song = 0; song < numSongs; ++song)
    {
        auto file = TestHome::folder().getChildFile ("Incoming/Soak/Song " + juce::String (song + 1).paddedLeft ('0', 2)
                                                     + ".wav");
        EXPECT_TRUE (writeSineWav (file, songSeconds, 48000.0, 220.0 + 10.0 * song));

        AudioFileModel track;
        track.addNewFromPath (file.getFullPathName());
        auto lightShow = track.getLightShows().at (0);
        for (int k = 0; k < cuesPerSong; ++k)
            VovirCueModel().createCue (lightShow.id, (float) cueTime (k),
                                       k == timedCue ? (float) timedCueLength : 0.0f, 0.1f, 0.1f, "Stage",
                                       presets[k % 3]);
        ShowMemoModel().createMemo (lightShow.id, 1.0f, "Verse", "Verse " + juce::String (song + 1), 0, -1, -1,
                                    2.0f);
        ShowMemoModel().createMemo (lightShow.id, 4.0f, "Chorus", "Chorus, all together", 4, -1, -1, 2.0f);
        show.addSetElement (lightShow.id, song, song < numSongs - 1, false, 0);
    }
    RaDatabase::getInstance()->clearUndoStack();
    return show.id;
}

/** The track a rehearsal break imports (written before the soak starts: the
    driver's own file writing must not count against the program). */
juce::File rehearsalTake (int number)
{
    return TestHome::folder().getChildFile ("Incoming/Rehearsal/Take " + juce::String (number) + ".wav");
}

/** Does, at random, what a user does while the show plays and between songs. */
class Driver
{
public:
    Driver (MainHostWindow& w, int show, unsigned seed) : window (w), showId (show), random (seed) {}

    /** One turn of the message loop: at most one action when its time has come. */
    void turn()
    {
        const auto now = nowMs();
        keepTheShowGoing();
        if (now < nextActionMs || rehearsing)
            return;
        nextActionMs = now + std::uniform_int_distribution<int> (300, 1500) (random);

        const auto choice = std::uniform_int_distribution<int> (0, 7) (random);
        const auto began = nowMs();
        switch (choice)
        {
            case 0: browse(); break;
            case 1: filter(); break;
            case 2: resize(); break;
            case 3: toggleControllerWindow(); break;
            case 4: editUndoRedo(); break;
            case 5: libraryPanel->tabs->setCurrentTabIndex (random() % 2); break;
            case 6: whileOpenFor (1000, [this] { window.showPreferences(); }); break;
            default: whileOpenFor (1000, [] { openMidiChunkEditor(); }); break;
        }
        static const char* const names[] = { "browse a tree", "filter the tracks", "resize the window",
                                             "open or close the controller window", "edit, undo and redo",
                                             "switch library tabs", "open and close the preferences",
                                             "open and close the MIDI chunk editor" };
        if (choice < 6) // a modal window runs the message loop itself while it is open
            note (names[choice], nowMs() - began);
        ++actions;
    }

    /** The longest time each kind of action held the message thread, in ms. */
    std::map<juce::String, double> longest;

    int actions = 0, rehearsals = 0, songsStarted = 0;

private:
    /** The show goes on: song after song, from the first again after the last, with
        a rehearsal break (the show stopped, the editor used) every few songs. */
    void keepTheShowGoing()
    {
        auto& timeline = *setPlayer->timeline;
        const auto index = timeline.currentIndex;
        const auto playing = filePlayer->isPlaying();

        if (playing && index != lastIndex)
        {
            // A song started by AutoStart: its cues are told apart by the song index.
            lastIndex = index;
            ++songsStarted;
            if (songsStarted % 6 == 0 && filePlayer->getCurrentPosition() < cueTime (0) - 0.3)
            {
                rehearse();
                return;
            }
        }

        // Between two songs of the show the players are idle for a moment; only a
        // show that stays stopped is started again.
        if (playing || rehearsing)
            idleSinceMs = 0.0;
        else if (idleSinceMs == 0.0)
            idleSinceMs = nowMs();

        if (! playing && ! rehearsing && setPlayer->isVisible() && nowMs() - idleSinceMs > 400.0)
        {
            idleSinceMs = 0.0;
            if (index == numSongs - 1 && filePlayer->getCurrentPosition() >= songSeconds - 0.5)
                timeline.loadSong (0, true, false, false); // around again
            // A new play of the song that is current now (a change of song later,
            // by AutoStart, starts the next one).
            ++currentSegment;
            ++songsStarted;
            lastIndex = timeline.currentIndex;
            startEventReceived = true;
        }
    }

    /** Between songs: stop, import a track and open it with its waveform, edit it,
        undo and redo, then back to the show player, which goes on with the song. */
    void rehearse()
    {
        rehearsing = true;
        ++rehearsals;
        const auto began = nowMs();
        ++currentSegment;
        RaTracks::stop (0.0);
        const auto song = setPlayer->timeline->currentIndex;

        importAudioFiles ({ rehearsalTake (rehearsals) });
        auto tracks = RaDatabase::getInstance()->getAudioFiles ({});
        if (! tracks.empty())
        {
            auto& track = tracks[(size_t) random() % tracks.size()];
            auto lightShows = track.getLightShows();
            if (! lightShows.empty())
            {
                window.switchToWindow (songEditorPanel, lightShows.front().id);
                juce::MessageManager::getInstance()->runDispatchLoopUntil (400); // the waveform is drawn
            }
        }
        editUndoRedo();

        window.switchToWindow (setPlayerPanel, showId);
        setPlayer->timeline->loadSong ((unsigned) song, true, false, false);
        lastIndex = -1;
        rehearsing = false;
        note ("rehearsal break (import, editor, edits, back to the show)", nowMs() - began);
    }

    void note (const juce::String& what, double ms)
    {
        auto& slot = longest[what];
        slot = std::max (slot, ms);
    }

    /** Opens a modal window (its own loop runs until it closes: the show plays on
        meanwhile) and closes it after a while, as a user would. */
    void whileOpenFor (int ms, const std::function<void()>& open)
    {
        juce::Timer::callAfterDelay (ms, []
        {
            if (auto* modal = juce::Component::getCurrentlyModalComponent())
                modal->exitModalState (0);
        });
        open();
    }

    void browse()
    {
        auto& tabs = *libraryPanel->tabs;
        VovirTreeView* view = random() % 2 == 0 ? static_cast<VovirTreeView*> (tabs.trackTree.get())
                                                : static_cast<VovirTreeView*> (tabs.showTree.get());
        auto* root = view->getRoot();
        if (root == nullptr || root->getNumSubItems() == 0)
            return;
        auto* folder = root->getSubItem ((int) (random() % (unsigned) root->getNumSubItems()));
        folder->setOpen (! folder->isOpen());
        if (folder->getNumSubItems() > 0)
            folder->getSubItem ((int) (random() % (unsigned) folder->getNumSubItems()))->setSelected (true, true);
        view->tree->scrollToKeepItemVisible (folder);
    }

    void filter()
    {
        auto& field = *libraryPanel->tabs->trackTree->searchField;
        static const char* const filters[] = { "Song 1", "Song 2", "Take", "3", "", "" };
        field.setText (filters[random() % 6], juce::sendNotification);
    }

    void resize()
    {
        window.setSize (std::uniform_int_distribution<int> (800, 1250) (random),
                        std::uniform_int_distribution<int> (600, 980) (random));
    }

    void toggleControllerWindow()
    {
        if (pluginWindow != nullptr)
            pluginWindow->closeButtonPressed();
        else
            window.doViewPlugin();
    }

    /** A description edited as one undo step, undone and redone. */
    void editUndoRedo()
    {
        auto tracks = RaDatabase::getInstance()->getAudioFiles ({});
        if (tracks.empty())
            return;
        auto& track = tracks[(size_t) random() % tracks.size()];
        auto* db = RaDatabase::getInstance();
        db->startTransaction ("Edit description");
        track.setStringField ("Desc", "Edited " + juce::String (++edits));
        db->endTransaction();
        db->undoStep();
        db->redoStep();
    }

    MainHostWindow& window;
    const int showId;
    std::mt19937 random;
    double nextActionMs = 0.0, idleSinceMs = 0.0;
    int lastIndex = -1;
    int edits = 0;
    bool rehearsing = false;
};
} // namespace

TEST (Soak, TheShowPlaysOnWhileTheUserBrowsesEditsAndRehearses)
{
    const auto seconds = juce::SystemStats::getEnvironmentVariable ("RAV_SOAK_SECONDS", "60").getIntValue();
    const auto seed = (unsigned) juce::SystemStats::getEnvironmentVariable ("RAV_SOAK_SEED", "1").getIntValue();
    const auto shotEvery = juce::SystemStats::getEnvironmentVariable ("RAV_SOAK_SHOT_SECONDS", "180").getIntValue();
    juce::File outputFolder (juce::SystemStats::getEnvironmentVariable ("RAV_SOAK_DIR", RAV_SOAK_DIR));
    outputFolder.createDirectory();

    JackDummyServer server (128);
    if (! server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";

    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);
    userSettings()->setValue ("gridmodeTip", 1);
    userSettings()->setValue ("newIn19Tip", 1);
    userSettings()->setValue ("audioDeviceState",
                              "<DEVICESETUP deviceType=\"JACK\" audioOutputDeviceName=\"system\" "
                              "audioInputDeviceName=\"system\" audioDeviceRate=\"48000.0\" audioDeviceBufferSize=\"128\"/>");

    auto window = std::make_unique<MainHostWindow>();
    globals.commands.registerAllCommandsForTarget (window.get());
    globals.commands.setFirstCommandTarget (window.get());
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
    auto* device = window->audioDevices.getCurrentAudioDevice();
    ASSERT_NE (device, nullptr) << "the JACK device did not open";
    std::cout << "[ soak     ] " << device->getTypeName() << " \"" << device->getName() << "\", "
              << device->getCurrentSampleRate() << " Hz, " << device->getCurrentBufferSizeSamples()
              << " frames per block, " << seconds << " s, seed " << seed << std::endl;

    const auto showId = makeSoakShow();
    for (int take = 1; take <= seconds / 40 + 2; ++take)
        ASSERT_TRUE (writeSineWav (rehearsalTake (take), 20.0, 48000.0, 330.0));
    window->switchToWindow (setPlayerPanel, showId);
    ASSERT_TRUE (pumpUntil ([] { return setPlayer->timeline->songs.size() == (size_t) numSongs; }, 10000, [] {}));

    // Cues are seen where they enter the controller.
    std::vector<CueArrival> cues;
    arrivals = &cues;
    realTable = vovirApi;
    watchedTable = *vovirApi;
    watchedTable.triggerPreset = &watchedTrigger;
    vovirApi = &watchedTable;

    std::vector<double> tickLateness;
    double lastTickMs = 0.0;
    MainTimerLogic::tickObserver = [&]
    {
        const auto now = nowMs();
        if (lastTickMs > 0.0)
            tickLateness.push_back (std::max (0.0, now - lastTickMs - 20.0));
        lastTickMs = now;
    };

    Driver driver (*window, showId, seed);
    const auto xrunsBefore = device->getXRunCount();
    std::vector<Sample> samples;
    const auto startMs = nowMs();
    double nextSampleMs = startMs, nextShotMs = startMs + shotEvery * 1000.0;
    size_t ticksSeen = 0, cuesSeen = 0;
    int shots = 0;
    SpawnedProcess screenshot;

    auto cueLateness = [] (const CueArrival& cue)
    {
        // Against the arrival due last at this position, in milliseconds.
        double due = 0.0;
        for (auto& e : expectedArrivals())
            if (e.time <= cue.position + 0.05)
                due = e.time;
        return std::max (0.0, cue.position - due) * 1000.0;
    };

    pumpUntil ([&] { return nowMs() - startMs >= seconds * 1000.0; }, seconds * 1000 + 60000, [&]
    {
        driver.turn();
        const auto now = nowMs();
        if (now >= nextSampleMs)
        {
            nextSampleMs += 1000.0;
            double tickMax = 0.0, cueMax = 0.0;
            for (; ticksSeen < tickLateness.size(); ++ticksSeen)
                tickMax = std::max (tickMax, tickLateness[ticksSeen]);
            for (; cuesSeen < cues.size(); ++cuesSeen)
                cueMax = std::max (cueMax, cueLateness (cues[cuesSeen]));
            auto* current = window->audioDevices.getCurrentAudioDevice();
            samples.push_back ({ (now - startMs) / 1000.0,
                                 current != nullptr ? current->getXRunCount() - xrunsBefore : -1,
                                 residentMegabytes(), openFileDescriptors(), tickMax, cueMax,
                                 window->audioDevices.getCpuUsage() * 100.0 });
        }
        if (now >= nextShotMs && ! screenshot.isRunning())
        {
            // Taken by a process of its own that the loop does not wait for: the
            // harness must not hold the message thread it measures.
            nextShotMs += shotEvery * 1000.0;
            juce::File (RAV_SCREENSHOT_DIR).createDirectory();
            screenshot.start ({ "import", "-window", "root",
                                juce::File (RAV_SCREENSHOT_DIR)
                                    .getChildFile ("soak-" + juce::String (++shots) + ".png")
                                    .getFullPathName() });
        }
    });
    screenshot.waitForProcessToFinish (20000);
    writeScreenCapture ("soak-end.png");

    vovirApi = realTable;
    arrivals = nullptr;
    MainTimerLogic::tickObserver = nullptr;
    RaTracks::stop (0.0);

    // The series and the plot.
    juce::String csv ("seconds,xruns,rss_mb,fds,tick_late_max_ms,cue_late_max_ms,audio_load_percent\n");
    for (auto& s : samples)
        csv << juce::String (s.seconds, 1) << "," << s.xruns << "," << juce::String (s.rssMb, 1) << "," << s.fds << ","
            << juce::String (s.tickLateMaxMs, 2) << "," << juce::String (s.cueLateMaxMs, 2) << ","
            << juce::String (s.cpuPercent, 1) << "\n";
    outputFolder.getChildFile ("soak.csv").replaceWithText (csv);
    writePlot (samples, outputFolder.getChildFile ("soak.png"));

    std::vector<double> cueLate;
    for (auto& cue : cues)
        cueLate.push_back (cueLateness (cue));
    ASSERT_GE (samples.size(), 10u);
    const auto warm = samples[std::min<size_t> (samples.size() - 1, 20)]; // after the first 20 s
    const auto& last = samples.back();
    double maxCpu = 0.0;
    for (auto& s : samples)
        maxCpu = std::max (maxCpu, s.cpuPercent);
    std::cout << "[ soak     ] " << driver.songsStarted << " songs started, " << driver.rehearsals
              << " rehearsal breaks, " << driver.actions << " user actions, " << cues.size() << " cues\n"
              << "[ soak     ] xruns " << last.xruns << " (JACK's count during the soak)\n"
              << "[ soak     ] cue lateness median " << median (cueLate) << " ms, max " << maximum (cueLate) << " ms\n"
              << "[ soak     ] tick lateness median " << median (tickLateness) << " ms, max " << maximum (tickLateness)
              << " ms over " << tickLateness.size() << " ticks\n"
              << "[ soak     ] RSS " << samples.front().rssMb << " MB at start, " << warm.rssMb << " MB after warm-up, "
              << last.rssMb << " MB at the end\n"
              << "[ soak     ] fds " << samples.front().fds << " at start, " << warm.fds << " after warm-up, " << last.fds
              << " at the end\n"
              << "[ soak     ] audio callback load (the device manager's average) " << last.cpuPercent
              << " % at the end, max " << maxCpu << " %\n";
    for (auto& [what, ms] : driver.longest)
        std::cout << "[ soak     ] longest \"" << what << "\": " << juce::String (ms, 1) << " ms\n";
    std::cout << "[ soak     ] series and plot in " << outputFolder.getFullPathName() << std::endl;

    // Every cue arrived, in order: within each uninterrupted play of a song the
    // controller saw cue 0, 1, 2... with the right preset, none twice, none left out.
    EXPECT_GT (driver.songsStarted, seconds / 10);
    int checkedPlays = 0;
    for (size_t i = 0; i < cues.size();)
    {
        size_t end = i;
        while (end < cues.size() && cues[end].segment == cues[i].segment && cues[end].song == cues[i].song)
            ++end;
        const auto& expected = expectedArrivals();
        for (size_t j = i; j < end; ++j)
        {
            const auto k = j - i;
            ASSERT_LT (k, expected.size()) << "song " << cues[i].song << ": more cues than it has";
            EXPECT_EQ (cues[j].preset, expected[k].preset) << "song " << cues[i].song << ", arrival " << k;
            EXPECT_GE (cues[j].position, expected[k].time - 0.05) << "song " << cues[i].song << ", arrival " << k
                                                                  << " early";
            EXPECT_LT (cues[j].position, expected[k].time + 0.5) << "song " << cues[i].song << ", arrival " << k
                                                                 << " late";
        }
        ++checkedPlays;
        i = end;
    }
    EXPECT_GT (checkedPlays, 0);

    // No growth after warm-up beyond a bound: 40 MB (an import and its waveform
    // per rehearsal break are kept by the library), and at most 4 descriptors.
    EXPECT_LT (last.rssMb - warm.rssMb, 40.0);
    EXPECT_LE (last.fds - warm.fds, 4);
    for (auto& s : samples)
        EXPECT_GE (s.xruns, 0) << "the audio device was lost at " << s.seconds << " s";

    window->closeButtonPressed();
    appProperties->closeFiles();
    globals.commands.setFirstCommandTarget (nullptr);
    window.reset();
    exitRequested = false;
}
