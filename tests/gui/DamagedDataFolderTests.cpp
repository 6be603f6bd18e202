// The real program started on damaged copies of a data folder, as a new user's
// machine would meet them: exactly one clear box, then the orderly end with
// status 1, and the refused file byte for byte as it was; a read-only folder is
// told at start and the program goes on.

#include "data/DataPaths.h"
#include "data/DbSchema.h"
#include "data/RaDatabase.h"
#include "lighting/VovirLink.h"
#include "support/TestEnvironment.h"

#include <rav_plugin_paths.h>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <signal.h>
#include <sys/mount.h>

#include <random>

namespace
{
struct Run
{
    int exitCode = -1; // -1: still running when the test stopped it
    juce::String output;
};

/** Runs the program with its home in the folder, answering every box on the
    console; stops it once its output contains stopAt (when given) or the time
    is up. The program runs under a shell that records its output and status in
    files, so that neither a blocking read nor a lost status can mislead the test. */
Run runProgram (const juce::File& home, const juce::String& stopAt = {}, int timeoutMs = 30000)
{
    auto work = home.getSiblingFile (home.getFileName() + "-run");
    work.deleteRecursively();
    work.createDirectory();
    auto out = work.getChildFile ("output"), code = work.getChildFile ("status"), pid = work.getChildFile ("pid");

    auto quoted = [] (const juce::String& s) { return "'" + s.replace ("'", "'\\''") + "'"; };
    auto script = "env " + quoted ("HOME=" + home.getFullPathName()) + " XDG_DATA_HOME= RAV_DIALOGS=console "
                  + quoted (RAV_APP_PATH) + " > " + quoted (out.getFullPathName()) + " 2>&1 & echo $! > "
                  + quoted (pid.getFullPathName()) + "; wait $!; echo $? > " + quoted (code.getFullPathName());

    Run run;
    juce::ChildProcess shell;
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

void writeGoodDatabase (const juce::File& file)
{
    bool created = false;
    ASSERT_TRUE (createFreshDatabase (file, created).wasOk());
    CppSQLite3DB raw;
    raw.open (file.getFullPathName().toRawUTF8());
    raw.execDML ("BEGIN");
    for (int i = 0; i < 200; ++i)
        raw.execDML (formatSql ("INSERT INTO AudioFiles(Name, Path) VALUES('Track %d', 'A/T%d.wav')", { i, i }).toRawUTF8());
    raw.execDML ("COMMIT");
}

juce::MemoryBlock contentsOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}
} // namespace

TEST (DamagedDataFolder, ARefusedDatabaseShowsOneBoxEndsWithStatus1AndIsLeftAsItWas)
{
    struct Case
    {
        const char* label;
        std::function<void (const juce::File&)> make;
        const char* title;
        bool locked = false;
    };
    const Case cases[] = {
        { "random bytes",
          [] (const juce::File& f)
          {
              std::mt19937 random (11);
              juce::MemoryBlock bytes (32 * 1024);
              for (size_t i = 0; i < bytes.getSize(); ++i)
                  bytes[i] = (char) (random() & 0xff);
              f.replaceWithData (bytes.getData(), bytes.getSize());
          },
          "Invalid database file" },
        { "truncated",
          [] (const juce::File& f)
          {
              writeGoodDatabase (f);
              juce::FileOutputStream out (f);
              out.setPosition (f.getSize() / 2);
              out.truncate();
          },
          "Invalid database file" },
        { "zero bytes", [] (const juce::File& f) { f.replaceWithText ({}); }, "Invalid database file" },
        { "newer version",
          [] (const juce::File& f)
          {
              writeGoodDatabase (f);
              CppSQLite3DB raw;
              raw.open (f.getFullPathName().toRawUTF8());
              raw.execDML ("UPDATE Things SET Value=8 WHERE Name='SchemaVersion'");
          },
          "Incompatible database file" },
        { "locked by another program", [] (const juce::File& f) { writeGoodDatabase (f); }, "Library in use", true },
    };

    for (auto& c : cases)
    {
        auto home = TestHome::folder().getChildFile (juce::String ("damaged-home-") + c.label);
        home.deleteRecursively();
        auto file = databaseIn (home);
        file.getParentDirectory().createDirectory();
        c.make (file);
        const auto before = contentsOf (file);

        sqlite3* lock = nullptr;
        if (c.locked)
        {
            sqlite3_open (file.getFullPathName().toRawUTF8(), &lock);
            sqlite3_exec (lock, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr);
        }

        const auto started = juce::Time::getMillisecondCounter();
        auto run = runProgram (home);
        const auto seconds = (juce::Time::getMillisecondCounter() - started) / 1000.0;
        if (lock != nullptr)
        {
            sqlite3_exec (lock, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close (lock);
        }

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

    writeGoodDatabase (databaseIn (home));
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
