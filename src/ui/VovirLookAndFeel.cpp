#include "ui/VovirLookAndFeel.h"

#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"

std::unique_ptr<VovirLookAndFeel> lf;

namespace
{
/** The embedded Liberation Sans faces, made once and released with the other
    framework singletons at shutdown. */
class EmbeddedTypefaces final : public juce::DeletedAtShutdown
{
public:
    EmbeddedTypefaces()
        : regular (load ("LiberationSans-Regular.ttf"))
        , bold (load ("LiberationSans-Bold.ttf"))
    {
    }

    ~EmbeddedTypefaces() override { clearSingletonInstance(); }

    const juce::Typeface::Ptr regular, bold;

    JUCE_DECLARE_SINGLETON (EmbeddedTypefaces, false)

private:
    static juce::Typeface::Ptr load (const char* fileName)
    {
        int size = 0;
        if (const auto* data = EmbeddedImages::getNamedResource (fileName, size))
            return juce::Typeface::createSystemTypefaceFor (data, (size_t) size);

        return {};
    }

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (EmbeddedTypefaces)
};

JUCE_IMPLEMENT_SINGLETON (EmbeddedTypefaces)

/** Each channel multiplied by factor and truncated; alpha unchanged. */
juce::Colour scaledChannels (juce::Colour c, float factor)
{
    auto scale = [factor] (juce::uint8 v) { return (juce::uint8) juce::jlimit (0, 255, (int) ((float) v * factor)); };
    return juce::Colour (scale (c.getRed()), scale (c.getGreen()), scale (c.getBlue()), c.getAlpha());
}

/** Each channel moved towards white: 255 - (255 - c) * factor; alpha unchanged. */
juce::Colour lightenedChannels (juce::Colour c, float factor)
{
    auto lighten = [factor] (juce::uint8 v)
    { return (juce::uint8) juce::jlimit (0, 255, (int) (255.0f - (255.0f - (float) v) * factor)); };
    return juce::Colour (lighten (c.getRed()), lighten (c.getGreen()), lighten (c.getBlue()), c.getAlpha());
}

/** The base colour of the glass-sphere tick box. */
juce::Colour tickBoxBaseColour (juce::Colour buttonColour, bool hasKeyboardFocus, bool highlighted, bool down)
{
    const auto base = buttonColour.withMultipliedSaturation (hasKeyboardFocus ? 1.3f : 0.9f);

    if (down)
        return base.contrasting (0.2f);
    if (highlighted)
        return base.contrasting (0.1f);
    return base;
}

constexpr float darkeningFactor = 0.7142857f;
const juce::Colour knobColour { 0xff7883a2 };
} // namespace

//==============================================================================
VovirLookAndFeel::VovirLookAndFeel()
{
    using namespace juce;

    const auto halfAlpha = (uint8) roundToInt (complementColour.getAlpha() / 2.0);

    setColour (TextButton::buttonColourId, complementColour.withAlpha (halfAlpha).withMultipliedSaturation (0.5f));
    setColour (TextButton::buttonOnColourId, complementColour);
    setColour (TextButton::textColourOffId, textColour);
    setColour (TextButton::textColourOnId, textColour);
    setColour (AlertWindow::backgroundColourId, darkerColour);
    setColour (AlertWindow::textColourId, textColour);
    setColour (AlertWindow::outlineColourId, lightestColour);
    setColour (Slider::textBoxBackgroundColourId, darkestColour);
    setColour (Slider::backgroundColourId, darkerColour);
    setColour (Slider::thumbColourId, lighterColour);
    setColour (Slider::textBoxTextColourId, textColour);
    setColour (Label::textColourId, textColour);
    setColour (Label::backgroundColourId, Colours::transparentBlack);
    setColour (CaretComponent::caretColourId, textColour);
    setColour (TextEditor::backgroundColourId, darkestColour);
    setColour (TextEditor::textColourId, textColour);
    setColour (TextEditor::highlightColourId, Colour (0x80808080));
    setColour (TextEditor::highlightedTextColourId, textColour);
    setColour (TextEditor::focusedOutlineColourId, lightestColour);
    setColour (ToggleButton::textColourId, textColour);
    setColour (ComboBox::backgroundColourId, mainColour);
    setColour (ComboBox::textColourId, textColour);
    setColour (ComboBox::outlineColourId, darkestColour);
    setColour (ComboBox::buttonColourId, darkestColour);
    setColour (ComboBox::arrowColourId, lightestColour);
    setColour (ScrollBar::thumbColourId, lightestColour);
    setColour (ColourSelector::backgroundColourId, mainColour);
    setColour (TabbedComponent::backgroundColourId, darkestColour);
    setColour (TabbedComponent::outlineColourId, darkerColour);
    setColour (Toolbar::backgroundColourId, darkerColour);
    setColour (Toolbar::labelTextColourId, textColour);
    setColour (TreeView::backgroundColourId, darkerColour);
    setColour (TreeView::linesColourId, textColour);
    setColour (ListBox::outlineColourId, lightestColour);
    setColour (ListBox::backgroundColourId, darkerColour);

    // The menu bar is the main window's own here (not a system menu), so it and
    // its pop-up menus are drawn in the scheme too.
    setColour (PopupMenu::backgroundColourId, darkerColour);
    setColour (PopupMenu::textColourId, textColour);
    setColour (PopupMenu::headerTextColourId, textColour);
    setColour (PopupMenu::highlightedBackgroundColourId, complementColour);
    setColour (PopupMenu::highlightedTextColourId, textInvColour);
}

