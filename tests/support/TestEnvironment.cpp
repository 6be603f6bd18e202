#include "support/TestEnvironment.h"

#include <cstdlib>

namespace
{
juce::File& homeFolder()
{
    static juce::File folder;
    return folder;
}
} // namespace

TestHome::TestHome()
{
    oldHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
    oldDataHome = juce::SystemStats::getEnvironmentVariable ("XDG_DATA_HOME", {});

    auto base = juce::File::getSpecialLocation (juce::File::tempDirectory)
                    .getChildFile ("rav-test-" + juce::String (juce::Time::currentTimeMillis()) + "-"
                                   + juce::String (juce::Random::getSystemRandom().nextInt (1000000)));
    base.createDirectory();
    homeFolder() = base;

    setenv ("HOME", base.getFullPathName().toRawUTF8(), 1);
    setenv ("XDG_DATA_HOME", base.getChildFile (".local/share").getFullPathName().toRawUTF8(), 1);
}

TestHome::~TestHome()
{
    homeFolder().deleteRecursively();
    setenv ("HOME", oldHome.toRawUTF8(), 1);
    if (oldDataHome.isEmpty())
        unsetenv ("XDG_DATA_HOME");
    else
        setenv ("XDG_DATA_HOME", oldDataHome.toRawUTF8(), 1);
}

juce::File TestHome::folder()
{
    return homeFolder();
}
