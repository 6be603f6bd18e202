#include "app/TipDialog.h"

#include "app/Globals.h"
#include "ui/UserDialogs.h"

juce::String tipSettingsKey (const juce::String& key)
{
    return key.endsWith ("Tip") ? key : key + "Tip";
}

void ShowTipDialog (juce::String key, const juce::String& text, juce::Component* parent)
{
    key = tipSettingsKey (key);
    auto* settings = userSettings();

    if (settings != nullptr && settings->getIntValue (key) != 0)
        return;

    auto ok = userDialogs().showOkCancelBox (juce::MessageBoxIconType::InfoIcon, "Raziviz Avodoru Tip", text, "OK",
                                             "Don't show tip again", parent != nullptr ? parent : dialogOwner());
    if (! ok && settings != nullptr)
    {
        settings->setValue (key, 1);
        if (settings->needsToBeSaved())
            settings->saveIfNeeded();
    }
}
