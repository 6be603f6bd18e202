#include "support/DbFixture.h"

#include "data/DataPaths.h"

#include <sqlite3.h>

namespace
{
juce::StringArray columnsOf (RaDatabase& db, const juce::String& table)
{
    juce::StringArray columns;
    db.forEachRow ("PRAGMA table_info('" + table + "')", [&] (auto& row) { columns.add (row.getStringField (1)); });
    return columns;
}

juce::File backupOf (const juce::File& file)
{
    return file.getSiblingFile (file.getFileName() + ".backup");
}
} // namespace

class SchemaTest : public DbTest
{
protected:
    juce::File oldFile() { return folder.getChildFile ("old.db"); }

    bool openAndCheck (const juce::File& file)
    {
        return db().openDb (file.getFullPathName()) && checkAndUpgradeDbSchema (file.getFullPathName());
    }
};

TEST_F (SchemaTest, AFreshDatabaseIsCurrentAndOpensWithoutAnyChange)
{
    EXPECT_EQ (db().getThings ("SchemaVersion"), juce::StringArray ("1|7"));
    EXPECT_FALSE (backupOf (dbFile).exists());
    EXPECT_EQ (dialogs.count(), 0);

    // The install step never overwrites a database that is there.
    SetModel().createSet ("Keep me", "");
    bool created = true;
    EXPECT_TRUE (createFreshDatabase (dbFile, created).wasOk());
    EXPECT_FALSE (created);
    EXPECT_EQ (db().getSets ("Keep me").size(), 1u);
}

TEST_F (SchemaTest, AVersion4FileGetsTheLaterColumnsInOrderAfterABackup)
{
    writeOldDatabase (oldFile(), 4);
    db().closeDb();
    ASSERT_TRUE (db().openDb (oldFile().getFullPathName()));

    SqlTrace trace (db().connection());
    ASSERT_TRUE (checkAndUpgradeDbSchema (oldFile().getFullPathName()));
    EXPECT_EQ (dialogs.count(), 0);

    juce::StringArray alters;
    for (auto& s : trace.statements)
        if (s.startsWith ("ALTER TABLE"))
            alters.add (s);
    EXPECT_EQ (alters, juce::StringArray ({ "ALTER TABLE SetElements ADD COLUMN Loop integer NOT NULL DEFAULT 0",
                                            "ALTER TABLE AudioFiles ADD COLUMN MainAudioFileID integer NOT NULL "
                                            "DEFAULT 0",
                                            "ALTER TABLE SetElements ADD COLUMN Colour integer NOT NULL DEFAULT 0",
                                            "ALTER TABLE Sets ADD COLUMN Type integer NOT NULL DEFAULT 0" }));

    // The backup is the file as it was.
    ASSERT_TRUE (backupOf (oldFile()).existsAsFile());
    {
        CppSQLite3DB backup;
        backup.open (backupOf (oldFile()).getFullPathName().toRawUTF8());
        EXPECT_EQ (backup.execQuery ("SELECT Value FROM Things WHERE Name='SchemaVersion'").getIntField (0), 4);
    }

    // Opened again as version 7 with the journal prepared, data kept.
    EXPECT_EQ (db().getThings ("SchemaVersion"), juce::StringArray ("1|7"));
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM sqlite_temp_master WHERE type='trigger'"), 21);
    EXPECT_EQ (AudioFileModel (1).getStringField ("Name"), "Intro");
    EXPECT_EQ (AudioFileModel (1).getIntField ("MainAudioFileID"), 0);
    EXPECT_EQ (SetElementModel (1).getIntField ("Loop"), 0);
    EXPECT_EQ (SetModel (1).getIntField ("Type"), 0);
}

TEST_F (SchemaTest, AVersion1FileGetsEveryUpgradeAndIsUsable)
{
    writeOldDatabase (oldFile(), 1);
    db().closeDb();
    ASSERT_TRUE (openAndCheck (oldFile()));
    EXPECT_EQ (dialogs.count(), 0) << dialogs.titles().joinIntoString (" / ");

    EXPECT_TRUE (db().connection().tableExists ("MidiEvents"));
    EXPECT_TRUE (db().connection().tableExists ("MidiMessages"));
    EXPECT_TRUE (columnsOf (db(), "ShowMemos").contains ("EndMidiEventID"));
    EXPECT_TRUE (columnsOf (db(), "LightShows").contains ("AudioVolume"));

    // The upgraded file works with the models and the journal.
    LightShowModel (1).addMemo ("Verse", "Sing", 1.0f, 2, -1, -1, 3.0f);
    EXPECT_EQ (LightShowModel (1).getMemos().size(), 1u);
    EXPECT_TRUE (db().undoStep());
    EXPECT_EQ (LightShowModel (1).getMemos().size(), 0u);
}

