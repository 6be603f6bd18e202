// The waveform editor's editing gestures, driven by synthetic mouse events on
// the real editor over a real database: where the objects end up, what is
// selected, and that each edit is exactly one undo step that Undo takes back
// and Redo puts again.

#include "app/MainPanels.h"
#include "editor/MemoDialog.h"
#include "editor/SongEditor.h"
#include "editor/Timeline.h"
#include "data/SqlText.h"
#include "support/DbFixture.h"
#include "support/TestAudio.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
using juce::ModifierKeys;

juce::MouseEvent mouseEvent (juce::Component& c, juce::Point<int> p, juce::Point<int> down, ModifierKeys mods,
                             int clicks, bool dragged)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), p.toFloat(), mods,
                             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                             juce::MouseInputSource::defaultTiltY, &c, &c, now, down.toFloat(), now, clicks, dragged);
}

/** One press, a few drag steps and the release, as the mouse would send them. */
class Gesture
{
public:
    Gesture (WaveEditor& target, juce::Point<int> press, ModifierKeys mods = ModifierKeys::leftButtonModifier)
        : editor (target), down (press), modifiers (mods)
    {
        editor.mouseDown (event (press, 1));
    }

    Gesture& to (juce::Point<int> p)
    {
        editor.mouseDrag (event (p, 1));
        last = p;
        return *this;
    }

    void release() { editor.mouseUp (event (last.value_or (down), 1)); }

    static void doubleClick (WaveEditor& editor, juce::Point<int> p)
    {
        Gesture g (editor, p);
        g.release();
        editor.mouseDoubleClick (g.event (p, 2));
    }

    juce::MouseEvent event (juce::Point<int> p, int clicks) const
    {
        return mouseEvent (editor, p, down, modifiers, clicks, last.has_value());
    }

private:
    WaveEditor& editor;
    juce::Point<int> down;
    std::optional<juce::Point<int>> last;
    ModifierKeys modifiers;
};

/** Answers the memo dialog with fixed fields. */
struct ScriptedMemoDialog final : public MemoDialogs
{
    ScriptedMemoDialog() { setMemoDialogs (this); }
    ~ScriptedMemoDialog() override { setMemoDialogs (nullptr); }

    bool askForMemo (const juce::String& title, MemoFields& fields, bool) override
    {
        titles.add (title);
        seen = fields;
        if (! answer.has_value())
            return false;
        fields = *answer;
        return true;
    }

    juce::StringArray titles;
    MemoFields seen;
    std::optional<MemoFields> answer;
};

const ModifierKeys left (ModifierKeys::leftButtonModifier);
const ModifierKeys right (ModifierKeys::rightButtonModifier);
const ModifierKeys ctrlLeft (ModifierKeys::leftButtonModifier | ModifierKeys::ctrlModifier);
const ModifierKeys shiftLeft (ModifierKeys::leftButtonModifier | ModifierKeys::shiftModifier);
} // namespace

