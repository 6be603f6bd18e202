#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

/** A fitted text laid out once and drawn again wherever its box moves, until
    the text, the box's size or the font change: painting a long lightshow at
    every drag step must not lay out every label again. */
class FittedTextCache
{
public:
    void draw (juce::Graphics& g, const juce::String& text, juce::Rectangle<int> area, juce::Justification justification,
               int maximumLines, float minimumHorizontalScale = 0.0f);

private:
    juce::String text, fontName;
    int width = -1, height = -1, lines = 0, flags = 0;
    float minimumScale = 0, fontHeight = 0;
    juce::GlyphArrangement glyphs;
};

/** What a timeline object is; the waveform editor tells objects apart by it. */
enum TimelineObjType
{
    memoType = 0,
    countInType = 1,
    cueType = 2
};

/** One thing shown on a lightshow's waveform: a cue, a memo or a count-in beat.
    Times are seconds from the start of the audio file. The waveform editor sets
    the pixel fields (xStart, xEnd, height...) before it draws or hit-tests. */
class TimelineObj
{
public:
    TimelineObj() = default;
    virtual ~TimelineObj() = default;

    /** Writes the object to its row, creating the row first when dbId is 0. */
    virtual void saveToDb() = 0;
    virtual TimelineObjType getType() const = 0;
    virtual bool isInFadeIn (int x, int y) const = 0;
    virtual bool isInFadeOut (int x, int y) const = 0;
    virtual void drawObj (juce::Graphics& g, double visibleStart, double visibleEnd, int areaHeight, bool readOnly,
                          bool playerMode) = 0;
    virtual void selectObj (bool shouldBeSelected) { selected = shouldBeSelected; }
    virtual void drawMarkerLine (juce::Graphics& g, int areaHeight) = 0;
    virtual void drawReleaseMarkerLine (juce::Graphics& g, int areaHeight) = 0;

    /** Whether time or time + duration lies within the visible range (ends inclusive). */
    bool isVisibleIn (double visibleStart, double visibleEnd) const;

    struct Area
    {
        float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };

    bool isCopy = false;
    bool selected = false;
    bool valid = true;
    int lightShowId = 0;
    int dbId = 0;
    double time = 0;
    double duration = 0;
    double origTime = 0;
    double fadeIn = 0;
    double fadeOut = 0;
    juce::String bankName;
    juce::String presetName;
    Area drawnArea;
    float handleTop = 0, handleBottom = 0;
    float height = 24.0f;
    int labelWidth = 100;
    int xStart = 0, xEnd = 0;
    FittedTextCache label;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TimelineObj)
};

//==============================================================================
/** A lighting cue: recalls its preset at its time; a timed cue (duration above 0)
    recalls the bank's "Off" preset at its end. */
class TimelineCue : public TimelineObj
{
public:
    TimelineCue() = default;

    void saveToDb() override;
    TimelineObjType getType() const override { return cueType; }
    bool isInFadeIn (int x, int y) const override;
    bool isInFadeOut (int x, int y) const override;
    void drawObj (juce::Graphics& g, double visibleStart, double visibleEnd, int areaHeight, bool readOnly,
                  bool playerMode) override;
    void drawMarkerLine (juce::Graphics& g, int areaHeight) override;
    void drawReleaseMarkerLine (juce::Graphics& g, int areaHeight) override;

    /** Sets selected and, when selecting, picks the cue's bank and preset in the
        song editor's lists (through selectCueHook while the song editor exists). */
    virtual void selectCue (bool shouldBeSelected);

    bool isPointCue() const noexcept { return duration <= 0; }

    /** "bank | preset" with the showBankNames setting, else the preset name. */
    juce::String getLabel() const;
    void calcLabelWidth();

    /** Point cues: the label box [x1, x2] for the current xStart. */
    void calcLabelBox (double viewStart);

    /** Raises lane until this cue overlaps no cue of its kind in its lane. */
    void checkLane (std::vector<TimelineObj*> objects, double viewStart);

    /** Computes drawnArea and the handle range from the pixel fields. */
    void calcGeometry (double visibleStart, int areaHeight);

    int fadeInPx = 0;
    int fadeOutPx = 0;
    int lane = 0;
};

/** Called by TimelineCue::selectCue (true) with the bank and preset names; the
    song editor installs it while it exists. */
extern void (*selectCueHook) (const juce::String& bankName, const juce::String& presetName);

//==============================================================================
/** A lyric or note memo, shown to the performer while it plays; may send a MIDI
    chunk at its start and its end. */
class TimelineMemo final : public TimelineObj
{
public:
    TimelineMemo() = default;

    void saveToDb() override;
    TimelineObjType getType() const override { return memoType; }
    bool isInFadeIn (int, int) const override { return false; }
    bool isInFadeOut (int, int) const override { return false; }
    void drawObj (juce::Graphics& g, double visibleStart, double visibleEnd, int areaHeight, bool readOnly,
                  bool playerMode) override;
    void drawMarkerLine (juce::Graphics& g, int areaHeight) override;
    void drawReleaseMarkerLine (juce::Graphics& g, int areaHeight) override;

    /** Computes drawnArea (the memo box) from the pixel fields; areaHeight is
        given in player mode only, where the box is two thirds of it high. */
    void calcGeometry (int playerAreaHeight);

    /** The text shown while the memo plays: memoText, or shortName when that is empty. */
    juce::String getDisplayText() const { return memoText.isEmpty() ? shortName : memoText; }

    juce::String shortName;
    juce::String memoText;
    int countIn = 0;
    int startMidiEventId = -1;
    int endMidiEventId = -1;
    float yTop = 0;
};

//==============================================================================
/** One count-in beat before a memo; never drawn or stored. */
class TimelineCountIn final : public TimelineObj
{
public:
    TimelineCountIn() = default;

    void saveToDb() override {}
    TimelineObjType getType() const override { return countInType; }
    bool isInFadeIn (int, int) const override { return false; }
    bool isInFadeOut (int, int) const override { return false; }
    void drawObj (juce::Graphics&, double, double, int, bool, bool) override {}
    void drawMarkerLine (juce::Graphics&, int) override {}
    void drawReleaseMarkerLine (juce::Graphics&, int) override {}

    juce::String countInText;
};

//==============================================================================
/** The handle shape of cues, trim handles and overview markers: a diamond of
    half-diagonal size at (x, y), or, when width > 0, a band of that width with a
    diamond at each end. */
void drawDiamond (juce::Graphics& g, juce::Colour fill, juce::Colour outline, float x, float y, float size,
                  float width);

/** Lets go of the images drawDiamond keeps (with the editor, before JUCE shuts down). */
void clearDiamondImages();

/** The "MIDI chunk" mark on memos, decoded once by the first refresh that builds a memo. */
extern std::unique_ptr<juce::Drawable> midiOkImage;
