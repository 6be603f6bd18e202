#include "app/Commands.h"

namespace
{
using juce::ModifierKeys;

// "Cmd" is the platform's command modifier (Ctrl on Linux) and "Ctrl" the control
// key, which on Linux is the same key. Exit takes Ctrl+Q: Cmd+X would collide
// with Cut on this platform.
constexpr auto cmd = ModifierKeys::commandModifier;
constexpr auto ctrl = ModifierKeys::ctrlModifier;
constexpr auto shift = ModifierKeys::shiftModifier;
constexpr auto none = ModifierKeys::noModifiers;
} // namespace

const std::vector<CommandDescription>& allCommandDescriptions()
{
    static const std::vector<CommandDescription> commands {
        { openGraphCmd, "openGraphCmd", "Open...", "Opens a filter graph file", 'O', cmd },
        { saveGraphCmd, "saveGraphCmd", "Save", "Saves the current graph to a file", 'S', cmd },
        { undoCmd, "undoCmd", "Undo", "Undo the most recent edit", 'Z', ctrl },
        { redoCmd, "redoCmd", "Redo", "Reverts the most recent undo", 'Y', ctrl },
        { selectAllCmd, "selectAllCmd", "Select All", "Select all cues & memos in the song", 'A', ctrl },
        { cutCmd, "cutCmd", "Cut", "Cut the selected items to the clipboard", 'X', ctrl },
        { copyCmd, "copyCmd", "Copy", "Copy the selected items to the clipboard", 'C', ctrl },
        { pasteCmd, "pasteCmd", "Paste", "Paste the clipboard contents", 'V', ctrl },
        { setStartCmd, "setStartCmd", "Set start time", "Set start point = current playhead point", 'S', none },
        { setEndCmd, "setEndCmd", "Set end time", "Set end point = current playhead point", 'E', none },
        { importTracksCmd, "importTracksCmd", "Import tracks...", "Imports audio files into the program", 'I', cmd },
        { lyricsImportCmd, "lyricsImportCmd", "Lyrics quick import...",
          "Quick import of text lyrics into the current lightshow", 'L', cmd },
        { exitCmd, "exitCmd", "Exit", "", 'Q', cmd },
        { followPlaybackCmd, "followPlaybackCmd", "Follow playback", "Timeline follows the playback position", 'F',
          shift },
        { lightingDesignCmd, "lightingDesignCmd", "Lighting design...", "Opens the main lighting control window", 'D',
          shift },
        { midiChunkEditorCmd, "midiChunkEditorCmd", "MIDI chunk editor...", "Opens the MIDI chunk editor", 'M',
          shift },
        { preferencesCmd, "preferencesCmd", "Preferences...", "", 'A', shift },
        { backupShowsCmd, "backupShowsCmd", "Backup shows...", "", 0, none },
        { restoreBackupCmd, "restoreBackupCmd", "Restore from backup...", "", 0, none },
        { exportMidiCmd, "exportMidiCmd", "Export lightshow to MIDI file...", "", 0, none },
        { aboutCmd, "aboutCmd", "About...", "", 0, none },
        { userManualCmd, "userManualCmd", "Read user manual...", "", 0, none },
        { checkUpdatesCmd, "checkUpdatesCmd", "Check for updates...", "", 0, none },
        { deleteTracksCmd, "deleteTracksCmd", "Delete selected tracks...", "", 0, none },
        { moveTracksCmd, "moveTracksCmd", "Move selected tracks...", "", 0, none },
        { newShowCmd, "newShowCmd", "New show...", "", 0, none },
        { deleteSongsCmd, "deleteSongsCmd", "Delete selected songs from show...", "", 0, none },
        { deleteShowCmd, "deleteShowCmd", "Delete selected show...", "", 0, none },
        { copyShowCmd, "copyShowCmd", "Copy show...", "", 0, none },
        { renameShowCmd, "renameShowCmd", "Rename selected show...", "", 0, none },
        { autoZoomCmd, "autoZoomCmd", "Auto zoom", "Show window resizes to keep selected song in view", 'Z', shift },
        { showBankNamesCmd, "showBankNamesCmd", "Show bank names in cues",
          "Display both bank and preset names in the waveform cues", 'B', shift },
        { libraryPanelCmd, "libraryPanelCmd", "Library panel...", "Shows or hides the library panel", 'L', shift },
        { remoteControlCmd, "remoteControlCmd", "Remote control...", "Opens the Remote Control window", 'R', shift },
        { resetTipsCmd, "resetTipsCmd", "Reset all tips...", "", 0, none },
    };
    return commands;
}

const CommandDescription* findCommand (int commandId)
{
    for (auto& command : allCommandDescriptions())
        if (command.id == commandId)
            return &command;
    return nullptr;
}

void fillCommandInfo (int commandId, juce::ApplicationCommandInfo& info)
{
    auto* command = findCommand (commandId);
    if (command == nullptr)
        return;

    info.setInfo (command->menuText, command->description, "General", 0);
    if (command->keyCode != 0)
        info.addDefaultKeypress (command->keyCode, command->modifiers);
}

const juce::StringArray& menuBarNames()
{
    static const juce::StringArray names { "File", "Edit", "Tracks", "Shows", "View", "Help" };
    return names;
}

const std::vector<int>& menuItems (const juce::String& menuName)
{
    static const std::vector<int> file { preferencesCmd, 0, backupShowsCmd, restoreBackupCmd, 0, exportMidiCmd, 0,
                                         exitCmd };
    static const std::vector<int> edit { undoCmd, redoCmd, 0, selectAllCmd, copyCmd, pasteCmd, setStartCmd, setEndCmd };
    static const std::vector<int> tracks { importTracksCmd, lyricsImportCmd, 0, moveTracksCmd, deleteTracksCmd };
    static const std::vector<int> shows { newShowCmd, renameShowCmd, copyShowCmd, 0, deleteSongsCmd, deleteShowCmd };
    static const std::vector<int> view { libraryPanelCmd, lightingDesignCmd, midiChunkEditorCmd, remoteControlCmd, 0,
                                         followPlaybackCmd, autoZoomCmd, showBankNamesCmd };
    static const std::vector<int> help { checkUpdatesCmd, userManualCmd, resetTipsCmd, aboutCmd };
    static const std::vector<int> empty;

    if (menuName == "File")
        return file;
    if (menuName == "Edit")
        return edit;
    if (menuName == "Tracks")
        return tracks;
    if (menuName == "Shows")
        return shows;
    if (menuName == "View")
        return view;
    if (menuName == "Help")
        return help;
    return empty;
}
