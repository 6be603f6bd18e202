// Backup and restore against the system's own ZIP tools on the same 20 files of
// 20 MB, each pair measured in one run: the throughput ratio is the tool's time
// over ours (1 means as fast as the tool; the target is at least 0.8).

#include "app/SpawnedProcess.h"
#include "archive/BackupRestore.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "data/RaDatabase.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr int fileCount = 20;
constexpr int fileBytes = 20 << 20;

double secondsOf (const std::function<void()>& work)
{
    auto start = juce::Time::getMillisecondCounterHiRes();
    work();
    return (juce::Time::getMillisecondCounterHiRes() - start) / 1000.0;
}

bool runTool (const juce::StringArray& command)
{
    SpawnedProcess process;
    if (! process.start (command, 0))
        return false;
    process.waitForProcessToFinish (600000);
    return process.getExitCode() == 0;
}

/** A database with 20 tracks whose 20 MB files lie in the media folder. */
struct ArchiveFixture
{
    ArchiveFixture()
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("rav-bench-archive-" + juce::String (juce::Random::getSystemRandom().nextInt()));
        folder.createDirectory();
        database = folder.getChildFile ("Vodozav.db");
        bool created = false;
        createFreshDatabase (database, created);
        auto& db = *RaDatabase::getInstance();
        db.openDb (database.getFullPathName());
        checkAndUpgradeDbSchema (database.getFullPathName());

        savedMediaFolder = mediaFolder;
        media = folder.getChildFile ("Media Files");
        mediaFolder = media.getFullPathName() + "/";

        juce::MemoryBlock block (fileBytes);
        juce::Random random (42);
        random.fillBitsRandomly (block.getData(), block.getSize());
        for (int i = 0; i < fileCount; ++i)
        {
            auto path = "Album " + juce::String (i / 5) + "/Track " + juce::String (i).paddedLeft ('0', 2) + ".wav";
            auto file = media.getChildFile (path);
            file.getParentDirectory().createDirectory();
            file.replaceWithData (block.getData(), block.getSize());
            db.execQuery ("INSERT INTO AudioFiles(Name, Path) VALUES('Track " + juce::String (i) + "','" + path + "')");
        }
    }

    ~ArchiveFixture()
    {
        RaDatabase::getInstance()->closeDb();
        mediaFolder = savedMediaFolder;
        folder.deleteRecursively();
    }

    juce::File folder, database, media;
    juce::String savedMediaFolder;
};

void BM_BackupAgainstZipStored (benchmark::State& state)
{
    ArchiveFixture fixture;
    auto ours = fixture.folder.getChildFile ("Ours.ssb");
    auto theirs = fixture.folder.getChildFile ("Theirs.zip");

    for (auto _ : state)
    {
        ours.deleteFile();
        theirs.deleteFile();
        bool ok = false;
        auto ourSeconds = secondsOf (
            [&]
            {
                BackupTask task (ours.getFullPathName(), fixture.database);
                task.run();
                ok = task.succeeded;
            });
        auto toolSeconds = secondsOf (
            [&]
            {
                ok = runTool ({ "sh", "-c",
                                "cd \"" + fixture.media.getFullPathName() + "\" && zip -0 -r -q \""
                                    + theirs.getFullPathName() + "\" ." })
                     && ok;
            });
        if (! ok)
            state.SkipWithError ("the backup or the zip tool failed");
        state.counters["throughput_ratio"] = toolSeconds / ourSeconds;
        state.counters["ours_MB_per_s"] = fileCount * (fileBytes / 1048576.0) / ourSeconds;
    }
}

void BM_RestoreAgainstUnzip (benchmark::State& state)
{
    ArchiveFixture fixture;
    auto archive = fixture.folder.getChildFile ("Library.ssb");
    {
        BackupTask task (archive.getFullPathName(), fixture.database);
        task.run();
    }
    auto ourMedia = fixture.folder.getChildFile ("Restored");
    auto toolMedia = fixture.folder.getChildFile ("Unzipped");
    auto restoredDatabase = fixture.folder.getChildFile ("Restored.db");

    for (auto _ : state)
    {
        ourMedia.deleteRecursively();
        toolMedia.deleteRecursively();
        mediaFolder = ourMedia.getFullPathName() + "/";
        bool ok = false;
        auto ourSeconds = secondsOf (
            [&]
            {
                RestoreTask task (archive.getFullPathName(), restoredDatabase);
                task.run();
                ok = task.succeeded;
            });
        mediaFolder = fixture.media.getFullPathName() + "/";
        auto toolSeconds = secondsOf (
            [&] {
                ok = runTool ({ "unzip", "-q", "-o", archive.getFullPathName(), "-d", toolMedia.getFullPathName() })
                     && ok;
            });
        if (! ok)
            state.SkipWithError ("the restore or the unzip tool failed");
        state.counters["throughput_ratio"] = toolSeconds / ourSeconds;
        state.counters["ours_MB_per_s"] = fileCount * (fileBytes / 1048576.0) / ourSeconds;
    }
}
} // namespace

BENCHMARK (BM_BackupAgainstZipStored)->Iterations (1)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_RestoreAgainstUnzip)->Iterations (1)->Unit (benchmark::kMillisecond);
