// --play-show as the performer uses it: the real program started twice. An
// unknown name is told, never ignored; a second start hands its request to the
// program already running and ends.

#include "app/SpawnedProcess.h"
#include "data/DataPaths.h"
#include "data/DbModels.h"
#include "data/RaDatabase.h"
#include "gui/GuiTestSupport.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <signal.h>

namespace
{
/** The program run by a shell that writes its output to a file, so that reading
    it never blocks and the status is never lost. */
class ProgramRun final
{
public:
    ProgramRun (const juce::File& folder, const juce::String& name, const juce::String& arguments)
        : out (folder.getChildFile (name + ".out"))
        , status (folder.getChildFile (name + ".status"))
        , pid (folder.getChildFile (name + ".pid"))
    {
        for (auto& f : {out, status, pid})
            f.deleteFile();
        auto quoted = [] (const juce::String& s) { return "'" + s.replace ("'", "'\\''") + "'"; };
        auto script = "RAV_DIALOGS=console " + quoted (RAV_APP_PATH) + " " + arguments + " > " +
                      quoted (out.getFullPathName()) + " 2>&1 & echo $! > " + quoted (pid.getFullPathName()) +
                      "; wait $!; echo $? > " + quoted (status.getFullPathName());
        started = shell.start (juce::StringArray{"/bin/sh", "-c", script}, 0);
    }

    ~ProgramRun()
    {
        if (!hasEnded())
            stop (SIGKILL);
        shell.waitForProcessToFinish (10000);
    }

    bool waitForOutput (const juce::String& text, int timeoutMs) const
    {
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32)timeoutMs;
        while (!output().contains (text) && juce::Time::getMillisecondCounter() < deadline)
            juce::Thread::sleep (50);
        return output().contains (text);
    }

    bool waitForEnd (int timeoutMs) const
    {
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32)timeoutMs;
        while (!hasEnded() && juce::Time::getMillisecondCounter() < deadline)
            juce::Thread::sleep (50);
        return hasEnded();
    }

    void stop (int signal) const
    {
        auto programPid = pid.loadFileAsString().trim().getIntValue();
        if (programPid > 0)
            ::kill (programPid, signal);
    }

    bool hasEnded() const { return status.existsAsFile() && status.loadFileAsString().trim().isNotEmpty(); }
    int exitStatus() const { return status.loadFileAsString().trim().getIntValue(); }
    juce::String output() const { return out.loadFileAsString(); }

    bool started = false;

private:
    juce::File out, status, pid;
    SpawnedProcess shell;
};
} // namespace

TEST (PlayShowRequest, UnknownNamesAreToldAndASecondStartHandsItsRequestOver)
{
    installProgram();
    {
        auto& db = *RaDatabase::getInstance();
        ASSERT_TRUE (db.openDb (getDatabaseFile().getFullPathName()));
        SetModel show;
        show.createSet ("Gig", "");
        db.closeDb();
    }
    auto folder = TestHome::folder().getChildFile ("play-show-runs");
    folder.createDirectory();

    ProgramRun first (folder, "first", "--play-show Nope");
    ASSERT_TRUE (first.started);
    EXPECT_TRUE (first.waitForOutput ("No show named \"Nope\"", 30000)) << first.output();

    // A second start with a request: handed to the first program, which tells
    // about the unknown name in its own window; the second one ends at once.
    ProgramRun second (folder, "second", "--play-show Other");
    ASSERT_TRUE (second.waitForEnd (30000)) << second.output();
    EXPECT_EQ (second.exitStatus(), 0) << second.output();
    EXPECT_TRUE (second.output().contains ("already running")) << second.output();
    EXPECT_TRUE (first.waitForOutput ("No show named \"Other\"", 10000)) << first.output();

    // A known name handed over opens without any box about it.
    ProgramRun third (folder, "third", "--play-show Gig");
    ASSERT_TRUE (third.waitForEnd (30000)) << third.output();
    juce::Thread::sleep (1000);
    EXPECT_FALSE (first.output().contains ("No show named \"Gig\"")) << first.output();
    EXPECT_FALSE (first.hasEnded()) << first.output();

    first.stop (SIGTERM);
    EXPECT_TRUE (first.waitForEnd (20000)) << first.output();
    folder.deleteRecursively();
}
