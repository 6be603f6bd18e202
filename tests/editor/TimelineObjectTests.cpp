// Timeline objects and the waveform editor without a lighting controller: lanes,
// label geometry, count-in beats, writing objects back, the thumbnail cache file
// and painting (into an image, no display).

#include "app/StartupSettings.h"
#include "editor/Timeline.h"
#include "support/DbFixture.h"
#include "support/TestAudio.h"
#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"

#include <gtest/gtest.h>

#include <set>

namespace
{
/** An editor 1000 pixels wide showing 0 .. 10 s: 100 pixels per second. */
std::unique_ptr<WaveEditor> makeEditor (double viewStart = 0)
{
    auto editor = std::make_unique<WaveEditor>();
    editor->setSize (1000, 300);
    editor->viewStart = viewStart;
    editor->viewEnd = viewStart + 10.0;
    editor->viewSpan = 10.0;
    editor->trackLength = 60.0;
    return editor;
}

TimelineCue& addCue (WaveEditor& editor, double time, double duration, int labelWidth = 30)
{
    auto cue = std::make_unique<TimelineCue>();
    cue->time = time;
    cue->duration = duration;
    cue->labelWidth = labelWidth;
    cue->bankName = "Stage";
    cue->presetName = "Full";
    auto& ref = *cue;
    editor.objects.push_back (std::move (cue));
    return ref;
}
} // namespace

//==============================================================================
TEST (TimelineLanes, OverlapDecidesLanesPerKind)
{
    // Point cue labels are labelWidth + 10 = 40 pixels wide, centred on the cue.
    struct Case
    {
        const char* what;
        double aTime, aDuration, bTime, bDuration;
        bool differentLanes;
    };
    const Case cases[] = {
        { "point labels touching end to start", 1.0, 0, 1.4, 0, true },
        { "point labels two pixels apart", 1.0, 0, 1.42, 0, false },
        { "point labels overlapping", 1.0, 0, 1.1, 0, true },
        { "timed cues sharing the end pixel", 1.0, 1.0, 2.0, 1.0, true },
        { "timed cues two pixels apart", 1.0, 1.0, 2.02, 1.0, false },
        { "point and timed cue never push each other", 1.0, 0, 1.0, 2.0, false },
    };

    for (auto& c : cases)
    {
        auto editor = makeEditor();
        editor->readOnly = false;
        auto& a = addCue (*editor, c.aTime, c.aDuration);
        auto& b = addCue (*editor, c.bTime, c.bDuration);
        editor->calcAllLanes();
        EXPECT_EQ (a.lane != b.lane, c.differentLanes) << c.what;
        EXPECT_LE (std::max (a.lane, b.lane), 1) << c.what;
    }
}

TEST (TimelineLanes, EveryCueOfAPileGetsALaneOfItsOwn)
{
    auto editor = makeEditor();
    std::vector<TimelineCue*> cues;
    for (int i = 0; i < 5; ++i)
        cues.push_back (&addCue (*editor, 2.0 + i * 0.05, 0));
    cues.push_back (&addCue (*editor, 8.0, 0)); // far away: stays in lane 0

    editor->calcAllLanes();

    std::set<int> lanes;
    for (int i = 0; i < 5; ++i)
        lanes.insert (cues[(size_t) i]->lane);
    EXPECT_EQ (lanes.size(), 5u);
    EXPECT_EQ (*lanes.rbegin(), 4);
    EXPECT_EQ (cues[5]->lane, 0);

    // Lanes are recomputed from scratch, so a second pass on the same view gives the same lanes.
    editor->calcAllLanes();
    std::set<int> again;
    for (int i = 0; i < 5; ++i)
        again.insert (cues[(size_t) i]->lane);
    EXPECT_EQ (again, lanes);
}

