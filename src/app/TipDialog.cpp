#include "app/TipDialog.h"

#include "app/Globals.h"
#include "ui/UserDialogs.h"

juce::String tipSettingsKey (const juce::String& key)
{
    return key.endsWith ("Tip") ? key : key + "Tip";
}

std::function<bool (const juce::KeyPress&)> keysUnusedByTips;

void ShowTipDialog (juce::String key, const juce::String& text, juce::Component* parent)
{
    key = tipSettingsKey (key);
    auto* settings = userSettings();

    if (settings != nullptr && settings->getIntValue (key) != 0)
        return;

    auto ok = userDialogs().showTipBox (juce::MessageBoxIconType::InfoIcon, "Raziviz Avodoru Tip", text, "OK",
                                        "Don't show tip again", parent != nullptr ? parent : dialogOwner(),
                                        keysUnusedByTips);
    if (! ok && settings != nullptr)
    {
        settings->setValue (key, 1);
        if (settings->needsToBeSaved())
            settings->saveIfNeeded();
    }
}

void resetAllTips()
{
    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::QuestionIcon, {},
                                         "This will re-enable all the 'Tip' windows displayed by the application.\n"
                                         "Do you want to continue?",
                                         "Yes", "No", dialogOwner()))
        return;

    if (auto* settings = userSettings())
    {
        auto keys = settings->getAllProperties().getAllKeys();
        for (auto& key : keys)
            if (key.endsWith ("Tip"))
                settings->removeValue (key);

        if (settings->needsToBeSaved())
            settings->saveIfNeeded();
    }

    userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Success", "All tips have been re-enabled", {},
                                  dialogOwner());
}
