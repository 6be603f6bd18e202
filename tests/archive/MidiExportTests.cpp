// The MIDI file export: the bytes of a small lightshow against a file worked out
// by hand, the file read back by the framework and by the system's midicsv, the
// placing of cues closer than the minimum gap, and every refusal of the command.

#include "app/Globals.h"
#include "app/SpawnedProcess.h"
#include "archive/MidiExport.h"
#include "support/DbFixture.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace
{
/** The controller's lists: bank 3 "Strobe" with "Off" at 0 and "Flash" at 5;
    "Wash" (bank 1) has no "Off". */
LightingLists testLists()
{
    LightingLists lists;
    lists.banks = { "Intro", "Wash", "Chorus", "Strobe" };
    lists.presetsOf = [] (const juce::String& bank)
    {
        if (bank == "Strobe")
            return juce::StringArray { "Off", "A", "B", "C", "D", "Flash" };
        if (bank == "Wash")
            return juce::StringArray { "Blue", "Red" };
        return juce::StringArray { "Off", "One" };
    };
    return lists;
}

std::vector<juce::uint8> bytesOf (const juce::MemoryBlock& block)
{
    auto* data = (const juce::uint8*) block.getData();
    return { data, data + block.getSize() };
}

// 120 BPM, 960 ticks per quarter: a cue at 1 s of 2 s on Strobe/Flash, and a
// cue on a bank the controller does not know (left out).
const std::vector<juce::uint8> expectedFile {
    'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x03, 0xc0,         // format 1, 1 track, 960
    'M', 'T', 'r', 'k', 0, 0, 0, 47,                               // track length
    0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20,                      // tempo 500000 us
    0x8f, 0x00, 0x9e, 0x03, 0x7f, 0x00, 0x9f, 0x05, 0x7f,          // tick 1920: bank 3, preset 5 on
    0x81, 0x40, 0x8e, 0x03, 0x00, 0x00, 0x8f, 0x05, 0x00,          // tick 2112: offs
    0x9c, 0x40, 0x9e, 0x03, 0x7f, 0x00, 0x9f, 0x00, 0x7f,          // tick 5760: bank 3, "Off" on
    0x81, 0x40, 0x8e, 0x03, 0x00, 0x00, 0x8f, 0x00, 0x00,          // tick 5952: offs
    0x00, 0xff, 0x2f, 0x00 };                                      // end of track
} // namespace

class MidiExportTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        auto track = addTrack ("Song", "Album/Song.wav");
        lightShowId = db().querySingleInt (formatSql ("SELECT LightShowID FROM LightShows WHERE AudioFileID=%d",
                                                      { track.id }));
        for (auto* key : { "exportPpqn", "exportMinGap", "exportMidiDir" })
            userSettings()->removeValue (key);
    }

    void addCue (float time, float duration, const juce::String& bank, const juce::String& preset)
    {
        db().execQuery (formatSql ("INSERT INTO VovirCues(LightShowID, CueTime, CueDuration, BankName, PresetName) "
                                   "VALUES(%d, %f, %f, '%s', '%s')",
                                   { lightShowId, (double) time, (double) duration, cleanedForDb (bank),
                                     cleanedForDb (preset) }));
    }

    juce::String messages() const
    {
        juce::StringArray texts;
        for (auto& shown : dialogs.shown())
            if (shown.kind == "message" || shown.kind == "okCancel")
                texts.add (shown.title + ": " + shown.text);
        return texts.joinIntoString (" | ");
    }

    int lightShowId = -1;
};

