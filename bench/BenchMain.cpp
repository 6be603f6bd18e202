// Runs the benchmarks with HOME and XDG_DATA_HOME in a temporary folder (no
// benchmark touches a user's data), JUCE initialised, and boxes printed to the
// console instead of shown.

#include "app/Globals.h"
#include "data/RaDatabase.h"
#include "ui/ConsoleDialogs.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

int main (int argc, char** argv)
{
    auto home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getChildFile ("rav-bench-" + juce::String (juce::Time::currentTimeMillis()));
    home.createDirectory();
    setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_DATA_HOME", home.getChildFile (".local/share").getFullPathName().toRawUTF8(), 1);

    int result = 0;
    {
        juce::ScopedJuceInitialiser_GUI juceInitialiser;
        ConsoleDialogs dialogs;
        setUserDialogs (&dialogs);

        juce::AudioFormatManager formats;
        registerAudioFormats (formats);
        formatManager = &formats;
        juce::ApplicationProperties settings;
        settings.setStorageParameters (settingsOptions());
        appProperties = &settings;

        benchmark::Initialize (&argc, argv);
        if (benchmark::ReportUnrecognizedArguments (argc, argv))
            result = 1;
        else
            benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();

        RaDatabase::deleteInstance();
        appProperties = nullptr;
        formatManager = nullptr;
        setUserDialogs (nullptr);
    }

    home.deleteRecursively();
    return result;
}
