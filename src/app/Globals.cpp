#include "app/Globals.h"

juce::ApplicationProperties* appProperties = nullptr;
juce::AudioFormatManager* formatManager = nullptr;

juce::PropertiesFile::Options settingsOptions()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Vodozav";
    options.filenameSuffix = "settings";
    options.folderName = {};
    options.osxLibrarySubFolder = "Preferences";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    return options;
}

void registerAudioFormats (juce::AudioFormatManager& manager)
{
    // The basic formats: WAV (default), AIFF, FLAC, Ogg Vorbis and MP3 (the
    // reader built into the framework, for the files performers bring).
    manager.registerBasicFormats();
}

juce::PropertiesFile* userSettings()
{
    return appProperties != nullptr ? appProperties->getUserSettings() : nullptr;
}
