#include "show/SetTimeline.h"

#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/StartupSettings.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "show/SetPlayer.h"
#include "show/ShowLinks.h"
#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"
#include "ui/UserDialogs.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double maxInitialView = 1800.0; // a long show opens on its first 30 minutes
constexpr int zoomTimerMs = 50;
constexpr int blinkTimerMs = 200;
const float dropDashes[] = { 9.0f, 1.0f };

juce::String showTimeText (int seconds)
{
    return juce::String::formatted ("%d:%02d:%02d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

/** The three icons every song box draws, made once and released at shutdown. */
class LightshowIcons final : public juce::DeletedAtShutdown
{
public:
    LightshowIcons()
    {
        LightshowObj::loadIcon (autoplayImage, "next_48.png");
        LightshowObj::loadIcon (waitImage, "pause_48x.png");
        LightshowObj::loadIcon (loopImage, "refresh_48.png");
    }
    ~LightshowIcons() override { clearSingletonInstance(); }

    std::unique_ptr<juce::Drawable> autoplayImage, waitImage, loopImage;

    JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL (LightshowIcons)
};

JUCE_IMPLEMENT_SINGLETON (LightshowIcons)
} // namespace

//==============================================================================
SetTimeRuler::SetTimeRuler()
{
    setInterceptsMouseClicks (false, false);
}

void SetTimeRuler::setRange (double start, double end)
{
    if (start != rangeStart || end != rangeEnd)
    {
        rangeStart = start;
        rangeEnd = end;
        repaint();
    }
}

void SetTimeRuler::stepsFor (double rangeLength, int height, int& labelStep, int& tickStep)
{
    const double f = height > 0 ? 75.0 * rangeLength / height : 1.0e9;
    if (f > 600.0)
        labelStep = 600, tickStep = 300;
    else if (f > 300.0)
        labelStep = 300, tickStep = 60;
    else if (f > 60.0)
        labelStep = 60, tickStep = 30;
    else if (f > 30.0)
        labelStep = 30, tickStep = 10;
    else if (f > 10.0)
        labelStep = 10, tickStep = 5;
    else
        labelStep = 5, tickStep = 1;
}

void SetTimeRuler::paint (juce::Graphics& g)
{
    g.fillAll (darkestColour);

    const double length = rangeEnd - rangeStart;
    const int h = getHeight();
    const int w = getWidth();
    if (length <= 0.0 || h <= 0)
        return;

    int labelStep = 0, tickStep = 0;
    stepsFor (length, h, labelStep, tickStep);
    const double pixelsPerSecond = h / length;

    g.setColour (textColour.withAlpha ((juce::uint8) 0xbf));
    for (auto t = (long long) std::ceil (rangeStart / tickStep) * tickStep; t <= rangeEnd; t += tickStep)
    {
        const auto y = (float) ((t - rangeStart) * pixelsPerSecond);
        g.drawLine ((float) (w - 8), y, (float) w, y, 1.0f);
    }

    g.setFont (raFont (smallFontSz));
    auto first = (long long) std::floor (rangeStart / labelStep) * labelStep + labelStep;
    for (auto t = first; t <= rangeEnd; t += labelStep)
    {
        const int y = (int) ((t - rangeStart) * pixelsPerSecond);
        g.drawText (showTimeText ((int) t), 2, y - 10, w - 8, 20, juce::Justification::centredLeft, false);
    }
}

//==============================================================================
StopConfirm::StopConfirm (juce::String text) : ColouredBox ("StopConfirm", mainColour)
{
    label.setText (text, juce::dontSendNotification);
    label.setFont (raFont (largeFontSz));
    label.setJustificationType (juce::Justification::centred);
    label.setColour (juce::Label::textColourId, textColour);
    addAndMakeVisible (label);
}

StopConfirm::~StopConfirm() = default;

void StopConfirm::paint (juce::Graphics& g)
{
    ColouredBox::paint (g);
    // A 1-pixel bevel: light on the top and left edges, dark on the others.
    const int w = getWidth(), h = getHeight();
    g.setColour (juce::Colours::white);
    g.drawHorizontalLine (0, 0.0f, (float) w);
    g.drawVerticalLine (0, 0.0f, (float) h);
    g.setColour (juce::Colours::black);
    g.drawHorizontalLine (h - 1, 0.0f, (float) w);
    g.drawVerticalLine (w - 1, 0.0f, (float) h);
}

void StopConfirm::resized()
{
    label.setBounds (getLocalBounds().reduced (10));
}

//==============================================================================
LightshowObj::LightshowObj()
{
    setInterceptsMouseClicks (false, false);
    LightshowIcons::getInstance();
    titleFontHeight = raFont (defFontSz).getHeight();
}

LightshowObj::~LightshowObj()
{
    stopTimer();
}

void LightshowObj::loadIcon (std::unique_ptr<juce::Drawable>& icon, juce::String name)
{
    icon = EmbeddedImages::getDrawable (name.replaceCharacter ('.', '_'));
}

void LightshowObj::saveToDb()
{
    SetElementModel row (elementId);
    row.setIntField ("PlayOrder", (int) playOrder);
    row.setIntField ("Colour", colour);
}

void LightshowObj::timerCallback()
{
    blink = ! blink;
    // Only the loop icon of a playing song whose loop was switched off blinks.
    if (playing && loop && filePlayer != nullptr && ! filePlayer->looping.load())
        repaint();
}

void LightshowObj::paint (juce::Graphics& g)
{
    if (getHeight() < 3)
        return;

    const int w = getWidth();
    const int h = getHeight() - 2;

    juce::Colour fill = complementColour;
    switch (colour)
    {
        case 1: fill = colourOne; break;
        case 2: fill = colourTwo; break;
        case 3: fill = colourThree; break;
        case 4: fill = colourFour; break;
        default: break;
    }

    const juce::Rectangle<float> area (1.0f, 1.0f, (float) (w - 2), (float) (h - 2));
    if (selected)
    {
        g.setColour (fill);
        g.fillRoundedRectangle (area, 3.0f);
        g.setColour (textColour);
        g.drawRoundedRectangle (area, 3.0f, 1.0f);
    }
    else
    {
        g.setColour (fill.withAlpha ((juce::uint8) 0xb2));
        g.fillRoundedRectangle (area, 3.0f);
    }

    // A song whose backing or click track will not play is marked like a missing file.
    const bool marked = !fileExists || !backingReadable || clickProblem.isNotEmpty();
    g.setColour (marked ? juce::Colours::red : textColour);

    if (! gridMode && h > 2.0f * titleFontHeight + 2.0f)
    {
        g.setFont (raFont (defFontSz));
        g.drawText (folder, 8, 0, w - 16, h / 2 - 1, juce::Justification::centredBottom, true);
        g.drawText (title, 8, h / 2, w - 16, h / 2 + 1, juce::Justification::centredTop, true);
    }
    else
    {
        g.setFont (raFont (smallFontSz));
        g.drawFittedText (title, 8, 0, w - 16, h, juce::Justification::centred, 2);
    }

    if (! gridMode)
    {
        auto& icons = *LightshowIcons::getInstance();
        auto drawIcon = [&g] (juce::Drawable* icon, int x, int y, float opacity)
        {
            g.setColour (mainColour);
            g.fillRoundedRectangle ((float) x, (float) y, 24.0f, 24.0f, 4.0f);
            if (icon != nullptr)
                icon->drawWithin (g, { (float) x, (float) y, 24.0f, 24.0f }, juce::RectanglePlacement::centred,
                                  opacity);
        };

        drawIcon (autoStart ? icons.autoplayImage.get() : icons.waitImage.get(), 4, h - 28, 1.0f);

        float loopOpacity = loop ? 1.0f : 0.15f;
        if (playing && loop && filePlayer != nullptr && ! filePlayer->looping.load())
            loopOpacity = blink ? 1.0f : 0.15f;
        drawIcon (icons.loopImage.get(), w - 28, h - 28, loopOpacity);
    }

    if (playing && duration > 0.0)
    {
        const auto y = (float) (h * position / duration);
        g.setColour (juce::Colours::yellow);
        g.drawDashedLine ({ 0.0f, y, (float) w, y }, dropDashes, 2, 3.0f);
    }
}

//==============================================================================
SetTimeline::SetTimeline() : ColouredBox ("SetTimeline", darkestColour)
{
    rulerWidth = (int) std::ceil (raFont (smallFontSz).getStringWidthFloat ("88:88:88")) + 6;

    ruler = std::make_unique<SetTimeRuler>();
    ruler->setRange (0.0, 600.0);
    addAndMakeVisible (ruler.get());

    if (auto* settings = userSettings())
        autoZoom = settings->getBoolValue ("autoZoom", false);

    runPopupMenu = [] (juce::PopupMenu& menu) { return menu.show(); };

    setWantsKeyboardFocus (true);
    addKeyListener (this);
    if (filePlayer != nullptr)
    {
        listenedPlayer = filePlayer;
        filePlayer->addChangeListener (this);
    }
    startTimer (zoomTimerMs);
}

SetTimeline::~SetTimeline()
{
    stopTimer();
    // A player clears its global when it goes, so only a living one is told.
    if (listenedPlayer != nullptr && listenedPlayer == filePlayer)
        filePlayer->removeChangeListener (this);
    removeKeyListener (this);
    animator.cancelAllAnimations (false);
    songs.clear();
    ruler.reset();
}

//==============================================================================
void SetTimeline::readSong (LightshowObj& box, int elementId)
{
    SetElementModel element (elementId);
    box.elementId = elementId;
    box.lightShowId = element.getIntField ("LightShowID");
    // The current schema keeps no Note column in SetElements, so a song's note stays empty.
    box.note = {};

    LightShowModel lightShow (box.lightShowId);
    box.lightShowName = lightShow.getStringField ("Name");
    box.audioFileId = lightShow.getIntField ("AudioFileID");
    box.trimStart = lightShow.getFloatField ("TrimStart");
    box.trimEnd = lightShow.getFloatField ("TrimEnd");

    AudioFileModel track (box.audioFileId);
    box.title = track.getStringField ("Name");
    if (box.lightShowName != "Default lightshow")
        box.title << " (" << box.lightShowName << ")";
    box.folder = track.getFolder();
    box.audioPath = track.getFullPath();
    box.fileExists = track.fileExists();

    const int clickId = track.getClickTrackID();
    box.clickPath = clickId > 0 ? AudioFileModel (clickId).getFullPath() : juce::String();

    double length = track.getFloatField ("LengthSecs");
    if (length == 0.0)
        length = track.calcLengthSecs();
    // Trims longer than the track leave an empty song, not a negative one.
    box.duration = std::max (0.0, length - box.trimStart - box.trimEnd);

    box.autoStart = element.getIntField ("AutoStart") == 1;
    box.loop = element.getIntField ("Loop") == 1;
    box.playOrder = element.getFloatField ("PlayOrder");
    box.colour = element.getIntField ("Colour");
    box.position = 0.0;
}

void SetTimeline::refreshFromDb (bool resetView)
{
    animator.cancelAllAnimations (false);
    songs.clear();

    if (setId == -1)
    {
        doRedraw (false);
        repaint();
        return;
    }

    SetModel set (setId);
    const bool grid = set.getIntField ("Type") == 1;
    if (gridButton != nullptr)
        gridButton->setToggleState (grid, juce::sendNotification);
    else
        gridMode = grid;

    for (auto& element : set.getSetElements())
    {
        auto box = std::make_unique<LightshowObj>();
        box->setId = setId;
        readSong (*box, element.id);
        box->gridMode = gridMode;
        box->startTimer (blinkTimerMs);
        addAndMakeVisible (box.get());
        songs.push_back (std::move (box));
    }

    // The player keeps its song across a rebuild; so does its box.
    if (currentIndex >= 0 && currentIndex < (int) songs.size())
        songs[(size_t) currentIndex]->current = true;

    totalLength = 0.0;
    for (auto& song : songs)
        totalLength += song->duration;
    if (songs.empty() || totalLength <= 0.0)
        totalLength = 30.0;

    if (resetView || totalLength < maxInitialView)
        setView (0.0, std::min (totalLength, maxInitialView));

    applyTrackChecks();
    updateSelectionRange();
    ruler->setRange (viewStart, viewEnd);
    doRedraw (false);
    repaint();
}

void SetTimeline::preloadTracks()
{
    std::vector<juce::String> paths, clickPaths;
    std::vector<double> starts, ends;
    for (auto& song : songs)
    {
        paths.push_back (song->audioPath);
        clickPaths.push_back (song->clickPath);
        starts.push_back (song->trimStart);
        ends.push_back (song->trimEnd);
    }

    if (filePlayer != nullptr)
        filePlayer->preloadAudioFiles (paths, starts, ends);
    if (filePlayerB != nullptr)
        filePlayerB->preloadAudioFiles (clickPaths, starts, ends);

    // A file that is there but gave no playable track could not be read.
    auto unreadable = [] (FilePlayerProcessor* player, const juce::String& path, double trimStart, double trimEnd)
    {
        if (player == nullptr || path.isEmpty() || !juce::File (path).existsAsFile())
            return false;
        auto* transport = player->getTransport (FilePlayerProcessor::sourceKey (path, trimStart, trimEnd));
        return transport == nullptr || transport->getTotalLength() <= 0;
    };

    unreadableBacking.clear();
    unreadableClick.clear();
    for (auto& song : songs)
    {
        if (unreadable (filePlayer, song->audioPath, song->trimStart, song->trimEnd))
            unreadableBacking.addIfNotAlreadyThere (song->audioPath);
        if (unreadable (filePlayerB, song->clickPath, song->trimStart, song->trimEnd))
            unreadableClick.addIfNotAlreadyThere (song->clickPath);
    }
    applyTrackChecks();
}

void SetTimeline::applyTrackChecks()
{
    for (auto& song : songs)
    {
        song->backingReadable = !unreadableBacking.contains (song->audioPath);
        song->clickProblem = {};
        if (song->clickPath.isNotEmpty())
        {
            if (!juce::File (song->clickPath).existsAsFile())
                song->clickProblem = "missing";
            else if (unreadableClick.contains (song->clickPath))
                song->clickProblem = "cannot be read";
        }
    }
}

void SetTimeline::reportTrackProblems()
{
    juce::StringArray lines;
    auto add = [this, &lines] (const juce::String& line)
    {
        if (!reportedProblems.contains (line))
        {
            reportedProblems.add (line);
            lines.add (line);
        }
    };

    for (auto& song : songs)
    {
        const auto name = "\"" + song->folder + " - " + song->title + "\"";
        const auto backingName = juce::File (song->audioPath).getFileName();
        // A missing backing track is marked and offered to be located when its song is loaded.
        if (song->fileExists && !song->backingReadable)
            add (name + ": the backing track \"" + backingName +
                 "\" cannot be read (it is damaged or not an audio file). The song is skipped.");

        if (song->clickProblem.isNotEmpty())
            add (name + ": the click track \"" + juce::File (song->clickPath).getFileName() + "\" is " +
                 song->clickProblem + ". The backing track plays without it.");
    }

    if (!lines.isEmpty())
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Some songs will not play as they should",
                                      lines.joinIntoString ("\n\n"));
}

