// The lighting controller's window beside the main window under a real window
// manager: it opens whole on the screen without taking the keyboard, and the
// program's keys work while it is the active window, in its frame and inside the
// controller's own editor (real X input).

#include "app/Commands.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "app/SpawnedProcess.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
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

/** Real X input: xdotool's commands, run while the message loop keeps the windows alive. */
bool xdotool (const juce::StringArray& arguments)
{
    SpawnedProcess child;
    juce::StringArray command { "xdotool" };
    command.addArray (arguments);
    if (! child.start (command, 0))
        return false;
    pump ([&] { return ! child.isRunning(); }, 10000);
    if (child.isRunning())
        child.kill();
    return child.getExitCode() == 0;
}

/** xdotool's arguments for a left click at a point on the screen. */
juce::StringArray clickAt (juce::Point<int> screenPoint)
{
    return { "mousemove", "--sync", juce::String (screenPoint.x), juce::String (screenPoint.y), "click", "1" };
}

/** A key as the X server hands it to the window that has the keyboard. */
void pressInWindow (juce::Component& window, const juce::KeyPress& key)
{
    auto* peer = window.getPeer();
    ASSERT_NE (peer, nullptr);
    peer->handleKeyPress (key);
}

/** A click as the X server hands it to a window: pressed and released at a point inside it. */
void clickInWindow (juce::Component& window)
{
    auto* peer = window.getPeer();
    ASSERT_NE (peer, nullptr);
    const juce::Point<float> inside (20.0f, 20.0f);
    const auto now = juce::Time::currentTimeMillis();
    peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, inside,
                            juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, now);
    peer->handleMouseEvent (juce::MouseInputSource::InputSourceType::mouse, inside, juce::ModifierKeys(),
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                            now + 50);
}
} // namespace

TEST (ControllerWindow, OpensWholeBesideTheMainWindowAndPassesTheProgramsKeysOn)
{
    JackDummyServer server;
    if (!server.isRunning())
        GTEST_SKIP() << "no JACK server could be started here";

    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->setValue ("dcRequiredToStop", 0);
    userSettings()->setValue ("fadeTime", 0.0);
    userSettings()->removeValue ("mainWindowPos");

    auto window = std::make_unique<MainHostWindow>();
    globals.commands.registerAllCommandsForTarget (window.get());
    globals.commands.setFirstCommandTarget (window.get());
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");

    auto file = TestHome::folder().getChildFile ("Incoming/Album/Keys.wav");
    ASSERT_TRUE (writeSineWav (file, 20.0, 48000.0, 440.0));
    AudioFileModel track;
    track.addNewFromPath (file.getFullPathName());
    SetModel show;
    show.createSet ("Keys", "");
    show.addSetElement (track.getLightShows().at (0).id, 0, false, false, 0);
    window->switchToWindow (setPlayerPanel, show.id);
    ASSERT_TRUE (filePlayer->hasTransport());

    // The first tick opens the controller window: whole on the screen, and the
    // main window keeps the keyboard.
    ASSERT_TRUE (pump ([] { return pluginWindow != nullptr && pluginWindow->isShowing(); }, 10000));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (500); // the window manager maps and places it
    auto* display = juce::Desktop::getInstance().getDisplays().getDisplayForRect (window->getScreenBounds());
    ASSERT_NE (display, nullptr);
    EXPECT_TRUE (display->userArea.contains (pluginWindow->getScreenBounds()))
        << pluginWindow->getScreenBounds().toString() << " on " << display->userArea.toString();
    EXPECT_TRUE (pump ([&] { return window->isActiveWindow(); }, 20000))
        << "the controller window took the keyboard (controller active: " << pluginWindow->isActiveWindow()
        << ", focused: " << (juce::Component::getCurrentlyFocusedComponent() != nullptr) << ")";
    writeScreenCapture ("controller-window-beside-main.png");

    // The user brings the controller window forward (a click in it), which
    // becomes the active window; Space there starts and stops the show. (Keys
    // typed into the controller's own editor are the controller's.)
    clickInWindow (*pluginWindow);
    pluginWindow->toFront (true);
    pluginWindow->grabKeyboardFocus();
    EXPECT_TRUE (pump ([] { return pluginWindow->isActiveWindow(); }, 20000));
    pressInWindow (*pluginWindow, juce::KeyPress (juce::KeyPress::spaceKey));
    EXPECT_TRUE (pump ([] { return filePlayer->isPlaying(); }, 20000)) << "Space in the controller window did not play";
    pressInWindow (*pluginWindow, juce::KeyPress (juce::KeyPress::spaceKey));
    EXPECT_TRUE (pump ([] { return !filePlayer->isPlaying(); }, 20000)) << "Space in the controller window did not stop";

    // A click inside the controller's own editor (on its "Show" label, which no
    // control takes) gives the editor the keyboard: the keys it does not use come
    // back to the program.
    ASSERT_TRUE (juce::File ("/usr/bin/xdotool").existsAsFile()) << "xdotool is missing";
    auto* editorArea = pluginWindow->getContentComponent();
    ASSERT_NE (editorArea, nullptr);
    const auto editorOrigin = editorArea->getScreenPosition();
    ASSERT_TRUE (xdotool (clickAt (editorOrigin + juce::Point<int> (20, 20))));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
    ASSERT_TRUE (xdotool ({ "key", "space" }));
    EXPECT_TRUE (pump ([] { return filePlayer->isPlaying(); }, 20000)) << "Space in the controller's editor did not play";
    ASSERT_TRUE (xdotool ({ "key", "space" }));
    EXPECT_TRUE (pump ([] { return !filePlayer->isPlaying(); }, 20000)) << "Space in the controller's editor did not stop";

    writeScreenCapture ("controller-editor-keys.png");

    // A point beside the first one: xdotool's --sync waits for a move that does not come.
    ASSERT_TRUE (xdotool (clickAt (editorOrigin + juce::Point<int> (24, 20))));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
    ASSERT_TRUE (xdotool ({ "key", "ctrl+q" }));
    EXPECT_TRUE (pump ([] { return exitRequested.load(); }, 20000)) << "Ctrl+Q in the controller's editor did nothing";

    window->closeButtonPressed();
    appProperties->closeFiles();
    globals.commands.setFirstCommandTarget (nullptr);
    window.reset();
    exitRequested = false;
}