TEST (TimelineLanes, EditorLanesEqualCheckingEachCueAgainstTheWholeList)
{
    // The editor hands each cue only the cues it could collide with; the lanes must
    // be those of the plain rule (every cue against the whole list, in list order).
    juce::Random random (42);
    auto editor = makeEditor();
    for (int i = 0; i < 400; ++i)
    {
        const auto time = random.nextInt (1000) / 100.0;
        const auto duration = random.nextBool() ? 0.0 : random.nextInt (300) / 100.0;
        addCue (*editor, time, duration, 10 + random.nextInt (60));
        if (i % 7 == 0)
        {
            auto memo = std::make_unique<TimelineMemo>();
            memo->time = time;
            memo->duration = 1.0;
            editor->objects.push_back (std::move (memo));
        }
    }
    std::stable_sort (editor->objects.begin(), editor->objects.end(),
                      [] (auto& a, auto& b) { return a->time < b->time; });

    editor->calcAllLanes();
    std::vector<int> fast;
    for (auto& obj : editor->objects)
        if (auto* cue = dynamic_cast<TimelineCue*> (obj.get()))
            fast.push_back (cue->lane);

    std::vector<TimelineObj*> all;
    for (auto& obj : editor->objects)
    {
        all.push_back (obj.get());
        if (auto* cue = dynamic_cast<TimelineCue*> (obj.get()))
            cue->lane = 0;
    }
    std::vector<int> plain;
    for (auto* obj : all)
        if (auto* cue = dynamic_cast<TimelineCue*> (obj))
        {
            cue->checkLane (all, 0.0);
            plain.push_back (cue->lane);
        }

    EXPECT_EQ (fast, plain);
    EXPECT_GT (*std::max_element (plain.begin(), plain.end()), 3); // the case really piles up
}

TEST (TimelineGeometry, PointCueLabelAtTrackStartIsPushedInside)
{
    for (auto viewStart : { 0.0, 0.5 })
    {
        auto editor = makeEditor (viewStart);
        auto& cue = addCue (*editor, viewStart, 0, 30);
        editor->calcObjectPixels();
        cue.calcGeometry (viewStart, editor->mainHeight);
        EXPECT_EQ (cue.xStart, 0);
        EXPECT_EQ (cue.drawnArea.x1, viewStart == 0.0 ? 0.0f : -20.0f) << viewStart;
        EXPECT_EQ (cue.drawnArea.x2 - cue.drawnArea.x1, 40.0f);
    }
}

TEST (TimelineGeometry, FadeHandlesFollowTheCueShape)
{
    auto editor = makeEditor();
    auto& point = addCue (*editor, 2.0, 0);
    point.fadeIn = 0.5;
    auto& timed = addCue (*editor, 4.0, 2.0);
    timed.fadeIn = 0.2;
    timed.fadeOut = 1.0;
    editor->calcAllLanes();
    for (auto* cue : { &point, &timed })
    {
        cue->height = 20;
        cue->calcGeometry (0, 200);
    }

    EXPECT_EQ (point.fadeInPx, 50);
    EXPECT_EQ (point.drawnArea.y1, 0.0f);
    EXPECT_TRUE (point.isInFadeIn (200 + 50 + 10, 20));   // end of the fade band, y1 + h
    EXPECT_FALSE (point.isInFadeIn (200 + 50 + 11, 20));
    EXPECT_FALSE (point.isInFadeOut (200, 20));           // point cues have no fade-out

    EXPECT_EQ (timed.drawnArea.y1, 200.0f - 25.0f);       // lane 0 of timed cues is at the bottom
    EXPECT_EQ (timed.drawnArea.x2, 600.0f);
    EXPECT_TRUE (timed.isInFadeOut (600 + 100 + 10, 175 + 10));
    EXPECT_FALSE (timed.isInFadeOut (600, 175 + 11));
    EXPECT_TRUE (timed.isInFadeIn (390, 175 - 10));
}

