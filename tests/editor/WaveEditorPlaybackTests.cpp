// The waveform editor's playback duties and lighting checks against the real
// lighting controller (Viduroz Idav, loaded from its bundle through the host's
// controller selection). The play position is handed to the editor's duty
// directly; what the controller received is read from its live output, and the
// order of the calls through a table that records and forwards to the real one.
// MIDI chunks go out through the real MIDI service to recorded devices.

#include "app/Globals.h"
#include "editor/Timeline.h"
#include "lighting/ControllerSelection.h"
#include "midi/MidiServer.h"
#include "support/DbFixture.h"
#include "support/RecordingMidi.h"

#include "rav_plugin_paths.h"

#include <gtest/gtest.h>

namespace
{
struct Recorded
{
    static inline VovirApiTable* real = nullptr;
    static inline std::vector<juce::String> calls;
};

/** The real table with the calls the editor makes recorded before they are forwarded. */
VovirApiTable recordingTable (VovirApiTable& real)
{
    Recorded::real = &real;
    auto table = real;
    table.setTempo = [] (float bpm)
    {
        Recorded::calls.push_back ("tempo " + juce::String (bpm));
        Recorded::real->setTempo (bpm);
    };
    table.loadShow = [] (const char* name)
    {
        Recorded::calls.push_back ("load " + juce::String::fromUTF8 (name));
        Recorded::real->loadShow (name);
    };
    table.triggerPreset = [] (const char* bank, const char* preset, float fade)
    {
        Recorded::calls.push_back (juce::String::fromUTF8 (bank) + " | " + juce::String::fromUTF8 (preset) + " "
                                   + juce::String (fade));
        Recorded::real->triggerPreset (bank, preset, fade);
    };
    table.beginCueBurst = []
    {
        Recorded::calls.push_back ("begin");
        Recorded::real->beginCueBurst();
    };
    table.endCueBurst = []
    {
        Recorded::calls.push_back ("end");
        Recorded::real->endCueBurst();
    };
    return table;
}

struct RecordingMemoDisplay final : public MemoDisplay
{
    void setMemoLbl (const juce::String& text) override { texts.add (text); }
    juce::StringArray texts;
};

using Calls = std::vector<juce::String>;
} // namespace

