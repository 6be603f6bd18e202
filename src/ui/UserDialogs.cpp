#include "ui/UserDialogs.h"

#include "ui/TextBlockEditor.h"

#include <atomic>

namespace
{
/** JUCE's progress window running a ProgressTask. */
class ProgressWindow final : public juce::ThreadWithProgressWindow, private ProgressTask::Host
{
public:
    explicit ProgressWindow (ProgressTask& taskToRun)
        : juce::ThreadWithProgressWindow (taskToRun.title, taskToRun.progressBar, taskToRun.cancelButton,
                                          taskToRun.cancelTimeOutMs),
          task (taskToRun)
    {
    }

    void run() override { task.runWith (*this); }

private:
    void setTaskProgress (double newProgress) override { setProgress (newProgress); }
    void setTaskStatusMessage (const juce::String& newMessage) override { setStatusMessage (newMessage); }
    bool taskShouldExit() const override { return threadShouldExit(); }

    ProgressTask& task;
};

class JuceDialogs final : public UserDialogs
{
public:
    void showMessageBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                         const juce::String& buttonText, juce::Component* owner) override
    {
        juce::AlertWindow::showMessageBox (icon, title, text, buttonText, owner);
    }

    bool showOkCancelBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                          const juce::String& button1, const juce::String& button2,
                          juce::Component* owner) override
    {
        return juce::AlertWindow::showOkCancelBox (icon, title, text, button1, button2, owner, nullptr);
    }

    bool showTipBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                     const juce::String& button1, const juce::String& button2, juce::Component* owner,
                     const std::function<bool (const juce::KeyPress&)>& keysItDoesNotUse) override
    {
        // The box's own keys (its buttons' Return and Escape) come first; only the
        // rest go on (a key listener would see them before the box does).
        struct TipWindow final : juce::AlertWindow
        {
            TipWindow (const juce::String& boxTitle, const juce::String& boxText, juce::MessageBoxIconType icon,
                       juce::Component* owner, const std::function<bool (const juce::KeyPress&)>& h)
                : juce::AlertWindow (boxTitle, boxText, icon, owner), handler (h)
            {
            }
            bool keyPressed (const juce::KeyPress& key) override
            {
                if (juce::AlertWindow::keyPressed (key))
                    return true;
                if (key.isKeyCode (juce::KeyPress::returnKey) || key.isKeyCode (juce::KeyPress::escapeKey))
                    return false; // the box's own keys are never passed on
                return handler != nullptr && handler (key);
            }
            const std::function<bool (const juce::KeyPress&)>& handler;
        };

        TipWindow window (title, text, icon, owner, keysItDoesNotUse);
        window.addButton (button1, 1, juce::KeyPress (juce::KeyPress::returnKey));
        window.addButton (button2, 0, juce::KeyPress (juce::KeyPress::escapeKey));
        const auto chosen = window.runModalLoop();
        return chosen == 1;
    }

    int showYesNoCancelBox (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text,
                            const juce::String& button1, const juce::String& button2,
                            const juce::String& button3, juce::Component* owner) override
    {
        return juce::AlertWindow::showYesNoCancelBox (icon, title, text, button1, button2, button3, owner,
                                                      nullptr);
    }

    std::optional<juce::String> askForText (const juce::String& title, const juce::String& message,
                                            const juce::String& initialText, juce::Component* owner) override
    {
        juce::AlertWindow window (title, message, juce::MessageBoxIconType::NoIcon, owner);
        window.addTextEditor ("text", initialText);
        window.addButton ("OK", 1, juce::KeyPress (juce::KeyPress::returnKey));
        window.addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));

        if (window.runModalLoop() != 1)
            return std::nullopt;

        return window.getTextEditorContents ("text");
    }

    std::optional<juce::StringArray> askForFields (const juce::String& title, const std::vector<InputField>& fields,
                                                   juce::Component* owner) override
    {
        juce::AlertWindow window (title, {}, juce::MessageBoxIconType::NoIcon, owner);
        for (auto& field : fields)
            window.addTextEditor (field.name, field.initialText, field.label);
        window.addButton ("OK", 1, juce::KeyPress (juce::KeyPress::returnKey));
        window.addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));

        if (window.runModalLoop() == 0)
            return std::nullopt;

        juce::StringArray texts;
        for (auto& field : fields)
            texts.add (window.getTextEditorContents (field.name));
        return texts;
    }

    std::optional<juce::String> askForTextBlock (const juce::String& title, const juce::String& initialText, int width,
                                                 int height, juce::Component* owner) override
    {
        juce::AlertWindow window (title, {}, juce::MessageBoxIconType::NoIcon, owner);
        TextBlockEditor editor (initialText);
        editor.setSize (width, height);
        window.addCustomComponent (&editor);
        window.addButton ("OK", 1, juce::KeyPress (juce::KeyPress::returnKey));
        window.addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));

        auto result = window.runModalLoop();
        window.removeCustomComponent (0);
        if (result == 0)
            return std::nullopt;
        return editor.getText();
    }

    std::optional<juce::Array<juce::File>> chooseFilesToOpen (const juce::String& title, const juce::File& initialFile,
                                                              const juce::String& wildcard) override
    {
        juce::FileChooser chooser (title, initialFile, wildcard, true);
        if (! chooser.browseForMultipleFilesToOpen())
            return std::nullopt;
        return chooser.getResults();
    }

    std::optional<juce::File> chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                                const juce::String& wildcard) override
    {
        juce::FileChooser chooser (title, initialFile, wildcard, true);
        if (! chooser.browseForFileToOpen())
            return std::nullopt;
        return chooser.getResult();
    }

    std::optional<juce::File> chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                                const juce::String& wildcard) override
    {
        juce::FileChooser chooser (title, initialFile, wildcard, true);
        if (! chooser.browseForFileToSave (true))
            return std::nullopt;
        return chooser.getResult();
    }

    std::optional<juce::File> chooseFolder (const juce::String& title, const juce::File& initialFolder) override
    {
        juce::FileChooser chooser (title, initialFolder, "*", true);
        if (! chooser.browseForDirectory())
            return std::nullopt;
        return chooser.getResult();
    }

    bool runWithProgress (ProgressTask& task, juce::Thread::Priority priority) override
    {
        ProgressWindow window (task);
        return window.runThread (priority);
    }

    void showWaitCursor (bool shouldShow) override
    {
        if (shouldShow)
            juce::MouseCursor::showWaitCursor();
        else
            juce::MouseCursor::hideWaitCursor();
    }

    void endProcess (int status) override
    {
        // Ends at once: a fatal start-up error leaves nothing to save, and the
        // half-built window and plug-in must not be torn down by static destructors.
        std::fflush (nullptr);
        std::_Exit (status);
    }
};

