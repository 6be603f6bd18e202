#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <vector>

/** One lighting cue as the export needs it: times in seconds, the names of its
    bank and preset in the lighting controller. */
struct ExportCue
{
    float time = 0.0f;
    float duration = 0.0f;
    juce::String bank, preset;
};

/** The lighting controller's lists of the loaded show: the bank names, and the
    preset names of a bank, in the controller's order. */
struct LightingLists
{
    juce::StringArray banks;
    std::function<juce::StringArray (const juce::String& bank)> presetsOf;
};

/** Reads the lists of the lighting controller now connected (empty without one). */
LightingLists listsFromController();

/** The export settings as used: "exportPpqn" rounded to whole ticks per quarter
    note (the file can only say whole ones) and held to 4 … 2048, "exportMinGap"
    in milliseconds held to 0 … 100. */
struct MidiExportSettings
{
    int ppqn = 960;
    float minGapMs = 5.0f;

    static MidiExportSettings fromUserSettings();
};

/** One event of the track: its time in ticks (not yet rounded) and its bytes. */
struct MidiExportEvent
{
    double ticks = 0.0;
    std::vector<juce::uint8> bytes;
};

/** The events of a lightshow: the tempo at 0, then for every cue whose bank and
    preset the controller knows a note on channel 15 for the bank and one on
    channel 16 for the preset, ended 0.1 s later; a cue with a duration also
    recalls its bank's "Off" preset at its end. Cue times closer than the
    minimum gap to an earlier one are pushed on. Sorted by time, an event after
    those of the same time. */
std::vector<MidiExportEvent> lightshowMidiEvents (float tempo, const std::vector<ExportCue>& cues,
                                                  const LightingLists& lists, const MidiExportSettings& settings);

/** A Standard MIDI File of format 1 with one track holding the events (times
    rounded to whole ticks, running status for repeated channel status bytes)
    and the end of the track. */
juce::MemoryBlock standardMidiFile (int ppqn, const std::vector<MidiExportEvent>& events);

/** The export command for the lightshow in the editor: checks, the file
    chooser, the writing and every message. */
void runMidiExportCommand (int lightShowId, const LightingLists& lists);
