#pragma once

#include "midi/MidiDevices.h"

#include <map>
#include <memory>

namespace juce
{
class Component;
}

/** The process's MIDI outputs, opened once when the server is first asked for
    and kept, keyed by device name, until it is deleted at application end.
    Devices plugged in later are not seen. */
class MidiServer final
{
public:
    MidiServer();
    ~MidiServer();

    /** The output opened under that name, or null (no such device, it failed to
        open, or the empty name). */
    MidiOutputPort* getOutput (const juce::String& name) const;

    /** The names of the outputs that opened, in ascending order. */
    juce::StringArray getOutputNames() const;

    /** False when some listed device failed to open. */
    bool isAllOpened() const noexcept { return allOpened; }

    /** Tells the user, in a box owned by `owner`, when some device failed to
        open; true when the box was shown. The program goes on either way. */
    bool warnIfNotAllOpened (juce::Component* owner);

    JUCE_DECLARE_SINGLETON (MidiServer, false)

private:
    std::map<juce::String, std::unique_ptr<MidiOutputPort>> outputs;
    bool allOpened = true;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiServer)
};

/** The rate that times chunk messages when there is neither a backing-track
    player nor an open audio device to take it from. */
inline constexpr double fallbackMidiSampleRate = 44100.0;

/** The sample rate of the program's open audio device, or `whenNoDevice`. */
double currentAudioDeviceRate (double whenNoDevice);
