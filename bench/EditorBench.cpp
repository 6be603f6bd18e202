// Rebuilding the waveform editor's objects from the database: a lightshow with
// 1000 cues and 200 memos (4 count-in beats each), every cue checked against the
// lighting controller's banks and presets, lanes included.

#include "LightShowFixture.h"
#include "editor/Timeline.h"
#include "lighting/VovirLink.h"

#include <benchmark/benchmark.h>

namespace
{
/** A controller with 8 banks of an "Off" preset and 16 more, answering in-process. */
namespace controller
{
std::string bankNames[8];
std::string presetNames[17];

int numBanks() { return 8; }
const char* bankName (int i) { return i >= 0 && i < 8 ? bankNames[i].c_str() : nullptr; }
int numPresets (const char*) { return 17; }
const char* presetName (const char*, int i) { return i >= 0 && i < 17 ? presetNames[i].c_str() : nullptr; }
const char* showName() { return "Default Show"; }

VovirApiTable table()
{
    for (int i = 0; i < 8; ++i)
        bankNames[i] = "Bank " + std::to_string (i);
    presetNames[0] = "Off";
    for (int i = 0; i < 16; ++i)
        presetNames[i + 1] = "Preset " + std::to_string (i);

    VovirApiTable t {};
    t.getCurrentShowName = showName;
    t.getNumBanks = numBanks;
    t.getBankName = bankName;
    t.getNumPresets = numPresets;
    t.getPresetName = presetName;
    return t;
}
} // namespace controller

/** Memos every 1.25 s from 0.5 s, one second long, so that count-ins do not overlap. */
struct EditorDatabase final : LightShowFixture
{
    EditorDatabase() : LightShowFixture (1.25, 0.5, 1.0f) {}
};

/** Argument: the seconds in view (the editor's initial 30 s, or the whole 250 s track). */
void BM_RefreshLightShow (benchmark::State& state)
{
    EditorDatabase data;
    auto table = controller::table();
    auto* previousTable = vovirApi;
    vovirApi = &table;

    WaveEditor editor;
    editor.setSize (1500, 300);
    editor.readOnly = false;
    editor.lightShowId = data.lightShow.id;
    editor.trackLength = 260.0;
    editor.viewStart = 0;
    editor.viewEnd = editor.viewSpan = (double) state.range (0); // kept by refreshFromDb (false)

    size_t objects = 0;
    for (auto _ : state)
    {
        editor.refreshFromDb (false);
        objects = editor.getObjects().size();
        benchmark::DoNotOptimize (objects);
    }

    int invalid = 0, lanes = 0;
    for (auto& obj : editor.getObjects())
    {
        invalid += obj->valid ? 0 : 1;
        if (obj->getType() == cueType)
            lanes = std::max (lanes, static_cast<TimelineCue&> (*obj).lane + 1);
    }
    state.counters["objects"] = (double) objects;
    state.counters["invalid"] = invalid;
    state.counters["lanes"] = lanes;
    vovirApi = previousTable;
}
} // namespace

BENCHMARK (BM_RefreshLightShow)->Arg (30)->Arg (250)->Unit (benchmark::kMillisecond);
