// The archive commands and the preferences window in the real main window, with
// scripted answers: a backup through the File menu restored again, and every
// preference stored, read back after a restart and taking effect.

#include "app/Commands.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "app/StartupSettings.h"
#include "archive/Preferences.h"
#include "data/DataPaths.h"
#include "data/DbModels.h"
#include "data/MediaLibrary.h"
#include "editor/Timeline.h"
#include "gui/GuiTestSupport.h"
#include "library/LibraryWindow.h"
#include "lighting/VovirLink.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"
#include "ui/ColourScheme.h"
#include "ui/VovirLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
class ArchiveCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installProgram();
        userSettings()->setValue ("newIn19Tip", 0); // no tip box
        start();
    }

    void TearDown() override
    {
        stop();
        onPreferencesShown = nullptr;
    }

    void start()
    {
        window = std::make_unique<MainHostWindow>();
        globals.commands.registerAllCommandsForTarget (window.get());
        globals.commands.setFirstCommandTarget (window.get());
        ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
        dialogs.clear();
    }

    void stop()
    {
        if (window == nullptr)
            return;
        window->closeButtonPressed();
        globals.commands.setFirstCommandTarget (nullptr);
        window.reset();
        exitRequested = false;
    }

    /** Invokes a command through the File menu's item, as a click on it does. */
    void chooseFromFileMenu (juce::CommandID command)
    {
        auto menu = window->getMenuForIndex (0, "File");
        bool found = false;
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            found = found || (it.getItem().commandManager != nullptr && it.getItem().itemID == command);
        ASSERT_TRUE (found) << "not in the File menu: " << command;
        juce::ApplicationCommandTarget::InvocationInfo info (command);
        info.invocationMethod = juce::ApplicationCommandTarget::InvocationInfo::fromMenu;
        globals.commands.invoke (info, false);
    }

    AudioFileModel addTrack (const juce::String& name, const juce::String& path)
    {
        auto file = juce::File (mediaFolder + path);
        file.getParentDirectory().createDirectory();
        EXPECT_TRUE (writeSineWav (file, 0.5));
        AudioFileModel track;
        track.addRowForMediaCopy ("/x/" + path);
        track.setStringField ("Name", name);
        return track;
    }

    /** The tracks the track tree shows, by name. */
    juce::StringArray trackTreeIds()
    {
        juce::StringArray ids;
        std::function<void (juce::TreeViewItem&)> visit = [&] (juce::TreeViewItem& item)
        {
            for (int i = 0; i < item.getNumSubItems(); ++i)
            {
                if (auto* sub = dynamic_cast<LibraryTreeItem*> (item.getSubItem (i)))
                {
                    if (sub->id > 0)
                        ids.add (AudioFileModel (sub->id).getStringField ("Name"));
                    visit (*sub);
                }
            }
        };
        visit (*libraryPanel->tabs->trackTree->tree->getRootItem());
        ids.sort (false);
        return ids;
    }

    juce::String lastMessage() const
    {
        for (auto it = dialogs.shown().rbegin(); it != dialogs.shown().rend(); ++it)
            if (it->kind == "message")
                return it->title + ": " + it->text;
        return {};
    }

    /** Opens the preferences through the menu; act runs with the General tab
        while the window is up (changes are delivered before it closes). The
        times the tab rebuilt the look and feel. */
    int withPreferences (const std::function<void (GeneralComponent&)>& act)
    {
        int rebuilds = -1;
        onPreferencesShown = [act, &rebuilds] (PreferencesWindow& shown)
        {
            auto* panel = dynamic_cast<PrefPanel*> (shown.getContentComponent());
            if (panel != nullptr)
            {
                // The opening ends with the colours stored and the look rebuilt.
                auto& general = *panel->generalPage;
                pumpUntil ([&general] { return general.lookAndFeelRebuilds > 0; }, 5000, {});
                act (general);
                juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
                rebuilds = general.lookAndFeelRebuilds;
            }
            shown.closeButtonPressed();
        };
        chooseFromFileMenu (preferencesCmd);
        onPreferencesShown = nullptr;
        return rebuilds;
    }

    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    std::unique_ptr<MainHostWindow> window;
};
} // namespace

TEST_F (ArchiveCommandTest, ABackupMadeFromTheMenuRestoresTheLibraryIntoTheTrees)
{
    addTrack ("First", "Album/First.wav");
    auto second = addTrack ("Second", "Album/Second.wav");
    window->resetDisplay (true);
    const juce::StringArray before { "First", "Second" };
    ASSERT_EQ (trackTreeIds(), before);

    auto archive = TestHome::folder().getChildFile ("Menu backup.ssb");
    dialogs.answerButton (1);
    dialogs.answerFile (archive);
    chooseFromFileMenu (backupShowsCmd);
    ASSERT_EQ (lastMessage(), "Backup finished: Data successfully backed up to 'Menu backup.ssb'");

    second.deleteAudioFile();
    addTrack ("Third", "Other/Third.wav");
    window->resetDisplay (true);
    ASSERT_NE (trackTreeIds(), before);

    dialogs.clear();
    dialogs.answerButton (1);
    dialogs.answerFile (archive);
    chooseFromFileMenu (restoreBackupCmd);

    EXPECT_EQ (lastMessage(), "Restore finished: Backup restored successfully!");
    EXPECT_EQ (trackTreeIds(), before);
    EXPECT_TRUE (juce::File (mediaFolder + "Album/Second.wav").existsAsFile());
    EXPECT_TRUE (RaDatabase::getInstance()->isDbOpen());

    // The program starts again on the restored library.
    stop();
    start();
    EXPECT_EQ (trackTreeIds(), before);
}

