#include "editor/TimelineObjects.h"

#include "app/StartupSettings.h"
#include "data/DbModels.h"
#include "data/SqlText.h"
#include "ui/ColourScheme.h"
#include "ui/FontFallback.h"

#include <cmath>
#include <map>
#include <tuple>
#include <locale>
#include <sstream>

std::unique_ptr<juce::Drawable> midiOkImage;
void (*selectCueHook) (const juce::String&, const juce::String&) = nullptr;

namespace
{
/** A double as a default-formatted stream writes it: six significant digits,
    general notation, whatever the process locale. */
juce::String sixDigits (double value)
{
    std::ostringstream out;
    out.imbue (std::locale::classic());
    out << value;
    return out.str();
}

juce::Font labelFont()
{
    return juce::Font (raFontName, smallFontSz, juce::Font::plain);
}

struct DiamondKey
{
    juce::uint32 fill, outline;
    float size;
    bool operator< (const DiamondKey& o) const { return std::tie (fill, outline, size) < std::tie (o.fill, o.outline, o.size); }
};

std::map<DiamondKey, juce::Image>& diamondImages()
{
    static std::map<DiamondKey, juce::Image> images;
    return images;
}

void fillMarker (juce::Graphics& g, juce::ColourGradient gradient, float x, float y, float h)
{
    g.setGradientFill (gradient);
    g.fillRect (x - 1.0f, y, 2.0f, h);
}
} // namespace

//==============================================================================
void FittedTextCache::draw (juce::Graphics& g, const juce::String& newText, juce::Rectangle<int> area,
                            juce::Justification justification, int maximumLines, float minimumHorizontalScale)
{
    if (newText.isEmpty() || area.isEmpty() || ! g.clipRegionIntersects (area))
        return;

    const auto& font = g.getCurrentFont();
    if (newText != text || area.getWidth() != width || area.getHeight() != height || maximumLines != lines
        || justification.getFlags() != flags || minimumHorizontalScale != minimumScale
        || font.getHeight() != fontHeight || font.getTypefaceName() != fontName)
    {
        text = newText;
        width = area.getWidth();
        height = area.getHeight();
        lines = maximumLines;
        flags = justification.getFlags();
        minimumScale = minimumHorizontalScale;
        fontHeight = font.getHeight();
        fontName = font.getTypefaceName();
        glyphs.clear();
        glyphs.addFittedText (font, text, 0.0f, 0.0f, (float) width, (float) height, justification, lines,
                              minimumHorizontalScale);
    }
    glyphs.draw (g, juce::AffineTransform::translation ((float) area.getX(), (float) area.getY()));
}

//==============================================================================
bool TimelineObj::isVisibleIn (double visibleStart, double visibleEnd) const
{
    const auto end = time + duration;
    return (time >= visibleStart && time <= visibleEnd) || (end >= visibleStart && end <= visibleEnd);
}

//==============================================================================
juce::String TimelineCue::getLabel() const
{
    return showBankNames ? bankName + " | " + presetName : presetName;
}

void TimelineCue::calcLabelWidth()
{
    labelWidth = (int) std::ceil (labelFont().getStringWidthFloat (getLabel()));
}

void TimelineCue::calcLabelBox (double viewStart)
{
    auto x1 = xStart - (labelWidth + 10) / 2;
    if (x1 < 0 && viewStart == 0.0)
        x1 = 0; // a label at the very start of the track is pushed inside
    drawnArea.x1 = (float) x1;
    drawnArea.x2 = (float) (x1 + labelWidth + 10);
}

void TimelineCue::calcGeometry (double visibleStart, int areaHeight)
{
    const auto h = height;
    const auto hh = juce::jmax (h, 10.0f);

    if (isPointCue())
    {
        calcLabelBox (visibleStart);
        drawnArea.y1 = (h + 5.0f) * (float) lane;
        drawnArea.y2 = drawnArea.y1 + hh;
        handleTop = drawnArea.y1 + h - 10.0f;
        handleBottom = drawnArea.y1 + h + 10.0f;
    }
    else
    {
        drawnArea.x1 = (float) xStart;
        drawnArea.x2 = (float) xEnd;
        drawnArea.y1 = (float) areaHeight - (h + 5.0f) * (float) (lane + 1);
        drawnArea.y2 = drawnArea.y1 + hh;
        handleTop = drawnArea.y1 - 10.0f;
        handleBottom = drawnArea.y1 + 10.0f;
    }
}

