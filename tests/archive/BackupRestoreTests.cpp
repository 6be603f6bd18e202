// Backups and restores through the real data layer, real ZIP files and the
// system's own ZIP tools: what a backup holds, what a restore refuses, and that
// a failed restore leaves the library exactly as it was.

#include "app/SpawnedProcess.h"
#include "archive/BackupRestore.h"
#include "app/Globals.h"
#include "archive/DbSnapshots.h"
#include "support/DbFixture.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <zlib.h>

#include <sys/mount.h>

namespace
{
juce::String runTool (const juce::StringArray& command, int* exitCode = nullptr)
{
    SpawnedProcess process;
    if (! process.start (command, SpawnedProcess::wantStdOut | SpawnedProcess::wantStdErr))
        return "(could not start " + command[0] + ")";
    auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish (60000);
    if (exitCode != nullptr)
        *exitCode = (int) process.getExitCode();
    return output;
}

/** One entry of a hand-made archive. claimedSize >= 0 writes the data raw with
    that uncompressed size in the records (so the data can be shorter than
    claimed); a folder entry is just a name ending in "/". */
struct CraftedEntry
{
    juce::String name;
    juce::MemoryBlock data;
    juce::int64 claimedSize = -1;
};

bool writeZip (const juce::File& file, const std::vector<CraftedEntry>& entries)
{
    auto zip = zipOpen64 (file.getFullPathName().toRawUTF8(), APPEND_STATUS_CREATE);
    if (zip == nullptr)
        return false;
    auto ok = true;
    for (auto& entry : entries)
    {
        zip_fileinfo info {};
        auto raw = entry.claimedSize >= 0 ? 1 : 0;
        ok = ok
             && zipOpenNewFileInZip2_64 (zip, entry.name.toRawUTF8(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0,
                                         raw, 1)
                    == ZIP_OK;
        if (entry.data.getSize() > 0)
            ok = ok && zipWriteInFileInZip (zip, entry.data.getData(), (unsigned) entry.data.getSize()) == ZIP_OK;
        if (raw)
        {
            auto crc = crc32 (0, (const Bytef*) entry.data.getData(), (uInt) entry.data.getSize());
            ok = ok && zipCloseFileInZipRaw64 (zip, (ZPOS64_T) entry.claimedSize, crc) == ZIP_OK;
        }
        else
        {
            ok = ok && zipCloseFileInZip (zip) == ZIP_OK;
        }
    }
    return zipClose (zip, nullptr) == ZIP_OK && ok;
}

juce::MemoryBlock bytesOf (const juce::String& text)
{
    return juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8());
}

juce::MemoryBlock fileBytes (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}

/** A closed database file's bytes without the header counters that every
    write transaction and schema change (opening the file included) moves on. */
juce::MemoryBlock databaseBytes (const juce::File& file)
{
    auto block = fileBytes (file);
    if (block.getSize() >= 100)
    {
        for (auto range : { std::pair (24, 28), std::pair (40, 44), std::pair (92, 100) })
            for (int i = range.first; i < range.second; ++i)
                block[i] = 0;
    }
    return block;
}

/** Every file below a folder with its content, as text, for comparing trees. */
juce::String treeOf (const juce::File& folder)
{
    juce::String text;
    auto files = folder.findChildFiles (juce::File::findFilesAndDirectories, true, "*", juce::File::FollowSymlinks::no);
    files.sort();
    for (auto& file : files)
        text << file.getRelativePathFrom (folder) << (file.isDirectory() ? "/" : "=" + juce::String (fileBytes (file).toBase64Encoding())) << "\n";
    return text;
}

/** A small tmpfs mounted on a folder while it lives (a real full volume). */
struct ScopedTmpfs
{
    ScopedTmpfs (const juce::File& mountPoint, const char* size) : folder (mountPoint)
    {
        folder.createDirectory();
        mounted = ::mount ("tmpfs", folder.getFullPathName().toRawUTF8(), "tmpfs", 0,
                           (juce::String ("size=") + size).toRawUTF8())
                  == 0;
    }
    ~ScopedTmpfs()
    {
        if (mounted)
            ::umount2 (folder.getFullPathName().toRawUTF8(), MNT_DETACH);
    }
    juce::File folder;
    bool mounted = false;
};
} // namespace

class BackupRestoreTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        media().createDirectory();
        outside = folder.getChildFile ("outside");
        outside.createDirectory();
    }

    juce::File media() const { return juce::File (mediaFolder); }

    /** A track with a real file of that content in the media folder. */
    AudioFileModel addTrackWithFile (const juce::String& name, const juce::String& path, const juce::String& content)
    {
        auto file = media().getChildFile (path);
        file.getParentDirectory().createDirectory();
        file.replaceWithText (content);
        return addTrack (name, path);
    }

    /** A library of two folders, a click track and a show. */
    void makeLibrary()
    {
        auto song = addTrackWithFile ("Song", "Album A/Song.wav", "song audio");
        addTrackWithFile ("Other", "Album B/Other.wav", "other audio");
        auto click = addTrackWithFile ("Song click", "Album A/Song click.wav", "click audio");
        click.setIntField ("MainAudioFileID", song.id);
        db().execQuery ("INSERT INTO Sets(Name) VALUES('Friday')");
    }

    juce::File backupTo (const juce::String& name)
    {
        auto archive = folder.getChildFile (name);
        dialogs.answerButton (1);
        dialogs.answerFile (archive);
        runBackupCommand (dbFile);
        return archive;
    }

    /** The restore command with "Yes" and that file; true when it said it worked. */
    bool restoreFrom (const juce::File& backup)
    {
        dialogs.clear();
        dialogs.answerButton (1);
        dialogs.answerFile (backup);
        auto restored = false;
        runRestoreCommand (dbFile, [&] { restored = true; });
        return restored;
    }

    juce::String lastMessage() const
    {
        for (auto it = dialogs.shown().rbegin(); it != dialogs.shown().rend(); ++it)
            if (it->kind == "message")
                return it->title + ": " + it->text;
        return {};
    }

    juce::StringArray messageTitles() const
    {
        juce::StringArray titles;
        for (auto& shown : dialogs.shown())
            if (shown.kind == "message")
                titles.add (shown.title);
        return titles;
    }

    juce::File outside;
};

TEST_F (BackupRestoreTest, ABackupIsAZipOfStoredEntriesThatTheSystemToolsRead)
{
    makeLibrary();
    // Known dates: each entry carries its file's modification time in UTC.
    auto when = juce::Time (2024, 2, 5, 6, 7, 8, 0, false); // 2024-03-05 06:07:08 UTC
    for (auto& file : media().findChildFiles (juce::File::findFiles, true, "*"))
        file.setLastModificationTime (when);
    auto archive = backupTo ("Library.ssb");

    EXPECT_EQ (lastMessage(), "Backup finished: Data successfully backed up to 'Library.ssb'");
    EXPECT_EQ (userSettings()->getValue ("backupDir"), folder.getFullPathName());
    EXPECT_TRUE (dialogs.progressMessages().contains ("Archiving 'Song click.wav"));

    int status = -1;
    auto tested = runTool ({ "unzip", "-t", archive.getFullPathName() }, &status);
    EXPECT_EQ (status, 0) << tested;

    auto listing = juce::StringArray::fromLines (runTool ({ "zipinfo", "-T", archive.getFullPathName() }));
    juce::StringArray names, lines;
    for (auto& line : listing)
    {
        auto fields = juce::StringArray::fromTokens (line, " ", {});
        fields.removeEmptyStrings();
        if (fields.size() < 8 || fields[5] != "stor")
            continue;
        auto name = fields[7];
        for (int i = 8; i < fields.size(); ++i)
            name << " " << fields[i];
        names.add (name);
        lines.add (name + " " + fields[3] + (name.endsWith (".wav") ? " " + fields[6] : juce::String()));
    }
    EXPECT_EQ (listing.joinIntoString ("\n").contains ("defl"), false);

    // The database first, then the tracks by name; no folder entries.
    EXPECT_EQ (names, juce::StringArray ({ "RavBackup/Vodozav.db", "RavBackup/MediaFiles/Album B/Other.wav",
                                          "RavBackup/MediaFiles/Album A/Song.wav",
                                          "RavBackup/MediaFiles/Album A/Song click.wav" }));
    EXPECT_EQ (lines[1], "RavBackup/MediaFiles/Album B/Other.wav 11 20240305.060708");
    EXPECT_EQ (lines[2], "RavBackup/MediaFiles/Album A/Song.wav 10 20240305.060708");
    EXPECT_EQ (lines[3], "RavBackup/MediaFiles/Album A/Song click.wav 11 20240305.060708");
    EXPECT_TRUE (lines[0].startsWith ("RavBackup/Vodozav.db " + juce::String (dbFile.getSize())));

    int piped = -1;
    EXPECT_EQ (runTool ({ "unzip", "-p", archive.getFullPathName(), "RavBackup/MediaFiles/Album A/Song.wav" }, &piped),
               "song audio");
}

