#include "editor/Timeline.h"

#include "app/Globals.h"
#include "app/ShellState.h"
#include "audio/FilePlayerProcessor.h"
#include "data/SqlText.h"
#include "lighting/VovirLink.h"
#include "show/SetTimeline.h"
#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"
#include "ui/UserDialogs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

Timeline* timeline = nullptr;
MemoDisplay* playerMemoDisplay = nullptr;
MemoDisplay* editorMemoDisplay = nullptr;

namespace
{
/** The lighting controller's banks and presets, read once per refresh. */
class ControllerNames final
{
public:
    bool hasBank (const juce::String& bank)
    {
        if (! banksRead)
        {
            for (int i = 0; i < vovirApi->getNumBanks(); ++i)
                banks.add (vovir::nameFromController (vovirApi->getBankName (i)));
            banksRead = true;
        }
        return banks.contains (bank);
    }

    bool hasPreset (const juce::String& bank, const juce::String& preset)
    {
        auto found = presets.find (bank);
        if (found == presets.end())
        {
            juce::StringArray names;
            const auto* bankBytes = bank.toRawUTF8();
            for (int i = 0; i < vovirApi->getNumPresets (bankBytes); ++i)
                names.add (vovir::nameFromController (vovirApi->getPresetName (bankBytes, i)));
            found = presets.emplace (bank, names).first;
        }
        return found->second.contains (preset);
    }

private:
    bool banksRead = false;
    juce::StringArray banks;
    std::map<juce::String, juce::StringArray> presets;
};

/** Marks the cue invalid, adding its problem line once, when the controller's
    current show lacks its bank, its preset, or (timed cues) the bank's "Off". */
void checkBankAndPreset (TimelineCue& cue, ControllerNames& names, juce::String& problems)
{
    juce::String line;

    if (! names.hasBank (cue.bankName))
        line = "*  Lighting bank '" + cue.bankName + "' does not exist.";
    else if (! names.hasPreset (cue.bankName, cue.presetName))
        line = "*  Lighting preset '" + cue.bankName + " | " + cue.presetName + "' not found.";
    else if (! cue.isPointCue() && ! names.hasPreset (cue.bankName, "Off"))
        line = "*  Lighting bank '" + cue.bankName + "' requires an 'Off' preset.";

    if (line.isEmpty())
        return;

    cue.valid = false;
    if (! problems.contains (line))
        problems += (problems.isEmpty() ? "" : "\n") + line;
}

/** A database float column, widened as the record models read it. */
double readTime (const CppSQLite3Query& row, int column)
{
    return (double) (float) row.getFloatField (column);
}

int readChunkId (const CppSQLite3Query& row, int column)
{
    const auto id = row.getIntField (column);
    return id == 0 ? -1 : id;
}
} // namespace

//==============================================================================
WaveEditor::WaveEditor()
{
    jassert (formatManager != nullptr);
    thumbnail = std::make_unique<juce::AudioThumbnail> (64, *formatManager, thumbnailCache);
    thumbnail->addChangeListener (this);

    if (filePlayer != nullptr)
    {
        filePlayer->addChangeListener (this);
        listenedPlayer = filePlayer;
    }

    refreshFromDb (true);
    startTimer (20);
}

WaveEditor::~WaveEditor()
{
    stopTimer();
    thumbnail->removeChangeListener (this);

    // The player clears its global when it goes, so only a living player is told.
    if (listenedPlayer != nullptr && listenedPlayer == filePlayer)
        filePlayer->removeChangeListener (this);

    // The memo mark goes with the (one) editor, not with static destruction after JUCE has shut down.
    midiOkImage.reset();
    clearDiamondImages();
}

//==============================================================================
int WaveEditor::timeToX (double t) const
{
    if (viewSpan <= 0)
        return 0;
    return (int) ((t - viewStart) * getWidth() / viewSpan);
}

double WaveEditor::xToTime (int x) const
{
    if (getWidth() <= 0)
        return viewStart;
    return (double) x / getWidth() * viewSpan + viewStart;
}

void WaveEditor::calcObjectPixels()
{
    const auto pixelsPerSecond = viewSpan > 0 ? getWidth() / viewSpan : 0.0;

    for (auto& obj : objects)
    {
        obj->xStart = timeToX (obj->time);
        obj->xEnd = timeToX (obj->time + obj->duration);

        if (obj->getType() == cueType)
        {
            auto& cue = static_cast<TimelineCue&> (*obj);
            cue.fadeInPx = (int) (cue.fadeIn * pixelsPerSecond);
            cue.fadeOutPx = (int) (cue.fadeOut * pixelsPerSecond);
        }
    }
}

