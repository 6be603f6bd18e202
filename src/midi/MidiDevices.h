#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <memory>
#include <vector>

/** One open MIDI output. Blocks handed to it are sent on its own background
    thread at their times; handing over and clearing are safe from any thread. */
class MidiOutputPort
{
public:
    virtual ~MidiOutputPort() = default;

    virtual juce::String getName() const = 0;

    /** Starts the thread that sends timed blocks. */
    virtual void startBackgroundThread() = 0;
    /** Stops that thread, waiting up to 5 s for it. */
    virtual void stopBackgroundThread() = 0;

    /** Schedules every event of the buffer: an event at sample position p leaves
        at startMillisecondCounter + p * 1000 / sampleRate (the clock of
        juce::Time::getMillisecondCounter). Returns at once. */
    virtual void sendBlockOfMessages (const juce::MidiBuffer& buffer, double startMillisecondCounter,
                                      double sampleRate) = 0;

    /** Discards whatever has not been sent yet. */
    virtual void clearAllPendingMessages() = 0;
};

/** One open MIDI input; delivers to its callback (on a MIDI thread) once started. */
class MidiInputPort
{
public:
    virtual ~MidiInputPort() = default;

    virtual juce::String getName() const = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
};

/** The machine's MIDI devices, addressed by name. The real implementation uses
    JUCE's MIDI classes (the ALSA sequencer on Linux); tests install a stand-in
    that records what is sent. */
class MidiDeviceSystem
{
public:
    virtual ~MidiDeviceSystem() = default;

    /** Output device names in the system's order. */
    virtual juce::StringArray getOutputNames() = 0;
    /** Null when there is no such device or it cannot be opened. */
    virtual std::unique_ptr<MidiOutputPort> openOutput (const juce::String& name) = 0;

    /** Input device names in the system's order. */
    virtual juce::StringArray getInputNames() = 0;
    /** Null when there is no such device or it cannot be opened. The callback
        is not owned and must outlive the port. */
    virtual std::unique_ptr<MidiInputPort> openInput (const juce::String& name, juce::MidiInputCallback* callback) = 0;

    /** Ports for every input the user enabled in the audio/MIDI device settings,
        not yet started; each delivers to the callback (not owned, must outlive
        the ports) between its start() and its stop() or deletion. JUCE's
        devices go through the device manager, which keeps the enabled inputs
        open; a stand-in counts every input it lists and can open as enabled. */
    virtual std::vector<std::unique_ptr<MidiInputPort>> openEnabledInputs (juce::AudioDeviceManager& manager,
                                                                           juce::MidiInputCallback* callback);
};

/** The devices in use: JUCE's unless a stand-in was installed. */
MidiDeviceSystem& midiDevices();

/** Installs a stand-in (not owned); nullptr returns to JUCE's devices. Ports
    opened before keep working with whatever opened them. */
void setMidiDevices (MidiDeviceSystem* replacement);
