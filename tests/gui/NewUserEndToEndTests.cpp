// A new user's first show, in the real program window under Xvfb: an empty
// library, three tracks imported through the chooser (one with a click track
// beside it), a new show, the tracks dragged into it with real X pointer events,
// and the show played on a JACK dummy server: the backing reaches outputs 1-2
// and the click outputs 3-4.

#include "app/Commands.h"
#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "app/SpawnedProcess.h"
#include "audio/GraphEditorPanel.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "gui/GuiTestSupport.h"
#include "library/LibraryWindow.h"
#include "library/LightShowList.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
/** Scripted answers, but the import's progress window is the program's real
    one; it stays up a moment after the copies and is captured from the screen. */
class RealProgressWindowDialogs final : public ScriptedDialogs
{
public:
    bool runWithProgress (ProgressTask& task, juce::Thread::Priority priority) override
    {
        Window window (task);
        lastTitle = task.title;
        return window.runThread (priority);
    }

    juce::String lastTitle;

private:
    class Window final : public juce::ThreadWithProgressWindow, private ProgressTask::Host
    {
    public:
        explicit Window (ProgressTask& taskToRun)
            : juce::ThreadWithProgressWindow (taskToRun.title, taskToRun.progressBar, taskToRun.cancelButton,
                                              taskToRun.cancelTimeOutMs),
              task (taskToRun)
        {
        }

        void run() override
        {
            task.runWith (*this);
            juce::Thread::sleep (500);
            writeScreenCapture ("import-progress-window.png");
        }

    private:
        void setTaskProgress (double p) override { setProgress (p); }
        void setTaskStatusMessage (const juce::String& m) override { setStatusMessage (m); }
        bool taskShouldExit() const override { return threadShouldExit(); }

        ProgressTask& task;
    };
};

juce::StringArray treeNames (juce::TreeViewItem& item, const juce::String& prefix = {})
{
    juce::StringArray names;
    for (int i = 0; i < item.getNumSubItems(); ++i)
    {
        auto* sub = dynamic_cast<VovirTreeItem*> (item.getSubItem (i));
        names.add (prefix + sub->name);
        names.addArray (treeNames (*sub, prefix + sub->name + "/"));
    }
    return names;
}
} // namespace

