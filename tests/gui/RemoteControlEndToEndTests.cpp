// Remote control as a performer uses it: in the real program on a JACK dummy
// device, "Next song" is learnt in the Remote Control window from a controller
// arriving at a MIDI input, then a three-song show is played and stepped with it.

#include "app/Commands.h"
#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/StartupSettings.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "gui/GuiTestSupport.h"
#include "midi/MidiEventsWindow.h"
#include "midi/MidiLearnPanel.h"
#include "midi/RemoteControl.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/RecordingMidi.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"
#include "ui/Widgets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace
{
/** Three songs of 30 s and a show playing them in order, none starting by itself. */
int makeThreeSongShow()
{
    SetModel show;
    show.createSet ("Saturday", "");
    for (int song = 0; song < 3; ++song)
    {
        auto file = TestHome::folder().getChildFile ("Incoming/Set/Song " + juce::String (song + 1) + ".wav");
        EXPECT_TRUE (writeSineWav (file, 30.0, 48000.0, 440.0));
        AudioFileModel track;
        track.addNewFromPath (file.getFullPathName());
        show.addSetElement (track.getLightShows().at (0).id, song, false, false, 0);
    }
    return show.id;
}

/** A foot controller's press and release, arriving on a MIDI thread of its own. */
void footswitch (RecordingMidi& midi, int controller, int value)
{
    std::thread input ([&midi, controller, value]
                       { midi.deliverToInputs (juce::MidiMessage::controllerEvent (1, controller, value)); });
    input.join();
}

int currentSong()
{
    return setPlayer->timeline->currentIndex;
}
} // namespace

