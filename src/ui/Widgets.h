#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

/** A component filled with one colour. It owns its children: its destructor
    deletes every child component still attached to it. Panels derived from it
    set colour again from a colour global in their lookAndFeelChanged. */
class ColouredBox : public juce::Component
{
public:
    ColouredBox (const juce::String& name, juce::Colour boxColour);
    ~ColouredBox() override;

    void paint (juce::Graphics& g) override;

    juce::Colour colour;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ColouredBox)
};

/** A text button with an optional embedded icon drawn at its left. */
class VovirButton final : public juce::TextButton
{
public:
    VovirButton (const juce::String& buttonText, juce::String iconName, const juce::String& tooltip);

    /** Replaces the icon with the embedded image of that file name; a name with no
        embedded image leaves the icon as it is. */
    void setIcon (juce::String name);

    bool hasIcon() const noexcept { return icon != nullptr; }

    /** The left indent of the text: the standard one, plus room for the icon. */
    int getTextLeftIndent (const juce::Font& font) const;

    void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    float iconMargin = 2.0f;

private:
    std::unique_ptr<juce::Drawable> icon;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VovirButton)
};

/** A coloured strip of VovirButtons, some at the left and some at the right. */
class VovirToolbar final : public ColouredBox
{
public:
    explicit VovirToolbar (juce::Colour toolbarColour);
    ~VovirToolbar() override;

    /** Adds a visible button with that text and icon that tells listener when
        clicked, at the right end when atRight. The toolbar owns the button. */
    VovirButton* addButton (juce::String buttonText, juce::Button::Listener* listener, juce::String image, bool atRight);

    void resized() override;

    /** Share the width among all buttons instead of giving each 110 pixels. */
    bool stretchButtons = false;

    std::vector<VovirButton*> leftButtons, rightButtons;
    std::vector<juce::Button::Listener*> listeners;

private:
    std::vector<VovirButton*> buttonsInOrder; // parallel to listeners

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VovirToolbar)
};
