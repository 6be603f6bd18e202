#include "midi/MidiServer.h"
#include "support/RecordingMidi.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

namespace
{
class MidiServerTest : public ::testing::Test
{
protected:
    void SetUp() override { MidiServer::deleteInstance(); }
    void TearDown() override { MidiServer::deleteInstance(); }

    RecordingMidi midi;
    ScriptedDialogs dialogs;
};
} // namespace

TEST_F (MidiServerTest, OpensEveryListedOutputOnceAndKeepsThem)
{
    midi.setOutputs ({ "Synth", "Lights" });

    auto* server = MidiServer::getInstance();
    EXPECT_EQ (MidiServer::getInstance(), server);
    EXPECT_EQ (midi.portLog(), juce::StringArray ({ "open Synth", "start Synth", "open Lights", "start Lights" }));

    ASSERT_NE (server->getOutput ("Synth"), nullptr);
    EXPECT_EQ (server->getOutput ("Synth")->getName(), "Synth");
    EXPECT_EQ (server->getOutput ("Lights")->getName(), "Lights");
    EXPECT_EQ (server->getOutput (""), nullptr);
    EXPECT_EQ (server->getOutput ("synth"), nullptr) << "names are matched exactly";
    EXPECT_EQ (server->getOutputNames(), juce::StringArray ({ "Lights", "Synth" }));

    // Looking up the same name again reuses the port; a device that appears
    // later is not opened.
    midi.setOutputs ({ "Synth", "Lights", "Late" });
    EXPECT_EQ (server->getOutput ("Late"), nullptr);
    EXPECT_EQ (midi.numOpenOutputs(), 2);

    EXPECT_TRUE (server->isAllOpened());
    EXPECT_FALSE (server->warnIfNotAllOpened (nullptr));
    EXPECT_EQ (dialogs.count(), 0);
}

TEST_F (MidiServerTest, DeviceThatFailsToOpenIsReportedAndTheOthersWork)
{
    midi.setOutputs ({ "Broken", "Synth" }, { "Broken" });

    auto* server = MidiServer::getInstance();
    EXPECT_FALSE (server->isAllOpened());
    EXPECT_EQ (server->getOutput ("Broken"), nullptr);
    EXPECT_NE (server->getOutput ("Synth"), nullptr);

    EXPECT_TRUE (server->warnIfNotAllOpened (nullptr));
    ASSERT_EQ (dialogs.count(), 1);
    auto& box = dialogs.shown().front();
    EXPECT_EQ (box.kind, "message");
    EXPECT_EQ (box.icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (box.title, "MIDI COMMS ERROR!");
    EXPECT_EQ (box.text, "Cannot connect to MIDI devices. Raziviz Avodoru is functioning, but may not be able to "
                         "transmit MIDI data.\n\nPlease try restarting Raziviz Avodoru to resolve this error.");
    EXPECT_EQ (box.buttons, juce::StringArray ({ "OK" }));
}

TEST_F (MidiServerTest, DeletingTheServerDiscardsPendingMessagesAndClosesEveryOutput)
{
    midi.setOutputs ({ "Lights", "Synth" });
    MidiServer::getInstance();

    MidiServer::deleteInstance();

    EXPECT_EQ (midi.numOpenOutputs(), 0);
    auto log = midi.portLog();
    log.removeRange (0, 4); // the opening
    EXPECT_EQ (log, juce::StringArray (
                        { "clear Lights", "stop Lights", "close Lights", "clear Synth", "stop Synth", "close Synth" }));
    EXPECT_EQ (MidiServer::getInstanceWithoutCreating(), nullptr);
}

// JUCE's devices on a machine without a MIDI sequencer: nothing is listed and
// nothing opens, which is not a failed set-up.
TEST (MidiDevicesWithoutSequencer, NoDevicesIsNotAnError)
{
    if (juce::File ("/dev/snd/seq").exists())
        GTEST_SKIP() << "this machine has an ALSA sequencer; the loop-back smoke test covers it";

    MidiServer::deleteInstance();
    ScriptedDialogs dialogs;

    EXPECT_TRUE (midiDevices().getOutputNames().isEmpty());
    EXPECT_EQ (midiDevices().openOutput ("Anything"), nullptr);

    auto* server = MidiServer::getInstance();
    EXPECT_TRUE (server->isAllOpened());
    EXPECT_FALSE (server->warnIfNotAllOpened (nullptr));
    EXPECT_EQ (dialogs.count(), 0);
    MidiServer::deleteInstance();
}
