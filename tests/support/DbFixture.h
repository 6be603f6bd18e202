#pragma once

#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

/** Records every statement the database connection runs (also after it is
    closed and opened again), while it exists. */
class SqlTrace final
{
public:
    explicit SqlTrace (CppSQLite3DB& db);
    ~SqlTrace();

    juce::StringArray statements;
    int count (const juce::String& exactStatement) const;
    int countStartingWith (const juce::String& prefix) const;

private:
    CppSQLite3DB& connection;
};

/** Marks "no SchemaVersion row" for writeOldDatabase. */
constexpr int noVersionRow = -999;

/** Builds a database file of an older schema version from that version's own
    DDL, with one track, its lightshow and a show. storedVersion is the
    "SchemaVersion" value written (0: the version itself, noVersionRow: none). */
void writeOldDatabase (const juce::File& file, int version, const juce::StringArray& extraStatements = {},
                       int storedVersion = 0);

/** Every row of the tables, as text: two equal snapshots are equal data. */
juce::String snapshotTables (RaDatabase& db, const juce::StringArray& tables);

/** The tables that hold the user's library (everything but the journal). */
const juce::StringArray& libraryTables();

/** Records every change notification. */
struct RecordingObserver final : public DbObserver
{
    struct Change
    {
        juce::String table;
        int id;
    };

    void dbChanged (const char* table, int id, DbChangeType) override { changes.push_back ({ table, id }); }
    std::vector<Change> changes;
};

/** A fresh, current database file in its own folder, opened and checked through
    the real data layer, with scripted dialogs and an empty media folder. */
class DbTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    RaDatabase& db() { return *RaDatabase::getInstance(); }
    int rowCount (const juce::String& table, const juce::String& where = {});
    juce::String readText (const juce::String& sql);

    /** A track row with its default lightshow, without any file. */
    AudioFileModel addTrack (const juce::String& name, const juce::String& path);

    juce::File folder;
    juce::File dbFile;
    ScriptedDialogs dialogs;
};
