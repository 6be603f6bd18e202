#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** What the show player asks of the waveform editor's container while it plays a
    show: load a song's track and lightshow, tell whether the editor follows the
    play position, and lend its container to the show player's right-hand panel.

    The show code only talks to this small interface. By default it reaches the
    program's waveform editor through the global `timeline` (doing nothing while
    there is none); another target can be installed, and null means no editor. */
class SongLoadTarget
{
public:
    virtual ~SongLoadTarget() = default;

    /** Shows the backing track of that AudioFiles row in the editor. */
    virtual void loadAudioFile (int audioFileId) = 0;
    /** Loads a lightshow into the editor (−1 clears it); this also sets the backing
        player's volume from the lightshow. */
    virtual void loadLightShow (int lightShowId, bool force) = 0;
    /** The editor's follow-playback flag. */
    virtual bool isFollowingPlayback() const = 0;
    /** The editor's container, taken into the show player while it is shown. */
    virtual juce::Component* getContainer() = 0;
    /** Tells the editor that it now sits in the show player. */
    virtual void setPlayerMode (bool inShowPlayer) = 0;
};

/** The editor link in use (by default the one over the global `timeline`), or null. */
extern SongLoadTarget* songLoadTarget;
