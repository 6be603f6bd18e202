#include "archive/BackupRestore.h"

#include "app/Globals.h"
#include "app/Vendor.h"
#include "archive/DbSnapshots.h"
#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "data/RaDatabase.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace
{
const juce::String databaseEntryName ("RavBackup/Vodozav.db");
const juce::String mediaEntryPrefix ("RavBackup/MediaFiles/");
constexpr int nameBufferSize = 1024;
constexpr juce::int64 restoreBlockSize = 1048576;

/** A file descriptor closed when the scope ends. */
struct ScopedFd
{
    explicit ScopedFd (int descriptor) : fd (descriptor) {}
    ~ScopedFd() { close(); }
    bool close()
    {
        auto ok = fd < 0 || ::close (fd) == 0;
        fd = -1;
        return ok;
    }
    int fd;
};

bool writeAll (int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        auto written = ::write (fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= (size_t) written;
    }
    return true;
}

juce::String readCurrentName (unzFile archive, unz_file_info64& info)
{
    char name[nameBufferSize] {};
    if (unzGetCurrentFileInfo64 (archive, &info, name, sizeof (name) - 1, nullptr, 0, nullptr, 0) != UNZ_OK)
        return {};
    return juce::String::fromUTF8 (name);
}

/** A real path with symbolic links and "." and ".." resolved; empty when the
    path does not exist. */
juce::String resolvedPath (const juce::File& file)
{
    char resolved[PATH_MAX] {};
    if (::realpath (file.getFullPathName().toRawUTF8(), resolved) == nullptr)
        return {};
    return juce::String::fromUTF8 (resolved);
}

/** The folder exists (or was made) and, with every link followed, still lies
    inside the root folder (or is it). */
bool makeFolderInside (const juce::File& folder, const juce::File& root)
{
    if (! folder.isDirectory() && ! folder.createDirectory())
        return false;

    auto rootPath = resolvedPath (root);
    auto folderPath = resolvedPath (folder);
    return rootPath.isNotEmpty() && folderPath.isNotEmpty()
           && (folderPath == rootPath || folderPath.startsWith (rootPath.trimCharactersAtEnd ("/") + "/"));
}

/** Writes the archive's current entry to target, through a temporary file beside
    it that is renamed into place only when every byte was read, checked and
    written. Nothing is left under either name when it fails. */
bool extractCurrentEntry (unzFile archive, const unz_file_info64& info, const juce::File& target,
                          const juce::File& allowedRoot)
{
    if (target.isDirectory() || ! makeFolderInside (target.getParentDirectory(), allowedRoot))
        return false;

    if (unzOpenCurrentFile (archive) != UNZ_OK)
        return false;

    auto partial = target.getSiblingFile ("." + target.getFileName() + ".restoring");
    ScopedFd out (::open (partial.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));

    auto ok = out.fd >= 0;
    if (ok)
    {
        juce::HeapBlock<char> buffer ((size_t) restoreBlockSize);
        // The 64-bit record: an entry of 4 GiB or more is read whole.
        auto remaining = (juce::int64) info.uncompressed_size;

        while (ok && remaining > 0)
        {
            auto wanted = (unsigned) juce::jmin (remaining, restoreBlockSize);
            auto got = unzReadCurrentFile (archive, buffer, wanted);
            ok = got > 0 && writeAll (out.fd, buffer, (size_t) got);
            remaining -= got;
        }
        ok = ::fsync (out.fd) == 0 && ok;
        ok = out.close() && ok;
    }

    // Closing checks the data against the entry's CRC once it was read whole.
    ok = unzCloseCurrentFile (archive) == UNZ_OK && ok;
    ok = ok && ::rename (partial.getFullPathName().toRawUTF8(), target.getFullPathName().toRawUTF8()) == 0;

    if (! ok)
        partial.deleteFile();
    return ok;
}

void warning (const juce::String& title, const juce::String& text)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, title, text, {}, nullptr);
}

void information (const juce::String& title, const juce::String& text)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, title, text, {}, nullptr);
}

juce::File backupStartFolder()
{
    auto* settings = userSettings();
    auto folder = settings != nullptr ? settings->getValue ("backupDir") : juce::String();
    return folder.isNotEmpty() ? juce::File (folder)
                               : juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
}

/** A ZIP without any entry is nothing but its end record (which the ZIP
    reader refuses to open): it is read as an archive without entries. */
