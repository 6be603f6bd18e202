#include "support/DbFixture.h"

using RecordModelTest = DbTest;

TEST_F (RecordModelTest, WritesOfAnUnchangedValueDoNothingButNullAlwaysWrites)
{
    auto track = addTrack ("Song", "F/song.wav");
    RecordingObserver observer;
    db().addObserver (&observer);
    SqlTrace trace (db().connection());

    track.setIntField ("MainAudioFileID", 0);
    track.setStringField ("Name", "Song");
    track.setFloatField ("LengthSecs", 0.0f);
    EXPECT_EQ (trace.countStartingWith ("UPDATE"), 0);
    EXPECT_TRUE (observer.changes.empty());

    track.setFieldNull ("LengthSecs");
    track.setFieldNull ("LengthSecs");
    track.setFloatField ("LengthSecs", 12.5f);
    EXPECT_EQ (trace.countStartingWith ("UPDATE AudioFiles SET LengthSecs=NULL"), 2);
    EXPECT_EQ (trace.count ("UPDATE AudioFiles SET LengthSecs=12.500000 WHERE AudioFileID=" + juce::String (track.id)), 1);
    EXPECT_EQ (observer.changes.size(), 3u);
    db().removeObserver (&observer);
}

TEST_F (RecordModelTest, CreatesNotifyAndDeletesDoNot)
{
    RecordingObserver observer;
    db().addObserver (&observer);

    auto track = addTrack ("Song", "F/song.wav");
    auto lightShow = track.getLightShows().at (0);
    VovirCueModel cue;
    cue.createCue (lightShow.id, 1.0f, 0.0f, 0.0f, 0.0f, "Stage", "Red");
    SetModel show;
    show.createSet ("Friday", "Gigs");
    MidiEventModel chunk;
    chunk.createMidiEvent ("Keys", "Patch");

    juce::StringArray tables;
    for (auto& change : observer.changes)
        tables.add (change.table);
    EXPECT_EQ (tables, juce::StringArray ({ "LightShows", "VovirCues", "Sets", "MidiEvents" }));
    EXPECT_EQ (observer.changes[1].id, cue.id);

    observer.changes.clear();
    cue.deleteCue();
    show.deleteSet();
    chunk.deleteMidiEvent();
    lightShow.deleteLightShow();
    EXPECT_TRUE (observer.changes.empty());
    db().removeObserver (&observer);
}

TEST_F (RecordModelTest, TrackDescriptionsAndFolders)
{
    auto song = addTrack ("Song", "Album A/Song.wav");
    auto click = addTrack ("Song click", "Album A/Song click.wav");
    auto bare = addTrack ("Bare", "Bare.wav");

    EXPECT_EQ (song.getDesc(), "Song");
    click.setIntField ("MainAudioFileID", song.id);
    EXPECT_EQ (song.getDesc(), "Song | CLICK");
    EXPECT_EQ (song.getClickTrackID(), click.id);
    EXPECT_EQ (click.getDesc(), "Song click");
    EXPECT_EQ (song.getFolder(), "Album A");
    EXPECT_EQ (bare.getFolder(), "");

    // Name filters are case-insensitive and safe with quotes.
    EXPECT_EQ (db().getAudioFiles ("SONG").size(), 2u);
    EXPECT_EQ (db().getAudioFiles ("").size(), 3u);
    EXPECT_TRUE (db().getAudioFiles ("it's").empty());
    EXPECT_EQ (dialogs.count(), 0);
}

TEST_F (RecordModelTest, AddSetElementRenumbersAroundTheNewPlace)
{
    auto lightShow = addTrack ("Song", "F/song.wav").getLightShows().at (0);

    struct Case
    {
        int playOrder;
        std::vector<int> expectedOldOrders;
        int expectedNewOrder;
    };
    for (auto c : { Case { 1, { 0, 2, 3 }, 1 }, Case { 0, { 1, 2, 3 }, 0 }, Case { 7, { 0, 1, 2 }, 7 },
                    Case { -1, { 0, 1, 2 }, -1 } })
    {
        SetModel show;
        show.createSet ("Show", "");
        for (int i = 0; i < 3; ++i)
            show.addSetElement (lightShow.id, i, false, false, 0);
        auto before = show.getSetElements();

        show.addSetElement (lightShow.id, c.playOrder, true, true, 3);

        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ (before[i].getIntField ("PlayOrder"), c.expectedOldOrders[i]) << c.playOrder;

        auto after = show.getSetElements();
        ASSERT_EQ (after.size(), 4u);
        auto added = std::max_element (after.begin(), after.end(), [] (auto& a, auto& b) { return a.id < b.id; });
        EXPECT_EQ (added->getIntField ("PlayOrder"), c.expectedNewOrder);
        EXPECT_EQ (added->getIntField ("AutoStart"), 1);
        EXPECT_EQ (added->getIntField ("Loop"), 1);
        EXPECT_EQ (added->getIntField ("Colour"), 3);
        if (c.playOrder < 0)
        {
            EXPECT_EQ (after.front().id, added->id); // a negative place sorts first
        }
    }
}

TEST_F (RecordModelTest, MemoChunksOfNoneAreStoredAsNull)
{
    auto lightShow = addTrack ("Song", "F/song.wav").getLightShows().at (0);
    lightShow.addMemo ("A", "a", 1.0f, 0, -1, -1, 1.0f);
    ShowMemoModel created;
    created.createMemo (lightShow.id, 2.0f, "B", "b", 0, 0, 0, 1.0f);

    EXPECT_EQ (rowCount ("ShowMemos", "StartMidiEventID IS NULL AND EndMidiEventID IS NULL"), 2);
    EXPECT_FLOAT_EQ (created.getFloatField ("MemoTime"), 2.0f);
}

