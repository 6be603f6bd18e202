// The bodies of the main window's commands that change the track library, the
// shows and the edited lightshow, and of the Help menu's commands.

#include "app/MainHostWindow.h"

#include "app/Globals.h"
#include "app/TrackImport.h"
#include "app/Vendor.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DataPaths.h"
#include "data/MediaLibrary.h"
#include "editor/Timeline.h"
#include "editor/TimelineObjects.h"
#include "library/LibraryWindow.h"
#include "library/LightShowList.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "ui/UserDialogs.h"

namespace
{
void refusal (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    userDialogs().showMessageBox (icon, title, text, {}, dialogOwner());
}

bool yesNo (juce::MessageBoxIconType icon, const juce::String& title, const juce::String& text)
{
    return userDialogs().showOkCancelBox (icon, title, text, "Yes", "No", dialogOwner());
}

LibraryTabs* tabs()
{
    return libraryPanel != nullptr ? libraryPanel->tabs.get() : nullptr;
}

bool showingTrackLibrary()
{
    return tabs() == nullptr || tabs()->getCurrentTabIndex() == 0;
}

/** The selected tracks, while the "Track Library" tab is shown. */
std::vector<int> selectedTracks()
{
    if (tabs() == nullptr || ! showingTrackLibrary())
        return {};
    return tabs()->getIdsOfSelectedTracks();
}

/** The selected show, while the "Show Library" tab is shown; -1 otherwise. */
int selectedShow()
{
    if (tabs() == nullptr || showingTrackLibrary())
        return -1;
    return tabs()->getIdOfSelectedShow();
}

WaveEditor* editedLightShow()
{
    return timeline != nullptr && ! timeline->editor->readOnly ? timeline->editor : nullptr;
}

/** A folder name for "Move selected tracks...": one plain name inside the media folder. */
bool isPlainFolderName (const juce::String& name)
{
    return name.isNotEmpty() && ! name.containsAnyOf ("/\\") && name != "." && name != ".."
           && name.trim().isNotEmpty();
}
} // namespace

//==============================================================================
void MainHostWindow::importFiles (juce::Array<juce::File>& files)
{
    resetDisplay (true);
    importAudioFiles (files);
}

bool MainHostWindow::isInterestedInFileDrag (const juce::StringArray& files)
{
    return anyReadableAudioFile (files);
}

void MainHostWindow::filesDropped (const juce::StringArray& files, int, int)
{
    juce::Array<juce::File> dropped;
    for (auto& path : files)
        dropped.add (juce::File (path));
    importFiles (dropped);
}

void MainHostWindow::importTracks()
{
    auto* settings = userSettings();
    auto last = settings != nullptr ? settings->getValue ("fileChooserDir") : juce::String();
    auto initial = last.isNotEmpty() ? juce::File (last)
                                     : juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);

    auto chosen = userDialogs().chooseFilesToOpen ("Choose an audio file...", initial, "*.*");
    if (! chosen.has_value() || chosen->isEmpty())
        return;

    auto files = *chosen;
    importFiles (files);
    if (settings != nullptr)
        settings->setValue ("fileChooserDir", chosen->getFirst().getFullPathName());
}

//==============================================================================
void MainHostWindow::deleteSelectedTracks()
{
    auto ids = selectedTracks();
    if (ids.empty())
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "No tracks selected",
                 "Please select one or more tracks in 'Track Library' first");
        return;
    }

    if (! yesNo (juce::MessageBoxIconType::QuestionIcon,
                 ids.size() == 1 ? juce::String ("About to delete one track")
                                 : "About to delete " + juce::String ((int) ids.size()) + " tracks",
                 "This will permanently delete the selected tracks and associated lightshow designs. You may want to "
                 "backup your shows (from the File menu) before proceeding!\n\nDo you want to continue with the "
                 "delete?"))
        return;

    for (auto id : ids)
    {
        AudioFileModel track (id);
        int uses = 0;
        for (auto& lightShow : track.getLightShows())
            uses += lightShow.getNumDependentSets();

        if (uses > 0)
        {
            auto desc = track.getDesc();
            auto text = uses == 1 ? "The track '" + desc + "' is used in a show. Do you really want to delete it?"
                                  : "The track '" + desc + "' is used in " + juce::String (uses)
                                        + " shows. Do you really want to delete it?";
            if (! yesNo (juce::MessageBoxIconType::WarningIcon, "'" + desc + "' is in use", text))
                continue;
        }
        track.deleteAudioFile();
    }

    resetDisplay (true);
}

