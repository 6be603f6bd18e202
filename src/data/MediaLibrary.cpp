#include "data/MediaLibrary.h"

#include "app/Globals.h"
#include "app/Vendor.h"
#include "data/DataPaths.h"
#include "data/DbModels.h"
#include "ui/UserDialogs.h"

juce::String mediaFolder;

void initialiseMediaFolder()
{
    auto* settings = userSettings();
    mediaFolder = settings != nullptr ? settings->getValue ("mediaFolder") : juce::String();

    if (mediaFolder.isEmpty())
    {
        mediaFolder = getDefaultMediaFolder().getFullPathName();
        if (settings != nullptr)
            settings->setValue ("mediaFolder", mediaFolder);
    }

    if (! mediaFolder.endsWith ("/"))
        mediaFolder << "/";
}

namespace
{
juce::String pleaseReport()
{
    return juce::String ("\n\nPlease report this issue to ") + vendor::supportEmail;
}

void fileError (const juce::String& title, const juce::String& text)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, title, text + pleaseReport());
}

/** The name of the folder a file lies in: the part of the path before its last
    "/", then the part of that after its own last "/" (empty for none). */
juce::String parentFolderName (const juce::String& path)
{
    auto slash = path.lastIndexOfChar ('/');
    auto folder = slash < 0 ? juce::String() : path.substring (0, slash);
    auto innerSlash = folder.lastIndexOfChar ('/');
    return innerSlash < 0 ? folder : folder.substring (innerSlash + 1);
}

juce::String fileNameOf (const juce::String& path)
{
    return path.fromLastOccurrenceOf ("/", false, false);
}

juce::File thumbnailFor (const juce::String& fullPath)
{
    return juce::File (fullPath + ".vovir");
}

/** True when the folder lies inside the media folder (not the media folder
    itself): only such folders may be removed when they become empty. */
bool isInsideMediaFolder (const juce::File& folder)
{
    auto media = juce::File (mediaFolder);
    return folder != media && folder.isAChildOf (media);
}
} // namespace

juce::String mediaDestinationFor (juce::String path)
{
    path = path.replaceCharacter ('\\', '/');
    return mediaFolder + parentFolderName (path) + "/" + fileNameOf (path);
}

bool prepareMediaCopy (juce::String path)
{
    path = path.replaceCharacter ('\\', '/');

    juce::File media (mediaFolder);
    if (! media.isDirectory() && ! media.createDirectory())
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Raziviz Avodoru : Fatal Error",
                                      "[#2001] Could not create Raziviz Avodoru media folder." + pleaseReport());
        return false;
    }

    juce::File subfolder (mediaFolder + parentFolderName (path));
    if (! subfolder.isDirectory() && ! subfolder.createDirectory())
    {
        fileError ("File Error", "[#2002] Could not create Raziviz Avodoru media subfolder.");
        return false;
    }
    return true;
}

bool finishMediaCopy (juce::String path, bool copied)
{
    if (! copied)
    {
        fileError ("File Error", "[#2003] Could not copy audio file into Raziviz Avodoru media folder.");
        return false;
    }

    if (! thumbnailFor (mediaDestinationFor (path)).deleteFile())
    {
        fileError ("File Error", "[#2004] Could not remove old wave thumbnail file.");
        return false;
    }
    return true;
}

bool AudioFileModel::copyFileToMediaFolder (juce::String path)
{
    path = path.replaceCharacter ('\\', '/');
    if (! prepareMediaCopy (path))
        return false;

    juce::File source (path);
    juce::File destination (mediaDestinationFor (path));
    return finishMediaCopy (path, source.existsAsFile() && source.copyFileTo (destination));
}

void AudioFileModel::addNewFromPath (juce::String path)
{
    if (copyFileToMediaFolder (path))
        addRowForMediaCopy (path);
}

void AudioFileModel::addRowForMediaCopy (juce::String path)
{
    path = path.replaceCharacter ('\\', '/');

    auto fileName = fileNameOf (path);
    auto pathValue = parentFolderName (path) + "/" + fileName;
    auto name = juce::File (mediaFolder + pathValue).getFileNameWithoutExtension();

    auto& db = *RaDatabase::getInstance();
    db.execQuery ("INSERT INTO AudioFiles(Name, Path) VALUES('" + cleanedForDb (name) + "','" + cleanedForDb (pathValue)
                  + "')");
    takeNewId();

    LightShowModel lightShow;
    lightShow.createLightShow (id, "Default lightshow", "", "", 120.0f);

    db.notifyObservers ("AudioFiles", id, dbChangeAny);
}

