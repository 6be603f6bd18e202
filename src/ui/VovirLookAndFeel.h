#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <memory>

/** The program's look and feel: the colour scheme of the colour globals (copied
    into its colour table when it is made), the "Arial" fonts at the font-size
    globals (read whenever a font is asked for), and its own drawing of buttons,
    toggles, knobs, tabs and property rows.

    "Arial" is mapped to the embedded Liberation Sans (Regular and Bold), which
    has the same metrics, so text lays out the same on every machine. */
class VovirLookAndFeel final : public juce::LookAndFeel_V4
{
public:
    VovirLookAndFeel();

    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override;

    juce::Font getTextButtonFont (juce::TextButton&, int buttonHeight) override;
    juce::Font getPopupMenuFont() override;
    void drawMenuBarBackground (juce::Graphics&, int width, int height, bool isMouseOverBar,
                                juce::MenuBarComponent&) override;
    juce::Font getMenuBarFont (juce::MenuBarComponent&, int itemIndex, const juce::String& itemText) override;
    juce::Font getAlertWindowFont() override;
    juce::Font getComboBoxFont (juce::ComboBox&) override;

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    void drawButtonText (juce::Graphics&, juce::TextButton&, bool shouldDrawButtonAsHighlighted,
                         bool shouldDrawButtonAsDown) override;
    void drawToggleButton (juce::Graphics&, juce::ToggleButton&, bool shouldDrawButtonAsHighlighted,
                           bool shouldDrawButtonAsDown) override;
    void drawTickBox (juce::Graphics&, juce::Component&, float x, float y, float w, float h, bool ticked,
                      bool isEnabled, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPosProportional,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;
    juce::Label* createSliderTextBox (juce::Slider&) override;
    int getSliderPopupPlacement (juce::Slider&) override;

    void drawTabButtonText (juce::TabBarButton&, juce::Graphics&, bool isMouseOver, bool isMouseDown) override;

    void drawPropertyPanelSectionHeader (juce::Graphics&, const juce::String& name, bool isOpen, int width,
                                         int height) override;
    void drawPropertyComponentBackground (juce::Graphics&, int width, int height, juce::PropertyComponent&) override;
    void drawPropertyComponentLabel (juce::Graphics&, int width, int height, juce::PropertyComponent&) override;

    /** The embedded typeface that stands in for "Arial" in that weight. */
    static juce::Typeface::Ptr embeddedSans (bool bold);

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VovirLookAndFeel)
};

/** The current look and feel, which is also the framework's default one. */
extern std::unique_ptr<VovirLookAndFeel> lf;

/** Recomputes the colour scheme and replaces the look and feel with a new one
    made from it, so every component is told (lookAndFeelChanged). */
void rebuildLookAndFeel();

/** Makes no look and feel the default and deletes ours (at shutdown). */
void releaseLookAndFeel();

/** A one-line strip that shows the tooltip of whatever is under the mouse. Its
    creator starts the timer (100 ms). */
class TooltipBar final : public juce::Component
    , public juce::Timer
{
public:
    TooltipBar();

    void paint (juce::Graphics& g) override;
    void timerCallback() override;

    /** What the bar shows for the component under the mouse: its tooltip, unless
        a mouse button is down or a modal component blocks it. */
    static juce::String tipFor (juce::Component* componentUnderMouse);

    /** Shows that text (repainting only when it changes). */
    void setTip (const juce::String& newTip);
    const juce::String& getTip() const noexcept { return tip; }

private:
    juce::String tip;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TooltipBar)
};
