#include "archive/MidiExport.h"

#include "app/Globals.h"
#include "data/DbModels.h"
#include "lighting/VovirLink.h"
#include "ui/UserDialogs.h"

#include <cmath>

namespace
{
constexpr double noteLengthSeconds = 0.1;

juce::String textOrEmpty (const char* text)
{
    return text != nullptr ? juce::String::fromUTF8 (text) : juce::String();
}

void appendVariableLength (juce::MemoryOutputStream& out, juce::uint32 value)
{
    juce::uint8 bytes[5];
    int count = 0;
    bytes[count++] = (juce::uint8) (value & 0x7f);
    while ((value >>= 7) != 0)
        bytes[count++] = (juce::uint8) ((value & 0x7f) | 0x80);
    while (count > 0)
        out.writeByte ((char) bytes[--count]);
}

/** Inserts after every event of the same or an earlier time. */
void insertEvent (std::vector<MidiExportEvent>& events, double ticks, std::vector<juce::uint8> bytes)
{
    auto at = std::upper_bound (events.begin(), events.end(), ticks,
                                [] (double t, const MidiExportEvent& e) { return t < e.ticks; });
    events.insert (at, MidiExportEvent { ticks, std::move (bytes) });
}

/** Moves a time on past every earlier one closer than the gap, and keeps it. */
float placeTime (std::vector<float>& usedTimes, float t, float minGap)
{
    for (bool moved = true; moved;)
    {
        moved = false;
        for (auto u : usedTimes)
            if (std::abs (u - t) < minGap)
            {
                t = u + minGap + 0.0001f;
                moved = true;
                break;
            }
    }
    usedTimes.push_back (t);
    return t;
}

double settingNumber (const char* key, double fallback)
{
    auto* settings = userSettings();
    if (settings == nullptr || ! settings->containsKey (key))
        return fallback;
    auto value = settings->getDoubleValue (key, fallback);
    return std::isfinite (value) ? value : fallback;
}

void warn (const juce::String& title, const juce::String& text)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, title, text, {}, dialogOwner());
}
} // namespace

//==============================================================================
LightingLists listsFromController()
{
    LightingLists lists;
    auto* api = vovirApi;
    if (api == nullptr || api->getNumBanks == nullptr || api->getBankName == nullptr)
        return lists;

    for (int i = 0, n = api->getNumBanks(); i < n; ++i)
        lists.banks.add (textOrEmpty (api->getBankName (i)));

    lists.presetsOf = [api] (const juce::String& bank)
    {
        juce::StringArray presets;
        if (api->getNumPresets == nullptr || api->getPresetName == nullptr)
            return presets;
        for (int i = 0, n = api->getNumPresets (bank.toRawUTF8()); i < n; ++i)
            presets.add (textOrEmpty (api->getPresetName (bank.toRawUTF8(), i)));
        return presets;
    };
    return lists;
}

MidiExportSettings MidiExportSettings::fromUserSettings()
{
    MidiExportSettings settings;
    settings.ppqn = juce::jlimit (4, 2048, (int) std::lround ((float) settingNumber ("exportPpqn", 960.0)));
    settings.minGapMs = juce::jlimit (0.0f, 100.0f, (float) settingNumber ("exportMinGap", 5.0));
    return settings;
}

std::vector<MidiExportEvent> lightshowMidiEvents (float tempo, const std::vector<ExportCue>& cues,
                                                  const LightingLists& lists, const MidiExportSettings& settings)
{
    // A lightshow without a usable tempo is written at 120 BPM; a tempo slower
    // than the 3-byte tempo event can say is written as the slowest it can.
    if (! std::isfinite (tempo) || tempo <= 0.0f)
        tempo = 120.0f;
    const auto microsPerQuarter = (juce::uint32) juce::jmin (0xffffffLL, (long long) (1000000.0 / (tempo / 60.0)));
    const auto ticksPerSecond = (double) tempo / 60.0 * settings.ppqn;
    const auto minGap = settings.minGapMs * 0.001f;

    std::vector<MidiExportEvent> events;
    insertEvent (events, 0.0,
                 { 0xff, 0x51, 0x03, (juce::uint8) (microsPerQuarter >> 16), (juce::uint8) (microsPerQuarter >> 8),
                   (juce::uint8) microsPerQuarter });

    auto addNotes = [&] (double seconds, int bankNote, int presetNote)
    {
        auto on = seconds * ticksPerSecond;
        auto off = (seconds + noteLengthSeconds) * ticksPerSecond;
        insertEvent (events, on, { 0x9e, (juce::uint8) (bankNote % 128), 0x7f });
        insertEvent (events, off, { 0x8e, (juce::uint8) (bankNote % 128), 0x00 });
        insertEvent (events, on, { 0x9f, (juce::uint8) (presetNote % 128), 0x7f });
        insertEvent (events, off, { 0x8f, (juce::uint8) (presetNote % 128), 0x00 });
    };

    std::vector<float> usedTimes;
    for (auto& cue : cues)
    {
        auto t = placeTime (usedTimes, cue.time, minGap);

        auto bank = lists.banks.indexOf (cue.bank);
        if (bank < 0)
            continue;
        auto presets = lists.presetsOf != nullptr ? lists.presetsOf (cue.bank) : juce::StringArray();
        auto preset = presets.indexOf (cue.preset);
        if (preset < 0)
            continue;

        if (cue.duration == 0.0f)
        {
            addNotes (t, bank, preset);
            continue;
        }

        auto off = presets.indexOf ("Off");
        if (off < 0)
            continue;
        addNotes (t, bank, preset);
        auto end = placeTime (usedTimes, t + cue.duration, minGap);
        addNotes (end, bank, off);
    }
    return events;
}

