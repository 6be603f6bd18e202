#pragma once

#include <juce_graphics/juce_graphics.h>

#include <optional>

/** Where the lighting controller's window opens.

    Without a remembered position it opens fully inside the screen area that
    holds the main window, beside the main window where there is room (right,
    then left, below, above), else where it covers the least of the main window.
    A remembered position is kept, but pulled inside the screen area nearest to it
    so that the whole window can be seen. */
juce::Rectangle<int> placeControllerWindow (juce::Rectangle<int> mainWindow, juce::Rectangle<int> screenArea,
                                            juce::Point<int> size, std::optional<juce::Point<int>> remembered);
