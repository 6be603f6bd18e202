#pragma once

#include "ui/UserDialogs.h"

/** Dialogs for a run without a display: every box is written to the standard
    error stream and answered with its first button; choosers are cancelled and
    progress tasks run to their end on their own thread. */
class ConsoleDialogs final : public UserDialogs
{
public:
    void showMessageBox (juce::MessageBoxIconType, const juce::String& title, const juce::String& text,
                         const juce::String&, juce::Component*) override;
    bool showOkCancelBox (juce::MessageBoxIconType, const juce::String& title, const juce::String& text,
                          const juce::String&, const juce::String&, juce::Component*) override;
    int showYesNoCancelBox (juce::MessageBoxIconType, const juce::String& title, const juce::String& text,
                            const juce::String&, const juce::String&, const juce::String&,
                            juce::Component*) override;
    std::optional<juce::String> askForText (const juce::String&, const juce::String&, const juce::String&,
                                            juce::Component*) override
    {
        return std::nullopt;
    }
    std::optional<juce::File> chooseFileToOpen (const juce::String&, const juce::File&, const juce::String&) override
    {
        return std::nullopt;
    }
    std::optional<juce::File> chooseFileToSave (const juce::String&, const juce::File&, const juce::String&) override
    {
        return std::nullopt;
    }
    std::optional<juce::File> chooseFolder (const juce::String&, const juce::File&) override { return std::nullopt; }
    bool runWithProgress (ProgressTask& task, juce::Thread::Priority priority) override;
    void showWaitCursor (bool) override {}
    void endProcess (int status) override
    {
        std::fflush (nullptr);
        std::_Exit (status);
    }
};
