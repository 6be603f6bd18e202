#pragma once

#include "ui/UserDialogs.h"

#include <deque>
#include <vector>

/** Stands in for every user dialog while installed: records what was shown and
    answers from a script (first button, cancel, a chosen file...). Boxes without
    a scripted answer take their first button; choosers are cancelled. */
class ScriptedDialogs : public UserDialogs
{
public:
    struct Shown
    {
        juce::String kind; // "message", "okCancel", "yesNoCancel", "text", "fields", "textBlock", "open",
                           // "openMany", "save", "folder", "progress"
        juce::MessageBoxIconType icon = juce::MessageBoxIconType::NoIcon;
        juce::String title, text;
        juce::StringArray buttons;
        juce::String wildcard;
        juce::File initialFile;
    };

    ScriptedDialogs() { setUserDialogs (this); }
    ~ScriptedDialogs() override { setUserDialogs (nullptr); }

    // Answers, used in order.
    void answerButton (int answer) { buttonAnswers.push_back (answer); }
    void answerFile (std::optional<juce::File> file) { fileAnswers.push_back (std::move (file)); }
    void answerText (std::optional<juce::String> text) { textAnswers.push_back (std::move (text)); }
    /** For an input box with fields, or a text block (one text). */
    void answerFields (std::optional<juce::StringArray> texts) { fieldAnswers.push_back (std::move (texts)); }
    void answerFiles (std::optional<juce::Array<juce::File>> files) { filesAnswers.push_back (std::move (files)); }

    /** Every status message progress tasks reported, in order. */
    juce::StringArray progressMessages() const;

    const std::vector<Shown>& shown() const { return log; }
    int count() const { return (int) log.size(); }
    juce::StringArray titles() const;
    void clear() { log.clear(); }

    std::vector<int> exitStatuses;

    void showMessageBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                         const juce::String& buttonText, juce::Component*) override;
    bool showOkCancelBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                          const juce::String& button1, const juce::String& button2, juce::Component*) override;
    int showYesNoCancelBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                            const juce::String& button1, const juce::String& button2, const juce::String& button3,
                            juce::Component*) override;
    std::optional<juce::String> askForText (const juce::String& title, const juce::String& message,
                                            const juce::String& initialText, juce::Component*) override;
    std::optional<juce::StringArray> askForFields (const juce::String& title, const std::vector<InputField>& fields,
                                                   juce::Component*) override;
    std::optional<juce::String> askForTextBlock (const juce::String& title, const juce::String& initialText, int width,
                                                 int height, juce::Component*) override;
    std::optional<juce::Array<juce::File>> chooseFilesToOpen (const juce::String& title, const juce::File& initialFile,
                                                              const juce::String& wildcard) override;
    std::optional<juce::File> chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                                const juce::String& wildcard) override;
    std::optional<juce::File> chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                                const juce::String& wildcard) override;
    std::optional<juce::File> chooseFolder (const juce::String& title, const juce::File& initialFolder) override;
    bool runWithProgress (ProgressTask& task, juce::Thread::Priority priority) override;
    void showWaitCursor (bool) override {}
    void endProcess (int status) override { exitStatuses.push_back (status); }

private:
    std::optional<juce::File> nextFile();

    std::vector<Shown> log;
    std::deque<int> buttonAnswers;
    std::deque<std::optional<juce::File>> fileAnswers;
    std::deque<std::optional<juce::String>> textAnswers;
    std::deque<std::optional<juce::StringArray>> fieldAnswers;
    std::deque<std::optional<juce::Array<juce::File>>> filesAnswers;
    juce::StringArray statusLog;
    juce::CriticalSection lock;
};