void SetTimeline::queueNextSong (int index)
{
    if (filePlayer == nullptr || filePlayerB == nullptr)
        return;
    filePlayer->cancelFollowOn();
    filePlayerB->cancelFollowOn();

    // An AutoStart song goes on into the next one on the audio thread, in the
    // block after it ends; the end is then announced as before and the next song
    // is made current without restarting its tracks.
    if (index < 0 || index >= (int)songs.size() || !songs[(size_t)index]->autoStart)
        return;
    const int next = loadableFrom (index + 1, 1, true);
    if (next == -1 || !songs[(size_t)next]->fileExists)
        return; // a missing track is offered to be located when its song loads

    auto& song = *songs[(size_t)next];
    filePlayer->queueFollowOn (song.audioPath, song.trimStart, song.trimEnd, song.loop);
    filePlayerB->queueFollowOn (song.clickPath, song.trimStart, song.trimEnd, song.loop);
}

bool SetTimeline::canLoad (int index) const
{
    return index >= 0 && index < (int)songs.size() && songs[(size_t)index]->backingReadable;
}

int SetTimeline::loadableFrom (int from, int step, bool wrap) const
{
    const int n = (int)songs.size();
    for (int k = 0; k < n; ++k)
    {
        int i = from + k * step;
        if (wrap)
            i = ((i % n) + n) % n;
        else if (i < 0 || i >= n)
            return -1;
        if (canLoad (i))
            return i;
    }
    return -1;
}

