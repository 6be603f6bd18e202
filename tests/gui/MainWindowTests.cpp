// The program's main window under a real X server (Xvfb): a fresh database, the
// installed lighting controller, the window with its menu bar, the controller
// window on the first timer tick, and a clean close that saves the position.

#include "app/Commands.h"
#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "app/SpawnedProcess.h"
#include "audio/GraphEditorPanel.h"
#include "audio/InternalFilters.h"
#include "data/DataPaths.h"
#include "data/DbSchema.h"
#include "lighting/VovirLink.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"
#include "gui/GuiTestSupport.h"
#include "library/LibraryWindow.h"
#include "library/LightShowList.h"

#include <gtest/gtest.h>


TEST (MainWindow, StartsWithItsMenusAndTheControllerWindowAndClosesCleanly)
{
    installProgram();
    ScriptedDialogs dialogs;
    ProgramGlobals globals;
    userSettings()->removeValue ("mainWindowPos");

    auto window = std::make_unique<MainHostWindow>();
    globals.commands.registerAllCommandsForTarget (window.get());
    globals.commands.setFirstCommandTarget (window.get());
    ASSERT_TRUE (window->isStarted()) << dialogs.titles().joinIntoString (" / ");

    EXPECT_TRUE (window->isVisible());
    EXPECT_EQ (window->getName(), "Raziviz Avodoru V1.9.5");
    EXPECT_NE (window->getMenuBarComponent(), nullptr);
    EXPECT_EQ (window->getMenuBarNames(), juce::StringArray ({ "File", "Edit", "Tracks", "Shows", "View", "Help" }));
    EXPECT_TRUE (dialogs.titles().contains ("Track library is empty"));
    EXPECT_TRUE (dialogs.titles().contains ("Raziviz Avodoru Tip"));
    EXPECT_TRUE (vidOrVovir == "Viduroz Idav" || vidOrVovir == "VOVIR");
    EXPECT_TRUE (lightShowList != nullptr && lightShowList->isVisible());

    // The first timer tick opens the controller window, once.
    ASSERT_TRUE (pumpUntil ([] { return pluginWindow != nullptr; }, 10000));
    EXPECT_EQ (PluginWindow::activePluginWindows.size(), 1);
    ASSERT_TRUE (pumpUntil ([&] { return window->getStartupToFirstPaintMs() > 0.0; }, 10000));
    std::cout << "[ measure  ] start-up to first paint: " << window->getStartupToFirstPaintMs() << " ms" << std::endl;

    // The window manager may still be settling the new window's geometry.
    EXPECT_TRUE (pumpUntil ([&] { return window->getWidth() >= 500 && window->getHeight() >= 400; }, 3000))
        << window->getWidth() << " x " << window->getHeight();
    writeSnapshot (*window, "main-window.png");
    juce::MessageManager::getInstance()->runDispatchLoopUntil (500); // let the controller's editor paint
    writeScreenCapture ("screen-with-controller-window.png");

    // The menu ticks follow the state.
    juce::ApplicationCommandInfo info (lightingDesignCmd);
    window->getCommandInfo (lightingDesignCmd, info);
    EXPECT_TRUE ((info.flags & juce::ApplicationCommandInfo::isTicked) != 0);
    globals.commands.invokeDirectly (lightingDesignCmd, false);
    EXPECT_EQ (pluginWindow, nullptr);
    globals.commands.invokeDirectly (libraryPanelCmd, false);
    EXPECT_FALSE (libraryPanel->isVisible());
    globals.commands.invokeDirectly (libraryPanelCmd, false);
    EXPECT_TRUE (libraryPanel->isVisible());

    // Closing: content first, then the window saves its position.
    globals.commands.invokeDirectly (lightingDesignCmd, false);
    ASSERT_NE (pluginWindow, nullptr);
    window->closeButtonPressed();
    EXPECT_EQ (pluginWindow, nullptr);
    EXPECT_TRUE (exitRequested.load());
    appProperties->closeFiles(); // as the application's shutdown does
    globals.commands.setFirstCommandTarget (nullptr);
    window.reset();

    EXPECT_TRUE (userSettings()->getValue ("mainWindowPos").isNotEmpty());
    EXPECT_FALSE (RaDatabase::getInstance()->isDbOpen());
    EXPECT_EQ (mainWindow, nullptr);
    exitRequested = false;
}

TEST (MainWindow, ADatabaseThatCannotBeOpenedEndsTheProgramWithStatus1)
{
    auto home = TestHome::folder().getChildFile ("no-database-home");
    home.createDirectory();

    SpawnedProcess program;
    juce::StringArray command { "/usr/bin/env", "HOME=" + home.getFullPathName(), "XDG_DATA_HOME=",
                                "RAV_DIALOGS=console", RAV_APP_PATH };
    ASSERT_TRUE (program.start (command, SpawnedProcess::wantStdOut | SpawnedProcess::wantStdErr));
    auto output = program.readAllProcessOutput();
    ASSERT_TRUE (program.waitForProcessToFinish (30000));

    EXPECT_EQ (program.getExitCode(), 1u);
    EXPECT_TRUE (output.contains ("[#1007] Raziviz Avodoru fatal error")) << output;
    EXPECT_TRUE (output.contains ("Could not open database. Please re-install Raziviz Avodoru")) << output;
}