TEST_F (RecordModelTest, CopyLightShowCopiesCuesAndMemosInOneUndoStep)
{
    auto track = addTrack ("Song", "F/song.wav");
    auto source = track.getLightShows().at (0);
    source.setStringField ("VovirShowName", "Club");
    source.setFloatField ("Tempo", 98.0f);
    source.setFloatField ("TrimStart", 4.0f);
    for (int i = 0; i < 3; ++i)
        VovirCueModel().createCue (source.id, (float) i, 0.5f, 0.1f, 0.2f, "Stage", "P" + juce::String (i));
    MidiEventModel chunk;
    chunk.createMidiEvent ("Keys", "Patch");
    source.addMemo ("A", "Verse", 1.5f, 2, chunk.id, -1, 3.0f);
    source.addMemo ("B", "Chorus", 9.0f, 0, -1, -1, 3.0f);
    db().clearUndoStack();

    auto copy = source.copyLightShow ("Copy", "Note");
    EXPECT_NE (copy.id, source.id);
    EXPECT_EQ (copy.getIntField ("AudioFileID"), track.id);
    EXPECT_EQ (copy.getStringField ("VovirShowName"), "Club");
    EXPECT_FLOAT_EQ (copy.getFloatField ("Tempo"), 98.0f);
    EXPECT_FLOAT_EQ (copy.getFloatField ("TrimStart"), 0.0f); // trims keep their defaults

    auto cues = copy.getCues();
    auto memos = copy.getMemos();
    ASSERT_EQ (cues.size(), 3u);
    ASSERT_EQ (memos.size(), 2u);
    EXPECT_EQ (cues[2].getStringField ("PresetName"), "P2");
    EXPECT_FLOAT_EQ (memos[0].getFloatField ("MemoTime"), 1.5f);
    EXPECT_EQ (memos[0].getIntField ("StartMidiEventID"), chunk.id);
    EXPECT_EQ (memos[1].getStringField ("Memo"), "Chorus");

    EXPECT_EQ (readText ("SELECT Desc FROM UndoStack WHERE rowid = (SELECT MAX(rowid) FROM UndoStack)"),
               "Copy Lightshow");
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (track.getLightShows().size(), 1u);
    EXPECT_EQ (rowCount ("UndoStack"), 0);
}

TEST_F (RecordModelTest, MidiChunksListMessagesWithoutADeviceLast)
{
    MidiEventModel chunk;
    chunk.createMidiEvent ("Guitar", "It's loud");
    EXPECT_TRUE (MidiEventModel::doesEventExist ("Guitar", "It's loud"));
    EXPECT_FALSE (MidiEventModel::doesEventExist ("Guitar", "It's quiet"));
    EXPECT_EQ (chunk.getFullName(), "Guitar: It's loud");

    chunk.addMidiMessage (0.0f, "", 0, 192, 5, 0);
    chunk.addMidiMessage (2.0f, "Synth", 1, 144, 60, 100);
    chunk.addMidiMessage (1.0f, "Synth", 0, 176, 7, 127);
    auto messages = chunk.getMidiMessages();
    ASSERT_EQ (messages.size(), 3u);
    EXPECT_FLOAT_EQ (messages[0].getFloatField ("Time"), 1.0f);
    EXPECT_FLOAT_EQ (messages[1].getFloatField ("Time"), 2.0f);
    EXPECT_EQ (messages[2].getStringField ("OutDevice"), "");

    auto lightShow = addTrack ("Song", "F/song.wav").getLightShows().at (0);
    lightShow.addMemo ("A", "a", 1.0f, 0, chunk.id, chunk.id, 1.0f);
    EXPECT_EQ (chunk.getNumDependentMemos(), 1);

    MidiEventModel found;
    EXPECT_TRUE (found.getMidiEvent (chunk.id));
    EXPECT_EQ (found.id, chunk.id);
    MidiEventModel missing (5);
    EXPECT_FALSE (missing.getMidiEvent (999));
    EXPECT_EQ (missing.id, 5);

    // Deleting the chunk takes its messages and frees the memo's references.
    chunk.deleteMidiEvent();
    EXPECT_EQ (rowCount ("MidiMessages"), 0);
    EXPECT_EQ (rowCount ("ShowMemos", "StartMidiEventID IS NULL AND EndMidiEventID IS NULL"), 1);
    EXPECT_TRUE (db().getMidiEvents().empty());
}

TEST_F (RecordModelTest, DependentShowEntriesAreCounted)
{
    auto lightShow = addTrack ("Song", "F/song.wav").getLightShows().at (0);
    SetModel a, b;
    a.createSet ("A", "");
    b.createSet ("B", "");
    a.addSetElement (lightShow.id, 0, false, false, 0);
    a.addSetElement (lightShow.id, 1, false, false, 0);
    b.addSetElement (lightShow.id, 0, false, false, 0);
    EXPECT_EQ (lightShow.getNumDependentSets(), 3);

    a.removeAllElements();
    EXPECT_EQ (lightShow.getNumDependentSets(), 1);
    EXPECT_EQ (db().getSets ({}).size(), 2u);
}
