// The waveform editor's mouse gestures: the overview strip, the playhead and
// trim handles, selecting, moving, copying and resizing objects, fades, the
// right-button fine zoom, double clicks, the wheel, and presets dropped from the
// song editor. The database is written only when a gesture ends (drops and the
// memo dialog at once), each edit as one undo step.

#include "editor/Timeline.h"

#include "app/Globals.h"
#include "app/MainPanels.h"
#include "audio/FilePlayerProcessor.h"
#include "data/SqlText.h"
#include "editor/MemoDialog.h"
#include "editor/SongEditor.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double minimumDuration = (double) 0.1f; // shortest object a resize leaves

bool isEditable (const TimelineObj& obj)
{
    return obj.getType() != countInType; // count-in beats follow their memo
}

/** A point cue's fade-in runs to the track's end at most; a timed cue's fades
    last no longer than the cue. */
double fadeLimit (const TimelineObj& obj, double trackLength)
{
    return obj.duration > 0 ? obj.duration : juce::jmax (0.0, trackLength - obj.time);
}

void limitFades (TimelineObj& obj, double trackLength)
{
    if (obj.getType() != cueType)
        return;
    const auto limit = fadeLimit (obj, trackLength);
    obj.fadeIn = juce::jlimit (0.0, limit, obj.fadeIn);
    obj.fadeOut = juce::jlimit (0.0, limit, obj.fadeOut);
}

std::unique_ptr<TimelineObj> cloneForCopy (const TimelineObj& source)
{
    std::unique_ptr<TimelineObj> copy;
    if (auto* memo = dynamic_cast<const TimelineMemo*> (&source))
    {
        auto m = std::make_unique<TimelineMemo>();
        m->shortName = memo->shortName;
        m->memoText = memo->memoText;
        m->countIn = memo->countIn;
        m->startMidiEventId = memo->startMidiEventId;
        m->endMidiEventId = memo->endMidiEventId;
        m->yTop = memo->yTop;
        copy = std::move (m);
    }
    else if (auto* cue = dynamic_cast<const TimelineCue*> (&source))
    {
        auto c = std::make_unique<TimelineCue>();
        c->fadeInPx = cue->fadeInPx;
        c->fadeOutPx = cue->fadeOutPx;
        c->lane = cue->lane;
        copy = std::move (c);
    }
    else
    {
        return nullptr;
    }

    copy->valid = source.valid;
    copy->lightShowId = source.lightShowId;
    copy->time = source.time;
    copy->duration = source.duration;
    copy->origTime = source.origTime;
    copy->fadeIn = source.fadeIn;
    copy->fadeOut = source.fadeOut;
    copy->bankName = source.bankName;
    copy->presetName = source.presetName;
    copy->drawnArea = source.drawnArea;
    copy->handleTop = source.handleTop;
    copy->handleBottom = source.handleBottom;
    copy->height = source.height;
    copy->labelWidth = source.labelWidth;
    copy->xStart = source.xStart;
    copy->xEnd = source.xEnd;
    copy->dbId = 0;
    copy->isCopy = true;
    copy->selected = true;
    return copy;
}
} // namespace

//==============================================================================
bool WaveEditor::isOnBody (const TimelineObj& obj, int x, int y) const
{
    if (! isEditable (obj))
        return false;

    const auto& a = obj.drawnArea;
    const auto left = obj.duration > 0 ? (float) obj.xStart : a.x1;
    const auto right = obj.duration > 0 ? (float) obj.xEnd : a.x2;
    return (float) x >= left && (float) x <= right && (float) y >= a.y1 && (float) y <= a.y2;
}

void WaveEditor::deselectAll()
{
    for (auto& obj : objects)
        obj->selectObj (false);
    selection.clear();
}

void WaveEditor::select (TimelineObj& obj)
{
    if (auto* cue = dynamic_cast<TimelineCue*> (&obj))
        cue->selectCue (true); // the song editor shows the cue's bank and preset
    else
        obj.selectObj (true);

    if (std::find (selection.begin(), selection.end(), &obj) == selection.end())
        selection.push_back (&obj);
}

