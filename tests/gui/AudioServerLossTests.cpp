// The JACK server dies in the middle of a song and comes back: the program neither
// crashes nor hangs, says so in plain words, keeps the show where it was, opens
// the same device again by itself, and Play goes on from the same song and
// position.

#include "app/Commands.h"
#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "gui/GuiTestSupport.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
bool pump (const std::function<bool()>& condition, int timeoutMs)
{
    return pumpUntil (condition, timeoutMs, std::function<void()>{});
}

juce::StringArray deviceStoppedTexts (const ScriptedDialogs& dialogs)
{
    juce::StringArray texts;
    for (auto& shown : dialogs.shown())
        if (shown.title == "Audio device stopped")
            texts.add (shown.text);
    return texts;
}
} // namespace

TEST (AudioServerLoss, TheShowWaitsWhereItWasAndGoesOnWhenTheServerIsBack)
{
    JackDummyServer server;
    if (! server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";

    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);
    userSettings()->setValue ("gridmodeTip", 1);

    auto window = std::make_unique<MainHostWindow>();
    globals.commands.registerAllCommandsForTarget (window.get());
    globals.commands.setFirstCommandTarget (window.get());
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");

    AudioFileModel tracks;
    SetModel show;
    show.createSet ("Server loss", "");
    for (auto name : { "First", "Second" })
    {
        auto file = TestHome::folder().getChildFile ("Incoming/Loss/" + juce::String (name) + ".wav");
        ASSERT_TRUE (writeSineWav (file, 30.0, 48000.0, 440.0));
        tracks.addNewFromPath (file.getFullPathName());
        show.addSetElement (tracks.getLightShows().at (0).id, show.getSetElements().size(), false, false, 0);
    }
    window->switchToWindow (setPlayerPanel, show.id);
    ASSERT_TRUE (filePlayer->hasTransport());
    const auto songBefore = setPlayer->timeline->currentIndex;
    const auto deviceBefore = window->audioDevices.getCurrentAudioDeviceType() + "/"
                              + window->audioDevices.getAudioDeviceSetup().outputDeviceName;

    startEventReceived = true;
    ASSERT_TRUE (pump ([] { return filePlayer->isPlaying() && filePlayer->getCurrentPosition() > 2.0; }, 10000));

    // The server dies as a crash would.
    server.killNow();
    const auto killedAt = filePlayer->getCurrentPosition();
    ASSERT_TRUE (pump ([&] { return deviceStoppedTexts (dialogs).size() == 1; }, 5000))
        << "what the performer saw: " << dialogs.titles().joinIntoString (" / ");
    EXPECT_TRUE (deviceStoppedTexts (dialogs)[0].startsWith ("The audio device stopped: "))
        << deviceStoppedTexts (dialogs)[0];
    EXPECT_FALSE (filePlayer->isPlaying());
    EXPECT_NEAR (filePlayer->getCurrentPosition(), killedAt, 0.5);
    EXPECT_EQ (setPlayer->timeline->currentIndex, songBefore);

    // Play without a server: told again, nothing moves, nothing hangs.
    startEventReceived = true;
    ASSERT_TRUE (pump ([&] { return deviceStoppedTexts (dialogs).size() == 2; }, 3000))
        << dialogs.titles().joinIntoString (" / ");
    const auto kept = filePlayer->getCurrentPosition();
    EXPECT_NEAR (kept, killedAt, 0.5);
    EXPECT_FALSE (filePlayer->isPlaying());

    // The server comes back under the same name: the same device opens by itself.
    ASSERT_TRUE (server.startAgain()) << server.getLog();
    ASSERT_TRUE (pump ([&]
                       {
                           auto* device = window->audioDevices.getCurrentAudioDevice();
                           return device != nullptr && device->isOpen() && device->isPlaying();
                       },
                       15000))
        << "the device did not come back";
    EXPECT_EQ (window->audioDevices.getCurrentAudioDeviceType() + "/"
                   + window->audioDevices.getAudioDeviceSetup().outputDeviceName,
               deviceBefore);

    // Play goes on from the same song and position.
    startEventReceived = true;
    ASSERT_TRUE (pump ([] { return filePlayer->isPlaying(); }, 3000));
    EXPECT_EQ (setPlayer->timeline->currentIndex, songBefore);
    EXPECT_GE (filePlayer->getCurrentPosition(), kept - 0.1);
    EXPECT_LT (filePlayer->getCurrentPosition(), kept + 1.0);
    ASSERT_TRUE (pump ([&] { return filePlayer->getCurrentPosition() > kept + 1.0; }, 5000))
        << "the song does not advance on the device that came back";
    EXPECT_EQ (deviceStoppedTexts (dialogs).size(), 2);

    RaTracks::stop (0.0);
    window->closeButtonPressed();
    appProperties->closeFiles();
    globals.commands.setFirstCommandTarget (nullptr);
    window.reset();
    exitRequested = false;
}
