#pragma once

#include "ui/Widgets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

class FilePlayerProcessor;

//==============================================================================
/** The time scale at the left edge of the show timeline, in show time. */
class SetTimeRuler final : public juce::Component
{
public:
    SetTimeRuler();

    void setRange (double start, double end);
    double getRangeStart() const noexcept { return rangeStart; }
    double getRangeEnd() const noexcept { return rangeEnd; }

    /** The label and tick steps in seconds for a range of that many seconds drawn
        over that many pixels. */
    static void stepsFor (double rangeLength, int height, int& labelStep, int& tickStep);

    void paint (juce::Graphics& g) override;

private:
    double rangeStart = 0.0, rangeEnd = 600.0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SetTimeRuler)
};

//==============================================================================
/** The small box that asks for a second press before playback stops. */
class StopConfirm final : public ColouredBox
{
public:
    explicit StopConfirm (juce::String text);
    ~StopConfirm() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    juce::Label label;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (StopConfirm)
};

//==============================================================================
/** One song of a show: a box in the show timeline. The timeline hit-tests the
    boxes itself, so a box never takes mouse clicks. */
class LightshowObj final : public juce::Component, public juce::Timer
{
public:
    LightshowObj();
    ~LightshowObj() override;

    /** Writes PlayOrder (as an integer) and Colour of the box's SetElements row. */
    void saveToDb();

    void paint (juce::Graphics& g) override;
    void timerCallback() override;

    /** The embedded image of that file name (every "." read as "_"), or null. */
    static void loadIcon (std::unique_ptr<juce::Drawable>& icon, juce::String name);

    int setId = -1, elementId = -1, lightShowId = -1, audioFileId = -1;
    juce::String note, lightShowName, title, folder, audioPath, clickPath;
    bool fileExists = false;
    /** False when the backing track's file is there but no audio can be read from it. */
    bool backingReadable = true;
    /** Why the click track will not play ("missing", "cannot be read"), empty when it will or there is none. */
    juce::String clickProblem;
    double trimStart = 0.0, trimEnd = 0.0, duration = 0.0, position = 0.0;
    bool autoStart = false, loop = false;
    float playOrder = 0.0f;
    int colour = 0;
    bool selected = false, current = false, playing = false, blink = false, gridMode = false;
    float titleFontHeight = 0.0f;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LightshowObj)
};

//==============================================================================
/** The view of one show (a set list) in the show player: the songs as a vertical
    timeline (list mode) or as a grid of equal buttons (grid mode). It preloads the
    show's tracks, makes songs current in both players, and sequences them: a song
    that ends loads the next one, and a song chosen by Next, Previous, Return or a
    double click is loaded once the current one has faded out and stopped. */
