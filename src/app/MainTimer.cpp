#include "app/MainTimer.h"

#include "app/EventFlags.h"
#include "app/ShellState.h"
#include "app/StartupSettings.h"
#include "audio/FilePlayerProcessor.h"

namespace
{
bool backingHasTrackAndPlays()
{
    return filePlayer != nullptr && filePlayer->hasTransport() && filePlayer->isPlaying();
}

/** Either player sounds: whatever plays, a start or stop control must be able to stop it. */
bool anythingPlays()
{
    return backingHasTrackAndPlays() || (filePlayerB != nullptr && filePlayerB->isPlaying());
}

bool backingLoops()
{
    return backingHasTrackAndPlays() && filePlayer->looping.load();
}

void playBoth (double fade)
{
    if (filePlayer != nullptr)
        filePlayer->play (fade);
    if (filePlayerB != nullptr)
        filePlayerB->play (fade);
}

/** Takes a flag: true when it was raised (and clears it). */
bool take (std::atomic<bool>& flag)
{
    return flag.exchange (false, std::memory_order_relaxed);
}
} // namespace

MainTimerLogic::MainTimerLogic (ShellViews& shellViews) : views (shellViews)
{
}

double MainTimerLogic::currentFade() const
{
    return views.isSongEditorVisible() ? 0.0 : (double) fadeTime;
}

std::function<void()> MainTimerLogic::tickObserver;

void MainTimerLogic::tick()
{
    if (tickObserver != nullptr)
        tickObserver();

    if (exitRequested.load())
        return;

    if (pluginWindowPending)
    {
        pluginWindowPending = false;
        views.openPluginWindow();
    }

    if (views.isStopPromptShowing())
    {
        auto before = stopClock;
        stopClock -= 20;
        if (before <= 20)
            views.hideStopPrompt();
    }

    if (take (startEventReceived))
    {
        auto fade = currentFade();

        if (!anythingPlays())
        {
            playBoth (fade);
        }
        else if (backingLoops() && views.isShowPlayerVisible())
        {
            RaTracks::toggleLooping();
        }
        else if (dcRequiredToStop == 1 && ! views.isStopPromptShowing())
        {
            stopClock = 1000;
            views.showStopPrompt ("Press the footswitch again to stop playback!");
            return; // remaining events wait for the next tick
        }
        else
        {
            if (views.isStopPromptShowing())
                views.hideStopPrompt();
            RaTracks::stop (fade);
        }
    }

    if (take (rewindEventReceived))
    {
        if (dcRequiredToStop == 1 && backingHasTrackAndPlays() && ! views.isStopPromptShowing())
        {
            stopClock = 1000;
            views.showStopPrompt ("Press the footswitch again to stop playback and rewind!");
            return;
        }

        if (views.isStopPromptShowing())
            views.hideStopPrompt();
        RaTracks::stop (0.0);
        RaTracks::setCurrentTime (0.0);
    }

    if (take (nextEventReceived))
        views.highlightNextSong (true, setPlayImmediate != 0);

    if (take (prevEventReceived))
        views.highlightPreviousSong (true, setPlayImmediate != 0);
}

bool MainTimerLogic::keyPressed (const juce::KeyPress& key)
{
    auto code = key.getKeyCode();

    // Learnt remote-control keys come first; their modifiers are not compared.
    for (auto [learnt, flag] : { std::pair<int, std::atomic<bool>*> { startKey, &startEventReceived },
                                 { rewindKey, &rewindEventReceived },
                                 { nextKey, &nextEventReceived },
                                 { prevKey, &prevEventReceived } })
    {
        if (learnt != -1 && code == learnt)
        {
            flag->store (true, std::memory_order_relaxed);
            return true;
        }
    }

    auto modifiers = key.getModifiers();
    auto anyModifier = modifiers.isShiftDown() || modifiers.isCtrlDown() || modifiers.isAltDown()
                       || modifiers.isCommandDown();

    if (code == 'O' || code == 'o')
    {
        if (anyModifier)
            return false;
        RaTracks::toggleLooping();
        return true;
    }

    if (code == 'T' || code == 't')
    {
        if (modifiers.isCtrlDown() && views.isSongEditorVisible())
            views.tapTempo();
        return false;
    }

    if (code == juce::KeyPress::escapeKey)
    {
        if (backingHasTrackAndPlays() && dcRequiredToStop == 1 && ! views.isSongEditorVisible())
        {
            if (! views.isStopPromptShowing())
            {
                stopClock = 1000;
                views.showStopPrompt ("Press ESC again to stop and rewind!");
                return true;
            }
            views.hideStopPrompt();
        }

        RaTracks::stop (0.0);
        RaTracks::setCurrentTime (0.0);
        return true;
    }

    if (code == juce::KeyPress::spaceKey)
    {
        auto fade = currentFade();

        if (!anythingPlays())
        {
            playBoth (fade);
        }
        else if (backingLoops() && views.isShowPlayerVisible())
        {
            RaTracks::toggleLooping();
        }
        else if (dcRequiredToStop == 1 && ! views.isSongEditorVisible())
        {
            if (! views.isStopPromptShowing())
            {
                stopClock = 1000;
                views.showStopPrompt ("Press SPACE again to stop playback!");
            }
            else
            {
                views.hideStopPrompt();
                RaTracks::stop (fade);
            }
        }
        else
        {
            RaTracks::stop (fade);
        }
        return true;
    }

    return false;
}
