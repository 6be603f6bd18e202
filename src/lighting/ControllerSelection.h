#pragma once

#include "lighting/ControllerCheck.h"
#include "lighting/VovirLink.h"

#include <functional>

/** Chooses the lighting controller (Viduroz Idav or VOVIR) at start-up, scans and
    loads it, checks its version and obtains its function table.

    Every failure tells the user what to install and ends the process through
    userDialogs().endProcess: status 1 when no controller is installed, 0
    otherwise. The graph creates the node (the injected CreateNode, normally
    FilterGraph::addFilter) and makes the connections afterwards.

    On success it sets vovirApi, gives the table ourApi, sets vidOrVovir and
    returns the instance (owned by whoever CreateNode gave it to). */
class ControllerSelection final
{
public:
    using CreateNode = std::function<juce::AudioPluginInstance* (const juce::PluginDescription&)>;
    using OpenWebPage = std::function<void (const juce::URL&)>;

    ControllerSelection (juce::KnownPluginList& knownPlugins, juce::AudioPluginFormat& vstFormat,
                         CreateNode createNode);

    /** Replaces the browser launch for the download page (tests). */
    void setWebPageOpener (OpenWebPage opener) { openWebPage = std::move (opener); }

    /** The processor-kind probe's answer; "Intel" unless set (Linux has no probe). */
    void setProcessorKind (juce::String kind) { processorKind = std::move (kind); }

    /** Checks each controller bundle before it is loaded here (normally in a child
        process); without one, bundles are loaded unchecked. A damaged one is
        named to the user and the other installed controller is used. */
    void setCheck (controllercheck::Check newCheck) { check = std::move (newCheck); }

    /** Runs the selection; null when it failed (the process has then been ended). */
    juce::AudioPluginInstance* run();

    /** The plug-in file last scanned and what that scan found. */
    const juce::String& getVstPath() const noexcept { return vstPath; }
    const juce::OwnedArray<juce::PluginDescription>& getTypesFound() const noexcept { return typesFound; }

private:
    void scan();
    void fail (const juce::String& title, const juce::String& text, int status);

    juce::KnownPluginList& knownPlugins;
    juce::AudioPluginFormat& vstFormat;
    CreateNode createNode;
    OpenWebPage openWebPage;
    controllercheck::Check check;
    juce::String processorKind { "Intel" };

    juce::String vstPath;
    juce::OwnedArray<juce::PluginDescription> typesFound;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ControllerSelection)
};
