#include "app/Globals.h"
#include "ui/ColourScheme.h"
#include "ui/SchemeGuard.h"

#include <gtest/gtest.h>

namespace
{
class ColourSchemeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE (userSettings(), nullptr);
        userSettings()->removeValue ("raGuiColour");
        userSettings()->removeValue ("raComplementColour");
    }

    static void setColourSetting (const char* key, juce::uint32 argb) { SchemeGuard::setColourSetting (key, argb); }

    SchemeGuard guard;
};

juce::String hex (juce::Colour c)
{
    return c.toDisplayString (true);
}
} // namespace

TEST_F (ColourSchemeTest, WithoutMainColourNothingChangesAndTheContrastColourIsNotRead)
{
    const auto before = std::make_tuple (mainColour, darkerColour, textColour, complementColour, colourOne);
    setColourSetting ("raComplementColour", 0xff00ff00);

    calculateColourScheme();
    EXPECT_EQ (before, std::make_tuple (mainColour, darkerColour, textColour, complementColour, colourOne));

    userSettings()->setValue ("raGuiColour", "");
    calculateColourScheme();
    EXPECT_EQ (before, std::make_tuple (mainColour, darkerColour, textColour, complementColour, colourOne));
}

TEST_F (ColourSchemeTest, DerivedShadesAreScaledCappedTruncatedAndOpaque)
{
    // A half-transparent main colour with one channel near the top.
    setColourSetting ("raGuiColour", 0x80fa640a); // (250, 100, 10)
    calculateColourScheme();

    EXPECT_EQ (mainColour.getARGB(), 0x80fa640au);
    EXPECT_EQ (hex (darkerColour), hex (juce::Colour (0xffd05308)));   // 208, 83, 8
    EXPECT_EQ (hex (darkestColour), hex (juce::Colour (0xffad4506)));  // 173, 69, 6
    EXPECT_EQ (hex (lighterColour), hex (juce::Colour (0xffff780c)));  // 255 (capped), 120, 12
    EXPECT_EQ (hex (lightestColour), hex (juce::Colour (0xffff900e))); // 255 (capped), 144, 14
}

TEST_F (ColourSchemeTest, TextColourFollowsTheMeanOfTheMainColour)
{
    struct Case
    {
        juce::uint32 main;
        bool blackText;
    };
    const Case cases[] = {
        { 0xff808080, false }, // mean exactly 128: white text
        { 0xff818181, true },  // mean 129: black text
        { 0xff7f8082, true },  // mean 128.33
        { 0xffff0000, false }, // mean 85
        { 0xff000000, false },
        { 0xffffffff, true },
    };

    for (const auto& c : cases)
    {
        setColourSetting ("raGuiColour", c.main);
        calculateColourScheme();
        SCOPED_TRACE (hex (juce::Colour (c.main)));
        EXPECT_EQ (textColour, c.blackText ? juce::Colours::black : juce::Colours::white);
        EXPECT_EQ (textInvColour, c.blackText ? juce::Colours::white : juce::Colours::black);
        EXPECT_TRUE (textColour.isOpaque() && textInvColour.isOpaque());
    }
}

TEST_F (ColourSchemeTest, StoredFormsOfTheColoursAreRead)
{
    userSettings()->setValue ("raGuiColour", "-12300966"); // 0xff444d5a as a signed int
    userSettings()->setValue ("raComplementColour", "4290805824"); // 0xffc08040, unsigned spelling
    calculateColourScheme();

    EXPECT_EQ (mainColour.getARGB(), 0xff444d5au);
    EXPECT_EQ (complementColour.getARGB(), 0xffc08040u);
}

TEST_F (ColourSchemeTest, ContrastColoursAreTheComplementWithItsHueTurned)
{
    setColourSetting ("raGuiColour", 0xff444d5a);
    setColourSetting ("raComplementColour", 0x80d38538); // transparency is dropped in the turned colours
    calculateColourScheme();

    EXPECT_EQ (complementColour.getARGB(), 0x80d38538u);

    const std::pair<juce::Colour*, float> turned[] = {
        { &colourOne, -0.3f }, { &colourTwo, -0.15f }, { &colourThree, 0.15f }, { &colourFour, 0.3f }
    };
    for (auto [colour, amount] : turned)
    {
        SCOPED_TRACE (amount);
        int expected = 0;
        rotateHue ((int) 0x80d38538u, amount, expected);
        EXPECT_EQ (colour->getARGB(), (juce::uint32) expected);
        EXPECT_TRUE (colour->isOpaque());
    }
    EXPECT_NE (colourOne, colourFour);
}

TEST_F (ColourSchemeTest, GreyContrastColourGivesThatGreyFourTimes)
{
    setColourSetting ("raGuiColour", 0xff444d5a);
    setColourSetting ("raComplementColour", 0xff7a7a7a);
    calculateColourScheme();

    for (auto* c : { &colourOne, &colourTwo, &colourThree, &colourFour })
        EXPECT_EQ (c->getARGB(), 0xff7a7a7au);
}

TEST (RotateHue, KnownTurns)
{
    struct Case
    {
        juce::uint32 colour;
        float amount;
        juce::uint32 expected;
    };
    const Case cases[] = {
        { 0xffff0000, 0.5f, 0xff00ffff },        // red half a turn: cyan
        { 0xffff0000, 1.0f / 3.0f, 0xff00ff00 }, // red a third: green
        { 0xffff0000, -0.5f, 0xff00ffff },       // below 0 wraps up
        { 0xff0000ff, 0.5f, 0xffffff00 },        // above 1 wraps down: blue to yellow
        { 0x40ff0000, 0.5f, 0xff00ffff },        // the result is opaque
        { 0xffd38538, 0.0f, 0xffd38538 },        // no turn, no change
        { 0xff808080, 0.3f, 0xff808080 },        // grey stays grey
        { 0x00000000, 0.15f, 0xff000000 },       // transparent black: opaque black
        { 0xff804020, 0.5f, 0xff206080 },        // keeps lightness and saturation
    };

    for (const auto& c : cases)
    {
        int result = 0;
        rotateHue ((int) c.colour, c.amount, result);
        EXPECT_EQ (juce::String::toHexString ((juce::uint32) result), juce::String::toHexString (c.expected))
            << juce::String::toHexString (c.colour) << " by " << c.amount;
    }
}

TEST (RotateHue, AgreesWithTheFrameworksHueRotationWithinOneStep)
{
    // Turning the hue keeps the largest and smallest channel in HSL as in HSB, so
    // the framework's HSB rotation is an independent reference (it rounds, we truncate).
    juce::Random random (42);
    for (int i = 0; i < 2000; ++i)
    {
        const auto colour = juce::Colour ((juce::uint32) random.nextInt() | 0xff000000u);
        const float amount = random.nextFloat() * 1.6f - 0.8f;

        int result = 0;
        rotateHue ((int) colour.getARGB(), amount, result);
        const auto ours = juce::Colour ((juce::uint32) result);
        const auto reference = colour.withRotatedHue (amount);

        ASSERT_NEAR (ours.getRed(), reference.getRed(), 1) << hex (colour) << " by " << amount;
        ASSERT_NEAR (ours.getGreen(), reference.getGreen(), 1) << hex (colour) << " by " << amount;
        ASSERT_NEAR (ours.getBlue(), reference.getBlue(), 1) << hex (colour) << " by " << amount;
    }
}
