#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** Runs the message loop until the condition holds or the time is up (calling
    eachTurn, if given, between turns); the result of the condition. */
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs,
                const std::function<void()>& eachTurn = {});

/** Runs a program while the message loop keeps the windows alive; its exit
    status, or -1 when it could not start or did not end within the time. */
int runWhilePumping (const juce::StringArray& command, int timeoutMs);

/** Real pointer input (xdotool), one step at a time: each move, press and
    release waits until the program has taken it in, so a program busy for a
    moment (or slowed by a sanitizer) never reads a press only after its
    release. 0 when done; the failing step's status otherwise (-2: the program
    did not take it in within 20 s). */
int clickWithPointer (juce::Point<int> at);
/** A press at from, ten steps to to, and the release. */
int dragWithPointer (juce::Point<int> from, juce::Point<int> to);

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
