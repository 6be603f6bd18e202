#pragma once

/*  The function table that the lighting-controller plug-in (Viduroz Idav or VOVIR)
    publishes, the host functions it is given, and the VST3 interface through which
    the host obtains the table and the plug-in's version.

    Shared by the program and the plug-in, so it depends on nothing but the VST3
    SDK's base header: no JUCE types cross the boundary between the two JUCE copies
    that live in one process.

    Text: names the plug-in returns are NUL-terminated bytes, one ISO 8859-1
    character per byte (null reads as empty); names passed to it are UTF-8.
    Indexes count from 0. Every slot is called on the host's message thread.
*/

#include <cstdint>

#if defined(__GNUC__)
 #pragma GCC diagnostic push
 #pragma GCC diagnostic ignored "-Wshadow"
 #pragma GCC diagnostic ignored "-Wunused-parameter"
 #pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
#include <pluginterfaces/base/funknown.h>
#if defined(__GNUC__)
 #pragma GCC diagnostic pop
#endif

extern "C"
{
/** The host's functions. The plug-in may call them from any thread. */
struct HostApiTable
{
    void (*vovirFswNext)(); // footswitch "next"
    void (*vovirFswPrev)(); // footswitch "previous"
};

/** The host's handler for a key that the controller's editor did not use: the
    key's code, raw modifier flags and text character as the framework reports
    them (the host and the plug-in are built against the same framework release).
    Returns nonzero when the host used the key. Called on the message thread. */
typedef int (*HostKeyHandler) (int keyCode, int modifierFlags, int textCharacter);

/** The plug-in's functions, in slot order. */
struct VovirApiTable
{
    void (*setHostCallbacks) (HostApiTable* host);                                  // 0 (null clears them)
    void (*setTempo) (float bpm);                                                   // 1
    void* unused2;                                                                  // 2
    void* unused3;                                                                  // 3
    int (*getNumShows)();                                                           // 4
    const char* (*getCurrentShowName)();                                            // 5
    const char* (*getShowName) (int index);                                         // 6
    void (*loadShow) (const char* name);                                            // 7
    int (*getNumBanks)();                                                           // 8
    const char* (*getBankName) (int index);                                         // 9
    int (*getNumPresets) (const char* bankName);                                    // 10
    const char* (*getPresetName) (const char* bankName, int index);                 // 11
    void (*triggerPreset) (const char* bankName, const char* presetName, float fadeSeconds); // 12
    void (*beginCueBurst)();                                                        // 13
    void (*endCueBurst)();                                                          // 14
};
}

namespace vovir
{
/** The number of DMX channels in the controller's universe. */
inline constexpr int numDmxChannels = 512;

/** Packs a version the way the plug-in reports it: major, minor and patch in the
    three low bytes. */
constexpr std::int32_t packVersion (int major, int minor, int patch)
{
    return (std::int32_t) (((major & 0xff) << 16) | ((minor & 0xff) << 8) | (patch & 0xff));
}

/** The identifier of IVovirLink (the 16 bytes of an INLINE_UID). */
inline constexpr Steinberg::TUID linkIid = { 0x5A, 0x4E, 0x21, 0x7C, 0x3B, 0x6D, 0x4F, 0x10,
                                             (char) 0x9A, 0x25, 0x71, (char) 0xC3, 0x0E, 0x52, (char) 0xB8, 0x44 };

/** Answered by the controller plug-in's component (IComponent::queryInterface with
    linkIid). Stands in for the `user` and `version` fields of the VST 2 effect
    record, and lets the host read the live light output for monitoring.

    The caller releases the interface once it has read what it needs; the table it
    returns lives as long as the plug-in's module stays loaded. */
#if defined(__GNUC__)
 #pragma GCC diagnostic push
 #pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // a COM-style interface: no destructor in its vtable
#endif
class IVovirLink : public Steinberg::FUnknown
{
public:
    /** The function table, never null while the plug-in runs. */
    virtual VovirApiTable* PLUGIN_API getApiTable() = 0;

    /** Major, minor and patch in the three low bytes. */
    virtual std::int32_t PLUGIN_API getVersion() = 0;

    /** Copies up to maxChannels current DMX output levels (0-255) into dest and
        returns how many were copied. */
    virtual std::int32_t PLUGIN_API getOutputLevels (std::uint8_t* dest, std::int32_t maxChannels) = 0;

protected:
    ~IVovirLink() = default; // released, never deleted, through this interface
};

/** The identifier of IVovirKeys. */
inline constexpr Steinberg::TUID keysIid = { 0x2C, 0x71, 0x0B, 0x4E, (char) 0x95, 0x13, 0x4A, 0x6F,
                                             (char) 0x8D, 0x02, 0x3E, (char) 0xA7, 0x61, (char) 0xC9, 0x14, 0x58 };

/** Answered by controllers whose editor hands the keys it does not use back to
    the host (so that the program's transport keys work while the user is in the
    controller's own editor). Older controllers do not answer it. */
class IVovirKeys : public Steinberg::FUnknown
{
public:
    /** Sets the host's key handler; null clears it. */
    virtual void PLUGIN_API setHostKeyHandler (HostKeyHandler handler) = 0;

protected:
    ~IVovirKeys() = default;
};
#if defined(__GNUC__)
 #pragma GCC diagnostic pop
#endif
} // namespace vovir
