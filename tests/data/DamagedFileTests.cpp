#include "support/DbFixture.h"

#include "data/DataPaths.h"
#include "support/DamagedDatabases.h"

#include <sys/mount.h>


// Data folders as a user's machine meets them: a damaged, foreign, newer or
// locked database is refused with one clear message and left byte for byte as
// it was; a read-only folder or a full disk never shows edits that were not saved.

namespace
{
/** A small tmpfs mounted on a folder for the test's life (a real full disk and a
    real read-only file system, which even root cannot write to). */
class ScopedTmpfs final
{
public:
    ScopedTmpfs (const juce::File& mountPoint, const char* size) : folder (mountPoint), options (juce::String ("size=") + size)
    {
        folder.createDirectory();
        mounted = ::mount ("tmpfs", folder.getFullPathName().toRawUTF8(), "tmpfs", 0, options.toRawUTF8()) == 0;
    }

    ~ScopedTmpfs()
    {
        if (mounted)
            ::umount2 (folder.getFullPathName().toRawUTF8(), MNT_DETACH);
    }

    bool isMounted() const noexcept { return mounted; }

    bool makeReadOnly()
    {
        return ::mount (nullptr, folder.getFullPathName().toRawUTF8(), nullptr, MS_REMOUNT | MS_RDONLY,
                        options.toRawUTF8())
               == 0;
    }

    /** Fills the file system to the last byte. */
    void fill()
    {
        juce::FileOutputStream out (filler());
        juce::HeapBlock<char> zeros (4096, true);
        while (out.write (zeros, 4096))
        {
        }
        for (int i = 0; i < 4096 && out.write (zeros, 1); ++i)
        {
        }
    }

    void makeRoom() { filler().deleteFile(); }

private:
    juce::File filler() const { return folder.getChildFile ("filler"); }

    juce::File folder;
    juce::String options;
    bool mounted = false;
};
} // namespace

class DamagedFileTest : public DbTest
{
protected:
    juce::File damaged() { return folder.getChildFile ("damaged.db"); }

    static void writeGoodDatabase (const juce::File& file) { writeDatabaseWithTracks (file, 400); }
};

TEST_F (DamagedFileTest, ARefusedFileGetsOneMessageAndIsNeverWritten)
{
    for (auto& c : damagedDatabases())
    {
        db().closeDb();
        damaged().deleteFile();
        c.make (damaged());
        const auto before = contentsOf (damaged());
        dialogs.clear();

        {
            std::unique_ptr<ForeignLock> lock;
            if (c.locked)
                lock = std::make_unique<ForeignLock> (damaged());

            const auto started = juce::Time::getMillisecondCounter();
            EXPECT_TRUE (db().openDb (damaged().getFullPathName())) << c.label;
            EXPECT_FALSE (checkAndUpgradeDbSchema (damaged().getFullPathName())) << c.label;
            EXPECT_LT (juce::Time::getMillisecondCounter() - started, 10000u) << c.label << ": waited too long";
        }

        ASSERT_EQ (dialogs.count(), 1) << c.label << ": " << dialogs.titles().joinIntoString (" / ");
        EXPECT_EQ (dialogs.shown()[0].title, c.title) << c.label;
        EXPECT_TRUE (dialogs.shown()[0].text.startsWith (damaged().getFullPathName() + "\n\n")) << c.label;
        EXPECT_FALSE (db().isDbOpen()) << c.label;
        EXPECT_TRUE (contentsOf (damaged()) == before) << c.label << ": the refused file was changed";
        EXPECT_FALSE (damaged().getSiblingFile ("damaged.db-journal").exists()) << c.label;
    }
}

