// The bodies of the File menu's archive commands: backup, restore, MIDI file
// export, and the preferences window.

#include "app/MainHostWindow.h"

#include "archive/BackupRestore.h"
#include "archive/MidiExport.h"
#include "archive/Preferences.h"
#include "data/DataPaths.h"
#include "editor/Timeline.h"

void MainHostWindow::doBackup()
{
    runBackupCommand (getDatabaseFile());
}

void MainHostWindow::doRestore()
{
    runRestoreCommand (getDatabaseFile(), [this] { resetDisplay (true); });
}

void MainHostWindow::doExportMidi()
{
    runMidiExportCommand (timeline != nullptr ? timeline->lightShowId : -1, listsFromController());
}

void MainHostWindow::showPreferences()
{
    showPreferencesWindow (audioDevices, this);
}
