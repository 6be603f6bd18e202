#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <atomic>
#include <optional>

/** Long file work that runs on its own thread while a modal progress window is
    shown. Derived classes do their work in run() and report through
    setProgress/setStatusMessage, checking threadShouldExit() as they go; the
    window itself is made by whoever runs the task (see UserDialogs). */
class ProgressTask
{
public:
    /** The side that runs a task and shows its progress. */
    class Host
    {
    public:
        virtual ~Host() = default;
        virtual void setTaskProgress (double newProgress) = 0;
        virtual void setTaskStatusMessage (const juce::String& message) = 0;
        virtual bool taskShouldExit() const = 0;
    };

    ProgressTask (juce::String windowTitle, bool hasProgressBar, bool hasCancelButton, int cancellingTimeOutMs)
        : title (std::move (windowTitle)),
          progressBar (hasProgressBar),
          cancelButton (hasCancelButton),
          cancelTimeOutMs (cancellingTimeOutMs)
    {
    }
    virtual ~ProgressTask() = default;

    virtual void run() = 0;

    /** Runs the task on the calling thread, reporting to the host. */
    void runWith (Host& runner)
    {
        host = &runner;
        run();
        host = nullptr;
    }

    const juce::String title;
    const bool progressBar;
    const bool cancelButton;
    const int cancelTimeOutMs;

protected:
    void setProgress (double newProgress)
    {
        if (host != nullptr)
            host->setTaskProgress (newProgress);
    }
    void setStatusMessage (const juce::String& message)
    {
        if (host != nullptr)
            host->setTaskStatusMessage (message);
    }
    bool threadShouldExit() const { return host != nullptr && host->taskShouldExit(); }

private:
    Host* host = nullptr;
};

/** The one seam through which the program talks to the user with modal boxes,
    choosers and progress windows, and through which it ends the process.

    The program uses userDialogs() everywhere; the real implementation shows JUCE's
    windows, tests install a scripted stand-in that records what was asked and
    answers from a script, so no display is needed.
*/
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    /** A box with one button (empty text: the default "OK"). */
    virtual void showMessageBox (juce::MessageBoxIconType icon, const juce::String& title,
                                 const juce::String& text, const juce::String& buttonText = {},
                                 juce::Component* owner = nullptr) = 0;

    /** A box with two buttons; true when the first one was chosen. */
    virtual bool showOkCancelBox (juce::MessageBoxIconType icon, const juce::String& title,
                                  const juce::String& text, const juce::String& button1,
                                  const juce::String& button2, juce::Component* owner = nullptr) = 0;

    /** A box with two buttons like showOkCancelBox (Return takes the first, Escape the
        second) that hands every other key to keysItDoesNotUse while it is up: a tip
        that appears on stage must not hold back the transport keys. */
    virtual bool showTipBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                             const juce::String& button1, const juce::String& button2, juce::Component* owner,
                             const std::function<bool (const juce::KeyPress&)>& keysItDoesNotUse)
    {
        juce::ignoreUnused (keysItDoesNotUse);
        return showOkCancelBox (icon, title, text, button1, button2, owner);
    }

    /** A box with three buttons; 1 for the first, 2 for the second, 0 for the third or Escape. */
    virtual int showYesNoCancelBox (juce::MessageBoxIconType icon, const juce::String& title,
                                    const juce::String& text, const juce::String& button1,
                                    const juce::String& button2, const juce::String& button3,
                                    juce::Component* owner = nullptr) = 0;

    /** A box asking for one line of text; nothing when cancelled. */
    virtual std::optional<juce::String> askForText (const juce::String& title, const juce::String& message,
                                                    const juce::String& initialText,
                                                    juce::Component* owner = nullptr) = 0;

    /** One text field of an input box: its name, its first text and the label beside it. */
    struct InputField
    {
        juce::String name, initialText, label;
    };

    /** An input box with an empty message, no icon, the fields and the buttons
        "OK" (Return) and "Cancel" (Escape); the fields' texts in order, nothing
        when cancelled. */
    virtual std::optional<juce::StringArray> askForFields (const juce::String& title,
                                                           const std::vector<InputField>& fields,
                                                           juce::Component* owner = nullptr)
    {
        juce::ignoreUnused (title, fields, owner);
        return std::nullopt;
    }

    /** A box holding a multi-line text editor of the given size with "OK"
        (Return) and "Cancel" (Escape); the edited text, nothing when cancelled. */
    virtual std::optional<juce::String> askForTextBlock (const juce::String& title, const juce::String& initialText,
                                                        int width, int height, juce::Component* owner = nullptr)
    {
        juce::ignoreUnused (title, initialText, width, height, owner);
        return std::nullopt;
    }

    virtual std::optional<juce::File> chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                                        const juce::String& wildcard) = 0;

    /** A chooser for opening several files at once; nothing when cancelled. */
    virtual std::optional<juce::Array<juce::File>> chooseFilesToOpen (const juce::String& title,
                                                                      const juce::File& initialFile,
                                                                      const juce::String& wildcard)
    {
        juce::ignoreUnused (title, initialFile, wildcard);
        return std::nullopt;
    }
    virtual std::optional<juce::File> chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                                        const juce::String& wildcard) = 0;
    virtual std::optional<juce::File> chooseFolder (const juce::String& title, const juce::File& initialFolder) = 0;

    /** Runs the task on a thread of its own while its progress window is shown
        modally. Returns true when the task ran to its end (false when cancelled). */
    virtual bool runWithProgress (ProgressTask& task, juce::Thread::Priority priority) = 0;

    virtual void showWaitCursor (bool shouldShow) = 0;

    /** Ends the process with this status after a fatal start-up error. */
    virtual void endProcess (int status) = 0;
};

/** The dialogs in use: the JUCE implementation unless a stand-in was installed. */
UserDialogs& userDialogs();

/** Installs a stand-in (not owned); nullptr returns to the JUCE implementation. */
void setUserDialogs (UserDialogs* replacement);

/** The window that owns boxes "owned by the main window"; null until it exists. */
juce::Component* dialogOwner();
void setDialogOwner (juce::Component* owner);

/** Runs a ProgressTask on a plain thread without any window, for runs without a
    display and for tests; keeps the last progress and status it reported. */
class BackgroundTaskRunner final : public juce::Thread, private ProgressTask::Host
{
public:
    explicit BackgroundTaskRunner (ProgressTask& taskToRun);

    /** Starts the task and waits for its end; false when it was asked to stop. */
    bool runToEnd (juce::Thread::Priority threadPriority);
    void requestStop();

    double getProgress() const noexcept { return progress.load(); }
    juce::String getStatusMessage() const;

private:
    void run() override;
    void setTaskProgress (double newProgress) override;
    void setTaskStatusMessage (const juce::String& message) override;
    bool taskShouldExit() const override;

    ProgressTask& task;
    std::atomic<double> progress { 0.0 };
    std::atomic<bool> stopRequested { false };
    juce::String status;
    juce::CriticalSection lock;
};