TEST_F (ArchiveCommandTest, OpeningAndClosingThePreferencesChangesNothingButStoresTheColoursOnce)
{
    EXPECT_EQ (withPreferences ([] (GeneralComponent&) {}), 1);
    EXPECT_EQ (dialogs.count(), 0) << dialogs.titles().joinIntoString (" / ");
    EXPECT_TRUE (userSettings()->containsKey ("raGuiColour"));
    EXPECT_TRUE (userSettings()->containsKey ("raComplementColour"));
    EXPECT_TRUE (userSettings()->containsKey ("audioDeviceState"));
}

TEST_F (ArchiveCommandTest, EveryPreferenceIsStoredTakesEffectAndIsReadBackAfterARestart)
{
    int rebuilds = 0;
    withPreferences (
        [&] (GeneralComponent& general)
        {
            general.fadeTimeValue = "12";
            general.dcRequiredValue = false;
            general.playImmediateValue = true;
            general.defFontValue = "22";
            general.memoFontValue = "3";
            general.ppqnValue = "3";
            general.minGapValue = "150";
            general.useVovirValue = true;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
            general.mainColourSelector->setCurrentColour (juce::Colour (0xff336699), juce::sendNotification);
            juce::MessageManager::getInstance()->runDispatchLoopUntil (200);
            rebuilds = general.lookAndFeelRebuilds;
        });

    // At once: the globals, the look and feel rebuilt with the new sizes and colours.
    EXPECT_EQ (fadeTime, 10.0f);
    EXPECT_EQ (dcRequiredToStop, 0);
    EXPECT_EQ (setPlayImmediate, 1);
    EXPECT_EQ (defFontSz, 22.0f);
    EXPECT_EQ (memoFontSz, minFontSize); // below what can be read: held to the smallest size
    EXPECT_GE (rebuilds, 2); // at the opening, and again for the later changes
    EXPECT_EQ (userSettings()->getValue ("raGuiColour"), juce::String ((int) 0xff336699));
    EXPECT_EQ (timeline->colour, darkerColour); // the panels took the new scheme
    EXPECT_EQ (useVid, 0);
    EXPECT_EQ (lastMessage(), "Lighting controller changed: Please restart Raziviz Avodoru to switch lighting "
                              "controllers.");

    // Stored, clamped, and saved to the file at once.
    juce::PropertiesFile saved (settingsOptions());
    EXPECT_EQ (saved.getDoubleValue ("fadeTime"), 10.0);
    EXPECT_EQ (saved.getDoubleValue ("exportPpqn"), 4.0);
    EXPECT_EQ (saved.getDoubleValue ("exportMinGap"), 100.0);
    EXPECT_EQ (saved.getDoubleValue ("defFontSz"), 22.0);
    EXPECT_EQ (saved.getIntValue ("dcRequiredToStop", 1), 0);
    EXPECT_EQ (saved.getIntValue ("setPlayImmediate"), 1);
    EXPECT_EQ (saved.getValue ("useVeridura", "absent"), "");

    // After a restart the program reads them again.
    stop();
    fadeTime = 1.5f;
    defFontSz = 16.0f;
    start();
    EXPECT_EQ (fadeTime, 10.0f);
    EXPECT_EQ (defFontSz, 22.0f);
    EXPECT_EQ (dcRequiredToStop, 0);
    EXPECT_EQ (useVid, 0);

    // Choosing the first controller back before closing asks for no restart.
    dialogs.clear();
    withPreferences (
        [] (GeneralComponent& general)
        {
            general.useVidValue = true;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (100);
            general.useVovirValue = true;
        });
    EXPECT_FALSE (dialogs.titles().contains ("Lighting controller changed"));
    EXPECT_EQ (useVid, 0);
}

TEST_F (ArchiveCommandTest, TheMediaFolderMovesWithItsFilesOrStaysWhenCancelled)
{
    addTrack ("Song", "Album/Song.wav");
    const auto oldFolder = mediaFolder;
    auto moved = TestHome::folder().getChildFile ("Moved media");
    moved.createDirectory();

    // Cancel: nothing changes.
    dialogs.answerButton (0);
    withPreferences ([&] (GeneralComponent& general) { general.mediaFolderValue = moved.getFullPathName(); });
    EXPECT_EQ (mediaFolder, oldFolder);
    EXPECT_FALSE (moved.getChildFile ("Album/Song.wav").exists());

    // Yes: the library is copied, then the program uses the new folder.
    dialogs.clear();
    dialogs.answerButton (1);
    withPreferences ([&] (GeneralComponent& general) { general.mediaFolderValue = moved.getFullPathName(); });
    EXPECT_EQ (mediaFolder, moved.getFullPathName() + "/");
    EXPECT_TRUE (moved.getChildFile ("Album/Song.wav").existsAsFile());
    EXPECT_EQ (userSettings()->getValue ("mediaFolder"), moved.getFullPathName());
    EXPECT_TRUE (juce::File (oldFolder + "Album/Song.wav").existsAsFile());
    EXPECT_TRUE (dialogs.titles().contains ("Copying media library..."));
}