bool TimelineCue::isInFadeIn (int x, int y) const
{
    return x >= xStart - 10 && x <= xStart + fadeInPx + 10 && (float) y >= handleTop && (float) y <= handleBottom;
}

bool TimelineCue::isInFadeOut (int x, int y) const
{
    return duration > 0 && x >= xEnd - 10 && x <= xEnd + fadeOutPx + 10 && (float) y >= handleTop
           && (float) y <= handleBottom;
}

void TimelineCue::drawObj (juce::Graphics& g, double visibleStart, double visibleEnd, int areaHeight, bool readOnly,
                           bool playerMode)
{
    calcGeometry (visibleStart, areaHeight);

    if (playerMode || ! isVisibleIn (visibleStart, visibleEnd))
        return;

    const auto point = isPointCue();
    const auto hh = juce::jmax (height, 10.0f);
    const auto x1 = drawnArea.x1, y1 = drawnArea.y1, w = drawnArea.x2 - drawnArea.x1;

    juce::Colour body;
    if (! valid)
        body = juce::Colours::red.withAlpha ((juce::uint8) 0xE6);
    else if (readOnly)
        body = textColour.withAlpha ((juce::uint8) 0x66);
    else if (selected)
        body = juce::Colours::yellow.withAlpha ((juce::uint8) (point && isCopy ? 0x4C : 0x99));
    else
        body = textColour.withAlpha ((juce::uint8) 0xB2);

    const juce::Rectangle<float> box (x1, y1, w, hh);
    g.setColour (body);
    g.fillRoundedRectangle (box, 3.0f);

    if (selected && ! readOnly)
    {
        g.setColour (juce::Colours::yellow.withAlpha (point && isCopy ? 0.5f : 1.0f));
        g.drawRoundedRectangle (box, 3.0f, 2.0f);
    }

    g.setFont (labelFont());
    const auto labelColour = valid ? textInvColour : textColour;

    if (point)
    {
        g.setColour (labelColour);
        label.draw (g, getLabel(), juce::Rectangle<float> (x1 + w / 2.0f - 200.0f, y1, 400.0f, hh).toNearestInt(),
                    juce::Justification::centred, 1);
        drawDiamond (g, juce::Colours::yellow, juce::Colours::black, (float) xStart, y1 + hh, 6.0f, (float) fadeInPx);
    }
    else
    {
        drawDiamond (g, juce::Colours::yellow, juce::Colours::black, x1, y1, 6.0f, (float) fadeInPx);
        drawDiamond (g, juce::Colours::yellow, juce::Colours::black, drawnArea.x2, y1, 6.0f, (float) fadeOutPx);
        g.setColour (labelColour);
        label.draw (g, getLabel(), juce::Rectangle<float> (x1 + 3.0f, y1, juce::jmax (0.0f, w - 6.0f), hh).toNearestInt(),
                    juce::Justification::centredLeft, hh > 20.0f ? 2 : 1);
    }
}

void TimelineCue::drawMarkerLine (juce::Graphics& g, int areaHeight)
{
    const auto H = (float) areaHeight;
    const auto x = (float) xStart;

    if (isPointCue())
    {
        fillMarker (g, juce::ColourGradient (juce::Colours::white, x - 1.0f, 2.0f, juce::Colours::transparentWhite,
                                             x + 1.0f, H / 2.0f, false),
                    x, drawnArea.y2, H - drawnArea.y2);
    }
    else
    {
        fillMarker (g, juce::ColourGradient (juce::Colours::transparentWhite, x - 1.0f, H / 2.0f, juce::Colours::white,
                                             x + 1.0f, H - 6.0f, false),
                    x, 2.0f, drawnArea.y1);
    }
}

