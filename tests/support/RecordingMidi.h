#pragma once

#include "midi/MidiDevices.h"

#include <memory>
#include <vector>

/** Stands in for the machine's MIDI devices while it exists: offers the device
    names a test sets, fails to open the ones it is told to, records every block
    handed to an output (device, bytes, sample positions, start time, rate) and
    what was done to the ports, and feeds messages to opened inputs. Ports keep
    their records alive, so they may outlive the stand-in. Thread-safe. */
class RecordingMidi final : public MidiDeviceSystem
{
public:
    struct Event
    {
        std::vector<juce::uint8> bytes;
        int samplePosition = 0;
    };

    struct Block
    {
        juce::String device;
        std::vector<Event> events;
        double startMillisecondCounter = 0.0;
        double sampleRate = 0.0;
    };

    RecordingMidi();
    ~RecordingMidi() override;

    /** The simulated device lists, in the system's order, and the names that fail to open. */
    void setOutputs (const juce::StringArray& names, const juce::StringArray& failing = {});
    void setInputs (const juce::StringArray& names, const juce::StringArray& failing = {});

    /** Every block sent so far, in order. */
    std::vector<Block> blocks() const;
    std::vector<Block> blocksFor (const juce::String& device) const;

    /** What happened to the ports, in order: "open NAME", "start NAME", "clear NAME",
        "stop NAME", "close NAME", for outputs; "open in NAME", "start in NAME"... for inputs. */
    juce::StringArray portLog() const;
    /** Output ports that exist now. */
    int numOpenOutputs() const;

    /** Hands the message to the callback of every started input. */
    void deliverToInputs (const juce::MidiMessage& message);

    juce::StringArray getOutputNames() override;
    std::unique_ptr<MidiOutputPort> openOutput (const juce::String& name) override;
    juce::StringArray getInputNames() override;
    std::unique_ptr<MidiInputPort> openInput (const juce::String& name, juce::MidiInputCallback* callback) override;

    struct State;

private:
    std::shared_ptr<State> state;
};
