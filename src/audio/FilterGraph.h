#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_extra/juce_gui_extra.h>

/** The processing graph as a document: the device's inputs, the two file
    players, the lighting controller and the device's outputs, with fixed node ids
    and connections. The document file (".filtergraph") stores no nodes; it only
    has to be a FILTERGRAPH XML file. */
class FilterGraph final : public juce::FileBasedDocument
{
public:
    using NodeID = juce::AudioProcessorGraph::NodeID;

    // The graph gives ids in creation order from 1; the fixed nodes are made in this order.
    static inline const NodeID audioInputNode { 1 }, midiInputNode { 2 }, audioOutputNode { 3 },
        backingTrackNode { 4 }, clickTrackNode { 5 }, controllerNode { 6 };

    FilterGraph();
    ~FilterGraph() override;

    juce::AudioProcessorGraph graph;

    /** Creates a node from a plug-in description through audioFormatManager (the VST3
        format or the internal nodes). On failure shows "Couldn't create filter" and
        returns null. */
    juce::AudioPluginInstance* addFilter (const juce::PluginDescription* description, double x, double y);
    juce::AudioPluginInstance* addFilter (const juce::PluginDescription& description, double x, double y)
    {
        return addFilter (&description, x, y);
    }

    /** Nodes 1 to 5: audio input, MIDI input, audio output, then the backing-track
        and click-track players, which become filePlayer and filePlayerB. */
    void createFixedNodes();

    /** The nine connections to and from the controller node, in their fixed order.
        A connection the current channel counts do not allow is not made (a stereo
        device plays no click). Returns how many were made. */
    int connectNodes (NodeID controller = controllerNode);

    /** Closes every plug-in window and deletes every node (both players included). */
    void clear();

    //==============================================================================
    juce::String getDocumentTitle() override;
    juce::Result loadDocument (const juce::File& file) override;
    juce::Result saveDocument (const juce::File& file) override;
    juce::File getLastDocumentOpened() override;
    void setLastDocumentOpened (const juce::File& file) override;

    static constexpr const char* recentFilesKey = "recentFilterGraphFiles";

private:
    bool connect (NodeID source, int sourceChannel, NodeID destination, int destinationChannel);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FilterGraph)
};
