#include "app/Globals.h"
#include "data/DataPaths.h"
#include "support/DbFixture.h"
#include "support/TestAudio.h"

class MediaLibraryTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        // A media folder whose path holds a quote and a space, like any user's might.
        mediaFolder = folder.getChildFile ("It's Media").getFullPathName() + "/";
        source = folder.getChildFile ("Incoming");
    }

    juce::File makeSource (const juce::String& relativePath, double seconds = 0.5)
    {
        auto file = source.getChildFile (relativePath);
        EXPECT_TRUE (writeSineWav (file, seconds));
        return file;
    }

    AudioFileModel import (const juce::File& file)
    {
        AudioFileModel track;
        track.addNewFromPath (file.getFullPathName());
        return track;
    }

    juce::File media (const juce::String& relativePath) { return juce::File (mediaFolder + relativePath); }

    juce::File source;
};

TEST_F (MediaLibraryTest, InitialiseTakesTheSettingOrStoresTheDefault)
{
    auto* settings = userSettings();
    settings->setValue ("mediaFolder", "/srv/music/Media");
    initialiseMediaFolder();
    EXPECT_EQ (mediaFolder, "/srv/music/Media/");

    settings->removeValue ("mediaFolder");
    initialiseMediaFolder();
    EXPECT_EQ (mediaFolder, getDefaultMediaFolder().getFullPathName() + "/");
    EXPECT_EQ (settings->getValue ("mediaFolder"), getDefaultMediaFolder().getFullPathName());
    settings->removeValue ("mediaFolder");
}

TEST_F (MediaLibraryTest, ImportCopiesIntoTheParentFolderNameAndMakesADefaultLightshow)
{
    RecordingObserver observer;
    db().addObserver (&observer);

    auto track = import (makeSource ("Album A/Song.wav"));
    ASSERT_GT (track.id, 0);
    EXPECT_TRUE (media ("Album A/Song.wav").existsAsFile());
    EXPECT_EQ (track.getStringField ("Path"), "Album A/Song.wav");
    EXPECT_EQ (track.getStringField ("Name"), "Song");
    EXPECT_EQ (track.getFullPath(), mediaFolder + "Album A/Song.wav");
    EXPECT_TRUE (track.fileExists());

    auto lightShows = track.getLightShows();
    ASSERT_EQ (lightShows.size(), 1u);
    EXPECT_EQ (lightShows[0].getStringField ("Name"), "Default lightshow");
    EXPECT_FLOAT_EQ (lightShows[0].getFloatField ("Tempo"), 120.0f);
    EXPECT_FLOAT_EQ (track.getFloatField ("LengthSecs"), 0.0f); // measured later, on demand

    ASSERT_FALSE (observer.changes.empty());
    EXPECT_EQ (observer.changes.back().table, "AudioFiles");
    EXPECT_EQ (observer.changes.back().id, track.id);
    db().removeObserver (&observer);

    // Importing again replaces the copy and drops its stale thumbnail.
    media ("Album A/Song.wav.vovir").replaceWithText ("old thumbnail");
    makeSource ("Album A/Song.wav", 1.0);
    EXPECT_TRUE (AudioFileModel::copyFileToMediaFolder (source.getChildFile ("Album A/Song.wav").getFullPathName()));
    EXPECT_FALSE (media ("Album A/Song.wav.vovir").exists());
    EXPECT_FLOAT_EQ (track.calcLengthSecs(), 1.0f);
    EXPECT_FLOAT_EQ (track.getFloatField ("LengthSecs"), 1.0f);
    EXPECT_EQ (dialogs.count(), 0);
}

TEST_F (MediaLibraryTest, ACopyThatFailsIsReportedAndAddsNothing)
{
    AudioFileModel track;
    track.addNewFromPath (source.getChildFile ("Album/Missing.wav").getFullPathName());
    EXPECT_EQ (track.id, 0);
    EXPECT_EQ (rowCount ("AudioFiles"), 0);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "File Error");
    EXPECT_TRUE (dialogs.shown()[0].text.startsWith ("[#2003] Could not copy audio file into Raziviz Avodoru media "
                                                     "folder.\n\nPlease report this issue to "));

    // A media folder that cannot be created (a file is in the way).
    dialogs.clear();
    juce::File (mediaFolder).deleteRecursively();
    juce::File (mediaFolder.dropLastCharacters (1)).replaceWithText ("not a folder");
    EXPECT_FALSE (AudioFileModel::copyFileToMediaFolder (makeSource ("Album/Song.wav").getFullPathName()));
    EXPECT_EQ (dialogs.titles(), juce::StringArray ("Raziviz Avodoru : Fatal Error"));
    EXPECT_TRUE (dialogs.shown()[0].text.startsWith ("[#2001] "));
}

TEST_F (MediaLibraryTest, DeletingRemovesFilesThumbnailsRowsAndEmptyFolders)
{
    auto first = import (makeSource ("Album/One.wav"));
    auto second = import (makeSource ("Album/Two.wav"));
    auto click = import (makeSource ("Clicks/Two click.wav"));
    click.setIntField ("MainAudioFileID", second.id);
    media ("Album/Two.wav.vovir").replaceWithText ("thumb");
    media ("Clicks/Two click.wav.vovir").replaceWithText ("thumb");

    second.deleteAudioFile(); // with its click track
    EXPECT_FALSE (media ("Album/Two.wav").exists());
    EXPECT_FALSE (media ("Album/Two.wav.vovir").exists());
    EXPECT_FALSE (media ("Clicks").exists()); // emptied, so removed
    EXPECT_TRUE (media ("Album").isDirectory()); // still holds One.wav
    EXPECT_EQ (rowCount ("AudioFiles"), 1);
    EXPECT_EQ (rowCount ("LightShows"), 1);

    first.deleteAudioFile();
    EXPECT_FALSE (media ("Album").exists());
    EXPECT_TRUE (juce::File (mediaFolder).isDirectory()); // the media folder itself stays
}