class EditorPlayback : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();

        static int counter = 0;
        home = TestHome::folder().getChildFile ("editor-home-" + juce::String (++counter));
        home.createDirectory();
        previousHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    }

    /** Installs and loads the controller; a store file, when given, is what its
        editor would have saved. */
    void loadController (const juce::String& storeXml = {})
    {
        if (storeXml.isNotEmpty())
        {
            const auto store = home.getChildFile (".config/zezevade didid/Viduroz Idav/Shows.xml");
            store.getParentDirectory().createDirectory();
            ASSERT_TRUE (store.replaceWithText (storeXml));
        }

        const auto source = juce::File (RAV_VIDUROZ_IDAV_BUNDLE);
        const auto copy = TestHome::folder().getChildFile ("editor-plugins").getChildFile (source.getFileName());
        if (! copy.isDirectory())
        {
            copy.getParentDirectory().createDirectory();
            ASSERT_TRUE (source.copyDirectoryTo (copy));
        }
        const auto target = vovir::pluginFile (vovir::Controller::vidurozIdav);
        target.getParentDirectory().createDirectory();
        ASSERT_TRUE (copy.createSymbolicLink (target, true));

        userSettings()->setValue ("useVeridura", 1);
        pluginFormats.addFormat (new juce::VST3PluginFormat());
        ControllerSelection selection (knownPlugins, *pluginFormats.getFormat (0),
                                       [this] (const juce::PluginDescription& description)
                                       {
                                           juce::String error;
                                           instance = pluginFormats.createPluginInstance (description, 48000.0, 480,
                                                                                          error);
                                           return instance.get();
                                       });
        ASSERT_NE (selection.run(), nullptr);
        instance->prepareToPlay (48000.0, 480);

        realTable = vovirApi;
        recording = recordingTable (*realTable);
        vovirApi = &recording;
        Recorded::calls.clear();

        midi.setOutputs ({ "Lights" });
        MidiServer::deleteInstance();
        playerMemoDisplay = &playerMemos;
        editorMemoDisplay = &editorMemos;
    }

    void TearDown() override
    {
        playerMemoDisplay = editorMemoDisplay = nullptr;
        MidiServer::deleteInstance();
        editor.reset();
        if (realTable != nullptr)
            vovirApi = realTable;
        vovir::disconnectController();
        if (instance != nullptr)
            instance->releaseResources();
        instance.reset();
        setenv ("HOME", previousHome.toRawUTF8(), 1);
        DbTest::TearDown();
    }

    int lightShow()
    {
        if (showId == 0)
            showId = addTrack ("Song", "Band/song.wav").getLightShows().at (0).id;
        return showId;
    }

    void addCue (float time, float duration, const char* bank, const char* preset, float fadeIn = 0, float fadeOut = 0)
    {
        VovirCueModel().createCue (lightShow(), time, duration, fadeIn, fadeOut, bank, preset);
    }

    /** A chunk of one program change on the "Lights" output; the program number tells the chunks apart. */
    int addChunk (const char* name, int program)
    {
        MidiEventModel chunk;
        chunk.createMidiEvent ("Lights", name);
        chunk.addMidiMessage (0.0f, "Lights", 0, 0xC0, program, 0);
        return chunk.id;
    }

    /** The program numbers sent so far, one per chunk. */
    std::vector<int> programsSent() const
    {
        std::vector<int> programs;
        for (auto& block : midi.blocks())
            for (auto& event : block.events)
                if (event.bytes.size() == 2 && event.bytes[0] == 0xC0)
                    programs.push_back (event.bytes[1]);
        return programs;
    }

    WaveEditor& refreshed()
    {
        if (editor == nullptr)
        {
            editor = std::make_unique<WaveEditor>();
            editor->setSize (1000, 300);
        }
        editor->lightShowId = lightShow();
        editor->refreshFromDb (false);
        Recorded::calls.clear();
        return *editor;
    }

    void runSeconds (double seconds)
    {
        juce::AudioBuffer<float> buffer (2, 480);
        juce::MidiBuffer noMidi;
        for (int i = 0; i < juce::roundToInt (seconds * 100.0); ++i)
        {
            buffer.clear();
            instance->processBlock (buffer, noMidi);
        }
    }

    int outputLevel (int channel)
    {
        std::uint8_t levels[vovir::numDmxChannels] {};
        vovir::readControllerOutput (*instance, levels, vovir::numDmxChannels);
        return levels[channel];
    }

    Calls takeCalls() { return std::exchange (Recorded::calls, {}); }

    juce::File home;
    juce::String previousHome;
    juce::AudioPluginFormatManager pluginFormats;
    juce::KnownPluginList knownPlugins;
    std::unique_ptr<juce::AudioPluginInstance> instance;
    VovirApiTable* realTable = nullptr;
    VovirApiTable recording {};
    RecordingMidi midi;
    RecordingMemoDisplay playerMemos, editorMemos;
    std::unique_ptr<WaveEditor> editor;
    int showId = 0;
};

