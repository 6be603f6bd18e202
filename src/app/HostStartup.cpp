// The application object: start-up in order, then the main window; shutdown.

#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/SingleInstance.h"
#include "audio/InternalFilters.h"
#include "data/DataPaths.h"
#include "lighting/ControllerCheck.h"
#include "midi/MidiServer.h"
#include "ui/ColourScheme.h"
#include "ui/ConsoleDialogs.h"
#include "ui/VovirLookAndFeel.h"
#include "ui/WindowManagerAtoms.h"

#include <iostream>

class PluginHostApp final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Raziviz Avodoru"; }
    const juce::String getApplicationVersion() override { return getBuildVersion(); }
    // One instance per user is kept by SingleInstance, which also hands a later
    // instance's command line over (JUCE's own hand-over does nothing on Linux).
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise (const juce::String& commandLine) override
    {
        // A child started to check a lighting-controller bundle before the program loads it.
        auto arguments = juce::StringArray::fromTokens (commandLine, true);
        if (auto at = arguments.indexOf (controllercheck::argument); at >= 0)
        {
            setApplicationReturnValue (controllercheck::runCheckInThisProcess (arguments[at + 1].unquoted()));
            quit();
            return;
        }

        if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        {
            std::cerr << "Raziviz Avodoru needs an X display: DISPLAY is not set." << std::endl;
            setApplicationReturnValue (1);
            quit();
            return;
        }

        // For unattended runs (automated tests): boxes go to the console and take their first button.
        if (juce::SystemStats::getEnvironmentVariable ("RAV_DIALOGS", {}) == "console")
            setUserDialogs (&consoleDialogs);

        instance = std::make_unique<SingleInstance> (settingsOptions().getDefaultFile().getParentDirectory(),
                                                     [this] (const juce::String& request)
                                                     { anotherInstanceStarted (request); });
        if (!instance->isFirst())
        {
            const bool handed = instance->handToRunningInstance (commandLine);
            std::cerr << (handed ? "Raziviz Avodoru is already running: the request was handed to it."
                                 : "Raziviz Avodoru is already running, but it did not answer.")
                      << std::endl;
            setApplicationReturnValue (handed ? 0 : 1);
            quit();
            return;
        }

        auto splashImage = juce::ImageFileFormat::loadFrom (getDataFolder().getChildFile ("splash.png"));
        if (splashImage.isValid())
        {
            auto* splash = new juce::SplashScreen ("Raziviz Avodoru", splashImage, false);
            splash->deleteAfterDelay (juce::RelativeTime::seconds (2), false);
        }

        registerAudioFormats (audioFiles);
        formatManager = &audioFiles;

        settings.setStorageParameters (settingsOptions());
        appProperties = &settings;

        rebuildLookAndFeel(); // computes the colour scheme and installs the look and feel

        commands = std::make_unique<juce::ApplicationCommandManager>();
        commandManager = commands.get();

        plugins.addFormat (new juce::VST3PluginFormat());
        plugins.addFormat (new InternalPluginFormat());
        audioFormatManager = &plugins;

        window = std::make_unique<MainHostWindow>();
        commands->registerAllCommandsForTarget (window.get());
        // The main window is the program's one command target, whichever window has the focus.
        commands->setFirstCommandTarget (window.get());
        window->menuItemsChanged();

        // --play-show NAME opens that show in the show player (a way in until the
        // library browser exists).
        if (auto name = playShowArgument (commandLine); name.has_value() && window->isStarted())
            window->playShowNamed (*name);
    }

    void shutdown() override
    {
        instance.reset(); // no more requests from later instances
        settings.closeFiles();
    }

    ~PluginHostApp() override
    {
        if (commands != nullptr)
            commands->setFirstCommandTarget (nullptr);
        window.reset();
        MidiServer::deleteInstance();
        RaDatabase::deleteInstance();
        releaseLookAndFeel();
        commandManager = nullptr;
        commands.reset();
        audioFormatManager = nullptr;
        appProperties = nullptr;
        formatManager = nullptr;
        setUserDialogs (nullptr);
    }

    void systemRequestedQuit() override { quit(); }

    void anotherInstanceStarted (const juce::String& commandLine) override
    {
        if (window == nullptr)
            return;
        window->toFront (true);
        if (auto name = playShowArgument (commandLine); name.has_value() && window->isStarted())
            window->playShowNamed (*name);
    }

private:
    ConsoleDialogs consoleDialogs;
    juce::AudioFormatManager audioFiles;
    juce::ApplicationProperties settings;
    std::unique_ptr<juce::ApplicationCommandManager> commands;
    juce::AudioPluginFormatManager plugins;
    std::unique_ptr<MainHostWindow> window;
    std::unique_ptr<SingleInstance> instance;
};

namespace
{
// Before main(), so before the windowing layer opens its own display connection.
const struct WindowManagerAtomsFirst
{
    WindowManagerAtomsFirst() { makeSureWindowManagerAtomsExist(); }
} windowManagerAtomsFirst;
} // namespace

START_JUCE_APPLICATION (PluginHostApp)
