#include "support/DbFixture.h"

#include <map>

// Undo and redo on every kind of file the program opens: a fresh one, and files
// upgraded from version 1 and version 6 (whose references are checked at once,
// as the older programs made them). After each step the whole library is
// compared with a state seen before.

namespace
{
enum class FileKind
{
    fresh,
    fromVersion1,
    fromVersion6
};

std::string kindName (const ::testing::TestParamInfo<FileKind>& info)
{
    switch (info.param)
    {
        case FileKind::fresh: return "Fresh";
        case FileKind::fromVersion1: return "UpgradedFromVersion1";
        case FileKind::fromVersion6: return "UpgradedFromVersion6";
    }
    return "Unknown";
}
} // namespace

class UndoSequenceTest : public DbTest, public ::testing::WithParamInterface<FileKind>
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        makeLibrary();
    }

    /** A new file of the kind under test, with a track, its lightshow with two
        cues and a memo that sends a chunk of two messages, and a show. */
    void makeLibrary()
    {
        if (GetParam() != FileKind::fresh)
        {
            db().closeDb();
            writeOldDatabase (dbFile, GetParam() == FileKind::fromVersion1 ? 1 : 6);
            ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
            ASSERT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));
        }

        track = addTrack ("Song", "F/song.wav");
        lightShow = track.getLightShows().at (0);
        VovirCueModel().createCue (lightShow.id, 1.0f, 0.0f, 0.5f, 0.5f, "Stage", "Red");
        VovirCueModel().createCue (lightShow.id, 4.0f, 2.0f, 0.5f, 0.5f, "Wash", "It's blue");
        chunk.createMidiEvent ("Keys", "Patch 1");
        chunk.addMidiMessage (0.0f, "Synth", 0, 192, 5, 0);
        chunk.addMidiMessage (0.5f, "Synth", 1, 176, 7, 100);
        lightShow.addMemo ("V", "Verse", 2.0f, 2, chunk.id, chunk.id, 4.0f);
        show.createSet ("Friday", "");
        show.addSetElement (lightShow.id, 0, true, false, 2);
        db().clearUndoStack();
        dialogs.clear();
    }

    /** One user action, by its letter. */
    bool perform (char action)
    {
        switch (action)
        {
            case 'A': // two fields of one row in one step
                db().startTransaction ("Edit A");
                track.setStringField ("Name", "Alpha");
                track.setStringField ("Path", "G/alpha.wav");
                db().endTransaction();
                return true;
            case 'B': // the same row and another table in one step
                db().startTransaction ("Edit B");
                track.setStringField ("Name", "Beta");
                lightShow.getCues().at (0).setFloatField ("CueTime", 1.5f);
                db().endTransaction();
                return true;
            case 'b': // a change outside any step
                track.setStringField ("Name", "Bare");
                return true;
            case 'T': // a track deletion that cascades through every table hanging off it
                db().startTransaction ("Delete Track");
                db().execQuery (formatSql ("DELETE FROM AudioFiles WHERE AudioFileID=%d", { track.id }));
                db().endTransaction();
                return true;
            case 'C': // a chunk deletion: its messages go, the memo loses its references
                chunk.deleteMidiEvent();
                return true;
            case 'u': return db().undoStep();
            case 'r': return db().redoStep();
            default: ADD_FAILURE() << "unknown action " << action; return false;
        }
    }

    struct Step
    {
        char action;
        const char* state; // the library state expected afterwards
        bool result = true;
    };

    /** Runs the steps; an edit names a new state, undo and redo must land on a
        state seen before. Only refusals ("Nothing to ...") may show a box. */
    void run (const char* label, const std::vector<Step>& steps)
    {
        // Each sequence starts on a library of its own.
        DbTest::TearDown();
        DbTest::SetUp();
        makeLibrary();

        std::map<std::string, juce::String> states { { "S0", snapshotTables (db(), libraryTables()) } };
        int refusals = 0;

        for (size_t i = 0; i < steps.size(); ++i)
        {
            const auto& step = steps[i];
            const auto where = juce::String (label) + ", step " + juce::String ((int) i + 1) + " '"
                               + juce::String::charToString (step.action) + "'";

            EXPECT_EQ (perform (step.action), step.result) << where;
            refusals += step.result ? 0 : 1;

            auto now = snapshotTables (db(), libraryTables());
            auto known = states.find (step.state);
            if (known == states.end())
            {
                ASSERT_TRUE (step.action != 'u' && step.action != 'r') << where << ": undo and redo only reach known states";
                for (auto& [name, text] : states)
                    EXPECT_NE (text, now) << where << " changed nothing (same as " << name << ")";
                states[step.state] = now;
            }
            else
            {
                EXPECT_EQ (now, known->second) << where << ": expected " << step.state;
            }

            ASSERT_EQ (dialogs.count(), refusals) << where << ": " << dialogs.titles().joinIntoString (" / ");
        }

    }

    AudioFileModel track;
    LightShowModel lightShow;
    MidiEventModel chunk;
    SetModel show;
};