void WaveEditor::clampViewToTrims()
{
    if (! playerMode)
        return;

    if (viewStart < trimStart)
    {
        viewStart = trimStart;
        viewEnd = viewStart + viewSpan;
    }
    const auto limit = trackLength - trimEnd;
    if (viewEnd > limit)
    {
        viewEnd = limit;
        viewSpan = viewEnd - viewStart;
    }
}

//==============================================================================
juce::MouseCursor WaveEditor::cursorAt (int x, int y) const
{
    if (y > mainHeight)
    {
        const auto right = overviewX + overviewW;
        if (std::abs (x - overviewX) < 10)
            return juce::MouseCursor::LeftEdgeResizeCursor;
        if (std::abs (x - right) < 10)
            return juce::MouseCursor::RightEdgeResizeCursor;
        if (x > overviewX && x < right)
            return juce::MouseCursor::DraggingHandCursor;
        return juce::MouseCursor::NormalCursor;
    }

    if (! readOnly && ! playerMode && (std::abs (x - trimStartX) < 6 || std::abs (x - trimEndX) < 6))
        return juce::MouseCursor::LeftRightResizeCursor;
    if (std::abs (x - playheadX) < 6)
        return juce::MouseCursor::DraggingHandCursor;
    if (readOnly)
        return juce::MouseCursor::NormalCursor;

    for (auto& obj : objects)
        if (obj->isInFadeIn (x, y) || obj->isInFadeOut (x, y))
            return juce::MouseCursor::LeftRightResizeCursor;
    for (auto& obj : objects)
        if (obj->duration > 0 && isOnBody (*obj, x, y) && (x <= obj->xStart + 10 || x > obj->xEnd - 10))
            return juce::MouseCursor::LeftRightResizeCursor;
    for (auto& obj : objects)
        if (isOnBody (*obj, x, y))
            return juce::MouseCursor::DraggingHandCursor;
    return juce::MouseCursor::NormalCursor;
}

void WaveEditor::mouseMove (const juce::MouseEvent& e)
{
    layoutObjects();
    setMouseCursor (cursorAt (e.x, e.y));
}

//==============================================================================
void WaveEditor::startGesture (const juce::MouseEvent& e)
{
    const auto x = e.x, y = e.y;

    if (y > mainHeight)
    {
        const auto right = overviewX + overviewW;
        if (std::abs (x - overviewX) < 10)
            dragMode = dragOverviewLeft;
        else if (std::abs (x - right) < 10)
            dragMode = dragOverviewRight;
        else if (x > overviewX && x < right)
        {
            dragMode = dragOverviewMove;
            downValue = viewStart;
            downX = x;
        }
        return;
    }

    if (! readOnly && ! playerMode)
    {
        if (std::abs (x - trimStartX) < 6)
        {
            dragMode = dragTrimStart;
            downValue = trimStart;
            downX = trimStartX;
            return;
        }
        if (std::abs (x - trimEndX) < 6)
        {
            dragMode = dragTrimEnd;
            downValue = trackLength - trimEnd;
            downX = trimEndX;
            return;
        }
    }

    if (std::abs (x - playheadX) < 6)
    {
        dragMode = dragPlayhead;
        downValue = playPosition;
        downX = playheadX;
        return;
    }

    if (readOnly)
        return;

    for (auto& obj : objects)
    {
        const auto inFadeOut = obj->isInFadeOut (x, y);
        if (! inFadeOut && ! obj->isInFadeIn (x, y))
            continue;
        draggedObject = obj.get();
        dragMode = inFadeOut ? dragFadeOut : dragFadeIn;
        downValue = obj->time + (inFadeOut ? obj->fadeOut : obj->fadeIn);
        downDuration = obj->duration;
        downX = x;
        return;
    }

    auto findEdge = [&] (auto isNearEdge) -> TimelineObj*
    {
        for (auto pass : { true, false })
            for (auto& obj : objects)
                if ((! pass || obj->selected) && obj->duration > 0 && isOnBody (*obj, x, y) && isNearEdge (*obj))
                    return obj.get();
        return nullptr;
    };

    auto* edge = findEdge ([x] (const TimelineObj& o) { return std::abs (x - o.xStart) <= 10; });
    dragMode = dragResizeStart;
    if (edge == nullptr)
    {
        edge = findEdge ([x] (const TimelineObj& o) { return std::abs (x - o.xEnd) < 10; });
        dragMode = dragResizeEnd;
    }
    if (edge != nullptr)
    {
        selection.clear();
        select (*edge);
        draggedObject = edge;
        downValue = dragMode == dragResizeStart ? edge->time : edge->time + edge->duration;
        downDuration = edge->duration;
        downX = x;
        return;
    }
    dragMode = dragNone;

    for (auto& obj : objects)
    {
        if (! isOnBody (*obj, x, y))
            continue;

        if (! obj->selected && ! e.mods.isShiftDown())
            deselectAll();

        if (e.mods.isCtrlDown())
        {
            dragMode = dragCopy;
            setMouseCursor (juce::MouseCursor::PointingHandCursor);
        }
        else
        {
            dragMode = dragMove;
        }
        firstDragStep = true;

        if (! obj->selected)
            select (*obj);

        // Every selected object moves from where it is now.
        for (auto* selected : selection)
            selected->origTime = selected->time;

        draggedObject = obj.get();
        downValue = obj->time;
        downDuration = obj->duration;
        downX = x;
        return;
    }

    dragMode = dragBand;
    setMouseCursor (juce::MouseCursor::CrosshairCursor);
    bandOrigin = { x, y };
    bandSize = {};
    if (! e.mods.isShiftDown())
        deselectAll();
}

