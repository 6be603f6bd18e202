#pragma once

#include <juce_core/juce_core.h>

/** Dated copies of the database in a "Snapshots" folder beside it, taken before
    a restore, before a schema upgrade and at every start. Each copy is made with
    SQLite's online backup, so it is a whole, consistent database even while the
    program has the file open. The newest ten are kept. */
namespace dbsnapshots
{
inline constexpr int keptSnapshots = 10;

/** The folder "Snapshots" beside the database file. */
juce::File folderFor (const juce::File& databaseFile);

/** Copies the database into a new dated file ("Vodozav 2026-12-10 13-04-05.123.db")
    and removes the oldest copies beyond the newest ten. The copy made, or an
    invalid file when the source is missing or could not be copied (nothing is
    left behind then). */
juce::File take (const juce::File& databaseFile);

/** The snapshots there are, newest first. */
juce::Array<juce::File> list (const juce::File& databaseFile);
} // namespace dbsnapshots
