// The song editor panel over a real database: tap tempo, the memo option
// menus, adding and deleting memos and cues, each edit one undo step.

#include "app/MainPanels.h"
#include "editor/MemoDialog.h"
#include "editor/SongEditor.h"
#include "editor/Timeline.h"
#include "support/DbFixture.h"

#include <gtest/gtest.h>

namespace
{
struct AnsweringMemoDialog final : public MemoDialogs
{
    AnsweringMemoDialog() { setMemoDialogs (this); }
    ~AnsweringMemoDialog() override { setMemoDialogs (nullptr); }

    bool askForMemo (const juce::String& title, MemoFields& fields, bool nameFirst) override
    {
        titles.add (title);
        askedNameFirst = nameFirst;
        if (! answer.has_value())
            return false;
        fields = *answer;
        return true;
    }

    juce::StringArray titles;
    bool askedNameFirst = false;
    std::optional<MemoFields> answer;
};

juce::StringArray menuTexts (const juce::PopupMenu& menu)
{
    juce::StringArray texts;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        texts.add (item.isSeparator ? juce::String ("---")
                                    : item.text + (item.isTicked ? " *" : "") + (item.isEnabled ? "" : " (off)"));
    }
    return texts;
}
} // namespace

class SongEditorTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        track = addTrack ("Song", "Band/song.wav");
        showId = track.getLightShows().at (0).id;
        db().clearUndoStack();
        editor.lightShowId = showId;
        editor.lastTapTime = 0;
    }

    AudioFileModel track;
    int showId = 0;
    SongEditor editor;
};

TEST_F (SongEditorTest, TapTempoAveragesIgnoresOutliersAndCommitsAfterTwoSecondsOfSilence)
{
    // The first tap after silence starts learning; four 500 ms intervals average 120 BPM.
    for (juce::uint32 t : { 10000u, 10500u, 11000u, 11500u, 12000u })
        editor.doTap (t);
    EXPECT_TRUE (editor.bpmSlider.learning);
    EXPECT_DOUBLE_EQ (editor.tapAverage, 120.0);
    EXPECT_DOUBLE_EQ (editor.tapCount, 4.0);
    EXPECT_EQ (editor.bpmSlider.getTextFromValue (editor.bpmSlider.getValue()), "Learning: 120.00");

    // 60 BPM differs by more than 120 / 4: ignored.
    editor.doTap (13000);
    EXPECT_DOUBLE_EQ (editor.tapAverage, 120.0);
    EXPECT_DOUBLE_EQ (editor.tapCount, 4.0);

    // Nothing is stored while learning; 2.1 s without a tap commits the average.
    EXPECT_EQ (LightShowModel (showId).getFloatField ("Tempo"), 120.0f);
    for (int tick = 0; tick < 20; ++tick)
        editor.timerCallback();
    EXPECT_TRUE (editor.bpmSlider.learning);
    editor.timerCallback();
    EXPECT_FALSE (editor.bpmSlider.learning);

    // A new series (more than 3 s later) with one interval takes a 60 BPM tap in (tolerance 120).
    editor.doTap (20000);
    EXPECT_TRUE (editor.bpmSlider.learning);
    EXPECT_DOUBLE_EQ (editor.tapCount, 0.0);
    EXPECT_DOUBLE_EQ (editor.bpmSlider.getValue(), 120.0); // shows the previous average
    editor.doTap (20500);
    editor.doTap (21500);
    EXPECT_DOUBLE_EQ (editor.tapAverage, 90.0);
    EXPECT_DOUBLE_EQ (editor.tapCount, 2.0);

    // Two taps in one millisecond are no tempo.
    editor.doTap (21500);
    EXPECT_DOUBLE_EQ (editor.tapAverage, 90.0);

    for (int tick = 0; tick < 21; ++tick)
        editor.timerCallback();
    EXPECT_NEAR (LightShowModel (showId).getFloatField ("Tempo"), 90.0f, 1e-4);
    EXPECT_EQ (rowCount ("UndoStack"), 1);
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (LightShowModel (showId).getFloatField ("Tempo"), 120.0f);
}

