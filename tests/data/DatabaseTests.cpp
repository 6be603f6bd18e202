#include "support/DbFixture.h"

#include <sqlite3.h>

using DatabaseTest = DbTest;

TEST_F (DatabaseTest, OpenRefusesAMissingFileSilentlyAndPreparesTheJournal)
{
    EXPECT_FALSE (db().openDb (folder.getChildFile ("nothing-here.db").getFullPathName()));
    EXPECT_FALSE (db().openDb ({}));
    EXPECT_EQ (dialogs.count(), 0);

    // The fixture's file is open: empty journal tables, three triggers per journaled table.
    ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
    EXPECT_EQ (rowCount ("UndoStack"), 0);
    EXPECT_EQ (rowCount ("RedoStack"), 0);
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM sqlite_temp_master WHERE type='trigger'"), 21);
    EXPECT_EQ (db().querySingleInt ("PRAGMA foreign_keys"), 1);
}

TEST_F (DatabaseTest, SqlErrorsAreShownOnceAndGiveAnEmptyResult)
{
    auto query = db().execQuery ("SELECT * FROM NoSuchTable");
    EXPECT_TRUE (query.eof());
    EXPECT_FALSE (query.hasStatement());
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "SQLITE_ERROR");
    EXPECT_TRUE (dialogs.shown()[0].text.startsWith ("SQLITE_ERROR[1]: no such table: NoSuchTable"));

    db().execDML ("DELETE FROM NoSuchTable");
    EXPECT_EQ (dialogs.count(), 2);
}

