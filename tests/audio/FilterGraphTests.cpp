#include "app/Globals.h"
#include "audio/AudioTestSupport.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/FilterGraph.h"
#include "audio/InternalFilters.h"
#include "support/ScriptedDialogs.h"
#include "support/TestAudio.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
constexpr double rate = 48000.0;
constexpr int block = 256;

/** Stands where the lighting controller goes when no controller is involved:
    records what reaches its two inputs and puts a loud constant on its outputs,
    which must reach nothing. */
class ProbeProcessor final : public juce::AudioProcessor
{
public:
    ProbeProcessor()
        : juce::AudioProcessor (BusesProperties()
                                    .withInput ("In", juce::AudioChannelSet::stereo(), true)
                                    .withOutput ("Out", juce::AudioChannelSet::stereo(), true))
    {
    }

    const juce::String getName() const override { return "Probe"; }
    void prepareToPlay (double, int) override {}
    void releaseResources() override {}
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&) override
    {
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            received.push_back (buffer.getSample (0, i));
        for (int c = 0; c < buffer.getNumChannels(); ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 0.9f, buffer.getNumSamples());
    }
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}

    std::vector<float> received; // first input channel
};

double mean (const float* samples, int n)
{
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        sum += samples[i];
    return sum / n;
}

/** Our lighting-controller bundle, when the build made it (the test program lives in build/tests). */
juce::File findControllerBundle()
{
    auto build = juce::File::getSpecialLocation (juce::File::currentExecutableFile).getParentDirectory().getParentDirectory();
    for (auto name : { "VOVIR.vst3", "Viduroz Idav.vst3" })
    {
        auto found = build.findChildFiles (juce::File::findDirectories, true, name);
        if (! found.isEmpty())
            return found[0];
    }
    return {};
}
/** The program's plug-in formats, installed as audioFormatManager, and a scratch folder. */
struct GraphEnvironment
{
    GraphEnvironment()
    {
        addPluginFormats (formats);
        audioFormatManager = &formats;
        folder.createDirectory();
    }
    ~GraphEnvironment()
    {
        audioFormatManager = nullptr;
        folder.deleteRecursively();
    }

    juce::AudioPluginFormatManager formats;
    juce::File folder { TestHome::folder().getChildFile ("graph-"
                                                         + juce::String (juce::Random::getSystemRandom().nextInt())) };
};
} // namespace

/** The real graph processed offline; the players need an output device. */
class FilterGraphTest : public JackDeviceTest
{
protected:

    /** A graph with the device's channel counts, prepared as the device would. */
    static void prepare (FilterGraph& document, int numOutputs)
    {
        document.graph.setPlayConfigDetails (2, numOutputs, rate, block);
        document.graph.prepareToPlay (rate, block);
    }

    /** Plays 440 Hz on the backing track and 880 Hz on the click track. */
    void startPlayers()
    {
        auto backingFile = folder.getChildFile ("backing.wav");
        auto clickFile = folder.getChildFile ("click.wav");
        ASSERT_TRUE (writeSineWav (backingFile, 1.0, rate, 440.0));
        ASSERT_TRUE (writeSineWav (clickFile, 1.0, rate, 880.0));
        for (auto [player, file] : { std::pair { filePlayer, backingFile }, std::pair { filePlayerB, clickFile } })
        {
            ASSERT_NE (player, nullptr);
            player->preloadAudioFile (file.getFullPathName(), 0, 0);
            player->loadFile (file.getFullPathName(), 0, 0, false);
            player->play (0.0);
            ASSERT_TRUE (player->isPlaying());
        }
    }

    /** Runs the graph offline with a constant 0.25 on both device inputs; returns every output channel. */
    static juce::AudioBuffer<float> run (FilterGraph& document, int numOutputs, int blocks = 40)
    {
        juce::AudioBuffer<float> all (numOutputs, blocks * block);
        juce::AudioBuffer<float> buffer (std::max (2, numOutputs), block);
        juce::MidiBuffer midi;
        for (int b = 0; b < blocks; ++b)
        {
            buffer.clear();
            for (int c = 0; c < 2; ++c)
                juce::FloatVectorOperations::fill (buffer.getWritePointer (c), 0.25f, block);
            document.graph.processBlock (buffer, midi);
            for (int c = 0; c < numOutputs; ++c)
                all.copyFrom (c, b * block, buffer, c, 0, block);
        }
        return all;
    }

