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
