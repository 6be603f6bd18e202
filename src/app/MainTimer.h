#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** What the main timer and the transport keys need from the window's views:
    which right-hand view is visible, the stop-confirm prompt, the show
    show timeline's song navigation, the tap-tempo action and the controller window. */
class ShellViews
{
public:
    virtual ~ShellViews() = default;

    virtual bool isSongEditorVisible() const = 0;
    virtual bool isShowPlayerVisible() const = 0;

    virtual bool isStopPromptShowing() const = 0;
    virtual void showStopPrompt (const juce::String& text) = 0;
    virtual void hideStopPrompt() = 0;

    virtual void highlightNextSong (bool playIt, bool immediately) = 0;
    virtual void highlightPreviousSong (bool playIt, bool immediately) = 0;

    virtual void tapTempo() = 0;
    virtual void openPluginWindow() = 0;
};

/** The main window's 20 ms duties and its transport keys: remote-control and
    footswitch events become transport actions on both players, with the
    two-press stop rule and its 1-second countdown. Acts on the global players
    (filePlayer, filePlayerB) and the global event flags. */
class MainTimerLogic final
{
public:
    explicit MainTimerLogic (ShellViews& views);

    /** One tick of the 20 ms timer. Allocates nothing while idle. */
    void tick();

    /** The window's key listener, asked before the command key mappings; true
        when the key was used. */
    bool keyPressed (const juce::KeyPress& key);

    /** Told at the start of every tick (for measuring how late ticks come); null in
        normal use. */
    static std::function<void()> tickObserver;

    /** Set at the end of start-up: the first tick opens the controller window. */
    bool pluginWindowPending = false;

private:
    double currentFade() const;

    ShellViews& views;

    JUCE_DECLARE_NON_COPYABLE (MainTimerLogic)
};