TEST_F (MediaLibraryTest, AFileAtTheVolumeRootNeverTakesTheMediaFolderWithIt)
{
    // A track imported from a root folder has an empty folder name: Path "/Song.wav".
    auto track = addTrack ("Song", "/Song.wav");
    juce::File (mediaFolder).createDirectory();
    track.deleteAudioFile();
    EXPECT_TRUE (juce::File (mediaFolder).isDirectory());
    EXPECT_EQ (rowCount ("AudioFiles"), 0);
}

TEST_F (MediaLibraryTest, AMissingFileCanBeLocatedAgainAfterAnUndoneDeletion)
{
    auto track = import (makeSource ("Album/Song.wav"));
    db().clearUndoStack();
    db().startTransaction ("Delete Track");
    track.deleteAudioFile();
    db().endTransaction();
    ASSERT_TRUE (db().undoStep());

    // The rows are back, the file is not.
    EXPECT_EQ (track.getStringField ("Name"), "Song");
    EXPECT_FALSE (track.fileExists());

    // A file of another name is refused and changes nothing.
    auto wrongName = makeSource ("Elsewhere/Other.wav");
    dialogs.answerFile (wrongName);
    EXPECT_FALSE (track.checkFileExists());
    ASSERT_EQ (dialogs.count(), 3);
    EXPECT_EQ (dialogs.shown()[0].title, "Audio file not found in Raziviz Avodoru media folder");
    EXPECT_EQ (dialogs.shown()[0].text, "File 'Song.wav' not found - please locate it in the next window...");
    EXPECT_EQ (dialogs.shown()[1].kind, "open");
    EXPECT_EQ (dialogs.shown()[1].title, "Locate Song.wav");
    EXPECT_EQ (dialogs.shown()[1].wildcard, "*.wav");
    EXPECT_EQ (dialogs.shown()[2].title, "Audio file not found");
    EXPECT_EQ (dialogs.shown()[2].text, "Could not find 'Song.wav' in your chosen location.");
    EXPECT_EQ (track.getStringField ("Path"), "Album/Song.wav");

    // Cancelling the chooser gives up quietly.
    dialogs.clear();
    EXPECT_FALSE (track.checkFileExists());
    EXPECT_EQ (dialogs.count(), 2);

    // The right file is copied back and the path follows its folder.
    auto found = makeSource ("Found Again/Song.wav");
    dialogs.answerFile (found);
    EXPECT_TRUE (track.checkFileExists());
    EXPECT_EQ (track.getStringField ("Path"), "Found Again/Song.wav");
    EXPECT_TRUE (track.fileExists());
}

TEST_F (MediaLibraryTest, UnreadableAudioKeepsItsPreviousLength)
{
    auto track = import (makeSource ("Album/Song.wav", 0.75));
    EXPECT_FLOAT_EQ (track.calcLengthSecs(), 0.75f);

    media ("Album/Song.wav").replaceWithText ("not audio");
    EXPECT_FLOAT_EQ (track.calcLengthSecs(), 0.0f);
    EXPECT_FLOAT_EQ (track.getFloatField ("LengthSecs"), 0.75f);
}

TEST_F (MediaLibraryTest, CopyingTheLibraryCopiesSubfoldersOnlyAndLeavesTheOldOne)
{
    import (makeSource ("Album A/One.wav"));
    import (makeSource ("Album B/Two.wav"));
    juce::File (mediaFolder + "loose.txt").replaceWithText ("not copied");

    auto destination = folder.getChildFile ("New Media");
    CopyMediaLibraryTask task (juce::File (mediaFolder), destination);
    EXPECT_TRUE (userDialogs().runWithProgress (task, juce::Thread::Priority::normal));
    EXPECT_EQ (dialogs.shown().back().title, "Copying media library...");

    EXPECT_TRUE (destination.getChildFile ("Album A/One.wav").existsAsFile());
    EXPECT_TRUE (destination.getChildFile ("Album B/Two.wav").existsAsFile());
    EXPECT_FALSE (destination.getChildFile ("loose.txt").exists());
    EXPECT_TRUE (media ("Album A/One.wav").existsAsFile());
    EXPECT_FALSE (task.wasCancelled());
    EXPECT_TRUE (task.getFailedFolders().isEmpty());

    // After switching the setting every track is still reachable.
    mediaFolder = destination.getFullPathName() + "/";
    for (auto& track : db().getAudioFiles ({}))
        EXPECT_TRUE (track.fileExists()) << track.getStringField ("Path");
}

TEST_F (MediaLibraryTest, CopyingIntoAFolderInsideTheOldOneDoesNotRecurse)
{
    import (makeSource ("Album/One.wav"));
    auto destination = juce::File (mediaFolder).getChildFile ("Moved");
    destination.createDirectory();

    CopyMediaLibraryTask task (juce::File (mediaFolder), destination);
    userDialogs().runWithProgress (task, juce::Thread::Priority::normal);

    EXPECT_TRUE (destination.getChildFile ("Album/One.wav").existsAsFile());
    EXPECT_FALSE (destination.getChildFile ("Moved").exists());
}