//==============================================================================
TEST_F (EditorPlayback, RefreshDuringPlaybackRecallsEverySoFarInOneBurst)
{
    loadController();
    LightShowModel (lightShow()).setFloatField ("Tempo", 96.0f);
    addCue (1.0f, 0.0f, "Stage", "Full");
    addCue (2.0f, 1.0f, "Wash", "Red", 0.0f, 0.25f); // over before the jump's end: switched off again
    addCue (4.0f, 0.0f, "Stage", "Warm", 0.5f);
    addCue (9.0f, 0.0f, "Stage", "Spot");
    const auto startChunk = addChunk ("Intro on", 1);
    const auto endChunk = addChunk ("Intro off", 2);
    LightShowModel (lightShow()).addMemo ("Intro", "", 1.5f, 0, startChunk, endChunk, 1.0f);
    LightShowModel (lightShow()).addMemo ("Verse", "La la", 4.5f, 0, -1, -1, 5.0f);

    // Loading the lightshow passes its tempo on and rebuilds the editor.
    Timeline container;
    container.loadLightShow (lightShow(), false);
    EXPECT_EQ (takeCalls(), Calls ({ "tempo 96" }));
    EXPECT_EQ (thePlayHead.bpm.load(), 96.0f);
    auto& wave = *container.editor;
    ASSERT_EQ (wave.getObjects().size(), 6u);

    wave.handlePlayPosition (5.0);
    EXPECT_EQ (takeCalls(), Calls ({ "begin", "tempo 96", "Stage | Full 0", "tempo 96", "Wash | Red 0", "tempo 96",
                                     "Wash | Off 0.25", "tempo 96", "Stage | Warm 0.5", "end" }));
    EXPECT_EQ (playerMemos.texts, juce::StringArray ("Intro", "", "La la"));
    EXPECT_EQ (editorMemos.texts, playerMemos.texts);
    EXPECT_EQ (programsSent(), (std::vector<int> { 1, 2 }));

    // Only the last recall of the burst reaches the lights, with its fade.
    runSeconds (0.6);
    EXPECT_EQ (outputLevel (0), 200);  // Stage Warm
    EXPECT_EQ (outputLevel (12), 0);   // Wash Red never lit

    // The next ticks fire only what the play position newly passed.
    wave.handlePlayPosition (5.02);
    wave.handlePlayPosition (5.02);
    EXPECT_TRUE (takeCalls().empty());
    wave.handlePlayPosition (8.99);
    wave.handlePlayPosition (9.01);
    EXPECT_EQ (takeCalls(), Calls ({ "begin", "end", "tempo 96", "Stage | Spot 0" })); // a jump of 4 s, then a tick
    EXPECT_EQ (playerMemos.texts.size(), 3);

    // A rewind starts again from the start of the track.
    wave.handlePlayPosition (1.2);
    EXPECT_EQ (takeCalls(), Calls ({ "begin", "tempo 96", "Stage | Full 0", "end" }));
}

TEST_F (EditorPlayback, MemoWithinOneWindowShowsClearsAndSendsBothChunksOnce)
{
    loadController();
    const auto on = addChunk ("On", 10);
    const auto off = addChunk ("Off", 11);
    LightShowModel (lightShow()).addMemo ("Hit", "Stop!", 10.0f, 0, on, off, 0.01f);
    LightShowModel (lightShow()).addMemo ("Edge", "", 12.0f, 0, on, -1, 1.0f);

    auto& wave = refreshed();
    wave.handlePlayPosition (9.995);
    EXPECT_TRUE (playerMemos.texts.isEmpty());

    wave.handlePlayPosition (10.015);
    EXPECT_EQ (playerMemos.texts, juce::StringArray ("Stop!", ""));
    EXPECT_EQ (editorMemos.texts, playerMemos.texts);
    EXPECT_EQ (programsSent(), (std::vector<int> { 10, 11 }));

    // A memo exactly at a tick's position belongs to that tick alone.
    wave.handlePlayPosition (12.0);
    wave.handlePlayPosition (12.02);
    EXPECT_EQ (playerMemos.texts, juce::StringArray ("Stop!", "", "Edge"));
    EXPECT_EQ (programsSent(), (std::vector<int> { 10, 11, 10 }));
}

TEST_F (EditorPlayback, TimedCueRecallsTheBanksOffPresetWithItsFadeOutAtItsEnd)
{
    loadController();
    addCue (2.0f, 1.0f, "Stage", "Full", 0.0f, 1.0f);
    auto& wave = refreshed();

    wave.handlePlayPosition (1.99);
    takeCalls();
    wave.handlePlayPosition (2.01);
    EXPECT_EQ (takeCalls(), Calls ({ "tempo 120", "Stage | Full 0" }));
    runSeconds (0.1);
    EXPECT_EQ (outputLevel (0), 255);

    wave.handlePlayPosition (2.99);
    EXPECT_TRUE (takeCalls().empty());
    wave.handlePlayPosition (3.01);
    EXPECT_EQ (takeCalls(), Calls ({ "tempo 120", "Stage | Off 1" }));
    runSeconds (0.5);
    EXPECT_NEAR (outputLevel (0), 128, 2);
    runSeconds (0.5);
    EXPECT_EQ (outputLevel (0), 0);
}