TEST_F (DatabaseTest, WrapperErrorsCarryTheirCodeAndText)
{
    struct Case
    {
        int code;
        const char* name;
    };
    for (auto c : { Case { 0, "SQLITE_OK" }, Case { 1, "SQLITE_ERROR" }, Case { 25, "SQLITE_RANGE" },
                    Case { 26, "SQLITE_NOTADB" }, Case { 28, "SQLITE_WARNING" }, Case { 29, "UNKNOWN_ERROR" },
                    Case { 100, "SQLITE_ROW" }, Case { 101, "SQLITE_DONE" }, Case { 266, "SQLITE_IOERR" },
                    Case { 1000, "CPPSQLITE_ERROR" }, Case { -1, "UNKNOWN_ERROR" } })
        EXPECT_EQ (CppSQLite3Exception::errorCodeAsString (c.code), c.name) << c.code;

    CppSQLite3Query empty;
    try
    {
        empty.getIntField (0);
        FAIL();
    }
    catch (const CppSQLite3Exception& e)
    {
        EXPECT_EQ (e.errorCode(), 1000);
        EXPECT_EQ (e.errorMessage(), "CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
    }

    auto query = db().execQuery ("SELECT 1");
    EXPECT_THROW (query.getIntField (1), CppSQLite3Exception);

    CppSQLite3DB closed;
    EXPECT_THROW (closed.execQuery ("SELECT 1"), CppSQLite3Exception);
    EXPECT_THROW (closed.execDML ("SELECT 1"), CppSQLite3Exception);
}

TEST_F (DatabaseTest, NestedTransactionsCommitOnceAndNotifyOnce)
{
    RecordingObserver observer;
    db().addObserver (&observer);
    SqlTrace trace (db().connection());

    auto track = addTrack ("A", "F/a.wav");
    SetModel show;
    show.createSet ("Show", "");
    observer.changes.clear();

    db().startTransaction ("Edit");
    db().startTransaction ("Edit");
    db().startTransaction ("Edit");
    track.setStringField ("Name", "B");
    show.setIntField ("Type", 1);
    db().endTransaction();
    db().endTransaction();
    EXPECT_TRUE (observer.changes.empty());
    db().endTransaction();
    db().endTransaction(); // one too many: does nothing

    EXPECT_EQ (trace.count ("BEGIN TRANSACTION"), 1);
    EXPECT_EQ (trace.count ("COMMIT"), 1);
    ASSERT_EQ (observer.changes.size(), 1u);
    EXPECT_EQ (observer.changes[0].table, "Sets");
    EXPECT_EQ (observer.changes[0].id, show.id);
    EXPECT_EQ (db().getTransactionDepth(), 0);

    db().removeObserver (&observer);
}

TEST_F (DatabaseTest, HeldNotificationsDeliverOnlyTheLastChange)
{
    RecordingObserver first, second;
    db().addObserver (&first);
    db().addObserver (&second);

    db().holdNotifications();
    db().notifyObservers ("AudioFiles", 1, dbChangeAny);
    db().notifyObservers ("Sets", 7, dbChangeAny);
    EXPECT_TRUE (first.changes.empty());
    db().releaseNotifications();
    db().releaseNotifications(); // nothing pending any more

    for (auto* observer : { &first, &second })
    {
        ASSERT_EQ (observer->changes.size(), 1u);
        EXPECT_EQ (observer->changes[0].table, "Sets");
        EXPECT_EQ (observer->changes[0].id, 7);
    }

    db().removeObserver (&first);
    db().notifyObservers ("Sets", 8, dbChangeAny);
    EXPECT_EQ (first.changes.size(), 1u);
    EXPECT_EQ (second.changes.size(), 2u);
    db().removeObserver (&second);
}

TEST_F (DatabaseTest, ReusedStatementsAlwaysSeeTheCurrentRow)
{
    auto track = addTrack ("A", "F/a.wav");
    auto other = addTrack ("B", "F/b.wav");

    for (int i = 0; i < 3; ++i)
    {
        track.setFloatField ("LengthSecs", 1.0f + (float) i);
        EXPECT_FLOAT_EQ (track.getFloatField ("LengthSecs"), 1.0f + (float) i);
        EXPECT_EQ (other.getStringField ("Name"), "B");
    }

    // Two results of the same shape alive at once each keep their own row.
    auto first = db().execQuery (formatSql ("SELECT Name FROM AudioFiles WHERE AudioFileID = %d", { track.id }));
    auto second = db().execQuery (formatSql ("SELECT Name FROM AudioFiles WHERE AudioFileID = %d", { other.id }));
    EXPECT_EQ (first.getStringField (0), "A");
    EXPECT_EQ (second.getStringField (0), "B");

    // A negative id and an id of a vanished row read as nothing.
    EXPECT_TRUE (db().execQuery ("SELECT Name FROM AudioFiles WHERE AudioFileID = -5").eof());
    EXPECT_EQ (AudioFileModel (9999).getStringField ("Name"), "");
    EXPECT_EQ (AudioFileModel (9999).getIntField ("MainAudioFileID"), 0);
}

TEST_F (DatabaseTest, TextWithQuotesBackslashesAndUnicodeRoundTrips)
{
    const juce::String awkward = juce::String (juce::CharPointer_UTF8 ("Don't \"stop\" \xe2\x99\xab 100% $1 $5"));
    const juce::String withBackslash = "C:\\Music\\it's";

    SetModel show;
    show.createSet (awkward, withBackslash);
    EXPECT_EQ (show.getStringField ("Name"), awkward);
    EXPECT_EQ (show.getStringField ("Folder"), "C:/Music/it's"); // backslashes are stored as slashes

    show.setStringField ("Name", awkward + "!");
    EXPECT_EQ (show.getStringField ("Name"), awkward + "!");

    auto found = db().getSets ("don't");
    ASSERT_EQ (found.size(), 1u);
    EXPECT_EQ (found[0].id, show.id);

    auto track = addTrack ("A", "F/a.wav");
    auto lightShow = track.getLightShows().at (0);
    lightShow.addMemo (awkward, awkward + awkward, 2.0f, 4, -1, -1, 3.0f);
    ShowMemoModel created;
    created.createMemo (lightShow.id, 5.0f, awkward, awkward, 0, 0, 0, 1.0f);
    for (auto& memo : lightShow.getMemos())
        EXPECT_EQ (memo.getStringField ("ShortName"), awkward);
    EXPECT_EQ (dialogs.count(), 0);
}

TEST_F (DatabaseTest, StatementsLongerThanAnyBufferAreNeverTruncated)
{
    auto track = addTrack ("A", "F/a.wav");
    auto lightShow = track.getLightShows().at (0);
    auto lyrics = juce::String::repeatedString ("la la la ", 30000); // 270000 characters

    lightShow.addMemo ("Verse", lyrics, 1.0f, 0, -1, -1, 2.0f);
    ShowMemoModel created;
    created.createMemo (lightShow.id, 5.0f, "Chorus", lyrics, 0, 0, 0, 1.0f);
    lightShow.setStringField ("Note", lyrics + "end");

    auto memos = lightShow.getMemos();
    ASSERT_EQ (memos.size(), 2u);
    EXPECT_EQ (memos[0].getStringField ("Memo"), lyrics);
    EXPECT_EQ (memos[1].getStringField ("Memo"), lyrics);
    EXPECT_EQ (lightShow.getStringField ("Note"), lyrics + "end");
    EXPECT_EQ (dialogs.count(), 0);
}

TEST_F (DatabaseTest, AFileThatBecomesUnreadableEndsTheProgramInOrderWithOneMessage)
{
    auto track = addTrack ("A", "F/a.wav");
    int fatalCalls = 0;
    db().setFatalErrorHandler ([&] (const juce::String&) { ++fatalCalls; });

    // Open afresh, so that the track's pages are not held in memory, then
    // overwrite the whole file while the connection is open.
    db().closeDb();
    ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
    ASSERT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));
    db().execQuery ("PRAGMA shrink_memory"); // the integrity check at open read every page
    {
        juce::MemoryBlock junk ((size_t) dbFile.getSize());
        junk.fillWith (0x5a);
        juce::FileOutputStream out (dbFile);
        ASSERT_TRUE (out.openedOk());
        out.setPosition (0);
        out.write (junk.getData(), junk.getSize());
    }

    // Reads through the models neither crash nor raise: neutral values.
    EXPECT_NO_THROW ({
        EXPECT_EQ (track.getStringField ("Name"), "");
        EXPECT_EQ (track.getLightShows().size(), 0u);
        track.setStringField ("Name", "B");
        EXPECT_TRUE (db().getAudioFiles ({}).empty());
        db().startTransaction ("Edit");
        db().endTransaction();
    });

    EXPECT_TRUE (db().hasFailed());
    EXPECT_EQ (fatalCalls, 1);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Database error");
    EXPECT_TRUE (dialogs.shown()[0].text.contains (dbFile.getFullPathName()));

    // Closing does not try to compact the broken file, and the layer recovers on a good one.
    db().closeDb();
    dbFile.deleteFile();
    bool created = false;
    ASSERT_TRUE (createFreshDatabase (dbFile, created).wasOk());
    ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
    EXPECT_FALSE (db().hasFailed());
    EXPECT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));
}