//==============================================================================
// The editor is 1000 x 300 (waveform area 240 high), showing 0..10 s of a 60 s
// track: 100 pixels a second. Lanes are 35 pixels: the point cue's body is
// y 0..30 (its fade handle y 20..40), the memo's y 70..122, the timed cue's
// y 205..235 with its fade handles at y 195..215.
class WaveGestures : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        track = addTrack ("Song", "Band/song.wav");
        showId = track.getLightShows().at (0).id;
    }

    /** The same three objects before every case: timed cue A at 2 s for 3 s,
        point cue P at 9 s, memo M at 6 s for 1.5 s. */
    void resetRows (float trimStart = 0, float trimEnd = 0)
    {
        db().execQuery ("DELETE FROM VovirCues");
        db().execQuery ("DELETE FROM ShowMemos");
        VovirCueModel a;
        a.createCue (showId, 2.0f, 3.0f, 0.0f, 0.0f, "Bank", "Warm");
        cueA = a.id;
        VovirCueModel p;
        p.createCue (showId, 9.0f, 0.0f, 0.0f, 0.0f, "Bank", "Cold");
        cueP = p.id;
        LightShowModel (showId).addMemo ("Verse", "Verse text", 6.0f, 0, -1, -1, 1.5f);
        memoM = db().querySingleInt ("SELECT MAX(ShowMemoID) FROM ShowMemos");
        LightShowModel lightShow (showId);
        lightShow.setFloatField ("TrimStart", trimStart);
        lightShow.setFloatField ("TrimEnd", trimEnd);
        db().clearUndoStack();

        editor = std::make_unique<WaveEditor>();
        editor->setSize (1000, 300);
        editor->trackLength = 60.0;
        editor->readOnly = false;
        editor->lightShowId = showId;
        editor->refreshFromDb (false);
        editor->viewStart = 0;
        editor->viewEnd = editor->viewSpan = 10.0;
        editor->calcAllLanes();
    }

    juce::String rows() { return snapshotTables (db(), { "VovirCues", "ShowMemos", "LightShows" }); }
    int undoRows() { return rowCount ("UndoStack"); }

    double cueField (int id, const char* field) { return VovirCueModel (id).getFloatField (field); }
    double memoField (const char* field) { return ShowMemoModel (memoM).getFloatField (field); }

    static std::vector<int> sorted (std::vector<int> ids)
    {
        std::sort (ids.begin(), ids.end());
        return ids;
    }

    std::vector<int> selectedIds()
    {
        std::vector<int> ids;
        for (auto* obj : editor->selection)
            ids.push_back (obj->dbId);
        std::sort (ids.begin(), ids.end());
        return ids;
    }

    /** One undo takes the rows back to before, one redo gives after again. */
    void expectOneUndoStep (const juce::String& before, const juce::String& after, const char* what)
    {
        ASSERT_TRUE (db().undoStep()) << what;
        EXPECT_EQ (rows(), before) << what;
        ASSERT_TRUE (db().redoStep()) << what;
        EXPECT_EQ (rows(), after) << what;
    }

    AudioFileModel track;
    int showId = 0, cueA = 0, cueP = 0, memoM = 0;
    std::unique_ptr<WaveEditor> editor;
};