juce::MemoryBlock standardMidiFile (int ppqn, const std::vector<MidiExportEvent>& events)
{
    juce::MemoryOutputStream track;
    juce::int64 previousTick = 0;
    int runningStatus = -1;
    for (auto& event : events)
    {
        auto tick = (juce::int64) std::llround (event.ticks);
        appendVariableLength (track, (juce::uint32) juce::jmax ((juce::int64) 0, tick - previousTick));
        previousTick = juce::jmax (previousTick, tick);

        auto status = (int) event.bytes.front();
        auto isChannelMessage = status >= 0x80 && status < 0xf0;
        auto skip = isChannelMessage && status == runningStatus ? 1 : 0;
        track.write (event.bytes.data() + skip, event.bytes.size() - (size_t) skip);
        runningStatus = isChannelMessage ? status : -1;
    }
    appendVariableLength (track, 0);
    track.write ("\xff\x2f\x00", 3);

    juce::MemoryOutputStream file;
    file.write ("MThd", 4);
    file.writeIntBigEndian (6);
    file.writeShortBigEndian (1);
    file.writeShortBigEndian (1);
    file.writeShortBigEndian ((short) ppqn);
    file.write ("MTrk", 4);
    file.writeIntBigEndian ((int) track.getDataSize());
    file << track.getMemoryBlock();
    return file.getMemoryBlock();
}

void runMidiExportCommand (int lightShowId, const LightingLists& lists)
{
    if (lightShowId == -1)
    {
        warn ("No lightshow loaded", "Please load a lightshow first");
        return;
    }

    LightShowModel lightShow (lightShowId);
    std::vector<ExportCue> cues;
    for (auto& cue : lightShow.getCues())
        cues.push_back ({ cue.getFloatField ("CueTime"), cue.getFloatField ("CueDuration"),
                          cue.getStringField ("BankName"), cue.getStringField ("PresetName") });
    if (cues.empty())
    {
        warn ("Nothing to export!", "Lightshow contains no cues");
        return;
    }

    auto settings = MidiExportSettings::fromUserSettings();
    auto bytes = standardMidiFile (settings.ppqn,
                                   lightshowMidiEvents (lightShow.getFloatField ("Tempo"), cues, lists, settings));

    auto* userPrefs = userSettings();
    auto folder = userPrefs != nullptr ? userPrefs->getValue ("exportMidiDir") : juce::String();
    auto start = folder.isNotEmpty() ? juce::File (folder)
                                     : juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);

    for (;;)
    {
        auto chosen = userDialogs().chooseFileToSave ("Export lightshow to MIDI file...", start, "*.mid");
        if (! chosen.has_value())
            return;

        auto file = *chosen;
        if (userPrefs != nullptr)
            userPrefs->setValue ("exportMidiDir", file.getFullPathName().upToLastOccurrenceOf ("/", false, false));

        if (file.exists()
            && ! userDialogs().showOkCancelBox (juce::MessageBoxIconType::NoIcon, "Overwrite?",
                                                "Do you want to overwrite the existing file?", "Yes", "No",
                                                dialogOwner()))
            continue;

        if (file.getFileExtension() != ".mid")
        {
            warn ("Filename incorrect", "Your MIDI file should end with '.mid' (e.g. 'MySong.mid'");
            continue;
        }

        // Written beside the file and renamed over it: a failed write leaves an
        // existing file as it was.
        juce::TemporaryFile temporary (file);
        auto written = false;
        {
            juce::FileOutputStream out (temporary.getFile(), 16384);
            written = out.openedOk() && out.write (bytes.getData(), bytes.getSize());
            out.flush();
            written = written && out.getStatus().wasOk();
        }
        if (! written || ! temporary.overwriteTargetFileWithTemporary())
        {
            warn ("Error", "Could not save the MIDI file! Please try choosing a different location");
            continue;
        }

        warn ("Export finished", "Lightshow successfully exported to MIDI file.");
        return;
    }
}