TEST (TimelineGeometry, CueLabelFollowsTheBankNameSetting)
{
    TimelineCue cue;
    cue.bankName = "Wash";
    cue.presetName = "Blue";
    const auto saved = showBankNames;
    showBankNames = true;
    EXPECT_EQ (cue.getLabel(), "Wash | Blue");
    cue.calcLabelWidth();
    const auto wide = cue.labelWidth;
    showBankNames = false;
    EXPECT_EQ (cue.getLabel(), "Blue");
    cue.calcLabelWidth();
    EXPECT_LT (cue.labelWidth, wide);
    EXPECT_GT (cue.labelWidth, 0);
    showBankNames = saved;
}

//==============================================================================
class WaveEditorDb : public DbTest
{
protected:
    int lightShowId()
    {
        if (showId == 0)
        {
            track = addTrack ("Song", "Band/song.wav");
            showId = track.getLightShows().at (0).id;
        }
        return showId;
    }

    void addMemo (const char* name, const char* text, float time, int countIn, int startChunk = -1, int endChunk = -1,
                  float length = 2.0f)
    {
        LightShowModel (lightShowId()).addMemo (name, text, time, countIn, startChunk, endChunk, length);
    }

    std::unique_ptr<WaveEditor> refreshedEditor()
    {
        auto editor = makeEditor();
        editor->lightShowId = lightShowId();
        editor->refreshFromDb (false);
        return editor;
    }

    AudioFileModel track;
    int showId = 0;
};

TEST_F (WaveEditorDb, CountInBeatsPrecedeTheMemoWithFallingNumbers)
{
    addMemo ("Chorus", "Sing it loud", 10.0f, 3);
    addMemo ("Bridge", "", 20.0f, 1);
    addMemo ("Outro", "x", 30.0f, 0);

    auto editor = refreshedEditor();
    editor->bpm = 120.0f; // already the default: beats of 0.5 s

    struct Expected
    {
        TimelineObjType type;
        double time;
        juce::String text;
    };
    const Expected expected[] = {
        { countInType, 8.5, "3    2    1    \n\nSing it loud" },
        { countInType, 9.0, "2    1    \n\nSing it loud" },
        { countInType, 9.5, "1    \n\nSing it loud" },
        { memoType, 10.0, "Sing it loud" },
        { countInType, 19.5, "1    \n\nBridge" }, // no memo text: the name
        { memoType, 20.0, "Bridge" },
        { memoType, 30.0, "x" },
    };

    const auto& objects = editor->getObjects();
    ASSERT_EQ (objects.size(), std::size (expected));
    for (size_t i = 0; i < objects.size(); ++i)
    {
        auto& obj = *objects[i];
        EXPECT_EQ (obj.getType(), expected[i].type) << i;
        EXPECT_DOUBLE_EQ (obj.time, expected[i].time) << i;
        if (obj.getType() == countInType)
        {
            EXPECT_EQ (static_cast<TimelineCountIn&> (obj).countInText, expected[i].text) << i;
            EXPECT_DOUBLE_EQ (obj.duration, 0.5);
            EXPECT_EQ (obj.dbId, 0);
        }
        else
        {
            EXPECT_EQ (static_cast<TimelineMemo&> (obj).getDisplayText(), expected[i].text) << i;
        }
    }
}

