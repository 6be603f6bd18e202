// The library and editing commands in the real main window, with scripted answers.

#include "app/Commands.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "data/DataPaths.h"
#include "data/DbModels.h"
#include "data/MediaLibrary.h"
#include "editor/Timeline.h"
#include "gui/GuiTestSupport.h"
#include "library/LibraryWindow.h"
#include "library/LightShowList.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"

#include <gtest/gtest.h>

namespace
{
class LibraryCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        installProgram();
        userSettings()->setValue ("newIn19Tip", 0); // no tip box
        window = std::make_unique<MainHostWindow>();
        globals.commands.registerAllCommandsForTarget (window.get());
        globals.commands.setFirstCommandTarget (window.get());
        ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
        dialogs.clear();
    }

    void TearDown() override
    {
        window->closeButtonPressed();
        globals.commands.setFirstCommandTarget (nullptr);
        window.reset();
        exitRequested = false;
    }

    void invoke (juce::CommandID command) { globals.commands.invokeDirectly (command, false); }

    LibraryTabs& tabs() { return *libraryPanel->tabs; }
    RaDatabase& db() { return *RaDatabase::getInstance(); }

    /** A track whose file is in the media folder. */
    AudioFileModel addTrack (const juce::String& name, const juce::String& path)
    {
        auto file = juce::File (mediaFolder + path);
        file.getParentDirectory().createDirectory();
        EXPECT_TRUE (writeSineWav (file, 0.5));
        AudioFileModel track;
        track.addRowForMediaCopy ("/x/" + path);
        track.setStringField ("Name", name);
        track.calcLengthSecs(); // measured now, not when a show first shows it
        return track;
    }

    void selectTracks (const std::vector<int>& ids)
    {
        tabs().setCurrentTabIndex (0);
        tabs().trackTree->doRefresh (0, {});
        auto& tree = *tabs().trackTree->tree;
        tree.clearSelectedItems();
        std::function<void (juce::TreeViewItem&)> visit = [&] (juce::TreeViewItem& item)
        {
            for (int i = 0; i < item.getNumSubItems(); ++i)
            {
                auto* sub = dynamic_cast<LibraryTreeItem*> (item.getSubItem (i));
                if (std::find (ids.begin(), ids.end(), sub->id) != ids.end())
                    sub->setSelected (true, false, juce::dontSendNotification);
                visit (*sub);
            }
        };
        visit (*tree.getRootItem());
    }

    void selectShow (int showId)
    {
        tabs().setCurrentTabIndex (1);
        tabs().showTree->doRefresh (0, {});
        auto& root = *tabs().showTree->tree->getRootItem();
        std::function<void (juce::TreeViewItem&)> visit = [&] (juce::TreeViewItem& item)
        {
            for (int i = 0; i < item.getNumSubItems(); ++i)
            {
                auto* sub = dynamic_cast<SetsTreeItem*> (item.getSubItem (i));
                if (sub->id == showId)
                    sub->setSelected (true, true, juce::dontSendNotification);
                visit (*sub);
            }
        };
        visit (root);
    }

    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    std::unique_ptr<MainHostWindow> window;
};
} // namespace

TEST_F (LibraryCommandTest, EachCommandRefusesWhatItCannotDo)
{
    struct Case
    {
        juce::CommandID command;
        int tab;
        const char* title;
        const char* text;
    };
    const Case cases[] = {
        { deleteTracksCmd, 0, "No tracks selected", "Please select one or more tracks in 'Track Library' first" },
        { moveTracksCmd, 0, "No tracks selected", "Please select one or more tracks in 'Track Library' first" },
        { newShowCmd, 0, "New Show...", "Please switch to the 'Show Library' tab first" },
        { copyShowCmd, 1, "No show selected", "Please select a show in 'Show Library' first" },
        { renameShowCmd, 1, "No show selected", "Please select a show in 'Show Library' first" },
        { deleteShowCmd, 1, "No show selected", "Please select a show in 'Show Library' first" },
        { lyricsImportCmd, 0, "No lightshow is being edited", "You must be editing a lightshow in order to import lyrics" },
        { copyCmd, 0, "Error", "Copy only works when editing a lightshow." },
        { pasteCmd, 0, "Error", "Paste only works when editing a lightshow." },
        { selectAllCmd, 0, "Error", "'Select All' only works when editing a lightshow." },
        { setStartCmd, 0, "Error", "Trim commands only work when editing a lightshow." },
        { setEndCmd, 0, "Error", "Trim commands only work when editing a lightshow." },
        { undoCmd, 0, "Nothing to undo!", "" },
        { redoCmd, 0, "Nothing to redo!", "" },
    };

    for (auto& c : cases)
    {
        tabs().setCurrentTabIndex (c.tab);
        dialogs.clear();
        invoke (c.command);
        ASSERT_EQ (dialogs.count(), 1) << c.title << ": " << dialogs.titles().joinIntoString (" / ");
        EXPECT_EQ (dialogs.shown()[0].title, c.title);
        EXPECT_EQ (dialogs.shown()[0].text, c.text) << c.title;
    }

    // An empty folder name, an empty show name.
    auto track = addTrack ("Song", "Album/Song.wav");
    selectTracks ({ track.id });
    dialogs.clear();
    dialogs.answerFields (juce::StringArray (""));
    invoke (moveTracksCmd);
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Move selected tracks to folder:", "Folder name empty" }));

    tabs().setCurrentTabIndex (1);
    dialogs.clear();
    dialogs.answerFields (juce::StringArray { "", "Club" });
    invoke (newShowCmd);
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Enter the new show name:", "No name entered" }));
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM Sets"), 0);
}