TEST_F (MidiExportTest, ASmallLightshowGivesTheFileWorkedOutByHand)
{
    addCue (1.0f, 2.0f, "Strobe", "Flash");
    addCue (0.5f, 0.0f, "Unknown bank", "Flash");
    auto file = folder.getChildFile ("Song.mid");
    dialogs.answerFile (file);
    runMidiExportCommand (lightShowId, testLists());

    EXPECT_EQ (messages(), "Export finished: Lightshow successfully exported to MIDI file.");
    juce::MemoryBlock written;
    ASSERT_TRUE (file.loadFileAsData (written));
    EXPECT_EQ (bytesOf (written), expectedFile);
    EXPECT_EQ (userSettings()->getValue ("exportMidiDir"), folder.getFullPathName());

    // Read back by the framework: tempo, and the notes on channels 15 and 16.
    juce::MidiFile midi;
    juce::FileInputStream in (file);
    ASSERT_TRUE (midi.readFrom (in));
    EXPECT_EQ (midi.getTimeFormat(), 960);
    ASSERT_EQ (midi.getNumTracks(), 1);
    juce::StringArray seen;
    for (auto* event : *midi.getTrack (0))
    {
        auto& m = event->message;
        if (m.isTempoMetaEvent())
            seen.add ("tempo " + juce::String (m.getTempoSecondsPerQuarterNote(), 3));
        else if (m.isNoteOnOrOff())
            seen.add (juce::String (m.getTimeStamp()) + (m.isNoteOn() ? " on " : " off ") + juce::String (m.getChannel())
                      + "/" + juce::String (m.getNoteNumber()));
    }
    EXPECT_EQ (seen.joinIntoString (", "), "tempo 0.500, 1920 on 15/3, 1920 on 16/5, 2112 off 15/3, 2112 off 16/5, "
                                           "5760 on 15/3, 5760 on 16/0, 5952 off 15/3, 5952 off 16/0");

    // Read back by the system's converter (channels counted from 0 there).
    SpawnedProcess midicsv;
    ASSERT_TRUE (midicsv.start (juce::StringArray { "midicsv", file.getFullPathName() }));
    auto csv = midicsv.readAllProcessOutput();
    EXPECT_TRUE (csv.contains ("0, 0, Header, 1, 1, 960")) << csv;
    EXPECT_TRUE (csv.contains ("1, 0, Tempo, 500000")) << csv;
    EXPECT_TRUE (csv.contains ("1, 1920, Note_on_c, 14, 3, 127")) << csv;
    EXPECT_TRUE (csv.contains ("1, 5760, Note_on_c, 15, 0, 127")) << csv;
    EXPECT_TRUE (csv.contains ("1, 5952, Note_off_c, 15, 0, 0")) << csv;
    EXPECT_TRUE (csv.contains ("1, 5952, End_track")) << csv;
}

TEST_F (MidiExportTest, RepeatedStatusBytesAreLeftOutAndTheConverterReadsThemBack)
{
    auto bytes = bytesOf (standardMidiFile (96, { { 0.0, { 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20 } },
                                                 { 0.0, { 0x9e, 0x01, 0x7f } },
                                                 { 10.4, { 0x9e, 0x02, 0x7f } },
                                                 { 10.6, { 0x8e, 0x01, 0x00 } },
                                                 { 5.0, { 0x8e, 0x02, 0x00 } } }));
    const std::vector<juce::uint8> track { 0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20, 0x00, 0x9e, 0x01, 0x7f,
                                           0x0a, 0x02,  0x7f, 0x01, 0x8e, 0x01, 0x00, 0x00, 0x02, 0x00,
                                           0x00, 0xff,  0x2f, 0x00 };
    ASSERT_EQ (bytes.size(), 22 + track.size());
    EXPECT_EQ (std::vector<juce::uint8> (bytes.begin() + 22, bytes.end()), track);

    auto file = folder.getChildFile ("Running.mid");
    file.replaceWithData (bytes.data(), bytes.size());
    SpawnedProcess midicsv;
    ASSERT_TRUE (midicsv.start (juce::StringArray { "midicsv", file.getFullPathName() }));
    auto csv = midicsv.readAllProcessOutput();
    EXPECT_TRUE (csv.contains ("1, 10, Note_on_c, 14, 2, 127")) << csv;
    EXPECT_TRUE (csv.contains ("1, 11, Note_off_c, 14, 2, 0")) << csv;
}

TEST_F (MidiExportTest, CuesCloserThanTheGapArePushedOn)
{
    struct Case
    {
        const char* what;
        std::vector<ExportCue> cues;
        std::vector<double> onTimes; // seconds of the bank notes, in order
    };
    const std::vector<Case> cases {
        { "two point cues 2 ms apart, a third at the second's time",
          { { 1.0f, 0.0f, "Strobe", "A" }, { 1.002f, 0.0f, "Strobe", "B" }, { 1.002f, 0.0f, "Strobe", "C" } },
          { 1.0, 1.0051, 1.0102 } },
        { "a duration shorter than the gap",
          { { 2.0f, 0.003f, "Strobe", "Flash" } },
          { 2.0, 2.0051 } },
        { "a skipped cue still pushes later ones",
          { { 1.0f, 0.0f, "Unknown", "A" }, { 1.001f, 0.0f, "Strobe", "A" } },
          { 1.0051 } },
        { "a cue with a duration on a bank without Off is left out",
          { { 1.0f, 1.0f, "Wash", "Red" }, { 4.0f, 0.0f, "Wash", "Red" } },
          { 4.0 } },
    };

    MidiExportSettings settings; // 960, 5 ms
    const double ticksPerSecond = 120.0 / 60.0 * 960.0;
    for (auto& c : cases)
    {
        std::vector<double> onTimes;
        for (auto& event : lightshowMidiEvents (120.0f, c.cues, testLists(), settings))
            if (event.bytes[0] == 0x9e)
                onTimes.push_back (event.ticks / ticksPerSecond);
        ASSERT_EQ (onTimes.size(), c.onTimes.size()) << c.what;
        for (size_t i = 0; i < onTimes.size(); ++i)
            EXPECT_NEAR (onTimes[i], c.onTimes[i], 1e-5) << c.what << " #" << i;
    }
}

