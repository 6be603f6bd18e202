#pragma once

#include "ui/Widgets.h"

#include <juce_audio_devices/juce_audio_devices.h>

class GraphDocumentComponent;

/** The three right-hand views. */
enum MainWindowPanel
{
    lightshowListPanel = 0,
    songEditorPanel = 1,
    setPlayerPanel = 2
};

/** The three right-hand views in one place; exactly one is visible. */
class RightPanel final : public ColouredBox
{
public:
    RightPanel();
    void resized() override;
    void lookAndFeelChanged() override;

    juce::Component* views[3] {};
};

/** The library on the left, a resizer bar, the right-hand views, and the
    invisible graph document component. */
class HorPanel final : public ColouredBox
{
public:
    explicit HorPanel (juce::AudioDeviceManager& deviceManager);
    void resized() override;
    void lookAndFeelChanged() override;

    bool showLibrary = true;
    GraphDocumentComponent* graphComponent = nullptr;
    RightPanel* rightPanel = nullptr;
    juce::StretchableLayoutResizerBar* resizerBar = nullptr;

private:
    juce::StretchableLayoutManager layout;
};

/** The main window's content: the upper panels, a resizer bar and the waveform
    timeline across the bottom. Owns everything visible. */
class VertPanel final : public ColouredBox
{
public:
    explicit VertPanel (juce::AudioDeviceManager& deviceManager);
    ~VertPanel() override;
    void resized() override;
    void lookAndFeelChanged() override;

    /** Gives the timeline back to this panel (the show player takes it while visible). */
    void restoreTimeline();

    bool showTimeline = true;
    HorPanel* horPanel = nullptr;
    juce::StretchableLayoutResizerBar* resizerBar = nullptr;

private:
    juce::StretchableLayoutManager layout;
};

class SongEditor;
class LightShowList;

/** The views, reachable from everywhere while the window exists (null otherwise). */
extern SongEditor* songEditor;
extern LightShowList* lightShowList;
