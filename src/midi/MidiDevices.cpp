#include "midi/MidiDevices.h"

#include <atomic>

namespace
{
/** The identifier of the first device with that name, or empty. */
juce::String identifierOf (const juce::Array<juce::MidiDeviceInfo>& devices, const juce::String& name)
{
    for (auto& device : devices)
        if (device.name == name)
            return device.identifier;
    return {};
}

juce::StringArray namesOf (const juce::Array<juce::MidiDeviceInfo>& devices)
{
    juce::StringArray names;
    for (auto& device : devices)
        names.add (device.name);
    return names;
}

class JuceOutputPort final : public MidiOutputPort
{
public:
    explicit JuceOutputPort (std::unique_ptr<juce::MidiOutput> openedOutput)
        : output (std::move (openedOutput))
    {
    }

    ~JuceOutputPort() override
    {
        // JUCE's output stops its thread when deleted, but without discarding
        // what is still queued first.
        output->clearAllPendingMessages();
        output->stopBackgroundThread();
    }

    juce::String getName() const override { return output->getName(); }
    void startBackgroundThread() override { output->startBackgroundThread(); }
    void stopBackgroundThread() override { output->stopBackgroundThread(); }

    void sendBlockOfMessages (const juce::MidiBuffer& buffer, double startMillisecondCounter,
                              double sampleRate) override
    {
        output->sendBlockOfMessages (buffer, startMillisecondCounter, sampleRate);
    }

    void clearAllPendingMessages() override { output->clearAllPendingMessages(); }

private:
    std::unique_ptr<juce::MidiOutput> output;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JuceOutputPort)
};

class JuceInputPort final : public MidiInputPort
{
public:
    explicit JuceInputPort (std::unique_ptr<juce::MidiInput> openedInput)
        : input (std::move (openedInput))
    {
    }
    ~JuceInputPort() override { input->stop(); }

    juce::String getName() const override { return input->getName(); }
    void start() override { input->start(); }
    void stop() override { input->stop(); }

private:
    std::unique_ptr<juce::MidiInput> input;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (JuceInputPort)
};

/** A callback registered with the device manager for one enabled input. */
class DeviceManagerInputPort final : public MidiInputPort
{
public:
    DeviceManagerInputPort (juce::AudioDeviceManager& deviceManager, juce::MidiDeviceInfo deviceInfo,
                            juce::MidiInputCallback* inputCallback)
        : manager (deviceManager), device (std::move (deviceInfo)), callback (inputCallback)
    {
    }
    ~DeviceManagerInputPort() override { stop(); }

    juce::String getName() const override { return device.name; }

    void start() override
    {
        if (! registered)
            manager.addMidiInputDeviceCallback (device.identifier, callback);
        registered = true;
    }

    void stop() override
    {
        // Returns once no callback of this input runs any more.
        if (registered)
            manager.removeMidiInputDeviceCallback (device.identifier, callback);
        registered = false;
    }

private:
    juce::AudioDeviceManager& manager;
    juce::MidiDeviceInfo device;
    juce::MidiInputCallback* callback;
    bool registered = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DeviceManagerInputPort)
};

class JuceMidiDevices final : public MidiDeviceSystem
{
public:
    std::vector<std::unique_ptr<MidiInputPort>> openEnabledInputs (juce::AudioDeviceManager& manager,
                                                                   juce::MidiInputCallback* callback) override
    {
        std::vector<std::unique_ptr<MidiInputPort>> ports;
        for (auto& device : juce::MidiInput::getAvailableDevices())
            if (manager.isMidiInputDeviceEnabled (device.identifier))
                ports.push_back (std::make_unique<DeviceManagerInputPort> (manager, device, callback));
        return ports;
    }

    juce::StringArray getOutputNames() override { return namesOf (juce::MidiOutput::getAvailableDevices()); }

    std::unique_ptr<MidiOutputPort> openOutput (const juce::String& name) override
    {
        auto identifier = identifierOf (juce::MidiOutput::getAvailableDevices(), name);
        if (identifier.isEmpty())
            return nullptr;

        auto output = juce::MidiOutput::openDevice (identifier);
        if (output == nullptr)
            return nullptr;

        return std::make_unique<JuceOutputPort> (std::move (output));
    }

    juce::StringArray getInputNames() override { return namesOf (juce::MidiInput::getAvailableDevices()); }

    std::unique_ptr<MidiInputPort> openInput (const juce::String& name, juce::MidiInputCallback* callback) override
    {
        auto identifier = identifierOf (juce::MidiInput::getAvailableDevices(), name);
        if (identifier.isEmpty() || callback == nullptr)
            return nullptr;

        auto input = juce::MidiInput::openDevice (identifier, callback);
        if (input == nullptr)
            return nullptr;

        return std::make_unique<JuceInputPort> (std::move (input));
    }
};

JuceMidiDevices& juceMidiDevices()
{
    static JuceMidiDevices instance;
    return instance;
}

std::atomic<MidiDeviceSystem*> installedDevices { nullptr };
} // namespace

std::vector<std::unique_ptr<MidiInputPort>> MidiDeviceSystem::openEnabledInputs (juce::AudioDeviceManager&,
                                                                                juce::MidiInputCallback* callback)
{
    std::vector<std::unique_ptr<MidiInputPort>> ports;
    for (auto& name : getInputNames())
        if (auto port = openInput (name, callback))
            ports.push_back (std::move (port));
    return ports;
}

MidiDeviceSystem& midiDevices()
{
    if (auto* replacement = installedDevices.load())
        return *replacement;
    return juceMidiDevices();
}

void setMidiDevices (MidiDeviceSystem* replacement)
{
    installedDevices = replacement;
}