bool isEmptyZip (const juce::File& file)
{
    juce::MemoryBlock bytes;
    if (file.getSize() < 22 || file.getSize() > 22 + 65535 || ! file.loadFileAsData (bytes))
        return false;
    auto* b = (const juce::uint8*) bytes.getData();
    auto entries = b[8] | b[9] | b[10] | b[11];
    auto commentLength = (size_t) (b[20] | b[21] << 8);
    return b[0] == 'P' && b[1] == 'K' && b[2] == 5 && b[3] == 6 && entries == 0 && bytes.getSize() == 22 + commentLength;
}

/** Opens the database again and checks it, so that it is in use exactly as at
    start-up; the answer is not needed by the callers. */
void reopenDatabase (const juce::File& databaseFile)
{
    auto path = databaseFile.getFullPathName();
    if (RaDatabase::getInstance()->openDb (path))
        checkAndUpgradeDbSchema (path);
}
} // namespace

//==============================================================================
juce::String CleanPath (juce::String path)
{
    return path.replace ("\\", "/").replace ("//", "/");
}

//==============================================================================
BackupTask::BackupTask (juce::String archiveFullPath, juce::File databaseFile)
    : ProgressTask ("Creating backup file...", true, false, 10000),
      archivePath (std::move (archiveFullPath)),
      database (std::move (databaseFile))
{
}

void BackupTask::run()
{
    succeeded = false;

    juce::StringArray sources { database.getFullPathName() };
    juce::StringArray names { databaseEntryName };
    for (auto& track : RaDatabase::getInstance()->getAudioFiles (""))
    {
        sources.add (track.getFullPath());
        names.add (mediaEntryPrefix + track.getStringField ("Path"));
    }

    auto archive = zipOpen64 (archivePath.toRawUTF8(), APPEND_STATUS_CREATE);
    if (archive == nullptr)
        return;

    auto fail = [archive]
    {
        zipClose (archive, nullptr);
        return;
    };

    juce::HeapBlock<char> buffer ((size_t) copyBlockSize);
    const auto n = sources.size();

    for (int i = 0; i < n; ++i)
    {
        setProgress ((double) (i + 1) / (double) (n + 1));
        setStatusMessage ("Archiving '" + names[i].fromLastOccurrenceOf ("/", false, false));

        ScopedFd in (::open (sources[i].toRawUTF8(), O_RDONLY | O_CLOEXEC));
        struct stat status {};
        if (in.fd < 0 || ::fstat (in.fd, &status) != 0 || ! S_ISREG (status.st_mode))
            return fail();

        zip_fileinfo info {};
        std::tm utc {};
        auto modified = (std::time_t) status.st_mtime;
        ::gmtime_r (&modified, &utc);
        info.tmz_date.tm_sec = (uInt) utc.tm_sec;
        info.tmz_date.tm_min = (uInt) utc.tm_min;
        info.tmz_date.tm_hour = (uInt) utc.tm_hour;
        info.tmz_date.tm_mday = (uInt) utc.tm_mday;
        info.tmz_date.tm_mon = (uInt) utc.tm_mon;
        info.tmz_date.tm_year = (uInt) utc.tm_year;

        if (zipOpenNewFileInZip64 (archive, names[i].toRawUTF8(), &info, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1)
            != ZIP_OK)
            return fail();

        // To the file's end: a read error on the way fails the backup instead of
        // leaving a shortened entry.
        for (;;)
        {
            auto got = ::read (in.fd, buffer, (size_t) copyBlockSize);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 || (got > 0 && zipWriteInFileInZip (archive, buffer, (unsigned) got) < 0))
            {
                zipCloseFileInZip (archive);
                return fail();
            }
            if (got == 0)
                break;
        }

        if (zipCloseFileInZip (archive) != ZIP_OK)
            return fail();
    }

    succeeded = zipClose (archive, nullptr) == ZIP_OK;
}

//==============================================================================
RestoreTask::RestoreTask (juce::String archiveFullPath, juce::File databaseFile)
    : ProgressTask ("Restoring from backup...", true, false, 10000),
      archivePath (std::move (archiveFullPath)),
      database (std::move (databaseFile))
{
}