void SetTimeline::loadSet (int newSetId, bool keepView)
{
    bool remembered = false;
    int rememberedIndex = -1;
    double rememberedStart = 0.0, rememberedEnd = 0.0;
    if (keepView && viewEnd > viewStart)
    {
        remembered = true;
        rememberedIndex = currentIndex;
        rememberedStart = std::trunc (viewStart);
        rememberedEnd = std::trunc (viewEnd);
    }

    if (newSetId != setId)
        reportedProblems.clear();
    setId = newSetId;
    pendingIndex = -1;
    pendingPlay = false;
    refreshFromDb (true);
    preloadTracks();
    reportTrackProblems();

    if (! songs.empty())
    {
        int index = remembered && rememberedIndex != -1 ? rememberedIndex : 0;
        if (index < 0 || index >= (int) songs.size())
            index = 0;
        index = loadableFrom (index, 1, true);
        if (index != -1)
        {
            loadSong ((unsigned)index, true, false, songs[(size_t)index]->loop);
            if (index < (int)songs.size())
                songs[(size_t)index]->selected = true;
        }
        updateSelectionRange();
    }

    if (remembered && rememberedEnd > rememberedStart)
    {
        setView (rememberedStart, rememberedEnd);
        ruler->setRange (viewStart, viewEnd);
        doRedraw (false);
    }
    repaint();
}

