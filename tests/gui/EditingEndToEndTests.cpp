// A performer makes a lightshow by hand in the real program, with real X input:
// opens a track, drags a preset onto the waveform, moves and resizes the cue,
// undoes twice and redoes once, quits and starts again, and plays the track on
// a JACK dummy device while the lighting controller's output reaches an OLA
// daemon of the test's own.

#include "app/Commands.h"
#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "app/SpawnedProcess.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
#include "data/DbModels.h"
#include "editor/SongEditor.h"
#include "editor/Timeline.h"
#include "gui/GuiTestSupport.h"
#include "library/LibraryWindow.h"
#include "library/LightShowList.h"
#include "lighting/OlaTestDaemon.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
int keys (const juce::StringArray& combos)
{
    juce::StringArray command { "xdotool" };
    for (auto& combo : combos)
        command.addArray ({ "key", combo, "sleep", "0.3" });
    return runWhilePumping (command, 10000);
}

/** The one cue of the lightshow: its time and duration. */
std::pair<double, double> theCue (int lightShowId)
{
    auto cues = LightShowModel (lightShowId).getCues();
    if (cues.size() != 1)
        return { -1.0, -1.0 };
    return { cues[0].getFloatField ("CueTime"), cues[0].getFloatField ("CueDuration") };
}

/** Where the editor's first cue is on the screen: the middle of its body and its right edge. */
struct CueOnScreen
{
    juce::Point<int> body, rightEdge;
};

CueOnScreen findCue (WaveEditor& editor)
{
    editor.layoutObjects();
    for (auto& obj : editor.getObjects())
        if (obj->getType() == cueType)
        {
            const auto y = (int) (obj->drawnArea.y1 + obj->drawnArea.y2) / 2 + 4; // below the fade handles
            return { editor.localPointToGlobal (juce::Point<int> ((obj->xStart + obj->xEnd) / 2, y)),
                     editor.localPointToGlobal (juce::Point<int> (obj->xEnd - 3, y)) };
        }
    return {};
}

/** Opens the first track of the tree (a double click on it) and, with the
    pointer on "Edit", its lightshow in the song editor. */
bool openAndEdit (int lightShowId, const juce::String& snapshotName)
{
    auto& tabs = *libraryPanel->tabs;
    auto* folderItem = tabs.trackTree->getRoot()->getSubItem (0);
    auto* item = folderItem != nullptr ? dynamic_cast<LibraryTreeItem*> (folderItem->getSubItem (0)) : nullptr;
    if (item == nullptr)
        return false;
    auto& treeView = *tabs.trackTree->tree;
    item->itemDoubleClicked (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 1.0f, 0.0f,
                                               0.0f, 0.0f, 0.0f, &treeView, &treeView, juce::Time(), {}, juce::Time(), 2,
                                               false));
    if (! pumpUntil ([&] { return lightShowList->isVisible() && lightShowList->list.getSelectedId() == lightShowId; },
                     20000, [] {}))
        return false;
    juce::MessageManager::getInstance()->runDispatchLoopUntil (200);
    if (snapshotName.isNotEmpty())
        writeSnapshot (*lightShowList, snapshotName);

    auto* edit = lightShowList->editBtn;
    if (clickWithPointer (edit->localPointToGlobal (edit->getLocalBounds().getCentre())) != 0)
        return false;
    return pumpUntil ([] { return songEditor->isVisible(); }, 20000, [] {});
}

const char* const storeXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<LIGHTING current="Default Show">
<SHOW name="Default Show"><BANK name="Stage"><PRESET name="Full" levels="ffffffffffffffffffffffff"/>
<PRESET name="Off" levels="000000000000000000000000"/></BANK></SHOW></LIGHTING>)";

