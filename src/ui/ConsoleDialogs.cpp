#include "ui/ConsoleDialogs.h"

#include <iostream>

namespace
{
void print (const juce::String& title, const juce::String& text)
{
    std::cerr << "[" << title << "]\n" << text << "\n" << std::endl;
}
} // namespace

void ConsoleDialogs::showMessageBox (juce::MessageBoxIconType, const juce::String& title, const juce::String& text,
                                     const juce::String&, juce::Component*)
{
    print (title, text);
}

bool ConsoleDialogs::showOkCancelBox (juce::MessageBoxIconType, const juce::String& title, const juce::String& text,
                                      const juce::String&, const juce::String&, juce::Component*)
{
    print (title, text);
    return true;
}

int ConsoleDialogs::showYesNoCancelBox (juce::MessageBoxIconType, const juce::String& title,
                                        const juce::String& text, const juce::String&, const juce::String&,
                                        const juce::String&, juce::Component*)
{
    print (title, text);
    return 1;
}

bool ConsoleDialogs::runWithProgress (ProgressTask& task, juce::Thread::Priority priority)
{
    std::cerr << task.title << std::endl;
    BackgroundTaskRunner runner (task);
    return runner.runToEnd (priority);
}
