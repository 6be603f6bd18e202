// Runs the benchmarks with HOME and XDG_DATA_HOME in a temporary folder (no
// benchmark touches a user's data), JUCE initialised, and boxes printed to the
// console instead of shown.

#include "BenchTeardown.h"
#include "app/Globals.h"
#include "data/RaDatabase.h"
#include "ui/ConsoleDialogs.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>
#include <vector>

namespace
{
std::vector<std::function<void()>>& releases()
{
    static std::vector<std::function<void()>> list;
    return list;
}
} // namespace

void atBenchmarksEnd (std::function<void()> release)
{
    releases().push_back (std::move (release));
}

void runBenchmarksEnd()
{
    auto& list = releases();
    while (!list.empty())
    {
        auto release = std::move (list.back());
        list.pop_back();
        release();
    }
}

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
        runBenchmarksEnd();

        RaDatabase::deleteInstance();
        appProperties = nullptr;
        formatManager = nullptr;
        setUserDialogs (nullptr);
    }

    home.deleteRecursively();
    return result;
}
