#pragma once

#include <juce_core/juce_core.h>

#include <functional>

/** A lighting-controller bundle is loaded first in a child process (the program
    itself, started with --check-controller), so that a damaged file — one that
    crashes or hangs whatever loads it — can only end the child. */
namespace controllercheck
{
/** The argument that makes the program check one bundle and end. */
inline constexpr const char* argument = "--check-controller";

struct Result
{
    bool loadable = false;
    juce::String details; ///< what went wrong, for the log of a test; the user is told which file
};

/** Checks a bundle: true when the child loaded it and answered with its version
    within the time limit. */
using Check = std::function<Result (const juce::File& bundle)>;

/** The check through a child process running `program` (empty: this executable). */
Check childProcessCheck (juce::String program = {}, int timeoutMs = 20000);

/** The program that runs the check in child processes; empty means this
    executable. Programs that are not the application (tests) name it. */
extern juce::String checkProgram;

/** The child's side: loads the bundle, writes "controller-version N" to the
    standard output and returns the process status (0 when it loaded). */
int runCheckInThisProcess (const juce::String& bundlePath);
} // namespace controllercheck
