#pragma once

#include <juce_audio_formats/juce_audio_formats.h>
#include <juce_data_structures/juce_data_structures.h>

/** The user settings (Vodozav.settings). Owned by the application object, or by
    the test runner; null before start-up. */
extern juce::ApplicationProperties* appProperties;

/** The audio file formats the program reads. Owned like appProperties. */
extern juce::AudioFormatManager* formatManager;

/** The settings options: application "Vodozav", suffix "settings", per user,
    case-sensitive keys, saved 3 s after a change, stored as XML. On Linux the
    file is ~/.Vodozav/Vodozav.settings. */
juce::PropertiesFile::Options settingsOptions();

/** WAV (the default), AIFF, FLAC, Ogg Vorbis and whatever else the platform adds. */
void registerAudioFormats (juce::AudioFormatManager& manager);

/** The user settings file, or null before start-up. */
juce::PropertiesFile* userSettings();