TEST_F (WaveEditorDb, RefreshKeepsTheSelectionAndReadsAbsentChunksAsNone)
{
    VovirCueModel cue;
    cue.createCue (lightShowId(), 1.0f, 0.0f, 0.0f, 0.0f, "Stage", "Full");
    VovirCueModel other;
    other.createCue (lightShowId(), 0.5f, 0.0f, 0.0f, 0.0f, "Stage", "Warm");
    addMemo ("A", "", 3.0f, 0);
    MidiEventModel chunk;
    chunk.createMidiEvent ("Lights", "Go");
    addMemo ("B", "", 4.0f, 0, chunk.id, -1);

    auto editor = refreshedEditor();
    const auto& objects = editor->getObjects();
    ASSERT_EQ (objects.size(), 4u);
    EXPECT_EQ (objects[0]->dbId, other.id); // ordered by time
    auto& memoA = static_cast<TimelineMemo&> (*objects[2]);
    auto& memoB = static_cast<TimelineMemo&> (*objects[3]);
    EXPECT_EQ (memoA.startMidiEventId, -1);
    EXPECT_EQ (memoA.endMidiEventId, -1);
    EXPECT_EQ (memoB.startMidiEventId, chunk.id);
    EXPECT_EQ (memoB.endMidiEventId, -1);

    // Ids are matched per kind: memo A has the selected cue's row id but stays unselected.
    objects[1]->selected = true;
    editor->selection.push_back (objects[1].get());
    objects[3]->selected = true;
    editor->selection.push_back (objects[3].get());
    editor->refreshFromDb (false);

    ASSERT_EQ (editor->selection.size(), 2u);
    EXPECT_EQ (editor->selection[0]->dbId, cue.id);
    EXPECT_EQ (editor->selection[0]->getType(), cueType);
    EXPECT_EQ (editor->selection[1]->getType(), memoType);
    EXPECT_EQ (editor->lastCueTime, -1.0);
    EXPECT_EQ (std::count_if (objects.begin(), objects.end(), [] (auto& o) { return o->selected; }), 2);

    editor->lightShowId = -1;
    editor->refreshFromDb (false);
    EXPECT_TRUE (editor->getObjects().empty());
    EXPECT_TRUE (editor->selection.empty());
}

TEST_F (WaveEditorDb, SavingWritesSixSignificantDigitsAndCreatesMissingRows)
{
    TimelineCue cue;
    cue.lightShowId = lightShowId();
    cue.time = 1234.5678;
    cue.duration = 2.0;
    cue.fadeIn = 0.123456789;
    cue.bankName = "Bob's";
    cue.presetName = "Full";
    cue.saveToDb();

    ASSERT_GT (cue.dbId, 0);
    EXPECT_EQ (rowCount ("VovirCues"), 1);
    const auto where = " FROM VovirCues WHERE VovirCueID=" + juce::String (cue.dbId);
    EXPECT_EQ (readText ("SELECT CueTime" + where), "1234.57");
    EXPECT_EQ (readText ("SELECT FadeInTime" + where), "0.123457");
    EXPECT_EQ (readText ("SELECT BankName" + where), "Bob's");

    cue.time = 12.5;
    cue.saveToDb(); // an existing row is updated, not duplicated
    EXPECT_EQ (rowCount ("VovirCues"), 1);
    EXPECT_EQ (readText ("SELECT CueTime" + where), "12.5");

    TimelineMemo memo;
    memo.lightShowId = lightShowId();
    memo.time = 5.0;
    memo.duration = 3.0;
    memo.shortName = "It's";
    memo.memoText = "[LEFT]line";
    memo.countIn = 2;
    memo.saveToDb();
    ASSERT_GT (memo.dbId, 0);
    memo.shortName = "Renamed";
    memo.saveToDb();
    EXPECT_EQ (rowCount ("ShowMemos"), 1);
    ShowMemoModel stored (memo.dbId);
    EXPECT_EQ (stored.getStringField ("ShortName"), "Renamed");
    EXPECT_EQ (stored.getStringField ("Memo"), "[LEFT]line");
    EXPECT_EQ (stored.getIntField ("CountIn"), 2);
    EXPECT_FLOAT_EQ (stored.getFloatField ("MemoLength"), 3.0f);
    EXPECT_EQ (db().getTransactionDepth(), 0);
}

