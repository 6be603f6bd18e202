#pragma once

#include "lighting/VovirApi.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>

/** The lighting controller's function table; set once at start-up by the
    controller selection, never null afterwards in the running program. */
extern VovirApiTable* vovirApi;

/** The host functions given to the controller (slot 0). */
extern HostApiTable ourApi;

/** The loaded controller's display name: "Viduroz Idav" or "VOVIR". */
extern juce::String vidOrVovir;

/** 1 prefers Viduroz Idav, anything else VOVIR; from the "useVeridura" setting. */
extern int useVid;

/** Footswitch "next" from the controller: asks for a start. Any thread. */
void vovirFswNext();

/** Footswitch "previous" from the controller: asks for a rewind. Any thread. */
void vovirFswPrev();

/** Where keys go that the controller's own editor did not use (the main window's
    key handling); set and cleared by the main window on the message thread. */
extern std::function<bool (const juce::KeyPress&)> unusedControllerKeys;

/** The host's key handler given to the controller (IVovirKeys): rebuilds the key
    and hands it to unusedControllerKeys on the message thread, after the call
    has returned. Returns 1 when the key was handed over. */
int vovirKeyPressed (int keyCode, int modifierFlags, int textCharacter);

/** The play head given to the controller: it reports the song tempo and nothing else. */
class MyPlayHead final : public juce::AudioPlayHead
{
public:
    /** Written on the message thread, read by the plug-in on the audio thread. */
    std::atomic<float> bpm { 120.0f };

    juce::Optional<PositionInfo> getPosition() const override;
};

extern MyPlayHead thePlayHead;

//==============================================================================
namespace vovir
{
enum class Controller
{
    vidurozIdav,
    vovir
};

juce::String displayName (Controller);

/** The installed plug-in files: ~/.vst3/zezevade didid/Viduroz Idav.vst3 and
    ~/.vst3/ZEZERE/VOVIR.vst3, with the home folder taken from HOME. */
juce::File pluginFile (Controller);

/** major × 100 + minor × 10 + patch from the three low bytes (so a byte of 10
    counts ten times its place: 1.10.0 gives 200). */
int versionNumber (std::int32_t version);

/** At least 2.1.5 (215) for Viduroz Idav, 1.7.4 (174) for VOVIR. */
bool versionSupported (Controller, int number);

/** What the controller's component answers through IVovirLink: the stand-ins for
    the VST 2 record's `user` and `version` fields. */
struct ControllerRecord
{
    bool linked = false; // the instance answered IVovirLink
    VovirApiTable* table = nullptr;
    std::int32_t version = 0;
};

/** Reads the record of a loaded instance (message thread). */
ControllerRecord readControllerRecord (juce::AudioPluginInstance& instance);

/** Gives the controller the host's key handler when it answers IVovirKeys (older
    controllers do not; their editor keeps every key). Returns whether it did. */
bool connectKeyHandler (juce::AudioPluginInstance& instance);

/** Copies the controller's live DMX output into dest; returns how many channels
    were copied (0 when the instance is not a controller). */
int readControllerOutput (juce::AudioPluginInstance& instance, std::uint8_t* dest, int maxChannels);

/** A name returned by the controller: one ISO 8859-1 character per byte, null as empty. */
juce::String nameFromController (const char* bytes);

/** Clears the callbacks and forgets the table; call before the controller's node
    is removed. */
void disconnectController();
} // namespace vovir