void WaveEditor::calcAllLanes()
{
    if (playerMode)
        return;

    calcObjectPixels();

    std::vector<TimelineCue*> cues;
    for (auto& obj : objects)
    {
        if (obj->getType() != cueType)
            continue;
        auto* cue = static_cast<TimelineCue*> (obj.get());
        cue->lane = 0;
        if (cue->isPointCue())
            cue->calcLabelBox (viewStart);
        cues.push_back (cue);
    }

    // Only cues of the same kind whose spans intersect can push each other, and
    // the spans do not change while lanes are assigned: each cue's lane check
    // gets just those (in list order), which gives the same lanes as the whole
    // list in a fraction of the time.
    auto left = [] (const TimelineCue* c) { return c->isPointCue() ? c->drawnArea.x1 : (float) c->xStart; };
    auto right = [] (const TimelineCue* c) { return c->isPointCue() ? c->drawnArea.x2 : (float) c->xEnd; };

    std::vector<std::vector<size_t>> overlapping (cues.size());
    for (auto point : { true, false })
    {
        std::vector<size_t> order;
        for (size_t i = 0; i < cues.size(); ++i)
            if (cues[i]->isPointCue() == point)
                order.push_back (i);
        std::stable_sort (order.begin(), order.end(),
                          [&] (size_t a, size_t b) { return left (cues[a]) < left (cues[b]); });

        for (size_t a = 0; a < order.size(); ++a)
            for (size_t b = a + 1; b < order.size() && left (cues[order[b]]) <= right (cues[order[a]]); ++b)
            {
                overlapping[order[a]].push_back (order[b]);
                overlapping[order[b]].push_back (order[a]);
            }
    }

    std::vector<TimelineObj*> candidates;
    for (size_t i = 0; i < cues.size(); ++i)
    {
        auto& others = overlapping[i];
        std::sort (others.begin(), others.end());
        candidates.clear();
        for (auto j : others)
            candidates.push_back (cues[j]);
        cues[i]->checkLane (candidates, viewStart);
    }
}

//==============================================================================
bool WaveEditor::SideFileCache::loadNewThumb (juce::AudioThumbnailBase& thumb, juce::int64)
{
    const juce::File sideFile (mediaPath + ".vovir");
    if (mediaPath.isEmpty() || ! sideFile.existsAsFile())
        return false;

    juce::FileInputStream in (sideFile);
    return in.openedOk() && thumb.loadFrom (in);
}

//==============================================================================
void WaveEditor::setFile (const juce::String& path)
{
    thumbnailCache.clear();

    if (path.isEmpty())
    {
        // The path goes too, so that no late completion message writes a cache file for it.
        thumbnail->setSource (nullptr);
        thumbnail->clear();
        filePath.clear();
        thumbnailCache.mediaPath.clear();
        return;
    }

    filePath = path;
    const juce::File file (path);

    // A cached waveform is loaded by the cache inside setSource, before the
    // background reading would start, so the two never run at once.
    thumbnailCache.mediaPath = path;
    thumbnail->setSource (new juce::FileInputSource (file));
    thumbSavePending = ! thumbnail->isFullyLoaded();
    trackLength = thumbnail->getTotalLength();

    viewStart = 0;
    viewEnd = juce::jmin (trackLength, playerMode ? 90.0 : 30.0);
    if (playerMode)
    {
        if (trimStart > 0)
        {
            viewEnd += trimStart;
            viewStart = trimStart;
        }
        viewEnd = juce::jmin (viewEnd, trackLength - trimEnd);
    }
    viewSpan = viewEnd - viewStart;
    repaint();
}

//==============================================================================
bool WaveEditor::isShownInPanel() const
{
    for (auto* c = static_cast<const juce::Component*> (this); c != nullptr; c = c->getParentComponent())
        if (! c->isVisible())
            return false;
    return true;
}

