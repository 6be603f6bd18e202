#include "midi/MidiServer.h"

#include "audio/FilePlayerProcessor.h"
#include "ui/UserDialogs.h"

JUCE_IMPLEMENT_SINGLETON (MidiServer)

MidiServer::MidiServer()
{
    auto& devices = midiDevices();
    const auto names = devices.getOutputNames();

    for (auto& name : names)
    {
        if (auto output = devices.openOutput (name))
        {
            output->startBackgroundThread();
            outputs[name] = std::move (output); // a later device of the same name replaces the earlier one
        }
        else
        {
            allOpened = false;
        }
    }
}

MidiServer::~MidiServer()
{
    for (auto& [name, output] : outputs)
    {
        output->clearAllPendingMessages();
        output->stopBackgroundThread();
        output.reset();
    }

    clearSingletonInstance();
}

MidiOutputPort* MidiServer::getOutput (const juce::String& name) const
{
    auto found = outputs.find (name);
    return found != outputs.end() ? found->second.get() : nullptr;
}

juce::StringArray MidiServer::getOutputNames() const
{
    juce::StringArray names;
    for (auto& entry : outputs)
        names.add (entry.first);
    return names;
}

bool MidiServer::warnIfNotAllOpened (juce::Component* owner)
{
    if (allOpened)
        return false;

    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "MIDI COMMS ERROR!",
                                  "Cannot connect to MIDI devices. Raziviz Avodoru is functioning, but may not be "
                                  "able to transmit MIDI data.\n\nPlease try restarting Raziviz Avodoru to resolve "
                                  "this error.",
                                  "OK", owner);
    return true;
}

double currentAudioDeviceRate (double whenNoDevice)
{
    if (playerDeviceManager != nullptr)
        if (auto* device = playerDeviceManager->getCurrentAudioDevice())
            if (device->isOpen() && device->getCurrentSampleRate() > 0.0)
                return device->getCurrentSampleRate();

    return whenNoDevice;
}
