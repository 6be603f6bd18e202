#include "ui/TextBlockEditor.h"

#include "ui/ColourScheme.h"

TextBlockEditor::TextBlockEditor (const juce::String& text)
{
    editor.setMultiLine (true, true);
    editor.setReturnKeyStartsNewLine (true);
    editor.setScrollbarsShown (true);
    editor.setFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), (float) defFontSz, juce::Font::plain));
    editor.setText (text, false);
    addAndMakeVisible (editor);
}

void TextBlockEditor::resized()
{
    editor.setBounds (getLocalBounds());
}
