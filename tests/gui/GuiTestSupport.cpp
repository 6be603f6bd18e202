#include "gui/GuiTestSupport.h"
#include "app/SpawnedProcess.h"

#include "lighting/ControllerCheck.h"

#include "app/MainHostWindow.h"
#include "audio/InternalFilters.h"
#include "data/DataPaths.h"
#include "data/DbSchema.h"
#include "lighting/VovirLink.h"
#include "ui/VovirLookAndFeel.h"

#include <rav_plugin_paths.h>

#include <gtest/gtest.h>

bool pumpUntil (const std::function<bool()>& condition, int timeoutMs, const std::function<void()>& eachTurn)
{
    auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! condition() && juce::Time::getMillisecondCounter() < end)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        if (eachTurn)
            eachTurn();
    }
    return condition();
}

void writeSnapshot (juce::Component& component, const juce::String& name)
{
    auto image = component.createComponentSnapshot (component.getLocalBounds());
    juce::File folder (RAV_SCREENSHOT_DIR);
    folder.createDirectory();
    auto file = folder.getChildFile (name);
    file.deleteFile();
    juce::FileOutputStream out (file);
    ASSERT_TRUE (out.openedOk());
    ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, out));
}

void writeScreenCapture (const juce::String& name)
{
    juce::File folder (RAV_SCREENSHOT_DIR);
    folder.createDirectory();
    SpawnedProcess capture;
    ASSERT_TRUE (capture.start (juce::StringArray { "import", "-window", "root",
                                                    folder.getChildFile (name).getFullPathName() }));
    ASSERT_TRUE (capture.waitForProcessToFinish (20000));
    EXPECT_EQ (capture.getExitCode(), 0u);
}

void installProgram()
{
    bool created = false;
    getDatabaseFile().deleteFile();
    ASSERT_TRUE (createFreshDatabase (getDatabaseFile(), created).wasOk());
    ASSERT_TRUE (getDefaultMediaFolder().createDirectory());

    for (auto [controller, bundle] : { std::pair { vovir::Controller::vidurozIdav, RAV_VIDUROZ_IDAV_BUNDLE },
                                       std::pair { vovir::Controller::vovir, RAV_VOVIR_BUNDLE } })
    {
        auto target = vovir::pluginFile (controller);
        if (! target.exists())
        {
            ASSERT_TRUE (juce::File (bundle).copyDirectoryTo (target));
        }
    }
}

ProgramGlobals::ProgramGlobals()
{
    // The test program is not the application: the real one checks the controller bundles.
    controllercheck::checkProgram = RAV_APP_PATH;
    rebuildLookAndFeel();
    commandManager = &commands;
    plugins.addFormat (new juce::VST3PluginFormat());
    plugins.addFormat (new InternalPluginFormat());
    audioFormatManager = &plugins;
}

ProgramGlobals::~ProgramGlobals()
{
    controllercheck::checkProgram = {};
    audioFormatManager = nullptr;
    commandManager = nullptr;
    releaseLookAndFeel();
}
