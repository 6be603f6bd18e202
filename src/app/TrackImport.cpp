#include "app/TrackImport.h"

#include "app/Globals.h"
#include "data/DbModels.h"
#include "data/MediaLibrary.h"
#include "library/LibraryWindow.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

MediaCopyTask::MediaCopyTask (juce::StringArray sourcePaths)
    : ProgressTask ("Importing tracks...", true, true, 10000), sources (std::move (sourcePaths))
{
}

void MediaCopyTask::run()
{
    copied.assign ((size_t) sources.size(), false);
    cancelled = false;

    juce::int64 total = 0;
    for (auto& path : sources)
        total += juce::File (path).getSize();

    juce::int64 done = 0;
    for (int i = 0; i < sources.size(); ++i)
    {
        juce::File source (sources[i]);
        setStatusMessage ("Copying file " + juce::String (i + 1) + " of " + juce::String (sources.size()) + ": "
                          + source.getFileName());

        copied[(size_t) i] = copyOne (source, juce::File (mediaDestinationFor (sources[i])), done, total);
        done += source.getSize();

        if (threadShouldExit())
        {
            cancelled = true;
            return;
        }
    }
    setProgress (1.0);
}

bool MediaCopyTask::copyOne (const juce::File& source, const juce::File& destination, juce::int64 doneBefore,
                             juce::int64 total)
{
    if (source == destination)
        return true; // already in place

    auto partial = destination.getSiblingFile (destination.getFileName() + ".importing");
    partial.deleteFile();

    bool complete = false;
    {
        // The kernel copies between the files itself (as cp does) where it can,
        // in chunks so that progress and a cancel are seen between them; plain
        // reads and writes where it cannot.
        const int in = ::open (source.getFullPathName().toRawUTF8(), O_RDONLY | O_CLOEXEC);
        const int out = ::open (partial.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (in < 0 || out < 0)
        {
            if (in >= 0)
                ::close (in);
            if (out >= 0)
                ::close (out);
            return false;
        }

        constexpr size_t chunk = 8 << 20;
        const auto size = source.getSize();
        juce::int64 copiedBytes = 0;
        bool failed = false, kernelCopy = true;
        std::vector<char> buffer;

        while (copiedBytes < size && ! threadShouldExit())
        {
            ssize_t n = -1;
            if (kernelCopy)
            {
                n = ::copy_file_range (in, nullptr, out, nullptr, chunk, 0);
                if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
                {
                    kernelCopy = false;
                    continue;
                }
            }
            else
            {
                buffer.resize (chunk);
                n = ::read (in, buffer.data(), chunk);
                if (n > 0 && ::write (out, buffer.data(), (size_t) n) != n)
                    n = -1;
            }

            if (n <= 0)
            {
                failed = n < 0;
                break;
            }
            copiedBytes += n;
            if (total > 0)
                setProgress ((double) (doneBefore + copiedBytes) / (double) total);
        }

        failed = ::close (out) != 0 || failed;
        ::close (in);
        complete = ! failed && copiedBytes == size && ! threadShouldExit();
    }

    // Only a whole copy takes the place of the track's file.
    if (! complete || ! partial.moveFileTo (destination))
    {
        partial.deleteFile();
        return false;
    }
    return true;
}

//==============================================================================
juce::String libraryKeyFor (const juce::String& fullPath)
{
    auto path = fullPath;
    cleanStringForDb (path);
    auto folder = path.upToLastOccurrenceOf ("/", false, false);
    if (! path.containsChar ('/'))
        folder = {};
    folder = folder.fromLastOccurrenceOf ("/", false, false);
    return folder + "/" + path.fromLastOccurrenceOf ("/", false, false);
}

juce::String clickPathFor (const juce::String& fullPath)
{
    auto stem = juce::File (fullPath).getFileNameWithoutExtension();
    if (stem.isEmpty())
        return {};
    return fullPath.replace (stem, stem + " click");
}

namespace
{
bool isReadable (const juce::File& file)
{
    return anyReadableAudioFile (juce::StringArray (file.getFullPathName()));
}

struct PlannedTrack
{
    juce::String path;
    int existingId = 0;
    bool copyFile = false;     // a new track, or one the user chose to overwrite
    juce::String clickPath;    // empty when there is no readable click file
    int fileJob = -1, clickJob = -1;
};
} // namespace

void importAudioFiles (const juce::Array<juce::File>& files)
{
    auto& db = *RaDatabase::getInstance();

    // What to do with each file, asked in the order of the files.
    std::vector<PlannedTrack> plan;
    for (auto& file : files)
    {
        if (! isReadable (file))
            continue;

        PlannedTrack track;
        track.path = file.getFullPathName();
        auto key = libraryKeyFor (track.path);
        track.existingId = db.querySingleInt ("SELECT AudioFileID FROM AudioFiles WHERE Path='" + key + "'");

        if (track.existingId > 0)
        {
            track.copyFile = userDialogs().showOkCancelBox (
                juce::MessageBoxIconType::WarningIcon, "Overwrite existing audio track?",
                "'" + AudioFileModel (track.existingId).getStringField ("Path")
                    + "' is already in your track library. Do you want to overwrite it?\n\n(You will need to edit "
                      "the lightshows if the track's timing has changed)",
                "Overwrite", "Cancel", dialogOwner());
            track.path = track.path.replaceCharacter ('\\', '/');
        }
        else
        {
            track.copyFile = true;
        }

        auto click = clickPathFor (track.path);
        if (click.isNotEmpty() && click != track.path && juce::File (click).existsAsFile() && isReadable (juce::File (click)))
            track.clickPath = click;

        plan.push_back (track);
    }

    // The copies, made under the progress window; folders are made first so
    // that their failures are told as usual.
    juce::StringArray jobs;
    for (auto& track : plan)
    {
        if (track.copyFile && prepareMediaCopy (track.path))
            track.fileJob = jobs.size(), jobs.add (track.path);
        if (track.clickPath.isNotEmpty() && prepareMediaCopy (track.clickPath))
            track.clickJob = jobs.size(), jobs.add (track.clickPath);
    }

    MediaCopyTask task (jobs);
    if (! jobs.isEmpty())
        userDialogs().runWithProgress (task, juce::Thread::Priority::normal);

    auto copied = [&] (int job)
    {
        return job >= 0 && job < (int) task.getCopied().size() && task.getCopied()[(size_t) job];
    };
    // A file the user's cancel left uncopied is not an error to report.
    auto finished = [&] (const juce::String& path, int job)
    {
        if (job < 0 || (task.wasCancelled() && ! copied (job)))
            return false;
        return finishMediaCopy (path, copied (job));
    };

    // The rows, as one undo step.
    db.startTransaction ("Import Files");
    for (auto& track : plan)
    {
        int trackId = track.existingId;
        if (finished (track.path, track.fileJob))
        {
            if (trackId > 0)
            {
                AudioFileModel (trackId).calcLengthSecs();
            }
            else
            {
                AudioFileModel added;
                added.addRowForMediaCopy (track.path);
                trackId = added.id;
            }
        }

        if (trackId > 0 && finished (track.clickPath, track.clickJob))
        {
            AudioFileModel click;
            click.addRowForMediaCopy (track.clickPath);
            if (click.id > 0)
                click.setIntField ("MainAudioFileID", trackId);
        }
    }
    db.endTransaction();
}
