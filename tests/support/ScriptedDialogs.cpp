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

namespace
{
/** Runs a task on a thread of its own, as the progress window does, keeping
    every status message it reports. */
class RecordingRunner final : public juce::Thread, private ProgressTask::Host
{
public:
    RecordingRunner (ProgressTask& taskToRun, std::function<void (const juce::String&)> onStatus)
        : juce::Thread ("ScriptedProgress"), task (taskToRun), statusCallback (std::move (onStatus))
    {
    }

    void run() override { task.runWith (*this); }

private:
    void setTaskProgress (double) override {}
    void setTaskStatusMessage (const juce::String& message) override { statusCallback (message); }
    bool taskShouldExit() const override { return threadShouldExit(); }

    ProgressTask& task;
    std::function<void (const juce::String&)> statusCallback;
};
} // namespace

bool ScriptedDialogs::runWithProgress (ProgressTask& task, juce::Thread::Priority priority)
{
    {
        const juce::ScopedLock sl (lock);
        log.push_back ({ "progress", juce::MessageBoxIconType::NoIcon, task.title, {}, {}, {}, {} });
    }
    RecordingRunner runner (task,
                            [this] (const juce::String& message)
                            {
                                const juce::ScopedLock sl (lock);
                                statusLog.add (message);
                            });
    if (! runner.startThread (priority))
        return false;
    runner.waitForThreadToExit (-1);
    return true;
}

juce::StringArray ScriptedDialogs::progressMessages() const
{
    const juce::ScopedLock sl (lock);
    return statusLog;
}

std::optional<juce::StringArray> ScriptedDialogs::askForFields (const juce::String& title,
                                                                const std::vector<InputField>& fields,
                                                                juce::Component*)
{
    const juce::ScopedLock sl (lock);
    juce::StringArray initial;
    for (auto& field : fields)
        initial.add (field.initialText);
    log.push_back ({ "fields", juce::MessageBoxIconType::NoIcon, title, {}, initial, {}, {} });
    if (fieldAnswers.empty())
        return std::nullopt;
    auto answer = fieldAnswers.front();
    fieldAnswers.pop_front();
    return answer;
}

std::optional<juce::String> ScriptedDialogs::askForTextBlock (const juce::String& title,
                                                              const juce::String& initialText, int, int,
                                                              juce::Component*)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "textBlock", juce::MessageBoxIconType::NoIcon, title, initialText, {}, {}, {} });
    if (fieldAnswers.empty())
        return std::nullopt;
    auto answer = fieldAnswers.front();
    fieldAnswers.pop_front();
    if (! answer.has_value())
        return std::nullopt;
    return answer->joinIntoString ("\n");
}

std::optional<juce::Array<juce::File>> ScriptedDialogs::chooseFilesToOpen (const juce::String& title,
                                                                           const juce::File& initialFile,
                                                                           const juce::String& wildcard)
{
    const juce::ScopedLock sl (lock);
    log.push_back ({ "openMany", juce::MessageBoxIconType::NoIcon, title, {}, {}, wildcard, initialFile });
    if (filesAnswers.empty())
        return std::nullopt;
    auto answer = filesAnswers.front();
    filesAnswers.pop_front();
    return answer;
}
