// The whole program driving lights: a show played on a JACK dummy device through
// the real graph and the installed lighting controller, with an OLA daemon of the
// test's own on the controller's output universe. Every cue of the show must
// reach OLA, in order.

#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "core/ShowLibrary.h"
#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "lighting/OlaTestDaemon.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"
#include "gui/GuiTestSupport.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace
{
const char* const presets[] = { "Full", "Warm", "Spot" };

/** Three songs of 1.6 s, each recalling "Full", "Warm" and "Spot" of the
    controller's "Stage" bank; a show playing them in order by itself. */
int makeShow()
{
    SetModel show;
    show.createSet ("Lights", "");
    for (int song = 0; song < 3; ++song)
    {
        auto file = TestHome::folder().getChildFile ("Incoming/Lights/Song " + juce::String (song + 1) + ".wav");
        EXPECT_TRUE (writeSineWav (file, 1.6, 48000.0, 440.0));

        AudioFileModel track;
        track.addNewFromPath (file.getFullPathName());
        EXPECT_GT (track.id, 0);
        auto lightShow = track.getLightShows().at (0);
        for (int cue = 0; cue < 3; ++cue)
            VovirCueModel().createCue (lightShow.id, 0.2f + 0.4f * (float) cue, 0.0f, 0.0f, 0.0f, "Stage",
                                       presets[cue]);
        show.addSetElement (lightShow.id, song, song < 2, false, 0);
    }
    RaDatabase::getInstance()->clearUndoStack();
    return show.id;
}

/** The presets the frames showed, in order, each run of equal frames once
    (frames of no preset, such as the dark start, are left out). */
juce::StringArray presetsSeen (const std::vector<OlaProbe::Frame>& frames)
{
    const auto library = lighting::ShowLibrary::makeStarterLibrary();
    juce::StringArray seen;
    for (auto& frame : frames)
        for (auto* preset : presets)
            if (frame.levels == *library.getLevels ("Stage", preset) && seen[seen.size() - 1] != preset)
                seen.add (preset);
    return seen;
}
} // namespace

TEST (ShowLights, EveryCueOfAPlayingShowReachesOlaInOrder)
{
    JackDummyServer server;
    if (! server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";

    OlaTestDaemon daemon (TestHome::folder().getChildFile ("show-lights-olad"));
    ASSERT_TRUE (daemon.start()) << daemon.getError();
    OlaProbe probe (daemon.getPort());
    ASSERT_EQ (probe.watchUniverse (1), juce::String()); // the controller's default universe

    // The controller in the program reaches this daemon (and no other).
    const auto previousPort = juce::SystemStats::getEnvironmentVariable ("RAV_OLA_PORT", {});
    setenv ("RAV_OLA_PORT", juce::String (daemon.getPort()).toRawUTF8(), 1);

    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);

    auto window = std::make_unique<MainHostWindow>();
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");
    ASSERT_NE (window->audioDevices.getCurrentAudioDevice(), nullptr) << "the JACK device did not open";

    const auto showId = makeShow();
    window->switchToWindow (setPlayerPanel, showId);
    ASSERT_TRUE (setPlayer->isVisible());

    juce::StringArray expected;
    for (int song = 0; song < 3; ++song)
        for (auto* preset : presets)
            expected.add (preset);

    startEventReceived = true;
    EXPECT_TRUE (pumpUntil ([&] { return presetsSeen (probe.frames()).size() >= expected.size(); }, 30000, [] {}));
    EXPECT_EQ (presetsSeen (probe.frames()), expected);

    window->closeButtonPressed();
    appProperties->closeFiles();
    window.reset();
    exitRequested = false;
    setenv ("RAV_OLA_PORT", previousPort.toRawUTF8(), 1);
}
