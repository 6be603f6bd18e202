#pragma once

#include <juce_core/juce_core.h>

#include <sys/types.h>

/** A program started as a child process with posix_spawn, with the operations
    of juce::ChildProcess that the program and its tests use.

    juce::ChildProcess forks and then builds the argument list in the child,
    with the allocator; in a process with other threads running (audio, MIDI,
    read-ahead) the allocator's lock may have been held at the moment of the
    fork, and the child then never reaches the program it was to run.
    posix_spawn runs no code of ours in the child.

    Differences from juce::ChildProcess: the exit status is kept once the child
    has been reaped, so asking again reads the same status; readProcessOutput
    never waits for output, so a caller that polls it can keep its own time
    limit; kill() also reaps the child; the destructor kills a child that is
    still running, so none is left behind. */
class SpawnedProcess
{
public:
    enum StreamFlags
    {
        wantStdOut = 1,
        wantStdErr = 2,
        /** The child leads a process group of its own, and kill() ends the whole
            group: a script's own children (a display server, a window manager,
            the program it runs) go with it. */
        inOwnProcessGroup = 4
    };

    SpawnedProcess() = default;
    ~SpawnedProcess();

    /** Starts arguments[0] (looked up on PATH) with the rest as its arguments;
        the streams asked for come through a pipe, the others go to /dev/null.
        A child started before is let go first (killed if still running). */
    bool start (const juce::StringArray& arguments, int streamFlags = wantStdOut | wantStdErr);

    bool isRunning();

    /** Reads what the child has written so far, at most numBytes, without
        waiting; 0 when nothing is there (yet, or any more). */
    int readProcessOutput (void* destBuffer, int numBytesToRead);

    /** Waits until the child closes its output and returns all of it. */
    juce::String readAllProcessOutput();

    bool waitForProcessToFinish (int timeoutMs);

    /** The exit status once the child has ended (the signal number when a
        signal ended it); 0 before. */
    juce::uint32 getExitCode();

    bool kill();

private:
    bool reap (bool wait);
    void release();

    pid_t pid = 0;
    int readHandle = -1;
    bool ended = false;
    bool leadsGroup = false;
    juce::uint32 exitCode = 0;

    JUCE_DECLARE_NON_COPYABLE (SpawnedProcess)
};
