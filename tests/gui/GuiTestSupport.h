#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** Runs the message loop until the condition holds or the time is up (calling
    eachTurn, if given, between turns); the result of the condition. */
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs,
                const std::function<void()>& eachTurn = {});

/** Paints a component into build/screenshots/<name> (PNG). */
void writeSnapshot (juce::Component& component, const juce::String& name);

/** The whole X screen as a person sees it (plug-in editors live in windows of
    their own, which a component snapshot does not show). */
void writeScreenCapture (const juce::String& name);

/** The install step in the test's home: a fresh database, the media folder and
    both lighting-controller bundles under ~/.vst3. */
void installProgram();

/** What the application object sets up before it makes the main window: the
    look and feel, the command manager and the plug-in formats. */
class ProgramGlobals final
{
public:
    ProgramGlobals();
    ~ProgramGlobals();

    juce::ApplicationCommandManager commands;
    juce::AudioPluginFormatManager plugins;
};