void MainHostWindow::moveSelectedTracks()
{
    auto ids = selectedTracks();
    if (ids.empty())
    {
        refusal (juce::MessageBoxIconType::NoIcon, "No tracks selected",
                 "Please select one or more tracks in 'Track Library' first");
        return;
    }

    auto answer = userDialogs().askForFields ("Move selected tracks to folder:", { { "Folder name", {}, {} } }, this);
    if (! answer.has_value())
    {
        resetDisplay (true);
        return;
    }

    auto folderName = (*answer)[0];
    if (folderName.isEmpty())
    {
        refusal (juce::MessageBoxIconType::NoIcon, "Folder name empty", "Please specify a folder name!");
        return;
    }

    // A name that would reach outside the media folder (a "/", "..", an absolute
    // path) is refused: tracks are only ever moved between its own folders.
    if (! isPlainFolderName (folderName))
    {
        refusal (juce::MessageBoxIconType::NoIcon, "Folder name not allowed",
                 "A folder name cannot contain \"/\" or \"\\\" and cannot be \".\" or \"..\". Please choose another "
                 "name.");
        return;
    }

    if (! yesNo (juce::MessageBoxIconType::NoIcon, "Move track...",
                 "About to move " + juce::String ((int) ids.size())
                     + " tracks into a new folder. This will not affect your existing lightshows or sets. Proceed?"))
        return;

    juce::StringArray notMoved;
    for (auto id : ids)
    {
        AudioFileModel track (id);
        const auto oldStoredPath = track.getStringField ("Path");
        const auto oldPath = track.getFullPath();
        track.setStringField ("Path", folderName + "/" + oldPath.fromLastOccurrenceOf ("/", false, false));
        const auto newPath = track.getFullPath();

        juce::File oldFile (oldPath), newFile (newPath);
        auto newFolder = newFile.getParentDirectory();

        // Each move is checked: a track whose file could not go keeps its old
        // Path and its file, so it is never left pointing at nothing.
        bool moved = oldPath == newPath;
        if (! moved && oldFile.existsAsFile() && ! newFile.exists()
            && (newFolder.isDirectory() || newFolder.createDirectory()) && oldFile.moveFileTo (newFile))
            moved = true;

        if (! moved)
        {
            track.setStringField ("Path", oldStoredPath);
            notMoved.add (track.getStringField ("Name"));
            continue;
        }

        juce::File oldThumbnail (oldPath + ".vovir");
        if (oldPath != newPath && oldThumbnail.existsAsFile())
            oldThumbnail.moveFileTo (juce::File (newPath + ".vovir"));

        auto oldFolder = oldFile.getParentDirectory();
        if (oldPath != newPath && oldFolder.isAChildOf (juce::File (mediaFolder)) && oldFolder.isDirectory()
            && oldFolder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*") == 0)
            oldFolder.deleteFile();
    }

    resetDisplay (true);

    if (! notMoved.isEmpty())
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Some tracks were not moved",
                                      "These tracks could not be moved into the folder '" + folderName
                                          + "' and were left where they were:\n\n" + notMoved.joinIntoString ("\n"),
                                      {}, this);
}

//==============================================================================
void MainHostWindow::newShow()
{
    if (showingTrackLibrary())
    {
        refusal (juce::MessageBoxIconType::NoIcon, "New Show...", "Please switch to the 'Show Library' tab first");
        return;
    }

    auto answer = userDialogs().askForFields ("Enter the new show name:",
                                              { { "Name", {}, "Name" }, { "Folder", {}, "Folder (optional)" } }, this);
    if (! answer.has_value())
        return;

    if ((*answer)[0].isEmpty())
    {
        refusal (juce::MessageBoxIconType::NoIcon, "No name entered", "Please type a valid show name");
        return;
    }

    SetModel().createSet ((*answer)[0], (*answer)[1]);
    resetDisplay (false);
}

