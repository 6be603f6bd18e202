#pragma once

#include <juce_core/juce_core.h>

/** The schema version this program reads and writes. */
constexpr int currentSchemaVersion = 7;

/** Creates a fresh, current database at the path for the install step. An
    existing file is never touched (the result says so). */
juce::Result createFreshDatabase (const juce::File& file, bool& created);

/** The install step's database: a fresh one when there is none; an existing
    file that is not a usable database of this program (not a database,
    damaged, without a version) is moved aside to a dated name beside it —
    never deleted — and a fresh one is made; a usable or newer file is never
    touched. Fails, touching nothing, when another program holds the file.
    outcome says in a sentence what was done. */
juce::Result installDatabase (const juce::File& file, juce::String& outcome);

/** The statements that create a fresh current database, in order. */
juce::StringArray freshDatabaseStatements();

/** The schema version stored in the file, from the "SchemaVersion" rows read
    as "<id>|<value>": -1 unless there is exactly one that reads as two integers. */
int parseSchemaVersion (const juce::StringArray& things);

/** Checks the schema version of the open database and upgrades an older file
    (after leaving a ".backup" copy next to it). False, after telling the user,
    when the file is invalid, newer than the program or in use by another
    program; the database is then closed without anything written into it. */
bool checkAndUpgradeDbSchema (const juce::String& path);

/** Opens the installed database and checks its schema. A database that cannot be
    opened ends the process with status 1 after the "[#1007]" message; a refused
    one returns false after its one message. When edits cannot be saved (a
    read-only data folder, a full disk) the user is told once, and true returned. */
bool doDbOpen();
