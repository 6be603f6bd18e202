#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The row of option buttons in the memo dialogs: text style, count-in beats,
    and the MIDI chunks sent when the memo starts and when it ends. The dialogs
    read the four fields after they close. */
class MemoOptionsSelector final : public juce::Component, public juce::Button::Listener
{
public:
    MemoOptionsSelector (int style, int countIn, int startMidiEventId, int endMidiEventId);
    ~MemoOptionsSelector() override;

    /** Sets the four button texts from the fields. */
    void refreshBtns();

    void resized() override;
    void buttonClicked (juce::Button* button) override;

    // The option menus, built from the fields (item ids as the clicks use them).
    juce::PopupMenu makeStyleMenu() const;
    juce::PopupMenu makeCountInMenu() const;
    juce::PopupMenu makeChunkMenu (int chunkId) const;

    /** Applies a chosen item (0: the menu was dismissed) to the field the button edits. */
    void applyMenuResult (juce::Button* button, int result);

    /** Opens the MIDI chunk editor for the chunk menus' "Edit MIDI chunks..." entry,
        with the memo's chunk chosen; null: the real, modal editor. Tests replace it. */
    static inline std::function<void (int chunkId)> openChunkEditor;

    static constexpr int offItem = 20000;
    static constexpr int editChunksItem = 10000;

    int style = 0;     // 0 centre aligned, 1 left aligned
    int countIn = 0;   // beats, 0 = off
    int startMidiEventId = -1;
    int endMidiEventId = -1;

    juce::Label styleLabel { {}, "Style" }, countInLabel { {}, "Count-In (beats)" },
        startLabel { {}, "MIDI chunk sent at start" }, endLabel { {}, "MIDI chunk sent at end" };
    juce::TextButton styleButton, countInButton, startButton, endButton;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MemoOptionsSelector)
};