TEST (RemoteControlEndToEnd, LearntControllerStepsThroughAPlayingShow)
{
    JackDummyServer server;
    if (! server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";

    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    RecordingMidi midi;
    midi.setInputs ({ "Foot controller" });
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);
    for (auto* prefix : { "start", "rewind", "next", "prev" })
        for (auto* value : { "Ch", "Cc", "Note", "Key" })
            userSettings()->removeValue (juce::String (prefix) + value);

    auto window = std::make_unique<MainHostWindow>();
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
    ASSERT_NE (window->audioDevices.getCurrentAudioDevice(), nullptr);
    EXPECT_TRUE (midi.portLog().contains ("start in Foot controller")) << midi.portLog().joinIntoString (", ");
    globals.commands.registerAllCommandsForTarget (window.get());

    // The Remote Control window, opened by its command: select "Next song",
    // press the pedal, close the window.
    bool learnt = false;
    juce::String shownText;
    juce::MessageManager::callAsync ([&]
    {
        if (! pumpUntil ([] { return learnPanel != nullptr && learnPanel->isShowing(); }, 5000, {}))
            return;
        auto* list = learnPanel->thingsList.get();
        list->selectRow (3);
        footswitch (midi, 64, 127);
        learnt = pumpUntil ([] { return nextCc == 64; }, 5000, {});
        footswitch (midi, 64, 0);
        pumpUntil ([list] { return list->assignmentText (3) == "CC 64 (ch1)"; }, 2000, {});
        shownText = list->things[3].description + " = " + list->assignmentText (3);
        writeSnapshot (*learnPanel, "remote-control-learnt.png");
        if (auto* dialog = learnPanel->findParentComponentOfClass<juce::DialogWindow>())
            dialog->exitModalState (0);
    });
    ASSERT_TRUE (globals.commands.invokeDirectly (remoteControlCmd, false));
    ASSERT_TRUE (learnt);
    EXPECT_EQ (shownText, "Show Library : Next song = CC 64 (ch1)");
    EXPECT_EQ (learnPanel, nullptr);
    EXPECT_EQ (userSettings()->getIntValue ("nextCc"), 64);
    EXPECT_EQ (userSettings()->getIntValue ("nextCh"), 1);
    nextEventReceived = false; // the learning press itself also asked for the next song

    // Play the show and step it with the pedal.
    const int showId = makeThreeSongShow();
    window->switchToWindow (setPlayerPanel, showId);
    ASSERT_EQ (setPlayer->timeline->songs.size(), 3u);
    ASSERT_EQ (currentSong(), 0);
    startEventReceived = true;
    ASSERT_TRUE (pumpUntil ([] { return filePlayer->isPlaying(); }, 5000, {}));

    for (int expected : { 1, 2 })
    {
        footswitch (midi, 64, 127);
        EXPECT_TRUE (pumpUntil ([expected] { return currentSong() == expected; }, 2000, {})) << expected;
        // A held pedal that repeats its value does not step again.
        footswitch (midi, 64, 127);
        footswitch (midi, 64, 0);
        pumpUntil ([] { return false; }, 100, {});
        EXPECT_EQ (currentSong(), expected);
    }

    // The reaction: from the message reaching the window's MIDI callback to the
    // show acting on it, over 200 presses alternating next and previous.
    userSettings()->setValue ("prevCh", 1);
    userSettings()->setValue ("prevCc", 65);
    updateRemoteControlGlobals();
    // The input thread watches its event flag: the moment the main timer takes it
    // is when the transport starts acting; the song has changed when it is done.
    // Presses come at random moments of the timer's period, as a foot's do.
    std::vector<double> takenMs, doneMs;
    juce::Random random (12);
    for (int press = 0; press < 200; ++press)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (random.nextInt (25));
        const int controller = press % 2 == 0 ? 65 : 64;
        auto& flag = controller == 65 ? prevEventReceived : nextEventReceived;
        const int before = currentSong();
        const double start = juce::Time::getMillisecondCounterHiRes();
        std::atomic<double> taken { -1.0 };
        std::thread input ([&]
        {
            midi.deliverToInputs (juce::MidiMessage::controllerEvent (1, controller, 127));
            while (flag.load() && juce::Time::getMillisecondCounterHiRes() - start < 2000.0)
                std::this_thread::yield();
            taken = juce::Time::getMillisecondCounterHiRes() - start;
        });
        while (currentSong() == before && juce::Time::getMillisecondCounterHiRes() - start < 2000.0)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
        doneMs.push_back (juce::Time::getMillisecondCounterHiRes() - start);
        input.join();
        takenMs.push_back (taken.load());
        ASSERT_NE (currentSong(), before) << "press " << press;
        footswitch (midi, controller, 0);
    }
    std::sort (takenMs.begin(), takenMs.end());
    std::sort (doneMs.begin(), doneMs.end());
    std::cout << "[ figure   ] remote control, 200 presses, message to main timer acting: median " << takenMs[100]
              << " ms, maximum " << takenMs.back() << " ms; to the next song loaded: median " << doneMs[100]
              << " ms, maximum " << doneMs.back() << " ms (main timer tick: 20 ms)\n";

    // The chunk editor from its command, and from the entry point with a chunk to choose.
    MidiEventModel chunk;
    chunk.createMidiEvent ("Keys", "Piano");
    chunk.addMidiMessage (0.0f, "", 0, 192, 0, 0);
    juce::String seen;
    auto inspectAndClose = [&seen]
    {
        juce::MessageManager::callAsync ([&seen]
        {
            MidiEventsWindow* editorWindow = nullptr;
            pumpUntil ([&editorWindow]
                       {
                           for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
                               if (auto* w = dynamic_cast<MidiEventsWindow*> (juce::TopLevelWindow::getTopLevelWindow (i)))
                                   if (w->isShowing())
                                       editorWindow = w;
                           return editorWindow != nullptr;
                       },
                       5000, {});
            if (editorWindow == nullptr)
                return;
            auto* panel = editorWindow->getEditorPanel();
            seen = editorWindow->getName() + " " + juce::String (panel->getWidth()) + "x" + juce::String (panel->getHeight())
                   + " chosen " + juce::String (panel->chunkPanel->selectedRow) + " rows "
                   + juce::String (panel->messagePanel->getNumRows());
            writeSnapshot (*panel, "midi-chunk-editor.png");
            for (auto* button : panel->messagePanel->toolbar->rightButtons)
                if (button->getButtonText() == "Close")
                    button->triggerClick();
        });
    };
    inspectAndClose();
    ASSERT_TRUE (globals.commands.invokeDirectly (midiChunkEditorCmd, false));
    EXPECT_EQ (seen, "MIDI Chunks Editor 800x600 chosen -1 rows 0");
    inspectAndClose();
    openMidiChunkEditor (chunk.id);
    EXPECT_EQ (seen, "MIDI Chunks Editor 800x600 chosen 0 rows 1");

    window.reset();
    EXPECT_TRUE (midi.portLog().contains ("close in Foot controller"));
}