void SetTimeline::loadSong (unsigned index, bool force, bool playNow, bool loop)
{
    if (index >= songs.size() || (! force && (int) index == currentIndex))
        return;

    // A song whose backing track cannot be read is never made current: its click
    // would play alone.
    if (!canLoad ((int)index))
        return;

    for (auto& song : songs)
        song->selected = song->current = song->playing = false;

    auto& db = *RaDatabase::getInstance();
    db.holdNotifications();

    [&]
    {
        auto* box = songs[index].get();
        if (! box->fileExists)
        {
            AudioFileModel track (box->audioFileId);
            if (! track.checkFileExists())
            {
                // Not located: the show stays loaded with the song marked and
                // highlighted, so that Next goes on with the song after it.
                box->selected = true;
                if (currentIndex >= 0 && currentIndex < (int)songs.size())
                    songs[(size_t)currentIndex]->current = true;
                updateSelectionRange();
                repaint();
                return;
            }

            // The file was found again: rebuild the boxes and preload the show
            // again, since its track could not be preloaded while it was missing.
            refreshFromDb (false);
            preloadTracks();
            if (index >= songs.size())
                return;
            for (auto& song : songs)
                song->current = false;
            box = songs[index].get();
        }

        box->selected = box->current = true;
        currentIndex = (int) index;
        updateSelectionRange();

        if (songLoadTarget != nullptr)
            songLoadTarget->loadLightShow (-1, false);

        if (filePlayer != nullptr)
            filePlayer->loadFile (box->audioPath, box->trimStart, box->trimEnd, loop);
        if (filePlayerB != nullptr)
        {
            // Without a backing track the click never plays alone.
            const bool backingLoaded = filePlayer == nullptr || filePlayer->hasTransport();
            filePlayerB->loadFile (backingLoaded ? box->clickPath : juce::String(), box->trimStart, box->trimEnd, loop);
        }

        if (setPlayer != nullptr)
            setPlayer->setMemoLbl (box->folder + "\n" + box->title);

        if (songLoadTarget != nullptr)
        {
            songLoadTarget->loadAudioFile (box->audioFileId);
            songLoadTarget->loadLightShow (box->lightShowId, false);
        }

        if (playNow)
        {
            if (filePlayer != nullptr)
                filePlayer->play (0.0);
            if (filePlayerB != nullptr)
                filePlayerB->play (0.0);
        }

        queueNextSong ((int)index);

        if (autoZoom)
            zoomToSong ((int) index);

        showPosition = songStart ((int) index);
        repaint();
    }();

    db.releaseNotifications();
}

//==============================================================================
double SetTimeline::songStart (int index) const
{
    double start = 0.0;
    for (int i = 0; i < index && i < (int) songs.size(); ++i)
        start += songs[(size_t) i]->duration;
    return start;
}

void SetTimeline::setView (double start, double end)
{
    viewStart = start;
    viewEnd = end;
    viewLength = viewEnd - viewStart;
}

void SetTimeline::zoomToSong (int index)
{
    if (index < 0 || index >= (int) songs.size())
        return;

    const double s = songStart (index);
    const double d = songs[(size_t) index]->duration;
    zoomTargetStart = std::max (0.0, s - 2.0 * d);
    zoomTargetEnd = std::min (zoomTargetStart + 5.0 * d, totalLength);
    zooming = true;
}

void SetTimeline::timerCallback()
{
    if (! zooming || gridMode)
        return;

    viewStart += (zoomTargetStart - viewStart) / 2.0;
    viewEnd += (zoomTargetEnd - viewEnd) / 2.0;
    if (std::abs (zoomTargetStart - viewStart) < 0.01 && std::abs (zoomTargetEnd - viewEnd) < 0.01)
    {
        viewStart = zoomTargetStart;
        viewEnd = zoomTargetEnd;
        zooming = false;
    }
    viewLength = viewEnd - viewStart;
    ruler->setRange (viewStart, viewEnd);
    doRedraw (false);
    repaint();
}

void SetTimeline::updateSelectionRange()
{
    firstSelected = lastSelected = -1;
    for (int i = 0; i < (int) songs.size(); ++i)
    {
        if (songs[(size_t) i]->selected)
        {
            if (firstSelected == -1)
                firstSelected = i;
            lastSelected = i;
        }
    }
}

bool SetTimeline::hasSelection() const
{
    return std::any_of (songs.begin(), songs.end(), [] (auto& s) { return s->selected; });
}

//==============================================================================
void SetTimeline::requestSong (int index, bool playNow)
{
    if (!canLoad (index))
        return;

    RaTracks::stop (fadeTime);
    pendingIndex = index;
    pendingPlay = playNow;
    loadPendingIfIdle();
}

void SetTimeline::loadPendingIfIdle()
{
    // Without a loaded backing track no stop can complete, so no stopped event
    // would ever come: load the chosen song now instead of waiting for one.
    if (pendingIndex != -1 && (filePlayer == nullptr || ! filePlayer->hasTransport()))
        takePending();
}

void SetTimeline::takePending()
{
    const int index = pendingIndex;
    const bool play = pendingPlay;
    pendingIndex = -1;
    pendingPlay = false;
    if (index >= 0 && index < (int) songs.size())
        loadSong ((unsigned) index, false, play, songs[(size_t) index]->loop);
}

void SetTimeline::highlightNextSong (bool activate, bool playNow)
{
    if (songs.empty())
        return;

    const int last = (int) songs.size() - 1;
    int target = last;
    for (int i = 0; i < last; ++i)
    {
        if (songs[(size_t) i]->selected)
        {
            songs[(size_t) i]->selected = false;
            target = i + 1;
        }
    }
    // Songs that cannot be loaded are passed over.
    if (auto loadable = loadableFrom (target, 1, false); loadable != -1)
        target = loadable;
    songs[(size_t) target]->selected = true;
    updateSelectionRange();

    if (autoZoom)
    {
        zoomToSong (target);
    }
    else
    {
        const double end = songStart (target) + songs[(size_t) target]->duration;
        if (end > viewEnd)
            setView (end - viewLength, end);
    }

    showHighlight (activate, playNow);
}

