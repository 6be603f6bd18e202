#include "lighting/VovirLink.h"

#include "app/EventFlags.h"

#if defined(__GNUC__)
 #pragma GCC diagnostic push
 #pragma GCC diagnostic ignored "-Wshadow"
 #pragma GCC diagnostic ignored "-Wunused-parameter"
 #pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
 #pragma GCC diagnostic ignored "-Woverloaded-virtual"
#endif
#include <pluginterfaces/vst/ivstcomponent.h>
#if defined(__GNUC__)
 #pragma GCC diagnostic pop
#endif

VovirApiTable* vovirApi = nullptr;
HostApiTable ourApi { nullptr, nullptr };
juce::String vidOrVovir;
int useVid = 1;
MyPlayHead thePlayHead;

void vovirFswNext()
{
    startEventReceived = true;
}

void vovirFswPrev()
{
    rewindEventReceived = true;
}

std::function<bool (const juce::KeyPress&)> unusedControllerKeys;

int vovirKeyPressed (int keyCode, int modifierFlags, int textCharacter)
{
    // The key is acted on later, never inside the call: the controller calls
    // this from its own handling of a window event, and a key such as Ctrl+Q
    // closes the program's windows and unloads the controller, whose event
    // handling would then go on in freed memory. Being handed over, the key
    // counts as used.
    const juce::KeyPress key (keyCode, juce::ModifierKeys (modifierFlags), (juce::juce_wchar) textCharacter);
    return juce::MessageManager::callAsync ([key] { if (unusedControllerKeys != nullptr) unusedControllerKeys (key); })
               ? 1
               : 0;
}

juce::Optional<juce::AudioPlayHead::PositionInfo> MyPlayHead::getPosition() const
{
    PositionInfo info;
    info.setBpm ((double) bpm.load());
    return info;
}

namespace vovir
{
juce::String displayName (Controller controller)
{
    return controller == Controller::vidurozIdav ? "Viduroz Idav" : "VOVIR";
}

juce::File pluginFile (Controller controller)
{
    const auto home = juce::File (juce::SystemStats::getEnvironmentVariable ("HOME", {}));
    return controller == Controller::vidurozIdav ? home.getChildFile (".vst3/zezevade didid/Viduroz Idav.vst3")
                                                 : home.getChildFile (".vst3/ZEZERE/VOVIR.vst3");
}

int versionNumber (std::int32_t version)
{
    const auto major = (version >> 16) & 0xff, minor = (version >> 8) & 0xff, patch = version & 0xff;
    return major * 100 + minor * 10 + patch;
}

bool versionSupported (Controller controller, int number)
{
    return number >= (controller == Controller::vidurozIdav ? 215 : 174);
}

namespace
{
/** Calls f (IVovirLink&) when the instance's VST3 component answers the interface;
    releases the interface afterwards. */
template <typename Interface, typename Function>
bool withInterface (juce::AudioPluginInstance& instance, const Steinberg::TUID iid, Function&& f)
{
    struct Visitor final : juce::ExtensionsVisitor
    {
        Visitor (Function& fn, const Steinberg::int8* i) : function (fn), iid (i) {}

        void visitVST3Client (const VST3Client& client) override
        {
            auto* component = client.getIComponentPtr();
            if (component == nullptr)
                return;

            void* object = nullptr;
            if (component->queryInterface (iid, &object) != Steinberg::kResultOk || object == nullptr)
                return;

            auto* answered = static_cast<Interface*> (object);
            function (*answered);
            answered->release();
            found = true;
        }

        Function& function;
        const Steinberg::int8* iid;
        bool found = false;
    };

    Visitor visitor (f, iid);
    instance.getExtensions (visitor);
    return visitor.found;
}

template <typename Function>
bool withLink (juce::AudioPluginInstance& instance, Function&& f)
{
    return withInterface<IVovirLink> (instance, linkIid, f);
}
} // namespace

ControllerRecord readControllerRecord (juce::AudioPluginInstance& instance)
{
    ControllerRecord record;
    record.linked = withLink (instance, [&] (IVovirLink& link)
                              {
                                  record.table = link.getApiTable();
                                  record.version = link.getVersion();
                              });
    return record;
}

bool connectKeyHandler (juce::AudioPluginInstance& instance)
{
    return withInterface<IVovirKeys> (instance, keysIid,
                                      [] (IVovirKeys& keys) { keys.setHostKeyHandler (&vovirKeyPressed); });
}

int readControllerOutput (juce::AudioPluginInstance& instance, std::uint8_t* dest, int maxChannels)
{
    int copied = 0;
    withLink (instance, [&] (IVovirLink& link) { copied = (int) link.getOutputLevels (dest, maxChannels); });
    return copied;
}

juce::String nameFromController (const char* bytes)
{
    if (bytes == nullptr)
        return {};

    juce::String name;
    for (auto* b = reinterpret_cast<const unsigned char*> (bytes); *b != 0; ++b)
        name += (juce::juce_wchar) *b;
    return name;
}

void disconnectController()
{
    if (vovirApi != nullptr && vovirApi->setHostCallbacks != nullptr)
        vovirApi->setHostCallbacks (nullptr);
    vovirApi = nullptr;
}
} // namespace vovir
