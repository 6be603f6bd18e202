// Loading a 40-song show into the show player: the database reads that build
// the song boxes, and the whole load (boxes, preloading every backing and click
// track into both players, making the first song current). Also reports the
// resident memory each preloaded track costs.

#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "show/SetPlayer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace
{
constexpr int numSongs = 40;
constexpr double fileSeconds = 6.0;
constexpr double fileRate = 44100.0;

bool writeTone (const juce::File& file, double frequency)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), fileRate, 2, 16, {}, 0));
    if (writer == nullptr)
        return false;
    stream.release();
    const int total = (int) (fileSeconds * fileRate);
    juce::AudioBuffer<float> buffer (2, total);
    for (int i = 0; i < total; ++i)
    {
        const auto v = 0.25f * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * i / fileRate);
        buffer.setSample (0, i, v);
        buffer.setSample (1, i, v);
    }
    return writer->writeFromAudioSampleBuffer (buffer, 0, total);
}

long residentBytes()
{
    long pages = 0, resident = 0;
    std::ifstream statm ("/proc/self/statm");
    statm >> pages >> resident;
    return resident * sysconf (_SC_PAGESIZE);
}

/** A database with one show of 40 songs, each with a backing and a click track
    (real WAV files in the media folder), and the show player over both players. */
struct ShowLoadFixture
{
    ShowLoadFixture()
    {
        folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                     .getChildFile ("rav-bench-show-" + juce::String (juce::Random::getSystemRandom().nextInt()));
        folder.createDirectory();
        auto dbFile = folder.getChildFile ("Vodozav.db");
        bool created = false;
        createFreshDatabase (dbFile, created);
        auto& db = *RaDatabase::getInstance();
        db.openDb (dbFile.getFullPathName());
        checkAndUpgradeDbSchema (dbFile.getFullPathName());
        mediaFolder = folder.getChildFile ("Media Files").getFullPathName() + "/";

        SetModel set;
        set.createSet ("Forty", "");
        setId = set.id;
        for (int i = 0; i < numSongs; ++i)
        {
            const auto name = "Song " + juce::String (i + 1);
            writeTone (juce::File (mediaFolder + "Album/" + name + ".wav"), 220.0 + i);
            writeTone (juce::File (mediaFolder + "Album/" + name + " click.wav"), 1000.0);

            db.execQuery (formatSql ("INSERT INTO AudioFiles(Name, Path, LengthSecs) VALUES('%s','%s',%f)",
                                     { name, "Album/" + name + ".wav", 200.0 + i }));
            const int trackId = db.querySingleInt ("SELECT last_insert_rowid()");
            db.execQuery (formatSql ("INSERT INTO AudioFiles(Name, Path, MainAudioFileID) VALUES('%s','%s',%d)",
                                     { name + " click", "Album/" + name + " click.wav", trackId }));
            LightShowModel lightShow;
            lightShow.createLightShow (trackId, "Default lightshow", "", "", 120.0f);
            set.addSetElement (lightShow.id, i, false, false, i % 5);
        }
        db.clearUndoStack();

        backing = std::make_unique<FilePlayerProcessor>();
        click = std::make_unique<FilePlayerProcessor>();
        filePlayer = backing.get();
        filePlayerB = click.get();
        player = std::make_unique<SetPlayer>();
        player->setVisible (true);
        player->setSize (1200, 800);
    }

    ~ShowLoadFixture()
    {
        player.reset();
        filePlayer = filePlayerB = nullptr;
        backing.reset();
        click.reset();
        RaDatabase::getInstance()->closeDb();
        folder.deleteRecursively();
    }

    /** Waits (bounded) until the read-ahead threads filled every preloaded ring. */
    void waitForReadAhead()
    {
        auto& songs = player->timeline->songs;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds (10);
        for (auto& song : songs)
            for (auto [p, path] : { std::pair { backing.get(), song->audioPath }, std::pair { click.get(), song->clickPath } })
                if (auto* transport = p->getTransport (FilePlayerProcessor::sourceKey (path, song->trimStart, song->trimEnd)))
                    while (! transport->isBuffered (32768 + 65535) && std::chrono::steady_clock::now() < end)
                        std::this_thread::sleep_for (std::chrono::milliseconds (5));
    }

    juce::File folder;
    int setId = -1;
    std::unique_ptr<FilePlayerProcessor> backing, click;
    std::unique_ptr<SetPlayer> player;
};

void BM_ShowLoadFortySongs (benchmark::State& state)
{
    ShowLoadFixture fixture;
    auto& timeline = *fixture.player->timeline;

    // Memory: both players empty, then the whole show preloaded and read ahead.
    fixture.backing->unloadSources();
    fixture.click->unloadSources();
    const long before = residentBytes();
    timeline.loadSet (fixture.setId, false);
    fixture.waitForReadAhead();
    const long after = residentBytes();
    const int tracks = fixture.backing->getNumPreloaded() + fixture.click->getNumPreloaded();

    for (auto _ : state)
    {
        timeline.loadSet (fixture.setId, false);
        benchmark::DoNotOptimize (timeline.currentIndex);
    }

    state.counters["songs"] = (double) timeline.songs.size();
    state.counters["tracks"] = tracks;
    state.counters["KiB_per_track"] = tracks > 0 ? (double) (after - before) / 1024.0 / tracks : 0.0;
    if (timeline.currentIndex != 0 || tracks != 2 * numSongs)
        state.SkipWithError ("the show did not load");
}
BENCHMARK (BM_ShowLoadFortySongs)->Unit (benchmark::kMillisecond)->UseRealTime()->Iterations (10);

void BM_ShowBoxesFromDatabase (benchmark::State& state)
{
    ShowLoadFixture fixture;
    auto& timeline = *fixture.player->timeline;
    timeline.setId = fixture.setId;

    for (auto _ : state)
    {
        timeline.refreshFromDb (true);
        benchmark::DoNotOptimize (timeline.totalLength);
    }
    state.counters["songs"] = (double) timeline.songs.size();
}
BENCHMARK (BM_ShowBoxesFromDatabase)->Unit (benchmark::kMillisecond)->Iterations (20);
} // namespace