juce::File RestoreTask::targetFor (const juce::String& cleanedName, const juce::File& databaseFile,
                                   const juce::String& mediaFolderPath)
{
    if (cleanedName == databaseEntryName)
        return databaseFile;

    auto at = cleanedName.indexOf ("MediaFiles");
    if (at < 0 || cleanedName.endsWith ("/"))
        return {};

    // The path below the media folder, one folder name at a time: an absolute
    // part collapses away, and "." or ".." (which could climb out) is refused.
    auto parts = juce::StringArray::fromTokens (cleanedName.substring (at + 10), "/", {});
    parts.removeEmptyStrings (false);
    if (parts.isEmpty())
        return {};
    for (auto& part : parts)
        if (part == "." || part == "..")
            return {};

    juce::File media (mediaFolderPath);
    auto target = media.getChildFile (parts.joinIntoString ("/"));
    return target.isAChildOf (media) ? target : juce::File();
}

void RestoreTask::run()
{
    succeeded = true;
    failedEntries.clear();

    juce::File archiveFile (archivePath);
    auto archive = archivePath.isNotEmpty() && archiveFile.existsAsFile()
                           && archiveFile.getFileExtension().equalsIgnoreCase (".ssb")
                       ? unzOpen64 (archivePath.toRawUTF8())
                       : nullptr;
    unz_global_info64 global {};
    if (archive == nullptr || unzGetGlobalInfo64 (archive, &global) != UNZ_OK)
    {
        if (archive != nullptr)
            unzClose (archive);
        succeeded = false;
        return;
    }

    const auto total = (double) global.number_entry;
    auto step = unzGoToFirstFile (archive);
    for (int i = 0; step == UNZ_OK; ++i)
    {
        unz_file_info64 info {};
        auto name = CleanPath (readCurrentName (archive, info));
        auto target = targetFor (name, database, mediaFolder);
        auto isDatabase = target == database;
        auto label = isDatabase ? juce::String ("Database")
                                : (target == juce::File() ? juce::String()
                                                          : name.fromFirstOccurrenceOf ("MediaFiles", false, false));

        setProgress ((double) (i + 1) / (total + 1.0));
        setStatusMessage ("Restoring '" + label);

        auto root = isDatabase ? database.getParentDirectory() : juce::File (mediaFolder);
        if (name.isEmpty() || target == juce::File() || ! extractCurrentEntry (archive, info, target, root))
        {
            succeeded = false;
            failedEntries.add (name);
        }

        step = unzGoToNextFile (archive);
    }

    // A damaged directory stops the walk early: what was not read is not restored.
    if (step != UNZ_END_OF_LIST_OF_FILE)
        succeeded = false;

    unzClose (archive);
}

//==============================================================================
BackupContents inspectBackup (const juce::File& archiveFile)
{
    BackupContents contents;
    if (isEmptyZip (archiveFile))
    {
        contents.readable = true;
        return contents;
    }

    auto archive = unzOpen64 (archiveFile.getFullPathName().toRawUTF8());
    unz_global_info64 global {};
    if (archive == nullptr || unzGetGlobalInfo64 (archive, &global) != UNZ_OK)
    {
        if (archive != nullptr)
            unzClose (archive);
        return contents;
    }

    auto step = unzGoToFirstFile (archive);
    while (step == UNZ_OK)
    {
        unz_file_info64 info {};
        auto name = CleanPath (readCurrentName (archive, info));
        contents.totalBytes += (juce::int64) info.uncompressed_size;
        contents.hasDatabase = contents.hasDatabase || name == databaseEntryName;
        step = unzGoToNextFile (archive);
    }

    contents.readable = step == UNZ_END_OF_LIST_OF_FILE;
    unzClose (archive);
    return contents;
}

double freeGigabytesOn (const juce::File& file)
{
    struct statvfs volume {};
    if (::statvfs (file.getFullPathName().toRawUTF8(), &volume) != 0)
        return 0.0;
    return (double) volume.f_bavail * (double) volume.f_frsize / (double) (1 << 30);
}

