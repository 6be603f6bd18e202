#include "support/DbFixture.h"

#include "app/Globals.h"


SqlTrace::SqlTrace (CppSQLite3DB& db) : connection (db)
{
    CppSQLite3DB::setStatementTracer ([this] (const juce::String& sql) { statements.add (sql); });
    connection.refreshTracing();
}

SqlTrace::~SqlTrace()
{
    CppSQLite3DB::setStatementTracer (nullptr);
    connection.refreshTracing();
}

int SqlTrace::count (const juce::String& exactStatement) const
{
    int n = 0;
    for (auto& s : statements)
        n += s == exactStatement ? 1 : 0;
    return n;
}

int SqlTrace::countStartingWith (const juce::String& prefix) const
{
    int n = 0;
    for (auto& s : statements)
        n += s.startsWith (prefix) ? 1 : 0;
    return n;
}

void DbTest::SetUp()
{
    static int counter = 0;
    folder = TestHome::folder().getChildFile ("db-" + juce::String (++counter));
    folder.createDirectory();
    dbFile = folder.getChildFile ("Vodozav.db");

    bool created = false;
    ASSERT_TRUE (createFreshDatabase (dbFile, created).wasOk());
    ASSERT_TRUE (created);
    ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
    ASSERT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));

    mediaFolder = folder.getChildFile ("Media Files").getFullPathName() + "/";
    dialogs.clear();
}

void DbTest::TearDown()
{
    db().setFatalErrorHandler (nullptr);
    db().closeDb();
}

int DbTest::rowCount (const juce::String& table, const juce::String& where)
{
    return db().querySingleInt ("SELECT COUNT(*) FROM " + table + (where.isEmpty() ? "" : " WHERE " + where));
}

juce::String DbTest::readText (const juce::String& sql)
{
    auto query = db().execQuery (sql);
    return query.hasStatement() ? query.getStringField (0) : juce::String();
}

AudioFileModel DbTest::addTrack (const juce::String& name, const juce::String& path)
{
    db().execQuery (formatSql ("INSERT INTO AudioFiles(Name, Path) VALUES('%s','%s')",
                               { cleanedForDb (name), cleanedForDb (path) }));
    AudioFileModel track (db().querySingleInt ("SELECT last_insert_rowid()"));
    LightShowModel().createLightShow (track.id, "Default lightshow", "", "", 120.0f);
    return track;
}

