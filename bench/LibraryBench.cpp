// The library browser on a large library (10 000 tracks in 500 folders, 300
// shows): building the track tree and filtering it as the user types; and the
// track import's copying against cp of the same files to the same disk.

#include "app/TrackImport.h"
#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "library/LibraryWindow.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

namespace
{
juce::File freshFolder (const juce::String& name)
{
    auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile (name + juce::String (juce::Random::getSystemRandom().nextInt (1 << 30)));
    folder.createDirectory();
    return folder;
}

struct LargeLibrary
{
    LargeLibrary()
    {
        folder = freshFolder ("rav-bench-library-");
        auto file = folder.getChildFile ("Vodozav.db");
        bool created = false;
        createFreshDatabase (file, created);
        auto& db = *RaDatabase::getInstance();
        db.openDb (file.getFullPathName());
        checkAndUpgradeDbSchema (file.getFullPathName());
        mediaFolder = folder.getChildFile ("Media Files").getFullPathName() + "/";

        db.execQuery ("BEGIN");
        for (int i = 0; i < 10000; ++i)
            db.execQuery (formatSql ("INSERT INTO AudioFiles(Name, Path, MainAudioFileID) VALUES('Track %d','Folder %d/Track %d.wav',0)",
                                     { i, i % 500, i }));
        for (int i = 0; i < 300; ++i)
            db.execQuery (formatSql ("INSERT INTO Sets(Name, Folder) VALUES('Show %d','Tour %d')", { i, i % 20 }));
        db.execQuery ("COMMIT");
    }

    ~LargeLibrary()
    {
        RaDatabase::getInstance()->closeDb();
        folder.deleteRecursively();
    }

    juce::File folder;
};

void BM_TrackTreeOf10000Tracks (benchmark::State& state)
{
    LargeLibrary library;
    LibraryTree tree;
    for (auto _ : state)
        tree.doRefresh (0, {});
    state.counters["ms"] = benchmark::Counter ((double) state.iterations() * 1e-3,
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TrackTreeFilteredByThreeLetters (benchmark::State& state)
{
    LargeLibrary library;
    LibraryTree tree;
    for (auto _ : state)
        tree.doRefresh (0, "k 7");
    state.counters["ms"] = benchmark::Counter ((double) state.iterations() * 1e-3,
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ShowTreeOf300Shows (benchmark::State& state)
{
    LargeLibrary library;
    SetsTree tree;
    for (auto _ : state)
        tree.doRefresh (0, {});
    state.counters["ms"] = benchmark::Counter ((double) state.iterations() * 1e-3,
                                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

/** 20 files of 20 MB copied by the import's task and by cp, to the same disk,
    alternated in one run; "ratio" is the import's throughput ÷ cp's. */
void BM_ImportCopyAgainstCp (benchmark::State& state)
{
    auto folder = freshFolder ("rav-bench-import-");
    auto sources = folder.getChildFile ("source/Album");
    sources.createDirectory();
    juce::StringArray paths;
    juce::MemoryBlock block (20 * 1024 * 1024);
    juce::Random random (1);
    random.fillBitsRandomly (block.getData(), block.getSize());
    for (int i = 0; i < 20; ++i)
    {
        auto file = sources.getChildFile ("Track " + juce::String (i) + ".wav");
        file.replaceWithData (block.getData(), block.getSize());
        paths.add (file.getFullPathName());
    }

    using Clock = std::chrono::steady_clock;
    Clock::duration ours {}, theirs {};
    int round = 0;
    for (auto _ : state)
    {
        auto media = folder.getChildFile ("media " + juce::String (round));
        auto cpTarget = folder.getChildFile ("cp " + juce::String (round++));
        media.getChildFile ("Album").createDirectory();
        cpTarget.createDirectory();
        mediaFolder = media.getFullPathName() + "/";

        auto t0 = Clock::now();
        MediaCopyTask task (paths);
        BackgroundTaskRunner runner (task);
        runner.runToEnd (juce::Thread::Priority::normal);
        auto t1 = Clock::now();
        auto command = "cp \"" + sources.getFullPathName() + "\"/*.wav \"" + cpTarget.getFullPathName() + "\"";
        if (std::system (command.toRawUTF8()) != 0)
            state.SkipWithError ("cp failed");
        auto t2 = Clock::now();
        ours += t1 - t0;
        theirs += t2 - t1;

        media.deleteRecursively();
        cpTarget.deleteRecursively();
    }

    auto seconds = [&] (Clock::duration d) { return std::chrono::duration<double> (d).count(); };
    const double megabytes = 400.0 * (double) state.iterations();
    state.counters["import_MBps"] = megabytes / seconds (ours);
    state.counters["cp_MBps"] = megabytes / seconds (theirs);
    state.counters["ratio"] = seconds (theirs) / seconds (ours);
    folder.deleteRecursively();
}
} // namespace

BENCHMARK (BM_TrackTreeOf10000Tracks)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_TrackTreeFilteredByThreeLetters)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_ShowTreeOf300Shows)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_ImportCopyAgainstCp)->Unit (benchmark::kMillisecond)->Iterations (3);
