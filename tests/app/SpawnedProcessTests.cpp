// Child processes as the controller check and the GUI tests start them.

#include "app/SpawnedProcess.h"

#include <gtest/gtest.h>

#include <csignal>

namespace
{
/** Running, as opposed to ended: a killed process whose parent has not reaped
    it yet is still listed, as a zombie ("Z"). */
bool processRuns (pid_t pid)
{
    const auto stat = juce::File ("/proc/" + juce::String (pid) + "/stat").loadFileAsString();
    const auto afterName = stat.fromLastOccurrenceOf (")", false, false).trimStart();
    return afterName.isNotEmpty() && ! afterName.startsWith ("Z");
}
} // namespace

TEST (SpawnedProcess, KeepsTheStatusAndNeverWaitsForOutput)
{
    SpawnedProcess child;
    ASSERT_TRUE (child.start ({ "/bin/sh", "-c", "sleep 1; echo done; exit 7" }));

    // Nothing written yet: the read comes back at once instead of waiting the second.
    char buffer[64];
    const auto before = juce::Time::getMillisecondCounter();
    EXPECT_EQ (child.readProcessOutput (buffer, sizeof (buffer)), 0);
    EXPECT_LT (juce::Time::getMillisecondCounter() - before, 500u);

    EXPECT_EQ (child.readAllProcessOutput().trim(), "done");
    ASSERT_TRUE (child.waitForProcessToFinish (10000));
    EXPECT_EQ (child.getExitCode(), 7u);
    EXPECT_EQ (child.getExitCode(), 7u) << "asked again, the status is still the child's";
    EXPECT_FALSE (child.start ({})) << "nothing to start";
}

TEST (SpawnedProcess, KillEndsTheWholeGroupOfAChildThatLeadsOne)
{
    // The child writes the process id of a grandchild it leaves running, as
    // xvfb-run leaves its display server and the wrapped program.
    for (const bool ownGroup : { true, false })
    {
        SCOPED_TRACE (ownGroup ? "own process group" : "caller's process group");
        SpawnedProcess child;
        ASSERT_TRUE (child.start ({ "/bin/sh", "-c", "sleep 60 & echo $!; wait" },
                                  SpawnedProcess::wantStdOut | (ownGroup ? SpawnedProcess::inOwnProcessGroup : 0)));

        juce::String line;
        char buffer[64];
        for (int tries = 0; tries < 500 && ! line.containsChar ('\n'); ++tries)
        {
            if (const auto n = child.readProcessOutput (buffer, sizeof (buffer)); n > 0)
                line += juce::String::fromUTF8 (buffer, n);
            else
                juce::Thread::sleep (10);
        }
        const auto grandchild = (pid_t) line.trim().getIntValue();
        ASSERT_GT (grandchild, 0) << line;

        EXPECT_TRUE (child.kill());
        EXPECT_FALSE (child.isRunning());

        bool gone = false;
        for (int tries = 0; tries < 200 && ! gone; ++tries)
        {
            gone = ! processRuns (grandchild);
            if (! gone)
                juce::Thread::sleep (10);
        }
        EXPECT_EQ (gone, ownGroup);
        if (! gone)
            ::kill (grandchild, SIGKILL);
    }
}