/** Builds a database file of an older schema version from that version's own DDL. */
void writeOldDatabase (const juce::File& file, int version, const juce::StringArray& extraStatements,
                       int storedVersion)
{
    if (storedVersion == 0)
        storedVersion = version;

    juce::StringArray ddl {
        "CREATE TABLE AudioFiles ( AudioFileID integer PRIMARY KEY NOT NULL, Name varchar(100), Path varchar(1000), "
        "LengthSecs float(50) )",
        "CREATE TABLE LightShows ( LightShowID integer PRIMARY KEY NOT NULL, AudioFileID integer REFERENCES "
        "AudioFiles(AudioFileID) ON DELETE CASCADE, Name varchar(100), VovirShowName varchar(100), Note "
        "varchar(1000), Tempo float(50) )",
        "CREATE TABLE VovirCues ( VovirCueID integer PRIMARY KEY NOT NULL, LightShowID integer REFERENCES "
        "LightShows(LightShowID) ON DELETE CASCADE, CueTime float(50), CueDuration float(50), FadeInTime float(50), "
        "FadeOutTime float(50), BankName varchar(100), PresetName varchar(100) )",
        "CREATE TABLE ShowMemos ( ShowMemoID integer PRIMARY KEY NOT NULL, LightShowID integer REFERENCES "
        "LightShows(LightShowID) ON DELETE CASCADE, MemoTime float(50), MemoLength float(50), ShortName "
        "varchar(100), Memo varchar(10000), CountIn integer )",
        "CREATE TABLE Sets ( SetID integer PRIMARY KEY NOT NULL, Name varchar(100), Folder varchar(1000) )",
        "CREATE TABLE SetElements ( SetElementID integer PRIMARY KEY NOT NULL, SetID integer REFERENCES Sets(SetID) "
        "ON DELETE CASCADE, LightShowID integer REFERENCES LightShows(LightShowID) ON DELETE CASCADE, PlayOrder "
        "integer, AutoStart integer )",
        "CREATE TABLE Things ( ThingID integer PRIMARY KEY NOT NULL, Name varchar(50), Value integer )",
    };

    // Version 2 added the MIDI tables with these very statements; their
    // references are checked at once, as in every file of that age.
    if (version >= 2)
        ddl.addArray ({ "CREATE TABLE MidiEvents ( MidiEventID  integer PRIMARY KEY AUTOINCREMENT NOT NULL, Name "
                        "        varchar(50), Category     varchar(50)) ;",
                        "CREATE TABLE MidiMessages ( MidiMessageID  integer PRIMARY KEY NOT NULL, MidiEventID    "
                        "integer, Time         float(50) NOT NULL DEFAULT 0, OutDevice      varchar(50), Channel  "
                        "      integer NOT NULL DEFAULT 0, Message        integer NOT NULL DEFAULT 192, Data1      "
                        "    integer NOT NULL DEFAULT 0, Data2          integer NOT NULL DEFAULT 0, FOREIGN KEY "
                        "(MidiEventID) REFERENCES MidiEvents(MidiEventID) ON DELETE CASCADE ON UPDATE CASCADE );",
                        "ALTER TABLE ShowMemos ADD COLUMN StartMidiEventID integer REFERENCES "
                        "MidiEvents(MidiEventID) ON DELETE SET NULL ON UPDATE CASCADE",
                        "ALTER TABLE ShowMemos ADD COLUMN EndMidiEventID integer REFERENCES MidiEvents(MidiEventID) "
                        "ON DELETE SET NULL ON UPDATE CASCADE" });
    if (version >= 3)
        ddl.addArray ({ "ALTER TABLE LightShows ADD COLUMN TrimStart float(50) DEFAULT 0",
                        "ALTER TABLE LightShows ADD COLUMN TrimEnd float(50) DEFAULT 0" });
    if (version >= 4)
        ddl.add ("ALTER TABLE LightShows ADD COLUMN AudioVolume float(50) DEFAULT 0");
    if (version >= 5)
        ddl.add ("ALTER TABLE SetElements ADD COLUMN Loop integer NOT NULL DEFAULT 0");
    if (version >= 6)
        ddl.add ("ALTER TABLE AudioFiles ADD COLUMN MainAudioFileID integer NOT NULL DEFAULT 0");

    ddl.addArray ({ "INSERT INTO AudioFiles(Name, Path, LengthSecs) VALUES('Intro', 'Album/Intro.wav', 61.5)",
                    "INSERT INTO LightShows(AudioFileID, Name, VovirShowName, Note, Tempo) VALUES(1, 'Default "
                    "lightshow', '', '', 120)",
                    "INSERT INTO Sets(Name, Folder) VALUES('Friday', '')",
                    "INSERT INTO SetElements(SetID, LightShowID, PlayOrder, AutoStart) VALUES(1, 1, 0, 1)" });
    if (storedVersion != noVersionRow)
        ddl.add ("INSERT INTO Things(Name, Value) VALUES('SchemaVersion', " + juce::String (storedVersion) + ")");
    ddl.addArray (extraStatements);

    file.deleteFile();
    CppSQLite3DB db;
    db.open (file.getFullPathName().toRawUTF8());
    for (auto& statement : ddl)
        db.execDML (statement.toRawUTF8());
}

juce::String snapshotTables (RaDatabase& db, const juce::StringArray& tables)
{
    juce::String text;
    for (auto& table : tables)
    {
        text << table << ":\n";
        db.forEachRow ("SELECT * FROM " + table + " ORDER BY rowid",
                       [&] (const CppSQLite3Query& row)
                       {
                           for (int c = 0; c < row.numFields(); ++c)
                               text << (row.fieldIsNull (c) ? juce::String ("NULL") : "'" + row.getStringField (c) + "'")
                                    << (c + 1 < row.numFields() ? "," : "\n");
                       });
    }
    return text;
}

const juce::StringArray& libraryTables()
{
    static const juce::StringArray tables { "AudioFiles", "LightShows", "VovirCues", "ShowMemos", "MidiEvents",
                                            "MidiMessages", "Sets",       "SetElements", "Things" };
    return tables;
}
