#include "app/Globals.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
#include "audio/InternalFilters.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

// The program's graph on a real (dummy) JACK device with four outputs: the
// backing track (440 Hz) must come out of outputs 1-2 and the click (880 Hz) out
// of outputs 3-4, as recorded by jack_rec from the program's ports.
TEST (AudioEndToEnd, BackingAndClickReachTheirJackOutputs)
{
    if (! JackDummyServer::isInstalled())
        GTEST_SKIP() << "jackd is not installed (package jackd2)";
    ASSERT_TRUE (juce::File ("/usr/bin/jack_rec").existsAsFile()) << "jack_rec is missing (package jack-tools)";

    JackDummyServer server;
    ASSERT_TRUE (server.isRunning());
    juce::String error;
    auto devices = openJackDevice (4, error);
    ASSERT_NE (devices, nullptr) << error;
    ASSERT_EQ (devices->getCurrentAudioDevice()->getActiveOutputChannels().countNumberOfSetBits(), 4);
    playerDeviceManager = devices.get();

    juce::AudioPluginFormatManager formats;
    addPluginFormats (formats);
    audioFormatManager = &formats;

    auto folder = TestHome::folder().getChildFile ("jack-e2e");
    folder.createDirectory();
    auto backingFile = folder.getChildFile ("backing.wav");
    auto clickFile = folder.getChildFile ("click.wav");
    ASSERT_TRUE (writeSineWav (backingFile, 8.0, 48000.0, 440.0));
    ASSERT_TRUE (writeSineWav (clickFile, 8.0, 48000.0, 880.0));
    auto recording = folder.getChildFile ("recorded.wav");

    {
        GraphDocumentComponent graphDocument (devices.get());
        // As at start-up: the device lets go of the graph while it is wired.
        graphDocument.detachDevice();
        graphDocument.filterGraph.connectNodes();
        graphDocument.attachDevice();

        for (auto [player, file] : { std::pair { filePlayer, backingFile }, std::pair { filePlayerB, clickFile } })
        {
            ASSERT_NE (player, nullptr);
            player->preloadAudioFile (file.getFullPathName(), 0, 0);
            player->loadFile (file.getFullPathName(), 0, 0, false);
            player->play (0.0);
        }

        EXPECT_EQ (runToEnd ({ "jack_rec", "-f", recording.getFullPathName(), "-d", "2", "JUCEJack:out_1",
                                 "JUCEJack:out_2", "JUCEJack:out_3", "JUCEJack:out_4" }),
                   0);
        RaTracks::stop (0.0);
    }
    playerDeviceManager = nullptr;
    audioFormatManager = nullptr;
    devices.reset();

    std::unique_ptr<juce::AudioFormatReader> reader (formatManager->createReaderFor (recording));
    ASSERT_NE (reader, nullptr);
    ASSERT_EQ (reader->numChannels, 4u);
    const auto length = (int) reader->lengthInSamples - 24000; // past the first half second
    ASSERT_GT (length, 24000);
    juce::AudioBuffer<float> recorded (4, length);
    reader->read (&recorded, 0, length, 24000, true, true);

    // The right tone on each output and none of the other; the dummy server runs
    // in real time, so a loaded machine may drop a few blocks (hence 0.2, not 0.5).
    for (int c = 0; c < 4; ++c)
    {
        const bool backing = c < 2;
        juce::String windows; // the tone's level over each tenth of a second, for a failure message
        for (int w = 0; w + 4800 <= length; w += 4800)
            windows << juce::String (toneLevel (recorded.getReadPointer (c, w), 4800, 48000.0,
                                                backing ? 440.0 : 880.0), 2) << " ";
        SCOPED_TRACE ("output " + juce::String (c + 1) + ": " + windows);
        EXPECT_GT (toneLevel (recorded.getReadPointer (c), length, 48000.0, backing ? 440.0 : 880.0), 0.2);
        EXPECT_LT (toneLevel (recorded.getReadPointer (c), length, 48000.0, backing ? 880.0 : 440.0), 0.02);
    }
    folder.deleteRecursively();
}