void VovirLookAndFeel::drawMenuBarBackground (juce::Graphics& g, int width, int height, bool, juce::MenuBarComponent&)
{
    g.fillAll (darkestColour);
    g.setColour (darkerColour);
    g.fillRect (0, height - 1, width, 1);
}

juce::Typeface::Ptr VovirLookAndFeel::embeddedSans (bool bold)
{
    auto* faces = EmbeddedTypefaces::getInstance();
    return bold ? faces->bold : faces->regular;
}

juce::Typeface::Ptr VovirLookAndFeel::getTypefaceForFont (const juce::Font& font)
{
    // The system has no "Arial" and the framework does not follow font aliases.
    if (font.getTypefaceName() == raFontName)
        if (auto face = embeddedSans (font.isBold()))
            return face;

    return juce::LookAndFeel_V4::getTypefaceForFont (font);
}

//==============================================================================
juce::Font VovirLookAndFeel::getTextButtonFont (juce::TextButton&, int)
{
    return raFont (smallFontSz);
}

juce::Font VovirLookAndFeel::getPopupMenuFont()
{
    return raFont (smallFontSz);
}

juce::Font VovirLookAndFeel::getMenuBarFont (juce::MenuBarComponent&, int, const juce::String&)
{
    return raFont (smallFontSz);
}

juce::Font VovirLookAndFeel::getAlertWindowFont()
{
    return raFont (defFontSz);
}

juce::Font VovirLookAndFeel::getComboBoxFont (juce::ComboBox&)
{
    return raFont (defFontSz);
}

//==============================================================================
void VovirLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button,
                                             const juce::Colour& backgroundColour, bool, bool shouldDrawButtonAsDown)
{
    auto top = backgroundColour;
    if (shouldDrawButtonAsDown && ! button.getToggleState())
        top = lightenedChannels (top, darkeningFactor);

    auto bottom = scaledChannels (top, darkeningFactor);
    auto outline = scaledChannels (darkestColour, 0.5f);

    // isEnabled() is also false inside a disabled parent.
    if (! button.isEnabled())
    {
        top = top.withAlpha ((juce::uint8) 0x33);
        bottom = bottom.withAlpha ((juce::uint8) 0x33);
        outline = outline.withAlpha ((juce::uint8) 0x33);
    }

    const auto height = (float) button.getHeight();
    juce::Path shape;
    shape.addRoundedRectangle (1.0f, 1.0f, (float) button.getWidth() - 2.0f, height - 2.0f, 3.0f);

    juce::DropShadow (juce::Colour (0x20000000), 1, { 0, 1 }).drawForPath (g, shape);

    g.setGradientFill (juce::ColourGradient (top, 0.0f, 0.0f, bottom, 0.0f, height, false));
    g.fillPath (shape);

    g.setColour (outline);
    g.strokePath (shape, juce::PathStrokeType (1.0f));
}

void VovirLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button,
                                       bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    // The standard layout; it takes its font from getTextButtonFont above.
    juce::LookAndFeel_V2::drawButtonText (g, button, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);
}

void VovirLookAndFeel::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                                         bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    if (button.hasKeyboardFocus (true))
    {
        g.setColour (button.findColour (juce::TextEditor::focusedOutlineColourId));
        g.drawRect (0, 0, button.getWidth(), button.getHeight());
    }

    const float tickSize = juce::jmin (15.0f, (float) button.getHeight() * 0.75f);
    const float tickWidth = tickSize * 1.1f;

    drawTickBox (g, button, 4.0f, ((float) button.getHeight() - tickWidth) * 0.5f, tickWidth, tickWidth,
                 button.getToggleState(), button.isEnabled(), shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);

    g.setColour (button.findColour (juce::ToggleButton::textColourId));
    g.setFont (raFont (smallFontSz));

    if (! button.isEnabled())
        g.setOpacity (0.5f);

    g.drawFittedText (button.getButtonText(),
                      button.getLocalBounds().withTrimmedLeft (juce::roundToInt (tickWidth) + 5).withTrimmedRight (2),
                      juce::Justification::centredLeft, 10);
}

