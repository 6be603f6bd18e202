#include "app/ControllerWindowPlacement.h"

juce::Rectangle<int> placeControllerWindow (juce::Rectangle<int> mainWindow, juce::Rectangle<int> screenArea,
                                            juce::Point<int> size, std::optional<juce::Point<int>> remembered)
{
    // A window larger than the screen keeps its top-left corner on it.
    auto fit = [&screenArea] (juce::Rectangle<int> r)
    {
        r.setX (juce::jmax (screenArea.getX(), juce::jmin (r.getX(), screenArea.getRight() - r.getWidth())));
        r.setY (juce::jmax (screenArea.getY(), juce::jmin (r.getY(), screenArea.getBottom() - r.getHeight())));
        return r;
    };

    if (remembered.has_value())
        return fit ({remembered->x, remembered->y, size.x, size.y});

    constexpr int gap = 8;
    const juce::Rectangle<int> candidates[] = {
        {mainWindow.getRight() + gap, mainWindow.getY(), size.x, size.y},
        {mainWindow.getX() - gap - size.x, mainWindow.getY(), size.x, size.y},
        {mainWindow.getX(), mainWindow.getBottom() + gap, size.x, size.y},
        {mainWindow.getX(), mainWindow.getY() - gap - size.y, size.x, size.y},
    };

    // The first side with room, or the placement that hides the least of the main window.
    juce::Rectangle<int> best;
    long long leastCovered = -1;
    for (auto& candidate : candidates)
    {
        auto placed = fit (candidate);
        auto covered = placed.getIntersection (mainWindow);
        auto area = (long long)covered.getWidth() * covered.getHeight();
        if (area == 0 && placed == candidate)
            return placed;
        if (leastCovered < 0 || area < leastCovered)
        {
            best = placed;
            leastCovered = area;
        }
    }
    return best;
}