    GraphEnvironment environment;
    juce::File& folder = environment.folder;
};

TEST_F (FilterGraphTest, BackingTrackReachesOutputsOneTwoAndTheControllerClickOnlyOutputsThreeFour)
{
    for (int numOutputs : { 2, 4 })
    {
        SCOPED_TRACE (numOutputs);
        FilterGraph document;
        prepare (document, numOutputs);
        document.createFixedNodes();

        auto probeNode = document.graph.addNode (std::make_unique<ProbeProcessor>());
        ASSERT_EQ (probeNode->nodeID, FilterGraph::controllerNode);
        EXPECT_EQ (document.graph.getNodeForId (FilterGraph::backingTrackNode)->getProcessor(), filePlayer);
        EXPECT_EQ (document.graph.getNodeForId (FilterGraph::clickTrackNode)->getProcessor(), filePlayerB);
        EXPECT_DOUBLE_EQ ((double) document.graph.getNodeForId (FilterGraph::audioOutputNode)->properties["y"], 0.9);

        // A stereo device cannot take the click: two connections are refused.
        EXPECT_EQ (document.connectNodes(), numOutputs == 4 ? 9 : 7);
        startPlayers();

        auto out = run (document, numOutputs);
        const int from = block, n = out.getNumSamples() - block; // past the first block
        for (int c = 0; c < numOutputs; ++c)
        {
            SCOPED_TRACE (c);
            const auto* samples = out.getReadPointer (c, from);
            const bool backing = c < 2;
            EXPECT_GT (toneLevel (samples, n, rate, backing ? 440.0 : 880.0), 0.45);
            EXPECT_LT (toneLevel (samples, n, rate, backing ? 880.0 : 440.0), 0.01);
            EXPECT_NEAR (mean (samples, n), 0.0, 0.01); // nothing of the controller's output, nor of the inputs
        }

        // The controller hears the backing track summed with the device input, and no click.
        auto* probe = dynamic_cast<ProbeProcessor*> (probeNode->getProcessor());
        ASSERT_GE ((int) probe->received.size(), from + n);
        const auto* heard = probe->received.data() + from;
        EXPECT_GT (toneLevel (heard, n, rate, 440.0), 0.45);
        EXPECT_LT (toneLevel (heard, n, rate, 880.0), 0.01);
        EXPECT_NEAR (mean (heard, n), 0.25, 0.01);
    }
    EXPECT_EQ (filePlayer, nullptr); // the players die with their graph
}

TEST_F (FilterGraphTest, OurControllerPlugInBecomesNodeSixAndItsOutputReachesNothing)
{
    auto bundle = findControllerBundle();
    if (! bundle.exists())
        GTEST_SKIP() << "the lighting-controller bundle (VOVIR.vst3 / Viduroz Idav.vst3) is not built yet";

    juce::OwnedArray<juce::PluginDescription> found;
    juce::VST3PluginFormat vst3;
    vst3.findAllTypesForFile (found, bundle.getFullPathName());
    ASSERT_FALSE (found.isEmpty());

    FilterGraph document;
    prepare (document, 4);
    document.createFixedNodes();
    auto* controller = document.addFilter (*found[0], 0.5, 0.5);
    ASSERT_NE (controller, nullptr);
    ASSERT_NE (document.graph.getNodeForId (FilterGraph::controllerNode), nullptr);
    EXPECT_EQ (document.graph.getNodeForId (FilterGraph::controllerNode)->getProcessor(), controller);
    const auto made = document.connectNodes();
    EXPECT_GE (made, 5); // at least its MIDI and the four player outputs
    EXPECT_TRUE (document.graph.isConnected ({ { FilterGraph::midiInputNode, juce::AudioProcessorGraph::midiChannelIndex },
                                               { FilterGraph::controllerNode,
                                                 juce::AudioProcessorGraph::midiChannelIndex } }));
    for (auto c : document.graph.getConnections())
        EXPECT_NE (c.source.nodeID, FilterGraph::controllerNode);

    startPlayers();
    auto out = run (document, 4);
    EXPECT_GT (toneLevel (out.getReadPointer (0, block), out.getNumSamples() - block, rate, 440.0), 0.45);
    EXPECT_GT (toneLevel (out.getReadPointer (2, block), out.getNumSamples() - block, rate, 880.0), 0.45);
}