void SetTimeline::highlightPreviousSong (bool activate, bool playNow)
{
    if (songs.empty())
        return;

    int target = 0;
    for (int i = (int) songs.size() - 1; i > 0; --i)
    {
        if (songs[(size_t) i]->selected)
        {
            songs[(size_t) i]->selected = false;
            target = i - 1;
        }
    }
    if (auto loadable = loadableFrom (target, -1, false); loadable != -1)
        target = loadable;
    songs[(size_t) target]->selected = true;
    updateSelectionRange();

    if (autoZoom)
    {
        zoomToSong (target);
    }
    else
    {
        const double start = songStart (target);
        if (start < viewStart)
            setView (start, start + viewLength);
    }

    showHighlight (activate, playNow);
}

void SetTimeline::showHighlight (bool activate, bool playNow)
{
    ruler->setRange (viewStart, viewEnd);
    doRedraw (false);
    repaint();

    if (! activate)
        return;

    // A highlighted song other than the current one is loaded once the current one has faded out.
    for (int i = 0; i < (int) songs.size(); ++i)
    {
        if (songs[(size_t)i]->selected && i != currentIndex && canLoad (i))
        {
            RaTracks::stop (fadeTime);
            pendingIndex = i;
            pendingPlay = playNow;
        }
    }
    loadPendingIfIdle();
}

void SetTimeline::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source != filePlayer || filePlayer == nullptr || setPlayer == nullptr || ! setPlayer->isVisible())
        return;

    switch (filePlayer->lastEvent)
    {
        case PlayerEvent::stopped:
            if (! filePlayer->isPlaying() && pendingIndex != -1)
                takePending();
            break;

        case PlayerEvent::reachedEnd:
            if (currentIndex >= 0 && currentIndex < (int) songs.size())
            {
                const int finished = currentIndex;
                const int next = loadableFrom (finished + 1, 1, true);
                if (next != -1)
                    loadSong ((unsigned)next, true, songs[(size_t)finished]->autoStart, songs[(size_t)next]->loop);
            }
            break;

        case PlayerEvent::tick:
            if (currentIndex >= 0 && currentIndex < (int) songs.size())
            {
                auto& box = *songs[(size_t) currentIndex];
                box.position = std::max (0.0, filePlayer->getCurrentPosition() - filePlayer->outputLatency);
                box.playing = filePlayer->isPlaying();
                box.repaint();
                showPosition = songStart (currentIndex) + box.position;
                if (! autoZoom)
                    ruler->setRange (viewStart, viewEnd);
                doRedraw (false);
            }
            break;

        case PlayerEvent::slowTick:
            repaint();
            break;

        default:
            break;
    }
}

//==============================================================================
void SetTimeline::sortAndRenumber()
{
    auto* currentBox = currentIndex >= 0 && currentIndex < (int) songs.size() ? songs[(size_t) currentIndex].get()
                                                                               : nullptr;
    auto* pendingBox = pendingIndex >= 0 && pendingIndex < (int) songs.size() ? songs[(size_t) pendingIndex].get()
                                                                               : nullptr;

    std::stable_sort (songs.begin(), songs.end(), [] (auto& a, auto& b) { return a->playOrder < b->playOrder; });

    for (int i = 0; i < (int) songs.size(); ++i)
    {
        auto* box = songs[(size_t) i].get();
        box->playOrder = (float) i;
        if (box == currentBox)
            currentIndex = i;
        if (box == pendingBox)
            pendingIndex = i;
    }
}

void SetTimeline::moveSong (int from, int to)
{
    if (from < 0 || from >= (int) songs.size() || to < 0 || to >= (int) songs.size() || from == to)
        return;

    for (int i = 0; i < (int) songs.size(); ++i)
        songs[(size_t) i]->playOrder = (float) i;

    auto& box = *songs[(size_t) from];
    box.playOrder = box.playOrder > (float) to ? (float) to - 0.5f : (float) to + 0.5f;
    sortAndRenumber();
}

bool SetTimeline::moveSelectedUp()
{
    if (songs.empty() || songs.front()->selected)
        return false;

    bool any = false;
    for (int k = 1; k < (int) songs.size(); ++k)
    {
        if (songs[(size_t) k]->selected)
        {
            moveSong (k, k - 1);
            any = true;
            if (autoZoom)
                zoomToSong (k - 1);
        }
    }
    if (! any)
        return false;

    updateSelectionRange();
    doRedraw (true);
    saveAllToDb();
    return true;
}

bool SetTimeline::moveSelectedDown()
{
    if (songs.empty() || songs.back()->selected)
        return false;

    bool any = false;
    for (int k = (int) songs.size() - 2; k >= 0; --k)
    {
        if (songs[(size_t) k]->selected)
        {
            moveSong (k, k + 1);
            any = true;
            if (autoZoom)
                zoomToSong (k + 1);
        }
    }
    if (! any)
        return false;

    updateSelectionRange();
    doRedraw (true);
    saveAllToDb();
    return true;
}

void SetTimeline::cycleSelectedColour()
{
    if (lastSelected < 0)
        updateSelectionRange();

    int last = -1;
    for (int i = 0; i < (int) songs.size(); ++i)
        if (songs[(size_t) i]->selected)
            last = i;
    if (last == -1)
        return;

    const int c = songs[(size_t) last]->colour;
    const int next = c < 4 ? c + 1 : 0;
    for (auto& song : songs)
    {
        if (song->selected)
        {
            song->colour = next;
            song->saveToDb();
            song->repaint();
        }
    }
    doRedraw (false);
    repaint();
}

void SetTimeline::saveAllToDb()
{
    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Set Edited");
    for (int i = 0; i < (int) songs.size(); ++i)
    {
        songs[(size_t) i]->playOrder = (float) i;
        songs[(size_t) i]->saveToDb();
    }
    db.endTransaction();
}