TEST_F (DamagedFileTest, TheInstallStepReplacesOnlyAFileThatIsNoDatabaseAndKeepsIt)
{
    db().closeDb();
    for (auto& c : damagedDatabases())
    {
        auto place = folder.getChildFile (juce::String ("install-") + c.label);
        place.deleteRecursively();
        place.createDirectory();
        auto file = place.getChildFile ("Vodozav.db");
        c.make (file);
        const auto before = contentsOf (file);

        juce::String outcome;
        juce::Result result = juce::Result::ok();
        {
            std::unique_ptr<ForeignLock> lock;
            if (c.locked)
                lock = std::make_unique<ForeignLock> (file);
            result = installDatabase (file, outcome);
        }

        auto others = place.findChildFiles (juce::File::findFiles, false, "Vodozav.db.damaged-*");
        switch (c.install)
        {
            case InstallOutcome::keeps:
            case InstallOutcome::refuses:
                EXPECT_EQ (result.wasOk(), c.install == InstallOutcome::keeps) << c.label << ": " << result.getErrorMessage();
                EXPECT_TRUE (contentsOf (file) == before) << c.label;
                EXPECT_TRUE (others.isEmpty()) << c.label;
                break;

            case InstallOutcome::replaces:
                ASSERT_TRUE (result.wasOk()) << c.label << ": " << result.getErrorMessage();
                ASSERT_EQ (others.size(), 1) << c.label;
                EXPECT_TRUE (contentsOf (others[0]) == before) << c.label << ": the old file was not kept as it was";
                EXPECT_TRUE (outcome.contains ("moved it aside to " + others[0].getFileName())) << outcome;
                ASSERT_TRUE (db().openDb (file.getFullPathName())) << c.label;
                EXPECT_TRUE (checkAndUpgradeDbSchema (file.getFullPathName())) << c.label;
                EXPECT_TRUE (db().getAudioFiles ({}).empty());
                db().closeDb();
                break;
        }
    }

    // A usable file is never touched.
    auto good = folder.getChildFile ("install-good/Vodozav.db");
    good.getParentDirectory().createDirectory();
    writeGoodDatabase (good);
    const auto before = contentsOf (good);
    juce::String outcome;
    EXPECT_TRUE (installDatabase (good, outcome).wasOk());
    EXPECT_TRUE (outcome.endsWith ("kept as it was")) << outcome;
    EXPECT_TRUE (contentsOf (good) == before);
}

TEST_F (DamagedFileTest, AReadOnlyDataFolderIsToldAtStartAndShowsOnlyWhatIsSaved)
{
    db().closeDb();
    ScopedTmpfs disk (getDataFolder(), "4m");
    if (! disk.isMounted())
        GTEST_SKIP() << "mounting a tmpfs needs root";

    writeGoodDatabase (getDatabaseFile());
    ASSERT_TRUE (db().openDb (getDatabaseFile().getFullPathName()));
    ASSERT_TRUE (checkAndUpgradeDbSchema (getDatabaseFile().getFullPathName()));
    SetModel show;
    show.createSet ("Friday", "");
    LightShowModel lightShow;
    lightShow.createLightShow (1, "Default lightshow", "", "", 120.0f);
    show.addSetElement (lightShow.id, 0, false, false, 0);
    const auto element = show.getSetElements().at (0);
    db().closeDb();
    ASSERT_TRUE (disk.makeReadOnly());
    const auto before = contentsOf (getDatabaseFile());
    dialogs.clear();

    ASSERT_TRUE (doDbOpen());
    ASSERT_EQ (dialogs.count(), 1) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (dialogs.shown()[0].title, "Edits cannot be saved");
    EXPECT_TRUE (dialogs.shown()[0].text.contains ("The library cannot be saved: the data folder is read-only"));

    // Reading works; a write keeps what is saved, and the user was told already.
    EXPECT_EQ (AudioFileModel (1).getStringField ("Name"), "Track 0");
    SetElementModel (element.id).setIntField ("AutoStart", 1);
    EXPECT_EQ (SetElementModel (element.id).getIntField ("AutoStart"), 0);
    lightShow.addMemo ("V", "Verse", 1.0f, 0, -1, -1, 2.0f);
    EXPECT_TRUE (lightShow.getMemos().empty());
    EXPECT_EQ (dialogs.count(), 1) << dialogs.titles().joinIntoString (" / ");

    db().closeDb();
    EXPECT_EQ (dialogs.count(), 1);
    EXPECT_TRUE (contentsOf (getDatabaseFile()) == before);
}

