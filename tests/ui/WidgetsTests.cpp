#include "ui/Widgets.h"

#include <gtest/gtest.h>

namespace
{
struct ClickCounter final : juce::Button::Listener
{
    void buttonClicked (juce::Button* b) override { clicked.push_back (b); }
    std::vector<juce::Button*> clicked;
};

/** A child that reports its own deletion. */
struct Witness final : juce::Component
{
    explicit Witness (bool& deletedFlag) : deleted (deletedFlag) {}
    ~Witness() override { deleted = true; }
    bool& deleted;
};

std::vector<juce::Rectangle<int>> boundsOf (const std::vector<VovirButton*>& buttons)
{
    std::vector<juce::Rectangle<int>> result;
    for (auto* b : buttons)
        result.push_back (b->getBounds());
    return result;
}
} // namespace

TEST (ColouredBox, PaintsItsColourAndDeletesItsChildren)
{
    bool deleted = false;
    {
        ColouredBox box ("ColouredBox", juce::Colour (0xff123456));
        box.setSize (20, 10);
        box.addAndMakeVisible (new Witness (deleted));

        const auto image = box.createComponentSnapshot (box.getLocalBounds(), false);
        EXPECT_EQ (image.getPixelAt (0, 0), juce::Colour (0xff123456));
        EXPECT_EQ (image.getPixelAt (19, 9), juce::Colour (0xff123456));
    }
    EXPECT_TRUE (deleted);
}

TEST (VovirToolbar, StartsAs100By56AndAddsVisibleButtonsWithTheirListeners)
{
    ClickCounter left, right;
    VovirToolbar toolbar (juce::Colours::red);
    EXPECT_EQ (toolbar.getBounds(), juce::Rectangle<int> (0, 0, 100, 56));

    auto* play = toolbar.addButton ("Play", &left, "play_48x.png", false);
    auto* remove = toolbar.addButton ("Delete", &right, "close_48x.png", true);

    EXPECT_EQ (toolbar.leftButtons, std::vector<VovirButton*> { play });
    EXPECT_EQ (toolbar.rightButtons, std::vector<VovirButton*> { remove });
    EXPECT_EQ (toolbar.listeners, (std::vector<juce::Button::Listener*> { &left, &right }));
    EXPECT_EQ (play->getParentComponent(), &toolbar);
    EXPECT_TRUE (play->isVisible() && remove->isVisible());
    EXPECT_EQ (play->getButtonText(), "Play");
    EXPECT_TRUE (play->getTooltip().isEmpty());
    EXPECT_TRUE (play->hasIcon());

    play->triggerClick();
    remove->triggerClick();
    for (int i = 0; i < 200 && left.clicked.size() + right.clicked.size() < 2; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

    EXPECT_EQ (left.clicked, std::vector<juce::Button*> { play });
    EXPECT_EQ (right.clicked, std::vector<juce::Button*> { remove });
}

TEST (VovirToolbar, ButtonWidthsAndPositions)
{
    struct Case
    {
        int width, numLeft, numRight;
        bool stretch;
        int expectedButtonWidth;
    };
    const Case cases[] = {
        { 600, 6, 0, false, 90 },  // 600 < 6 x 120: shared width
        { 719, 6, 0, false, 109 }, // just below 6 x 120
        { 720, 6, 0, false, 110 }, // from 6 x 120 on: 110 each
        { 900, 4, 2, false, 110 },
        { 900, 4, 2, true, 140 },  // stretched: shared width
        { 300, 1, 1, false, 110 }, // 300 >= 2 x 120
        { 100, 1, 0, false, 90 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.width) + " px, " + juce::String (c.numLeft) + "+" + juce::String (c.numRight)
                      + (c.stretch ? " stretched" : ""));
        VovirToolbar toolbar (juce::Colours::black);
        toolbar.stretchButtons = c.stretch;
        for (int i = 0; i < c.numLeft + c.numRight; ++i)
            toolbar.addButton ("B" + juce::String (i), nullptr, "", i >= c.numLeft);

        toolbar.setSize (c.width, 56);
        const int d = c.expectedButtonWidth;

        std::vector<juce::Rectangle<int>> expectedLeft, expectedRight;
        for (int i = 0; i < c.numLeft; ++i)
            expectedLeft.push_back ({ 5 + i * (d + 10), 10, d, 36 });
        for (int i = 0; i < c.numRight; ++i)
            expectedRight.push_back ({ c.width - c.numRight * (d + 5) - 5 + i * (d + 10), 10, d, 36 });

        EXPECT_EQ (boundsOf (toolbar.leftButtons), expectedLeft);
        EXPECT_EQ (boundsOf (toolbar.rightButtons), expectedRight);
    }
}

TEST (VovirToolbar, HeightFollowsTheToolbar)
{
    VovirToolbar toolbar (juce::Colours::black);
    auto* b = toolbar.addButton ("A", nullptr, "", false);
    toolbar.setSize (400, 80);
    EXPECT_EQ (b->getBounds(), juce::Rectangle<int> (5, 10, 110, 60));
}

TEST (VovirButton, IconMovesTheTextRightAndAMissingIconChangesNothing)
{
    VovirButton plain ("Paste", "no-such-icon_48.png", "Paste the messages");
    VovirButton withIcon ("Play", "play_48x.png", "");
    juce::TextButton reference ("Paste");
    for (juce::Component* c : std::initializer_list<juce::Component*> { &plain, &withIcon, &reference })
        c->setSize (110, 36);

    const juce::Font font (16.0f);
    EXPECT_FALSE (plain.hasIcon());
    EXPECT_EQ (plain.getTooltip(), "Paste the messages");
    EXPECT_EQ (plain.iconMargin, 2.0f);

    // Without an icon: the framework's standard indent, min (font height * 0.6, 2 + corner / 2).
    EXPECT_EQ (plain.getTextLeftIndent (font), juce::jmin (juce::roundToInt (16.0f * 0.6f), 2 + 18 / 2));
    EXPECT_TRUE (withIcon.hasIcon());
    EXPECT_EQ (withIcon.getTextLeftIndent (font), plain.getTextLeftIndent (font) + 36 - 4);

    // A later unknown name keeps the icon; a known one replaces it.
    withIcon.setIcon ("no-such-image.png");
    EXPECT_TRUE (withIcon.hasIcon());
    plain.setIcon ("ok_48.png");
    EXPECT_TRUE (plain.hasIcon());
}

TEST (VovirButton, PaintsItsIconAtTheLeft)
{
    // The white play triangle sits in the left square of the button; with no icon
    // that area shows only the button's colour.
    auto paint = [] (const juce::String& iconName)
    {
        VovirButton button ("", iconName, "");
        button.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff202020));
        button.setSize (120, 40);
        return button.createComponentSnapshot (button.getLocalBounds(), false);
    };

    const auto brightestInIconArea = [] (const juce::Image& image)
    {
        float best = 0.0f;
        for (int y = 2; y < 38; ++y)
            for (int x = 2; x < 38; ++x)
                best = juce::jmax (best, image.getPixelAt (x, y).getBrightness());
        return best;
    };

    EXPECT_GT (brightestInIconArea (paint ("play_48x.png")), 0.9f);
    EXPECT_LT (brightestInIconArea (paint ("")), 0.5f);
}