void SetTimeline::deleteSetElement()
{
    if (! hasSelection())
        return;

    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::NoIcon, "Delete...",
                                         "Do you want to delete the selected songs from this show?", "Yes", "No"))
        return;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Delete Songs From Set");

    auto* currentBox = currentIndex >= 0 && currentIndex < (int) songs.size() ? songs[(size_t) currentIndex].get()
                                                                               : nullptr;
    for (auto& song : songs)
        if (song->selected)
            db.execDML (formatSql ("DELETE FROM SetElements WHERE SetElementID=%d", { song->elementId }));

    // The deleted songs leave the list before the running order is written, so
    // the remaining ones are numbered 0, 1, 2 ... without gaps.
    animator.cancelAllAnimations (false);
    songs.erase (std::remove_if (songs.begin(), songs.end(), [] (auto& s) { return s->selected; }), songs.end());
    currentIndex = -1;
    for (int i = 0; i < (int) songs.size(); ++i)
        if (songs[(size_t) i].get() == currentBox)
            currentIndex = i;
    pendingIndex = -1;
    pendingPlay = false;
    anchorIndex = -1;

    saveAllToDb();
    refreshFromDb (false);
    db.endTransaction();
}

//==============================================================================
void SetTimeline::addTracks (const juce::Array<int>& trackIds)
{
    if (setId == -1)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "No show loaded",
                                      "Select a show in the 'Show Library' first.");
        return;
    }

    SetModel set (setId);
    int added = 0;
    for (auto trackId : trackIds)
    {
        auto lightShows = AudioFileModel (trackId).getLightShows();
        if (lightShows.empty())
            continue;

        int chosen = -1;
        if (lightShows.size() == 1)
        {
            chosen = lightShows.front().id;
        }
        else
        {
            juce::PopupMenu menu;
            menu.addItem (1, "Choose a light show...", false);
            for (size_t k = 0; k < lightShows.size(); ++k)
                menu.addItem ((int) k + 2, lightShows[k].getStringField ("Name"));
            const int result = runPopupMenu != nullptr ? runPopupMenu (menu) : 0;
            if (result >= 2 && result - 2 < (int) lightShows.size())
                chosen = lightShows[(size_t) (result - 2)].id;
        }

        // Each goes in after the one before it, so the show plays the dropped
        // tracks in the order they were selected.
        if (chosen != -1)
        {
            set.addSetElement (chosen, insertIndex + added, false, false, 0);
            ++added;
        }
    }

    // Songs inserted above the current one push it down: the reload keeps the
    // same song current instead of whichever now sits at its old place.
    if (currentIndex >= 0 && insertIndex <= currentIndex)
        currentIndex += added;

    loadSet (setId, true);
}

bool SetTimeline::isInterestedInDragSource (const SourceDetails& details)
{
    return details.description.toString() == "Song";
}

void SetTimeline::itemDragEnter (const SourceDetails& details)
{
    dragHover = true;
    updateDropPosition (details.localPosition);
    repaint();
}

void SetTimeline::itemDragMove (const SourceDetails& details)
{
    updateDropPosition (details.localPosition);
    repaint();
}

void SetTimeline::itemDragExit (const SourceDetails&)
{
    dragHover = false;
    repaint();
}

void SetTimeline::itemDropped (const SourceDetails& details)
{
    dragHover = false;
    updateDropPosition (details.localPosition);
    repaint();

    if (setId == -1)
    {
        addTracks ({});
        return;
    }

    addTracks (selectedTracksProvider != nullptr ? selectedTracksProvider() : juce::Array<int>());
}

void SetTimeline::updateDropPosition (juce::Point<int> p)
{
    if (songs.empty())
    {
        insertIndex = 0;
        return;
    }

    auto placeAt = [this] (int index, bool after)
    {
        const auto b = boxBounds (index);
        insertIndex = after ? index + 1 : index;
        if (gridMode)
        {
            dropX = after ? b.getRight() + 4 : b.getX() - 4;
            dropY = b.getY();
            dropLength = b.getHeight();
        }
        else
        {
            dropY = after ? b.getBottom() : b.getY();
            dropX = b.getX();
            dropLength = b.getWidth();
        }
    };

    const int hit = songIndexAt (p);
    if (hit < 0)
    {
        placeAt ((int) songs.size() - 1, true);
        return;
    }

    const auto b = boxBounds (hit);
    if (gridMode)
        placeAt (hit, p.x >= b.getCentreX());
    else
        placeAt (hit, p.y >= b.getCentreY());
}

//==============================================================================
juce::Rectangle<int> SetTimeline::boxBounds (int index) const
{
    auto* box = songs[(size_t) index].get();
    return animator.isAnimating (box) ? animator.getComponentDestination (box) : box->getBounds();
}

int SetTimeline::songIndexAt (juce::Point<int> p) const
{
    for (int i = 0; i < (int) songs.size(); ++i)
    {
        const auto b = boxBounds (i);
        if (b.getX() < p.x && p.x <= b.getRight() && b.getY() <= p.y && p.y <= b.getBottom())
            return i;
    }
    return -1;
}

int SetTimeline::overviewZoneLeft() const
{
    return rulerWidth + (getWidth() - rulerWidth) * 80 / 100;
}

void SetTimeline::pressAt (juce::Point<int> p, bool shift)
{
    if (! gridMode && p.x > overviewZoneLeft())
    {
        if (std::abs (p.y - overviewTop) <= 10)
        {
            dragMode = 1;
        }
        else if (std::abs (p.y - (overviewTop + overviewHeight)) <= 10)
        {
            dragMode = 2;
        }
        else if (p.y > overviewTop && p.y < overviewTop + overviewHeight)
        {
            dragMode = 3;
            dragStartViewStart = viewStart;
            dragStartY = p.y;
        }
        return;
    }

    for (int i = 0; i < (int) songs.size(); ++i)
    {
        if (! shift)
        {
            songs[(size_t) i]->selected = false;
            songs[(size_t) i]->playOrder = (float) i;
        }
    }

    const int hit = songIndexAt (p);
    if (hit >= 0)
    {
        songs[(size_t) hit]->selected = true;
        if (shift && anchorIndex >= 0 && anchorIndex < (int) songs.size())
            for (int i = std::min (anchorIndex, hit); i <= std::max (anchorIndex, hit); ++i)
                songs[(size_t) i]->selected = true;
        if (autoZoom)
            zoomToSong (hit);
        dragMode = 4;
        setMouseCursor (juce::MouseCursor::DraggingHandCursor);
        if (! shift)
            anchorIndex = hit;
    }

    updateSelectionRange();
    doRedraw (false);
    repaint();
}

