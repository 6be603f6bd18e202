#include "show/SetPlayer.h"

#include "app/StartupSettings.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "show/ShowLinks.h"
#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"
#include "ui/FontFallback.h"

#include <cmath>

SetPlayer* setPlayer = nullptr;

namespace
{
constexpr int memoTimerMs = 200;
const char* const leftMarker = "[LEFT]";
} // namespace

//==============================================================================
SetTimelineHolder::SetTimelineHolder()
{
    timeline = std::make_unique<SetTimeline>();
    addAndMakeVisible (timeline.get());

    toolbar = std::make_unique<VovirToolbar> (darkestColour);
    addAndMakeVisible (toolbar.get());

    playButton = toolbar->addButton ("Play", this, "play_48x.png", false);
    previousButton = toolbar->addButton ("Previous", this, "first_48x.png", false);
    nextButton = toolbar->addButton ("Next", this, "next_48.png", false);
    gridButton = toolbar->addButton ("Grid Mode", this, "zoom_48.png", true);
    colourButton = toolbar->addButton ("Change Colour", this, "edit_48x.png", true);
    gridButton->setClickingTogglesState (true);
    timeline->gridButton = gridButton;

    if (filePlayer != nullptr)
    {
        listenedPlayer = filePlayer;
        filePlayer->addChangeListener (this);
    }
}

SetTimelineHolder::~SetTimelineHolder()
{
    if (listenedPlayer != nullptr && listenedPlayer == filePlayer)
        filePlayer->removeChangeListener (this);
    timeline->gridButton = nullptr;
    // The toolbar owns its buttons and unregisters this listener from them.
    toolbar.reset();
    timeline.reset();
}

void SetTimelineHolder::resized()
{
    const int toolbarHeight = std::min (70, getHeight());
    toolbar->setBounds (0, getHeight() - toolbarHeight, getWidth(), toolbarHeight);
    timeline->setBounds (0, 0, getWidth(), getHeight() - toolbarHeight);
}

void SetTimelineHolder::buttonClicked (juce::Button* button)
{
    const bool haveSongs = ! timeline->songs.empty();

    if (button == playButton)
    {
        if (! haveSongs)
            return;

        const bool anythingPlays =
            (filePlayer != nullptr && filePlayer->isPlaying()) || (filePlayerB != nullptr && filePlayerB->isPlaying());
        if (anythingPlays)
        {
            RaTracks::stop (fadeTime);
            playButton->setButtonText ("Play");
        }
        else
        {
            if (filePlayer != nullptr)
                filePlayer->play (fadeTime);
            if (filePlayerB != nullptr)
                filePlayerB->play (fadeTime);
            // Without a loaded track nothing starts, and the button says so.
            const bool nowPlaying = filePlayer != nullptr && filePlayer->isPlaying();
            playButton->setButtonText (nowPlaying ? "Pause" : "Play");
        }
    }
    else if (button == nextButton)
    {
        if (haveSongs)
            timeline->highlightNextSong (true, setPlayImmediate != 0);
    }
    else if (button == previousButton)
    {
        if (haveSongs)
            timeline->highlightPreviousSong (true, setPlayImmediate != 0);
    }
    else if (button == gridButton)
    {
        bool grid = gridButton->getToggleState();
        if (timeline->setId != -1)
        {
            // The layout shown is the one saved with the show.
            SetModel show (timeline->setId);
            show.setIntField ("Type", grid ? 1 : 0);
            grid = show.getIntField ("Type") == 1;
            gridButton->setToggleState (grid, juce::dontSendNotification);
        }
        timeline->gridMode = grid;
        timeline->doRedraw (false);
        timeline->repaint();
    }
    else if (button == colourButton)
    {
        timeline->cycleSelectedColour();
    }
}

void SetTimelineHolder::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source != filePlayer || filePlayer == nullptr)
        return;

    const bool playing = filePlayer->isPlaying();
    if (playButton->getToggleState() != playing)
        playButton->setButtonText (playing ? "Pause" : "Play");
    playButton->setToggleState (playing, juce::dontSendNotification);
}

//==============================================================================
SetMemoPanel::SetMemoPanel (SetTimeline* showTimeline)
    : ColouredBox ("SetMemoPanel", darkestColour),
      timeline (showTimeline)
{
    summaryLabel.setFont (raFont (largeFontSz));
    summaryLabel.setColour (juce::Label::textColourId, complementColour);
    summaryLabel.setJustificationType (juce::Justification::topLeft);
    summaryLabel.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (summaryLabel);

    memoLabel.setFont (raFont (memoFontSz).boldened());
    memoLabel.setJustificationType (juce::Justification::centred);
    memoLabel.setMinimumHorizontalScale (0.75f);
    memoLabel.setColour (juce::Label::textColourId, textColour);
    memoLabel.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (memoLabel);

    clockLabel.setFont (raFont (clockFontSz).boldened());
    clockLabel.setColour (juce::Label::textColourId, complementColour);
    clockLabel.setJustificationType (juce::Justification::centredRight);
    clockLabel.setInterceptsMouseClicks (false, false);
    addAndMakeVisible (clockLabel);

    loopIcon = EmbeddedImages::getDrawable ("looping_png");
    largeFontHeight = (int) std::ceil (raFont (largeFontSz).getHeight());
    clockFontHeight = (int) std::ceil (raFont (clockFontSz).boldened().getHeight());

    playerMemoDisplay = this;
    updateSummaryLbl();
    startTimer (memoTimerMs);
}

