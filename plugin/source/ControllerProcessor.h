#pragma once

#include "core/DmxOutput.h"

#include <juce_audio_processors/juce_audio_processors.h>

/** The lighting controller as a VST3 plug-in. Audio passes through untouched (the
    host feeds the backing track in and uses nothing that comes out); the audio
    stream clocks the light fades. The host reaches the controller through the
    function table, which it obtains with the IVovirLink interface. MIDI
    controllers 80 and 81 (pressed: value 64 or more) work the footswitch. */
class ControllerProcessor final : public juce::AudioProcessor, public juce::VST3ClientExtensions, private juce::Timer
{
public:
    ControllerProcessor();
    ~ControllerProcessor() override;

    static constexpr int footswitchNextController = 80;
    static constexpr int footswitchPrevController = 81;

    /** Where the shows are kept: ~/.config/<maker>/<plug-in name>/Shows.xml, one
        file per build so the two controllers never share one. */
    static juce::File getStoreFile();

    lighting::LightingController& getController() noexcept { return *controller; }
    lighting::DmxOutput& getDmxOutput() noexcept { return *dmxOutput; }

    /** Hands a key the editor did not use to the host; true when the host used it. */
    bool forwardKeyToHost (const juce::KeyPress& key) const;

    //==============================================================================
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override {}
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    using juce::AudioProcessor::processBlock;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    const juce::String getName() const override { return JucePlugin_Name; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    double getTailLengthSeconds() const override { return 0.0; }

    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    //==============================================================================
    std::int32_t queryIAudioProcessor (const Steinberg::TUID targetIid, void** obj) override;
    std::int32_t queryIEditController (const Steinberg::TUID targetIid, void** obj) override;

private:
    class Link;
    class Keys;

    void timerCallback() override;
    std::int32_t queryLink (const Steinberg::TUID targetIid, void** obj);

    std::unique_ptr<lighting::LightingController> controller;
    std::unique_ptr<Link> link;
    std::unique_ptr<Keys> keys;
    std::unique_ptr<lighting::DmxOutput> dmxOutput; // sends the output to OLA's daemon, from its own thread
    bool pedalDown[2] {}; // audio thread only

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ControllerProcessor)
};
