#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "midi/MidiServer.h"
#include "support/DbFixture.h"
#include "support/RecordingMidi.h"

using Bytes = std::vector<juce::uint8>;

namespace
{
/** A chunk in a fresh database, sent through the real server to recorded devices:
    "Lights" and "Synth" open, "Broken" listed but failing to open. */
class MidiTransmitTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        midi.setOutputs ({ "Synth", "Broken", "Lights" }, { "Broken" });
        MidiServer::deleteInstance();
        chunk.createMidiEvent ("Stage", "Intro");
    }

    void TearDown() override
    {
        MidiServer::deleteInstance();
        filePlayer = nullptr;
        DbTest::TearDown();
    }

    /** transmit(), checking that the blocks it sent start 1 ms after the call;
        returns every block recorded so far. */
    std::vector<RecordingMidi::Block> transmitChunk()
    {
        const auto earlier = midi.blocks().size();
        const auto before = juce::Time::getMillisecondCounter();
        chunk.transmit();
        const auto after = juce::Time::getMillisecondCounter();

        auto sent = midi.blocks();
        for (auto& block : std::vector<RecordingMidi::Block> (sent.begin() + (std::ptrdiff_t) earlier, sent.end()))
        {
            EXPECT_GE (block.startMillisecondCounter, before + 1.0);
            EXPECT_LE (block.startMillisecondCounter, after + 1.0);
        }
        return sent;
    }

    RecordingMidi midi;
    MidiEventModel chunk;
};
} // namespace

TEST_F (MidiTransmitTest, ProgramChangeAndNoteOnAtTheSameTimeGoOutInStoredOrder)
{
    // Added in the other order: the program change comes first because it sorts by channel.
    chunk.addMidiMessage (0.0f, "Synth", 2, 144, 60, 100);
    chunk.addMidiMessage (0.0f, "Synth", 0, 192, 5, 0);

    auto sent = transmitChunk();

    ASSERT_EQ (sent.size(), 1u);
    EXPECT_EQ (sent[0].device, "Synth");
    ASSERT_EQ (sent[0].events.size(), 2u);
    EXPECT_EQ (sent[0].events[0].bytes, (Bytes { 0xC0, 0x05 }));
    EXPECT_EQ (sent[0].events[0].samplePosition, 0);
    EXPECT_EQ (sent[0].events[1].bytes, (Bytes { 0x92, 0x3C, 0x64 }));
    EXPECT_EQ (sent[0].events[1].samplePosition, 0);
}

TEST_F (MidiTransmitTest, TimeOffsetsBecomePositionsThatKeepTheirSpacing)
{
    chunk.addMidiMessage (1.5f, "Synth", 15, 128, 60, 0);
    chunk.addMidiMessage (0.0f, "Synth", 15, 144, 60, 127);

    FilePlayerProcessor player;
    struct Case
    {
        FilePlayerProcessor* backingPlayer;
        double playerRate;
        double expectedRate; // no audio device open: the player's rate, or the fallback
    };
    for (auto [backingPlayer, playerRate, expectedRate] :
         { Case { nullptr, 0.0, fallbackMidiSampleRate }, Case { &player, 48000.0, 48000.0 } })
    {
        filePlayer = backingPlayer;
        player.sampleRate = playerRate;
        const auto firstNew = midi.blocks().size();

        transmitChunk();

        auto sent = midi.blocks();
        ASSERT_EQ (sent.size(), firstNew + 1);
        auto& block = sent.back();
        EXPECT_EQ (block.sampleRate, expectedRate);
        ASSERT_EQ (block.events.size(), 2u);
        EXPECT_EQ (block.events[0].bytes, (Bytes { 0x9F, 60, 127 }));
        EXPECT_EQ (block.events[1].bytes, (Bytes { 0x8F, 60, 0 }));
        EXPECT_EQ (block.events[0].samplePosition, 0);
        EXPECT_EQ (block.events[1].samplePosition, (int) (1.5 * expectedRate));
        EXPECT_DOUBLE_EQ (block.events[1].samplePosition * 1000.0 / block.sampleRate, 1500.0);
    }
}

