#include "midi/RemoteControl.h"

#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/StartupSettings.h"

#include <array>
#include <vector>

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

/** Messages handed from the input threads to the learner: at most 256 wait at a
    time, and one delivery on the message thread takes all that are waiting, so
    however fast they come the message thread never works through them one by
    one (JUCE's queue would then never run dry and nothing else would get a
    turn). Beyond the limit a flood is acted on directly without being learnt.
    The input threads take turns at the writing end with a try-lock: an input
    that finds another one writing acts on its message directly, so no input
    thread ever waits. */
struct Handed
{
    juce::MidiMessage message;
    juce::uint32 session = 0;
};
constexpr int maxHandedToLearner = 256;
// An AbstractFifo of capacity n holds n - 1 items.
std::array<Handed, maxHandedToLearner + 1> handed;
juce::AbstractFifo handedFifo (maxHandedToLearner + 1);
juce::SpinLock handedWriting;
std::atomic<bool> deliveryPosted { false };

void raise (std::atomic<bool>& event)
{
    event.store (true, std::memory_order_relaxed);
}

/** A stored value's low byte read as signed: 255 reads as −1 (none). */
juce::int8 asInt8 (int value)
{
    return (juce::int8) (juce::uint8) (value & 0xff);
}

void deliverHanded()
{
    JUCE_ASSERT_MESSAGE_THREAD
    // Cleared before reading: a message handed from now on posts a new delivery.
    deliveryPosted.store (false, std::memory_order_seq_cst);

    std::vector<Handed> batch;
    {
        const auto scope = handedFifo.read (handedFifo.getNumReady());
        batch.reserve ((size_t) scope.blockSize1 + (size_t) scope.blockSize2);
        scope.forEach ([&batch] (int index) { batch.push_back (handed[(size_t) index]); });
    }
    if (batch.empty())
        return;

    // Learnt first, as one buffer, then acted on with the new assignment.
    const auto session = learningSession.load();
    if (currentLearner != nullptr)
    {
        juce::MidiBuffer toLearn;
        for (auto& item : batch)
            if (item.session == session)
                toLearn.addEvent (item.message, 0);
        if (! toLearn.isEmpty())
            currentLearner->learnMidi (toLearn);
    }

    for (auto& item : batch)
        applyRemoteControlRule (item.message);
}

/** Input thread: true when the message was handed to the learner. */
bool handToLearner (const juce::MidiMessage& message)
{
    const juce::SpinLock::ScopedTryLockType writing (handedWriting);
    if (! writing.isLocked())
        return false;

    {
        const auto scope = handedFifo.write (1);
        if (scope.blockSize1 + scope.blockSize2 != 1)
            return false;
        auto& slot = handed[(size_t) (scope.blockSize1 == 1 ? scope.startIndex1 : scope.startIndex2)];
        slot.message = message;
        slot.session = learningSession.load (std::memory_order_acquire);
    }

    if (! deliveryPosted.exchange (true, std::memory_order_seq_cst))
        if (! juce::MessageManager::callAsync (deliverHanded))
            deliveryPosted.store (false);
    return true;
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

    if (learning.load (std::memory_order_acquire) && handToLearner (message))
        return;
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