TEST_F (LibraryCommandTest, MovingTracksChecksEveryMoveAndNeverLeavesTheMediaFolder)
{
    auto a = addTrack ("A", "Old/A.wav");
    auto b = addTrack ("B", "Old/B.wav");
    auto c = addTrack ("C", "Other/C.wav");
    // A track of that file name is already in the target folder: B must not replace it.
    auto taken = juce::File (mediaFolder + "New/B.wav");
    taken.getParentDirectory().createDirectory();
    taken.replaceWithText ("another track's file");

    selectTracks ({ a.id, b.id });
    dialogs.clear();
    dialogs.answerFields (juce::StringArray ("New"));
    dialogs.answerButton (1);
    invoke (moveTracksCmd);

    EXPECT_EQ (a.getStringField ("Path"), "New/A.wav");
    EXPECT_TRUE (juce::File (mediaFolder + "New/A.wav").existsAsFile());
    EXPECT_EQ (b.getStringField ("Path"), "Old/B.wav");
    EXPECT_TRUE (juce::File (mediaFolder + "Old/B.wav").existsAsFile());
    EXPECT_EQ (taken.loadFileAsString(), "another track's file");
    ASSERT_EQ (dialogs.titles().getReference (dialogs.count() - 1), "Some tracks were not moved");
    EXPECT_TRUE (dialogs.shown().back().text.contains ("\nB")) << dialogs.shown().back().text;

    // A folder that cannot be made (a file is in its way) moves nothing and loses nothing.
    juce::File (mediaFolder + "Blocked").replaceWithText ("not a folder");
    selectTracks ({ c.id });
    dialogs.clear();
    dialogs.answerFields (juce::StringArray ("Blocked"));
    dialogs.answerButton (1);
    invoke (moveTracksCmd);
    EXPECT_EQ (c.getStringField ("Path"), "Other/C.wav");
    EXPECT_TRUE (c.fileExists());
    EXPECT_EQ (dialogs.titles().getReference (dialogs.count() - 1), "Some tracks were not moved");

    // Names that would reach outside the media folder are refused before anything moves.
    for (auto* name : { "../Escaped", "/tmp/Escaped", "A/B", "..", "a\\b" })
    {
        selectTracks ({ c.id });
        dialogs.clear();
        dialogs.answerFields (juce::StringArray (name));
        invoke (moveTracksCmd);
        EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Move selected tracks to folder:", "Folder name not allowed" }))
            << name;
        EXPECT_EQ (c.getStringField ("Path"), "Other/C.wav") << name;
    }
    EXPECT_FALSE (juce::File (mediaFolder).getSiblingFile ("Escaped").exists());
}

TEST_F (LibraryCommandTest, CopyShowIsOneUndoStepAndShowsAreNamedAndDeleted)
{
    auto one = addTrack ("One", "Album/One.wav");
    auto two = addTrack ("Two", "Album/Two.wav");
    SetModel show;
    show.createSet ("Friday", "Club");
    show.setIntField ("Type", 1);
    show.addSetElement (one.getLightShows().at (0).id, 0, true, false, 2);
    show.addSetElement (two.getLightShows().at (0).id, 1, false, true, 3);
    db().clearUndoStack();

    selectShow (show.id);
    dialogs.clear();
    dialogs.answerFields (juce::StringArray { "Friday (copy)", "Club" });
    invoke (copyShowCmd);
    EXPECT_EQ (dialogs.shown().at (0).buttons, juce::StringArray ({ "Friday (copy)", "Club" })); // suggested
    auto copyId = db().querySingleInt ("SELECT SetID FROM Sets WHERE Name='Friday (copy)'");
    ASSERT_GT (copyId, 0);
    SetModel copy (copyId);
    EXPECT_EQ (copy.getIntField ("Type"), 1);
    auto entries = copy.getSetElements();
    ASSERT_EQ (entries.size(), 2u);
    EXPECT_EQ (entries[0].getIntField ("AutoStart"), 1);
    EXPECT_EQ (entries[1].getIntField ("Loop"), 1);
    EXPECT_EQ (entries[1].getIntField ("Colour"), 3);

    dialogs.clear();
    invoke (undoCmd);
    EXPECT_EQ (dialogs.count(), 0);
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM Sets"), 1);
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM SetElements"), 2);

    selectShow (show.id);
    dialogs.answerFields (juce::StringArray { "Saturday", "" });
    invoke (renameShowCmd);
    EXPECT_EQ (show.getStringField ("Name"), "Saturday");
    EXPECT_EQ (show.getStringField ("Folder"), "");

    selectShow (show.id);
    dialogs.answerButton (1);
    invoke (deleteShowCmd);
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM Sets"), 0);
    EXPECT_EQ (setPlayer->getCurrentSetId(), -1);
    invoke (undoCmd);
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM SetElements"), 2);
}

