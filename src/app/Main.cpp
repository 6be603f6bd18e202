#include "app/Globals.h"
#include "data/DataPaths.h"
#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "ui/ConsoleDialogs.h"

#include <iostream>

/** The start-up path of the program as far as it stands: settings, media folder,
    database open with schema check and upgrade, then a report of what was found. */
class PluginHostApp final : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override { return "Raziviz Avodoru"; }
    const juce::String getApplicationVersion() override { return "1.9.5"; }
    bool moreThanOneInstanceAllowed() override { return false; }

    void initialise (const juce::String&) override
    {
        if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
            setUserDialogs (&consoleDialogs);

        audioFormats.reset (new juce::AudioFormatManager());
        registerAudioFormats (*audioFormats);
        formatManager = audioFormats.get();

        settings.reset (new juce::ApplicationProperties());
        settings->setStorageParameters (settingsOptions());
        appProperties = settings.get();

        initialiseMediaFolder();

        auto& db = *RaDatabase::getInstance();
        db.setFatalErrorHandler ([this] (const juce::String&) { setApplicationReturnValue (1); quit(); });

        if (! doDbOpen())
        {
            userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "[#1020] Raziviz Avodoru error",
                                          "Could not open database.", "OK", nullptr);
        }
        else
        {
            std::cout << "Raziviz Avodoru " << getApplicationVersion() << "\n"
                      << "Database:     " << getDatabaseFile().getFullPathName() << " (schema version 7)\n"
                      << "Media folder: " << mediaFolder << "\n"
                      << "Tracks:       " << db.getAudioFiles ({}).size() << "\n"
                      << "Shows:        " << db.getSets ({}).size() << "\n"
                      << "MIDI chunks:  " << db.getMidiEvents().size() << std::endl;
        }

        quit();
    }

    void shutdown() override
    {
        RaDatabase::getInstance()->closeDb();
        RaDatabase::deleteInstance();
        appProperties = nullptr;
        formatManager = nullptr;
        settings.reset();
        audioFormats.reset();
        setUserDialogs (nullptr);
    }

    void systemRequestedQuit() override { quit(); }

private:
    ConsoleDialogs consoleDialogs;
    std::unique_ptr<juce::ApplicationProperties> settings;
    std::unique_ptr<juce::AudioFormatManager> audioFormats;
};

START_JUCE_APPLICATION (PluginHostApp)