void WaveEditor::checkLightingShow()
{
    if (vovirApi == nullptr)
        return;

    const auto wanted = LightShowModel (lightShowId).getStringField ("VovirShowName");
    if (wanted.isEmpty())
        return;

    const auto current = vovir::nameFromController (vovirApi->getCurrentShowName());
    if (wanted == current)
        return;

    bool found = wanted == "Default Show";
    for (int i = 0; ! found && i < vovirApi->getNumShows(); ++i)
        found = vovir::nameFromController (vovirApi->getShowName (i)) == wanted;

    if (found)
    {
        userDialogs().showWaitCursor (true);
        vovirApi->loadShow (wanted.toRawUTF8());
        userDialogs().showWaitCursor (false);
        return;
    }

    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, vidOrVovir + " error",
                                  "The lighting show '" + wanted + "' used by this track is missing. Please restore the "
                                  "missing show from the " + vidOrVovir + " standalone app, or edit the track and choose "
                                  "a different show.\n\nFor the moment, we will use the currently loaded show '"
                                  + current + "'");
}

void WaveEditor::showProblems (const juce::String& problems)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "Some lighting banks/presets are missing!", problems,
                                  "OK", dialogOwner());
}

void WaveEditor::addCountIns (const TimelineMemo& memo)
{
    if (memo.countIn <= 0 || bpm <= 0)
        return;

    const auto beat = 60.0 / bpm;
    const auto n = memo.countIn;

    for (int k = 0; k < n; ++k)
    {
        auto countIn = std::make_unique<TimelineCountIn>();
        countIn->time = memo.time - n * beat + k * beat;
        countIn->origTime = countIn->time;
        countIn->duration = beat;

        juce::String text;
        for (int number = n - k; number >= 1; --number)
            text << number << "    ";
        countIn->countInText = text + "\n\n" + memo.getDisplayText();

        objects.push_back (std::move (countIn));
    }
}

void WaveEditor::refreshFromDb (bool shouldResetView)
{
    std::vector<int> selectedCueIds, selectedMemoIds;
    for (auto* obj : selection)
        (dynamic_cast<TimelineCue*> (obj) != nullptr ? selectedCueIds : selectedMemoIds).push_back (obj->dbId);

    selection.clear();
    copies.clear();
    draggedObject = nullptr;
    objects.clear();

    if (lightShowId == -1)
        return;

    auto& db = *RaDatabase::getInstance();
    const LightShowModel lightShow (lightShowId);
    trimStart = lightShow.getFloatField ("TrimStart");
    trimEnd = lightShow.getFloatField ("TrimEnd");

    const auto shown = isShownInPanel();
    if (shown)
        checkLightingShow();

    ControllerNames names;
    juce::String problems;

    db.forEachRow (formatSql ("SELECT VovirCueID,CueTime,CueDuration,FadeInTime,FadeOutTime,BankName,PresetName "
                              "FROM VovirCues WHERE LightShowID=%d ORDER BY CueTime,CueDuration",
                              { lightShowId }),
                   [&] (const CppSQLite3Query& row)
                   {
                       auto cue = std::make_unique<TimelineCue>();
                       cue->lightShowId = lightShowId;
                       cue->dbId = row.getIntField (0);
                       cue->time = cue->origTime = readTime (row, 1);
                       cue->duration = readTime (row, 2);
                       cue->fadeIn = readTime (row, 3);
                       cue->fadeOut = readTime (row, 4);
                       cue->bankName = row.getStringField (5);
                       cue->presetName = row.getStringField (6);
                       cue->calcLabelWidth();
                       if (vovirApi != nullptr)
                           checkBankAndPreset (*cue, names, problems);
                       objects.push_back (std::move (cue));
                   });

    if (problems.isNotEmpty() && shown)
        showProblems (problems);

    db.forEachRow (formatSql ("SELECT ShowMemoID,MemoTime,ShortName,Memo,CountIn,StartMidiEventID,EndMidiEventID,"
                              "MemoLength FROM ShowMemos WHERE LightShowID=%d ORDER BY MemoTime",
                              { lightShowId }),
                   [&] (const CppSQLite3Query& row)
                   {
                       auto memo = std::make_unique<TimelineMemo>();
                       memo->lightShowId = lightShowId;
                       memo->dbId = row.getIntField (0);
                       memo->time = memo->origTime = readTime (row, 1);
                       memo->shortName = row.getStringField (2);
                       memo->memoText = row.getStringField (3);
                       memo->countIn = row.getIntField (4);
                       memo->startMidiEventId = readChunkId (row, 5);
                       memo->endMidiEventId = readChunkId (row, 6);
                       memo->duration = readTime (row, 7);

                       if (midiOkImage == nullptr)
                           midiOkImage = EmbeddedImages::getDrawable ("midi-green.png");

                       addCountIns (*memo);
                       objects.push_back (std::move (memo));
                   });

    auto contains = [] (const std::vector<int>& ids, int id) { return std::find (ids.begin(), ids.end(), id) != ids.end(); };
    for (auto& obj : objects)
    {
        const auto isCue = obj->getType() == cueType;
        if (contains (isCue ? selectedCueIds : selectedMemoIds, obj->dbId))
        {
            obj->selected = true;
            selection.push_back (obj.get());
        }
    }

    if (shouldResetView)
        resetView();

    repaint();
    calcAllLanes();
    lastCueTime = -1;
}