JuceDialogs& juceDialogs()
{
    static JuceDialogs instance;
    return instance;
}

std::atomic<UserDialogs*> installedDialogs { nullptr };
juce::Component::SafePointer<juce::Component> ownerWindow;
} // namespace

//==============================================================================
BackgroundTaskRunner::BackgroundTaskRunner (ProgressTask& taskToRun)
    : juce::Thread ("ProgressTask"), task (taskToRun)
{
}

bool BackgroundTaskRunner::runToEnd (juce::Thread::Priority threadPriority)
{
    if (! startThread (threadPriority))
        return false;
    waitForThreadToExit (-1);
    return ! stopRequested.load();
}

void BackgroundTaskRunner::requestStop()
{
    stopRequested = true;
    signalThreadShouldExit();
}

void BackgroundTaskRunner::run()
{
    task.runWith (*this);
}

void BackgroundTaskRunner::setTaskProgress (double newProgress)
{
    progress = newProgress;
}

void BackgroundTaskRunner::setTaskStatusMessage (const juce::String& message)
{
    const juce::ScopedLock sl (lock);
    status = message;
}

juce::String BackgroundTaskRunner::getStatusMessage() const
{
    const juce::ScopedLock sl (lock);
    return status;
}

bool BackgroundTaskRunner::taskShouldExit() const
{
    return threadShouldExit();
}

//==============================================================================
UserDialogs& userDialogs()
{
    if (auto* replacement = installedDialogs.load())
        return *replacement;
    return juceDialogs();
}

void setUserDialogs (UserDialogs* replacement)
{
    installedDialogs = replacement;
}

juce::Component* dialogOwner()
{
    return ownerWindow.getComponent();
}

void setDialogOwner (juce::Component* owner)
{
    ownerWindow = owner;
}