//==============================================================================
TEST_F (WaveEditorDb, ThumbnailIsCachedNextToTheFileAndReadBack)
{
    const auto wav = folder.getChildFile ("tone.wav");
    ASSERT_TRUE (writeSineWav (wav, 3.0));
    const auto cacheFile = juce::File (wav.getFullPathName() + ".vovir");

    auto first = makeEditor();
    first->setFile (wav);
    EXPECT_NEAR (first->trackLength, 3.0, 1e-3);
    EXPECT_DOUBLE_EQ (first->viewSpan, first->trackLength);
    EXPECT_TRUE (first->thumbSavePending);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    for (int i = 0; i < 500 && ! cacheFile.existsAsFile(); ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    ASSERT_TRUE (cacheFile.existsAsFile());
    EXPECT_FALSE (first->thumbSavePending);

    auto second = makeEditor();
    second->setFile (wav);
    EXPECT_FALSE (second->thumbSavePending);
    EXPECT_NEAR (second->getThumbnail().getTotalLength(), 3.0, 1e-3);
    EXPECT_TRUE (second->getThumbnail().isFullyLoaded());

    second->setFile (juce::String());
    EXPECT_EQ (second->getThumbnail().getTotalLength(), 0.0);
}

TEST_F (WaveEditorDb, PaintsEveryModeIntoAnImage)
{
    const auto wav = folder.getChildFile ("paint.wav");
    ASSERT_TRUE (writeSineWav (wav, 20.0));
    VovirCueModel().createCue (lightShowId(), 1.0f, 0.0f, 0.5f, 0.0f, "Stage", "Full");
    VovirCueModel().createCue (lightShowId(), 2.0f, 3.0f, 0.5f, 1.0f, "Stage", "Warm");
    addMemo ("Verse", "words", 4.0f, 2);

    auto editor = refreshedEditor();
    juce::Image empty (juce::Image::ARGB, 1000, 300, true);
    {
        juce::Graphics g (empty);
        editor->paint (g); // no file: the placeholder text only
    }
    EXPECT_EQ (empty.getPixelAt (0, 0), darkerColour);

    LightShowModel (lightShowId()).setFloatField ("TrimStart", 0.5f);
    editor->setFile (wav);
    for (int i = 0; i < 500 && ! editor->getThumbnail().isFullyLoaded(); ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
    editor->resized();
    editor->refreshFromDb (true);

    for (auto mode : { 0, 1, 2 })
    {
        editor->readOnly = mode == 1;
        editor->playerMode = mode == 2;
        editor->getObjects()[0]->selected = true;
        juce::Image image (juce::Image::ARGB, 1000, 300, true);
        {
            juce::Graphics g (image);
            editor->paint (g);
        }
        // The playhead at file time trimStart: 0.5 s of 20 s over 1000 pixels.
        if (mode != 2)
        {
            EXPECT_EQ (editor->playheadX, 25) << mode;
        }
        EXPECT_EQ (image.getPixelAt (500, 60), complementColour) << mode; // the first channel's waveform
    }

    // The memo box sits below the point cues.
    auto& memo = static_cast<TimelineMemo&> (*editor->getObjects().back());
    EXPECT_GT (memo.yTop, 0.0f);
}

TEST (TimelineDrawing, InvalidCueIsRedAndNothingIsDrawnOutOfSightOrInPlayerMode)
{
    auto paintOne = [] (TimelineObj& obj)
    {
        juce::Image image (juce::Image::ARGB, 400, 200, true);
        juce::Graphics g (image);
        obj.drawObj (g, 0.0, 10.0, 200, false, false);
        return image;
    };

    TimelineCue cue;
    cue.time = 5.0;
    cue.duration = 2.0;
    cue.xStart = 100;
    cue.xEnd = 300;
    cue.height = 30;
    cue.valid = false;
    auto image = paintOne (cue);
    const auto body = image.getPixelAt (290, (int) cue.drawnArea.y1 + 25);
    EXPECT_GT (body.getRed(), 200);
    EXPECT_LT (body.getGreen(), 30);

    cue.valid = true;
    EXPECT_NE (paintOne (cue).getPixelAt (290, (int) cue.drawnArea.y1 + 25), body);

    // Nothing at all in player mode.
    juce::Image player (juce::Image::ARGB, 400, 200, true);
    {
        juce::Graphics g (player);
        cue.drawObj (g, 0.0, 10.0, 200, false, true);
    }
    EXPECT_EQ (player.getPixelAt (290, (int) cue.drawnArea.y1 + 25).getAlpha(), 0);

    // Outside the visible range nothing is drawn either.
    TimelineMemo memo;
    memo.time = 20.0;
    memo.duration = 1.0;
    memo.xStart = 10;
    memo.xEnd = 200;
    memo.height = 30;
    memo.yTop = 10;
    EXPECT_EQ (paintOne (memo).getPixelAt (100, 25).getAlpha(), 0);
    memo.time = 5.0;
    EXPECT_GT (paintOne (memo).getPixelAt (100, 25).getAlpha(), 0);
}

TEST (WaveEditorView, FollowingPlaybackKeepsThePositionCentredWithinTheTrack)
{
    struct Case
    {
        bool playerMode;
        double span, position, expectedStart, expectedEnd;
    };
    // A 100 s track; in player mode 10 s are trimmed at the start and 20 s at the end.
    const Case cases[] = {
        { false, 20, 5, 0, 20 },   { false, 20, 50, 40, 60 },  { false, 20, 95, 80, 100 },
        { true, 20, 0, 10, 30 },   { true, 20, 40, 40, 60 },   { true, 20, 65, 60, 80 },
        { true, 90, 0, 10, 80 }, // wider than the trimmed track: the span shrinks
    };

    for (auto& c : cases)
    {
        auto editor = makeEditor();
        editor->trackLength = 100;
        editor->playerMode = c.playerMode;
        editor->trimStart = c.playerMode ? 10 : 0;
        editor->trimEnd = c.playerMode ? 20 : 0;
        editor->viewSpan = c.span;
        editor->playPosition = c.position; // seconds from the trimmed start
        editor->followPlayPosition();
        EXPECT_DOUBLE_EQ (editor->viewStart, c.expectedStart) << c.playerMode << " " << c.position;
        EXPECT_DOUBLE_EQ (editor->viewEnd, c.expectedEnd) << c.playerMode << " " << c.position;
        EXPECT_DOUBLE_EQ (editor->viewSpan, editor->viewEnd - editor->viewStart);
    }
}

TEST (TimelineDrawing, MemoShowsTheMidiMarkOnlyWhenItSendsAChunk)
{
    if (midiOkImage == nullptr)
        midiOkImage = EmbeddedImages::getDrawable ("midi-green.png");
    ASSERT_NE (midiOkImage, nullptr);

    auto greenPixels = [] (int startChunk, int endChunk)
    {
        TimelineMemo memo;
        memo.time = 1.0;
        memo.duration = 2.0;
        memo.xStart = 10;
        memo.xEnd = 210;
        memo.yTop = 10;
        memo.height = 40;
        memo.startMidiEventId = startChunk;
        memo.endMidiEventId = endChunk;
        juce::Image image (juce::Image::ARGB, 300, 100, true);
        {
            juce::Graphics g (image);
            memo.drawObj (g, 0.0, 10.0, 100, false, false);
        }
        // The mark sits in the square of side 34 at (13, 13).
        int count = 0;
        for (int y = 13; y < 47; ++y)
            for (int x = 13; x < 47; ++x)
            {
                auto c = image.getPixelAt (x, y);
                count += c.getGreen() > 150 && c.getRed() < 120 && c.getBlue() < 140 ? 1 : 0;
            }
        return count;
    };

    EXPECT_EQ (greenPixels (-1, -1), 0);
    EXPECT_GT (greenPixels (5, -1), 100);
    EXPECT_GT (greenPixels (-1, 6), 100);
}