void WaveEditor::resetView()
{
    if (playerMode)
    {
        viewStart = trimStart > 0 ? trimStart : 0.0;
        viewEnd = juce::jmin (viewStart + trackLength, trackLength - trimEnd);
    }
    else
    {
        viewStart = trimStart > 1 ? trimStart - 1 : 0.0;
        viewEnd = trimEnd > 1 ? trackLength - trimEnd + 1 : trackLength;
    }
    viewSpan = viewEnd - viewStart;
}

//==============================================================================
void WaveEditor::shopStopConfirm (bool show, const juce::String& text)
{
    if (show)
    {
        if (stopConfirm == nullptr)
        {
            stopConfirm = std::make_unique<StopConfirm> (text);
            addAndMakeVisible (*stopConfirm);
            resized();
        }
    }
    else if (stopConfirm != nullptr)
    {
        removeChildComponent (stopConfirm.get());
        stopConfirm.reset();
    }
}

juce::String WaveEditor::getStopConfirmText() const
{
    if (auto* box = dynamic_cast<StopConfirm*> (stopConfirm.get()))
        return box->label.getText();
    return {};
}

void WaveEditor::resized()
{
    overviewHeight = juce::jmin (getHeight() / 5, 60);
    mainHeight = getHeight() - overviewHeight;

    if (stopConfirm != nullptr)
    {
        const auto w = getWidth() < 802 ? getWidth() / 2 : 400;
        const auto h = mainHeight < 202 ? mainHeight / 2 : 100;
        stopConfirm->setSize (w, h);
        stopConfirm->setCentrePosition (getWidth() / 2, mainHeight / 2);
    }
}

//==============================================================================
void WaveEditor::timerCallback()
{
    if (! appInitialised.load())
        return;

    // The players may be built after the editor, and rebuilt with the graph.
    if (listenedPlayer != filePlayer)
    {
        listenedPlayer = filePlayer;
        if (filePlayer != nullptr)
            filePlayer->addChangeListener (this);
    }

    if (dragMode == dragPlayhead)
    {
        // Scrubbing sounds only while the pointer moves.
        if (lastScrubPosition == scrubAtLastTick)
            RaTracks::stop (0);
        scrubAtLastTick = lastScrubPosition;
        return;
    }

    // The track that followed the last one gaplessly plays before its lightshow
    // is loaded here: its position read against the last song's cues and memos
    // would fire them again.
    if (filePlayer != nullptr && filePlayer->playsTrackNotYetLoaded())
        return;

    double position = 0;
    if (filePlayer != nullptr && filePlayer->hasTransport())
        position = filePlayer->getCurrentPosition() - filePlayer->outputLatency;

    handlePlayPosition (juce::jmax (0.0, position + trimStart));
}

void WaveEditor::showMemoText (const juce::String& text)
{
    if (editorMemoDisplay != nullptr)
        editorMemoDisplay->setMemoLbl (text);
    if (playerMemoDisplay != nullptr)
        playerMemoDisplay->setMemoLbl (text);
}

void WaveEditor::recallPreset (const juce::String& bank, const juce::String& preset, double fadeSeconds)
{
    thePlayHead.bpm = bpm;
    if (vovirApi == nullptr)
        return;

    vovirApi->setTempo (bpm);
    vovirApi->triggerPreset (bank.toRawUTF8(), preset.toRawUTF8(), (float) fadeSeconds);
}