void TimelineCue::drawReleaseMarkerLine (juce::Graphics& g, int areaHeight)
{
    if (isPointCue())
        return;

    const auto H = (float) areaHeight;
    const auto x = (float) xEnd;
    fillMarker (g, juce::ColourGradient (juce::Colours::transparentWhite, x - 1.0f, H / 2.0f, juce::Colours::white,
                                         x + 1.0f, H - 6.0f, false),
                x, 2.0f, drawnArea.y1);
}

void TimelineCue::selectCue (bool shouldBeSelected)
{
    selected = shouldBeSelected;

    if (shouldBeSelected && selectCueHook != nullptr)
        selectCueHook (bankName, presetName);
}

void TimelineCue::checkLane (std::vector<TimelineObj*> objects, double viewStart)
{
    for (;;)
    {
        bool raised = false;

        for (auto* obj : objects)
        {
            if (obj == this || obj->getType() != cueType)
                continue;

            auto* other = static_cast<TimelineCue*> (obj);
            if (other->lane != lane || other->isPointCue() != isPointCue())
                continue;

            if (isPointCue())
            {
                calcLabelBox (viewStart);
                other->calcLabelBox (viewStart);
                if (drawnArea.x1 <= other->drawnArea.x2 && other->drawnArea.x1 <= drawnArea.x2)
                {
                    ++lane;
                    raised = true;
                }
            }
            else if (xStart <= other->xEnd && other->xStart <= xEnd)
            {
                ++lane;
                raised = true;
            }
        }

        if (! raised)
            return;
    }
}

void TimelineCue::saveToDb()
{
    if (dbId == 0)
    {
        VovirCueModel model;
        model.createCue (lightShowId, (float) time, (float) duration, (float) fadeIn, (float) fadeOut, bankName,
                         presetName);
        dbId = model.id;
    }

    auto bank = bankName, preset = presetName;
    cleanStringForDb (bank);
    cleanStringForDb (preset);

    RaDatabase::getInstance()->execQuery ("UPDATE VovirCues SET BankName='" + bank + "',PresetName='" + preset
                                          + "',CueTime=" + sixDigits (time) + ",CueDuration=" + sixDigits (duration)
                                          + ",FadeInTime=" + sixDigits (fadeIn) + ",FadeOutTime=" + sixDigits (fadeOut)
                                          + " WHERE VovirCueID=" + juce::String (dbId));
}

//==============================================================================
void TimelineMemo::calcGeometry (int playerAreaHeight)
{
    const auto boxHeight = (float) (playerAreaHeight > 0 ? playerAreaHeight * 2 / 3 : (int) height);
    drawnArea = { (float) xStart, (float) xEnd, yTop, yTop + boxHeight };
}

void TimelineMemo::drawObj (juce::Graphics& g, double visibleStart, double visibleEnd, int areaHeight, bool readOnly,
                            bool playerMode)
{
    calcGeometry (playerMode ? areaHeight : 0);
    if (! isVisibleIn (visibleStart, visibleEnd))
        return;

    const auto boxHeight = (float) (playerMode ? areaHeight * 2 / 3 : (int) height);
    const auto boxWidth = (float) (xEnd - xStart);
    const juce::Rectangle<float> box ((float) xStart, yTop, boxWidth, boxHeight);

    juce::Colour body;
    if (! valid)
        body = juce::Colours::red.withAlpha ((juce::uint8) 0xE6);
    else if (readOnly || ! selected)
        body = textColour.withAlpha ((juce::uint8) 0xB2);
    else
        body = juce::Colours::yellow.withAlpha ((juce::uint8) (isCopy ? 0x4C : 0x99));

    g.setColour (body);
    g.fillRoundedRectangle (box, 5.0f);

    if (selected && ! readOnly)
    {
        g.setColour (juce::Colours::yellow.withAlpha (isCopy ? 0.5f : 1.0f));
        g.drawRoundedRectangle (box, 5.0f, 2.0f);
    }

    auto textLeft = (float) xStart;
    if (midiOkImage != nullptr && (startMidiEventId != -1 || endMidiEventId != -1))
    {
        const auto side = juce::jmin (boxHeight, boxWidth) - 6.0f;
        if (side > 0)
            midiOkImage->drawWithin (g, { (float) xStart + 3.0f, yTop + 3.0f, side, side },
                                     juce::RectanglePlacement::xLeft | juce::RectanglePlacement::yMid, 1.0f);
        textLeft += boxHeight + 3.0f;
    }

    // Lyrics in other scripts, symbols and emoji get a typeface that has them.
    g.setFont (fontfallback::fontFor (shortName, labelFont()));
    g.setColour (valid ? textInvColour : textColour);
    const auto textArea = juce::Rectangle<float> (textLeft + 3.0f, yTop, juce::jmax (0.0f, boxWidth - 6.0f), boxHeight)
                              .toNearestInt();
    if (playerMode)
        label.draw (g, shortName, textArea, juce::Justification::centredLeft, 6, 1.0f);
    else
        label.draw (g, shortName, textArea, juce::Justification::centredLeft, boxHeight >= 21.0f ? 2 : 1, 0.7f);
}

