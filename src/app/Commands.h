#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/** The main window's commands. Ids are consecutive from 0x30000; a few numbers
    are unused. */
enum CommandIDs
{
    openGraphCmd = 0x30000,
    saveGraphCmd = 0x30001,
    importTracksCmd = 0x30003,
    preferencesCmd = 0x30004,
    aboutCmd = 0x30005,
    followPlaybackCmd = 0x30006,
    lightingDesignCmd = 0x30007,
    backupShowsCmd = 0x30008,
    restoreBackupCmd = 0x30009,
    deleteTracksCmd = 0x3000a,
    checkUpdatesCmd = 0x3000b,
    newShowCmd = 0x3000c,
    deleteShowCmd = 0x3000d,
    copyShowCmd = 0x3000e,
    renameShowCmd = 0x3000f,
    exitCmd = 0x30010,
    userManualCmd = 0x30011,
    exportMidiCmd = 0x30012,
    midiChunkEditorCmd = 0x30013,
    lyricsImportCmd = 0x30014,
    undoCmd = 0x30015,
    redoCmd = 0x30016,
    cutCmd = 0x30017,
    copyCmd = 0x30018,
    pasteCmd = 0x30019,
    deleteSongsCmd = 0x3001a,
    selectAllCmd = 0x3001b,
    setStartCmd = 0x3001e,
    setEndCmd = 0x3001f,
    autoZoomCmd = 0x30020,
    libraryPanelCmd = 0x30021,
    remoteControlCmd = 0x30022,
    moveTracksCmd = 0x30023,
    showBankNamesCmd = 0x30026,
    resetTipsCmd = 0x30027
};

/** What the command table says about one command. */
struct CommandDescription
{
    int id;
    const char* name;        // the command's name in code
    const char* menuText;
    const char* description;
    int keyCode;             // 0 for no default key
    juce::ModifierKeys::Flags modifiers;
};

/** Every command, in the order getAllCommands lists them. */
const std::vector<CommandDescription>& allCommandDescriptions();
const CommandDescription* findCommand (int commandId);

/** Fills a JUCE command info from the table (category "General"; the tick is
    set by the caller). */
void fillCommandInfo (int commandId, juce::ApplicationCommandInfo& info);

/** The menu bar: menu names, and each menu's items (0 marks a separator). */
const juce::StringArray& menuBarNames();
const std::vector<int>& menuItems (const juce::String& menuName);