void WaveEditor::mouseDown (const juce::MouseEvent& e)
{
    dragMode = dragNone;
    dragged = false;
    draggedObject = nullptr;
    layoutObjects();
    if (! playerMode && viewSpan > 0)
    {
        trimStartX = juce::jmax (0, timeToX (trimStart));
        trimEndX = timeToX (trackLength - trimEnd);
    }
    playheadX = timeToX (playPosition + trimStart);

    // The view window in the overview strip, as painting places it.
    const auto rangeStart = playerMode ? trimStart : 0.0;
    const auto rangeLength = (playerMode ? trackLength - trimEnd : trackLength) - rangeStart;
    if (rangeLength > 0)
    {
        overviewX = (int) ((viewStart - rangeStart) * getWidth() / rangeLength);
        overviewW = (int) ((viewEnd - viewStart) * getWidth() / rangeLength);
    }

    startGesture (e);

    const auto fineAdjustable = dragMode == dragFadeIn || dragMode == dragFadeOut || dragMode == dragResizeStart
                                || dragMode == dragResizeEnd || dragMode == dragMove || dragMode == dragCopy;
    if (fineAdjustable && e.mods.isRightButtonDown())
    {
        savedViewStart = viewStart;
        savedViewEnd = viewEnd;
        savedViewSpan = viewSpan;
        tempZoom = true;
        viewStart = downValue - 1.0;
        viewEnd = downValue + 1.0;
        viewSpan = 2.0;
        calcAllLanes();
    }

    clampViewToTrims();
    repaint();
}

//==============================================================================
void WaveEditor::dragObjects (double delta)
{
    if (dragMode == dragMove)
    {
        if (firstDragStep)
        {
            RaDatabase::getInstance()->startTransaction ("Cue Move");
            firstDragStep = false;
        }
        // No object leaves the trimmed start or runs past the track's end.
        for (auto* obj : selection)
            if (isEditable (*obj))
                obj->time = juce::jlimit (trimStart, juce::jmax (trimStart, trackLength - obj->duration),
                                          obj->origTime + delta);
        calcAllLanes();
        return;
    }

    // Copy
    if (firstDragStep)
    {
        RaDatabase::getInstance()->startTransaction ("Object Copy");
        firstDragStep = false;
        copies.clear();

        const auto sources = selection;
        for (auto* source : sources)
        {
            auto copy = cloneForCopy (*source);
            if (copy == nullptr)
                continue;
            source->selectObj (false);
            copies.push_back (copy.get());
            objects.push_back (std::move (copy));
        }
    }
    for (auto* copy : copies)
        copy->time = juce::jlimit (0.0, juce::jmax (0.0, trackLength - copy->duration), copy->origTime + delta);
    calcAllLanes();
}

