// `make run` and `make demo` on a virtual display: the program runs under
// xvfb-run with the window manager wrapper, and the command must come back with
// the program's own status once the user quits.

#include "app/SpawnedProcess.h"
#include "gui/GuiTestSupport.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
struct Finished
{
    bool returned = false;
    int status = -1;
    juce::String output;
};

/** Runs a shell command inside xvfb-run and the wrapper, as `make run` does
    without a display. */
Finished runWrapped (const juce::String& innerCommand, const juce::String& path, int timeoutMs)
{
    SpawnedProcess run;
    Finished result;
    if (!run.start (juce::StringArray{"/usr/bin/env", "PATH=" + path, "xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -noreset",
                                      RAV_SCRIPTS_DIR "/with-window-manager.sh", "/bin/sh", "-c", innerCommand},
                    SpawnedProcess::wantStdOut | SpawnedProcess::wantStdErr | SpawnedProcess::inOwnProcessGroup))
        return result;

    // Asked once the child has ended, isRunning() would read its status again as 0,
    // so the status is taken right after the first answer that it ended.
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32)timeoutMs;
    char buffer[4096];
    bool running = true;
    while ((running = run.isRunning()) && juce::Time::getMillisecondCounter() < deadline)
    {
        auto n = run.readProcessOutput (buffer, sizeof (buffer));
        if (n > 0)
            result.output += juce::String::fromUTF8 (buffer, n);
        else
            juce::Thread::sleep (50);
    }
    result.returned = !running;
    if (result.returned)
        result.status = (int)run.getExitCode();
    else
        run.kill(); // with xvfb-run's display, window manager and program
    return result;
}
} // namespace

TEST (WindowManagerWrapper, ReturnsTheProgramsStatusOnceItEnds)
{
    installProgram();

    // The real program: its window appears, the user presses Ctrl+Q in it. Until
    // the program has finished starting (its key mappings are added once the
    // audio graph is up) the key does nothing, and a window found while the
    // program still sets it up may be replaced before the key reaches it: so the
    // window is looked for and the key pressed again until the program ends.
    const juce::String quitByKey = "RAV_DIALOGS=console '" RAV_APP_PATH "' & pid=$!; "
                                   "for try in $(seq 1 40); do "
                                   "sleep 2; kill -0 $pid 2>/dev/null || break; "
                                   "id=$(xdotool search --onlyvisible --name 'Raziviz Avodoru V' | head -n 1); "
                                   "[ -n \"$id\" ] && xdotool windowactivate --sync \"$id\" key ctrl+q; "
                                   "done; wait $pid";

    // A window manager that does not end on SIGTERM, as one stuck in its own
    // shutdown: found first on the PATH.
    auto stubborn = TestHome::folder().getChildFile ("stubborn-wm");
    stubborn.createDirectory();
    auto fakeManager = stubborn.getChildFile ("fluxbox");
    ASSERT_TRUE (fakeManager.replaceWithText ("#!/bin/sh\ntrap '' TERM\nwhile :; do sleep 1; done\n"));
    ASSERT_TRUE (fakeManager.setExecutePermission (true));
    const auto systemPath = juce::SystemStats::getEnvironmentVariable ("PATH", "/usr/bin:/bin");

    struct Case
    {
        const char* what;
        juce::String command, path;
        int expectedStatus;
    };
    const Case cases[] = {
        {"the program quit with Ctrl+Q", quitByKey, systemPath, 0},
        {"a command that fails", "exit 3", systemPath, 3},
        {"a window manager that ignores SIGTERM", "exit 4", stubborn.getFullPathName() + ":" + systemPath, 4},
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto finished = runWrapped (c.command, c.path, 90000);
        EXPECT_TRUE (finished.returned) << "the wrapped command never returned\n" << finished.output;
        EXPECT_EQ (finished.status, c.expectedStatus) << finished.output;
    }
}
