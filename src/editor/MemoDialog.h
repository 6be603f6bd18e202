#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** What the memo dialogs edit. */
struct MemoFields
{
    juce::String name, text; // text without a leading "[LEFT]"
    int style = 0;           // 1: left aligned
    int countIn = 0;
    int startMidiEventId = -1, endMidiEventId = -1;
};

/** The seam for the memo dialogs (creating and editing a memo): the real one
    shows an alert window with the name field, a text block and the memo options;
    tests install a scripted one. */
class MemoDialogs
{
public:
    virtual ~MemoDialogs() = default;

    /** Shows the dialog with the fields; true on OK, with the fields updated.
        nameFirst puts the name field first in the focus order, else the text. */
    virtual bool askForMemo (const juce::String& title, MemoFields& fields, bool nameFirst) = 0;
};

MemoDialogs& memoDialogs();
/** Installs a stand-in (not owned); nullptr returns to the real dialog. */
void setMemoDialogs (MemoDialogs* replacement);
