#pragma once

#include "editor/MemoDisplay.h"
#include "show/SetTimeline.h"
#include "ui/Widgets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

//==============================================================================
/** The show timeline above a toolbar of transport buttons. */
class SetTimelineHolder final : public juce::Component,
                                public juce::Button::Listener,
                                public juce::ChangeListener
{
public:
    SetTimelineHolder();
    ~SetTimelineHolder() override;

    void resized() override;
    void buttonClicked (juce::Button* button) override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    std::unique_ptr<SetTimeline> timeline;
    std::unique_ptr<VovirToolbar> toolbar;
    VovirButton* playButton = nullptr;
    VovirButton* previousButton = nullptr;
    VovirButton* nextButton = nullptr;
    VovirButton* gridButton = nullptr;
    VovirButton* colourButton = nullptr;

private:
    FilePlayerProcessor* listenedPlayer = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SetTimelineHolder)
};

//==============================================================================
/** Summary of the show, the memo text in a large font, a clock and a faint loop
    symbol while the current song loops. The waveform editor's playback timer
    writes memos to it through `playerMemoDisplay`. */
class SetMemoPanel final : public ColouredBox, public juce::Timer, public MemoDisplay
{
public:
    /** The timeline gives the summary its song count, length and position. */
    explicit SetMemoPanel (SetTimeline* showTimeline);
    ~SetMemoPanel() override;

    void setSet (int newSetId);
    void updateSummaryLbl();
    void setMemoLbl (const juce::String& text) override;

    /** The summary's three lines for a show at that time of day (seconds since midnight). */
    static juce::String summaryText (const juce::String& name, int numSongs, double totalLength,
                                     double showPosition, double secondsSinceMidnight);
    /** "%d:%02d:%02d" of whole hours, minutes and seconds. */
    static juce::String hoursMinutesSeconds (double seconds);
    static double secondsSinceMidnight (const juce::Time& time);

    void paint (juce::Graphics& g) override;
    void resized() override;
    void lookAndFeelChanged() override;
    void timerCallback() override;

    int setId = -1;
    juce::String showName;
    juce::Label summaryLabel, memoLabel, clockLabel;
    juce::String memoText;
    std::unique_ptr<juce::Drawable> loopIcon;
    juce::Rectangle<float> loopIconBounds;
    bool showingLoop = false;
    int largeFontHeight = 0, clockFontHeight = 0;

private:
    SetTimeline* timeline;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SetMemoPanel)
};

//==============================================================================
/** The memo panel above the waveform editor's container, with a resizer bar
    between them while the container sits here. */
class SetVertPanel final : public ColouredBox
{
public:
    explicit SetVertPanel (SetTimeline* showTimeline);
    ~SetVertPanel() override;

    void resized() override;
    void lookAndFeelChanged() override;

    std::unique_ptr<SetMemoPanel> memoPanel;
    SetTimeline* timeline;
    juce::StretchableLayoutManager layout;
    std::unique_ptr<juce::StretchableLayoutResizerBar> resizerBar;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SetVertPanel)
};

//==============================================================================
/** The show player: the show timeline with its transport buttons on the left,
    the memo panel and the waveform editor on the right. */
class SetPlayer final : public ColouredBox
{
public:
    SetPlayer();
    ~SetPlayer() override;

    /** The show loaded in the timeline, −1 for none. */
    int getCurrentSetId() const noexcept { return timeline->setId; }
    void setMemoLbl (const juce::String& text);

    void resized() override;
    void lookAndFeelChanged() override;
    void visibilityChanged() override;

    juce::StretchableLayoutManager layout;
    std::unique_ptr<SetTimelineHolder> holder;
    SetTimeline* timeline = nullptr;
    std::unique_ptr<juce::StretchableLayoutResizerBar> resizerBar;
    std::unique_ptr<SetVertPanel> vertPanel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SetPlayer)
};

/** The show player, or null while there is none. */
extern SetPlayer* setPlayer;