SetMemoPanel::~SetMemoPanel()
{
    stopTimer();
    if (playerMemoDisplay == this)
        playerMemoDisplay = nullptr;
}

double SetMemoPanel::secondsSinceMidnight (const juce::Time& time)
{
    return time.getHours() * 3600.0 + time.getMinutes() * 60.0 + time.getSeconds();
}

juce::String SetMemoPanel::hoursMinutesSeconds (double seconds)
{
    const auto whole = (long long) std::floor (std::max (0.0, seconds));
    return juce::String::formatted ("%d:%02d:%02d", (int) (whole / 3600), (int) ((whole / 60) % 60),
                                    (int) (whole % 60));
}

juce::String SetMemoPanel::summaryText (const juce::String& name, int numSongs, double totalLength,
                                        double showPosition, double secondsSinceMidnightNow)
{
    // The hours of the finish are not wrapped at midnight: a show ending after
    // midnight reads 24:30, not 0:30.
    const auto finish = (long long) std::floor (std::max (0.0, secondsSinceMidnightNow + totalLength - showPosition));
    juce::String text;
    text << name << " (" << numSongs << " songs)"
         << "\nTotal time: " << hoursMinutesSeconds (totalLength)
         << "\nEstimate finish: " << juce::String::formatted ("%d:%02d", (int) (finish / 3600), (int) ((finish / 60) % 60));
    return text;
}

void SetMemoPanel::setSet (int newSetId)
{
    setId = newSetId;
    showName = setId == -1 ? juce::String() : SetModel (setId).getStringField ("Name");
    updateSummaryLbl();
}

void SetMemoPanel::updateSummaryLbl()
{
    // The summary always describes the show in the timeline, even when it was
    // loaded without telling this panel.
    if (timeline != nullptr && timeline->setId != setId)
    {
        setSet (timeline->setId);
        return;
    }

    if (setId == -1)
    {
        summaryLabel.setText ({}, juce::dontSendNotification);
        if (memoLabel.getText() != "- no show loaded -")
            setMemoLbl ("- no show loaded -");
        return;
    }

    const int numSongs = timeline != nullptr ? (int) timeline->songs.size() : 0;
    const double total = timeline != nullptr ? timeline->totalLength : 0.0;
    const double position = timeline != nullptr ? timeline->showPosition : 0.0;
    summaryLabel.setText (summaryText (showName, numSongs, total, position,
                                       secondsSinceMidnight (juce::Time::getCurrentTime())),
                          juce::dontSendNotification);
}

void SetMemoPanel::setMemoLbl (const juce::String& text)
{
    memoLabel.setJustificationType (juce::Justification::centred);
    memoLabel.setFont (raFont (memoFontSz).boldened());

    juce::String shown = text;
    if (text.contains (leftMarker))
    {
        // Aligned columns (chords over lyrics) need a fixed-width font.
        shown = text.fromFirstOccurrenceOf (leftMarker, false, false);
        memoLabel.setJustificationType (juce::Justification::centredLeft);
        memoLabel.setFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), memoFontSz, juce::Font::plain));
    }

    // Lyrics in other scripts, symbols and emoji get a typeface that has them.
    memoLabel.setFont (fontfallback::fontFor (shown, memoLabel.getFont()));

    memoText = text;
    memoLabel.setText (shown, juce::sendNotification);
    resized();
}

void SetMemoPanel::resized()
{
    const int w = getWidth();
    const int h = getHeight();

    summaryLabel.setBounds (10, 10, w - 20, 3 * largeFontHeight + 20);

    const auto font = memoLabel.getFont();
    float widestLine = 0.0f;
    for (auto& line : juce::StringArray::fromLines (memoLabel.getText()))
        widestLine = std::max (widestLine, font.getStringWidthFloat (line));
    const int widest = (int) std::ceil (widestLine);

    const int x = widest < w - 20 ? w / 2 - widest / 2 : 10;
    memoLabel.setBounds (x, 3 * largeFontHeight + 40, std::min (widest, w - 20) + 10,
                         h - 3 * largeFontHeight - clockFontHeight - 50);

    clockLabel.setBounds (10, h - clockFontHeight - 10, w - 20, clockFontHeight);

    loopIconBounds = { (float) (getX() + 50), (float) (getY() + 50), (float) std::max (0, w - 100),
                       (float) std::max (0, h - 100) };
}

