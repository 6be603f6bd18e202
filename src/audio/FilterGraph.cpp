#include "audio/FilterGraph.h"

#include "app/Globals.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
#include "audio/InternalFilters.h"
#include "ui/UserDialogs.h"

namespace
{
void runMessageLoopFor (int milliseconds)
{
    auto* messages = juce::MessageManager::getInstanceWithoutCreating();
    if (messages != nullptr && messages->isThisTheMessageThread())
        messages->runDispatchLoopUntil (milliseconds);
}

juce::RecentlyOpenedFilesList recentFiles()
{
    juce::RecentlyOpenedFilesList list;
    if (auto* settings = userSettings())
        list.restoreFromString (settings->getValue (FilterGraph::recentFilesKey));
    return list;
}

void rememberFile (const juce::File& file)
{
    if (auto* settings = userSettings())
    {
        auto list = recentFiles();
        list.addFile (file);
        settings->setValue (FilterGraph::recentFilesKey, list.toString());
    }
}
} // namespace

FilterGraph::FilterGraph()
    : juce::FileBasedDocument (".filtergraph", "*.filtergraph", "Load a filter graph", "Save a filter graph")
{
}

FilterGraph::~FilterGraph()
{
    // The players die with the graph.
    graph.clear();
}

juce::AudioPluginInstance* FilterGraph::addFilter (const juce::PluginDescription* description, double x, double y)
{
    if (description == nullptr)
        return nullptr;

    juce::String error ("No compatible plug-in format exists for this plug-in");
    std::unique_ptr<juce::AudioPluginInstance> instance;

    if (audioFormatManager != nullptr)
    {
        // Before the device has prepared the graph the instance starts at 44.1 kHz, 512 frames.
        const auto rate = graph.getSampleRate() > 0.0 ? graph.getSampleRate() : 44100.0;
        const auto block = graph.getBlockSize() > 0 ? graph.getBlockSize() : 512;
        instance = audioFormatManager->createPluginInstance (*description, rate, block, error);
    }

    if (instance == nullptr)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Couldn't create filter", error);
        return nullptr;
    }

    auto* raw = instance.get();
    if (auto node = graph.addNode (std::move (instance)))
    {
        node->properties.set ("x", x);
        node->properties.set ("y", y);
        changed();
        return raw;
    }
    return nullptr;
}

void FilterGraph::createFixedNodes()
{
    InternalPluginFormat internalFormat;
    addFilter (internalFormat.audioInDesc, 0.5, 0.1);
    addFilter (internalFormat.midiInDesc, 0.25, 0.1);
    addFilter (internalFormat.audioOutDesc, 0.5, 0.9);

    struct Player
    {
        FilePlayerProcessor*& global;
        double x, y;
    };
    for (auto player : { Player { filePlayer, 0.1, 0.3 }, Player { filePlayerB, 0.5, 0.5 } })
    {
        auto processor = std::make_unique<FilePlayerProcessor>();
        auto* raw = processor.get();
        if (auto node = graph.addNode (std::move (processor)))
        {
            node->properties.set ("x", player.x);
            node->properties.set ("y", player.y);
            player.global = raw;
            changed();
        }
    }
}

bool FilterGraph::connect (NodeID source, int sourceChannel, NodeID destination, int destinationChannel)
{
    if (graph.addConnection ({ { source, sourceChannel }, { destination, destinationChannel } }))
    {
        changed();
        return true;
    }
    return false;
}

int FilterGraph::connectNodes (NodeID controller)
{
    constexpr auto midi = juce::AudioProcessorGraph::midiChannelIndex;
    int made = 0;
    made += connect (midiInputNode, midi, controller, midi) ? 1 : 0;
    made += connect (audioInputNode, 0, controller, 0) ? 1 : 0;
    made += connect (audioInputNode, 1, controller, 1) ? 1 : 0;
    made += connect (backingTrackNode, 0, controller, 0) ? 1 : 0;
    made += connect (backingTrackNode, 1, controller, 1) ? 1 : 0;
    made += connect (backingTrackNode, 0, audioOutputNode, 0) ? 1 : 0;
    made += connect (backingTrackNode, 1, audioOutputNode, 1) ? 1 : 0;
    made += connect (clickTrackNode, 0, audioOutputNode, 2) ? 1 : 0;
    made += connect (clickTrackNode, 1, audioOutputNode, 3) ? 1 : 0;
    return made;
}

void FilterGraph::clear()
{
    PluginWindow::closeAllCurrentlyOpenWindows();
    runMessageLoopFor (1000);

    graph.clear(); // the players clear filePlayer and filePlayerB as they go
    changed();
    runMessageLoopFor (1000);
}

//==============================================================================
juce::String FilterGraph::getDocumentTitle()
{
    if (! getFile().existsAsFile())
        return "Unnamed";
    return getFile().getFileNameWithoutExtension();
}

juce::Result FilterGraph::loadDocument (const juce::File& file)
{
    auto xml = juce::XmlDocument::parse (file);
    if (xml == nullptr || ! xml->getTagName().equalsIgnoreCase ("FILTERGRAPH"))
        return juce::Result::fail ("Not a valid filter graph file");

    // The document holds no nodes: the graph stays as it is.
    rememberFile (file);
    return juce::Result::ok();
}

juce::Result FilterGraph::saveDocument (const juce::File& file)
{
    juce::XmlElement xml ("FILTERGRAPH");
    // UTF-8, lines wrapped at 60, "\r\n" line ends: JUCE's default text format.
    if (! xml.writeTo (file, juce::XmlElement::TextFormat()))
        return juce::Result::fail ("Couldn't write to the file");

    rememberFile (file);
    return juce::Result::ok();
}

juce::File FilterGraph::getLastDocumentOpened()
{
    return recentFiles().getFile (0);
}

void FilterGraph::setLastDocumentOpened (const juce::File& file)
{
    rememberFile (file);
}
