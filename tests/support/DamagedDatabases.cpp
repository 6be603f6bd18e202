#include "support/DamagedDatabases.h"

#include "data/CppSQLite3.h"
#include "data/DbSchema.h"
#include "data/SqlText.h"

#include <sqlite3.h>

#include <random>

void writeDatabaseWithTracks (const juce::File& file, int tracks)
{
    file.getParentDirectory().createDirectory();
    bool created = false;
    if (createFreshDatabase (file, created).failed())
        return;
    CppSQLite3DB raw;
    raw.open (file.getFullPathName().toRawUTF8());
    raw.execDML ("BEGIN");
    for (int i = 0; i < tracks; ++i)
        raw.execDML (formatSql ("INSERT INTO AudioFiles(Name, Path) VALUES('Track %d', 'Album/Track %d.wav')", { i, i })
                         .toRawUTF8());
    raw.execDML ("COMMIT");
}

juce::MemoryBlock contentsOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}

const std::vector<DamagedDatabase>& damagedDatabases()
{
    static const std::vector<DamagedDatabase> cases {
        { "random bytes",
          [] (const juce::File& f)
          {
              std::mt19937 random (7);
              juce::MemoryBlock bytes (64 * 1024);
              for (size_t i = 0; i < bytes.getSize(); ++i)
                  bytes[i] = (char) (random() & 0xff);
              f.replaceWithData (bytes.getData(), bytes.getSize());
          },
          "Invalid database file", InstallOutcome::replaces },
        { "truncated",
          [] (const juce::File& f)
          {
              writeDatabaseWithTracks (f, 400);
              juce::FileOutputStream out (f);
              out.setPosition (f.getSize() / 2);
              out.truncate();
          },
          "Invalid database file", InstallOutcome::replaces },
        { "zero bytes", [] (const juce::File& f) { f.replaceWithText ({}); }, "Invalid database file",
          InstallOutcome::replaces },
        { "newer version",
          [] (const juce::File& f)
          {
              writeDatabaseWithTracks (f, 400);
              CppSQLite3DB raw;
              raw.open (f.getFullPathName().toRawUTF8());
              raw.execDML ("UPDATE Things SET Value=9 WHERE Name='SchemaVersion'");
          },
          "Incompatible database file", InstallOutcome::keeps },
        { "locked by another program", [] (const juce::File& f) { writeDatabaseWithTracks (f, 400); },
          "Library in use", InstallOutcome::refuses, true },
    };
    return cases;
}

ForeignLock::ForeignLock (const juce::File& file)
{
    sqlite3_open (file.getFullPathName().toRawUTF8(), &handle);
    sqlite3_exec (handle, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
}

ForeignLock::~ForeignLock()
{
    sqlite3_exec (handle, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close (handle);
}