TEST_F (EditorPlayback, CountInBeatsShowAndClearInBothDisplays)
{
    loadController();
    LightShowModel (lightShow()).addMemo ("Chorus", "", 10.0f, 2, -1, -1, 2.0f);
    auto& wave = refreshed(); // 120 bpm: beats at 9.0 and 9.5

    for (auto position : { 8.9, 9.01, 9.51, 10.01, 12.01 })
        wave.handlePlayPosition (position);
    // A beat that ends in the window where the next one starts clears first (same tick).
    EXPECT_EQ (playerMemos.texts, juce::StringArray ({ "2    1    \n\nChorus", "", "1    \n\nChorus", "", "Chorus", "" }));
}

TEST_F (EditorPlayback, WantedLightingShowIsLoadedAndMissingBanksArePointedOut)
{
    loadController (R"(<?xml version="1.0" encoding="UTF-8"?>
<LIGHTING current="Default Show">
<SHOW name="Default Show"><BANK name="Stage"><PRESET name="Full" levels="ff"/></BANK></SHOW>
<SHOW name="Club"><BANK name="Bar"><PRESET name="Glow" levels="00ff"/></BANK></SHOW></LIGHTING>)");
    LightShowModel (lightShow()).setStringField ("VovirShowName", "Club");
    addCue (1.0f, 0.0f, "Bar", "Glow");
    addCue (2.0f, 0.0f, "Bar", "Nope");
    addCue (3.0f, 0.0f, "Stage", "Full");
    addCue (4.0f, 2.0f, "Stage", "Full"); // the same missing bank: listed once

    // Not shown: no lighting show change, no box, but the cues are still checked.
    auto& hidden = refreshed();
    EXPECT_EQ (vovir::nameFromController (vovirApi->getCurrentShowName()), "Default Show");
    EXPECT_EQ (dialogs.count(), 0);

    editor->setVisible (true);
    auto& wave = refreshed();
    EXPECT_EQ (&wave, &hidden);
    EXPECT_EQ (vovir::nameFromController (vovirApi->getCurrentShowName()), "Club");
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Some lighting banks/presets are missing!");
    EXPECT_EQ (dialogs.shown()[0].text, "*  Lighting preset 'Bar | Nope' not found.\n"
                                        "*  Lighting bank 'Stage' does not exist.");
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ("OK"));

    std::vector<bool> valid;
    for (auto& obj : wave.getObjects())
        valid.push_back (obj->valid);
    EXPECT_EQ (valid, (std::vector<bool> { true, false, false, false }));

    // Invalid cues are never recalled.
    wave.handlePlayPosition (7.0);
    EXPECT_EQ (takeCalls(), Calls ({ "begin", "tempo 120", "Bar | Glow 0", "end" }));

    // A show the controller does not have: the user is told, the current show stays.
    dialogs.clear();
    LightShowModel (lightShow()).setStringField ("VovirShowName", "Gone");
    refreshed();
    ASSERT_GE (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Viduroz Idav error");
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (dialogs.shown()[0].text,
               "The lighting show 'Gone' used by this track is missing. Please restore the missing show from the "
               "Viduroz Idav standalone app, or edit the track and choose a different show.\n\nFor the moment, we "
               "will use the currently loaded show 'Club'");
    EXPECT_EQ (vovir::nameFromController (vovirApi->getCurrentShowName()), "Club");
}

TEST (WaveEditorStopConfirm, BoxIsShownOnceCentredAndRemoved)
{
    WaveEditor wave;
    wave.setSize (1000, 300);
    wave.resized();
    wave.shopStopConfirm (true, "Press SPACE again to stop playback!");
    wave.shopStopConfirm (true, "Press ESC again to stop and rewind!"); // already shown: kept as it is
    ASSERT_TRUE (wave.isStopConfirmShowing());
    EXPECT_EQ (wave.getStopConfirmText(), "Press SPACE again to stop playback!");
    ASSERT_EQ (wave.getNumChildComponents(), 1);
    EXPECT_EQ (wave.getChildComponent (0)->getBounds(), juce::Rectangle<int> (300, 70, 400, 100));

    wave.shopStopConfirm (false, {});
    EXPECT_FALSE (wave.isStopConfirmShowing());
    EXPECT_EQ (wave.getNumChildComponents(), 0);
}