void MainHostWindow::copyShow()
{
    auto showId = selectedShow();
    if (showId == -1)
    {
        refusal (juce::MessageBoxIconType::NoIcon, "No show selected", "Please select a show in 'Show Library' first");
        return;
    }

    SetModel source (showId);
    auto answer = userDialogs().askForFields (
        "Enter details of the new copied show:",
        { { "Name", source.getStringField ("Name") + " (copy)", "Name" },
          { "Folder", source.getStringField ("Folder"), "Folder (optional)" } },
        this);
    if (! answer.has_value())
        return;

    // The whole copy is one undo step: one Undo never leaves half a show.
    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Copy Show");
    SetModel copy;
    copy.createSet ((*answer)[0], (*answer)[1]);
    db.execQuery (formatSql ("DELETE FROM SetElements WHERE SetID=%d", { copy.id }));
    copy.setIntField ("Type", source.getIntField ("Type"));

    int i = 0;
    for (auto& entry : source.getSetElements())
        copy.addSetElement (entry.getIntField ("LightShowID"), i++, entry.getIntField ("AutoStart") == 1,
                            entry.getIntField ("Loop") == 1, entry.getIntField ("Colour"));
    db.endTransaction();

    resetDisplay (false);
}

void MainHostWindow::renameShow()
{
    auto showId = selectedShow();
    if (showId == -1)
    {
        refusal (juce::MessageBoxIconType::NoIcon, "No show selected", "Please select a show in 'Show Library' first");
        return;
    }

    SetModel show (showId);
    auto answer = userDialogs().askForFields (
        "Edit show name:",
        { { "Name", show.getStringField ("Name"), "Name" }, { "Folder", show.getStringField ("Folder"), "Folder (optional)" } },
        this);
    if (! answer.has_value())
        return;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Edit Show Name");
    show.setStringField ("Name", (*answer)[0]);
    show.setStringField ("Folder", (*answer)[1]);
    db.endTransaction();
    resetDisplay (false);
}

void MainHostWindow::deleteShow()
{
    auto showId = selectedShow();
    if (showId == -1)
    {
        refusal (juce::MessageBoxIconType::NoIcon, "No show selected", "Please select a show in 'Show Library' first");
        return;
    }

    if (! yesNo (juce::MessageBoxIconType::NoIcon, "Delete show...", "Do you really want to delete the selected show?"))
        return;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Delete Set");
    db.execQuery (formatSql ("DELETE FROM SetElements WHERE SetID=%d", { showId }));
    db.execQuery (formatSql ("DELETE FROM Sets WHERE SetID=%d", { showId }));
    db.endTransaction();

    if (setPlayer != nullptr)
    {
        setPlayer->timeline->loadSet (-1, false);
        setPlayer->vertPanel->memoPanel->setSet (-1);
    }
    resetDisplay (false);
}

//==============================================================================
void MainHostWindow::lyricsImport()
{
    if (! isSongEditorVisible() || timeline == nullptr)
    {
        refusal (juce::MessageBoxIconType::WarningIcon, "No lightshow is being edited",
                 "You must be editing a lightshow in order to import lyrics");
        return;
    }

    auto text = userDialogs().askForTextBlock (
        "Import lyrics:",
        "This is a quick way to import lyrics for an entire song in one go.\n\nPaste your lyrics here (deleting this "
        "text first) and include a blank line after each verse/chorus/break. Then hit OK, and position & size the "
        "memos on the timeline!",
        400, 300, this);
    if (! text.has_value())
        return;

    juce::StringArray blocks;
    for (auto rest = *text; rest.isNotEmpty();)
    {
        auto end = rest.indexOf ("\n\n");
        blocks.add (end < 0 ? rest : rest.substring (0, end));
        rest = end < 0 ? juce::String() : rest.substring (end + 2);
    }

    auto& editor = *timeline->editor;
    LightShowModel lightShow (timeline->lightShowId);
    const float ts = lightShow.getFloatField ("TrimStart");
    const float s = (float) (editor.trackLength - editor.trimStart - editor.trimEnd) - ts;
    const int n = blocks.size();

    if (n > 0)
    {
        const float step = s * 0.8f / (float) n;
        const float length = 0.8f * step;
        float t = ts + 0.1f * s;
        for (auto& block : blocks)
        {
            auto newline = block.indexOf ("\n");
            auto shortName = newline < 0 ? block : block.substring (0, newline + 1);
            lightShow.addMemo (shortName, block, t, -1, -1, -1, length);
            t += step;
        }
    }

    editor.refreshFromDb (false);
}

void MainHostWindow::copySelection()
{
    if (editedLightShow() == nullptr)
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "Error", "Copy only works when editing a lightshow.");
        return;
    }

    auto cues = timeline->getSelectedCues();
    auto memos = timeline->getSelectedMemos();
    if (cues.empty() && memos.empty())
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "Copy failed", "No cues/memos are selected");
        return;
    }

    cueClipboard = cues;
    memoClipboard = memos;
}

