#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

/** The plug-in format of the graph's own input and output nodes ("Internal"):
    audio input, audio output and MIDI input, in that order. */
class InternalPluginFormat final : public juce::AudioPluginFormat
{
public:
    InternalPluginFormat();

    juce::PluginDescription audioInDesc, audioOutDesc, midiInDesc;

    /** The three descriptions: audio input, audio output, MIDI input. */
    void getAllTypes (juce::OwnedArray<juce::PluginDescription>& results);

    juce::String getName() const override { return "Internal"; }
    bool fileMightContainThisPluginType (const juce::String&) override { return true; }
    juce::FileSearchPath getDefaultLocationsToSearch() override { return {}; }
    bool canScanForPlugins() const override { return false; }
    bool isTrivialToScan() const override { return true; }
    void findAllTypesForFile (juce::OwnedArray<juce::PluginDescription>&, const juce::String&) override {}
    bool doesPluginStillExist (const juce::PluginDescription&) override { return true; }
    juce::String getNameOfPluginFromIdentifier (const juce::String& fileOrIdentifier) override
    {
        return fileOrIdentifier;
    }
    bool pluginNeedsRescanning (const juce::PluginDescription&) override { return false; }
    juce::StringArray searchPathsForPlugins (const juce::FileSearchPath&, bool, bool) override { return {}; }
    bool requiresUnblockedMessageThreadDuringCreation (const juce::PluginDescription&) const override
    {
        return false;
    }

private:
    void createPluginInstance (const juce::PluginDescription&, double initialSampleRate, int initialBufferSize,
                               PluginCreationCallback) override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (InternalPluginFormat)
};

/** The plug-in formats of the program (owned by the application object): VST3,
    then the internal nodes. Null before start-up. */
extern juce::AudioPluginFormatManager* audioFormatManager;

/** Adds the program's formats to a manager: the VST3 format, then InternalPluginFormat. */
void addPluginFormats (juce::AudioPluginFormatManager& manager);
