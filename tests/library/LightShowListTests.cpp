// The lightshow list over a real database with scripted dialogs: creating,
// copying, renaming, describing and deleting lightshows (each one undo step),
// the refusals, and the click-track choice.

#include "library/LightShowList.h"

#include "app/Globals.h"
#include "data/SqlText.h"
#include "support/DbFixture.h"
#include "support/TestAudio.h"
#include "ui/FontFallback.h"

#include <gtest/gtest.h>

class LightShowListTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        track = addTrack ("Song", "Band/song.wav");
        db().clearUndoStack();
    }

    void pump() { juce::MessageManager::getInstance()->runDispatchLoopUntil (20); }

    std::vector<juce::String> names() const { return view.list.names; }
    juce::String selected() const { return view.list.getSelectedName(); }
    juce::String allRows() { return snapshotTables (db(), libraryTables()); }

    void expectUndoRedo (const juce::String& before, const juce::String& after, const char* what)
    {
        ASSERT_TRUE (db().undoStep()) << what;
        EXPECT_EQ (allRows(), before) << what;
        ASSERT_TRUE (db().redoStep()) << what;
        EXPECT_EQ (allRows(), after) << what;
    }

    AudioFileModel track;
    LightShowList view;
};

TEST_F (LightShowListTest, CreatesCopiesRenamesAndDeletesLightshowsAsOneStepEach)
{
    const auto defaultName = track.getLightShows().at (0).getStringField ("Name");
    view.openTrack (track.id);
    pump();
    EXPECT_EQ (names(), std::vector<juce::String> { defaultName });
    EXPECT_EQ (view.titleLabel.getText(), "Lightshows for Band - Song");
    EXPECT_EQ (view.clickLabel.getText(), "<no click track defined>");
    EXPECT_TRUE (view.clickButton.isEnabled());
    EXPECT_EQ (view.memoPanel.label.getText(), "Band\nSong");

    // Deleting the only lightshow is refused.
    view.buttonClicked (view.deleteBtn);
    EXPECT_EQ (dialogs.shown().back().title, "Cannot delete!");

    // New: an empty name is refused, a name is made and selected.
    dialogs.answerFields (juce::StringArray { "" });
    view.buttonClicked (view.newBtn);
    EXPECT_EQ (dialogs.shown().back().title, "Invalid lightshow name");
    auto before = allRows();
    dialogs.answerFields (juce::StringArray { "Encore" });
    view.buttonClicked (view.newBtn);
    pump();
    EXPECT_EQ (names(), (std::vector<juce::String> { defaultName, "Encore" }));
    EXPECT_EQ (selected(), "Encore");
    EXPECT_EQ (LightShowModel (view.list.getSelectedId()).getFloatField ("Tempo"), 120.0f);
    expectUndoRedo (before, allRows(), "new");

    // Copy proposes the name with " (copy)", takes the description along and selects the copy.
    VovirCueModel cue;
    cue.createCue (view.list.getSelectedId(), 1.0f, 2.0f, 0.0f, 0.0f, "Bank", "Warm");
    LightShowModel (view.list.getSelectedId()).setStringField ("Note", "Loud ending");
    view.list.reloadFromDb (track.id, "Encore");
    pump();
    EXPECT_EQ (view.infoPanel.descLabel.getText(), "Loud ending");
    before = allRows();
    dialogs.answerFields (juce::StringArray { "Encore (copy)" });
    view.buttonClicked (view.copyBtn);
    pump();
    EXPECT_EQ (dialogs.shown().back().title, "Enter the name of the lightshow copy:");
    EXPECT_EQ (dialogs.shown().back().buttons, juce::StringArray { "Encore (copy)" });
    EXPECT_EQ (selected(), "Encore (copy)");
    const LightShowModel copy (view.list.getSelectedId());
    EXPECT_EQ (copy.getStringField ("Note"), "Loud ending");
    EXPECT_EQ (rowCount ("VovirCues", formatSql ("LightShowID=%d", { copy.id })), 1);
    expectUndoRedo (before, allRows(), "copy");

    // Rename by double click on the row.
    before = allRows();
    dialogs.answerFields (juce::StringArray { "Finale" });
    view.list.renameRow (2);
    EXPECT_EQ (names().at (2), "Finale");
    EXPECT_EQ (LightShowModel (view.list.ids.at (2)).getStringField ("Name"), "Finale");
    expectUndoRedo (before, allRows(), "rename");

    // A lightshow used by two show entries goes, with them, after the box says so.
    view.list.reloadFromDb (track.id, "Encore");
    pump();
    const auto encore = view.list.getSelectedId();
    SetModel show;
    show.createSet ("Gig", "");
    show.addSetElement (encore, 1, false, false, 0);
    show.addSetElement (encore, 2, false, false, 0);
    before = allRows();
    dialogs.answerButton (0);
    view.buttonClicked (view.deleteBtn);
    EXPECT_EQ (dialogs.shown().back().text, "This lightshow is used in 2 shows!\n\nDo you really want to delete it?");
    EXPECT_EQ (allRows(), before);
    view.buttonClicked (view.deleteBtn);
    pump();
    EXPECT_EQ (names(), (std::vector<juce::String> { defaultName, "Finale" }));
    EXPECT_EQ (rowCount ("SetElements"), 0);
    EXPECT_EQ (rowCount ("VovirCues", formatSql ("LightShowID=%d", { encore })), 0);
    expectUndoRedo (before, allRows(), "delete");
}