TEST_F (SongEditorTest, MemoOptionMenusOfferStylesBeatsAndChunks)
{
    MemoOptionsSelector options (0, 0, -1, -1);
    EXPECT_EQ (options.countInButton.getButtonText(), "Off");
    EXPECT_EQ (options.startButton.getButtonText(), "Off");

    EXPECT_EQ (menuTexts (options.makeStyleMenu()), (juce::StringArray { "Centre aligned *", "Left aligned" }));
    EXPECT_EQ (menuTexts (options.makeCountInMenu()),
               (juce::StringArray { "Off *", "---", "1", "2", "3", "4", "5", "6", "7", "8" }));
    EXPECT_EQ (menuTexts (options.makeChunkMenu (-1)),
               (juce::StringArray { "No MIDI chunks defined", "Off *", "---", "Edit MIDI chunks..." }));

    options.applyMenuResult (&options.styleButton, 2);
    options.applyMenuResult (&options.countInButton, 9);
    EXPECT_EQ (options.style, 1);
    EXPECT_EQ (options.countIn, 8);
    EXPECT_EQ (options.styleButton.getButtonText(), "Left aligned");
    EXPECT_EQ (options.countInButton.getButtonText(), "8");
    options.applyMenuResult (&options.countInButton, 1);
    EXPECT_EQ (options.countIn, 0);

    MidiEventModel b, a;
    b.createMidiEvent ("Synth", "Patch 2");
    a.createMidiEvent ("Lights", "Blackout");
    EXPECT_EQ (menuTexts (options.makeChunkMenu (-1)),
               (juce::StringArray { "Select a MIDI chunk", "Off *", "Lights: Blackout", "Synth: Patch 2", "---",
                                    "Edit MIDI chunks..." }));
    options.applyMenuResult (&options.endButton, 2);
    EXPECT_EQ (options.endMidiEventId, b.id);
    EXPECT_EQ (options.endButton.getButtonText(), "Synth: Patch 2");
    // "Edit MIDI chunks..." opens the chunk editor on the memo's chunk; a chunk
    // deleted there is no longer the memo's.
    std::vector<int> opened;
    MemoOptionsSelector::openChunkEditor = [&] (int chunkId) { opened.push_back (chunkId); };
    options.applyMenuResult (&options.endButton, MemoOptionsSelector::editChunksItem);
    EXPECT_EQ (options.endMidiEventId, b.id);
    MemoOptionsSelector::openChunkEditor = [&] (int chunkId)
    {
        opened.push_back (chunkId);
        MidiEventModel (chunkId).deleteMidiEvent();
    };
    options.applyMenuResult (&options.endButton, MemoOptionsSelector::editChunksItem);
    MemoOptionsSelector::openChunkEditor = nullptr;
    EXPECT_EQ (opened, (std::vector<int> { b.id, b.id }));
    EXPECT_EQ (options.endMidiEventId, -1);
    EXPECT_EQ (options.endButton.getButtonText(), "Off");
    options.applyMenuResult (&options.endButton, 1);
    options.applyMenuResult (&options.endButton, MemoOptionsSelector::offItem);
    EXPECT_EQ (options.endMidiEventId, -1);
}

TEST_F (SongEditorTest, AddMemoAtThePlayheadAndDeleteTheSelectionAreOneStepEach)
{
    Timeline box;
    box.editor->trackLength = 60;
    box.editor->lightShowId = showId;
    box.editor->readOnly = false;
    box.editor->playPosition = 8;
    box.editor->trimStart = 2;
    VovirCueModel cue;
    cue.createCue (showId, 3.0f, 0.0f, 0.0f, 0.0f, "Bank", "Warm");
    db().clearUndoStack();
    const auto empty = snapshotTables (db(), libraryTables());

    AnsweringMemoDialog dialog;
    editor.buttonClicked (editor.memoBtn); // cancelled
    EXPECT_EQ (snapshotTables (db(), libraryTables()), empty);

    MemoFields fields;
    fields.name = "Intro";
    fields.text = "Hello";
    fields.style = 1;
    fields.countIn = 2;
    dialog.answer = fields;
    editor.buttonClicked (editor.memoBtn);
    EXPECT_EQ (dialog.titles, (juce::StringArray { "Creating new memo:", "Creating new memo:" }));
    EXPECT_TRUE (dialog.askedNameFirst);

    const auto memoId = db().querySingleInt ("SELECT MAX(ShowMemoID) FROM ShowMemos");
    ShowMemoModel memo (memoId);
    EXPECT_EQ (memo.getFloatField ("MemoTime"), 10.0f); // the playhead's file time
    EXPECT_EQ (memo.getFloatField ("MemoLength"), 4.0f);
    EXPECT_EQ (memo.getStringField ("Memo"), "[LEFT]Hello");
    EXPECT_EQ (memo.getIntField ("CountIn"), 2);
    const auto withMemo = snapshotTables (db(), libraryTables());
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (snapshotTables (db(), libraryTables()), empty);
    ASSERT_TRUE (db().redoStep());
    box.editor->refreshFromDb (false);

    // Select the cue and the memo, refuse once, then delete both in one step.
    for (auto& obj : box.editor->objects)
        if (obj->getType() != countInType)
        {
            obj->selectObj (true);
            box.editor->selection.push_back (obj.get());
        }
    dialogs.answerButton (0);
    editor.buttonClicked (editor.deleteBtn);
    EXPECT_EQ (snapshotTables (db(), libraryTables()), withMemo);

    editor.buttonClicked (editor.deleteBtn);
    EXPECT_EQ (dialogs.shown().back().title, "Delete...");
    EXPECT_EQ (rowCount ("VovirCues"), 0);
    EXPECT_EQ (rowCount ("ShowMemos"), 0);
    EXPECT_TRUE (box.editor->objects.empty()); // the count-in beats went with the memo
    ASSERT_TRUE (db().undoStep());
    EXPECT_EQ (snapshotTables (db(), libraryTables()), withMemo);
}

TEST_F (SongEditorTest, TempoAndVolumeAreStoredOncePerChange)
{
    editor.bpmSlider.setValue (98.0, juce::sendNotificationSync);
    editor.volumeKnob.setValue (-6.0, juce::sendNotificationSync);
    LightShowModel lightShow (showId);
    EXPECT_EQ (lightShow.getFloatField ("Tempo"), 98.0f);
    EXPECT_EQ (lightShow.getFloatField ("AudioVolume"), -6.0f);
    EXPECT_EQ (rowCount ("UndoStack"), 2);
    EXPECT_EQ (editor.volumeKnob.getTextFromValue (-6.0), "-6.00 dB");
    EXPECT_NEAR (editor.volumeKnob.proportionOfLengthToValue (0.5), 0.0, 1e-9);
}