TEST_P (UndoSequenceTest, EveryStepLandsOnTheStateItShould)
{
    // A new edit after an undo discards the redo history, whatever follows.
    run ("A, undo, B, undo, redo, redo",
         { { 'A', "SA" }, { 'u', "S0" }, { 'B', "SB" }, { 'u', "S0" }, { 'r', "SB" }, { 'r', "SB", false } });
    EXPECT_EQ (track.getStringField ("Name"), "Beta");

    run ("A, undo, bare edit, redo", { { 'A', "SA" }, { 'u', "S0" }, { 'b', "Sb" }, { 'r', "Sb", false } });

    run ("A, B, undo, undo, redo, redo, redo, undo",
         { { 'A', "SA" }, { 'B', "SAB" }, { 'u', "SA" }, { 'u', "S0" }, { 'r', "SA" }, { 'r', "SAB" },
           { 'r', "SAB", false }, { 'u', "SA" }, { 'u', "S0" } });

    run ("A, undo, redo, undo, B, redo, undo, undo",
         { { 'A', "SA" }, { 'u', "S0" }, { 'r', "SA" }, { 'u', "S0" }, { 'B', "SB" }, { 'r', "SB", false },
           { 'u', "S0" }, { 'u', "S0", false } });
}

TEST_P (UndoSequenceTest, DeletionsComeBackWithEveryCascadedRow)
{
    run ("track deletion", { { 'T', "ST" }, { 'u', "S0" }, { 'r', "ST" }, { 'u', "S0" }, { 'r', "ST" }, { 'u', "S0" } });
    run ("chunk deletion", { { 'C', "SC" }, { 'u', "S0" }, { 'r', "SC" }, { 'u', "S0" }, { 'r', "SC" }, { 'u', "S0" } });

    EXPECT_EQ (chunk.getMidiMessages().size(), 2u);
    EXPECT_EQ (lightShow.getMemos().at (0).getIntField ("StartMidiEventID"), chunk.id);
}

INSTANTIATE_TEST_SUITE_P (AllFiles, UndoSequenceTest,
                          ::testing::Values (FileKind::fresh, FileKind::fromVersion1, FileKind::fromVersion6), kindName);

//==============================================================================
class UndoFailureTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        track = addTrack ("Song", "F/song.wav");
        lightShow = track.getLightShows().at (0);
        cueA.createCue (lightShow.id, 1.0f, 0.0f, 0.0f, 0.0f, "Stage", "Red");
        cueB.createCue (lightShow.id, 2.0f, 0.0f, 0.0f, 0.0f, "Stage", "Blue");
        track.setStringField ("Name", "Older step");
        db().startTransaction ("Delete Cues");
        cueA.deleteCue();
        cueB.deleteCue();
        db().endTransaction();
        dialogs.clear();
    }

    juce::String everything()
    {
        auto tables = libraryTables();
        tables.addArray ({ "UndoStack", "RedoStack" });
        return snapshotTables (db(), tables);
    }

    /** A trigger that refuses one cue, as a reversal that fails would. */
    void refuse (const char* operation, int cueId)
    {
        db().execDML (formatSql ("CREATE TRIGGER refuse BEFORE %s ON VovirCues WHEN %s.VovirCueID = %d BEGIN "
                                 "SELECT RAISE(ABORT, 'refused'); END",
                                 { operation, juce::String (operation) == "INSERT" ? "NEW" : "OLD", cueId }));
    }

    AudioFileModel track;
    LightShowModel lightShow;
    VovirCueModel cueA, cueB;
};

TEST_F (UndoFailureTest, AReversalThatFailsLeavesDataAndJournalExactlyAsBefore)
{
    // The first cue's reversal is taken second, after the second cue came back.
    refuse ("INSERT", cueA.id);
    const auto before = everything();

    EXPECT_FALSE (db().undoStep());
    EXPECT_EQ (everything(), before);
    ASSERT_EQ (dialogs.count(), 1) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (dialogs.shown()[0].title, "Undo failed");
    EXPECT_TRUE (dialogs.shown()[0].text.contains ("\"Delete Cues\"")) << dialogs.shown()[0].text;
    EXPECT_TRUE (dialogs.shown()[0].text.contains ("refused")) << dialogs.shown()[0].text;

    // Once the refusal is gone the same step undoes whole, and the step below is intact.
    db().execDML ("DROP TRIGGER refuse");
    dialogs.clear();
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (lightShow.getCues().size(), 2u);
    EXPECT_EQ (track.getStringField ("Name"), "Older step");
    EXPECT_EQ (dialogs.count(), 0);
}

TEST_F (UndoFailureTest, ARedoThatFailsLeavesDataAndJournalExactlyAsBefore)
{
    ASSERT_TRUE (db().undoStep());
    refuse ("DELETE", cueA.id);
    const auto before = everything();
    dialogs.clear();

    EXPECT_FALSE (db().redoStep());
    EXPECT_EQ (everything(), before);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Redo failed");

    db().execDML ("DROP TRIGGER refuse");
    ASSERT_TRUE (db().redoStep());
    EXPECT_TRUE (lightShow.getCues().empty());
}

TEST_F (UndoFailureTest, OneFailedReversalNeverTakesTheNextJournalRow)
{
    refuse ("INSERT", cueB.id);
    const auto rows = db().querySingleInt ("SELECT COUNT(*) FROM UndoStack");
    const auto top = db().querySingleInt ("SELECT MAX(rowid) FROM UndoStack");

    juce::String desc;
    db().execQuery ("BEGIN TRANSACTION");
    EXPECT_FALSE (db().undoOneCommand (desc));
    db().execQuery ("ROLLBACK");

    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM UndoStack"), rows);
    EXPECT_EQ (db().querySingleInt ("SELECT MAX(rowid) FROM UndoStack"), top);
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM RedoStack"), 0);
}