TEST (FilterGraph, NodesAreMadeOnlyFromKnownFormatsAndTypes)
{
    GraphEnvironment environment;
    ScriptedDialogs dialogs;
    FilterGraph document;
    EXPECT_EQ (document.addFilter (nullptr, 0, 0), nullptr);
    EXPECT_EQ (dialogs.count(), 0);

    InternalPluginFormat internal;
    EXPECT_NE (document.addFilter (internal.midiInDesc, 0.25, 0.1), nullptr);
    EXPECT_EQ (document.graph.getNumNodes(), 1);

    juce::PluginDescription unknownFormat;
    unknownFormat.pluginFormatName = "VST";
    unknownFormat.name = "Something";
    juce::PluginDescription unknownInternal;
    unknownInternal.pluginFormatName = "Internal";
    unknownInternal.name = "Reverb";

    struct Case
    {
        const juce::PluginDescription* description;
        const char* text;
    };
    for (auto c : { Case { &unknownFormat, "No compatible plug-in format exists for this plug-in" },
                    Case { &unknownInternal, "Unable to load Internal plug-in" } })
    {
        dialogs.clear();
        EXPECT_EQ (document.addFilter (c.description, 0.5, 0.5), nullptr);
        ASSERT_EQ (dialogs.count(), 1);
        EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (dialogs.shown()[0].title, "Couldn't create filter");
        EXPECT_EQ (dialogs.shown()[0].text, c.text);
    }
    EXPECT_EQ (document.graph.getNumNodes(), 1);
}

TEST (FilterGraph, DocumentFilesAreEmptyFilterGraphsAndAreRemembered)
{
    GraphEnvironment environment;
    auto& folder = environment.folder;
    FilterGraph document;
    EXPECT_EQ (document.getDocumentTitle(), "Unnamed");

    auto first = folder.getChildFile ("first.filtergraph");
    auto second = folder.getChildFile ("second.filtergraph");
    ASSERT_TRUE (document.saveDocument (first).wasOk());
    EXPECT_EQ (first.loadFileAsString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<FILTERGRAPH/>\r\n");
    ASSERT_TRUE (document.saveDocument (second).wasOk());

    auto lowerCase = folder.getChildFile ("lower.filtergraph");
    lowerCase.replaceWithText ("<filterGraph/>");
    EXPECT_TRUE (document.loadDocument (lowerCase).wasOk());
    EXPECT_TRUE (document.loadDocument (first).wasOk());

    auto other = folder.getChildFile ("other.filtergraph");
    other.replaceWithText ("<SOMETHING/>");
    for (auto& bad : { other, folder.getChildFile ("missing.filtergraph") })
        EXPECT_EQ (document.loadDocument (bad).getErrorMessage(), "Not a valid filter graph file");

    // Newest first, no duplicates; failed loads are not remembered.
    EXPECT_EQ (document.getLastDocumentOpened(), first);
    auto stored = juce::StringArray::fromLines (userSettings()->getValue ("recentFilterGraphFiles"));
    juce::StringArray expected;
    for (auto& file : { first, lowerCase, second })
        expected.add (file.getFullPathName());
    EXPECT_EQ (stored, expected);

    EXPECT_TRUE (document.saveDocument (folder.getChildFile ("no/such/folder/x.filtergraph")).failed());

    document.setFile (first);
    EXPECT_EQ (document.getDocumentTitle(), "first");
}
