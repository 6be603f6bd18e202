// Makes a small demo library in the installed database: three generated tracks
// (a tone with a click track each), each with a lightshow of cues on the lighting
// controller's "Stage" and "Wash" banks and a few memos, and a show "Demo show"
// playing them in order. Run after the install step; does nothing when the show
// already exists. Until the library browser exists, `RazivizAvodoru --play-show
// "Demo show"` opens it in the show player.

#include "app/Globals.h"
#include "data/DataPaths.h"
#include "data/DbModels.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "ui/ConsoleDialogs.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <iostream>

namespace
{
bool writeTone (const juce::File& file, double seconds, double frequency, bool click)
{
    file.getParentDirectory().createDirectory();
    file.deleteFile();
    auto stream = file.createOutputStream();
    if (stream == nullptr)
        return false;

    constexpr double rate = 44100.0;
    std::unique_ptr<juce::AudioFormatWriter> writer (juce::WavAudioFormat().createWriterFor (stream.get(), rate, 2, 16, {}, 0));
    if (writer == nullptr)
        return false;
    stream.release();

    auto total = (int) (seconds * rate);
    juce::AudioBuffer<float> buffer (2, total);
    buffer.clear();
    for (int i = 0; i < total; ++i)
    {
        auto t = i / rate;
        float value;
        if (click)
            value = std::fmod (t, 0.5) < 0.02 ? 0.6f * (float) std::sin (juce::MathConstants<double>::twoPi * 1500.0 * t) : 0.0f;
        else
            value = 0.25f * (float) std::sin (juce::MathConstants<double>::twoPi * frequency * t)
                    * (0.6f + 0.4f * (float) std::sin (juce::MathConstants<double>::twoPi * 0.5 * t));
        buffer.setSample (0, i, value);
        buffer.setSample (1, i, value);
    }
    return writer->writeFromAudioSampleBuffer (buffer, 0, total);
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    ConsoleDialogs dialogs;
    setUserDialogs (&dialogs);

    juce::ApplicationProperties settings;
    settings.setStorageParameters (settingsOptions());
    appProperties = &settings;
    juce::AudioFormatManager formats;
    registerAudioFormats (formats);
    formatManager = &formats;
    initialiseMediaFolder();

    auto& db = *RaDatabase::getInstance();
    auto path = getDatabaseFile().getFullPathName();
    if (! db.openDb (path) || ! checkAndUpgradeDbSchema (path))
    {
        std::cerr << "demo: the database at " << path
                  << " cannot be used (see the message above; without one, run the install step first)" << std::endl;
        return 1;
    }

    for (auto& show : db.getSets ("Demo show"))
        if (show.getStringField ("Name") == "Demo show")
        {
            std::cout << "demo: \"Demo show\" is already in the library" << std::endl;
            db.closeDb();
            return 0;
        }

    auto source = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("rav-demo");
    const char* titles[] = { "Opening", "Ballad", "Finale" };
    const double frequencies[] = { 220.0, 330.0, 440.0 };
    const char* presets[] = { "Full", "Warm", "Spot" };

    db.startTransaction ("Demo Library");
    SetModel show;
    show.createSet ("Demo show", "Demo");

    for (int song = 0; song < 3; ++song)
    {
        auto file = source.getChildFile ("Demo/" + juce::String (titles[song]) + ".wav");
        auto clickFile = source.getChildFile ("Demo Clicks/" + juce::String (titles[song]) + " click.wav");
        if (! writeTone (file, 20.0, frequencies[song], false) || ! writeTone (clickFile, 20.0, 0.0, true))
        {
            std::cerr << "demo: could not write " << file.getFullPathName() << std::endl;
            return 1;
        }

        AudioFileModel track;
        track.addNewFromPath (file.getFullPathName());
        AudioFileModel click;
        click.addNewFromPath (clickFile.getFullPathName());
        click.setIntField ("MainAudioFileID", track.id);
        track.calcLengthSecs();

        auto lightShow = track.getLightShows().at (0);
        for (int cue = 0; cue < 8; ++cue)
            VovirCueModel().createCue (lightShow.id, 1.0f + (float) cue * 2.0f, cue % 3 == 2 ? 1.5f : 0.0f, 0.2f, 0.5f,
                                       cue % 2 == 0 ? "Stage" : "Wash",
                                       cue % 2 == 0 ? presets[cue / 2 % 3] : (cue / 2 % 2 == 0 ? "Red" : "Blue"));
        ShowMemoModel().createMemo (lightShow.id, 2.0f, "Verse", "Verse one: sing it softly", 4, 0, 0, 6.0f);
        ShowMemoModel().createMemo (lightShow.id, 10.0f, "Chorus", "Chorus: everybody!", 4, 0, 0, 6.0f);

        show.addSetElement (lightShow.id, song, song < 2, false, song + 1);
    }
    db.endTransaction();
    db.clearUndoStack();
    db.closeDb();
    RaDatabase::deleteInstance();

    source.deleteRecursively();
    settings.closeFiles();
    std::cout << "demo: \"Demo show\" with 3 songs added to the library" << std::endl;
    return 0;
}
