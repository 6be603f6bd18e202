#include "app/ControllerWindowPlacement.h"

#include <gtest/gtest.h>

// The controller's window (1080 x 680 with its Fade/Recall row at the bottom)
// must be seen whole: beside the main window when there is room, else on the
// same screen covering as little of it as can be; a remembered position is
// pulled back onto the screen.
TEST (ControllerWindowPlacement, OpensWholeOnTheMainWindowsScreenBesideItWhereThereIsRoom)
{
    struct Case
    {
        const char* what;
        juce::Rectangle<int> main, screen;
        std::optional<juce::Point<int>> remembered;
        juce::Rectangle<int> expected;
    };
    const juce::Point<int> size{1080, 680};
    const Case cases[] = {
        {"room on the right", {0, 0, 800, 600}, {0, 0, 2560, 1440}, {}, {808, 0, 1080, 680}},
        {"room only on the left", {1400, 100, 900, 700}, {0, 0, 2560, 1440}, {}, {312, 100, 1080, 680}},
        {"room only below", {100, 0, 900, 500}, {0, 0, 1280, 1300}, {}, {100, 508, 1080, 680}},
        // 900 x 700 centred on 1280 x 1024: no side has room; the window goes below,
        // pulled up onto the screen, where it hides the least of the main window.
        {"no room beside it", {190, 162, 900, 700}, {0, 0, 1280, 1024}, {}, {190, 344, 1080, 680}},
        {"second screen holds the main window", {1400, 0, 400, 300}, {1280, 0, 1920, 1080}, {}, {1808, 0, 1080, 680}},
        {"remembered on the screen",
         {0, 0, 800, 600},
         {0, 0, 2560, 1440},
         juce::Point<int>{50, 60},
         {50, 60, 1080, 680}},
        {"remembered off its right and bottom edge",
         {0, 0, 800, 600},
         {0, 0, 1280, 1024},
         juce::Point<int>{450, 480},
         {200, 344, 1080, 680}},
        {"remembered above and left of the screen",
         {0, 0, 800, 600},
         {0, 24, 1280, 1000},
         juce::Point<int>{-300, -50},
         {0, 24, 1080, 680}},
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        auto placed = placeControllerWindow (c.main, c.screen, size, c.remembered);
        EXPECT_EQ (placed, c.expected) << placed.toString();
        EXPECT_TRUE (c.screen.contains (placed)) << placed.toString();
    }
}
