// The real program started on damaged copies of a data folder, as a new user's
// machine would meet them: exactly one clear box, then the orderly end with
// status 1, and the refused file byte for byte as it was; a read-only folder is
// told at start and the program goes on.

#include "app/SpawnedProcess.h"
#include "data/DataPaths.h"
#include "data/DbSchema.h"
#include "data/RaDatabase.h"
#include "lighting/VovirLink.h"
#include "support/DamagedDatabases.h"
#include "support/TestEnvironment.h"

#include <rav_plugin_paths.h>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>


namespace
{
struct ProgramRun
{
    int exitCode = -1; // -1: still running when the test stopped it
    juce::String output;
};

/** Runs the program with its home in the folder, answering every box on the
    console; stops it once its output contains stopAt (when given) or the time
    is up. The program runs under a shell that records its output and status in
    files, so that neither a blocking read nor a lost status can mislead the test. */
ProgramRun runProgram (const juce::File& home, const juce::String& stopAt = {}, int timeoutMs = 30000)
{
    auto work = home.getSiblingFile (home.getFileName() + "-run");
    work.deleteRecursively();
    work.createDirectory();
    auto out = work.getChildFile ("output"), code = work.getChildFile ("status"), pid = work.getChildFile ("pid");

    auto quoted = [] (const juce::String& s) { return "'" + s.replace ("'", "'\\''") + "'"; };
    auto script = "env " + quoted ("HOME=" + home.getFullPathName()) + " XDG_DATA_HOME= RAV_DIALOGS=console "
                  + quoted (RAV_APP_PATH) + " > " + quoted (out.getFullPathName()) + " 2>&1 & echo $! > "
                  + quoted (pid.getFullPathName()) + "; wait $!; echo $? > " + quoted (code.getFullPathName());

    ProgramRun run;
    SpawnedProcess shell;
    if (! shell.start (juce::StringArray { "/bin/sh", "-c", script }, 0))
        return run;

    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    bool stopped = false;
    while (! code.existsAsFile())
    {
        auto seen = out.loadFileAsString();
        if (juce::Time::getMillisecondCounter() > deadline || (stopAt.isNotEmpty() && seen.contains (stopAt)))
        {
            auto programPid = pid.loadFileAsString().trim().getIntValue();
            if (programPid > 0)
                ::kill (programPid, SIGKILL);
            stopped = true;
            break;
        }
        juce::Thread::sleep (50);
    }

    shell.waitForProcessToFinish (10000);
    run.output = out.loadFileAsString();
    if (! stopped)
        run.exitCode = code.loadFileAsString().trim().getIntValue();
    return run;
}

/** The titles of the boxes the console answered: lines "[title]". */
juce::StringArray boxTitles (const juce::String& output)
{
    juce::StringArray titles;
    for (auto& line : juce::StringArray::fromLines (output))
        if (line.startsWith ("[") && line.endsWith ("]"))
            titles.add (line.substring (1, line.length() - 1));
    return titles;
}

juce::File databaseIn (const juce::File& home)
{
    return home.getChildFile (".local/share/zezevade didid/Vodozav/Vodozav.db");
}

} // namespace

TEST (DamagedDataFolder, ARefusedDatabaseShowsOneBoxEndsWithStatus1AndIsLeftAsItWas)
{
    for (auto& c : damagedDatabases())
    {
        auto home = TestHome::folder().getChildFile (juce::String ("damaged-home-") + c.label);
        home.deleteRecursively();
        auto file = databaseIn (home);
        file.getParentDirectory().createDirectory();
        c.make (file);
        const auto before = contentsOf (file);

        const auto started = juce::Time::getMillisecondCounter();
        ProgramRun run;
        {
            std::unique_ptr<ForeignLock> lock;
            if (c.locked)
                lock = std::make_unique<ForeignLock> (file);
            run = runProgram (home);
        }
        const auto seconds = (juce::Time::getMillisecondCounter() - started) / 1000.0;

        EXPECT_EQ (run.exitCode, 1) << c.label << "\n" << run.output;
        EXPECT_EQ (boxTitles (run.output), juce::StringArray (c.title)) << c.label << "\n" << run.output;
        EXPECT_TRUE (contentsOf (file) == before) << c.label << ": the refused file was changed";
        EXPECT_LT (seconds, 15.0) << c.label;
        std::cout << "[ measure  ] " << c.label << ": ended after " << seconds << " s" << std::endl;
    }
}

TEST (DamagedDataFolder, AReadOnlyDataFolderIsToldAtStartAndTheProgramGoesOn)
{
    auto home = TestHome::folder().getChildFile ("read-only-home");
    home.deleteRecursively();
    auto dataFolder = databaseIn (home).getParentDirectory();
    dataFolder.createDirectory();

    for (auto [controller, bundle] : { std::pair { vovir::Controller::vidurozIdav, RAV_VIDUROZ_IDAV_BUNDLE },
                                       std::pair { vovir::Controller::vovir, RAV_VOVIR_BUNDLE } })
        ASSERT_TRUE (juce::File (bundle).copyDirectoryTo (
            home.getChildFile (".vst3").getChildFile (vovir::pluginFile (controller).getParentDirectory().getFileName())
                .getChildFile (vovir::pluginFile (controller).getFileName())));

    const auto mountPoint = dataFolder.getFullPathName();
    if (::mount ("tmpfs", mountPoint.toRawUTF8(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";

    writeDatabaseWithTracks (databaseIn (home), 200);
    dataFolder.getChildFile ("Media Files").createDirectory();
    ASSERT_EQ (::mount (nullptr, mountPoint.toRawUTF8(), nullptr, MS_REMOUNT | MS_RDONLY, "size=4m"), 0);
    const auto before = contentsOf (databaseIn (home));

    // The tip box comes after the database and the controller: the program got that far.
    auto run = runProgram (home, "[Raziviz Avodoru Tip]");
    const bool unchanged = contentsOf (databaseIn (home)) == before;
    ::umount2 (mountPoint.toRawUTF8(), MNT_DETACH);

    auto titles = boxTitles (run.output);
    EXPECT_EQ (titles.indexOf ("Edits cannot be saved"), 0) << run.output;
    EXPECT_TRUE (run.output.contains ("The library cannot be saved: the data folder is read-only")) << run.output;
    EXPECT_TRUE (titles.contains ("Raziviz Avodoru Tip")) << run.output;
    EXPECT_FALSE (titles.contains ("Track library is empty")) << run.output;
    EXPECT_EQ (titles.indexOf ("SQLITE_READONLY"), -1) << run.output;
    EXPECT_TRUE (unchanged);
}
