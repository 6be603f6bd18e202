#include "app/Globals.h"
#include "ui/ColourScheme.h"
#include "ui/SchemeGuard.h"
#include "ui/VovirLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
/** Installs a fresh look and feel from a known scheme and takes it away again,
    with the colour and font globals as they were. */
class LookAndFeelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SchemeGuard::setColourSetting ("raGuiColour", 0xff404860);
        SchemeGuard::setColourSetting ("raComplementColour", 0xffd38538);
        rebuildLookAndFeel();
    }

    void TearDown() override
    {
        releaseLookAndFeel();
        juce::Typeface::clearTypefaceCache();
    }

    SchemeGuard guard;
};

/** A property row with nothing in it. */
struct EmptyRow final : juce::PropertyComponent
{
    EmptyRow() : juce::PropertyComponent ("Fade time", 25) {}
    void refresh() override {}
};

juce::Colour pixelAfter (std::function<void (juce::Graphics&)> paint, int x, int y, int w = 100, int h = 30)
{
    juce::Image image (juce::Image::ARGB, w, h, true);
    {
        juce::Graphics g (image);
        paint (g);
    }
    return image.getPixelAt (x, y);
}
} // namespace

TEST_F (LookAndFeelTest, ArialIsTheEmbeddedLiberationSans)
{
    ASSERT_NE (lf, nullptr);
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), lf.get());

    const auto regular = lf->getTypefaceForFont (juce::Font ("Arial", 16.0f, juce::Font::plain));
    const auto bold = lf->getTypefaceForFont (juce::Font ("Arial", 16.0f, juce::Font::bold));
    ASSERT_NE (regular, nullptr);
    ASSERT_NE (bold, nullptr);
    EXPECT_EQ (regular->getName(), "Liberation Sans");
    EXPECT_EQ (regular->getStyle(), "Regular");
    EXPECT_EQ (bold->getName(), "Liberation Sans");
    EXPECT_EQ (bold->getStyle(), "Bold");
    EXPECT_EQ (regular.get(), VovirLookAndFeel::embeddedSans (false).get());

    // Arial's vertical metrics: ascent 1854 and descent 434 units of 2048.
    EXPECT_NEAR (regular->getAscent(), 1854.0f / (1854.0f + 434.0f), 0.005f);

    // Fonts made anywhere in the program resolve through the default look and feel.
    const auto font = raFont (20.0f);
    EXPECT_EQ (font.getTypefacePtr()->getName(), "Liberation Sans");
    EXPECT_EQ (font.getStringWidthFloat ("Raziviz Avodoru"),
               juce::Font (regular).withHeight (20.0f).getStringWidthFloat ("Raziviz Avodoru"));

    // Other families are not touched.
    EXPECT_NE (lf->getTypefaceForFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), 12.0f, 0))->getName(),
               "Liberation Sans");
}

TEST_F (LookAndFeelTest, FontsAreArialAtTheCurrentSizes)
{
    smallFontSz = 13.0f;
    defFontSz = 17.0f;

    juce::TextButton button;
    juce::ComboBox combo;
    juce::MenuBarComponent menuBar;

    for (auto font : { lf->getTextButtonFont (button, 30), lf->getPopupMenuFont(), lf->getMenuBarFont (menuBar, 0, "File") })
    {
        EXPECT_EQ (font.getTypefaceName(), "Arial");
        EXPECT_FLOAT_EQ (font.getHeight(), 13.0f);
        EXPECT_FALSE (font.isBold() || font.isItalic());
    }
    for (auto font : { lf->getAlertWindowFont(), lf->getComboBoxFont (combo) })
    {
        EXPECT_EQ (font.getTypefaceName(), "Arial");
        EXPECT_FLOAT_EQ (font.getHeight(), 17.0f);
    }

    juce::Slider slider (juce::Slider::LinearHorizontal, juce::Slider::TextBoxLeft);
    std::unique_ptr<juce::Label> textBox (lf->createSliderTextBox (slider));
    EXPECT_EQ (textBox->getFont().getTypefaceName(), "Arial");
    EXPECT_FLOAT_EQ (textBox->getFont().getHeight(), 17.0f);
    EXPECT_EQ (lf->getSliderPopupPlacement (slider), juce::BubbleComponent::above);
}

