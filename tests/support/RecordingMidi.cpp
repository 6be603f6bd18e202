#include "support/RecordingMidi.h"

#include <algorithm>

struct RecordingMidi::State
{
    struct Input
    {
        juce::String name;
        juce::MidiInputCallback* callback = nullptr;
        bool started = false;
    };

    juce::CriticalSection lock;
    juce::StringArray outputNames, failingOutputs, inputNames, failingInputs;
    std::vector<Block> blocks;
    juce::StringArray log;
    int openOutputs = 0;
    std::vector<Input*> inputs;

    void note (const juce::String& entry)
    {
        const juce::ScopedLock sl (lock);
        log.add (entry);
    }
};

namespace
{
class RecordingOutput final : public MidiOutputPort
{
public:
    RecordingOutput (std::shared_ptr<RecordingMidi::State> sharedState, juce::String deviceName)
        : state (std::move (sharedState))
        , name (std::move (deviceName))
    {
        const juce::ScopedLock sl (state->lock);
        ++state->openOutputs;
        state->log.add ("open " + name);
    }

    ~RecordingOutput() override
    {
        const juce::ScopedLock sl (state->lock);
        --state->openOutputs;
        state->log.add ("close " + name);
    }

    juce::String getName() const override { return name; }
    void startBackgroundThread() override { state->note ("start " + name); }
    void stopBackgroundThread() override { state->note ("stop " + name); }
    void clearAllPendingMessages() override { state->note ("clear " + name); }

    void sendBlockOfMessages (const juce::MidiBuffer& buffer, double startMillisecondCounter,
                              double sampleRate) override
    {
        RecordingMidi::Block block { name, {}, startMillisecondCounter, sampleRate };
        for (const auto metadata : buffer)
            block.events.push_back ({ { metadata.data, metadata.data + metadata.numBytes }, metadata.samplePosition });

        const juce::ScopedLock sl (state->lock);
        state->blocks.push_back (std::move (block));
    }

private:
    std::shared_ptr<RecordingMidi::State> state;
    juce::String name;
};

class RecordingInput final : public MidiInputPort
{
public:
    RecordingInput (std::shared_ptr<RecordingMidi::State> sharedState, juce::String deviceName,
                    juce::MidiInputCallback* callback)
        : state (std::move (sharedState))
    {
        input.name = std::move (deviceName);
        input.callback = callback;
        const juce::ScopedLock sl (state->lock);
        state->inputs.push_back (&input);
        state->log.add ("open in " + input.name);
    }

    ~RecordingInput() override
    {
        const juce::ScopedLock sl (state->lock);
        state->inputs.erase (std::find (state->inputs.begin(), state->inputs.end(), &input));
        state->log.add ("close in " + input.name);
    }

    juce::String getName() const override { return input.name; }

    void start() override
    {
        const juce::ScopedLock sl (state->lock);
        input.started = true;
        state->log.add ("start in " + input.name);
    }

    void stop() override
    {
        const juce::ScopedLock sl (state->lock);
        input.started = false;
        state->log.add ("stop in " + input.name);
    }

private:
    std::shared_ptr<RecordingMidi::State> state;
    RecordingMidi::State::Input input;
};
} // namespace

RecordingMidi::RecordingMidi()
    : state (std::make_shared<State>())
{
    setMidiDevices (this);
}

RecordingMidi::~RecordingMidi()
{
    setMidiDevices (nullptr);
}

void RecordingMidi::setOutputs (const juce::StringArray& names, const juce::StringArray& failing)
{
    const juce::ScopedLock sl (state->lock);
    state->outputNames = names;
    state->failingOutputs = failing;
}

void RecordingMidi::setInputs (const juce::StringArray& names, const juce::StringArray& failing)
{
    const juce::ScopedLock sl (state->lock);
    state->inputNames = names;
    state->failingInputs = failing;
}

std::vector<RecordingMidi::Block> RecordingMidi::blocks() const
{
    const juce::ScopedLock sl (state->lock);
    return state->blocks;
}

std::vector<RecordingMidi::Block> RecordingMidi::blocksFor (const juce::String& device) const
{
    std::vector<Block> found;
    for (auto& block : blocks())
        if (block.device == device)
            found.push_back (block);
    return found;
}

juce::StringArray RecordingMidi::portLog() const
{
    const juce::ScopedLock sl (state->lock);
    return state->log;
}

int RecordingMidi::numOpenOutputs() const
{
    const juce::ScopedLock sl (state->lock);
    return state->openOutputs;
}

void RecordingMidi::deliverToInputs (const juce::MidiMessage& message)
{
    const juce::ScopedLock sl (state->lock);
    for (auto* input : state->inputs)
        if (input->started)
            input->callback->handleIncomingMidiMessage (nullptr, message);
}

juce::StringArray RecordingMidi::getOutputNames()
{
    const juce::ScopedLock sl (state->lock);
    return state->outputNames;
}

std::unique_ptr<MidiOutputPort> RecordingMidi::openOutput (const juce::String& name)
{
    {
        const juce::ScopedLock sl (state->lock);
        if (! state->outputNames.contains (name) || state->failingOutputs.contains (name))
            return nullptr;
    }
    return std::make_unique<RecordingOutput> (state, name);
}

juce::StringArray RecordingMidi::getInputNames()
{
    const juce::ScopedLock sl (state->lock);
    return state->inputNames;
}

std::unique_ptr<MidiInputPort> RecordingMidi::openInput (const juce::String& name, juce::MidiInputCallback* callback)
{
    {
        const juce::ScopedLock sl (state->lock);
        if (callback == nullptr || ! state->inputNames.contains (name) || state->failingInputs.contains (name))
            return nullptr;
    }
    return std::make_unique<RecordingInput> (state, name, callback);
}
