#include "gui/GuiTestSupport.h"

#include "lighting/ControllerCheck.h"

#include "app/MainHostWindow.h"
#include "app/SpawnedProcess.h"
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

int runWhilePumping (const juce::StringArray& command, int timeoutMs)
{
    SpawnedProcess child;
    if (! child.start (command, 0))
        return -1;
    pumpUntil ([&] { return ! child.isRunning(); }, timeoutMs, [] {});
    if (child.isRunning())
    {
        child.kill();
        return -1;
    }
    return (int) child.getExitCode();
}

namespace
{
/** One xdotool command, then a wait until the program has taken in what it did
    (the pointer where it was sent, the button as it was left). */
int pointer (const juce::StringArray& arguments, std::function<bool (const juce::MouseInputSource&)> seen)
{
    juce::StringArray command { "xdotool" };
    command.addArray (arguments);
    if (const int status = runWhilePumping (command, 10000); status != 0)
        return status;
    const auto source = juce::Desktop::getInstance().getMainMouseSource();
    return pumpUntil ([&] { return seen (source); }, 20000, [] {}) ? 0 : -2;
}

int pointerTo (juce::Point<int> at)
{
    // xdotool's --sync waits for a move, which never comes when the pointer is there already.
    if (juce::Desktop::getMousePosition() == at)
        return 0;
    return pointer ({ "mousemove", "--sync", juce::String (at.x), juce::String (at.y) },
                    [at] (auto& source) { return source.getScreenPosition().roundToInt() == at; });
}

int button (bool down)
{
    return pointer ({ down ? "mousedown" : "mouseup", "1" },
                    [down] (auto& source) { return source.isDragging() == down; });
}

} // namespace

int dragWithPointer (juce::Point<int> from, juce::Point<int> to)
{
    int status = pointerTo (from);
    if (status == 0)
        status = button (true);
    for (int step = 1; step <= 10 && status == 0; ++step)
        status = pointerTo ({ from.x + (to.x - from.x) * step / 10, from.y + (to.y - from.y) * step / 10 });
    return status == 0 ? button (false) : status;
}

int clickWithPointer (juce::Point<int> at)
{
    int status = pointerTo (at);
    if (status == 0)
        status = button (true);
    return status == 0 ? button (false) : status;
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