TEST_F (LookAndFeelTest, ColourTableComesFromTheSchemeAtConstruction)
{
    EXPECT_EQ (mainColour.getARGB(), 0xff404860u);

    const auto buttonColour = lf->findColour (juce::TextButton::buttonColourId);
    EXPECT_EQ (buttonColour.getAlpha(), 128); // 255 / 2 rounded
    EXPECT_NEAR (buttonColour.getSaturation(), complementColour.getSaturation() * 0.5f, 0.01f);
    EXPECT_NEAR (buttonColour.getHue(), complementColour.getHue(), 0.01f);

    const std::pair<int, juce::Colour> expected[] = {
        { juce::TextButton::buttonOnColourId, complementColour },
        { juce::TextButton::textColourOffId, textColour },
        { juce::AlertWindow::backgroundColourId, darkerColour },
        { juce::AlertWindow::outlineColourId, lightestColour },
        { juce::Slider::textBoxBackgroundColourId, darkestColour },
        { juce::Slider::thumbColourId, lighterColour },
        { juce::Label::backgroundColourId, juce::Colours::transparentBlack },
        { juce::TextEditor::highlightColourId, juce::Colour (0x80808080) },
        { juce::ComboBox::backgroundColourId, mainColour },
        { juce::ComboBox::arrowColourId, lightestColour },
        { juce::TabbedComponent::backgroundColourId, darkestColour },
        { juce::TreeView::linesColourId, textColour },
        { juce::ListBox::backgroundColourId, darkerColour },
    };
    for (auto [id, colour] : expected)
        EXPECT_EQ (lf->findColour (id), colour) << juce::String::toHexString (id);

    // A later change of the scheme reaches the table only through a rebuild.
    userSettings()->setValue ("raGuiColour", juce::String ((int) 0xffc0c0c0u));
    EXPECT_EQ (lf->findColour (juce::ComboBox::backgroundColourId).getARGB(), 0xff404860u);
    rebuildLookAndFeel();
    EXPECT_EQ (lf->findColour (juce::ComboBox::backgroundColourId).getARGB(), 0xffc0c0c0u);
    EXPECT_EQ (lf->findColour (juce::Label::textColourId), juce::Colours::black);
    EXPECT_EQ (&juce::LookAndFeel::getDefaultLookAndFeel(), lf.get());
}

TEST_F (LookAndFeelTest, ButtonBackgroundPressedDisabledAndToggled)
{
    const juce::Colour base (0xff6080a0);
    juce::TextButton button ("B");
    button.setSize (100, 30);

    auto topPixel = [&] (bool down)
    { return pixelAfter ([&] (juce::Graphics& g) { lf->drawButtonBackground (g, button, base, false, down); }, 50, 2); };
    auto bottomPixel = [&]
    { return pixelAfter ([&] (juce::Graphics& g) { lf->drawButtonBackground (g, button, base, false, false); }, 50, 27); };

    const auto normal = topPixel (false);
    EXPECT_NEAR (normal.getRed(), 0x60, 4);
    EXPECT_NEAR (normal.getBlue(), 0xa0, 6);

    // The gradient darkens towards 0.714 of the colour at the bottom.
    EXPECT_LT (bottomPixel().getBlue(), normal.getBlue() - 20);

    // Pressed: each channel moves towards white, 255 - (255 - c) * 0.714.
    const auto pressed = topPixel (true);
    EXPECT_NEAR (pressed.getRed(), 255 - (255 - 0x60) * 5 / 7, 5);
    EXPECT_GT (pressed.getBlue(), normal.getBlue());

    // Pressed while toggled on: unchanged. Hover changes nothing.
    button.setToggleState (true, juce::dontSendNotification);
    EXPECT_EQ (topPixel (true), normal);
    EXPECT_EQ (pixelAfter ([&] (juce::Graphics& g) { lf->drawButtonBackground (g, button, base, true, false); }, 50, 2),
               normal);

    // Disabled (here through its parent): alpha 0x33 over the faint shadow.
    juce::Component parent;
    parent.addChildComponent (button);
    parent.setEnabled (false);
    EXPECT_LT (topPixel (false).getAlpha(), 0x50);
    parent.removeChildComponent (&button);
}

TEST_F (LookAndFeelTest, PropertyRowsUseTheSchemeColours)
{
    EmptyRow row;
    row.setSize (300, 25);
    const auto background = pixelAfter ([&] (juce::Graphics& g) { lf->drawPropertyComponentBackground (g, 300, 25, row); },
                                        150, 10, 300, 25);
    EXPECT_EQ (background, darkerColour);
    EXPECT_EQ (pixelAfter ([&] (juce::Graphics& g) { lf->drawPropertyComponentBackground (g, 300, 25, row); }, 150, 24,
                           300, 25)
                   .getAlpha(),
               0);
}

TEST (TooltipBar, ShowsTheTooltipOfTheComponentUnderTheMouse)
{
    juce::TextButton withTip ("A", "Starts the show");
    juce::TextButton withoutTip ("B");
    juce::Component plain;

    EXPECT_EQ (TooltipBar::tipFor (&withTip), "Starts the show");
    EXPECT_EQ (TooltipBar::tipFor (&withoutTip), "");
    EXPECT_EQ (TooltipBar::tipFor (&plain), "");
    EXPECT_EQ (TooltipBar::tipFor (nullptr), "");

    TooltipBar bar;
    EXPECT_FALSE (bar.isTimerRunning());
    bar.setTip ("Starts the show");
    EXPECT_EQ (bar.getTip(), "Starts the show");
}
