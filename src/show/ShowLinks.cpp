#include "show/ShowLinks.h"

#include "editor/Timeline.h"

namespace
{
/** The show player's link to the program's one waveform editor, reached through
    the global `timeline` whenever it is asked (null: nothing to do). */
class TimelineLoadTarget final : public SongLoadTarget
{
public:
    void loadAudioFile (int audioFileId) override
    {
        if (timeline != nullptr)
            timeline->loadAudioFile (audioFileId);
    }

    void loadLightShow (int lightShowId, bool force) override
    {
        if (timeline != nullptr)
            timeline->loadLightShow (lightShowId, force);
    }

    bool isFollowingPlayback() const override
    {
        return timeline != nullptr && timeline->editor != nullptr && timeline->editor->followPlayback;
    }

    juce::Component* getContainer() override { return timeline; }

    void setPlayerMode (bool inShowPlayer) override
    {
        if (timeline != nullptr && timeline->editor != nullptr)
        {
            timeline->editor->playerMode = inShowPlayer;
            timeline->editor->repaint();
        }
    }
};

TimelineLoadTarget timelineLoadTarget;
} // namespace

SongLoadTarget* songLoadTarget = &timelineLoadTarget;