TEST_F (BackupRestoreTest, ANameTypedWithoutTheExtensionGetsItAndARestoreTakesIt)
{
    makeLibrary();
    auto typed = folder.getChildFile ("Tour");
    auto written = folder.getChildFile ("Tour.ssb");

    // An existing "Tour.ssb" is not replaced without asking: No opens the save dialog again.
    written.replaceWithText ("last year's backup");
    dialogs.answerButton (1);
    dialogs.answerFile (typed);
    dialogs.answerButton (0);
    dialogs.answerFile (std::nullopt);
    runBackupCommand (dbFile);
    EXPECT_EQ (written.loadFileAsString(), "last year's backup");
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Backup shows...", "Backup to .ssb file...", "Backup shows...",
                                                    "Backup to .ssb file..." }));

    dialogs.clear();
    dialogs.answerButton (1);
    dialogs.answerFile (typed);
    dialogs.answerButton (1);
    runBackupCommand (dbFile);
    EXPECT_EQ (lastMessage(), "Backup finished: Data successfully backed up to 'Tour.ssb'");
    EXPECT_FALSE (typed.exists());
    EXPECT_TRUE (restoreFrom (written));
}

TEST_F (BackupRestoreTest, AnEmptyLibraryGivesTheDatabaseAlone)
{
    auto archive = backupTo ("Empty.ssb");
    auto listing = runTool ({ "zipinfo", "-1", archive.getFullPathName() });
    EXPECT_EQ (listing.trim(), "RavBackup/Vodozav.db");
}

TEST_F (BackupRestoreTest, AMissingOrUnreadableMediaFileFailsTheBackupAndAsksAgain)
{
    struct Case
    {
        const char* what;
        std::function<void (BackupRestoreTest&)> spoil;
    };
    const std::vector<Case> cases {
        { "missing", [] (BackupRestoreTest&) { juce::File (mediaFolder).getChildFile ("Album B/Other.wav").deleteFile(); } },
        // A folder opens but fails at the first read: a read error mid-file.
        { "unreadable", [] (BackupRestoreTest&)
          {
              auto file = juce::File (mediaFolder).getChildFile ("Album B/Other.wav");
              file.deleteFile();
              file.createDirectory();
          } },
    };

    makeLibrary();
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        makeLibrary();
        c.spoil (*this);
        dialogs.clear();
        auto archive = folder.getChildFile (juce::String (c.what) + ".ssb");
        archive.replaceWithText ("an older file of that name");
        dialogs.answerButton (1);
        dialogs.answerFile (archive);
        dialogs.answerFile (std::nullopt);
        runBackupCommand (dbFile);

        EXPECT_EQ (messageTitles(), juce::StringArray ({ "Error" }));
        EXPECT_EQ (lastMessage(), "Error: Backup failed! Please try choosing a different location");
        int saveDialogs = 0;
        for (auto& shown : dialogs.shown())
            saveDialogs += shown.kind == "save" ? 1 : 0;
        EXPECT_EQ (saveDialogs, 2);
        // The old file was replaced; the partial archive stays.
        EXPECT_TRUE (archive.existsAsFile());
        EXPECT_NE (archive.loadFileAsString(), "an older file of that name");
        db().execDML ("DELETE FROM AudioFiles");
        media().deleteRecursively();
    }
}

TEST_F (BackupRestoreTest, AFullDiskFailsTheBackup)
{
    makeLibrary();
    juce::MemoryBlock big (2 << 20);
    big.fillWith (7);
    media().getChildFile ("Album A/Song.wav").replaceWithData (big.getData(), big.getSize());

    ScopedTmpfs small (folder.getChildFile ("small"), "1m");
    if (! small.mounted)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    dialogs.answerButton (1);
    dialogs.answerFile (small.folder.getChildFile ("Full.ssb"));
    dialogs.answerFile (std::nullopt);
    runBackupCommand (dbFile);
    EXPECT_EQ (lastMessage(), "Error: Backup failed! Please try choosing a different location");
}

