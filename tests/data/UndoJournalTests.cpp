#include "support/DbFixture.h"

namespace
{
struct StackRow
{
    juce::String desc, command;
    bool operator== (const StackRow& other) const { return desc == other.desc && command == other.command; }
};

std::vector<StackRow> stackRows (RaDatabase& db, const char* table)
{
    std::vector<StackRow> rows;
    db.forEachRow (juce::String ("SELECT Desc,Command FROM ") + table + " ORDER BY rowid",
                   [&] (auto& row) { rows.push_back ({ row.getStringField (0), row.getStringField (1) }); });
    return rows;
}
} // namespace

class UndoJournalTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        track = addTrack ("Song", "F/song.wav");
        lightShow = track.getLightShows().at (0);
        MidiEventModel start, end;
        start.createMidiEvent ("Keys", "Patch 1");
        end.createMidiEvent ("Keys", "Patch 2");
        startChunk = start.id;
        endChunk = end.id;
        db().clearUndoStack();
    }

    AudioFileModel track;
    LightShowModel lightShow;
    int startChunk = 0, endChunk = 0;
};

TEST_F (UndoJournalTest, AddMemoIsOneStepThatUndoesAndRedoesUnderItsOldId)
{
    lightShow.addMemo ("V1", "First verse", 10.0f, 4, startChunk, endChunk, 8.0f);
    auto memoId = lightShow.getMemos().at (0).id;

    auto undoRows = stackRows (db(), "UndoStack");
    ASSERT_EQ (undoRows.size(), 4u);
    EXPECT_EQ (undoRows[0], (StackRow { "Add Memo", "" }));
    EXPECT_EQ (undoRows[1], (StackRow { "", "DELETE FROM ShowMemos WHERE rowid=" + juce::String (memoId) }));
    EXPECT_TRUE (undoRows[2].desc.isEmpty());
    EXPECT_TRUE (undoRows[2].command.contains ("StartMidiEventID=NULL"));
    EXPECT_EQ (undoRows[3].desc, "Add Memo");
    EXPECT_TRUE (undoRows[3].command.contains ("EndMidiEventID=NULL"));
    EXPECT_TRUE (undoRows[3].command.contains ("StartMidiEventID=" + juce::String (startChunk)));

    ASSERT_TRUE (db().undoStep());
    EXPECT_TRUE (lightShow.getMemos().empty());
    EXPECT_EQ (rowCount ("UndoStack"), 0);
    auto redoRows = stackRows (db(), "RedoStack");
    ASSERT_EQ (redoRows.size(), 4u);
    EXPECT_EQ (redoRows.back(), (StackRow { "Add Memo", "" })); // the opener on top

    ASSERT_TRUE (db().redoStep());
    auto memos = lightShow.getMemos();
    ASSERT_EQ (memos.size(), 1u);
    EXPECT_EQ (memos[0].id, memoId);
    EXPECT_EQ (memos[0].getStringField ("Memo"), "First verse");
    EXPECT_EQ (memos[0].getIntField ("StartMidiEventID"), startChunk);
    EXPECT_EQ (memos[0].getIntField ("EndMidiEventID"), endChunk);
    EXPECT_EQ (stackRows (db(), "UndoStack"), undoRows);
    EXPECT_EQ (rowCount ("RedoStack"), 0);
}

TEST_F (UndoJournalTest, AMultiRowStepRestoresEveryRowUnderItsOldIdAndRedoes)
{
    VovirCueModel cueA, cueB;
    cueA.createCue (lightShow.id, 1.0f, 0.0f, 0.5f, 0.5f, "Stage", "Red");
    cueB.createCue (lightShow.id, 2.0f, 4.0f, 0.5f, 1.0f, "Wash", "It's blue");
    lightShow.addMemo ("V", "Verse", 3.0f, 2, startChunk, -1, 4.0f);
    SetModel show;
    show.createSet ("Friday", "");
    show.addSetElement (lightShow.id, 0, true, false, 2);
    auto memoId = lightShow.getMemos().at (0).id;
    auto elementId = show.getSetElements().at (0).id;
    db().clearUndoStack();

    lightShow.deleteLightShow();
    EXPECT_EQ (rowCount ("LightShows"), 0);
    EXPECT_EQ (rowCount ("SetElements"), 0); // cascaded

    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (LightShowModel (lightShow.id).getStringField ("Name"), "Default lightshow");
    EXPECT_EQ (VovirCueModel (cueB.id).getStringField ("PresetName"), "It's blue");
    EXPECT_FLOAT_EQ (VovirCueModel (cueB.id).getFloatField ("CueDuration"), 4.0f);
    EXPECT_EQ (ShowMemoModel (memoId).getIntField ("StartMidiEventID"), startChunk);
    EXPECT_EQ (SetElementModel (elementId).getIntField ("Colour"), 2);
    EXPECT_EQ (lightShow.getCues().size(), 2u);

    ASSERT_TRUE (db().redoStep());
    EXPECT_EQ (rowCount ("LightShows"), 0);
    EXPECT_EQ (rowCount ("VovirCues"), 0);
    EXPECT_EQ (rowCount ("SetElements"), 0);
    EXPECT_EQ (dialogs.count(), 0) << dialogs.titles().joinIntoString (" / ");
}

