#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <vector>

struct sqlite3;

/** A current database with that many tracks, so that it spans many pages. */
void writeDatabaseWithTracks (const juce::File& file, int tracks);

/** The bytes of a file, to show that it was not changed. */
juce::MemoryBlock contentsOf (const juce::File& file);

/** What the install step does with a database file. */
enum class InstallOutcome
{
    keeps,
    replaces,
    refuses
};

/** A database file as a user's machine may hold it: damaged, foreign, newer, or
    held by another program. */
struct DamagedDatabase
{
    const char* label;
    std::function<void (const juce::File&)> make;
    const char* title;       // the one box the program shows for it
    InstallOutcome install;  // what the install step does with it
    bool locked = false;     // another program holds the file while it is opened
};

const std::vector<DamagedDatabase>& damagedDatabases();

/** Holds another connection's exclusive lock on a file while it exists (a
    connection of this process counts as another program to SQLite). */
class ForeignLock final
{
public:
    explicit ForeignLock (const juce::File& file);
    ~ForeignLock();

private:
    sqlite3* handle = nullptr;
    JUCE_DECLARE_NON_COPYABLE (ForeignLock)
};
