#include "app/Commands.h"
#include "app/Globals.h"
#include "app/StartupSettings.h"
#include "app/TipDialog.h"
#include "support/ScriptedDialogs.h"
#include "ui/ColourScheme.h"

#include <gtest/gtest.h>

#include <set>

TEST (StartupSettings, DefaultsAndTheNoneValue)
{
    juce::PropertiesFile settings (juce::File::createTempFile ("settings"), settingsOptions());
    settings.setValue ("startCc", 255);
    settings.setValue ("nextCc", 7);
    settings.setValue ("fadeTime", 0.5);
    settings.setValue ("showBankNames", 0);
    settings.setValue ("dcRequiredToStop", 0);

    readStartupSettings (&settings);
    EXPECT_EQ (startCc, -1);  // a stored 255 means none
    EXPECT_EQ (nextCc, 7);
    EXPECT_EQ (rewindCc, -1); // missing
    EXPECT_EQ (startKey, -1);
    EXPECT_EQ (startCh, 1);
    EXPECT_EQ (startNote, -1);
    EXPECT_FLOAT_EQ (fadeTime, 0.5f);
    EXPECT_FALSE (showBankNames);
    EXPECT_EQ (dcRequiredToStop, 0);
    EXPECT_EQ (setPlayImmediate, 0);

    readStartupSettings (nullptr);
    EXPECT_FLOAT_EQ (fadeTime, 1.5f);
    EXPECT_TRUE (showBankNames);
    EXPECT_EQ (dcRequiredToStop, 1);
}

// Damaged or hand-edited settings: every number is held to the preferences'
// range, and text that is no number reads as the default.
TEST (StartupSettings, NumbersAreHeldToThePreferencesRanges)
{
    struct Case
    {
        const char* stored;
        float font, fade;
    };
    const Case cases[] = {
        {"0", 6.0f, 0.0f},  {"-5", 6.0f, 0.0f},   {"500", 99.0f, 10.0f}, {"abc", -1.0f, 1.5f}, {"1e9", 99.0f, 10.0f},
        {"-3", 6.0f, 0.0f}, {"nan", -1.0f, 1.5f}, {"", -1.0f, 1.5f},     {"24", 24.0f, 10.0f}, {"2.5", 6.0f, 2.5f},
    };
    const char* fontKeys[] = {"smallFontSz", "defFontSz", "largeFontSz", "memoFontSz", "clockFontSz"};
    const float fontDefaults[] = {16.0f, 16.0f, 20.0f, 28.0f, 28.0f};
    float* fonts[] = {&smallFontSz, &defFontSz, &largeFontSz, &memoFontSz, &clockFontSz};

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.stored);
        juce::PropertiesFile settings (juce::File::createTempFile ("settings"), settingsOptions());
        for (auto* key : fontKeys)
            settings.setValue (key, c.stored);
        settings.setValue ("fadeTime", c.stored);

        readStartupSettings (&settings);
        for (int i = 0; i < 5; ++i)
            EXPECT_FLOAT_EQ (*fonts[i], c.font < 0.0f ? fontDefaults[i] : c.font) << fontKeys[i];
        EXPECT_FLOAT_EQ (fadeTime, c.fade);
    }
    readStartupSettings (nullptr);
}

TEST (TipDialog, KeysEndInTipAndDontShowAgainSticks)
{
    EXPECT_EQ (tipSettingsKey ("gridmode"), "gridmodeTip");
    EXPECT_EQ (tipSettingsKey ("newIn19Tip"), "newIn19Tip");

    ScriptedDialogs dialogs;
    auto* settings = userSettings();
    settings->removeValue ("gridmodeTip");

    dialogs.answerButton (1); // OK: shown again next time
    ShowTipDialog ("gridmode", "Grid text", nullptr);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Raziviz Avodoru Tip");
    EXPECT_EQ (dialogs.shown()[0].text, "Grid text");
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ({ "OK", "Don't show tip again" }));
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::InfoIcon);

    dialogs.answerButton (0); // "Don't show tip again"
    ShowTipDialog ("gridmode", "Grid text", nullptr);
    EXPECT_EQ (settings->getIntValue ("gridmodeTip"), 1);

    ShowTipDialog ("gridmodeTip", "Grid text", nullptr);
    EXPECT_EQ (dialogs.count(), 2);

    // "Reset all tips...": No keeps them, Yes removes every tip key and says so.
    settings->setValue ("newIn19Tip", 1);
    settings->setValue ("fadeTime", 2.0);
    dialogs.clear();
    dialogs.answerButton (0);
    resetAllTips();
    EXPECT_EQ (settings->getIntValue ("gridmodeTip"), 1);
    dialogs.answerButton (1);
    resetAllTips();
    EXPECT_FALSE (settings->containsKey ("gridmodeTip"));
    EXPECT_FALSE (settings->containsKey ("newIn19Tip"));
    EXPECT_TRUE (settings->containsKey ("fadeTime"));
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "", "", "Success" }));
    settings->removeValue ("fadeTime");
}

TEST (Commands, TheTableIsCompleteAndConsistent)
{
    auto& commands = allCommandDescriptions();
    ASSERT_EQ (commands.size(), 35u);

    std::set<int> ids;
    for (auto& c : commands)
    {
        EXPECT_TRUE (ids.insert (c.id).second) << c.name;
        EXPECT_GE (c.id, 0x30000);
        EXPECT_LE (c.id, 0x30027);
    }
    for (auto unused : { 0x30002, 0x3001c, 0x3001d, 0x30024, 0x30025 })
        EXPECT_EQ (ids.count (unused), 0u);

    // getAllCommands order.
    EXPECT_EQ (commands.front().id, openGraphCmd);
    EXPECT_EQ (commands[2].id, undoCmd);
    EXPECT_EQ (commands.back().id, resetTipsCmd);

    juce::ApplicationCommandInfo info (followPlaybackCmd);
    fillCommandInfo (followPlaybackCmd, info);
    EXPECT_EQ (info.shortName, "Follow playback");
    EXPECT_EQ (info.description, "Timeline follows the playback position");
    EXPECT_EQ (info.categoryName, "General");
    ASSERT_EQ (info.defaultKeypresses.size(), 1);
    EXPECT_EQ (info.defaultKeypresses[0], juce::KeyPress ('F', juce::ModifierKeys::shiftModifier, 0));

    // Exit takes Ctrl+Q here, so Ctrl+X stays Cut.
    juce::ApplicationCommandInfo exitInfo (exitCmd), cutInfo (cutCmd);
    fillCommandInfo (exitCmd, exitInfo);
    fillCommandInfo (cutCmd, cutInfo);
    EXPECT_NE (exitInfo.defaultKeypresses[0], cutInfo.defaultKeypresses[0]);

    // Every menu item is a command; "Open...", "Save" and "Cut" are in no menu.
    std::set<int> inMenus;
    for (auto& menu : menuBarNames())
        for (auto id : menuItems (menu))
            if (id != 0)
            {
                EXPECT_NE (findCommand (id), nullptr) << menu;
                inMenus.insert (id);
            }
    EXPECT_EQ (inMenus.size(), 32u);
    for (auto hidden : { openGraphCmd, saveGraphCmd, cutCmd })
        EXPECT_EQ (inMenus.count (hidden), 0u);
    EXPECT_EQ (menuBarNames(), juce::StringArray ({ "File", "Edit", "Tracks", "Shows", "View", "Help" }));
}