void SetTimeline::dragTo (juce::Point<int> p)
{
    moved = true;
    const double h = std::max (1, getHeight());

    switch (dragMode)
    {
        case 1:
            viewStart = std::max (0.0, std::min (p.y / h * totalLength, viewEnd - 5.0));
            viewLength = viewEnd - viewStart;
            ruler->setRange (viewStart, viewEnd);
            break;

        case 2:
            viewEnd = std::min (totalLength, std::max (p.y / h * totalLength, viewStart + 5.0));
            viewLength = viewEnd - viewStart;
            ruler->setRange (viewStart, viewEnd);
            break;

        case 3:
            viewStart = std::max (0.0, std::min (dragStartViewStart + (p.y - dragStartY) / h * totalLength,
                                                 totalLength - viewLength));
            viewEnd = viewStart + viewLength;
            ruler->setRange (viewStart, viewEnd);
            break;

        case 4:
        {
            int t = -1;
            for (int i = 0; i < (int) songs.size() && t == -1; ++i)
            {
                const auto b = boxBounds (i);
                if (! songs[(size_t) i]->selected && b.getX() < p.x && p.x <= b.getRight() && b.getY() <= p.y
                    && p.y <= b.getBottom())
                    t = i;
            }

            if (t != -1 && firstSelected != -1)
            {
                const int first = firstSelected, last = lastSelected;
                if (t >= first)
                {
                    if (t != last)
                        for (int j = last; j >= first; --j)
                            moveSong (j, t + j - last);
                }
                else if (t != first)
                {
                    for (int j = first; j <= last; ++j)
                        moveSong (j, t + j - first);
                }

                insertIndex = t;
                doRedraw (true);
                updateSelectionRange();
                anchorIndex = firstSelected;
            }
            break;
        }

        default:
            break;
    }

    doRedraw (false);
    repaint();
}

void SetTimeline::releaseMouse()
{
    if (dragMode == 4 && moved)
        saveAllToDb();

    dragMode = 0;
    moved = false;
    setMouseCursor (juce::MouseCursor::NormalCursor);
    doRedraw (false);
    repaint();
}

void SetTimeline::doubleClickAt (juce::Point<int> p)
{
    for (auto& song : songs)
    {
        if (gridMode)
            break;

        const auto b = song->getBounds();
        const int x = p.x - b.getX();
        const int y = p.y - b.getY();
        const bool inIconBand = y >= b.getHeight() - 28 && y <= b.getHeight() - 5;
        if (inIconBand && x >= 4 && x <= 27)
        {
            // The icon shows what was saved: a write that failed leaves it as it was.
            SetElementModel element (song->elementId);
            element.setIntField ("AutoStart", song->autoStart ? 0 : 1);
            song->autoStart = element.getIntField ("AutoStart") == 1;
            song->repaint();
            return;
        }
        if (inIconBand && x >= b.getWidth() - 28 && x <= b.getWidth() - 5)
        {
            SetElementModel element (song->elementId);
            element.setIntField ("Loop", song->loop ? 0 : 1);
            song->loop = element.getIntField ("Loop") == 1;
            song->repaint();
            return;
        }
    }

    const int hit = songIndexAt (p);
    if (hit < 0)
        return;

    for (int i = 0; i < (int) songs.size(); ++i)
        songs[(size_t) i]->selected = i == hit;
    updateSelectionRange();

    if (hit != currentIndex)
    {
        requestSong (hit, false);
        if (autoZoom)
            zoomToSong (hit);
    }
    repaint();
}

void SetTimeline::wheelAt (juce::Point<int> p, float delta)
{
    const double d = delta;
    const double h = std::max (1, getHeight());
    const double len = viewEnd - viewStart;
    double start = viewStart, end = viewEnd;

    if (p.x < getWidth() * 9 / 10)
    {
        const double r = p.y / h;
        const double n = std::max (1.0, std::min (len - d * len / 10.0, totalLength));
        start = viewStart + r * len - r * n;
        end = viewStart + r * len + (1.0 - r) * n;
        start = std::max (0.0, std::min (start, end - 10.0));
        end = std::min (totalLength, std::max (end, start + 10.0));
    }
    else
    {
        start = std::max (0.0, std::min (viewStart + d * len / 10.0, totalLength - len));
        end = start + viewLength;
    }

    setView (start, end);
    ruler->setRange (viewStart, viewEnd);
    doRedraw (false);
    repaint();
}

void SetTimeline::mouseMove (const juce::MouseEvent& e)
{
    if (gridMode || e.x <= overviewZoneLeft())
    {
        setMouseCursor (juce::MouseCursor::NormalCursor);
        return;
    }

    if (std::abs (e.y - overviewTop) <= 10)
        setMouseCursor (juce::MouseCursor::TopEdgeResizeCursor);
    else if (std::abs (e.y - (overviewTop + overviewHeight)) <= 10)
        setMouseCursor (juce::MouseCursor::BottomEdgeResizeCursor);
    else if (e.y > overviewTop && e.y < overviewTop + overviewHeight)
        setMouseCursor (juce::MouseCursor::DraggingHandCursor);
    else
        setMouseCursor (juce::MouseCursor::NormalCursor);
}

void SetTimeline::mouseDown (const juce::MouseEvent& e)
{
    grabKeyboardFocus();
    pressAt (e.getPosition(), e.mods.isShiftDown());
}

void SetTimeline::mouseDrag (const juce::MouseEvent& e)
{
    dragTo (e.getPosition());
}

void SetTimeline::mouseUp (const juce::MouseEvent&)
{
    releaseMouse();
}

void SetTimeline::mouseDoubleClick (const juce::MouseEvent& e)
{
    doubleClickAt (e.getPosition());
}

void SetTimeline::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    wheelAt (e.getPosition(), wheel.deltaX + wheel.deltaY);
}