void WaveEditor::handlePlayPosition (double cur)
{
    if (cur == lastCueTime)
        return;

    const auto wentBack = cur < lastCueTime;
    const auto from = wentBack ? 0.0 : lastCueTime;
    const auto to = juce::jmax (trimStart, cur);

    // Moving on from the last window, whatever lies at or before the end of that
    // window was handled by it: firing it again would send a memo's MIDI chunk twice.
    const auto continuing = ! wentBack && lastCueTime >= 0;
    const auto handledUpTo = juce::jmax (lastCueTime, lastWindowEnd);
    auto inWindow = [&] (double t) { return (continuing ? t > handledUpTo : t >= from) && t <= to; };

    const auto burst = vovirApi != nullptr && std::abs (from - to) > 1.0;
    if (burst)
        vovirApi->beginCueBurst();

    for (auto& obj : objects)
    {
        const auto start = obj->time;
        const auto end = obj->time + obj->duration;

        switch (obj->getType())
        {
            case countInType:
                if (inWindow (start))
                    showMemoText (static_cast<TimelineCountIn&> (*obj).countInText);
                else if (obj->valid && inWindow (end))
                    showMemoText ({});
                break;

            case cueType:
            {
                if (! obj->valid)
                    break;

                const auto timed = obj->duration > 0;
                if (inWindow (start))
                {
                    recallPreset (obj->bankName, obj->presetName, obj->fadeIn);
                    // A timed cue that also ended within this window (a jump past it)
                    // must not leave its preset on.
                    if (timed && inWindow (end))
                        recallPreset (obj->bankName, "Off", obj->fadeOut);
                }
                else if (timed && inWindow (end))
                {
                    recallPreset (obj->bankName, "Off", obj->fadeOut);
                }
                break;
            }

            case memoType:
            {
                if (! obj->valid)
                    break;

                const auto& memo = static_cast<TimelineMemo&> (*obj);
                if (inWindow (start))
                {
                    showMemoText (memo.getDisplayText());
                    if (memo.startMidiEventId != -1)
                        MidiEventModel (memo.startMidiEventId).transmit();
                }
                if (inWindow (end))
                {
                    showMemoText ({});
                    if (memo.endMidiEventId != -1)
                        MidiEventModel (memo.endMidiEventId).transmit();
                }
                break;
            }
        }
    }

    if (burst)
        vovirApi->endCueBurst();

    lastCueTime = cur;
    lastWindowEnd = to;
}

//==============================================================================
void WaveEditor::followPlayPosition()
{
    const auto c = playPosition + trimStart - viewSpan / 2;

    if (! playerMode)
    {
        viewStart = juce::jmax (0.0, c);
        viewEnd = viewStart + viewSpan;
        if (viewEnd > trackLength)
        {
            viewEnd = trackLength;
            viewStart = viewEnd - viewSpan;
        }
        return;
    }

    const auto limit = trackLength - trimEnd;
    viewStart = juce::jmax (trimStart, c);
    viewEnd = viewStart + viewSpan;
    if (viewEnd > limit)
    {
        viewEnd = limit;
        viewStart = viewEnd - viewSpan;
        if (viewStart < trimStart)
        {
            viewStart = trimStart;
            viewEnd = juce::jmin (trimStart + viewSpan, limit);
            viewSpan = viewEnd - viewStart;
        }
    }
}

