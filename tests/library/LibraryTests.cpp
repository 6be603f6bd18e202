#include "app/SpawnedProcess.h"
#include "support/DbFixture.h"
#include "support/TestAudio.h"

#include "app/TrackImport.h"
#include "library/LibraryWindow.h"

// The track import and the library trees on a real database and real audio files.

namespace
{
/** Paths of the items below a tree item, depth first: "Folder/Track". */
juce::StringArray itemNames (juce::TreeViewItem& item, const juce::String& prefix = {})
{
    juce::StringArray names;
    for (int i = 0; i < item.getNumSubItems(); ++i)
    {
        auto* sub = dynamic_cast<VovirTreeItem*> (item.getSubItem (i));
        names.add (prefix + sub->name);
        names.addArray (itemNames (*sub, prefix + sub->name + "/"));
    }
    return names;
}

bool makeMp3 (const juce::File& mp3)
{
    auto wav = mp3.getSiblingFile (mp3.getFileNameWithoutExtension() + "-source.wav");
    if (! writeSineWav (wav, 1.0, 44100.0, 330.0))
        return false;
    SpawnedProcess encoder;
    if (! encoder.start (juce::StringArray { "lame", "--quiet", wav.getFullPathName(), mp3.getFullPathName() }))
        return false;
    encoder.waitForProcessToFinish (30000);
    wav.deleteFile();
    return mp3.existsAsFile() && mp3.getSize() > 0;
}
} // namespace

class TrackImportTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        source = folder.getChildFile ("source");
        source.createDirectory();
        db().clearUndoStack();
    }

    juce::File audio (const juce::String& relativePath, double seconds = 0.2)
    {
        auto file = source.getChildFile (relativePath);
        file.getParentDirectory().createDirectory();
        EXPECT_TRUE (writeSineWav (file, seconds));
        return file;
    }

    juce::StringArray trackRows()
    {
        juce::StringArray rows;
        db().forEachRow ("SELECT Name,Path,MainAudioFileID FROM AudioFiles ORDER BY AudioFileID",
                         [&] (auto& row)
                         {
                             auto main = row.getIntField (2);
                             rows.add (row.getStringField (0) + " | " + row.getStringField (1)
                                       + (main > 0 ? " | click of " + AudioFileModel (main).getStringField ("Name")
                                                   : juce::String()));
                         });
        return rows;
    }

    juce::File source;
};

TEST_F (TrackImportTest, KeysAndClickTracksAsTheLibraryNamesThem)
{
    EXPECT_EQ (libraryKeyFor ("/music/Song/Song.wav"), "Song/Song.wav");
    EXPECT_EQ (clickPathFor ("/music/Song/Song.wav"), "/music/Song click/Song click.wav");
    EXPECT_EQ (libraryKeyFor ("/Song.wav"), "/Song.wav");
    EXPECT_EQ (libraryKeyFor ("/music/It's/It's.wav"), "It''s/It''s.wav");

    auto plain = audio ("Album/Intro.wav");
    audio ("Album/Intro click.wav");
    auto song = audio ("Song/Song.wav");
    audio ("Song click/Song click.wav");           // every occurrence of the name is replaced
    auto lonely = audio ("Album/Lonely.wav");
    audio ("Album/Lonely-click.wav");              // not the name it is looked for by
    auto text = source.getChildFile ("Album/notes.txt");
    text.replaceWithText ("not audio");

    importAudioFiles ({ plain, text, song, lonely });

    EXPECT_EQ (trackRows(), juce::StringArray ({ "Intro | Album/Intro.wav", "Intro click | Album/Intro click.wav | click of Intro",
                                                 "Song | Song/Song.wav", "Song click | Song click/Song click.wav | click of Song",
                                                 "Lonely | Album/Lonely.wav" }))
        << trackRows().joinIntoString ("\n");
    EXPECT_TRUE (juce::File (mediaFolder + "Song click/Song click.wav").existsAsFile());
    EXPECT_EQ (dialogs.titles(), juce::StringArray ("Importing tracks..."));
    EXPECT_TRUE (dialogs.progressMessages().contains ("Copying file 3 of 5: Song.wav"))
        << dialogs.progressMessages().joinIntoString (" / ");

    // One undo takes the whole import back; the copied files stay in the media folder.
    ASSERT_TRUE (db().undoStep());
    EXPECT_TRUE (trackRows().isEmpty());
    EXPECT_EQ (rowCount ("LightShows"), 0);
    EXPECT_TRUE (juce::File (mediaFolder + "Album/Intro.wav").existsAsFile());
    ASSERT_TRUE (db().redoStep());
    EXPECT_EQ (trackRows().size(), 5);
}

TEST_F (TrackImportTest, AFileAlreadyInTheLibraryIsOverwrittenOnlyWhenTheUserSaysSo)
{
    auto first = audio ("Gig/Opener.wav", 0.2);
    importAudioFiles ({ first });
    ASSERT_EQ (trackRows().size(), 1);
    AudioFileModel track (db().querySingleInt ("SELECT AudioFileID FROM AudioFiles"));
    const auto copy = juce::File (track.getFullPath());

    // Another disk, the same folder and file name: the same library key.
    auto other = folder.getChildFile ("other disk/Gig/Opener.wav");
    other.getParentDirectory().createDirectory();
    ASSERT_TRUE (writeSineWav (other, 1.0));
    auto click = folder.getChildFile ("other disk/Gig/Opener click.wav");
    click.getParentDirectory().createDirectory();
    ASSERT_TRUE (writeSineWav (click, 1.0));

    dialogs.clear();
    dialogs.answerButton (0); // Cancel
    importAudioFiles ({ other });
    ASSERT_EQ (dialogs.count(), 2) << dialogs.titles().joinIntoString (" / ");
    EXPECT_EQ (dialogs.shown()[0].title, "Overwrite existing audio track?");
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ({ "Overwrite", "Cancel" }));
    EXPECT_TRUE (dialogs.shown()[0].text.startsWith ("'Gig/Opener.wav' is already in your track library."));
    EXPECT_LT (copy.getSize(), other.getSize()); // kept as it was
    // The click file beside it is attached all the same.
    EXPECT_EQ (track.getClickTrackID() > 0, true);

    dialogs.clear();
    dialogs.answerButton (1); // Overwrite
    importAudioFiles ({ other });
    EXPECT_EQ (copy.getSize(), other.getSize());
    EXPECT_NEAR (track.getFloatField ("LengthSecs"), 1.0, 0.01);
    EXPECT_EQ (rowCount ("AudioFiles", "MainAudioFileID = 0"), 1); // still one track
}