//==============================================================================
void runBackupCommand (const juce::File& databaseFile)
{
    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::NoIcon, "Backup shows...",
                                         "This will create a backup file containing a complete copy of all your "
                                         "lightshows, shows and audio files. Continue?",
                                         "Yes", "No", nullptr))
        return;

    auto startFolder = backupStartFolder();

    for (;;)
    {
        auto chosen = userDialogs().chooseFileToSave ("Backup to .ssb file...", startFolder, "*.ssb");
        if (! chosen.has_value())
            return;

        // A name typed without the extension gets it: the restore only takes
        // files that end with it. A file of the longer name that already
        // exists was not the one the dialog warned about, so it is asked for.
        auto archive = *chosen;
        if (! archive.hasFileExtension (".ssb"))
        {
            archive = archive.getSiblingFile (archive.getFileName() + ".ssb");
            if (archive.exists()
                && ! userDialogs().showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "Backup shows...",
                                                    "'" + archive.getFileName()
                                                        + "' already exists. Do you want to replace it?",
                                                    "Yes", "No", dialogOwner()))
                continue;
        }
        archive.deleteFile();
        if (auto* settings = userSettings())
            settings->setValue ("backupDir", archive.getParentDirectory().getFullPathName());

        BackupTask task (archive.getFullPathName(), databaseFile);
        userDialogs().runWithProgress (task, juce::Thread::Priority::normal);

        if (task.succeeded)
        {
            information ("Backup finished", "Data successfully backed up to '" + archive.getFileName() + "'");
            return;
        }
        warning ("Error", "Backup failed! Please try choosing a different location");
    }
}

void runRestoreCommand (const juce::File& databaseFile, const std::function<void()>& onRestored)
{
    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "Warning!!!",
                                         "Restoring from a backup will delete all your\nexisting lightshows, shows "
                                         "and audio files.\n\nWe recommend you backup your existing shows\nbefore "
                                         "proceeding (File > Backup shows...).\n\nDo you really want to continue "
                                         "with the restore?",
                                         "Yes", "No", nullptr))
        return;

    auto chosen = userDialogs().chooseFileToOpen ("Choose a backup to load...", backupStartFolder(), "*.dbb,*.ssb");
    if (! chosen.has_value())
        return;

    auto backup = *chosen;
    if (backup.getFullPathName().isEmpty() || ! backup.exists())
    {
        warning ("Error", "Backup '" + backup.getFileName() + "' not found.");
        return;
    }

    auto extension = backup.getFileExtension();
    if (extension != ".dbb" && extension != ".ssb")
    {
        warning ("Filename incorrect", "Backup files end with '.ssb' or '.dbb'");
        return;
    }

    const auto isArchive = extension == ".ssb";
    if (isArchive)
    {
        auto freeSpace = freeGigabytesOn (backup);
        auto contents = inspectBackup (backup);
        if (! contents.readable)
        {
            warning ("Invalid ZIP file", "Could not open " + backup.getFileName() + ", aborting restore process.");
            return;
        }

        auto needed = (double) contents.totalBytes / (double) (1 << 30);
        if (needed > freeSpace)
        {
            warning ("Insufficient disk space",
                     "You need " + juce::String (needed, 1) + " GB of free disk space to restore this backup.");
            return;
        }

        if (! contents.hasDatabase)
        {
            warning ("Invalid ZIP file", backup.getFileName() + " is not a Raziviz Avodoru backup");
            return;
        }
    }

    auto& db = *RaDatabase::getInstance();
    const auto path = databaseFile.getFullPathName();
    db.closeDb();
    dbsnapshots::take (databaseFile);

    auto aside = databaseFile.getSiblingFile ("Vodozav.db2");
    if (! databaseFile.copyFileTo (aside))
    {
        warning ("Fatal error", "Could not backup existing database. Aborting restore process.");
        reopenDatabase (databaseFile);
        return;
    }

    auto loaded = false;
    if (isArchive)
    {
        RestoreTask task (backup.getFullPathName(), databaseFile);
        userDialogs().runWithProgress (task, juce::Thread::Priority::normal);
        loaded = task.succeeded;
    }
    else
    {
        loaded = backup.copyFileTo (databaseFile);
    }

    if (loaded && db.openDb (path) && checkAndUpgradeDbSchema (path))
    {
        if (onRestored != nullptr)
            onRestored();
        information ("Restore finished", "Backup restored successfully!");
        return;
    }

    warning ("Restore failed", "The backup file could not be loaded. Original data restored.");
    db.closeDb();
    if (! aside.copyFileTo (databaseFile))
        warning ("Fatal error #1010.", juce::String ("Could not restore original data. Please contact ")
                                           + vendor::supportEmail);
    reopenDatabase (databaseFile);
}
