#include "source/ControllerProcessor.h"

#include "source/ControllerEditor.h"
#include "source/ControllerTable.h"

//==============================================================================
/** The IVovirLink the host asks our component for. It lives as long as the
    processor; the host releases it before it removes the plug-in. */
class ControllerProcessor::Link final : public vovir::IVovirLink
{
public:
    explicit Link (lighting::LightingController& c) : controller (c) {}

    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID targetIid, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual (targetIid, vovir::linkIid)
            || Steinberg::FUnknownPrivate::iidEqual (targetIid, Steinberg::FUnknown_iid))
        {
            addRef();
            *obj = this;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }

    Steinberg::uint32 PLUGIN_API addRef() override { return ++refCount; }
    Steinberg::uint32 PLUGIN_API release() override { return --refCount; }

    VovirApiTable* PLUGIN_API getApiTable() override { return controllertable::get(); }
    std::int32_t PLUGIN_API getVersion() override { return JucePlugin_VersionCode; }

    std::int32_t PLUGIN_API getOutputLevels (std::uint8_t* dest, std::int32_t maxChannels) override
    {
        return dest != nullptr ? controller.getOutputLevels (dest, maxChannels) : 0;
    }

    int getRefCount() const noexcept { return refCount.load(); }

private:
    lighting::LightingController& controller;
    std::atomic<Steinberg::uint32> refCount { 0 };
};

//==============================================================================
/** The IVovirKeys the host asks for: it keeps the host's key handler. */
class ControllerProcessor::Keys final : public vovir::IVovirKeys
{
public:
    Steinberg::tresult PLUGIN_API queryInterface (const Steinberg::TUID targetIid, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual (targetIid, vovir::keysIid)
            || Steinberg::FUnknownPrivate::iidEqual (targetIid, Steinberg::FUnknown_iid))
        {
            addRef();
            *obj = this;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }

    Steinberg::uint32 PLUGIN_API addRef() override { return ++refCount; }
    Steinberg::uint32 PLUGIN_API release() override { return --refCount; }

    void PLUGIN_API setHostKeyHandler (HostKeyHandler h) override { handler.store (h); }

    std::atomic<HostKeyHandler> handler { nullptr };

private:
    std::atomic<Steinberg::uint32> refCount { 0 };
};

//==============================================================================
ControllerProcessor::ControllerProcessor()
    : AudioProcessor (BusesProperties()
                          .withInput ("Input", juce::AudioChannelSet::stereo(), true)
                          .withOutput ("Output", juce::AudioChannelSet::stereo(), true))
    , controller (std::make_unique<lighting::LightingController> (getStoreFile()))
    , link (std::make_unique<Link> (*controller))
    , keys (std::make_unique<Keys>())
    , dmxOutput (std::make_unique<lighting::DmxOutput> (*controller, lighting::DmxOutput::rpcPortFromEnvironment()))
{
    controllertable::registerController (controller.get());
    startTimer (1000); // saves edits a moment after they are made
}

ControllerProcessor::~ControllerProcessor()
{
    stopTimer();
    dmxOutput.reset();
    controllertable::unregisterController (controller.get());
    jassert (link->getRefCount() == 0); // the host must release the interface first
    controller->saveIfNeeded();
}

juce::File ControllerProcessor::getStoreFile()
{
    auto home = juce::File (juce::SystemStats::getEnvironmentVariable ("HOME", "/tmp"));
    return home.getChildFile (".config").getChildFile (JucePlugin_Manufacturer).getChildFile (JucePlugin_Name)
        .getChildFile ("Shows.xml");
}

//==============================================================================
void ControllerProcessor::prepareToPlay (double, int) {}

bool ControllerProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto& in = layouts.getMainInputChannelSet();
    const auto& out = layouts.getMainOutputChannelSet();
    return ! out.isDisabled() && out.size() <= 2 && (in.isDisabled() || in == out);
}

void ControllerProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    juce::ScopedNoDenormals noDenormals;

    // Audio passes through (in place); outputs without an input are silenced.
    for (auto ch = getTotalNumInputChannels(); ch < getTotalNumOutputChannels(); ++ch)
        buffer.clear (ch, 0, buffer.getNumSamples());

    for (const auto metadata : midi)
    {
        const auto message = metadata.getMessage();
        if (! message.isController())
            continue;

        const auto number = message.getControllerNumber();
        const int pedal = number == footswitchNextController ? 0 : number == footswitchPrevController ? 1 : -1;
        if (pedal < 0)
            continue;

        // Act on the press only, not on a pedal that keeps sending "down".
        const bool down = message.getControllerValue() >= 64;
        if (down && ! pedalDown[pedal])
        {
            if (pedal == 0)
                controller->footswitchNext();
            else
                controller->footswitchPrev();
        }
        pedalDown[pedal] = down;
    }

    const auto rate = getSampleRate();
    controller->process (rate > 0.0 ? buffer.getNumSamples() / rate : 0.0);
}

//==============================================================================
juce::AudioProcessorEditor* ControllerProcessor::createEditor()
{
    return new ControllerEditor (*this);
}

void ControllerProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    if (auto xml = controller->createStateXml())
        copyXmlToBinary (*xml, destData);
}

void ControllerProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    if (auto xml = getXmlFromBinary (data, sizeInBytes))
        controller->restoreStateXml (*xml);
}

bool ControllerProcessor::forwardKeyToHost (const juce::KeyPress& key) const
{
    auto handler = keys->handler.load();
    return handler != nullptr
           && handler (key.getKeyCode(), key.getModifiers().getRawFlags(), (int) key.getTextCharacter()) != 0;
}

void ControllerProcessor::timerCallback()
{
    controller->saveIfNeeded();
}

//==============================================================================
std::int32_t ControllerProcessor::queryLink (const Steinberg::TUID targetIid, void** obj)
{
    if (Steinberg::FUnknownPrivate::iidEqual (targetIid, vovir::linkIid))
    {
        link->addRef();
        *obj = static_cast<vovir::IVovirLink*> (link.get());
        return Steinberg::kResultOk;
    }
    if (Steinberg::FUnknownPrivate::iidEqual (targetIid, vovir::keysIid))
    {
        keys->addRef();
        *obj = static_cast<vovir::IVovirKeys*> (keys.get());
        return Steinberg::kResultOk;
    }
    *obj = nullptr;
    return Steinberg::kNoInterface;
}

std::int32_t ControllerProcessor::queryIAudioProcessor (const Steinberg::TUID targetIid, void** obj)
{
    return queryLink (targetIid, obj);
}

std::int32_t ControllerProcessor::queryIEditController (const Steinberg::TUID targetIid, void** obj)
{
    return queryLink (targetIid, obj);
}

//==============================================================================
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new ControllerProcessor();
}
