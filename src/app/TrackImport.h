#pragma once

#include "ui/UserDialogs.h"

#include <vector>

/** Copies audio files into the media folder on a worker thread while the
    progress window names the file being copied ("file i of n"). Each file is
    written beside its destination first and moved into place only when it is
    complete, so a failed or cancelled copy never leaves half a file where a
    track's file was. */
class MediaCopyTask final : public ProgressTask
{
public:
    explicit MediaCopyTask (juce::StringArray sourcePaths);

    void run() override;

    /** Whether each file was copied whole, in the order given. */
    const std::vector<bool>& getCopied() const noexcept { return copied; }
    bool wasCancelled() const noexcept { return cancelled; }

private:
    bool copyOne (const juce::File& source, const juce::File& destination, juce::int64 doneBefore,
                  juce::int64 total);

    juce::StringArray sources;
    std::vector<bool> copied;
    bool cancelled = false;
};

/** Imports audio files as tracks, as one undo step "Import Files": files no
    audio format reads are skipped; a file already in the library (same folder
    and file name) is overwritten only when the user says so; a click track
    found beside a file (its name with " click" added wherever it occurs) is
    attached to it. The files are copied under a progress window. */
void importAudioFiles (const juce::Array<juce::File>& files);

/** The library key of a file: the name of its folder, "/", its file name. */
juce::String libraryKeyFor (const juce::String& fullPath);

/** Where the click track of a file is looked for. */
juce::String clickPathFor (const juce::String& fullPath);