void SetMemoPanel::paint (juce::Graphics& g)
{
    ColouredBox::paint (g);
    if (showingLoop && loopIcon != nullptr)
        loopIcon->drawWithin (g, loopIconBounds, juce::RectanglePlacement::centred, 0.2f);
}

void SetMemoPanel::lookAndFeelChanged()
{
    colour = darkestColour;
    summaryLabel.setColour (juce::Label::textColourId, complementColour);
    clockLabel.setColour (juce::Label::textColourId, complementColour);
    memoLabel.setColour (juce::Label::textColourId, textColour);
    repaint();
}

void SetMemoPanel::timerCallback()
{
    updateSummaryLbl();

    const bool loopNow = filePlayer != nullptr && filePlayer->isPlaying() && filePlayer->loopOnLoad
                         && filePlayer->looping.load();
    if (loopNow != showingLoop)
    {
        showingLoop = loopNow;
        repaint();
    }

    const auto now = juce::Time::getCurrentTime();
    clockLabel.setText (juce::String::formatted ("%d:%02d:%02d", now.getHours(), now.getMinutes(), now.getSeconds()),
                        juce::dontSendNotification);
}

//==============================================================================
SetVertPanel::SetVertPanel (SetTimeline* showTimeline)
    : ColouredBox ("SetVertPanel", lighterColour),
      timeline (showTimeline)
{
    memoPanel = std::make_unique<SetMemoPanel> (showTimeline);
    addAndMakeVisible (memoPanel.get());

    layout.setItemLayout (0, -0.1, -0.8, -0.7);
    layout.setItemLayout (1, 6, 6, 6);
    layout.setItemLayout (2, -0.1, -0.8, -0.3);

    resizerBar = std::make_unique<juce::StretchableLayoutResizerBar> (&layout, 1, false);
    addAndMakeVisible (resizerBar.get());
}

SetVertPanel::~SetVertPanel()
{
    resizerBar.reset();
    memoPanel.reset();
    // The waveform editor's container, when it sits here, goes with this panel's
    // other children (ColouredBox owns its children).
}

void SetVertPanel::resized()
{
    auto* container = songLoadTarget != nullptr ? songLoadTarget->getContainer() : nullptr;
    if (container != nullptr && container->getParentComponent() == this)
    {
        juce::Component* items[] = { memoPanel.get(), resizerBar.get(), container };
        layout.layOutComponents (items, 3, 0, 0, getWidth(), getHeight(), true, true);
        resizerBar->setVisible (true);
    }
    else
    {
        // Without the editor the memo panel takes the whole height.
        resizerBar->setVisible (false);
        memoPanel->setBounds (getLocalBounds());
    }
}

void SetVertPanel::lookAndFeelChanged()
{
    colour = lighterColour;
    repaint();
}

//==============================================================================
SetPlayer::SetPlayer() : ColouredBox ("SetPlayer", lighterColour)
{
    setPlayer = this;

    holder = std::make_unique<SetTimelineHolder>();
    timeline = holder->timeline.get();
    addAndMakeVisible (holder.get());

    layout.setItemLayout (0, -0.1, -0.8, -0.4);
    layout.setItemLayout (1, 6, 6, 6);
    layout.setItemLayout (2, -0.1, -0.8, -0.6);

    resizerBar = std::make_unique<juce::StretchableLayoutResizerBar> (&layout, 1, true);
    addAndMakeVisible (resizerBar.get());

    vertPanel = std::make_unique<SetVertPanel> (timeline);
    addAndMakeVisible (vertPanel.get());
}

SetPlayer::~SetPlayer()
{
    vertPanel.reset();
    resizerBar.reset();
    timeline = nullptr;
    holder.reset();
    if (setPlayer == this)
        setPlayer = nullptr;
}

void SetPlayer::setMemoLbl (const juce::String& text)
{
    vertPanel->memoPanel->setMemoLbl (text);
}

void SetPlayer::resized()
{
    juce::Component* items[] = { holder.get(), resizerBar.get(), vertPanel.get() };
    layout.layOutComponents (items, 3, 0, 0, getWidth(), getHeight(), false, true);
}

void SetPlayer::lookAndFeelChanged()
{
    colour = lighterColour;
    repaint();
}

void SetPlayer::visibilityChanged()
{
    if (! isVisible() || songLoadTarget == nullptr)
        return;

    if (auto* container = songLoadTarget->getContainer())
    {
        container->setVisible (true);
        vertPanel->addAndMakeVisible (container);
        songLoadTarget->setPlayerMode (true);
        vertPanel->resized();
    }
}