TEST_F (LightShowListTest, DescriptionDialogStoresTheNote)
{
    view.openTrack (track.id);
    pump();
    EXPECT_EQ (view.infoPanel.descLabel.getText(), "<double-click to enter a description>");

    view.infoPanel.editDescription(); // cancelled
    EXPECT_EQ (dialogs.shown().back().title, "Edit lightshow description:");
    EXPECT_EQ (LightShowModel (view.list.getSelectedId()).getStringField ("Note"), "");

    dialogs.answerFields (juce::StringArray { "Line one", "Line two" });
    view.infoPanel.editDescription();
    EXPECT_EQ (LightShowModel (view.list.getSelectedId()).getStringField ("Note"), "Line one\nLine two");
    EXPECT_EQ (view.infoPanel.descLabel.getText(), "Line one\nLine two");
    EXPECT_EQ (rowCount ("UndoStack"), 1);
}

TEST_F (LightShowListTest, ClickTrackIsChosenReplacedOrForgotten)
{
    const auto wav = folder.getChildFile ("click.wav");
    ASSERT_TRUE (writeSineWav (wav, 1.0));
    view.openTrack (track.id);

    // No click yet: the hint, then the chooser starting in the documents folder.
    dialogs.answerFile (wav);
    view.buttonClicked (&view.clickButton);
    ASSERT_GE (dialogs.count(), 2);
    EXPECT_EQ (dialogs.shown()[(size_t) dialogs.count() - 2].title, "Select your click track...");
    EXPECT_EQ (dialogs.shown().back().title, "Choose the click track...");
    const auto clickId = track.getClickTrackID();
    ASSERT_GE (clickId, 1);
    EXPECT_EQ (userSettings()->getValue ("clickChooserDir"), wav.getFullPathName());

    // Cancel keeps it; "Forget existing click" drops it and asks for no file.
    dialogs.answerButton (0);
    view.buttonClicked (&view.clickButton);
    EXPECT_EQ (dialogs.shown().back().title, "This track already has a click!");
    EXPECT_EQ (track.getClickTrackID(), clickId);

    dialogs.answerButton (2);
    view.buttonClicked (&view.clickButton);
    EXPECT_EQ (dialogs.shown().back().title, "This track already has a click!");
    EXPECT_LT (track.getClickTrackID(), 1);
}

TEST_F (LightShowListTest, RefusalsWithoutATrackOrASelection)
{
    view.buttonClicked (view.newBtn);
    EXPECT_EQ (dialogs.shown().back().title, "No song loaded");
    for (auto* button : { view.copyBtn, view.deleteBtn, view.editBtn })
    {
        view.buttonClicked (button);
        EXPECT_EQ (dialogs.shown().back().title, "No lightshow selected");
    }
    EXPECT_EQ (view.memoPanel.label.getText(), "double click on a track");

    view.memoPanel.setMemoLbl ("[LEFT]Verse one");
    EXPECT_EQ (view.memoPanel.label.getText(), "Verse one");
    EXPECT_EQ (view.memoPanel.label.getJustificationType(), juce::Justification::centredLeft);
}

TEST_F (LightShowListTest, TheMemoPanelDrawsOtherScriptsWithATypefaceThatHasThem)
{
    // Japanese lyrics with a circled number: the program's own font has none of them.
    const juce::String lyric (juce::CharPointer_UTF8 ("\xe6\xad\x8c\xe3\x81\x86\xe3\x82\x88 \xe2\x91\xa0"));
    view.memoPanel.setMemoLbl (lyric);
    auto* typeface = view.memoPanel.label.getFont().getTypefacePtr().get();
    ASSERT_NE (typeface, nullptr);
    EXPECT_EQ (fontfallback::missingCharacters (typeface->getName(), lyric), 0) << typeface->getName();
}
