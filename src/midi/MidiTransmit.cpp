// MidiEventModel::transmit: one stored chunk becomes one timed block per output.

#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "midi/MidiServer.h"

#include <limits>
#include <map>

namespace
{
constexpr int programChange = 0xC0;

/** Only channel voice messages with in-range bytes go out: anything else (a
    damaged or hand-edited row) would put stray status bytes on the wire. */
bool isSendable (int channel, int message, int data1, int data2)
{
    if (! juce::isPositiveAndBelow (channel, 16) || message < 0x80 || message >= 0xF0 || (message & 0x0F) != 0
        || ! juce::isPositiveAndBelow (data1, 128))
        return false;

    // The second data byte matters only for the types that send it.
    return juce::MidiMessage::getMessageLengthFromFirstByte ((juce::uint8) message) < 3
           || juce::isPositiveAndBelow (data2, 128);
}

/** The rate of the backing-track player, which the chunk's times are counted in. */
double playerSampleRate()
{
    if (filePlayer != nullptr)
    {
        const double rate = filePlayer->sampleRate.load();
        if (rate > 0.0)
            return rate;
    }
    return fallbackMidiSampleRate;
}

int samplePosition (float seconds, double sampleRate)
{
    // A negative time is sent at once; an absurdly late one must not overflow.
    const double position = juce::jlimit (0.0, (double) std::numeric_limits<int>::max(), (double) seconds * sampleRate);
    return (int) position;
}
} // namespace

void MidiEventModel::transmit()
{
    JUCE_ASSERT_MESSAGE_THREAD

    const double positionRate = playerSampleRate();
    std::map<juce::String, juce::MidiBuffer> blocks;

    for (auto& message : getMidiMessages())
    {
        const auto device = message.getStringField ("OutDevice");
        const float time = message.getFloatField ("Time");
        const int channel = message.getIntField ("Channel");
        const int type = message.getIntField ("Message");
        const int data1 = message.getIntField ("Data1");
        const int data2 = message.getIntField ("Data2");

        if (! isSendable (channel, type, data1, data2))
            continue;

        auto& block = blocks[device];
        const int position = samplePosition (time, positionRate);

        if (type == programChange)
        {
            const juce::uint8 bytes[] = { (juce::uint8) (type | channel), (juce::uint8) data1 };
            block.addEvent (bytes, 2, position);
        }
        else
        {
            // The buffer keeps as many bytes as the status byte's type uses.
            const juce::uint8 bytes[] = { (juce::uint8) (type | channel), (juce::uint8) data1, (juce::uint8) data2 };
            block.addEvent (bytes, 3, position);
        }
    }

    if (blocks.empty())
        return;

    auto* server = MidiServer::getInstance();
    // Without an audio device the positions are read back at the rate they were
    // made with, so the spacing of the messages is kept.
    const double blockRate = currentAudioDeviceRate (positionRate);
    const double start = (double) juce::Time::getMillisecondCounter() + 1.0;

    for (auto& [device, block] : blocks)
        if (auto* output = server->getOutput (device))
            output->sendBlockOfMessages (block, start, blockRate);
}
