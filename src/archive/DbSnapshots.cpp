#include "archive/DbSnapshots.h"

#include "data/RaDatabase.h"

#include <sqlite3.h>

namespace dbsnapshots
{
namespace
{
/** Copies one database into another through the online backup interface: a
    reader of the source sees one consistent state however long the copy takes. */
bool copyDatabase (const juce::File& source, const juce::File& target)
{
    // The program holds its open database exclusively: the copy is then read
    // through the program's own connection.
    auto& program = *RaDatabase::getInstance();
    auto* shared = program.isDbOpen() && juce::File (program.getOpenPath()) == source ? program.connection().handle()
                                                                                      : nullptr;
    sqlite3* from = shared;
    sqlite3* to = nullptr;
    auto ok = (shared != nullptr
               || sqlite3_open_v2 (source.getFullPathName().toRawUTF8(), &from, SQLITE_OPEN_READONLY, nullptr)
                      == SQLITE_OK)
              && sqlite3_open_v2 (target.getFullPathName().toRawUTF8(), &to,
                                  SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
                     == SQLITE_OK;

    if (ok)
    {
        sqlite3_busy_timeout (from, 2000);
        auto* backup = sqlite3_backup_init (to, "main", from, "main");
        ok = backup != nullptr;
        if (ok)
        {
            // Another program may hold the file for a moment; not for long.
            int step, waits = 0;
            while ((step = sqlite3_backup_step (backup, -1)) == SQLITE_BUSY || step == SQLITE_LOCKED)
                if (++waits > 100)
                    break;
                else
                    sqlite3_sleep (20);
            ok = step == SQLITE_DONE;
            ok = sqlite3_backup_finish (backup) == SQLITE_OK && ok;
        }
    }

    if (shared == nullptr)
        sqlite3_close (from);
    ok = sqlite3_close (to) == SQLITE_OK && ok;
    return ok;
}
} // namespace

juce::File folderFor (const juce::File& databaseFile)
{
    return databaseFile.getSiblingFile ("Snapshots");
}

juce::Array<juce::File> list (const juce::File& databaseFile)
{
    auto found = folderFor (databaseFile).findChildFiles (juce::File::findFiles, false, "Vodozav *.db");
    // The dated names sort as their times do.
    std::sort (found.begin(), found.end(),
               [] (const juce::File& a, const juce::File& b) { return a.getFileName() > b.getFileName(); });
    return found;
}

juce::File take (const juce::File& databaseFile)
{
    if (! databaseFile.existsAsFile())
        return {};

    auto folder = folderFor (databaseFile);
    if (! folder.createDirectory())
        return {};

    // Milliseconds in the name keep two copies of one second apart and in order.
    juce::File target;
    do
    {
        auto now = juce::Time::getCurrentTime();
        target = folder.getChildFile ("Vodozav " + now.formatted ("%Y-%m-%d %H-%M-%S") + "."
                                      + juce::String (now.getMilliseconds()).paddedLeft ('0', 3) + ".db");
        if (target.exists())
            juce::Thread::sleep (1);
    } while (target.exists());

    // Written under a name that list() does not see until the copy is whole.
    auto partial = target.withFileExtension (".partial");
    if (! copyDatabase (databaseFile, partial) || ! partial.moveFileTo (target))
    {
        partial.deleteFile();
        return {};
    }

    auto all = list (databaseFile);
    for (int i = keptSnapshots; i < all.size(); ++i)
        all.getReference (i).deleteFile();
    return target;
}
} // namespace dbsnapshots
