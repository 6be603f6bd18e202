#pragma once

#include "ui/UserDialogs.h"

/** Absolute path of the media folder, always ending in "/". */
extern juce::String mediaFolder;

/** Where a file imported from that path lies in the media folder: the name of
    the folder it came from, "/", and its file name. */
juce::String mediaDestinationFor (juce::String path);

/** The steps around copying a file into the media folder, for copies made on a
    worker thread: prepareMediaCopy makes the folders (telling the user when it
    cannot), finishMediaCopy reports a failed copy and removes the old waveform
    side file. Both false after telling the user. */
bool prepareMediaCopy (juce::String path);
bool finishMediaCopy (juce::String path, bool copied);

/** Loads mediaFolder from the "mediaFolder" setting; stores the default folder
    there when the setting is missing. */
void initialiseMediaFolder();

/** Copies every subfolder of the old media folder into the new one, under a
    progress window. The old folder is left as it was. */
class CopyMediaLibraryTask final : public ProgressTask
{
public:
    CopyMediaLibraryTask (juce::File source, juce::File destination);

    void run() override;

    /** The task was asked to stop before it copied everything. */
    bool wasCancelled() const noexcept { return cancelled; }
    /** Subfolders that could not be copied completely; the new folder must not be
        taken into use while this is not empty. */
    const juce::StringArray& getFailedFolders() const noexcept { return failedFolders; }

private:
    juce::File source;
    juce::File destination;
    bool cancelled = false;
    juce::StringArray failedFolders;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CopyMediaLibraryTask)
};