void VovirLookAndFeel::drawTickBox (juce::Graphics& g, juce::Component& component, float x, float y, float w, float h,
                                    bool ticked, bool isEnabled, bool shouldDrawButtonAsHighlighted,
                                    bool shouldDrawButtonAsDown)
{
    const float boxSize = w * 0.7f;

    drawGlassSphere (g, x, y + (h - boxSize) * 0.5f, boxSize,
                     tickBoxBaseColour (component.findColour (juce::TextButton::buttonColourId)
                                            .withMultipliedAlpha (isEnabled ? 1.0f : 0.5f),
                                        true, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown),
                     isEnabled ? ((shouldDrawButtonAsDown || shouldDrawButtonAsHighlighted) ? 1.1f : 0.5f) : 0.3f);

    if (ticked)
    {
        juce::Path tick;
        tick.startNewSubPath (1.5f, 3.0f);
        tick.lineTo (3.0f, 6.0f);
        tick.lineTo (6.0f, 0.0f);

        g.setColour (isEnabled ? textColour : textColour.withAlpha ((juce::uint8) 0x80));
        g.strokePath (tick, juce::PathStrokeType (2.5f),
                      juce::AffineTransform::scale (w / 9.0f, h / 9.0f).translated (x, y));
    }
}

//==============================================================================
void VovirLookAndFeel::drawRotarySlider (juce::Graphics& g, int, int, int width, int height,
                                         float sliderPosProportional, float, float, juce::Slider&)
{
    const float w = (float) width - 6.0f;
    const float h = (float) height - 6.0f;
    const float angle = sliderPosProportional * 5.2f - 2.6f;
    const auto turn = juce::AffineTransform::rotation (angle, (float) width / 2.0f, (float) height / 2.0f);

    juce::Path body;
    body.addEllipse (3.0f, 3.0f, w, h);

    juce::DropShadow (juce::Colour (0xc0000000), 3, { 1, 1 }).drawForPath (g, body);

    g.setGradientFill (juce::ColourGradient (knobColour.withMultipliedBrightness (2.0f), 3.0f, 3.0f,
                                             knobColour.withMultipliedBrightness (0.5f), w, h, false));
    g.fillPath (body);

    {
        // The grip: a shadowed ridge with a brighter core, turning with the pointer.
        juce::Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (body);

        juce::Path ridge;
        ridge.addEllipse (w / 4.0f + 3.0f, 2.0f, w / 2.0f, h + 2.0f);
        ridge.applyTransform (turn);
        juce::DropShadow (juce::Colour (0x60000000), 3, { 0, 0 }).drawForPath (g, ridge);
        g.setColour (knobColour);
        g.fillPath (ridge);

        juce::Path core;
        core.addEllipse (w / 3.0f + 3.0f, 2.0f, w / 3.0f, h + 2.0f);
        g.setGradientFill (juce::ColourGradient (knobColour.withMultipliedBrightness (2.0f), 3.0f, 3.0f,
                                                 knobColour.withMultipliedBrightness (0.8f), 3.0f, h, false));
        g.fillPath (core, turn);
    }

    g.setColour (juce::Colour (0x80000000));
    g.strokePath (body, juce::PathStrokeType (1.0f));

    juce::Path pointer;
    pointer.startNewSubPath ((float) width / 2.0f, 3.0f);
    pointer.lineTo ((float) width / 2.0f, h / 3.0f + 3.0f);
    g.setColour (juce::Colours::white);
    g.strokePath (pointer, juce::PathStrokeType (2.0f), turn);
}

juce::Label* VovirLookAndFeel::createSliderTextBox (juce::Slider& slider)
{
    auto* label = juce::LookAndFeel_V2::createSliderTextBox (slider);
    label->setFont (raFont (defFontSz));
    return label;
}

int VovirLookAndFeel::getSliderPopupPlacement (juce::Slider&)
{
    return juce::BubbleComponent::above;
}