TEST_F (DamagedFileTest, AFullDiskLosesNoSavedEditAndSaysSoPlainly)
{
    db().closeDb();
    ScopedTmpfs disk (getDataFolder(), "2m");
    if (! disk.isMounted())
        GTEST_SKIP() << "mounting a tmpfs needs root";

    writeGoodDatabase (getDatabaseFile());
    ASSERT_TRUE (db().openDb (getDatabaseFile().getFullPathName()));
    ASSERT_TRUE (checkAndUpgradeDbSchema (getDatabaseFile().getFullPathName()));
    LightShowModel lightShow;
    lightShow.createLightShow (1, "Default lightshow", "", "", 120.0f);
    db().clearUndoStack();
    dialogs.clear();

    // A long lyric needs new pages in the file, which a full disk cannot give.
    const auto lyric = juce::String::repeatedString ("la la la ", 8000);
    auto addLyric = [&] { lightShow.addMemo ("Chorus", lyric, 10.0f, 0, -1, -1, 20.0f); };

    disk.fill();
    addLyric();
    EXPECT_TRUE (lightShow.getMemos().empty());
    ASSERT_EQ (dialogs.count(), 1) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (dialogs.shown()[0].title, "Library not saved");
    EXPECT_TRUE (dialogs.shown()[0].text.startsWith ("The library cannot be saved: the disk is full"))
        << dialogs.shown()[0].text;
    EXPECT_FALSE (db().connection().inTransaction());

    // The same failure again is not told again; nothing of the step is kept.
    addLyric();
    EXPECT_TRUE (lightShow.getMemos().empty());
    EXPECT_EQ (dialogs.count(), 1) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM UndoStack"), 0);

    // With room again the edit is saved; the next full disk is told again.
    disk.makeRoom();
    addLyric();
    ASSERT_EQ (lightShow.getMemos().size(), 1u);
    disk.fill();
    addLyric();
    EXPECT_EQ (lightShow.getMemos().size(), 1u);
    EXPECT_EQ (dialogs.count(), 2) << dialogs.titles().joinIntoString (" / ");

    // Closing on a full disk keeps the data and shows nothing.
    db().closeDb();
    EXPECT_EQ (dialogs.count(), 2);
    disk.makeRoom();
    ASSERT_TRUE (db().openDb (getDatabaseFile().getFullPathName()));
    ASSERT_EQ (lightShow.getMemos().size(), 1u);
    EXPECT_EQ (lightShow.getMemos()[0].getStringField ("Memo"), lyric);
    db().closeDb();
}

TEST_F (DamagedFileTest, AFullDiskAtStartIsToldOnce)
{
    db().closeDb();
    ScopedTmpfs disk (getDataFolder(), "2m");
    if (! disk.isMounted())
        GTEST_SKIP() << "mounting a tmpfs needs root";

    writeGoodDatabase (getDatabaseFile());
    disk.fill();
    dialogs.clear();

    ASSERT_TRUE (doDbOpen());
    ASSERT_EQ (dialogs.count(), 1) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (dialogs.shown()[0].title, "Edits cannot be saved");
    EXPECT_TRUE (dialogs.shown()[0].text.contains ("the disk is full"));

    AudioFileModel (1).setStringField ("Name", "Renamed");
    EXPECT_EQ (AudioFileModel (1).getStringField ("Name"), "Track 0");
    EXPECT_FALSE (db().undoStep()); // nothing was recorded
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Edits cannot be saved", "Nothing to undo!" }));
    db().closeDb();
}