TEST_F (BackupRestoreTest, ARoundTripBringsBackEveryTableAndEveryMediaFile)
{
    makeLibrary();
    auto before = snapshotTables (db(), libraryTables());
    auto mediaBefore = treeOf (media());
    auto archive = backupTo ("Round.ssb");

    // Change everything: rows, files, and a file that the backup does not know.
    db().execDML ("UPDATE AudioFiles SET Name = Name || ' changed'");
    db().execDML ("DELETE FROM Sets");
    db().startTransaction ("Something to undo");
    db().execDML ("INSERT INTO Sets(Name) VALUES('Saturday')");
    db().endTransaction();
    media().getChildFile ("Album A/Song.wav").replaceWithText ("overwritten");
    media().getChildFile ("Album B/Other.wav").deleteFile();
    media().getChildFile ("New/Own.wav").create();

    ASSERT_TRUE (restoreFrom (archive)) << lastMessage();
    EXPECT_EQ (lastMessage(), "Restore finished: Backup restored successfully!");
    EXPECT_EQ (snapshotTables (db(), libraryTables()), before);
    EXPECT_TRUE (db().isDbOpen());
    EXPECT_EQ (rowCount ("UndoStack"), 0);

    // A restore never deletes the user's own files; everything archived is back.
    media().getChildFile ("New/Own.wav").deleteFile();
    media().getChildFile ("New").deleteFile();
    EXPECT_EQ (treeOf (media()), mediaBefore);
    EXPECT_TRUE (dbFile.getSiblingFile ("Vodozav.db2").existsAsFile());
    EXPECT_TRUE (dialogs.progressMessages().contains ("Restoring 'Database"));
    EXPECT_TRUE (dialogs.progressMessages().contains ("Restoring '/Album A/Song.wav"));
    EXPECT_EQ (dbsnapshots::list (dbFile).size(), 1);
}

TEST_F (BackupRestoreTest, ADatabaseCopyRestoresFromADbbFile)
{
    makeLibrary();
    auto before = snapshotTables (db(), libraryTables());
    db().closeDb();
    auto copy = folder.getChildFile ("Old.dbb");
    ASSERT_TRUE (dbFile.copyFileTo (copy));
    ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
    ASSERT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));
    db().execDML ("DELETE FROM AudioFiles");

    EXPECT_TRUE (restoreFrom (copy)) << lastMessage();
    EXPECT_EQ (snapshotTables (db(), libraryTables()), before);
}

