#pragma once

#include "audio/FilterGraph.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_basics/juce_gui_basics.h>

/** A window showing one node's editor. Windows own themselves: the close button
    or closeAllCurrentlyOpenWindows() deletes them. */
class PluginWindow final : public juce::DocumentWindow
{
public:
    /** Takes ownership of the editor; the node must outlive the window. */
    PluginWindow (const juce::String& title, juce::Component* editor, juce::AudioProcessorGraph::Node* node);
    ~PluginWindow() override;

    juce::AudioProcessorGraph::Node* getNode() const noexcept { return owner; }

    void moved() override;
    void closeButtonPressed() override;
    bool keyPressed (const juce::KeyPress& key) override;

    /** Takes the keys that no component of a plug-in window used (the main
        window's transport keys and commands), so they work while it is active. */
    static std::function<bool (const juce::KeyPress&)> unusedKeyHandler;

    /** Deletes every open plug-in window, newest first. */
    static void closeAllCurrentlyOpenWindows();

    /** Every open plug-in window, oldest first. */
    static juce::Array<PluginWindow*> activePluginWindows;

private:
    juce::AudioProcessorGraph::Node* owner;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginWindow)
};

/** The open lighting-controller window, or null. */
extern PluginWindow* pluginWindow;

/** The plug-in file to scan, and the descriptions the scan found. */
extern juce::String vstPath;
extern juce::OwnedArray<juce::PluginDescription> typesFound;

/** Owns the processing graph and plays it on the audio device. Never visible.

    Construction makes nodes 1 to 5 and starts playing the graph on the device;
    the start-up code then detaches the device (detachDevice), adds the lighting
    controller as node 6 (filterGraph.addFilter), wires it
    (filterGraph.connectNodes) and attaches the device again (attachDevice), so the
    device never runs the graph while nodes are being added. */
class GraphDocumentComponent final : public juce::Component
{
public:
    explicit GraphDocumentComponent (juce::AudioDeviceManager* deviceManager);
    ~GraphDocumentComponent() override;

    void detachDevice();
    void attachDevice();

    FilterGraph filterGraph;
    juce::AudioProcessorPlayer devicePlayer;

private:
    juce::AudioDeviceManager* deviceManager;
    bool attached = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GraphDocumentComponent)
};
