#include "lighting/ControllerCheck.h"

#include "app/SpawnedProcess.h"
#include "lighting/VovirLink.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <iostream>

namespace controllercheck
{
juce::String checkProgram;

namespace
{
constexpr const char* answerPrefix = "controller-version ";
}

Check childProcessCheck (juce::String program, int timeoutMs)
{
    return [program, timeoutMs] (const juce::File& bundle)
    {
        Result result;
        auto executable = program.isNotEmpty() ? program
                          : checkProgram.isNotEmpty()
                              ? checkProgram
                              : juce::File::getSpecialLocation (juce::File::currentExecutableFile).getFullPathName();

        SpawnedProcess child;
        if (!child.start (juce::StringArray{executable, argument, bundle.getFullPathName()},
                          SpawnedProcess::wantStdOut))
        {
            result.details = "could not start " + executable;
            return result;
        }

        // Read until the child ends or the time is up; a child that hangs counts as damaged.
        juce::String output;
        char buffer[1024];
        const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32)timeoutMs;
        bool running = true;
        while ((running = child.isRunning()) && juce::Time::getMillisecondCounter() < deadline)
        {
            auto n = child.readProcessOutput (buffer, sizeof (buffer));
            if (n > 0)
                output += juce::String::fromUTF8 (buffer, n);
            else
                juce::Thread::sleep (10);
        }
        if (running)
        {
            child.kill();
            result.details = "the check did not end within " + juce::String (timeoutMs) + " ms";
            return result;
        }
        output += child.readAllProcessOutput();

        // Only the answer counts: a child killed by a signal may look like status 0.
        result.loadable = output.contains (answerPrefix);
        result.details = output.trim();
        return result;
    };
}

int runCheckInThisProcess (const juce::String& bundlePath)
{
    juce::VST3PluginFormat format;
    juce::KnownPluginList list;
    juce::OwnedArray<juce::PluginDescription> found;
    list.scanAndAddFile (bundlePath, true, found, format);
    if (found.isEmpty())
    {
        std::cout << "no plug-in found in " << bundlePath << std::endl;
        return 2;
    }

    juce::String error;
    auto instance = format.createInstanceFromDescription (*found.getFirst(), 48000.0, 512, error);
    if (instance == nullptr)
    {
        std::cout << "could not be loaded: " << error << std::endl;
        return 2;
    }

    const auto record = vovir::readControllerRecord (*instance);
    std::cout << answerPrefix << record.version << std::endl;
    instance.reset();
    return 0;
}
} // namespace controllercheck
