#include "source/ControllerTable.h"

#include <mutex>

namespace controllertable
{
namespace
{
std::mutex registryMutex;
std::vector<lighting::LightingController*> registry;

/** Runs f (LightingController&) on the active controller under the registry lock,
    or returns fallback when there is none. */
template <typename Result, typename Function>
Result withActive (Result fallback, Function&& f)
{
    const std::lock_guard<std::mutex> guard (registryMutex);
    if (registry.empty())
        return fallback;
    return f (*registry.back());
}

template <typename Function>
void withActive (Function&& f)
{
    const std::lock_guard<std::mutex> guard (registryMutex);
    if (! registry.empty())
        f (*registry.back());
}

/** Returned names live in a per-thread buffer until the next call that returns a
    name; the host copies each one at once. */
const char* returnName (const juce::String& name)
{
    thread_local std::string buffer;
    buffer = toLatin1 (name);
    return buffer.c_str();
}

juce::String fromUtf8 (const char* text)
{
    return text != nullptr ? juce::String::fromUTF8 (text) : juce::String();
}

void setHostCallbacks (HostApiTable* host)
{
    withActive ([host] (lighting::LightingController& c) { c.setHostCallbacks (host); });
}

void setTempo (float bpm)
{
    withActive ([bpm] (lighting::LightingController& c) { c.setTempo (bpm); });
}

int getNumShows()
{
    return withActive (0, [] (lighting::LightingController& c)
                       { return c.withLibrary ([] (lighting::ShowLibrary& l) { return l.getNumShows(); }); });
}

const char* getCurrentShowName()
{
    return returnName (withActive (juce::String(), [] (lighting::LightingController& c)
                                   {
                                       return c.withLibrary ([] (lighting::ShowLibrary& l)
                                                             { return l.getCurrentShowName(); });
                                   }));
}

const char* getShowName (int index)
{
    return returnName (withActive (juce::String(), [index] (lighting::LightingController& c)
                                   {
                                       return c.withLibrary ([index] (lighting::ShowLibrary& l)
                                                             { return l.getShowName (index); });
                                   }));
}

void loadShow (const char* name)
{
    const auto showName = fromUtf8 (name);
    withActive ([&] (lighting::LightingController& c) { c.loadShow (showName); });
}

int getNumBanks()
{
    return withActive (0, [] (lighting::LightingController& c)
                       { return c.withLibrary ([] (lighting::ShowLibrary& l) { return l.getNumBanks(); }); });
}

const char* getBankName (int index)
{
    return returnName (withActive (juce::String(), [index] (lighting::LightingController& c)
                                   {
                                       return c.withLibrary ([index] (lighting::ShowLibrary& l)
                                                             { return l.getBankName (index); });
                                   }));
}

int getNumPresets (const char* bankName)
{
    const auto bank = fromUtf8 (bankName);
    return withActive (0, [&] (lighting::LightingController& c)
                       {
                           return c.withLibrary ([&] (lighting::ShowLibrary& l) { return l.getNumPresets (bank); });
                       });
}

const char* getPresetName (const char* bankName, int index)
{
    const auto bank = fromUtf8 (bankName);
    return returnName (withActive (juce::String(), [&] (lighting::LightingController& c)
                                   {
                                       return c.withLibrary ([&] (lighting::ShowLibrary& l)
                                                             { return l.getPresetName (bank, index); });
                                   }));
}

void triggerPreset (const char* bankName, const char* presetName, float fadeSeconds)
{
    const auto bank = fromUtf8 (bankName);
    const auto preset = fromUtf8 (presetName);
    withActive ([&] (lighting::LightingController& c) { c.triggerPreset (bank, preset, fadeSeconds); });
}

void beginCueBurst()
{
    withActive ([] (lighting::LightingController& c) { c.beginCueBurst(); });
}

void endCueBurst()
{
    withActive ([] (lighting::LightingController& c) { c.endCueBurst(); });
}

VovirApiTable table { &setHostCallbacks, &setTempo,     nullptr,        nullptr,          &getNumShows,
                      &getCurrentShowName, &getShowName, &loadShow,      &getNumBanks,     &getBankName,
                      &getNumPresets,     &getPresetName, &triggerPreset, &beginCueBurst,  &endCueBurst };
} // namespace

VovirApiTable* get()
{
    return &table;
}

void registerController (lighting::LightingController* controller)
{
    const std::lock_guard<std::mutex> guard (registryMutex);
    registry.push_back (controller);
}

void unregisterController (lighting::LightingController* controller)
{
    const std::lock_guard<std::mutex> guard (registryMutex);
    registry.erase (std::remove (registry.begin(), registry.end(), controller), registry.end());
}

std::string toLatin1 (const juce::String& text)
{
    std::string result;
    result.reserve ((size_t) text.length());
    for (auto c : text)
        result += (char) (c <= 255 ? c : '?');
    return result;
}
} // namespace controllertable
