#pragma once

#include "ui/UserDialogs.h"

#include <functional>

/** Entry names as archives carry them, made comparable: every "\" becomes "/",
    then every "//" becomes "/" (one pass each). */
juce::String CleanPath (juce::String path);

/** Writes the database file and the media file of every track into a new ZIP
    archive (".ssb"): stored entries, ZIP64 records, each entry dated with its
    source's modification time. A source that cannot be opened or read to its
    end, or any write error, fails the backup; the partly written archive stays. */
class BackupTask final : public ProgressTask
{
public:
    BackupTask (juce::String archiveFullPath, juce::File databaseFile);
    ~BackupTask() override = default;

    void run() override;

    const juce::String archivePath;
    bool succeeded = false;

    /** Bytes moved per read and write; the output does not depend on it. */
    static constexpr int copyBlockSize = 1 << 20;

private:
    juce::File database;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BackupTask)
};

/** Writes every entry of a backup archive to its place: "RavBackup/Vodozav.db" to
    the database file, entries under "MediaFiles" into the media folder. An entry
    whose place would lie outside the media folder, a folder entry, and an entry
    that cannot be read or written whole fail the restore; the other entries are
    still written. Each file is written under a temporary name beside its place
    and renamed into place only when complete, so no file is left half-written. */
class RestoreTask final : public ProgressTask
{
public:
    RestoreTask (juce::String archiveFullPath, juce::File databaseFile);
    ~RestoreTask() override = default;

    void run() override;

    const juce::String archivePath;
    bool succeeded = false;

    /** The cleaned names of the entries that failed, for the curious. */
    juce::StringArray failedEntries;

    /** Where an entry of that cleaned name belongs, or an invalid file when it
        has no place (a folder entry, an entry of another kind, or one whose
        path would leave the media folder). */
    static juce::File targetFor (const juce::String& cleanedName, const juce::File& databaseFile,
                                 const juce::String& mediaFolderPath);

private:
    juce::File database;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RestoreTask)
};

/** What a look through a backup archive's entries found. */
struct BackupContents
{
    bool readable = false;    // opened as a ZIP and every entry read
    bool hasDatabase = false; // an entry cleans to "RavBackup/Vodozav.db"
    juce::int64 totalBytes = 0;
};
BackupContents inspectBackup (const juce::File& archive);

/** Bytes an unprivileged user may still write on the volume of that file, in
    GiB; 0 when the volume cannot be asked. */
double freeGigabytesOn (const juce::File& file);

/** The backup command, from its first question to its last box. */
void runBackupCommand (const juce::File& databaseFile);

/** The restore command: questions, checks, the copy aside to "Vodozav.db2", the
    loading, the roll-back and every message. onRestored runs after a restore
    that worked, before its box. */
void runRestoreCommand (const juce::File& databaseFile, const std::function<void()>& onRestored);