juce::String AudioFileModel::getFullPath() const
{
    auto path = getStringField ("Path");
    return path.isEmpty() ? juce::String() : mediaFolder + path;
}

bool AudioFileModel::fileExists() const
{
    auto fullPath = getFullPath();
    return fullPath.isNotEmpty() && juce::File (fullPath).existsAsFile();
}

bool AudioFileModel::checkFileExists()
{
    if (fileExists())
        return true;

    auto missing = juce::File (getFullPath());
    auto fileName = fileNameOf (getStringField ("Path"));

    userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon,
                                  "Audio file not found in Raziviz Avodoru media folder",
                                  "File '" + fileName + "' not found - please locate it in the next window...");

    auto home = juce::File::getSpecialLocation (juce::File::userHomeDirectory);
    auto chosen = userDialogs().chooseFileToOpen ("Locate " + fileName, home.getChildFile (fileName),
                                                  "*" + missing.getFileExtension());
    if (! chosen.has_value())
        return false;

    if (chosen->existsAsFile() && chosen->getFileName() == fileName)
    {
        copyFileToMediaFolder (chosen->getFullPathName());
        setStringField ("Path", chosen->getParentDirectory().getFileName() + "/" + chosen->getFileName());
        return true;
    }

    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Audio file not found",
                                  "Could not find '" + fileName + "' in your chosen location.");
    return false;
}

float AudioFileModel::calcLengthSecs()
{
    if (formatManager == nullptr)
        return 0.0f;

    auto fullPath = getFullPath();
    if (fullPath.isEmpty())
        return 0.0f;

    std::unique_ptr<juce::AudioFormatReader> reader (formatManager->createReaderFor (juce::File (fullPath)));
    if (reader == nullptr || reader->sampleRate <= 0.0)
        return 0.0f;

    auto length = (float) ((double) reader->lengthInSamples / reader->sampleRate);
    setFloatField ("LengthSecs", length);
    return length;
}

void AudioFileModel::deleteAudioFile()
{
    // One undo step: the track's row, its click track and every row the
    // deletion cascades to come back together, parents before children.
    // Undone one row at a time, the newest row (a lightshow) would come back
    // before its track and could never be restored.
    auto& database = *RaDatabase::getInstance();
    database.startTransaction ("Delete Track");
    deleteClickTrack();

    auto fullPath = getFullPath();
    if (fullPath.isNotEmpty())
    {
        juce::File file (fullPath);
        if (file.existsAsFile() && file.isAChildOf (juce::File (mediaFolder)))
            file.deleteFile();

        auto thumbnail = thumbnailFor (fullPath);
        if (thumbnail.existsAsFile() && thumbnail.isAChildOf (juce::File (mediaFolder)))
            thumbnail.deleteFile();

        juce::File folder (fullPath.upToLastOccurrenceOf ("/", false, false));
        if (isInsideMediaFolder (folder) && folder.isDirectory()
            && folder.getNumberOfChildFiles (juce::File::findFilesAndDirectories, "*") == 0)
            folder.deleteFile();
    }

    database.execQuery (formatSql ("DELETE FROM AudioFiles WHERE AudioFileID=%d", { id }));
    database.endTransaction();
}

void AudioFileModel::deleteClickTrack()
{
    auto clickId = getClickTrackID();
    if (clickId >= 1 && clickId != id)
        AudioFileModel (clickId).deleteAudioFile();
}

//==============================================================================
CopyMediaLibraryTask::CopyMediaLibraryTask (juce::File sourceFolder, juce::File destinationFolder)
    : ProgressTask ("Copying media library...", true, false, 10000),
      source (std::move (sourceFolder)),
      destination (std::move (destinationFolder))
{
}

void CopyMediaLibraryTask::run()
{
    auto subfolders = source.findChildFiles (juce::File::findDirectories, false, "*");
    subfolders.sort();
    cancelled = false;
    failedFolders.clear();

    auto n = subfolders.size();
    for (int i = 1; i <= n; ++i)
    {
        auto& folder = subfolders.getReference (i - 1);
        setProgress ((double) i / (double) n);
        setStatusMessage ("Copying " + folder.getFileName() + "...");

        auto target = destination.getChildFile (folder.getFileName());

        // A new folder inside the old one must not be copied into itself.
        if (target == folder || destination == folder || destination.isAChildOf (folder))
            continue;

        if (! folder.copyDirectoryTo (target))
            failedFolders.add (folder.getFileName());

        if (threadShouldExit())
        {
            cancelled = true;
            break;
        }
    }
}