void TimelineMemo::drawMarkerLine (juce::Graphics& g, int areaHeight)
{
    const auto H = (float) areaHeight;
    auto mark = [&] (float x)
    {
        fillMarker (g, juce::ColourGradient (juce::Colours::white, x - 1.0f, yTop, juce::Colours::transparentWhite,
                                             x + 1.0f, yTop + H / 8.0f, true),
                    x, 0.0f, H);
    };
    mark ((float) xStart);
    mark ((float) xEnd);
}

void TimelineMemo::drawReleaseMarkerLine (juce::Graphics&, int)
{
    // Both lines of a memo are drawn by drawMarkerLine.
}

void TimelineMemo::saveToDb()
{
    auto* db = RaDatabase::getInstance();
    db->startTransaction ("Edit Memo");

    if (dbId == 0)
    {
        ShowMemoModel created;
        created.createMemo (lightShowId, (float) time, shortName, memoText, countIn, startMidiEventId, endMidiEventId,
                            (float) duration);
        dbId = created.id;
    }

    ShowMemoModel model (dbId);
    model.setStringField ("ShortName", shortName);
    model.setStringField ("Memo", memoText);
    model.setFloatField ("MemoTime", (float) time);
    model.setFloatField ("MemoLength", (float) duration);
    model.setIntField ("CountIn", countIn);

    db->endTransaction();
}

//==============================================================================
void clearDiamondImages()
{
    diamondImages().clear();
}

void drawDiamond (juce::Graphics& g, juce::Colour fill, juce::Colour outline, float x, float y, float size,
                  float width)
{
    // A diamond is drawn once per colour pair and size into a small image, then
    // blitted: a long lightshow paints hundreds of them at every drag step.
    auto diamond = [&] (float cx)
    {
        auto& sprites = diamondImages();
        const auto half = std::ceil (size) + 1.5f;
        auto& sprite = sprites[{ fill.getARGB(), outline.getARGB(), size }];
        if (sprite.isNull())
        {
            const auto side = (int) (2.0f * half);
            sprite = juce::Image (juce::Image::ARGB, side, side, true);
            juce::Graphics sg (sprite);
            juce::Path p;
            p.startNewSubPath (half, half - size);
            p.lineTo (half + size, half);
            p.lineTo (half, half + size);
            p.lineTo (half - size, half);
            p.closeSubPath();
            sg.setColour (fill);
            sg.fillPath (p);
            sg.setColour (outline);
            sg.strokePath (p, juce::PathStrokeType (1.0f));
        }
        g.setOpacity (1.0f);
        g.drawImageAt (sprite, juce::roundToInt (cx - half), juce::roundToInt (y - half));
    };

    if (width <= 0)
    {
        diamond (x);
        return;
    }

    g.setColour (outline);
    g.drawRect (x, y - size / 2.0f, width, size, 1.0f);
    diamond (x);
    diamond (x + width);
    g.setColour (fill);
    g.fillRect (x, y - size / 2.0f + 1.0f, width, size - 2.0f);
}