void WaveEditor::paint (juce::Graphics& g)
{
    g.fillAll (darkerColour);

    if (! (thumbnail->getTotalLength() > 0))
    {
        g.setColour (textColour);
        g.setFont (juce::Font (raFontName, defFontSz, juce::Font::plain));
        g.drawFittedText ("- no track loaded -", getLocalBounds(), juce::Justification::centred, 2);
        return;
    }

    if (dragMode != dragPlayhead)
    {
        playPosition = 0;
        if (filePlayer != nullptr && filePlayer->hasTransport())
            playPosition = juce::jmax (0.0, filePlayer->getCurrentPosition() - filePlayer->outputLatency);
    }

    if (followPlayback && filePlayer != nullptr && filePlayer->isPlaying())
        followPlayPosition();

    const auto W = getWidth();
    paintWaveforms (g);

    if (! playerMode)
    {
        trimStartX = juce::jmax (0, timeToX (trimStart));
        trimEndX = timeToX (trackLength - trimEnd);

        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x80));
        if (trimStartX > 0)
            g.fillRect (0, 0, trimStartX, mainHeight);
        const auto trimEndW = viewSpan > 0 ? (int) (trimEnd * W / viewSpan) : 0;
        if (trimEndW > 0)
            g.fillRect (trimEndX, 0, trimEndW, mainHeight);

        juce::Graphics::ScopedSaveState clip (g);
        g.reduceClipRegion (0, 0, W, mainHeight);
        for (auto x : { trimStartX, trimEndX })
        {
            g.setColour (juce::Colours::white);
            g.fillRect (x, 0, 1, mainHeight);
            drawDiamond (g, juce::Colours::white, juce::Colours::white, (float) x, 0.0f, 5.0f, 0.0f);
            drawDiamond (g, juce::Colours::white, juce::Colours::white, (float) x, (float) mainHeight, 5.0f, 0.0f);
        }
    }

    playheadX = timeToX (playPosition + trimStart);

    paintObjects (g);
    paintOverview (g);

    const float dashes[] = { 9.0f, 1.0f };
    g.setColour (juce::Colours::yellow);
    g.drawDashedLine ({ (float) playheadX, 0.0f, (float) playheadX, (float) mainHeight }, dashes, 2, 3.0f);

    const auto rangeStart = playerMode ? trimStart : 0.0;
    const auto rangeLength = (playerMode ? trackLength - trimEnd : trackLength) - rangeStart;
    if (rangeLength > 0)
    {
        const auto x = (float) ((playPosition + trimStart - rangeStart) * W / rangeLength);
        g.drawDashedLine ({ x, (float) mainHeight, x, (float) getHeight() }, dashes, 2, 2.0f);
    }

    if (dropIndicator)
        g.drawDashedLine ({ (float) dropX, 0.0f, (float) dropX, (float) mainHeight }, dashes, 2, 4.0f);

    if (dragMode == dragBand)
    {
        g.setColour (textColour);
        g.drawRect (juce::Rectangle<int> (bandOrigin, bandOrigin + bandSize), 1);
    }
}

void WaveEditor::layoutObjects()
{
    if (objects.empty())
        return;

    calcObjectPixels();

    int pointLanes = 0, timedLanes = 0;
    for (auto& obj : objects)
        if (obj->getType() == cueType)
        {
            auto& cue = static_cast<TimelineCue&> (*obj);
            auto& lanes = cue.isPointCue() ? pointLanes : timedLanes;
            lanes = juce::jmax (lanes, cue.lane + 1);
        }

    const auto laneHeight = juce::jlimit (1, 35, mainHeight / (timedLanes + pointLanes + 3));
    for (auto& obj : objects)
    {
        obj->height = (float) (laneHeight - 5);
        if (obj->getType() == memoType)
        {
            auto& memo = static_cast<TimelineMemo&> (*obj);
            memo.yTop = (float) ((pointLanes + 1) * laneHeight);
            memo.height = 1.5f * (float) laneHeight;
            memo.calcGeometry (playerMode ? mainHeight : 0);
        }
        else if (obj->getType() == cueType)
        {
            static_cast<TimelineCue&> (*obj).calcGeometry (viewStart, mainHeight);
        }
    }
}

void WaveEditor::paintWaveforms (juce::Graphics& g)
{
    // Both waveforms (the view and the overview strip) change only with the view,
    // the size, the colours and the thumbnail's progress: they are drawn from an
    // image kept until one of those changes, so that a drag step repaints fast.
    const auto scale = juce::jmax (1.0f, g.getInternalContext().getPhysicalPixelScaleFactor());
    const auto rangeStart = playerMode ? trimStart : 0.0;
    const auto rangeEnd = playerMode ? trackLength - trimEnd : trackLength;
    const WaveformKey key { getWidth(), getHeight(), mainHeight, scale, viewStart, viewEnd, rangeStart, rangeEnd,
                            thumbnail->getNumSamplesFinished(), complementColour.getARGB(), darkerColour.getARGB() };

    if (waveformImage.isNull() || ! (key == waveformKey))
    {
        waveformKey = key;
        waveformImage = juce::Image (juce::Image::RGB, juce::jmax (1, juce::roundToInt ((float) getWidth() * scale)),
                                     juce::jmax (1, juce::roundToInt ((float) getHeight() * scale)), false);
        juce::Graphics ig (waveformImage);
        ig.addTransform (juce::AffineTransform::scale (scale));
        ig.fillAll (darkerColour);

        const auto W = getWidth();
        ig.setColour (complementColour);
        const auto numChannels = thumbnail->getNumChannels();
        for (int c = 0; c < numChannels; ++c)
        {
            const auto top = c * mainHeight / numChannels;
            const auto bottom = (c + 1) * mainHeight / numChannels;
            thumbnail->drawChannel (ig, { 0, top, W, bottom - top }, viewStart, viewEnd, c, 1.0f);
        }

        ig.setColour (complementColour.withAlpha ((juce::uint8) 0x80));
        thumbnail->drawChannel (ig, { 0, mainHeight, W, overviewHeight }, rangeStart, rangeEnd, 0, 1.0f);
    }

    g.drawImageTransformed (waveformImage, juce::AffineTransform::scale (1.0f / scale));
}