void WaveEditor::mouseDrag (const juce::MouseEvent& e)
{
    if (dragMode == dragNone || e.getDistanceFromDragStartX() == 0)
        return;

    dragged = true;
    const auto x = e.x;
    const auto W = juce::jmax (1, getWidth());
    const auto D = (double) (x - downX) / W * viewSpan;

    switch (dragMode)
    {
        case dragOverviewLeft:
        {
            const auto t = playerMode ? trimStart + (double) x / W * (trackLength - trimStart - trimEnd)
                                      : (double) x / W * trackLength;
            viewStart = juce::jlimit (0.0, juce::jmax (0.0, viewEnd - 1.0), t);
            viewSpan = viewEnd - viewStart;
            calcAllLanes();
            break;
        }
        case dragOverviewRight:
        {
            const auto t = playerMode ? trimStart + (double) x / W * (trackLength - trimStart - trimEnd)
                                      : (double) x / W * trackLength;
            viewEnd = juce::jlimit (juce::jmin (trackLength, viewStart + 1.0), trackLength, t);
            viewSpan = viewEnd - viewStart;
            calcAllLanes();
            break;
        }
        case dragOverviewMove:
        {
            // In player mode the window stays inside the trimmed part, keeping its span.
            const auto low = playerMode ? trimStart : 0.0;
            const auto high = playerMode ? trackLength - trimEnd : trackLength;
            viewStart = juce::jlimit (low, juce::jmax (low, high - viewSpan),
                                      downValue + (double) (x - downX) / W * (high - low));
            viewEnd = viewStart + viewSpan;
            calcAllLanes();
            break;
        }
        case dragMove:
        case dragCopy:
            dragObjects (D);
            break;

        case dragResizeStart:
        {
            auto& obj = *draggedObject;
            const auto end = downValue + downDuration;
            obj.time = downValue + D;
            obj.duration = downDuration - D;
            if (obj.duration < minimumDuration)
            {
                obj.duration = minimumDuration;
                obj.time = end - minimumDuration;
            }
            if (obj.time < 0) // never before the track's start
            {
                obj.time = 0;
                obj.duration = end;
            }
            limitFades (obj, trackLength);
            calcAllLanes();
            break;
        }
        case dragResizeEnd:
        {
            auto& obj = *draggedObject;
            obj.duration = juce::jmin (juce::jmax (minimumDuration, downValue - obj.time + D), trackLength - obj.time);
            limitFades (obj, trackLength);
            calcAllLanes();
            break;
        }
        case dragFadeIn:
        case dragFadeOut:
        {
            auto& obj = *draggedObject;
            auto& fade = dragMode == dragFadeIn ? obj.fadeIn : obj.fadeOut;
            fade = juce::jlimit (0.0, fadeLimit (obj, trackLength), downValue - obj.time + D);
            break;
        }
        case dragPlayhead:
        {
            const auto p = juce::jlimit (0.0, trackLength, downValue + D);
            playPosition = lastScrubPosition = p;
            RaTracks::setCurrentTime (p);
            if (! readOnly)
                for (auto* player : { filePlayer, filePlayerB })
                    if (player != nullptr)
                        player->play (0);
            break;
        }
        case dragBand:
        {
            if (! e.mods.isShiftDown())
                deselectAll();
            bandSize = e.getPosition() - bandOrigin;
            const auto band = juce::Rectangle<int> (bandOrigin, e.getPosition());
            for (auto& obj : objects)
            {
                const auto& a = obj->drawnArea;
                if (! isEditable (*obj) || a.x2 < (float) band.getX() || a.x1 > (float) band.getRight()
                    || a.y2 < (float) band.getY() || a.y1 > (float) band.getBottom())
                    continue;
                obj->selectObj (true);
                if (std::find (selection.begin(), selection.end(), obj.get()) == selection.end())
                    selection.push_back (obj.get());
                obj->origTime = obj->time;
            }
            break;
        }
        case dragTrimStart:
            lastScrubPosition = downValue + D;
            // The trimmed part never ends before it starts.
            trimStart = juce::jlimit (0.0, juce::jmax (0.0, trackLength - trimEnd), downValue + D);
            break;

        case dragTrimEnd:
            lastScrubPosition = downValue + D;
            trimEnd = juce::jlimit (0.0, juce::jmax (0.0, trackLength - trimStart), trackLength - (downValue + D));
            break;

        default:
            break;
    }

    clampViewToTrims();
    repaint();
}