TEST_F (UndoJournalTest, ATrackDeletionIsOneStepThatBringsBackItsClickAndCascadedRows)
{
    // As the track commands delete: no step of their own around it.
    auto click = addTrack ("Song click", "F/song click.wav");
    click.setIntField ("MainAudioFileID", track.id);
    VovirCueModel().createCue (lightShow.id, 1.0f, 0.0f, 0.0f, 0.0f, "Stage", "Red");
    SetModel show;
    show.createSet ("Friday", "");
    show.addSetElement (lightShow.id, 0, false, false, 0);
    track.setStringField ("Name", "Renamed"); // the step below
    db().clearUndoStack();
    track.setStringField ("Name", "Renamed again");

    track.deleteAudioFile();
    EXPECT_EQ (rowCount ("AudioFiles"), 0);
    EXPECT_EQ (rowCount ("VovirCues"), 0);

    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (rowCount ("AudioFiles"), 2);
    EXPECT_EQ (rowCount ("LightShows"), 2);
    EXPECT_EQ (rowCount ("VovirCues"), 1);
    EXPECT_EQ (rowCount ("SetElements"), 1);
    EXPECT_EQ (track.getClickTrackID(), click.id);
    EXPECT_EQ (track.getStringField ("Name"), "Renamed again"); // the step below is untouched

    ASSERT_TRUE (db().redoStep());
    EXPECT_EQ (rowCount ("AudioFiles"), 0);
    ASSERT_TRUE (db().undoStep());
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (track.getStringField ("Name"), "Renamed");
    EXPECT_EQ (dialogs.count(), 0) << dialogs.titles().joinIntoString (" / ");
}

TEST_F (UndoJournalTest, AWriteOutsideAnyTransactionIsUndoneOnItsOwn)
{
    lightShow.addMemo ("V", "Verse", 3.0f, 2, -1, -1, 4.0f);
    track.setStringField ("Name", "Renamed");

    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (track.getStringField ("Name"), "Song");
    EXPECT_EQ (lightShow.getMemos().size(), 1u); // the step below is untouched
}

TEST_F (UndoJournalTest, EmptyJournalAndStaleRedoTellTheUser)
{
    EXPECT_FALSE (db().undoStep());
    EXPECT_EQ (dialogs.titles(), juce::StringArray ("Nothing to undo!"));
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::InfoIcon);

    lightShow.addMemo ("V", "Verse", 3.0f, 2, -1, -1, 4.0f);
    ASSERT_TRUE (db().undoStep());
    track.setStringField ("Name", "New edit"); // a change after the undo discards the redo history

    dialogs.clear();
    EXPECT_FALSE (db().redoStep());
    EXPECT_EQ (dialogs.titles(), juce::StringArray ("Nothing to redo!"));
    EXPECT_EQ (rowCount ("RedoStack"), 0);
    EXPECT_TRUE (lightShow.getMemos().empty());
}

TEST_F (UndoJournalTest, QuotesSurviveUndoAndRedo)
{
    const juce::String name = "Don't 'stop' ''now''";
    track.setStringField ("Name", name);
    track.setStringField ("Name", "Plain");

    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (track.getStringField ("Name"), name);
    ASSERT_TRUE (db().redoStep());
    EXPECT_EQ (track.getStringField ("Name"), "Plain");
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (track.getStringField ("Name"), name);
}

TEST_F (UndoJournalTest, AStepThatChangedNothingIsNotRecorded)
{
    lightShow.addMemo ("V", "Verse", 3.0f, 2, -1, -1, 4.0f);
    auto rowsBefore = rowCount ("UndoStack");

    db().startTransaction ("Edit Memo");
    track.setStringField ("Name", "Song"); // the same value: no change
    db().endTransaction();
    EXPECT_EQ (rowCount ("UndoStack"), rowsBefore);

    // One undo takes exactly the memo step, no more.
    track.setStringField ("Name", "Other");
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (track.getStringField ("Name"), "Song");
    EXPECT_EQ (lightShow.getMemos().size(), 1u);
    ASSERT_TRUE (db().undoStep());
    EXPECT_TRUE (lightShow.getMemos().empty());
}