void WaveEditor::paintObjects (juce::Graphics& g)
{
    if (objects.empty())
        return;

    layoutObjects();

    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if (! tempZoom || it->get() == draggedObject)
            (*it)->drawObj (g, viewStart, viewEnd, mainHeight, readOnly, playerMode);

    if (readOnly || playerMode)
        return;

    for (auto& obj : objects)
    {
        const auto marked = tempZoom ? obj.get() == draggedObject : obj->selected;
        if (marked)
        {
            obj->drawMarkerLine (g, mainHeight);
            obj->drawReleaseMarkerLine (g, mainHeight);
        }
    }
}

void WaveEditor::drawMarker (juce::Graphics& g, const TimelineObj& obj, float yOffset) const
{
    constexpr float size = 5.0f;
    const auto W = getWidth();
    const auto x = (float) (obj.time * W / trackLength);
    if (obj.getType() == memoType)
    {
        drawDiamond (g, juce::Colours::lightblue, juce::Colours::black, x,
                     yOffset + (float) mainHeight + (float) overviewHeight / 2.0f, size, 0.0f);
        return;
    }

    const auto fill = obj.valid ? juce::Colours::yellow : juce::Colours::red;
    if (obj.duration > 0)
    {
        const auto y = yOffset + (float) (getHeight() - 10);
        const auto w = (float) (obj.duration * W / trackLength);
        g.setColour (juce::Colours::black);
        g.drawRect (x, y - size / 2.0f, w, size, 1.0f);
        drawDiamond (g, fill, juce::Colours::black, x, y, size, 0.0f);
        drawDiamond (g, fill, juce::Colours::black, x + w, y, size, 0.0f);
        g.setColour (fill);
        g.fillRect (x, y - size / 2.0f + 1.0f, w, size - 2.0f);
    }
    else
    {
        drawDiamond (g, fill, juce::Colours::black, x, yOffset + (float) (mainHeight + 10), size, 0.0f);
    }
}

void WaveEditor::paintOverviewMarkers (juce::Graphics& g)
{
    // The markers of every object that is not being dragged are drawn from an
    // image kept while they stay as they are; the dragged ones are drawn over it.
    const auto objectDrag = dragMode == dragMove || dragMode == dragCopy || dragMode == dragResizeStart
                            || dragMode == dragResizeEnd || dragMode == dragFadeIn || dragMode == dragFadeOut;
    auto isLive = [&] (const TimelineObj& obj)
    { return objectDrag && (obj.selected || obj.isCopy || &obj == draggedObject); };

    juce::uint64 hash = 1469598103934665603ull;
    auto mix = [&hash] (juce::uint64 value) { hash = (hash ^ value) * 1099511628211ull; };
    auto bits = [] (double d) { juce::uint64 u; std::memcpy (&u, &d, sizeof u); return u; };
    mix ((juce::uint64) getWidth());
    mix ((juce::uint64) getHeight());
    mix ((juce::uint64) mainHeight);
    mix (bits (trackLength));
    for (auto& obj : objects)
    {
        if (isLive (*obj))
        {
            mix (7);
            continue;
        }
        mix ((juce::uint64) obj->getType() * 2 + (obj->valid ? 1 : 0));
        mix (bits (obj->time));
        mix (bits (obj->duration));
    }

    if (markerImage.isNull() || hash != markerHash)
    {
        markerHash = hash;
        markerImage = juce::Image (juce::Image::ARGB, juce::jmax (1, getWidth()), juce::jmax (1, overviewHeight), true);
        juce::Graphics mg (markerImage);
        for (auto& obj : objects)
            if (! isLive (*obj))
                drawMarker (mg, *obj, (float) -mainHeight);
    }

    g.setOpacity (1.0f);
    g.drawImageAt (markerImage, 0, mainHeight);
    for (auto& obj : objects)
        if (isLive (*obj))
            drawMarker (g, *obj, 0.0f);
}

