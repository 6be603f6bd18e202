// Runs every test with HOME and XDG_DATA_HOME inside a temporary folder, so no
// test ever touches a real user's data, settings or plug-ins, and with JUCE's
// message manager alive on the main thread and the program's settings and audio
// formats set up as at start-up.

#include "app/Globals.h"
#include "data/RaDatabase.h"
#include "midi/MidiServer.h"
#include "support/TestEnvironment.h"
#include "ui/WindowManagerAtoms.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    makeSureWindowManagerAtomsExist();

    TestHome home;
    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juceInitialiser;

        juce::AudioFormatManager formats;
        registerAudioFormats (formats);
        formatManager = &formats;

        juce::ApplicationProperties settings;
        settings.setStorageParameters (settingsOptions());
        appProperties = &settings;

        result = RUN_ALL_TESTS();

        MidiServer::deleteInstance();
        RaDatabase::deleteInstance();
        appProperties = nullptr;
        formatManager = nullptr;
    }
    return result;
}
