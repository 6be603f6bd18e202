// Paints the show player with a loaded show, in list mode and in grid mode, and
// keeps the pictures as show-player-list.png and show-player-grid.png in the
// screenshot folder for a person to look at.

#include "audio/FilePlayerProcessor.h"
#include "show/SetPlayer.h"
#include "show/ShowTestSupport.h"
#include "support/ScriptedDialogs.h"
#include "ui/ColourScheme.h"
#include "ui/VovirLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
void saveForPeople (const juce::Image& image, const juce::String& name)
{
    juce::MemoryOutputStream png;
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, png));
    const auto file = juce::File (RAV_SCREENSHOT_DIR).getChildFile (name);
    ASSERT_TRUE (file.getParentDirectory().createDirectory());
    ASSERT_TRUE (file.replaceWithData (png.getData(), png.getDataSize())) << file.getFullPathName();
}
} // namespace

TEST (ShowPlayerSnapshot, ListAndGridModesAreSavedForViewing)
{
    rebuildLookAndFeel();
    {
        ScriptedDialogs dialogs;
        ShowDatabase database;
        ASSERT_TRUE (database.opened);
        ShowBuilder shows;
        std::vector<SongSpec> specs;
        for (int i = 0; i < 9; ++i)
            specs.push_back ({ 150.0 + 40.0 * (i % 4), i % 3 == 0, i % 4 == 1, i % 5 });
        specs[4].writeFile = false; // drawn in red
        const int setId = shows.makeShow (specs, "Friday at the Harbour");

        FilePlayerProcessor backing, click;
        filePlayer = &backing;
        filePlayerB = &click;
        {
            SetPlayer player;
            player.setVisible (true);
            player.setSize (1400, 800);
            player.resized();
            player.holder->resized();

            auto& timeline = *player.timeline;
            timeline.loadSet (setId, false);
            timeline.songs[2]->selected = true;
            timeline.songs[3]->selected = true;
            player.vertPanel->memoPanel->timerCallback();
            player.setMemoLbl ("[LEFT]C          G          Am\nWhen the night comes down");

            const auto list = player.createComponentSnapshot (player.getLocalBounds(), false);
            EXPECT_EQ (list.getPixelAt (timeline.getX() + 2, 2), darkestColour);
            saveForPeople (list, "show-player-list.png");

            player.holder->gridButton->setToggleState (true, juce::sendNotification);
            player.setMemoLbl ("Album\nSong 1");
            const auto grid = player.createComponentSnapshot (player.getLocalBounds(), false);
            saveForPeople (grid, "show-player-grid.png");
        }
        filePlayer = filePlayerB = nullptr;
    }
    releaseLookAndFeel();
}
