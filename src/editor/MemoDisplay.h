#pragma once

#include <juce_core/juce_core.h>

/** A panel that shows the memo text of the song that plays.

    The waveform editor's playback timer passes the text of every memo or count-in whose start the play
    position passes, and an empty text when one clears at its end. The show player's memo panel and the
    lightshow list's memo panel implement this and register themselves in the globals below while they
    exist.
*/
class MemoDisplay
{
public:
    virtual ~MemoDisplay() = default;

    /** Shows a memo text; an empty text clears the display. */
    virtual void setMemoLbl (const juce::String& text) = 0;
};

/** The show player's memo panel, or null when there is no show player. */
extern MemoDisplay* playerMemoDisplay;

/** The lightshow list's memo panel (the editor view's own), or null when there is none. */
extern MemoDisplay* editorMemoDisplay;
