#include "midi/RemoteControl.h"

#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/StartupSettings.h"

#include <array>

namespace
{
/** One control: its settings prefix, its four assignment globals and its event. */
struct Control
{
    const char* prefix;
    std::atomic<juce::int8>& channel;
    std::atomic<juce::int8>& controller;
    std::atomic<juce::int8>& note;
    std::atomic<int>& key;
    std::atomic<bool>& event;
};

/** In the order the rules test them: the first match wins. */
const std::array<Control, 4>& controls()
{
    static const std::array<Control, 4> table { {
        { "start", startCh, startCc, startNote, startKey, startEventReceived },
        { "rewind", rewindCh, rewindCc, rewindNote, rewindKey, rewindEventReceived },
        { "next", nextCh, nextCc, nextNote, nextKey, nextEventReceived },
        { "prev", prevCh, prevCc, prevNote, prevKey, prevEventReceived },
    } };
    return table;
}

/** The last value of each controller on each channel (the input threads swap
    them; several inputs may deliver at once). */
std::array<std::array<std::atomic<juce::uint8>, 128>, 16> lastControllerValues {};

std::atomic<bool> learning { false };
std::atomic<juce::uint32> learningSession { 0 };
MidiLearner* currentLearner = nullptr; // message thread only

/** Messages posted to the learner and not yet delivered. Beyond the limit a flood
    is acted on directly without being learnt, so the message queue stays short. */
std::atomic<int> postedToLearner { 0 };
constexpr int maxPostedToLearner = 256;

void raise (std::atomic<bool>& event)
{
    event.store (true, std::memory_order_relaxed);
}

/** A stored value's low byte read as signed: 255 reads as −1 (none). */
juce::int8 asInt8 (int value)
{
    return (juce::int8) (juce::uint8) (value & 0xff);
}

void deliverPosted (const juce::MidiMessage& message, juce::uint32 session)
{
    JUCE_ASSERT_MESSAGE_THREAD
    --postedToLearner;
    if (currentLearner != nullptr && session == learningSession.load())
        currentLearner->learnMidi (message);
    applyRemoteControlRule (message);
}
} // namespace

int channelOfStatus (int status) noexcept
{
    return status < 0xF0 ? (status & 0x0F) + 1 : 0;
}

void applyRemoteControlRule (const juce::MidiMessage& message)
{
    const auto* data = message.getRawData();
    const int size = message.getRawDataSize();
    if (size < 3)
        return;

    const int status = data[0];
    const int kind = status & 0xF0;
    const int channel = channelOfStatus (status);
    const int number = data[1] & 0x7F;
    const int value = data[2] & 0x7F;

    if (kind == 0x90 && value > 0)
    {
        for (auto& control : controls())
            if (channel == control.channel.load (std::memory_order_relaxed)
                && number == control.note.load (std::memory_order_relaxed))
            {
                raise (control.event);
                return;
            }
        return;
    }

    if (kind == 0xB0)
    {
        // Fires on the rise to 64 or more: a pedal sending 127 on press and 0 on
        // release fires once per press, however often it repeats 127 and
        // whatever other controllers or channels send meanwhile.
        const int previous = lastControllerValues[(size_t) channel - 1][(size_t) number].exchange (
            (juce::uint8) value, std::memory_order_relaxed);
        if (value < 64 || previous > 64)
            return;

        for (auto& control : controls())
            if (channel == control.channel.load (std::memory_order_relaxed)
                && number == control.controller.load (std::memory_order_relaxed))
            {
                raise (control.event);
                return;
            }
    }
}

void resetControllerEdges()
{
    for (auto& channel : lastControllerValues)
        for (auto& value : channel)
            value.store (0, std::memory_order_relaxed);
}

void handleRemoteControlMidi (const juce::MidiMessage& message)
{
    // Only notes and controllers are learnt or acted on: clock and sensing
    // messages, which some keyboards send all the time, are never posted.
    const int kind = message.getRawDataSize() >= 3 ? message.getRawData()[0] & 0xF0 : 0;
    if (kind != 0x90 && kind != 0xB0)
        return;

    if (learning.load (std::memory_order_acquire))
    {
        if (postedToLearner.fetch_add (1) < maxPostedToLearner)
        {
            const auto session = learningSession.load (std::memory_order_acquire);
            if (juce::MessageManager::callAsync ([message, session] { deliverPosted (message, session); }))
                return;
        }
        --postedToLearner;
    }
    applyRemoteControlRule (message);
}

void updateRemoteControlGlobals()
{
    auto* settings = userSettings();
    auto read = [settings] (const char* prefix, const char* value)
    { return settings != nullptr ? settings->getIntValue (juce::String (prefix) + value, -1) : -1; };

    for (auto& control : controls())
    {
        control.channel = asInt8 (read (control.prefix, "Ch"));
        control.controller = asInt8 (read (control.prefix, "Cc"));
        control.note = asInt8 (read (control.prefix, "Note"));
        control.key = read (control.prefix, "Key");
    }
}

void beginMidiLearning (MidiLearner* learner)
{
    JUCE_ASSERT_MESSAGE_THREAD
    currentLearner = learner;
    ++learningSession;
    learning.store (learner != nullptr, std::memory_order_release);
}

void endMidiLearning (MidiLearner* learner)
{
    JUCE_ASSERT_MESSAGE_THREAD
    if (learner == nullptr || currentLearner != learner)
        return;

    learning.store (false, std::memory_order_release);
    ++learningSession;
    currentLearner = nullptr;
}