//==============================================================================
void WaveEditor::finishGesture()
{
    auto& db = *RaDatabase::getInstance();

    switch (dragMode)
    {
        case dragTrimStart:
        case dragTrimEnd:
            if (lightShowId != -1)
            {
                // An unchanged value writes nothing, so a click on a handle is no undo step.
                LightShowModel lightShow (lightShowId);
                if (dragMode == dragTrimStart)
                    lightShow.setFloatField ("TrimStart", (float) trimStart);
                else
                    lightShow.setFloatField ("TrimEnd", (float) trimEnd);
            }
            for (auto* player : { filePlayer, filePlayerB })
                if (player != nullptr)
                    player->setTrimTimes (trimStart, trimEnd);
            break;

        case dragPlayhead:
            RaTracks::setCurrentTime (playPosition);
            RaTracks::stop (0);
            break;

        default:
            break;
    }

    if (! dragged)
        return;

    switch (dragMode)
    {
        case dragMove:
            for (auto* obj : selection)
                if (isEditable (*obj))
                    obj->saveToDb();
            db.endTransaction();
            refreshFromDb (false);
            break;

        case dragResizeStart:
        case dragResizeEnd:
        case dragFadeIn:
        case dragFadeOut:
            if (draggedObject != nullptr)
                draggedObject->saveToDb();
            refreshFromDb (false);
            break;

        case dragCopy:
            for (auto* copy : copies)
                copy->saveToDb();
            db.endTransaction();
            selection = copies;
            refreshFromDb (false);
            break;

        default:
            break;
    }
}

void WaveEditor::mouseUp (const juce::MouseEvent&)
{
    finishGesture();

    dragMode = dragNone;
    draggedObject = nullptr;
    copies.clear();
    if (tempZoom)
    {
        viewStart = savedViewStart;
        viewEnd = savedViewEnd;
        viewSpan = savedViewSpan;
        tempZoom = false;
        calcAllLanes();
    }
    setMouseCursor (juce::MouseCursor::NormalCursor);
    clampViewToTrims();
    repaint();
}

//==============================================================================
void WaveEditor::mouseDoubleClick (const juce::MouseEvent& e)
{
    layoutObjects();

    if (! readOnly)
        for (auto& obj : objects)
            if (auto* memo = dynamic_cast<TimelineMemo*> (obj.get()); memo != nullptr && isOnBody (*memo, e.x, e.y))
            {
                editMemo (*memo);
                return;
            }

    const auto W = juce::jmax (1, getWidth());
    const auto p = juce::jlimit (0.0, trackLength, (double) e.x / W * viewSpan + viewStart - trimStart);
    playPosition = p;
    RaTracks::setCurrentTime (p);
    repaint();
}

void WaveEditor::editMemo (TimelineMemo& memo)
{
    MemoFields fields;
    fields.name = memo.shortName;
    fields.text = memo.memoText;
    fields.style = fields.text.startsWith ("[LEFT]") ? 1 : 0;
    if (fields.style == 1)
        fields.text = fields.text.substring (6);
    fields.countIn = memo.countIn;
    fields.startMidiEventId = memo.startMidiEventId;
    fields.endMidiEventId = memo.endMidiEventId;

    if (! memoDialogs().askForMemo ("Edit the memo:", fields, false))
        return;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Edit Memo");
    ShowMemoModel model (memo.dbId);
    model.setStringField ("ShortName", fields.name);
    model.setStringField ("Memo", (fields.style != 0 ? "[LEFT]" : "") + fields.text);
    model.setIntField ("CountIn", fields.countIn);
    for (auto [column, chunk] : { std::pair { "StartMidiEventID", fields.startMidiEventId },
                                  std::pair { "EndMidiEventID", fields.endMidiEventId } })
    {
        if (chunk == -1)
            model.setFieldNull (column);
        else
            model.setIntField (column, chunk);
    }
    db.endTransaction();
    refreshFromDb (false);
}

