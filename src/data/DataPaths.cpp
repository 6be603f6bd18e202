#include "data/DataPaths.h"

juce::File getDataFolder()
{
    auto base = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});

    // Relative values are to be ignored, as the XDG rules say.
    if (base.isEmpty() || ! juce::File::isAbsolutePath (base))
        base = juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".local/share").getFullPathName();

    return juce::File (base).getChildFile ("zezevade didid").getChildFile ("Vodozav");
}

juce::File getDatabaseFile()
{
    return getDataFolder().getChildFile ("Vodozav.db");
}

juce::File getDefaultMediaFolder()
{
    return getDataFolder().getChildFile ("Media Files");
}