TEST_F (TrackImportTest, AnMp3IsImportedAndReadable)
{
    auto mp3 = source.getChildFile ("Live/Encore.mp3");
    mp3.getParentDirectory().createDirectory();
    ASSERT_TRUE (makeMp3 (mp3)) << "lame could not write an MP3";

    EXPECT_TRUE (anyReadableAudioFile (juce::StringArray (mp3.getFullPathName())));
    importAudioFiles ({ mp3 });
    AudioFileModel track (db().querySingleInt ("SELECT AudioFileID FROM AudioFiles"));
    ASSERT_GT (track.id, 0);
    EXPECT_EQ (track.getStringField ("Path"), "Live/Encore.mp3");
    EXPECT_NEAR (track.calcLengthSecs(), 1.0, 0.1);
}

TEST_F (TrackImportTest, OnlyNonAudioFilesAreRefusedAsADrop)
{
    auto text = source.getChildFile ("readme.txt");
    text.replaceWithText ("words");
    auto song = audio ("Album/Song.wav");

    EXPECT_FALSE (anyReadableAudioFile (juce::StringArray (text.getFullPathName())));
    EXPECT_TRUE (anyReadableAudioFile (juce::StringArray { text.getFullPathName(), song.getFullPathName() }));
}

//==============================================================================
class LibraryTreeTest : public DbTest
{
protected:
    AudioFileModel addTrackAt (const juce::String& name, const juce::String& path)
    {
        auto track = addTrack (name, path);
        auto file = juce::File (mediaFolder + path);
        file.getParentDirectory().createDirectory();
        file.replaceWithText ("x");
        return track;
    }
};

TEST_F (LibraryTreeTest, TracksAreGroupedInFoldersFilteredAndKeptCurrent)
{
    addTrackAt ("Zebra", "Zoo/Zebra.wav");
    auto intro = addTrackAt ("Intro", "Album/Intro.wav");
    addTrackAt ("Loose", "Loose.wav");
    auto click = addTrackAt ("Intro click", "Album click/Intro click.wav");
    click.setIntField ("MainAudioFileID", intro.id);
    auto missing = addTrack ("Outro", "Album/Outro.wav"); // no file
    SetModel show;
    show.createSet ("Friday gig", "Club");
    SetModel().createSet ("Rehearsal", "");

    LibraryTabs tabs;
    auto& tracks = *tabs.trackTree;
    EXPECT_EQ (itemNames (*tracks.getRoot()),
               juce::StringArray ({ "Loose", "Album", "Album/Intro | CLICK", "Album/Outro", "Zoo", "Zoo/Zebra" }));
    auto* outro = dynamic_cast<VovirTreeItem*> (tracks.getRoot()->getSubItem (1)->getSubItem (1));
    EXPECT_FALSE (outro->valid);
    EXPECT_EQ (itemNames (*tabs.showTree->getRoot()), juce::StringArray ({ "Rehearsal", "Club", "Club/Friday gig" }));

    // Typing filters by part of the name, ignoring case; a folder shows only with a match.
    tracks.searchField->setText ("INT", juce::dontSendNotification);
    tracks.textEditorTextChanged (*tracks.searchField); // as typing does, a moment later
    EXPECT_EQ (itemNames (*tracks.getRoot()), juce::StringArray ({ "Album", "Album/Intro | CLICK" }));
    tabs.showTree->searchField->setText ("fri", juce::dontSendNotification);
    tabs.showTree->textEditorTextChanged (*tabs.showTree->searchField);
    EXPECT_EQ (itemNames (*tabs.showTree->getRoot()), juce::StringArray ({ "Club", "Club/Friday gig" }));

    // A track added or removed elsewhere appears and disappears.
    AudioFileModel added;
    added.addRowForMediaCopy ("/elsewhere/New/Fresh.wav");
    EXPECT_TRUE (itemNames (*tracks.getRoot()).contains ("New/Fresh"));
    EXPECT_TRUE (tracks.searchField->getText().isEmpty());
    missing.deleteAudioFile();
    db().notifyObservers ("AudioFiles", missing.id, dbChangeAny);
    EXPECT_FALSE (itemNames (*tracks.getRoot()).contains ("Album/Outro"));

    // Selected tracks come in selection order; folders do not count.
    tracks.tree->clearSelectedItems();
    auto* album = tracks.getRoot()->getSubItem (1);
    tracks.getRoot()->getSubItem (0)->setSelected (true, false); // Loose
    album->setSelected (true, false);
    album->getSubItem (0)->setSelected (true, false); // Intro
    auto ids = tabs.getIdsOfSelectedTracks();
    ASSERT_EQ (ids.size(), 2u);
    EXPECT_EQ (AudioFileModel (ids[1]).getStringField ("Name"), "Intro");
}
