#include "support/ScriptedDialogs.h"

juce::StringArray ScriptedDialogs::titles() const
{
    juce::StringArray result;
    for (auto& entry : log)
        result.add (entry.title);
    return result;
}

void ScriptedDialogs::showMessageBox (juce::MessageBoxIconType icon, const juce::String& title,
                                      const juce::String& text, const juce::String& buttonText, juce::Component*)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "message", icon, title, text, { buttonText }, {}, {} });
}

bool ScriptedDialogs::showOkCancelBox (juce::MessageBoxIconType icon, const juce::String& title,
                                       const juce::String& text, const juce::String& button1,
                                       const juce::String& button2, juce::Component*)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "okCancel", icon, title, text, { button1, button2 }, {}, {} });
    if (buttonAnswers.empty())
        return true;
    auto answer = buttonAnswers.front();
    buttonAnswers.pop_front();
    return answer == 1;
}

int ScriptedDialogs::showYesNoCancelBox (juce::MessageBoxIconType icon, const juce::String& title,
                                         const juce::String& text, const juce::String& button1,
                                         const juce::String& button2, const juce::String& button3, juce::Component*)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "yesNoCancel", icon, title, text, { button1, button2, button3 }, {}, {} });
    if (buttonAnswers.empty())
        return 1;
    auto answer = buttonAnswers.front();
    buttonAnswers.pop_front();
    return answer;
}

std::optional<juce::String> ScriptedDialogs::askForText (const juce::String& title, const juce::String& message,
                                                         const juce::String& initialText, juce::Component*)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "text", juce::MessageBoxIconType::NoIcon, title, message, { initialText }, {}, {} });
    if (textAnswers.empty())
        return std::nullopt;
    auto answer = textAnswers.front();
    textAnswers.pop_front();
    return answer;
}

std::optional<juce::File> ScriptedDialogs::nextFile()
{
    if (fileAnswers.empty())
        return std::nullopt;
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

std::optional<juce::File> ScriptedDialogs::chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                                             const juce::String& wildcard)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "open", juce::MessageBoxIconType::NoIcon, title, {}, {}, wildcard, initialFile });
    return nextFile();
}

std::optional<juce::File> ScriptedDialogs::chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                                             const juce::String& wildcard)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "save", juce::MessageBoxIconType::NoIcon, title, {}, {}, wildcard, initialFile });
    return nextFile();
}

std::optional<juce::File> ScriptedDialogs::chooseFolder (const juce::String& title, const juce::File& initialFolder)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "folder", juce::MessageBoxIconType::NoIcon, title, {}, {}, {}, initialFolder });
    return nextFile();
}

bool ScriptedDialogs::runWithProgress (ProgressTask& task, juce::Thread::Priority priority)
{
    {
        const juce::ScopedLock sl (lock);
        log.push_back ({ "progress", juce::MessageBoxIconType::NoIcon, task.title, {}, {}, {}, {} });
    }
    BackgroundTaskRunner runner (task);
    return runner.runToEnd (priority);
}