bool SetTimeline::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    const bool alt = key.getModifiers().isAltDown();
    const int code = key.getKeyCode();

    if (code == juce::KeyPress::returnKey)
    {
        for (int i = 0; i < (int) songs.size(); ++i)
            if (songs[(size_t) i]->selected && i != currentIndex)
                requestSong (i, false);
        return false;
    }
    if (code == juce::KeyPress::upKey)
    {
        if (alt)
            moveSelectedUp();
        else
            highlightPreviousSong (false, false);
        return true;
    }
    if (code == juce::KeyPress::downKey)
    {
        if (alt)
            moveSelectedDown();
        else
            highlightNextSong (false, false);
        return true;
    }
    if (code == juce::KeyPress::deleteKey)
    {
        deleteSetElement();
        return false;
    }
    return false;
}

//==============================================================================
void SetTimeline::placeBox (LightshowObj& box, juce::Rectangle<int> bounds, bool animate)
{
    if (animate)
    {
        animator.animateComponent (&box, bounds, 1.0f, 150, false, 0.0, 0.0);
        return;
    }

    if (animator.isAnimating (&box))
    {
        if (animator.getComponentDestination (&box) == bounds)
            return;
        animator.cancelAnimation (&box, false);
    }
    box.setBounds (bounds);
}

void SetTimeline::doRedraw (bool animate)
{
    const int w = getWidth();
    const int h = getHeight();

    for (auto& song : songs)
        song->gridMode = gridMode;

    if (gridMode && ! songs.empty())
    {
        ruler->setVisible (false);

        const int n = (int) songs.size();
        int columns = 1;
        for (int u = 110;; u += 10)
        {
            columns = std::max (1, (int) std::ceil ((double) w / u));
            const int rows = (n + columns - 1) / columns;
            if (w <= u || (w - 8) / columns >= (h - 8) / rows)
                break;
        }

        const int rows = (n + columns - 1) / columns;
        const int cellWidth = (w - 8) / columns;
        const int cellHeight = (h - 8) / rows;
        int x = 4, y = 4;
        for (int i = 0; i < n; ++i)
        {
            placeBox (*songs[(size_t) i], { x + 4, y + 4, cellWidth - 8, cellHeight - 8 }, animate);
            x += cellWidth;
            if ((i + 1) % columns == 0)
            {
                x = 4;
                y += cellHeight;
            }
        }
        return;
    }

    ruler->setVisible (true);
    ruler->setBounds (4, 4, rulerWidth, h - 16);
    updateOverviewBand();

    const double span = std::max (viewEnd - viewStart, 0.001);
    const double p = (h - 8) / span;
    const int boxX = rulerWidth + 8;
    const int boxWidth = w - (w - rulerWidth) / 15 - 16 - rulerWidth;
    double s = 0.0;
    for (auto& song : songs)
    {
        const int top = (int) ((s - viewStart) * p);
        const int bottom = (int) ((s + song->duration - viewStart) * p);
        placeBox (*song, { boxX, top + 4, boxWidth, bottom - top }, animate);
        s += song->duration;
    }
}

void SetTimeline::updateOverviewBand()
{
    const double scale = totalLength > 0.0 ? (getHeight() - 8) / totalLength : 0.0;
    overviewTop = (int) (viewStart * scale) + 4;
    overviewHeight = (int) (viewLength * scale);
}

void SetTimeline::resized()
{
    doRedraw (false);
}

void SetTimeline::lookAndFeelChanged()
{
    colour = darkestColour;
    repaint();
}

void SetTimeline::followPlayback()
{
    if (filePlayer == nullptr || ! filePlayer->isPlaying() || autoZoom || songLoadTarget == nullptr
        || ! songLoadTarget->isFollowingPlayback())
        return;

    viewStart = std::max (0.0, showPosition - viewLength / 2.0);
    viewEnd = viewStart + viewLength;
    if (viewEnd > totalLength)
    {
        viewEnd = totalLength;
        viewStart = std::max (0.0, viewEnd - viewLength);
    }
}

void SetTimeline::paint (juce::Graphics& g)
{
    g.fillAll (darkestColour);
    followPlayback();

    const int w = getWidth();
    const int h = getHeight();
    const int stripWidth = (w - rulerWidth) / 15;

    if (! gridMode && totalLength > 0.0)
    {
        const int x = w - 4 - stripWidth;
        const double scale = (h - 8) / totalLength;
        double s = 0.0;
        for (auto& song : songs)
        {
            const auto y = (float) (4.0 + s * scale);
            const auto height = (float) std::max (2.0, song->duration * scale - 2.0);
            g.setColour (complementColour.withAlpha ((juce::uint8) (song->selected ? 0xcc : 0x80)));
            g.fillRoundedRectangle ((float) (x + 2), y, (float) (stripWidth - 4), height, 1.0f);
            s += song->duration;
        }

        updateOverviewBand();
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x40));
        g.fillRect (x, 4, stripWidth, std::max (0, overviewTop - 4));
        g.fillRect (x, overviewTop + overviewHeight, stripWidth,
                    std::max (0, h - 4 - (overviewTop + overviewHeight)));
        g.setColour (textColour.withAlpha ((juce::uint8) 0xbf));
        g.drawRect (x, overviewTop, stripWidth, overviewHeight, 1);
    }

    if (setId == -1 || songs.empty())
    {
        g.setColour (textColour);
        g.setFont (raFont (defFontSz));
        g.drawFittedText (setId == -1 ? "- no show loaded -" : "- drag tracks here -", rulerWidth + 4, 0,
                          w - rulerWidth - stripWidth - 16, h - 8, juce::Justification::centred, 2);
    }

    if (! songs.empty() && dragHover)
    {
        g.setColour (juce::Colours::yellow);
        if (gridMode)
            g.drawDashedLine ({ (float) dropX, (float) dropY, (float) dropX, (float) (dropY + dropLength) },
                              dropDashes, 2, 1.0f);
        else
            g.drawDashedLine ({ (float) (rulerWidth + 8), (float) dropY, (float) (w - 8 - stripWidth),
                                (float) dropY },
                              dropDashes, 2, 1.0f);
    }
}
