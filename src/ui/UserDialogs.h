#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <optional>

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

    /** A box with three buttons; 1 for the first, 2 for the second, 0 for the third or Escape. */
    virtual int showYesNoCancelBox (juce::MessageBoxIconType icon, const juce::String& title,
                                    const juce::String& text, const juce::String& button1,
                                    const juce::String& button2, const juce::String& button3,
                                    juce::Component* owner = nullptr) = 0;

    /** A box asking for one line of text; nothing when cancelled. */
    virtual std::optional<juce::String> askForText (const juce::String& title, const juce::String& message,
                                                    const juce::String& initialText,
                                                    juce::Component* owner = nullptr) = 0;

    virtual std::optional<juce::File> chooseFileToOpen (const juce::String& title, const juce::File& initialFile,
                                                        const juce::String& wildcard) = 0;
    virtual std::optional<juce::File> chooseFileToSave (const juce::String& title, const juce::File& initialFile,
                                                        const juce::String& wildcard) = 0;
    virtual std::optional<juce::File> chooseFolder (const juce::String& title, const juce::File& initialFolder) = 0;

    /** Runs the task on its thread while its progress window is shown modally.
        Returns true when the task ran to its end (false when it was cancelled). */
    virtual bool runWithProgress (juce::ThreadWithProgressWindow& task, juce::Thread::Priority priority) = 0;

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
