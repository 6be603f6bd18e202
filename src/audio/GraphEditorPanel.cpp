#include "audio/GraphEditorPanel.h"

PluginWindow* pluginWindow = nullptr;
juce::String vstPath;
juce::OwnedArray<juce::PluginDescription> typesFound;

juce::Array<PluginWindow*> PluginWindow::activePluginWindows;
std::function<bool (const juce::KeyPress&)> PluginWindow::unusedKeyHandler;

PluginWindow::PluginWindow (const juce::String& title, juce::Component* editor, juce::AudioProcessorGraph::Node* node)
    : juce::DocumentWindow (title, juce::Colours::lightblue,
                            juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton)
    , owner (node)
{
    setUsingNativeTitleBar (true);
    setSize (400, 300);
    setContentOwned (editor, true);
    activePluginWindows.add (this);
}

PluginWindow::~PluginWindow()
{
    activePluginWindows.removeFirstMatchingValue (this);
    if (pluginWindow == this)
        pluginWindow = nullptr;
    clearContentComponent();
}

void PluginWindow::moved()
{
    if (owner != nullptr)
    {
        owner->properties.set ("uiLastX", getX());
        owner->properties.set ("uiLastY", getY());
    }
}

bool PluginWindow::keyPressed (const juce::KeyPress& key)
{
    return unusedKeyHandler != nullptr && unusedKeyHandler (key);
}

void PluginWindow::closeButtonPressed()
{
    pluginWindow = nullptr;
    delete this;
}

void PluginWindow::closeAllCurrentlyOpenWindows()
{
    for (int i = activePluginWindows.size(); --i >= 0;)
        delete activePluginWindows[i];
}

//==============================================================================
GraphDocumentComponent::GraphDocumentComponent (juce::AudioDeviceManager* manager)
    : deviceManager (manager)
{
    filterGraph.createFixedNodes();
    devicePlayer.setProcessor (&filterGraph.graph);
    attachDevice();
}

GraphDocumentComponent::~GraphDocumentComponent()
{
    detachDevice();
    deleteAllChildren();
    devicePlayer.setProcessor (nullptr);
    filterGraph.clear();
}

void GraphDocumentComponent::attachDevice()
{
    if (deviceManager == nullptr || attached)
        return;
    deviceManager->addAudioCallback (&devicePlayer);
    // An empty identifier: every enabled MIDI input reaches the MIDI input node.
    deviceManager->addMidiInputDeviceCallback ({}, &devicePlayer.getMidiMessageCollector());
    attached = true;
}

void GraphDocumentComponent::detachDevice()
{
    if (deviceManager == nullptr || ! attached)
        return;
    deviceManager->removeAudioCallback (&devicePlayer);
    deviceManager->removeMidiInputDeviceCallback ({}, &devicePlayer.getMidiMessageCollector());
    attached = false;
}