TEST_F (MidiExportTest, TheSettingsAreUsedAsStoredAndHeldToTheirRanges)
{
    struct Case
    {
        const char* ppqn;
        const char* gap;
        int expectedPpqn;
        float expectedGap;
    };
    const Case cases[] { { "480", "10", 480, 10.0f }, { "9.5", "0", 10, 0.0f }, { "100000", "150", 2048, 100.0f },
                         { "1", "-3", 4, 0.0f } };
    for (auto& c : cases)
    {
        userSettings()->setValue ("exportPpqn", c.ppqn);
        userSettings()->setValue ("exportMinGap", c.gap);
        auto settings = MidiExportSettings::fromUserSettings();
        EXPECT_EQ (settings.ppqn, c.expectedPpqn) << c.ppqn;
        EXPECT_EQ (settings.minGapMs, c.expectedGap) << c.gap;
    }

    // The division in the header is the PPQN used for the ticks.
    addCue (1.0f, 0.0f, "Strobe", "A");
    userSettings()->setValue ("exportPpqn", "480");
    auto file = folder.getChildFile ("Half.mid");
    dialogs.answerFile (file);
    runMidiExportCommand (lightShowId, testLists());
    juce::MidiFile midi;
    juce::FileInputStream in (file);
    ASSERT_TRUE (midi.readFrom (in));
    EXPECT_EQ (midi.getTimeFormat(), 480);
    EXPECT_EQ (midi.getTrack (0)->getEventPointer (1)->message.getTimeStamp(), 960.0);
}

TEST_F (MidiExportTest, EveryRefusalSaysWhyAndLeavesFilesAlone)
{
    runMidiExportCommand (-1, testLists());
    EXPECT_EQ (messages(), "No lightshow loaded: Please load a lightshow first");

    dialogs.clear();
    runMidiExportCommand (lightShowId, testLists());
    EXPECT_EQ (messages(), "Nothing to export!: Lightshow contains no cues");

    addCue (1.0f, 0.0f, "Strobe", "A");

    // Cancelling the chooser ends quietly.
    dialogs.clear();
    runMidiExportCommand (lightShowId, testLists());
    EXPECT_EQ (dialogs.count(), 1);

    // Upper-case extension: refused, the folder still stored, the chooser again.
    dialogs.clear();
    auto sub = folder.getChildFile ("exports");
    sub.createDirectory();
    dialogs.answerFile (sub.getChildFile ("Song.MID"));
    runMidiExportCommand (lightShowId, testLists());
    EXPECT_EQ (messages(), "Filename incorrect: Your MIDI file should end with '.mid' (e.g. 'MySong.mid'");
    EXPECT_EQ (userSettings()->getValue ("exportMidiDir"), sub.getFullPathName());
    EXPECT_FALSE (sub.getChildFile ("Song.MID").exists());

    // An existing file: "No" asks again and keeps it, "Yes" leaves only the new export.
    auto existing = sub.getChildFile ("Song.mid");
    existing.replaceWithText (juce::String::repeatedString ("an older and much longer file ", 100));
    dialogs.clear();
    dialogs.answerFile (existing);
    dialogs.answerButton (2);
    dialogs.answerFile (existing);
    dialogs.answerButton (1);
    runMidiExportCommand (lightShowId, testLists());
    EXPECT_EQ (messages(), "Overwrite?: Do you want to overwrite the existing file? | Overwrite?: Do you want to "
                           "overwrite the existing file? | Export finished: Lightshow successfully exported to MIDI file.");
    juce::MidiFile midi;
    juce::FileInputStream in (existing);
    EXPECT_TRUE (midi.readFrom (in));
    EXPECT_LT (existing.getSize(), 100);

    // A place that cannot be written.
    dialogs.clear();
    dialogs.answerFile (folder.getChildFile ("no such folder/Song.mid"));
    runMidiExportCommand (lightShowId, testLists());
    EXPECT_EQ (messages(), "Error: Could not save the MIDI file! Please try choosing a different location");
}