TEST_F (MidiTransmitTest, EachOpenDeviceGetsOneBlockAndUnsendableMessagesAreDropped)
{
    chunk.addMidiMessage (0.5f, "Synth", 0, 176, 7, 90);
    chunk.addMidiMessage (0.0f, "Lights", 9, 144, 36, 1);
    chunk.addMidiMessage (0.0f, "", 0, 144, 61, 100);          // no device chosen
    chunk.addMidiMessage (0.0f, "Broken", 0, 144, 62, 100);    // failed to open
    chunk.addMidiMessage (0.0f, "Unplugged", 0, 144, 63, 100); // not on this machine
    chunk.addMidiMessage (0.2f, "Synth", 1, 224, 0, 64);

    auto sent = transmitChunk();

    ASSERT_EQ (sent.size(), 2u);
    EXPECT_EQ (sent[0].device, "Lights"); // ascending name order
    ASSERT_EQ (sent[0].events.size(), 1u);
    EXPECT_EQ (sent[0].events[0].bytes, (Bytes { 0x99, 36, 1 }));

    EXPECT_EQ (sent[1].device, "Synth");
    ASSERT_EQ (sent[1].events.size(), 2u);
    EXPECT_EQ (sent[1].events[0].bytes, (Bytes { 0xE1, 0, 64 }));
    EXPECT_EQ (sent[1].events[1].bytes, (Bytes { 0xB0, 7, 90 }));

    EXPECT_EQ (sent[0].startMillisecondCounter, sent[1].startMillisecondCounter);
    EXPECT_EQ (sent[0].sampleRate, sent[1].sampleRate);
}

TEST_F (MidiTransmitTest, DamagedRowsAreNotSentAndTheRestOfTheChunkIs)
{
    struct Row
    {
        float time;
        int channel, message, data1, data2;
    };
    const Row damaged[] = {
        { 0.0f, 16, 144, 60, 100 },                        // channel out of range would change the message type
        { 0.0f, -1, 144, 60, 100 }, { 0.0f, 0, 0, 60, 100 }, // not a status byte
        { 0.0f, 0, 240, 60, 100 },                         // system exclusive
        { 0.0f, 0, 145, 60, 100 },                         // channel folded into the type
        { 0.0f, 0, 144, 128, 100 },                        // data bytes would read as status bytes
        { 0.0f, 0, 176, 7, 200 },
    };
    for (auto& row : damaged)
        chunk.addMidiMessage (row.time, "Synth", row.channel, row.message, row.data1, row.data2);

    chunk.addMidiMessage (-2.0f, "Synth", 3, 192, 12, 255); // the unused second byte does not matter
    chunk.addMidiMessage (0.0f, "Synth", 3, 208, 99, 0);    // channel pressure keeps two bytes

    auto sent = transmitChunk();

    ASSERT_EQ (sent.size(), 1u);
    ASSERT_EQ (sent[0].events.size(), 2u);
    EXPECT_EQ (sent[0].events[0].bytes, (Bytes { 0xC3, 12 }));
    EXPECT_EQ (sent[0].events[0].samplePosition, 0) << "a negative time is sent at once";
    EXPECT_EQ (sent[0].events[1].bytes, (Bytes { 0xD3, 99 }));
}

TEST_F (MidiTransmitTest, ChunkWithoutMessagesSendsNothing)
{
    chunk.transmit();
    MidiEventModel (chunk.id + 1000).transmit(); // a chunk that no longer exists

    EXPECT_TRUE (midi.blocks().empty());
}

// With an audio device open, the block is timed at the device's rate.
using MidiDeviceRateTest = JackDeviceTest;

TEST_F (MidiDeviceRateTest, OpenAudioDeviceSetsTheRate)
{
    EXPECT_EQ (currentAudioDeviceRate (1.0), 48000.0);
    playerDeviceManager = nullptr;
    EXPECT_EQ (currentAudioDeviceRate (1.0), 1.0);
}
