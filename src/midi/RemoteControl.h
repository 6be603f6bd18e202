#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** Remote control by learnt MIDI messages: the rule that turns an incoming note
    or controller into one of the four transport events (startEventReceived,
    rewindEventReceived, nextEventReceived, prevEventReceived), and the hand-over
    of incoming messages to the Remote Control window while it learns.

    The MIDI input thread reads nothing but atomics here. While a learner is
    registered, messages are handed to the message thread instead (a bounded
    queue that never makes an input thread wait), where each batch is learnt
    first and then acted on with the new assignment; the input thread never
    meets the window, so closing it cannot race with a message. */

/** Receives messages on the message thread while the Remote Control window is open. */
class MidiLearner
{
public:
    virtual ~MidiLearner() = default;
    /** The messages that arrived since the last call, oldest first. */
    virtual void learnMidi (const juce::MidiBuffer& messages) = 0;
};

/** What MainHostWindow::handleIncomingMidiMessage does with every message of
    every enabled input; safe on any thread. */
void handleRemoteControlMidi (const juce::MidiMessage& message);

/** The rule alone: raises at most one event flag for the message (any thread).
    Note-ons with a velocity above 0 match a control by channel and note;
    controllers match by channel and number when their value rises to 64 or
    more from 64 or less on that channel and controller, so a held pedal that
    repeats its value fires once. Everything else is ignored. */
void applyRemoteControlRule (const juce::MidiMessage& message);

/** Forgets the last value of every controller (all read as 0 again). */
void resetControllerEdges();

/** Reads the sixteen assignment settings (−1 when a key is missing) into the
    globals of the same names; the three MIDI values narrowed to signed 8 bits. */
void updateRemoteControlGlobals();

/** Message thread: from now on incoming messages go to this learner first.
    A learner registered again replaces the previous one. */
void beginMidiLearning (MidiLearner* learner);
/** Message thread: messages posted for this learner and not yet delivered are
    acted on without it. Nothing happens when another learner is registered. */
void endMidiLearning (MidiLearner* learner);

/** MIDI channel of a status byte: 1–16 for channel messages, else 0. */
int channelOfStatus (int status) noexcept;