TEST_F (BackupRestoreTest, EveryBadBackupIsRefusedOrRolledBackAndNothingIsWrittenOutside)
{
    makeLibrary();
    auto good = backupTo ("Good.ssb");
    auto goodBytes = fileBytes (good);
    auto dbEntry = [&]
    {
        db().closeDb();
        auto bytes = fileBytes (dbFile);
        db().openDb (dbFile.getFullPathName());
        checkAndUpgradeDbSchema (dbFile.getFullPathName());
        return bytes;
    }();

    auto escape = outside.getFullPathName();
    auto archiveWith = [&] (const juce::String& name, std::vector<CraftedEntry> entries)
    {
        auto file = folder.getChildFile (name);
        std::vector<CraftedEntry> all { { "RavBackup/Vodozav.db", dbEntry, -1 } };
        for (auto& e : entries)
            all.push_back (e);
        EXPECT_TRUE (writeZip (file, all));
        return file;
    };

    const juce::String rolledBack ("Restore failed: The backup file could not be loaded. Original data restored.");
    struct Case
    {
        const char* what;
        juce::File backup;
        juce::String message;
    };

    auto truncated = folder.getChildFile ("Truncated.ssb");
    truncated.replaceWithData (goodBytes.getData(), goodBytes.getSize() - 40);
    auto corrupt = folder.getChildFile ("Corrupt.ssb");
    {
        auto bytes = goodBytes;
        auto* data = (char*) bytes.getData();
        const std::string needle ("song audio");
        auto* at = std::search (data, data + bytes.getSize(), needle.begin(), needle.end());
        ASSERT_NE (at, data + bytes.getSize());
        *at = 'S';
        corrupt.replaceWithData (bytes.getData(), bytes.getSize());
    }
    auto empty = folder.getChildFile ("Empty.ssb");
    ASSERT_TRUE (writeZip (empty, {}));
    auto foreign = folder.getChildFile ("Foreign.ssb");
    folder.getChildFile ("notes.txt").replaceWithText ("notes");
    runTool ({ "zip", "-q", "-j", foreign.getFullPathName(), folder.getChildFile ("notes.txt").getFullPathName() });
    auto notADatabase = folder.getChildFile ("Text.dbb");
    notADatabase.replaceWithText ("this is not a database");
    auto upperCase = folder.getChildFile ("Good.SSB");
    good.copyFileTo (upperCase);

    const std::vector<Case> cases {
        { "climbing out", archiveWith ("Climb.ssb", { { "RavBackup/MediaFiles/../../outside/x.wav", bytesOf ("x") } }),
          rolledBack },
        { "climbing out by backslashes",
          archiveWith ("Back.ssb", { { "RavBackup\\MediaFiles\\..\\..\\outside\\x.wav", bytesOf ("x") } }), rolledBack },
        { "climbing from a folder",
          archiveWith ("Deep.ssb", { { "RavBackup/MediaFiles/Album A/../../../outside/x.wav", bytesOf ("x") } }),
          rolledBack },
        { "absolute name", archiveWith ("Abs.ssb", { { escape + "/x.wav", bytesOf ("x") } }), rolledBack },
        { "absolute name through the media prefix",
          archiveWith ("AbsMedia.ssb", { { escape + "/MediaFiles/../x.wav", bytesOf ("x") } }), rolledBack },
        { "folder entries", archiveWith ("Folders.ssb", { { "RavBackup/", {} }, { "RavBackup/MediaFiles/Album A/", {} } }),
          rolledBack },
        { "data cut short",
          archiveWith ("Cut.ssb", { { "RavBackup/MediaFiles/Album A/Song.wav", bytesOf ("short"), 5000 } }),
          rolledBack },
        { "damaged data", corrupt, rolledBack },
        { "truncated archive", truncated, "Invalid ZIP file: Could not open Truncated.ssb, aborting restore process." },
        { "empty zip", empty, "Invalid ZIP file: Empty.ssb is not a Raziviz Avodoru backup" },
        { "zip of another program", foreign, "Invalid ZIP file: Foreign.ssb is not a Raziviz Avodoru backup" },
        { "dbb that is no database", notADatabase, rolledBack },
        { "upper-case extension", upperCase, "Filename incorrect: Backup files end with '.ssb' or '.dbb'" },
        { "missing", folder.getChildFile ("Gone.ssb"), "Error: Backup 'Gone.ssb' not found." },
    };

    auto tables = snapshotTables (db(), libraryTables());
    auto mediaTree = treeOf (media());

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        db().closeDb();
        auto dbBytes = databaseBytes (dbFile);
        ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
        ASSERT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));

        EXPECT_FALSE (restoreFrom (c.backup));
        EXPECT_EQ (lastMessage(), c.message);
        EXPECT_TRUE (db().isDbOpen());
        EXPECT_EQ (snapshotTables (db(), libraryTables()), tables);
        EXPECT_EQ (treeOf (media()), mediaTree);
        EXPECT_EQ (treeOf (outside), "");
        EXPECT_FALSE (folder.getChildFile ("x.wav").exists());

        db().closeDb();
        EXPECT_TRUE (databaseBytes (dbFile) == dbBytes);
        ASSERT_TRUE (db().openDb (dbFile.getFullPathName()));
        ASSERT_TRUE (checkAndUpgradeDbSchema (dbFile.getFullPathName()));
    }
}

TEST_F (BackupRestoreTest, ATargetMustLieInsideTheMediaFolder)
{
    const juce::String mediaPath (mediaFolder);
    struct Case
    {
        const char* name;
        const char* expected; // relative to the media folder; "" for no target
    };
    const Case cases[] {
        { "RavBackup/MediaFiles/Album A/Song.wav", "Album A/Song.wav" },
        { "RavBackup/MediaFiles//Album A/Song.wav", "Album A/Song.wav" },
        { "RavBackup/MediaFiles/./Song.wav", "" },
        { "RavBackup/MediaFiles/../Vodozav.db", "" },
        { "RavBackup/MediaFiles/Album A/..", "" },
        { "RavBackup/MediaFiles/", "" },
        { "RavBackup/MediaFiles/Album A/", "" },
        { "RavBackup/Other.txt", "" },
    };
    for (auto& c : cases)
    {
        auto target = RestoreTask::targetFor (c.name, dbFile, mediaPath);
        EXPECT_EQ (target == juce::File() ? juce::String() : target.getRelativePathFrom (media()), juce::String (c.expected))
            << c.name;
    }
    EXPECT_EQ (RestoreTask::targetFor ("RavBackup/Vodozav.db", dbFile, mediaPath), dbFile);
    EXPECT_EQ (CleanPath ("RavBackup\\\\MediaFiles\\A//b"), "RavBackup/MediaFiles/A/b");
}

