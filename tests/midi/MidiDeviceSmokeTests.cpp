// Real MIDI devices, only where the ALSA sequencer exists. A virtual input port
// made by this process is listed as an output like any other, so a block sent
// through the real server comes back to our own callback.

#include "audio/AudioTestSupport.h"
#include "midi/MidiServer.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>
#include <unistd.h>

TEST (MidiDeviceSmoke, BlockSentThroughTheServerReachesARealPort)
{
    if (! juce::File ("/dev/snd/seq").exists())
        GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq) on this machine, so JUCE sees no MIDI devices";

    struct Collector final : juce::MidiInputCallback
    {
        void handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message) override
        {
            const juce::ScopedLock sl (lock);
            received.add (message);
        }
        int count() const
        {
            const juce::ScopedLock sl (lock);
            return received.size();
        }
        juce::CriticalSection lock;
        juce::Array<juce::MidiMessage> received;
    } collector;

    const auto portName = "rav-midi-smoke-" + juce::String ((int) getpid());
    auto loopBack = juce::MidiInput::createNewDevice (portName, &collector);
    ASSERT_NE (loopBack, nullptr);
    loopBack->start();
    ASSERT_TRUE (midiDevices().getOutputNames().contains (portName));

    ScriptedDialogs dialogs;
    MidiServer::deleteInstance();
    auto* output = MidiServer::getInstance()->getOutput (portName);
    ASSERT_NE (output, nullptr);

    juce::MidiBuffer block;
    block.addEvent (juce::MidiMessage::noteOn (3, 60, (juce::uint8) 100), 0);
    block.addEvent (juce::MidiMessage::noteOff (3, 60), 441);
    output->sendBlockOfMessages (block, juce::Time::getMillisecondCounter() + 1.0, 44100.0);

    EXPECT_TRUE (pumpUntil ([&] { return collector.count() >= 2; }, 10000));
    MidiServer::deleteInstance();
    loopBack->stop();

    const juce::ScopedLock sl (collector.lock);
    ASSERT_GE (collector.received.size(), 1);
    EXPECT_TRUE (collector.received[0].isNoteOn());
    EXPECT_EQ (collector.received[0].getChannel(), 3);
    EXPECT_EQ (collector.received[0].getNoteNumber(), 60);
}