TEST_F (WaveGestures, EachGestureLeavesTheRowsItShouldAsOneUndoStep)
{
    struct Case
    {
        const char* what;
        std::function<void (WaveEditor&)> gesture;
        std::function<void()> check;
        float trimStart = 0, trimEnd = 0;
    };

    auto drag = [] (juce::Point<int> from, juce::Point<int> to, ModifierKeys mods = left)
    {
        return [=] (WaveEditor& e) { Gesture (e, from, mods).to (to).release(); };
    };

    const Case cases[] = {
        { "move right 2 s", drag ({ 350, 225 }, { 550, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueTime"), 4.0, 1e-3); EXPECT_NEAR (cueField (cueA, "CueDuration"), 3.0, 1e-3); } },
        { "move left stops at the trimmed start", drag ({ 350, 225 }, { -150, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueTime"), 1.0, 1e-3); }, 1.0f },
        { "move right stops where the cue ends with the track", drag ({ 350, 225 }, { 10350, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueTime"), 57.0, 1e-3); } },
        { "point cue move", drag ({ 900, 10 }, { 800, 10 }), [&] { EXPECT_NEAR (cueField (cueP, "CueTime"), 8.0, 1e-3); } },
        { "memo move", drag ({ 675, 100 }, { 775, 100 }), [&] { EXPECT_NEAR (memoField ("MemoTime"), 7.0, 1e-3); } },
        { "resize start", drag ({ 205, 225 }, { 105, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueTime"), 1.0, 1e-3); EXPECT_NEAR (cueField (cueA, "CueDuration"), 4.0, 1e-3); } },
        { "resize start past the end leaves 0.1 s ending where it ended", drag ({ 205, 225 }, { 800, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueTime"), 4.9, 1e-3); EXPECT_NEAR (cueField (cueA, "CueDuration"), 0.1, 1e-3); } },
        { "resize start stops at the track's start", drag ({ 205, 225 }, { -500, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueTime"), 0.0, 1e-6); EXPECT_NEAR (cueField (cueA, "CueDuration"), 5.0, 1e-3); } },
        { "resize end", drag ({ 495, 225 }, { 695, 225 }), [&] { EXPECT_NEAR (cueField (cueA, "CueDuration"), 5.0, 1e-3); } },
        { "resize end stops at the track's end", drag ({ 495, 225 }, { 9000, 225 }),
          [&] { EXPECT_NEAR (cueField (cueA, "CueDuration"), 58.0, 1e-3); } },
        { "memo resize end", drag ({ 745, 100 }, { 845, 100 }), [&] { EXPECT_NEAR (memoField ("MemoLength"), 2.5, 1e-3); } },
        { "fade in", drag ({ 200, 205 }, { 300, 205 }), [&] { EXPECT_NEAR (cueField (cueA, "FadeInTime"), 1.0, 1e-3); } },
        { "fade in no longer than the cue", drag ({ 200, 205 }, { 950, 205 }),
          [&] { EXPECT_NEAR (cueField (cueA, "FadeInTime"), 3.0, 1e-3); } },
        { "fade out", drag ({ 500, 205 }, { 650, 205 }), [&] { EXPECT_NEAR (cueField (cueA, "FadeOutTime"), 1.5, 1e-3); } },
        { "ctrl copies", drag ({ 350, 225 }, { 450, 225 }, ctrlLeft),
          [&]
          {
              EXPECT_NEAR (cueField (cueA, "CueTime"), 2.0, 1e-3);
              const auto copy = db().querySingleInt ("SELECT MAX(VovirCueID) FROM VovirCues");
              EXPECT_NE (copy, cueP);
              EXPECT_NEAR (cueField (copy, "CueTime"), 3.0, 1e-3);
              EXPECT_EQ (VovirCueModel (copy).getStringField ("PresetName"), "Warm");
              EXPECT_EQ (selectedIds(), std::vector<int> { copy });
          } },
        { "right button moves finely in a 2 s view", drag ({ 350, 225 }, { 450, 225 }, right),
          [&]
          {
              EXPECT_NEAR (cueField (cueA, "CueTime"), 2.2, 1e-3);
              EXPECT_DOUBLE_EQ (editor->viewStart, 0.0);
              EXPECT_DOUBLE_EQ (editor->viewSpan, 10.0);
              EXPECT_FALSE (editor->tempZoom);
          } },
        { "trim start handle", drag ({ 0, 150 }, { 300, 150 }),
          [&] { EXPECT_NEAR (LightShowModel (showId).getFloatField ("TrimStart"), 3.0, 1e-3); } },
        { "trim end handle", drag ({ 800, 150 }, { 700, 150 }),
          [&] { EXPECT_NEAR (LightShowModel (showId).getFloatField ("TrimEnd"), 53.0, 1e-3); }, 0.0f, 52.0f },
    };

    for (auto& c : cases)
    {
        resetRows (c.trimStart, c.trimEnd);
        const auto before = rows();
        c.gesture (*editor);
        c.check();
        EXPECT_EQ (editor->dragMode, dragNone) << c.what;
        const auto after = rows();
        EXPECT_NE (after, before) << c.what;
        expectOneUndoStep (before, after, c.what);
    }
}

TEST_F (WaveGestures, PressAndReleaseWithoutMovingChangesNothing)
{
    const juce::Point<int> presses[] = { { 350, 225 }, { 205, 225 }, { 495, 225 }, { 200, 205 },
                                         { 500, 205 }, { 900, 10 },  { 675, 100 }, { 0, 150 } };
    for (auto p : presses)
    {
        resetRows();
        const auto before = rows();
        Gesture (*editor, p, left).to ({ p.x, p.y + 7 }).release(); // vertical only: no pixel of time
        Gesture (*editor, p, ctrlLeft).release();
        EXPECT_EQ (rows(), before) << p.toString();
        EXPECT_EQ (undoRows(), 0) << p.toString();
    }
}

TEST_F (WaveGestures, SelectionFollowsClicksShiftAndTheRubberBand)
{
    resetRows();

    Gesture (*editor, { 350, 225 }).release();
    EXPECT_EQ (selectedIds(), std::vector<int> { cueA });

    Gesture (*editor, { 675, 100 }, shiftLeft).release();
    EXPECT_EQ (selectedIds(), sorted ({ cueA, memoM }));

    // Moving one of them moves both, as one step.
    const auto before = rows();
    Gesture (*editor, { 675, 100 }).to ({ 775, 100 }).release();
    EXPECT_NEAR (cueField (cueA, "CueTime"), 3.0, 1e-3);
    EXPECT_NEAR (memoField ("MemoTime"), 7.0, 1e-3);
    expectOneUndoStep (before, rows(), "two objects moved");

    // A click on nothing clears; a band from there catches what it touches.
    resetRows();
    Gesture (*editor, { 350, 225 }).release();
    Gesture (*editor, { 100, 150 }).to ({ 950, 239 }).release();
    EXPECT_EQ (selectedIds(), std::vector<int> { cueA });

    Gesture (*editor, { 100, 0 }, shiftLeft).to ({ 950, 110 }).release();
    EXPECT_EQ (selectedIds(), sorted ({ cueA, cueP, memoM }));

    Gesture (*editor, { 50, 150 }).release();
    EXPECT_TRUE (selectedIds().empty());
    EXPECT_EQ (undoRows(), 0);
}

TEST_F (WaveGestures, ReadOnlyTakesOnlyThePlayheadAndDoubleClicks)
{
    resetRows (30.0f);
    editor->viewStart = 35.0;
    editor->viewEnd = 45.0;
    editor->readOnly = true;

    const auto before = rows();
    Gesture (*editor, { 350, 225 }).to ({ 550, 225 }).release();
    EXPECT_EQ (editor->dragMode, dragNone);
    EXPECT_EQ (rows(), before);

    // With 30 s trimmed, file time 40 s is play position 10 s.
    Gesture::doubleClick (*editor, { 500, 150 });
    EXPECT_NEAR (editor->playPosition, 10.0, 1e-9);

    // The playhead is grabbed at file time play position + 30 s (x 500) and dragged 1 s.
    Gesture (*editor, { 500, 150 }).to ({ 600, 150 }).release();
    EXPECT_NEAR (editor->playPosition, 11.0, 1e-9);
    EXPECT_EQ (rows(), before);
}

TEST_F (WaveGestures, PlayerModeKeepsTheViewInsideTheTrims)
{
    resetRows (5.0f, 10.0f);
    editor->playerMode = true;
    editor->viewStart = 5.0;
    editor->viewEnd = 15.0;
    editor->viewSpan = 10.0;

    // The window (x 0..222 of the strip, which shows 5..50 s) dragged left and then far right.
    Gesture (*editor, { 111, 270 }).to ({ 11, 270 }).release();
    EXPECT_DOUBLE_EQ (editor->viewStart, 5.0);
    EXPECT_DOUBLE_EQ (editor->viewEnd, 15.0);

    Gesture (*editor, { 111, 270 }).to ({ 2111, 270 }).release();
    EXPECT_DOUBLE_EQ (editor->viewEnd, 50.0);
    EXPECT_DOUBLE_EQ (editor->viewSpan, 10.0);
}

TEST_F (WaveGestures, WheelZoomsAroundThePointerWithinOneSecondAndTheTrack)
{
    const auto wav = folder.getChildFile ("wheel.wav");
    ASSERT_TRUE (writeSineWav (wav, 20.0, 8000.0));
    resetRows();
    editor->setFile (wav);
    editor->viewStart = 0;
    editor->viewEnd = editor->viewSpan = 10.0;

    auto wheel = [&] (int x, int y, float delta)
    {
        juce::MouseWheelDetails details {};
        details.deltaY = delta;
        editor->mouseWheelMove (mouseEvent (*editor, { x, y }, { x, y }, {}, 0, false), details);
    };

    wheel (500, 100, 5.0f); // halves the span around the middle (5 s)
    EXPECT_NEAR (editor->viewStart, 2.5, 1e-9);
    EXPECT_NEAR (editor->viewEnd, 7.5, 1e-9);

    for (int i = 0; i < 20; ++i)
        wheel (500, 100, 9.0f);
    EXPECT_NEAR (editor->viewSpan, 1.0, 1e-9);
    EXPECT_NEAR (editor->viewEnd - editor->viewStart, editor->viewSpan, 1e-9);

    for (int i = 0; i < 40; ++i)
        wheel (900, 100, -9.0f);
    EXPECT_GE (editor->viewStart, 0.0);
    EXPECT_LE (editor->viewEnd, editor->trackLength + 1e-9);
    EXPECT_NEAR (editor->viewEnd - editor->viewStart, editor->viewSpan, 1e-9);

    // Lower down the wheel scrolls, keeping the span.
    editor->viewStart = 0;
    editor->viewEnd = editor->viewSpan = 4.0;
    wheel (500, 280, 5.0f);
    EXPECT_NEAR (editor->viewStart, 2.0, 1e-9);
    EXPECT_NEAR (editor->viewSpan, 4.0, 1e-9);
}

TEST_F (WaveGestures, DoubleClickOnAMemoEditsItAsOneStep)
{
    resetRows();
    ScriptedMemoDialog dialog;

    Gesture::doubleClick (*editor, { 675, 100 });
    ASSERT_EQ (dialog.titles, juce::StringArray { "Edit the memo:" });
    EXPECT_EQ (dialog.seen.name, "Verse");
    EXPECT_EQ (dialog.seen.text, "Verse text");

    MemoFields answer;
    answer.name = "Chorus";
    answer.text = "Sing it";
    answer.style = 1;
    answer.countIn = 4;
    dialog.answer = answer;
    const auto before = rows();
    Gesture::doubleClick (*editor, { 675, 100 });

    ShowMemoModel memo (memoM);
    EXPECT_EQ (memo.getStringField ("ShortName"), "Chorus");
    EXPECT_EQ (memo.getStringField ("Memo"), "[LEFT]Sing it");
    EXPECT_EQ (memo.getIntField ("CountIn"), 4);
    EXPECT_EQ (db().querySingleInt (formatSql ("SELECT COUNT(*) FROM ShowMemos WHERE ShowMemoID=%d AND "
                                               "StartMidiEventID IS NULL AND EndMidiEventID IS NULL",
                                               { memoM })),
               1);
    expectOneUndoStep (before, rows(), "memo dialog");

    // Four count-in beats now precede it; the left-aligned memo opens without its mark.
    int beats = 0;
    for (auto& obj : editor->objects)
        beats += obj->getType() == countInType ? 1 : 0;
    EXPECT_EQ (beats, 4);
    Gesture::doubleClick (*editor, { 675, 100 });
    EXPECT_EQ (dialog.seen.text, "Sing it");
    EXPECT_EQ (dialog.seen.style, 1);
}

TEST_F (WaveGestures, DroppedPresetsBecomeCuesOrRecolourTheCueUnderThem)
{
    resetRows();
    SongEditor song;
    songEditor = &song;

    auto choose = [&] (std::vector<juce::String> presets, const juce::String& preset)
    {
        song.banksList.setNames ({ "Bank" });
        song.banksList.selectRow (0);
        song.presetsList.setNames (presets);
        song.presetsList.selectName (preset);
    };
    auto drop = [&] (juce::Point<int> p)
    {
        const juce::DragAndDropTarget::SourceDetails details ("VOVIR Preset", &song.presetsList, p);
        EXPECT_TRUE (editor->isInterestedInDragSource (details));
        editor->itemDragMove (details);
        editor->itemDropped (details);
        EXPECT_FALSE (editor->dropIndicator);
    };
    auto newest = [&] { return db().querySingleInt ("SELECT MAX(VovirCueID) FROM VovirCues"); };

    // Nothing chosen: nothing happens.
    song.banksList.setNames ({ "Bank" });
    drop ({ 150, 150 });
    EXPECT_EQ (rowCount ("VovirCues"), 2);

    choose ({ "Blue", "Off" }, "Blue");
    auto before = rows();
    drop ({ 150, 150 });
    EXPECT_NEAR (cueField (newest(), "CueTime"), 1.5, 1e-3);
    EXPECT_NEAR (cueField (newest(), "CueDuration"), 4.0, 1e-3);
    expectOneUndoStep (before, rows(), "timed cue dropped");

    choose ({ "Blue" }, "Blue");
    drop ({ 150, 150 });
    EXPECT_EQ (cueField (newest(), "CueDuration"), 0.0);

    // Over the point cue: it takes the preset and, the bank having "Off", 4 seconds.
    choose ({ "Green", "Off" }, "Green");
    before = rows();
    drop ({ 900, 10 });
    EXPECT_EQ (VovirCueModel (cueP).getStringField ("PresetName"), "Green");
    EXPECT_NEAR (cueField (cueP, "CueDuration"), 4.0, 1e-3);
    expectOneUndoStep (before, rows(), "preset dropped on a cue");

    // Read-only previews take no drops.
    editor->readOnly = true;
    EXPECT_FALSE (editor->isInterestedInDragSource ({ "VOVIR Preset", &song.presetsList, { 150, 150 } }));
    songEditor = nullptr;
}