class SetTimeline final : public ColouredBox,
                          public juce::DragAndDropTarget,
                          public juce::DragAndDropContainer,
                          public juce::KeyListener,
                          public juce::ChangeListener,
                          public juce::Timer
{
public:
    SetTimeline();
    ~SetTimeline() override;

    //==============================================================================
    void loadSet (int newSetId, bool keepView);
    void refreshFromDb (bool resetView);
    void loadSong (unsigned index, bool force, bool playNow, bool loop);
    void highlightNextSong (bool activate, bool playNow);
    void highlightPreviousSong (bool activate, bool playNow);
    void deleteSetElement();
    void saveAllToDb();
    void doRedraw (bool animate);

    /** Fades the current song out and loads this one when the stop has completed
        (started when playNow). */
    void requestSong (int index, bool playNow);

    /** Starts the zoom animation towards a song. */
    void zoomToSong (int index);

    /** Moves every selected song one place up (down); false when nothing moved. */
    bool moveSelectedUp();
    bool moveSelectedDown();

    /** Gives the selected songs the next song colour and saves them. */
    void cycleSelectedColour();

    /** The song can be made current: its backing track is not known to be unreadable. */
    bool canLoad (int index) const;

    /** Adds tracks of the track library at insertIndex and reloads the show. */
    void addTracks (const juce::Array<int>& trackIds);

    //==============================================================================
    // Mouse gestures in the timeline's coordinates (the mouse callbacks call them).
    void pressAt (juce::Point<int> p, bool shift);
    void dragTo (juce::Point<int> p);
    void releaseMouse();
    void doubleClickAt (juce::Point<int> p);
    void wheelAt (juce::Point<int> p, float delta);
    /** The insertion point (and indicator) for a track dragged to that point. */
    void updateDropPosition (juce::Point<int> p);

    //==============================================================================
    /** Start of a song in the show: the sum of the durations before it. */
    double songStart (int index) const;
    /** The song box under a point (its animation destination while moving), or −1. */
    int songIndexAt (juce::Point<int> p) const;
    /** Where a box is laid out: its animation destination while it moves. */
    juce::Rectangle<int> boxBounds (int index) const;
    /** Left edge of the overview zone (list mode). */
    int overviewZoneLeft() const;
    int getRulerWidth() const noexcept { return rulerWidth; }
    bool hasSelection() const;

    //==============================================================================
    void paint (juce::Graphics& g) override;
    void resized() override;
    void lookAndFeelChanged() override;
    void mouseMove (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;
    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    using juce::Component::keyPressed;
    bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

    bool isInterestedInDragSource (const SourceDetails& details) override;
    void itemDragEnter (const SourceDetails& details) override;
    void itemDragMove (const SourceDetails& details) override;
    void itemDragExit (const SourceDetails& details) override;
    void itemDropped (const SourceDetails& details) override;

    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void timerCallback() override;

    //==============================================================================
    int setId = -1;
    std::vector<std::unique_ptr<LightshowObj>> songs;
    double totalLength = 600.0;
    double viewStart = 0.0, viewEnd = 600.0, viewLength = 600.0;
    int currentIndex = -1;
    double showPosition = 0.0;
    std::unique_ptr<SetTimeRuler> ruler;
    int overviewTop = 0, overviewHeight = 0;
    int rulerWidth = 0;
    int dragMode = 0;
    int anchorIndex = -1;
    int firstSelected = -1, lastSelected = -1;
    bool moved = false;
    double dragStartViewStart = 0.0;
    int dragStartY = 0;
    bool dragHover = false;
    int dropX = 0, dropY = 0, dropLength = 0;
    int insertIndex = 0;
    int pendingIndex = -1;
    bool pendingPlay = false;
    bool autoZoom = false;
    double zoomTargetStart = 600.0, zoomTargetEnd = 600.0;
    bool zooming = false;
    bool gridMode = false;
    juce::Button* gridButton = nullptr;

    /** The track ids selected in the track library (set by the main window). */
    std::function<juce::Array<int>()> selectedTracksProvider;
    /** Shows the lightshow chooser of a dropped track and returns the chosen item
        id (0 when dismissed); replaceable where no menu can be shown. */
    std::function<int (juce::PopupMenu&)> runPopupMenu;

private:
    void setView (double start, double end);
    void updateSelectionRange();
    /** Moves one song to another place: playOrder just before or after the
        target, sort, renumber; the current and pending songs follow. */
    void moveSong (int from, int to);
    void sortAndRenumber();
    void preloadTracks();
    /** Queues the song after an AutoStart song in both players, so it starts without a gap. */
    void queueNextSong (int index);
    /** Marks every box whose backing or click track could not be preloaded. */
    void applyTrackChecks();
    /** Tells the performer, once per show, which songs will not play as they should and why. */
    void reportTrackProblems();
    /** The first song from `from` on (stepping by `step`, wrapping when asked) that can be loaded, or -1. */
    int loadableFrom (int from, int step, bool wrap) const;
    /** Loads the pending song at once when there is nothing to wait for. */
    void loadPendingIfIdle();
    void takePending();
    void followPlayback();
    /** After Next or Previous moved the highlight: redraw, and with activate load
        the highlighted song once the current one has stopped. */
    void showHighlight (bool activate, bool playNow);
    void updateOverviewBand();
    void placeBox (LightshowObj& box, juce::Rectangle<int> bounds, bool animate);
    static void readSong (LightshowObj& box, int elementId);

    // Paths whose audio could not be read when the show was preloaded.
    juce::StringArray unreadableBacking, unreadableClick;
    juce::StringArray reportedProblems;

    mutable juce::ComponentAnimator animator; // asked for destinations in const hit tests
    FilePlayerProcessor* listenedPlayer = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SetTimeline)
};