TEST_F (LibraryCommandTest, UndoAndRedoShowInTheLightshowListAndWaitWhileAStepIsOpen)
{
    auto one = addTrack ("One", "Album/One.wav");
    window->switchToWindow (lightshowListPanel, -1);
    lightShowList->openTrack (one.id); // as a double click on the track does
    db().clearUndoStack();

    dialogs.answerFields (juce::StringArray { "Encore" });
    lightShowList->copyLightShow();
    ASSERT_EQ (lightShowList->list.names.size(), 2u);

    invoke (undoCmd);
    EXPECT_EQ (lightShowList->list.names, std::vector<juce::String> { "Default lightshow" });
    invoke (redoCmd);
    EXPECT_EQ (lightShowList->list.names.size(), 2u);

    // A step still open (as while a cue is dragged): Undo leaves it and everything below alone.
    LightShowModel original (one.getLightShows().at (0).id);
    db().startTransaction ("Cue Move");
    original.setStringField ("Name", "Moved");
    dialogs.clear();
    invoke (undoCmd);
    db().endTransaction();
    EXPECT_EQ (dialogs.count(), 0) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM LightShows"), 2);
    invoke (undoCmd);
    EXPECT_EQ (original.getStringField ("Name"), "Default lightshow");
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM LightShows"), 2);
}

TEST_F (LibraryCommandTest, LyricsAreSpreadOverTheTrackAndCuesAndMemosArePastedAtThePlayhead)
{
    auto track = addTrack ("Song", "Album/Song.wav");
    auto lightShow = track.getLightShows().at (0);
    window->switchToWindow (songEditorPanel, lightShow.id);
    auto& editor = *timeline->editor;
    ASSERT_FALSE (editor.readOnly);

    struct Case
    {
        float trimStart;
        std::vector<float> times;
        float length;
    };
    for (auto c : { Case { 0.0f, { 10, 30, 50, 70 }, 16.0f }, Case { 10.0f, { 18, 34, 50, 66 }, 12.8f } })
    {
        db().execQuery ("DELETE FROM ShowMemos");
        lightShow.setFloatField ("TrimStart", c.trimStart);
        editor.trackLength = 100.0;
        editor.trimStart = c.trimStart;
        editor.trimEnd = 0.0;
        dialogs.clear();
        dialogs.answerFields (juce::StringArray ("Verse one\nline two\n\nChorus\n\nVerse two\n\nOutro"));
        invoke (lyricsImportCmd);

        auto memos = lightShow.getMemos();
        ASSERT_EQ (memos.size(), 4u);
        for (size_t i = 0; i < 4; ++i)
        {
            EXPECT_NEAR (memos[i].getFloatField ("MemoTime"), c.times[i], 0.001) << i;
            EXPECT_NEAR (memos[i].getFloatField ("MemoLength"), c.length, 0.001) << i;
        }
        EXPECT_EQ (memos[0].getStringField ("ShortName"), "Verse one\n");
        EXPECT_EQ (memos[0].getStringField ("Memo"), "Verse one\nline two");
    }

    // Copy a cue at 12 s and a memo at 20 s; paste with the playhead at 40 s in the file.
    db().execQuery ("DELETE FROM ShowMemos");
    lightShow.setFloatField ("TrimStart", 0.0f);
    VovirCueModel().createCue (lightShow.id, 12.0f, 0.0f, 0.5f, 0.5f, "Stage", "Red");
    lightShow.addMemo ("V", "Verse", 20.0f, 2, -1, -1, 4.0f);
    editor.refreshFromDb (false);
    for (auto& object : editor.objects)
        object->selectObj (true);
    invoke (copyCmd);

    auto other = addTrack ("Other", "Album/Other.wav").getLightShows().at (0);
    other.setFloatField ("TrimStart", 10.0f);
    window->switchToWindow (songEditorPanel, other.id);
    ASSERT_NEAR (timeline->editor->trimStart, 10.0, 0.001);
    timeline->editor->playPosition = 30.0; // 40 s in the file
    invoke (pasteCmd);
    timeline->editor->playPosition = 30.0;
    invoke (pasteCmd);
    ASSERT_EQ (other.getCues().size(), 2u);
    EXPECT_NEAR (other.getCues()[0].getFloatField ("CueTime"), 40.0, 0.001);
    ASSERT_EQ (other.getMemos().size(), 2u);
    EXPECT_NEAR (other.getMemos()[0].getFloatField ("MemoTime"), 48.0, 0.001);

    // Each paste is one step; Select All selects every object.
    invoke (undoCmd);
    EXPECT_EQ (other.getCues().size(), 1u);
    invoke (selectAllCmd);
    EXPECT_EQ (timeline->editor->selection.size(), timeline->editor->objects.size());
}