TEST_F (SchemaTest, InvalidAndNewerFilesAreRefusedAndLeaveTheLayerClosed)
{
    struct Case
    {
        const char* label;
        int version;
        juce::StringArray extra;
        const char* title;
    };
    const Case cases[] = {
        { "two version rows", 4, { "INSERT INTO Things(Name, Value) VALUES('SchemaVersion', 4)" }, "Invalid database file" },
        { "not a number", noVersionRow, { "INSERT INTO Things(Name, Value) VALUES('SchemaVersion', 'seven')" }, "Invalid database file" },
        { "missing", noVersionRow, {}, "Invalid database file" },
        { "zero", noVersionRow, { "INSERT INTO Things(Name, Value) VALUES('SchemaVersion', 0)" }, "Invalid database file" },
        { "negative", -3, {}, "Invalid database file" },
        { "newer", 9, {}, "Incompatible database file" },
    };

    for (auto& c : cases)
    {
        writeOldDatabase (oldFile(), 4, c.extra, c.version);
        dialogs.clear();

        EXPECT_FALSE (openAndCheck (oldFile())) << c.label;
        ASSERT_EQ (dialogs.count(), 1) << c.label << ": " << dialogs.titles().joinIntoString (" / ") << " " << (dialogs.count() > 0 ? dialogs.shown()[0].text : juce::String());
        EXPECT_EQ (dialogs.shown()[0].title, c.title) << c.label;
        EXPECT_TRUE (dialogs.shown()[0].text.startsWith (oldFile().getFullPathName() + "\n\n")) << c.label;
        EXPECT_FALSE (db().isDbOpen()) << c.label;
        EXPECT_FALSE (backupOf (oldFile()).exists()) << c.label;
    }
}

TEST_F (SchemaTest, AnUpgradeThatCannotTakeIsRefusedInsteadOfRetriedForever)
{
    // The version row cannot be updated: after one upgrade attempt the file is refused.
    writeOldDatabase (oldFile(), 6,
                      { "CREATE TRIGGER keep_version BEFORE UPDATE ON Things BEGIN SELECT RAISE(ABORT, 'read "
                        "only'); END" });

    EXPECT_FALSE (openAndCheck (oldFile()));
    EXPECT_TRUE (dialogs.titles().contains ("Invalid database file"));
    EXPECT_FALSE (db().isDbOpen());
}

TEST_F (SchemaTest, AMissingInstalledDatabaseIsFatal)
{
    db().closeDb();
    ASSERT_FALSE (getDatabaseFile().exists());

    EXPECT_FALSE (doDbOpen());
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "[#1007] Raziviz Avodoru fatal error");
    EXPECT_EQ (dialogs.shown()[0].text, "Could not open database. Please re-install Raziviz Avodoru");
    EXPECT_EQ (dialogs.exitStatuses, std::vector<int> { 1 });
}

TEST_F (SchemaTest, DeletingATrackCascadesToEverythingThatHangsOffIt)
{
    auto track = addTrack ("Song", "F/song.wav");
    auto lightShow = track.getLightShows().at (0);
    VovirCueModel().createCue (lightShow.id, 1.0f, 0.0f, 0.0f, 0.0f, "Stage", "Red");
    lightShow.addMemo ("V", "Verse", 2.0f, 0, -1, -1, 1.0f);
    SetModel show;
    show.createSet ("Friday", "");
    show.addSetElement (lightShow.id, 0, false, false, 0);

    db().execQuery (formatSql ("DELETE FROM AudioFiles WHERE AudioFileID=%d", { track.id }));

    for (auto* table : { "LightShows", "VovirCues", "ShowMemos", "SetElements" })
        EXPECT_EQ (rowCount (table), 0) << table;
    EXPECT_EQ (rowCount ("Sets"), 1);
}
