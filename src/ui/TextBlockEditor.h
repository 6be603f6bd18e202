#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** A multi-line text editor filling the component, in the platform's default
    monospaced font at the default font size; Return starts a new line. Used in
    the dialogs that take a block of text (lyrics, descriptions, memos). */
class TextBlockEditor final : public juce::Component
{
public:
    explicit TextBlockEditor (const juce::String& text);

    juce::String getText() const { return editor.getText(); }
    void setText (const juce::String& text) { editor.setText (text, false); }
    juce::TextEditor& getEditor() noexcept { return editor; }

    void resized() override;

private:
    juce::TextEditor editor;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TextBlockEditor)
};
