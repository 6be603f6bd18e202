#include "audio/InternalFilters.h"

juce::AudioPluginFormatManager* audioFormatManager = nullptr;

InternalPluginFormat::InternalPluginFormat()
{
    using IO = juce::AudioProcessorGraph::AudioGraphIOProcessor;
    IO (IO::audioInputNode).fillInPluginDescription (audioInDesc);
    IO (IO::audioOutputNode).fillInPluginDescription (audioOutDesc);
    IO (IO::midiInputNode).fillInPluginDescription (midiInDesc);
}

void InternalPluginFormat::getAllTypes (juce::OwnedArray<juce::PluginDescription>& results)
{
    for (auto* description : { &audioInDesc, &audioOutDesc, &midiInDesc })
        results.add (new juce::PluginDescription (*description));
}

void InternalPluginFormat::createPluginInstance (const juce::PluginDescription& description, double, int,
                                                 PluginCreationCallback callback)
{
    using IO = juce::AudioProcessorGraph::AudioGraphIOProcessor;
    std::unique_ptr<juce::AudioPluginInstance> instance;

    if (description.name == audioInDesc.name)
        instance = std::make_unique<IO> (IO::audioInputNode);
    else if (description.name == audioOutDesc.name)
        instance = std::make_unique<IO> (IO::audioOutputNode);
    else if (description.name == midiInDesc.name)
        instance = std::make_unique<IO> (IO::midiInputNode);

    if (instance == nullptr)
        callback (nullptr, "Unable to load Internal plug-in");
    else
        callback (std::move (instance), {});
}

void addPluginFormats (juce::AudioPluginFormatManager& manager)
{
    manager.addFormat (new juce::VST3PluginFormat());
    manager.addFormat (new InternalPluginFormat());
}