std::unique_ptr<MainHostWindow> startProgram (ProgramGlobals& globals)
{
    auto window = std::make_unique<MainHostWindow>();
    globals.commands.registerAllCommandsForTarget (window.get());
    globals.commands.setFirstCommandTarget (window.get());
    window->setBounds (0, 0, 1200, 900);
    pumpUntil ([] { return pluginWindow != nullptr; }, 20000, [] {});
    if (pluginWindow != nullptr)
        globals.commands.invokeDirectly (lightingDesignCmd, false); // the controller's window out of the way
    window->toFront (true);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
    return window;
}

void quitProgram (std::unique_ptr<MainHostWindow>& window, ProgramGlobals& globals)
{
    window->closeButtonPressed();
    appProperties->closeFiles();
    globals.commands.setFirstCommandTarget (nullptr);
    window.reset();
    exitRequested = false;
}
} // namespace

TEST (Editing, APresetDraggedOntoTheWaveformBecomesACueThatIsMovedResizedUndoneKeptAndPlayed)
{
    JackDummyServer server;
    if (! server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";
    ASSERT_TRUE (juce::File ("/usr/bin/xdotool").existsAsFile()) << "xdotool is missing";

    OlaTestDaemon daemon (TestHome::folder().getChildFile ("editing-olad"));
    ASSERT_TRUE (daemon.start()) << daemon.getError();
    OlaProbe probe (daemon.getPort());
    ASSERT_EQ (probe.watchUniverse (1), juce::String());
    const auto previousPort = juce::SystemStats::getEnvironmentVariable ("RAV_OLA_PORT", {});
    setenv ("RAV_OLA_PORT", juce::String (daemon.getPort()).toRawUTF8(), 1);

    installProgram();
    // The controller's shows for this test only: later tests in this process
    // find the controller's own starter shows again.
    struct StoreFile
    {
        juce::File file = TestHome::folder().getChildFile (".config/zezevade didid/Viduroz Idav/Shows.xml");
        ~StoreFile() { file.deleteFile(); }
    } store;
    store.file.getParentDirectory().createDirectory();
    ASSERT_TRUE (store.file.replaceWithText (storeXml));

    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("useVeridura", 1);
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);
    userSettings()->removeValue ("mainWindowPos");

    auto window = startProgram (globals);
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
    ASSERT_NE (window->audioDevices.getCurrentAudioDevice(), nullptr);

    const auto wav = TestHome::folder().getChildFile ("Desktop/Set/Opener.wav");
    ASSERT_TRUE (writeSineWav (wav, 12.0, 48000.0, 440.0));
    AudioFileModel track;
    track.addNewFromPath (wav.getFullPathName());
    ASSERT_GT (track.id, 0);
    const int lightShowId = track.getLightShows().at (0).id;
    window->resetDisplay (true);

    // Open the track from the tree and edit its lightshow.
    ASSERT_TRUE (openAndEdit (lightShowId, "lightshow-list.png"));
    auto& editor = *timeline->editor;
    ASSERT_FALSE (editor.readOnly);
    ASSERT_TRUE (pumpUntil ([&] { return editor.trackLength > 11.9; }, 20000, [] {}));

    // Choose the bank with the pointer, then drag "Full" onto the waveform at about 3 s.
    auto& banks = songEditor->banksList;
    ASSERT_EQ (banks.getNames(), std::vector<juce::String> { "Stage" });
    ASSERT_EQ (clickWithPointer (banks.localPointToGlobal (banks.getRowPosition (0, true).getCentre())), 0);
    ASSERT_TRUE (pumpUntil ([] { return songEditor->presetsList.getNames().size() == 2; }, 20000, [] {}));
    auto& presets = songEditor->presetsList;
    const auto fullRow = presets.getNames()[0] == "Full" ? 0 : 1;
    const auto presetAt = presets.localPointToGlobal (presets.getRowPosition (fullRow, true).getCentre());
    const auto dropAt = editor.localPointToGlobal (juce::Point<int> (editor.timeToX (3.0), editor.mainHeight / 2));
    ASSERT_EQ (dragWithPointer (presetAt, dropAt), 0);
    ASSERT_TRUE (pumpUntil ([&] { return theCue (lightShowId).first >= 0; }, 20000, [] {})) << "no cue appeared";
    const auto [dropped, droppedLength] = theCue (lightShowId);
    EXPECT_NEAR (dropped, 3.0, 0.1);
    EXPECT_NEAR (droppedLength, 4.0, 1e-4); // the bank has an "Off" preset: a timed cue

    // Move it right by 2 s, then make it 1 s longer at its right edge.
    const auto pixelsPerSecond = editor.getWidth() / editor.viewSpan;
    auto cue = findCue (editor);
    ASSERT_EQ (dragWithPointer (cue.body, cue.body.translated (juce::roundToInt (2.0 * pixelsPerSecond), 0)), 0);
    ASSERT_TRUE (pumpUntil ([&] { return std::abs (theCue (lightShowId).first - (dropped + 2.0)) < 0.1; }, 20000, [] {}));
    const auto moved = theCue (lightShowId).first;

    cue = findCue (editor);
    ASSERT_EQ (dragWithPointer (cue.rightEdge, cue.rightEdge.translated (juce::roundToInt (pixelsPerSecond), 0)), 0);
    ASSERT_TRUE (pumpUntil ([&] { return std::abs (theCue (lightShowId).second - 5.0) < 0.1; }, 20000, [] {}));
    writeScreenCapture ("song-editor-cue.png");

    // Undo twice (resize, move), redo once (the move).
    ASSERT_EQ (keys ({ "ctrl+z", "ctrl+z" }), 0);
    EXPECT_TRUE (pumpUntil ([&] { return std::abs (theCue (lightShowId).first - dropped) < 1e-4; }, 20000, [] {}));
    ASSERT_EQ (keys ({ "ctrl+y" }), 0);
    ASSERT_TRUE (pumpUntil ([&] { return std::abs (theCue (lightShowId).first - moved) < 1e-4; }, 20000, [] {}));
    EXPECT_NEAR (theCue (lightShowId).second, 4.0, 1e-4);

    // Memos with count-ins on the same waveform, for the picture.
    LightShowModel (lightShowId).addMemo ("Verse", "First verse", 8.0f, 4, -1, -1, 2.0f);
    LightShowModel (lightShowId).addMemo ("Chorus", "", 10.5f, 0, -1, -1, 1.0f);
    editor.refreshFromDb (false);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (200);
    writeScreenCapture ("song-editor-cues-memos-count-ins.png");
    quitProgram (window, globals);

    // Start again: the cue is where the redo left it; play it and see the controller recall it.
    window = startProgram (globals);
    ASSERT_TRUE (window->isStarted());
    EXPECT_NEAR (theCue (lightShowId).first, moved, 1e-4);
    EXPECT_NEAR (theCue (lightShowId).second, 4.0, 1e-4);

    ASSERT_TRUE (openAndEdit (lightShowId, {}));
    int cues = 0;
    for (auto& obj : timeline->editor->getObjects())
        cues += obj->getType() == cueType ? 1 : 0;
    EXPECT_EQ (cues, 1);

    // Choosing the preset in the list showed it at once; only frames from now on count.
    const auto framesBefore = probe.frames().size();
    auto fullSeen = [&]
    {
        const auto frames = probe.frames();
        for (auto i = framesBefore; i < frames.size(); ++i)
            if (frames[i].levels[0] == 255 && frames[i].levels[11] == 255)
                return true;
        return false;
    };
    startEventReceived = true;
    EXPECT_TRUE (pumpUntil (fullSeen, 20000, [] {})) << "the controller never showed the cue's preset";
    RaTracks::stop (0.0);

    quitProgram (window, globals);
    setenv ("RAV_OLA_PORT", previousPort.toRawUTF8(), 1);
}