//==============================================================================
void WaveEditor::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    if (! (thumbnail->getTotalLength() > 0) || trackLength <= 0)
        return;

    const auto W = juce::jmax (1, getWidth());
    const auto delta = (double) (wheel.deltaX + wheel.deltaY);

    if (e.y < getHeight() * 80 / 100)
    {
        const auto m = (double) e.x / W;
        const auto oldStart = viewStart, oldSpan = viewSpan;
        const auto S = juce::jlimit (juce::jmin (1.0, trackLength), trackLength, viewSpan - delta * viewSpan / 10.0);
        const auto newStart = m * oldSpan + oldStart - m * S;
        const auto newEnd = (1.0 - m) * S + m * oldSpan + oldStart;
        viewStart = juce::jlimit (0.0, juce::jmax (0.0, newEnd - 1.0), newStart);
        viewEnd = juce::jlimit (juce::jmin (trackLength, viewStart + 1.0), trackLength, newEnd);
        // The mapping uses the span: it must be the one shown after the limits.
        viewSpan = viewEnd - viewStart;
        calcAllLanes();
    }
    else
    {
        const auto width = viewEnd - viewStart;
        viewStart = juce::jlimit (0.0, juce::jmax (0.0, trackLength - width), width * delta / 10.0 + viewStart);
        viewEnd = viewStart + width;
        calcAllLanes();
    }

    clampViewToTrims();
    repaint();
}

//==============================================================================
bool WaveEditor::isInterestedInDragSource (const SourceDetails& details)
{
    // A read-only preview, or no lightshow, takes no cues.
    if (details.description.toString() != "VOVIR Preset" || readOnly || lightShowId == -1)
        return false;
    dropIndicator = true;
    return true;
}

void WaveEditor::itemDragMove (const SourceDetails& details)
{
    layoutObjects();
    deselectAll();

    const auto x = details.localPosition.x, y = details.localPosition.y;
    dropIndicator = true;
    for (auto& obj : objects)
        if (isOnBody (*obj, x, y))
        {
            obj->selectObj (true);
            selection.push_back (obj.get());
            dropIndicator = false;
            break;
        }
    dropX = x;
    repaint();
}

void WaveEditor::itemDragExit (const SourceDetails&)
{
    dropIndicator = false;
    repaint();
}

void WaveEditor::itemDropped (const SourceDetails& details)
{
    dropIndicator = false;
    dropPreset (details);
    repaint();
}

void WaveEditor::dropPreset (const SourceDetails& details)
{
    juce::String bank, preset;
    bool bankHasOff = false;
    if (auto* editor = dynamic_cast<SongEditor*> (songEditor))
        editor->getCurrentSelection (bank, preset, bankHasOff);
    if (bank.isEmpty() || preset.isEmpty())
        return;

    layoutObjects();
    const auto x = details.localPosition.x, y = details.localPosition.y;
    const auto overObject = std::any_of (objects.begin(), objects.end(),
                                         [&] (const auto& obj) { return isOnBody (*obj, x, y); });
    auto& db = *RaDatabase::getInstance();

    if (overObject)
    {
        // The cues under the drop take the preset, all in one undo step.
        db.startTransaction ("Cue Preset");
        for (auto* obj : selection)
        {
            obj->valid = true;
            auto* cue = dynamic_cast<TimelineCue*> (obj);
            if (cue == nullptr)
                continue;
            cue->bankName = bank;
            cue->presetName = preset;
            cue->calcLabelWidth();
            if (bankHasOff && cue->duration <= 0)
                cue->duration = juce::jmin (4.0, juce::jmax (minimumDuration, trackLength - cue->time));
            cue->saveToDb();
        }
        db.endTransaction();
        refreshFromDb (false);
        return;
    }

    const auto W = juce::jmax (1, getWidth());
    dropX = x;
    dropTime = juce::jlimit (0.0, juce::jmax (0.0, trackLength), (double) x / W * viewSpan + viewStart);
    // A timed cue dropped near the end stops at the track's end.
    const auto duration = bankHasOff ? juce::jmax (0.0, juce::jmin (4.0, trackLength - dropTime)) : 0.0;

    db.execQuery (formatSql ("INSERT INTO VovirCues(LightShowID,BankName,PresetName,CueTime,CueDuration,FadeInTime,"
                             "FadeOutTime) VALUES(%d,'%s','%s', %f, %f, %f, %f)",
                             { lightShowId, cleanedForDb (bank), cleanedForDb (preset), (float) dropTime,
                               (float) duration, 0.0f, 0.0f }));
    refreshFromDb (false);
}