TEST_F (BackupRestoreTest, ALinkInsideTheMediaFolderDoesNotLeadARestoreOut)
{
    makeLibrary();
    auto archive = backupTo ("Linked.ssb");
    // "Album B" now points outside: writing through it would land there.
    media().getChildFile ("Album B").deleteRecursively();
    ASSERT_TRUE (outside.createSymbolicLink (media().getChildFile ("Album B"), true));

    EXPECT_FALSE (restoreFrom (archive));
    EXPECT_EQ (treeOf (outside), "");
}

TEST_F (BackupRestoreTest, AFullDiskDuringTheRestoreRollsBackAndLeavesNoHalfFile)
{
    makeLibrary();
    // A large file in the backup, a small volume for the media folder.
    juce::MemoryBlock big (2 << 20);
    big.fillWith (7);
    media().getChildFile ("Album A/Song.wav").replaceWithData (big.getData(), big.getSize());
    auto archive = backupTo ("Big.ssb");
    auto before = snapshotTables (db(), libraryTables());

    auto oldMedia = media().getSiblingFile ("Media Files old");
    media().moveFileTo (oldMedia);
    ScopedTmpfs small (media(), "1m");
    if (! small.mounted)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    media().getChildFile ("Album A").createDirectory();
    ASSERT_TRUE (media().getChildFile ("Album A/Song.wav").replaceWithText ("the user's current file"));

    EXPECT_FALSE (restoreFrom (archive));
    EXPECT_EQ (lastMessage(), "Restore failed: The backup file could not be loaded. Original data restored.");
    EXPECT_EQ (snapshotTables (db(), libraryTables()), before);
    EXPECT_EQ (media().getChildFile ("Album A/Song.wav").loadFileAsString(), "the user's current file");
    EXPECT_TRUE (media().findChildFiles (juce::File::findFiles, true, "*.restoring").isEmpty());
}

TEST_F (BackupRestoreTest, ABackupLargerThanTheFreeSpaceOfItsVolumeIsRefused)
{
    ScopedTmpfs volume (folder.getChildFile ("volume"), "2g");
    if (! volume.mounted)
        GTEST_SKIP() << "mounting a tmpfs needs root";

    // The records claim 4.5 GiB (one entry beyond what 32 bits can say).
    auto archive = volume.folder.getChildFile ("Huge.ssb");
    ASSERT_TRUE (writeZip (archive, { { "RavBackup/Vodozav.db", bytesOf ("db"), 1LL << 29 },
                                      { "RavBackup/MediaFiles/A/Stems.wav", bytesOf ("x"), 4LL << 30 } }));
    auto before = snapshotTables (db(), libraryTables());

    EXPECT_FALSE (restoreFrom (archive));
    EXPECT_EQ (lastMessage(), "Insufficient disk space: You need 4.5 GB of free disk space to restore this backup.");
    EXPECT_TRUE (db().isDbOpen());
    EXPECT_EQ (snapshotTables (db(), libraryTables()), before);
    EXPECT_FALSE (dbFile.getSiblingFile ("Vodozav.db2").exists());
}

TEST_F (BackupRestoreTest, ASnapshotIsAWholeDatabaseAndOnlyTheNewestTenAreKept)
{
    makeLibrary();
    auto expected = snapshotTables (db(), libraryTables());

    juce::File newest;
    for (int i = 0; i < 12; ++i)
        newest = dbsnapshots::take (dbFile);
    ASSERT_TRUE (newest.existsAsFile());
    auto all = dbsnapshots::list (dbFile);
    EXPECT_EQ (all.size(), 10);
    EXPECT_EQ (all[0], newest);

    // Opened as the program's database, the copy holds the same library.
    db().closeDb();
    ASSERT_TRUE (db().openDb (newest.getFullPathName()));
    ASSERT_TRUE (checkAndUpgradeDbSchema (newest.getFullPathName()));
    EXPECT_EQ (db().checkFile (true).kind, RaDatabase::FileCheck::Kind::usable);
    EXPECT_EQ (snapshotTables (db(), libraryTables()), expected);
}