TEST (NewUser, ImportsTracksBuildsAShowByDraggingAndPlaysIt)
{
    JackDummyServer server;
    if (! server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";
    ASSERT_TRUE (juce::File ("/usr/bin/xdotool").existsAsFile()) << "xdotool is missing";

    installProgram();
    RealProgressWindowDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);
    userSettings()->removeValue ("mainWindowPos");

    auto window = std::make_unique<MainHostWindow>();
    globals.commands.registerAllCommandsForTarget (window.get());
    globals.commands.setFirstCommandTarget (window.get());
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
    EXPECT_TRUE (dialogs.titles().contains ("Track library is empty"));
    ASSERT_NE (window->audioDevices.getCurrentAudioDevice(), nullptr);
    window->setBounds (0, 0, 1200, 900);

    // Three tracks of the user's, the first with its click track beside it; long
    // enough that the recording below never reaches the end of the first song,
    // however slowly the recorder starts.
    auto incoming = TestHome::folder().getChildFile ("Desktop/Album");
    juce::Array<juce::File> chosen;
    for (auto* name : { "Song A", "Song B", "Song C" })
    {
        auto file = incoming.getChildFile (juce::String (name) + ".wav");
        ASSERT_TRUE (writeSineWav (file, 20.0, 48000.0, 440.0));
        chosen.add (file);
    }
    ASSERT_TRUE (writeSineWav (incoming.getChildFile ("Song A click.wav"), 20.0, 48000.0, 880.0));

    dialogs.clear();
    dialogs.answerFiles (chosen);
    globals.commands.invokeDirectly (importTracksCmd, false);
    EXPECT_EQ (dialogs.titles(), juce::StringArray ("Choose an audio file..."));
    EXPECT_EQ (dialogs.lastTitle, "Importing tracks...");
    EXPECT_TRUE (juce::File (RAV_SCREENSHOT_DIR).getChildFile ("import-progress-window.png").existsAsFile());

    auto& tabs = *libraryPanel->tabs;
    EXPECT_EQ (treeNames (*tabs.trackTree->getRoot()),
               juce::StringArray ({ "Album", "Album/Song A | CLICK", "Album/Song B", "Album/Song C" }));
    writeSnapshot (*libraryPanel, "library-track-tree.png");

    // A new show, opened from the show tree.
    tabs.setCurrentTabIndex (1);
    dialogs.answerFields (juce::StringArray { "First gig", "" });
    globals.commands.invokeDirectly (newShowCmd, false);
    auto* showItem = dynamic_cast<SetsTreeItem*> (tabs.showTree->getRoot()->getSubItem (0));
    ASSERT_NE (showItem, nullptr);
    showItem->setSelected (true, true);
    ASSERT_TRUE (setPlayer->isVisible());
    ASSERT_EQ (setPlayer->getCurrentSetId(), showItem->id);
    const int showId = showItem->id;
    writeSnapshot (*libraryPanel, "library-show-tree.png");

    // Select the three tracks and drag them into the show with the pointer, the
    // lighting controller's window out of the way.
    pumpUntil ([] { return pluginWindow != nullptr; }, 5000, [] {});
    if (pluginWindow != nullptr)
        globals.commands.invokeDirectly (lightingDesignCmd, false);
    window->toFront (true);
    tabs.setCurrentTabIndex (0);
    auto* album = tabs.trackTree->getRoot()->getSubItem (0);
    for (int i = 0; i < 3; ++i)
        album->getSubItem (i)->setSelected (true, false, juce::dontSendNotification);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);

    auto& treeView = *tabs.trackTree->tree;
    auto itemArea = album->getSubItem (0)->getItemPosition (true);
    auto from = treeView.localPointToGlobal (itemArea.getCentre());
    auto to = setPlayer->timeline->localPointToGlobal (setPlayer->timeline->getLocalBounds().getCentre());
    ASSERT_EQ (dragWithPointer (from, to), 0);
    ASSERT_TRUE (pumpUntil ([&] { return SetModel (showId).getSetElements().size() == 3; }, 20000, [] {}))
        << SetModel (showId).getSetElements().size() << " songs in the show";

    juce::StringArray order;
    for (auto& entry : SetModel (showId).getSetElements())
        order.add (AudioFileModel (LightShowModel (entry.getIntField ("LightShowID")).getIntField ("AudioFileID"))
                       .getStringField ("Name"));
    EXPECT_EQ (order, juce::StringArray ({ "Song A", "Song B", "Song C" })) << order.joinIntoString (", ");

    // Play the first song and record what reaches the four outputs.
    ASSERT_TRUE (pumpUntil ([] { return setPlayer->timeline->songs.size() == 3; }, 20000, [] {}));
    startEventReceived = true;
    ASSERT_TRUE (pumpUntil ([] { return filePlayer->isPlaying(); }, 20000, [] {}));
    auto recording = TestHome::folder().getChildFile ("new-user-show.wav");
    EXPECT_EQ (runWhilePumping ({ "jack_rec", "-f", recording.getFullPathName(), "-d", "1", "JUCEJack:out_1",
                                  "JUCEJack:out_2", "JUCEJack:out_3", "JUCEJack:out_4" },
                                20000),
               0);
    writeScreenCapture ("new-user-first-show.png");
    RaTracks::stop (0.0);

    std::unique_ptr<juce::AudioFormatReader> reader (formatManager->createReaderFor (recording));
    ASSERT_NE (reader, nullptr);
    ASSERT_EQ (reader->numChannels, 4u);
    const int length = (int) reader->lengthInSamples;
    juce::AudioBuffer<float> recorded (4, length);
    reader->read (&recorded, 0, length, 0, true, true);
    for (int c = 0; c < 4; ++c)
    {
        const bool backing = c < 2;
        // On a failure, the tone's level in each tenth of the second shows whether it
        // started late, stopped early or dropped out in between.
        juce::String profile;
        for (int w = 0; w + 4800 <= length; w += 4800)
            profile << " " << juce::String (toneLevel (recorded.getReadPointer (c) + w, 4800, 48000.0, backing ? 440.0 : 880.0), 2);
        EXPECT_GT (toneLevel (recorded.getReadPointer (c), length, 48000.0, backing ? 440.0 : 880.0), 0.2) << "output " << c + 1 << ", by tenths:" << profile;
        EXPECT_LT (toneLevel (recorded.getReadPointer (c), length, 48000.0, backing ? 880.0 : 440.0), 0.05) << "output " << c + 1;
    }

    // Opening a track from the tree loads it alone, not looping, and closes the show.
    tabs.trackTree->doRefresh (0, {});
    auto* songB = dynamic_cast<LibraryTreeItem*> (tabs.trackTree->getRoot()->getSubItem (0)->getSubItem (1));
    ASSERT_NE (songB, nullptr);
    songB->itemDoubleClicked (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 1.0f, 0.0f,
                                                0.0f, 0.0f, 0.0f, &treeView, &treeView, juce::Time(), {}, juce::Time(), 2,
                                                false));
    EXPECT_EQ (filePlayer->currentFile, AudioFileModel (songB->id).getFullPath());
    EXPECT_FALSE (filePlayer->looping.load());
    EXPECT_EQ (setPlayer->getCurrentSetId(), -1);
    EXPECT_TRUE (lightShowList->isVisible());

    window->closeButtonPressed();
    appProperties->closeFiles();
    globals.commands.setFirstCommandTarget (nullptr);
    window.reset();
    exitRequested = false;
}
