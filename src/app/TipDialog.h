#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The settings key of a tip: the key with "Tip" appended unless it already ends so. */
juce::String tipSettingsKey (const juce::String& key);

/** The program's transport keys (play/stop, rewind, the learnt remote-control
    keys), which a tip box on the screen passes on; set by the main window. Only
    keys that raise transport actions belong here, never commands that could close
    a window under the box. */
extern std::function<bool (const juce::KeyPress&)> keysUnusedByTips;

/** Shows a once-only tip box ("OK" / "Don't show tip again"); after the second
    button (or Escape) the tip is never shown again. */
void ShowTipDialog (juce::String key, const juce::String& text, juce::Component* parent);

/** The "Reset all tips..." command: after a Yes, every tip is shown again. */
void resetAllTips();
