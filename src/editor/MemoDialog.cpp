#include "editor/MemoDialog.h"

#include "editor/MemoOptionsSelector.h"
#include "ui/TextBlockEditor.h"
#include "ui/UserDialogs.h"

namespace
{
class AlertMemoDialogs final : public MemoDialogs
{
public:
    bool askForMemo (const juce::String& title, MemoFields& fields, bool nameFirst) override
    {
#if JUCE_MODAL_LOOPS_PERMITTED
        juce::AlertWindow window (title, {}, juce::MessageBoxIconType::NoIcon, dialogOwner());
        window.addTextEditor ("Name", fields.name, "Name");

        TextBlockEditor text (fields.text);
        text.setSize (500, 150);
        window.addCustomComponent (&text);

        MemoOptionsSelector options (fields.style, fields.countIn, fields.startMidiEventId, fields.endMidiEventId);
        options.setSize (500, 50);
        window.addCustomComponent (&options);

        window.addButton ("OK", 1, juce::KeyPress (juce::KeyPress::returnKey));
        window.addButton ("Cancel", 0, juce::KeyPress (juce::KeyPress::escapeKey));

        auto* nameField = window.getTextEditor ("Name");
        if (nameFirst)
            nameField->setExplicitFocusOrder (1);
        else
            text.getEditor().setExplicitFocusOrder (1);

        const auto result = window.runModalLoop();
        window.removeCustomComponent (1);
        window.removeCustomComponent (0);
        if (result != 1)
            return false;

        fields.name = nameField->getText();
        fields.text = text.getText();
        fields.style = options.style;
        fields.countIn = options.countIn;
        fields.startMidiEventId = options.startMidiEventId;
        fields.endMidiEventId = options.endMidiEventId;
        return true;
#else
        juce::ignoreUnused (title, fields, nameFirst);
        return false;
#endif
    }
};

MemoDialogs* installed = nullptr;
} // namespace

MemoDialogs& memoDialogs()
{
    static AlertMemoDialogs real;
    return installed != nullptr ? *installed : real;
}

void setMemoDialogs (MemoDialogs* replacement)
{
    installed = replacement;
}
