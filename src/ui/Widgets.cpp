#include "ui/Widgets.h"

#include "ui/EmbeddedImages.h"

//==============================================================================
ColouredBox::ColouredBox (const juce::String& name, juce::Colour boxColour)
    : juce::Component (name)
    , colour (boxColour)
{
}

ColouredBox::~ColouredBox()
{
    deleteAllChildren();
}

void ColouredBox::paint (juce::Graphics& g)
{
    g.fillAll (colour);
}

//==============================================================================
VovirButton::VovirButton (const juce::String& buttonText, juce::String iconName, const juce::String& tooltip)
    : juce::TextButton (buttonText, tooltip)
{
    setIcon (std::move (iconName));
}

void VovirButton::setIcon (juce::String name)
{
    if (auto drawable = EmbeddedImages::getDrawable (name))
    {
        icon = std::move (drawable);
        repaint();
    }
}

int VovirButton::getTextLeftIndent (const juce::Font& font) const
{
    const int cornerSize = juce::jmin (getHeight(), getWidth()) / 2;
    const int fontHeight = juce::roundToInt (font.getHeight() * 0.6f);
    int leftIndent = juce::jmin (fontHeight, 2 + cornerSize / (isConnectedOnLeft() ? 4 : 2));

    if (icon != nullptr)
        leftIndent += getHeight() - 4;

    return leftIndent;
}

void VovirButton::paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    auto& laf = getLookAndFeel();

    laf.drawButtonBackground (g, *this,
                              findColour (getToggleState() ? buttonOnColourId : buttonColourId),
                              shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);

    // The standard text layout, moved right to make room for the icon.
    const auto font = laf.getTextButtonFont (*this, getHeight());
    g.setFont (font);
    g.setColour (findColour (getToggleState() ? textColourOnId : textColourOffId)
                     .withMultipliedAlpha (isEnabled() ? 1.0f : 0.5f));

    const int yIndent = juce::jmin (4, proportionOfHeight (0.3f));
    const int cornerSize = juce::jmin (getHeight(), getWidth()) / 2;
    const int fontHeight = juce::roundToInt (font.getHeight() * 0.6f);
    const int leftIndent = getTextLeftIndent (font);
    const int rightIndent = juce::jmin (fontHeight, 2 + cornerSize / (isConnectedOnRight() ? 4 : 2));

    int textWidth = getWidth() - leftIndent - rightIndent;
    if (textWidth < 0)
        textWidth = 5;

    if (textWidth > 0)
        g.drawFittedText (getButtonText(), leftIndent, yIndent, textWidth, getHeight() - yIndent * 2,
                          juce::Justification::centred, 2);

    if (icon != nullptr)
    {
        const float side = (float) getHeight() - 2.0f * iconMargin;
        icon->drawWithin (g, { iconMargin, iconMargin, side, side },
                          juce::RectanglePlacement::xLeft | juce::RectanglePlacement::yMid, 1.0f);
    }
}

//==============================================================================
VovirToolbar::VovirToolbar (juce::Colour toolbarColour)
    : ColouredBox ("ColouredBox", toolbarColour)
{
    setSize (100, 56);
}

VovirToolbar::~VovirToolbar()
{
    for (size_t i = 0; i < buttonsInOrder.size(); ++i)
        if (listeners[i] != nullptr)
            buttonsInOrder[i]->removeListener (listeners[i]);

    // Deleting a button also takes it out of this component, so the base class
    // does not delete it a second time.
    for (auto* button : buttonsInOrder)
        delete button;
}

VovirButton* VovirToolbar::addButton (juce::String buttonText, juce::Button::Listener* listener, juce::String image,
                                      bool atRight)
{
    auto* button = new VovirButton (buttonText, std::move (image), "");
    addAndMakeVisible (button);
    if (listener != nullptr)
        button->addListener (listener);

    (atRight ? rightButtons : leftButtons).push_back (button);
    buttonsInOrder.push_back (button);
    listeners.push_back (listener);

    resized();
    return button;
}

void VovirToolbar::resized()
{
    const int n = (int) (leftButtons.size() + rightButtons.size());
    if (n == 0)
        return;

    const int w = getWidth();
    const int h = getHeight();
    const int d = (stretchButtons || w < 120 * n) ? w / n - 10 : 110;

    int x = 5;
    for (auto* button : leftButtons)
    {
        button->setBounds (x, 10, d, h - 20);
        x += d + 10;
    }

    x = w - (int) rightButtons.size() * (d + 5) - 5;
    for (auto* button : rightButtons)
    {
        button->setBounds (x, 10, d, h - 20);
        x += d + 10;
    }
}
