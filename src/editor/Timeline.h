#pragma once

#include "data/DbModels.h"
#include "editor/MemoDisplay.h"
#include "editor/TimelineObjects.h"
#include "ui/Widgets.h"

#include <juce_audio_utils/juce_audio_utils.h>

#include <memory>
#include <vector>

/** The mouse gestures of the waveform editor. */
enum WaveDragMode
{
    dragNone = 0,
    dragOverviewLeft,
    dragOverviewRight,
    dragOverviewMove,
    dragMove,
    dragCopy,
    dragResizeStart,
    dragResizeEnd,
    dragPlayhead,
    dragFadeIn,
    dragFadeOut,
    dragBand,
    dragTrimStart,
    dragTrimEnd
};

/** One audio track's waveform with the cues and memos of one lightshow on it.
    While the track plays, its 20 ms timer follows the play position: it recalls
    the cues on the lighting controller, sends the song tempo, shows and clears
    the memos in both memo displays and sends their MIDI chunks.

    Serves three uses: editing (readOnly and playerMode false), previewing a
    library track (readOnly), and inside the show player (playerMode: only the
    trimmed part of the track, cues hidden, memos drawn large). */
class WaveEditor final : public juce::Component,
                         public juce::ChangeListener,
                         public juce::Timer,
                         public juce::DragAndDropTarget
{
public:
    WaveEditor();
    ~WaveEditor() override;

    /** Loads the waveform of a file (an empty path unloads it). The thumbnail is
        read from path + ".vovir" when that exists, else computed in the
        background and written there once complete. */
    void setFile (const juce::String& path);
    void setFile (const juce::File& file) { setFile (file.getFullPathName()); }

    /** Rebuilds every object from the lightshow's rows (checking the lighting show
        and each cue's bank and preset), restores the selection, and restarts the
        playback duties from the start of the track. */
    void refreshFromDb (bool resetView);

    /** Recomputes the pixel values and the lanes of every cue (not in player mode). */
    void calcAllLanes();

    /** Shows (once) or removes the box asking for a second press before playback stops. */
    void shopStopConfirm (bool show, const juce::String& text);
    bool isStopConfirmShowing() const { return stopConfirm != nullptr; }
    juce::String getStopConfirmText() const;

    /** The playback duties for one play position, as a file time in seconds:
        everything between the last handled time and cur is fired. */
    void handlePlayPosition (double cur);

    /** The initial view of the loaded file, and the view after a refresh. */
    void resetView();

    /** Moves the view so that the play position stays in its middle, within the
        track (player mode: within its trimmed part). Done while painting when the
        backing track plays and followPlayback is on. */
    void followPlayPosition();

    /** Time ↔ pixel mapping in the waveform area. */
    int timeToX (double t) const;
    double xToTime (int x) const;

    /** Sets xStart, xEnd and the fade widths of every object for the current view. */
    void calcObjectPixels();

    const std::vector<std::unique_ptr<TimelineObj>>& getObjects() const noexcept { return objects; }
    juce::AudioThumbnail& getThumbnail() noexcept { return *thumbnail; }

    //==============================================================================
    void paint (juce::Graphics& g) override;
    void resized() override;
    void timerCallback() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    bool isInterestedInDragSource (const SourceDetails& details) override;
    void itemDropped (const SourceDetails& details) override;
    void itemDragMove (const SourceDetails& details) override;
    void itemDragExit (const SourceDetails& details) override;

    // The editing gestures (WaveGestures.cpp).
    void mouseMove (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;
    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

    /** Player mode: keeps the view inside the trimmed part of the track. */
    void clampViewToTrims();

    /** Sets every object's pixel values, heights and hit areas for the current
        view and size, as painting does; the gestures hit-test against them. */
    void layoutObjects();

    /** The memo dialog for one memo; OK writes it as one undo step. */
    void editMemo (TimelineMemo& memo);

    /** Whether (x, y) is on the object's body (count-in beats have none). */
    bool isOnBody (const TimelineObj& obj, int x, int y) const;

    //==============================================================================
    int overviewHeight = 60;
    int mainHeight = 200;

    double viewStart = 0, viewEnd = 0, viewSpan = 0;
    double trackLength = 0;
    int overviewX = 0, overviewW = 0;

    std::vector<std::unique_ptr<TimelineObj>> objects;
    std::vector<TimelineObj*> selection;
    std::vector<TimelineObj*> copies;

    int dragMode = dragNone;
    int downX = 0;
    juce::Point<int> bandOrigin, bandSize;
    double downValue = 0, downDuration = 0;
    TimelineObj* draggedObject = nullptr;
    bool tempZoom = false;
    double savedViewStart = 0, savedViewEnd = 0, savedViewSpan = 0;
    bool dragged = false;
    bool firstDragStep = false;

    bool readOnly = true;
    bool playerMode = false;
    bool followPlayback = true;

    double playPosition = 0;
    int playheadX = 0;
    double lastScrubPosition = 0;
    double lastCueTime = -1;
    float bpm = 120.0f;

    bool dropIndicator = false;
    int dropX = 0;
    double dropTime = 0;

    double trimStart = 0, trimEnd = 0;
    int trimStartX = 0, trimEndX = 0;

    int lightShowId = -1;
    juce::String filePath;
    bool thumbSavePending = true;

private:
    /** Visible in the panel tree (also without a window, as in tests). */
    bool isShownInPanel() const;
    void checkLightingShow();
    void showProblems (const juce::String& problems);
    void addCountIns (const TimelineMemo& memo);
    void paintObjects (juce::Graphics& g);
    void paintWaveforms (juce::Graphics& g);
    void paintOverviewMarkers (juce::Graphics& g);
    void drawMarker (juce::Graphics& g, const TimelineObj& obj, float yOffset) const;
    void deselectAll();
    void select (TimelineObj& obj);
    juce::MouseCursor cursorAt (int x, int y) const;
    void startGesture (const juce::MouseEvent& e);
    void dragObjects (double delta);
    void finishGesture();
    void dropPreset (const SourceDetails& details);
    void paintOverview (juce::Graphics& g);
    void showMemoText (const juce::String& text);
    void recallPreset (const juce::String& bank, const juce::String& preset, double fadeSeconds);

    /** Reads a track's waveform from its ".vovir" side file when the thumbnail
        asks its cache, before any background reading starts. */
    class SideFileCache final : public juce::AudioThumbnailCache
    {
    public:
        SideFileCache() : juce::AudioThumbnailCache (5) {}
        bool loadNewThumb (juce::AudioThumbnailBase& thumb, juce::int64) override;

        juce::String mediaPath;
    };

    SideFileCache thumbnailCache;
    std::unique_ptr<juce::AudioThumbnail> thumbnail;
    juce::FileInputSource* fileSource = nullptr;
    juce::ChangeBroadcaster* listenedPlayer = nullptr;
    std::unique_ptr<juce::Component> stopConfirm;
    struct WaveformKey
    {
        int width = 0, height = 0, mainHeight = 0;
        float scale = 0;
        double viewStart = 0, viewEnd = 0, rangeStart = 0, rangeEnd = 0;
        juce::int64 samplesFinished = 0;
        juce::uint32 waveColour = 0, background = 0;
        bool operator== (const WaveformKey&) const = default;
    };
    WaveformKey waveformKey;
    juce::Image waveformImage;
    juce::uint64 markerHash = 0;
    juce::Image markerImage;

    double scrubAtLastTick = -1;
    double lastWindowEnd = -1; // upper end of the last window handled by handlePlayPosition

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveEditor)
};

//==============================================================================
/** The container of the waveform editor; one for the whole program, reachable
    through the global timeline. */
class Timeline final : public ColouredBox
{
public:
    Timeline();
    ~Timeline() override;

    /** Shows a track's waveform without a lightshow. */
    void loadAudioFile (int audioFileId);

    /** Shows a lightshow: its tempo goes to the editor and the lighting
        controller, its volume to the backing player, both players rewind, and
        the editor rebuilds its objects. Nothing when the id is the current one
        and force is false. */
    void loadLightShow (int newLightShowId, bool force);

    std::vector<VovirCueModel> getSelectedCues() const;
    std::vector<ShowMemoModel> getSelectedMemos() const;

    void resized() override;
    void lookAndFeelChanged() override;

    WaveEditor* editor = nullptr; // a child: deleted with the box
    int lightShowId = -1;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Timeline)
};

/** The waveform editor's container while it exists. */
extern Timeline* timeline;
