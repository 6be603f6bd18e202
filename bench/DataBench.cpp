// Reading a lightshow through the record models (one SELECT per field, as the
// editor does) against one bulk SELECT of the same rows, and the cost of an
// undoable edit.

#include "LightShowFixture.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace
{
struct CueRow
{
    int id;
    float time, duration, fadeIn, fadeOut;
    juce::String bank, preset;
};

struct MemoRow
{
    int id;
    float time, length;
    juce::String shortName, memo;
    int countIn, startChunk, endChunk;
};

/** The lightshow read in every benchmark below: memos one second apart. */
struct LightShowDatabase final : LightShowFixture
{
    LightShowDatabase() : LightShowFixture (1.0, 0.0, 2.0f) {}
};

size_t readThroughModels (const LightShowModel& lightShow)
{
    std::vector<CueRow> cues;
    for (auto& cue : lightShow.getCues())
        cues.push_back ({ cue.id, cue.getFloatField ("CueTime"), cue.getFloatField ("CueDuration"),
                          cue.getFloatField ("FadeInTime"), cue.getFloatField ("FadeOutTime"),
                          cue.getStringField ("BankName"), cue.getStringField ("PresetName") });

    std::vector<MemoRow> memos;
    for (auto& memo : lightShow.getMemos())
        memos.push_back ({ memo.id, memo.getFloatField ("MemoTime"), memo.getFloatField ("MemoLength"),
                           memo.getStringField ("ShortName"), memo.getStringField ("Memo"),
                           memo.getIntField ("CountIn"), memo.getIntField ("StartMidiEventID"),
                           memo.getIntField ("EndMidiEventID") });
    return cues.size() + memos.size();
}

size_t readInBulk (const LightShowModel& lightShow)
{
    auto& db = *RaDatabase::getInstance();
    std::vector<CueRow> cues;
    db.forEachRow (formatSql ("SELECT VovirCueID,CueTime,CueDuration,FadeInTime,FadeOutTime,BankName,PresetName "
                              "FROM VovirCues WHERE LightShowID=%d ORDER BY CueTime,CueDuration",
                              { lightShow.id }),
                   [&] (auto& row)
                   {
                       cues.push_back ({ row.getIntField (0), (float) row.getFloatField (1),
                                         (float) row.getFloatField (2), (float) row.getFloatField (3),
                                         (float) row.getFloatField (4), row.getStringField (5),
                                         row.getStringField (6) });
                   });

    std::vector<MemoRow> memos;
    db.forEachRow (formatSql ("SELECT ShowMemoID,MemoTime,MemoLength,ShortName,Memo,CountIn,StartMidiEventID,"
                              "EndMidiEventID FROM ShowMemos WHERE LightShowID=%d ORDER BY MemoTime",
                              { lightShow.id }),
                   [&] (auto& row)
                   {
                       memos.push_back ({ row.getIntField (0), (float) row.getFloatField (1),
                                          (float) row.getFloatField (2), row.getStringField (3),
                                          row.getStringField (4), row.getIntField (5), row.getIntField (6),
                                          row.getIntField (7) });
                   });
    return cues.size() + memos.size();
}

void BM_LightShowThroughModels (benchmark::State& state)
{
    LightShowDatabase data;
    for (auto _ : state)
        benchmark::DoNotOptimize (readThroughModels (data.lightShow));
}

void BM_LightShowBulkSelect (benchmark::State& state)
{
    LightShowDatabase data;
    for (auto _ : state)
        benchmark::DoNotOptimize (readInBulk (data.lightShow));
}

/** Both reads alternated in one run, reporting models ÷ bulk as "ratio". */
void BM_LightShowModelToBulkRatio (benchmark::State& state)
{
    LightShowDatabase data;
    using Clock = std::chrono::steady_clock;
    Clock::duration models {}, bulk {};

    for (auto _ : state)
    {
        auto t0 = Clock::now();
        benchmark::DoNotOptimize (readThroughModels (data.lightShow));
        auto t1 = Clock::now();
        benchmark::DoNotOptimize (readInBulk (data.lightShow));
        auto t2 = Clock::now();
        models += t1 - t0;
        bulk += t2 - t1;
    }

    auto ms = [&] (Clock::duration d) { return std::chrono::duration<double, std::milli> (d).count() / (double) state.iterations(); };
    state.counters["models_ms"] = ms (models);
    state.counters["bulk_ms"] = ms (bulk);
    state.counters["ratio"] = ms (models) / ms (bulk);
}

void BM_AddMemoUndoRedo (benchmark::State& state)
{
    LightShowDatabase data;
    auto& db = *RaDatabase::getInstance();

    for (auto _ : state)
    {
        data.lightShow.addMemo ("V", "Verse", 1.0f, 2, -1, -1, 2.0f);
        db.undoStep();
        db.redoStep();
    }
    state.counters["cycles_per_s"] = benchmark::Counter ((double) state.iterations(), benchmark::Counter::kIsRate);
}
/** A lyric of 150 000 characters, with 25 000 single quotes or none. */
juce::String longLyric (bool withQuotes)
{
    juce::String text;
    text.preallocateBytes (160000);
    for (int i = 0; i < 25000; ++i)
        text << (withQuotes ? "it's " : "it-s ") << "a";
    return text;
}

/** Sets a long lyric on a memo, undoes and redoes it: with and without quotes
    alternated in one run, reporting quoted ÷ plain as "ratio". */
void BM_LongLyricSetUndoRedoQuoteRatio (benchmark::State& state)
{
    LightShowDatabase data;
    auto& db = *RaDatabase::getInstance();
    data.lightShow.addMemo ("Lyric", "", 0.5f, 0, -1, -1, 1.0f);
    auto memo = data.lightShow.getMemos().at (0);
    const juce::String texts[] = { longLyric (true), longLyric (false) };
    jassert (texts[0].length() == 150000 && texts[1].length() == 150000);

    using Clock = std::chrono::steady_clock;
    Clock::duration spent[2] {};
    for (auto _ : state)
    {
        for (int kind = 0; kind < 2; ++kind)
        {
            auto t0 = Clock::now();
            memo.setStringField ("Memo", texts[kind]);
            db.undoStep();
            db.redoStep();
            spent[kind] += Clock::now() - t0;
            memo.setStringField ("Memo", "");
        }
    }

    auto ms = [&] (Clock::duration d) { return std::chrono::duration<double, std::milli> (d).count() / (double) state.iterations(); };
    state.counters["quotes_ms"] = ms (spent[0]);
    state.counters["plain_ms"] = ms (spent[1]);
    state.counters["ratio"] = ms (spent[0]) / ms (spent[1]);
}
} // namespace

BENCHMARK (BM_LongLyricSetUndoRedoQuoteRatio)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_LightShowThroughModels)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_LightShowBulkSelect)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_LightShowModelToBulkRatio)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_AddMemoUndoRedo)->Unit (benchmark::kMillisecond);