//==============================================================================
void VovirLookAndFeel::drawTabButtonText (juce::TabBarButton& button, juce::Graphics& g, bool isMouseOver,
                                          bool isMouseDown)
{
    auto area = button.getTextArea().toFloat();
    auto length = area.getWidth();
    auto depth = area.getHeight();

    if (button.getTabbedButtonBar().isVertical())
        std::swap (length, depth);

    auto font = raFont (smallFontSz);
    font.setUnderline (button.hasKeyboardFocus (false));

    juce::AffineTransform t;
    switch (button.getTabbedButtonBar().getOrientation())
    {
        case juce::TabbedButtonBar::TabsAtLeft:
            t = t.rotated (juce::MathConstants<float>::pi * -0.5f).translated (area.getX(), area.getBottom());
            break;
        case juce::TabbedButtonBar::TabsAtRight:
            t = t.rotated (juce::MathConstants<float>::pi * 0.5f).translated (area.getRight(), area.getY());
            break;
        case juce::TabbedButtonBar::TabsAtTop:
        case juce::TabbedButtonBar::TabsAtBottom:
            t = t.translated (area.getX(), area.getY());
            break;
    }

    juce::Colour colour;
    if (button.isFrontTab()
        && (button.isColourSpecified (juce::TabbedButtonBar::frontTextColourId)
            || isColourSpecified (juce::TabbedButtonBar::frontTextColourId)))
        colour = findColour (juce::TabbedButtonBar::frontTextColourId);
    else if (button.isColourSpecified (juce::TabbedButtonBar::tabTextColourId)
             || isColourSpecified (juce::TabbedButtonBar::tabTextColourId))
        colour = findColour (juce::TabbedButtonBar::tabTextColourId);
    else
        colour = button.getTabBackgroundColour().contrasting();

    const float alpha = button.isEnabled() ? ((isMouseOver || isMouseDown) ? 1.0f : 0.8f) : 0.3f;

    g.setColour (colour.withMultipliedAlpha (alpha));
    g.setFont (font);
    g.addTransform (t);
    g.drawFittedText (button.getButtonText().trim(), 0, 0, (int) length, (int) depth, juce::Justification::centred,
                      juce::jmax (1, ((int) depth) / 12));
}

//==============================================================================
void VovirLookAndFeel::drawPropertyPanelSectionHeader (juce::Graphics& g, const juce::String& name, bool isOpen,
                                                       int width, int height)
{
    const int side = height * 3 / 4;
    const int indent = (height - side) / 2;

    juce::LookAndFeel_V2::drawTreeviewPlusMinusBox (
        g, juce::Rectangle<float> ((float) indent, (float) indent, (float) side, (float) side), juce::Colours::white,
        isOpen, false);

    const int textX = side + 2 * indent + 2;
    g.setColour (textColour);
    g.setFont (raFont (defFontSz));
    g.drawText (name, textX, 0, width - textX - 4, height, juce::Justification::centredLeft, true);
}

void VovirLookAndFeel::drawPropertyComponentBackground (juce::Graphics& g, int width, int height,
                                                        juce::PropertyComponent&)
{
    g.setColour (darkerColour);
    g.fillRect (0, 0, width, height - 1);
}

void VovirLookAndFeel::drawPropertyComponentLabel (juce::Graphics& g, int, int, juce::PropertyComponent& component)
{
    g.setColour (textColour.withMultipliedAlpha (component.isEnabled() ? 1.0f : 0.6f));
    g.setFont (raFont (defFontSz));

    const auto content = getPropertyComponentContentPosition (component);
    g.drawFittedText (component.getName(), 3, content.getY(), content.getX() - 5, content.getHeight(),
                      juce::Justification::centredLeft, 2);
}

//==============================================================================
void rebuildLookAndFeel()
{
    calculateColourScheme();

    if (lf != nullptr)
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        lf.reset();
    }

    // Typefaces resolved before (perhaps for "Arial" by another look and feel)
    // must be looked up again through the new one.
    juce::Typeface::clearTypefaceCache();

    lf = std::make_unique<VovirLookAndFeel>();
    juce::LookAndFeel::setDefaultLookAndFeel (lf.get());
}

void releaseLookAndFeel()
{
    if (lf != nullptr)
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        lf.reset();
    }
}

//==============================================================================
TooltipBar::TooltipBar() = default;

juce::String TooltipBar::tipFor (juce::Component* componentUnderMouse)
{
    if (componentUnderMouse == nullptr || juce::ModifierKeys::currentModifiers.isAnyMouseButtonDown())
        return {};

    if (auto* client = dynamic_cast<juce::TooltipClient*> (componentUnderMouse))
        if (! componentUnderMouse->isCurrentlyBlockedByAnotherModalComponent())
            return client->getTooltip();

    return {};
}

void TooltipBar::setTip (const juce::String& newTip)
{
    if (newTip != tip)
    {
        tip = newTip;
        repaint();
    }
}

void TooltipBar::timerCallback()
{
    setTip (tipFor (juce::Desktop::getInstance().getMainMouseSource().getComponentUnderMouse()));
}

void TooltipBar::paint (juce::Graphics& g)
{
    g.setColour (juce::Colours::black);
    g.setFont (juce::Font ((float) getHeight() * 0.7f));
    g.drawFittedText (tip, 10, 0, getWidth() - 12, getHeight(), juce::Justification::centredLeft, 1);
}
