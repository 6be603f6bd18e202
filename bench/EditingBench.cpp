// Editing a large lightshow (1000 cues, 200 memos with four count-in beats
// each) on the waveform:
// - one drag step of a cue move (the mouse-move handler and the repaint it
//   asks for, painted into an image of the editor's size): a 60 Hz drag needs
//   it well under 16 ms, the target is 2 ms;
// - saving the moved cue when the button is released, with its undo step, and
//   the whole release (save, undo step, rebuild of the objects), against the
//   plain UPDATE of the same row.

#include "BenchTeardown.h"
#include "LightShowFixture.h"
#include "app/Globals.h"
#include "data/SqlText.h"
#include "editor/Timeline.h"

#include <benchmark/benchmark.h>

namespace
{
struct EditingDatabase final : LightShowFixture
{
    EditingDatabase() : LightShowFixture (1.25, 0.5, 1.0f) {}
};

/** The formats for the track's waveform, and a quiet 260 s mono track. */
struct TrackFile
{
    TrackFile()
    {
        formats.registerBasicFormats();
        previous = formatManager;
        formatManager = &formats;

        file = juce::File::getSpecialLocation (juce::File::tempDirectory)
                   .getChildFile ("rav-editing-bench-" + juce::String (juce::Time::currentTimeMillis()) + ".wav");
        juce::WavAudioFormat wav;
        auto stream = file.createOutputStream();
        std::unique_ptr<juce::AudioFormatWriter> writer (wav.createWriterFor (stream.get(), 8000.0, 1, 16, {}, 0));
        stream.release();
        juce::AudioBuffer<float> buffer (1, 8000);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample (0, i, 0.5f * (float) std::sin (0.3 * i));
        for (int second = 0; second < 260; ++second)
            writer->writeFromAudioSampleBuffer (buffer, 0, buffer.getNumSamples());
    }

    ~TrackFile()
    {
        file.deleteFile();
        juce::File (file.getFullPathName() + ".vovir").deleteFile();
        formatManager = previous;
    }

    juce::AudioFormatManager formats;
    juce::AudioFormatManager* previous = nullptr;
    juce::File file;
};

juce::MouseEvent mouseAt (juce::Component& c, juce::Point<int> p, juce::Point<int> down)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), p.toFloat(),
                             juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                             juce::MouseInputSource::defaultTiltY, &c, &c, now, down.toFloat(), now, 1, p != down);
}

/** An editor showing the lightshow's first 30 s, with the press point on a timed cue's body. */
struct EditingSetup
{
    EditingSetup()
    {
        editor.setSize (1500, 300);
        editor.setFile (track.file.getFullPathName());
        while (! editor.getThumbnail().isFullyLoaded())
            juce::Thread::sleep (5);
        editor.readOnly = false;
        editor.lightShowId = data.lightShow.id;
        editor.refreshFromDb (false);
        editor.viewStart = 0;
        editor.viewEnd = editor.viewSpan = 30.0;
        editor.calcAllLanes();
        editor.layoutObjects();

        for (auto& obj : editor.getObjects())
            if (obj->getType() == cueType && obj->duration >= 2 && obj->time > 5)
            {
                press = { (obj->xStart + obj->xEnd) / 2, (int) (obj->drawnArea.y1 + obj->drawnArea.y2) / 2 + 4 };
                cueId = obj->dbId;
                break;
            }
    }

    EditingDatabase data;
    TrackFile track;
    WaveEditor editor;
    juce::Point<int> press;
    int cueId = 0;
};
} // namespace

static void BM_DragStepWithRepaint (benchmark::State& state)
{
    EditingSetup setup;
    auto& editor = setup.editor;
    juce::Image image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);
    juce::Graphics g (image);

    editor.mouseDown (mouseAt (editor, setup.press, setup.press));
    int step = 0;
    for (auto _ : state)
    {
        const auto x = setup.press.x + 5 + (step++ % 40) * 3;
        editor.mouseDrag (mouseAt (editor, { x, setup.press.y }, setup.press));
        editor.paint (g);
    }
    editor.mouseUp (mouseAt (editor, setup.press, setup.press));
    state.counters["objects"] = (double) editor.getObjects().size();
}

/** The cue's row saved inside its undo step (what a release saves for a moved cue). */
static void BM_SaveMovedCueWithUndoStep (benchmark::State& state)
{
    EditingSetup setup;
    auto& db = *RaDatabase::getInstance();
    TimelineObj* cue = nullptr;
    for (auto& obj : setup.editor.getObjects())
        if (obj->dbId == setup.cueId && obj->getType() == cueType)
            cue = obj.get();

    int i = 0;
    for (auto _ : state)
    {
        cue->time = 10.0 + (i++ % 100) * 0.01;
        db.startTransaction ("Cue Move");
        cue->saveToDb();
        db.endTransaction();
    }
}

/** The whole release of a move: save, undo step and the rebuild of every object. */
static void BM_ReleaseOfAMove (benchmark::State& state)
{
    EditingSetup setup;
    auto& editor = setup.editor;
    int i = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        editor.viewStart = 0;
        editor.viewEnd = editor.viewSpan = 30.0;
        editor.calcAllLanes();
        editor.mouseDown (mouseAt (editor, setup.press, setup.press));
        const juce::Point<int> to { setup.press.x + ((i++ % 2) == 0 ? 4 : -4), setup.press.y };
        editor.mouseDrag (mouseAt (editor, to, setup.press));
        state.ResumeTiming();
        editor.mouseUp (mouseAt (editor, to, setup.press));
    }
}

/** The plain UPDATE of the same row, as one statement. */
static void BM_PlainUpdateOfTheCueRow (benchmark::State& state)
{
    EditingSetup setup;
    auto& db = *RaDatabase::getInstance();
    int i = 0;
    for (auto _ : state)
        db.execQuery (formatSql ("UPDATE VovirCues SET CueTime=%f WHERE VovirCueID=%d",
                                 { 10.0 + (i++ % 100) * 0.01, setup.cueId }));
}

BENCHMARK (BM_DragStepWithRepaint)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SaveMovedCueWithUndoStep)->Unit (benchmark::kMicrosecond);
BENCHMARK (BM_ReleaseOfAMove)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_PlainUpdateOfTheCueRow)->Unit (benchmark::kMicrosecond);