void MainHostWindow::pasteClipboard()
{
    auto* editor = editedLightShow();
    if (editor == nullptr)
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "Error", "Paste only works when editing a lightshow.");
        return;
    }
    if (cueClipboard.empty() && memoClipboard.empty())
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "Clipboard error", "Nothing to paste!");
        return;
    }

    float earliest = 1e10f;
    for (auto& cue : cueClipboard)
        earliest = juce::jmin (earliest, cue.getFloatField ("CueTime"));
    for (auto& memo : memoClipboard)
        earliest = juce::jmin (earliest, memo.getFloatField ("MemoTime"));

    const float offset = (float) editor->playPosition + (float) editor->trimStart - earliest;
    const int target = timeline->lightShowId;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Clipboard Paste");
    for (auto& cue : cueClipboard)
        VovirCueModel().createCue (target, cue.getFloatField ("CueTime") + offset, cue.getFloatField ("CueDuration"),
                                   cue.getFloatField ("FadeInTime"), cue.getFloatField ("FadeOutTime"),
                                   cue.getStringField ("BankName"), cue.getStringField ("PresetName"));
    for (auto& memo : memoClipboard)
        ShowMemoModel().createMemo (target, memo.getFloatField ("MemoTime") + offset, memo.getStringField ("ShortName"),
                                    memo.getStringField ("Memo"), memo.getIntField ("CountIn"),
                                    memo.getIntField ("StartMidiEventID"), memo.getIntField ("EndMidiEventID"),
                                    memo.getFloatField ("MemoLength"));
    db.endTransaction();
    editor->refreshFromDb (false);
}

void MainHostWindow::selectAll()
{
    auto* editor = editedLightShow();
    if (editor == nullptr)
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "Error", "'Select All' only works when editing a lightshow.");
        return;
    }

    editor->selection.clear();
    for (auto& object : editor->objects)
    {
        object->selectObj (true);
        editor->selection.push_back (object.get());
    }
    editor->repaint();
}

void MainHostWindow::setTrimTime (bool isStart)
{
    auto* editor = editedLightShow();
    if (editor == nullptr)
    {
        refusal (juce::MessageBoxIconType::InfoIcon, "Error", "Trim commands only work when editing a lightshow.");
        return;
    }

    const float p = (float) (editor->playPosition + editor->trimStart);
    LightShowModel lightShow (editor->lightShowId);
    if (isStart)
    {
        editor->trimStart = p;
        lightShow.setFloatField ("TrimStart", p);
    }
    else
    {
        const float end = (float) editor->trackLength - p;
        editor->trimEnd = end;
        lightShow.setFloatField ("TrimEnd", end);
    }

    for (auto* player : { filePlayer, filePlayerB })
        if (player != nullptr)
            player->setTrimTimes (editor->trimStart, editor->trimEnd);
    editor->repaint();
}

void MainHostWindow::undoOrRedo (bool undo)
{
    // The views are refreshed only after a step was carried out; a step that
    // failed changed nothing and has told the user so.
    auto& database = *RaDatabase::getInstance();

    // Not while a step is still open (a cue being dragged holds one until the
    // mouse is released): undoing into it would take the open step's opener and
    // the steps below it, and leave the rest of the drag outside any step.
    if (database.getTransactionDepth() > 0)
        return;

    if (! (undo ? database.undoStep() : database.redoStep()))
        return;

    if (auto* t = tabs())
        t->doRefresh();
    if (timeline != nullptr)
        timeline->editor->refreshFromDb (false);
    if (setPlayer != nullptr)
        setPlayer->timeline->refreshFromDb (false);
    // A lightshow the step removed or brought back leaves or joins the open track's list.
    if (lightShowList != nullptr)
        lightShowList->list.reloadFromDb (lightShowList->audioFileId, {});
}

//==============================================================================
juce::File userManualFile()
{
    return getDataFolder().getChildFile ("Documentation/Vodozav.html");
}

void MainHostWindow::readUserManual()
{
    auto manual = userManualFile();
    if (manual.existsAsFile())
        juce::Process::openDocument (manual.getFullPathName(), {});
}

void MainHostWindow::checkForUpdates()
{
    // The browser is started on its own: the program never waits for it.
    juce::URL (vendor::downloadPage).launchInDefaultBrowser();
}

void MainHostWindow::showAbout()
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "Raziviz Avodoru V" + getBuildVersion(),
                                  "Made by zezevade didid, for performers who play to backing tracks.", {}, this);
}