void WaveEditor::paintOverview (juce::Graphics& g)
{
    const auto W = getWidth();
    const auto rangeStart = playerMode ? trimStart : 0.0;
    const auto rangeEnd = playerMode ? trackLength - trimEnd : trackLength;
    const auto rangeLength = rangeEnd - rangeStart;
    if (! playerMode && trackLength > 0)
        paintOverviewMarkers (g);

    if (rangeLength <= 0)
        return;

    overviewX = (int) ((viewStart - rangeStart) * W / rangeLength);
    overviewW = (int) ((viewEnd - viewStart) * W / rangeLength);

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x40));
    g.fillRect (0, mainHeight, juce::jmax (0, overviewX), overviewHeight);
    g.fillRect (overviewX + overviewW, mainHeight, juce::jmax (0, W - overviewX - overviewW), overviewHeight);

    if (overviewW > 0)
    {
        g.setColour (textColour.withAlpha ((juce::uint8) 0xBF));
        g.drawRect (overviewX, mainHeight, overviewW, overviewHeight, 1);
    }
}

//==============================================================================
void WaveEditor::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    // An empty thumbnail also counts as fully loaded; it is never written over a cache file.
    if (source == thumbnail.get() && thumbSavePending && filePath.isNotEmpty() && thumbnail->isFullyLoaded()
        && thumbnail->getTotalLength() > 0)
    {
        juce::FileOutputStream out (juce::File (filePath + ".vovir"), 16384);
        if (out.openedOk())
        {
            out.setPosition (0);
            out.truncate();
            thumbnail->saveTo (out);
        }
        thumbSavePending = false;
    }

    if (filePlayer != nullptr)
    {
        const auto event = filePlayer->lastEvent;
        if (event == PlayerEvent::reachedEnd || event == PlayerEvent::positionChanged || event == PlayerEvent::slowTick
            || event == PlayerEvent::looped)
            repaint();
    }
}

//==============================================================================
Timeline::Timeline() : ColouredBox ("Timeline", darkerColour)
{
    setWantsKeyboardFocus (true);
    editor = new WaveEditor();
    addAndMakeVisible (editor);
    timeline = this;
}

Timeline::~Timeline()
{
    if (timeline == this)
        timeline = nullptr;
}

void Timeline::loadAudioFile (int audioFileId)
{
    editor->setFile (AudioFileModel (audioFileId).getFullPath());
    lightShowId = -1;
}

void Timeline::loadLightShow (int newLightShowId, bool force)
{
    if (newLightShowId == lightShowId && ! force)
        return;

    lightShowId = newLightShowId;
    const LightShowModel lightShow (newLightShowId);
    editor->bpm = lightShow.getFloatField ("Tempo");
    if (vovirApi != nullptr)
        vovirApi->setTempo (editor->bpm);
    thePlayHead.bpm = editor->bpm;

    if (filePlayer != nullptr)
        filePlayer->volumeGain = (float) std::pow (10.0, lightShow.getFloatField ("AudioVolume") * 0.05);

    // A song loaded to go on with the track that already follows the last one
    // gaplessly is not rewound: its first moments would play twice.
    if (filePlayer == nullptr || ! filePlayer->continuesFollowOn())
        RaTracks::setCurrentTime (0);
    editor->lightShowId = newLightShowId;
    editor->refreshFromDb (true);
}

std::vector<VovirCueModel> Timeline::getSelectedCues() const
{
    std::vector<VovirCueModel> cues;
    for (auto& obj : editor->objects)
        if (obj->selected && obj->getType() == cueType)
            cues.emplace_back (obj->dbId);
    return cues;
}

std::vector<ShowMemoModel> Timeline::getSelectedMemos() const
{
    std::vector<ShowMemoModel> memos;
    for (auto& obj : editor->objects)
        if (obj->selected && obj->getType() == memoType)
            memos.emplace_back (obj->dbId);
    return memos;
}

void Timeline::resized()
{
    editor->setBounds (4, 4, getWidth() - 8, getHeight() - 8);
}

void Timeline::lookAndFeelChanged()
{
    colour = darkerColour;
    repaint();
}
