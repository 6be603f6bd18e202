// The host side of the lighting controller against our real plug-in bundles,
// loaded through JUCE's VST3 format: selection, version gate, the function table,
// the footswitch and every failure box of start-up.

#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/Vendor.h"
#include "lighting/ControllerSelection.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include "rav_plugin_paths.h"

#include <gtest/gtest.h>

using vovir::Controller;

namespace
{
/** The bundles copied once per run into the test home (the build tree stays
    untouched); each test links them into its own home. */
juce::File installedCopy (Controller controller)
{
    const auto source = juce::File (controller == Controller::vidurozIdav ? RAV_VIDUROZ_IDAV_BUNDLE : RAV_VOVIR_BUNDLE);
    const auto copy = TestHome::folder().getChildFile ("built-plugins").getChildFile (source.getFileName());
    if (! copy.isDirectory())
    {
        copy.getParentDirectory().createDirectory();
        EXPECT_TRUE (source.copyDirectoryTo (copy)) << source.getFullPathName();
    }
    return copy;
}

std::vector<juce::String> bankNames()
{
    std::vector<juce::String> names;
    for (int i = 0; i < vovirApi->getNumBanks(); ++i)
        names.push_back (vovir::nameFromController (vovirApi->getBankName (i)));
    return names;
}

std::vector<juce::String> presetNames (const juce::String& bank)
{
    std::vector<juce::String> names;
    for (int i = 0; i < vovirApi->getNumPresets (bank.toRawUTF8()); ++i)
        names.push_back (vovir::nameFromController (vovirApi->getPresetName (bank.toRawUTF8(), i)));
    return names;
}
} // namespace

/** Each test runs in a home of its own, so which plug-in files exist (and the
    controller's store file) is decided by the test alone. */
class ControllerLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static int counter = 0;
        home = TestHome::folder().getChildFile ("lighting-home-" + juce::String (++counter));
        home.createDirectory();
        previousHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
        setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);

        pluginFormats.addFormat (new juce::VST3PluginFormat());
        userSettings()->removeValue ("useVeridura");
        useVid = 1;
        vidOrVovir = {};
        startEventReceived = rewindEventReceived = false;
    }

    void TearDown() override
    {
        vovir::disconnectController();
        instances.clear();
        userSettings()->removeValue ("useVeridura");
        setenv ("HOME", previousHome.toRawUTF8(), 1);
    }

    void install (Controller controller)
    {
        const auto target = vovir::pluginFile (controller);
        target.getParentDirectory().createDirectory();
        ASSERT_TRUE (installedCopy (controller).createSymbolicLink (target, true));
    }

    /** A bundle at the right place whose library cannot be loaded. */
    void installBroken (Controller controller)
    {
        const auto target = vovir::pluginFile (controller);
        const auto library = target.getChildFile ("Contents/x86_64-linux")
                                 .getChildFile (target.getFileNameWithoutExtension() + ".so");
        library.getParentDirectory().createDirectory();
        library.replaceWithText ("not a shared library");
    }

    juce::AudioPluginInstance* runSelection()
    {
        ControllerSelection selection (knownPlugins, *pluginFormats.getFormat (0),
                                       [this] (const juce::PluginDescription& description)
                                       {
                                           juce::String error;
                                           auto instance = pluginFormats.createPluginInstance (description, 48000.0,
                                                                                               512, error);
                                           instances.push_back (std::move (instance));
                                           return instances.back().get();
                                       });
        selection.setWebPageOpener ([this] (const juce::URL& url) { openedPages.add (url.toString (false)); });
        auto* result = selection.run();
        scannedPath = selection.getVstPath();
        return result;
    }

    juce::File home;
    juce::String previousHome;
    ScriptedDialogs dialogs;
    juce::AudioPluginFormatManager pluginFormats;
    juce::KnownPluginList knownPlugins;
    std::vector<std::unique_ptr<juce::AudioPluginInstance>> instances;
    juce::StringArray openedPages;
    juce::String scannedPath;
};

//==============================================================================
TEST (ControllerVersion, GateFollowsTheMinimumVersions)
{
    struct Case
    {
        Controller controller;
        int major, minor, patch, number;
        bool supported;
    };
    const Case cases[] = {
        { Controller::vidurozIdav, 2, 1, 4, 214, false }, { Controller::vidurozIdav, 2, 1, 5, 215, true },
        { Controller::vidurozIdav, 3, 0, 0, 300, true },  { Controller::vovir, 1, 7, 3, 173, false },
        { Controller::vovir, 1, 7, 4, 174, true },        { Controller::vovir, 1, 10, 0, 200, true },
        { Controller::vidurozIdav, 2, 0, 10, 210, false }, { Controller::vidurozIdav, 1, 10, 15, 215, true },
        { Controller::vovir, 0, 0, 0, 0, false },
    };

    for (auto& c : cases)
    {
        const auto number = vovir::versionNumber (vovir::packVersion (c.major, c.minor, c.patch));
        EXPECT_EQ (number, c.number) << c.major << "." << c.minor << "." << c.patch;
        EXPECT_EQ (vovir::versionSupported (c.controller, number), c.supported) << number;
    }

    // Only the three low bytes count.
    EXPECT_EQ (vovir::versionNumber ((std::int32_t) 0x7f020105), 215);
}

TEST (ControllerVersion, NamesAreReadOneLatinOneCharacterPerByte)
{
    EXPECT_EQ (vovir::nameFromController (nullptr), juce::String());
    EXPECT_EQ (vovir::nameFromController ("Caf\xe9"), juce::String (juce::CharPointer_UTF8 ("Café")));
}

//==============================================================================
TEST_F (ControllerLink, LoadsEachBuildWithItsTableAndVersion)
{
    install (Controller::vidurozIdav);
    install (Controller::vovir);

    struct Case
    {
        int preference;
        juce::String name;
        std::int32_t version;
    };
    for (auto& c : { Case { 1, "Viduroz Idav", vovir::packVersion (2, 1, 5) },
                     Case { 0, "VOVIR", vovir::packVersion (1, 7, 4) } })
    {
        userSettings()->setValue ("useVeridura", c.preference);
        auto* instance = runSelection();
        ASSERT_NE (instance, nullptr) << c.name;
        EXPECT_EQ (vidOrVovir, c.name);
        EXPECT_EQ (instance->getName(), c.name);
        EXPECT_EQ (scannedPath, vovir::pluginFile (c.name == "VOVIR" ? Controller::vovir : Controller::vidurozIdav)
                                    .getFullPathName());

        const auto record = vovir::readControllerRecord (*instance);
        EXPECT_TRUE (record.linked);
        EXPECT_EQ (record.version, c.version);
        EXPECT_EQ (record.table, vovirApi);
        EXPECT_TRUE (vovir::versionSupported (c.name == "VOVIR" ? Controller::vovir : Controller::vidurozIdav,
                                              vovir::versionNumber (record.version)));
        EXPECT_EQ (userSettings()->getIntValue ("useVeridura"), c.preference); // nothing to correct
        vovir::disconnectController();
    }
    EXPECT_EQ (dialogs.count(), 0);
    EXPECT_TRUE (dialogs.exitStatuses.empty());
}

TEST_F (ControllerLink, TableListsTheShowAndRecallMovesTheOutput)
{
    install (Controller::vidurozIdav);
    auto* instance = runSelection();
    ASSERT_NE (instance, nullptr);
    ASSERT_NE (vovirApi, nullptr);

    ASSERT_GE (vovirApi->getNumShows(), 1);
    EXPECT_EQ (vovir::nameFromController (vovirApi->getCurrentShowName()), "Default Show");
    EXPECT_EQ (vovir::nameFromController (vovirApi->getShowName (0)), "Default Show");
    EXPECT_EQ (vovir::nameFromController (vovirApi->getShowName (99)), juce::String());
    vovirApi->loadShow ("Default Show");
    EXPECT_EQ (bankNames(), (std::vector<juce::String> { "Stage", "Wash" }));
    EXPECT_EQ (presetNames ("Stage"), (std::vector<juce::String> { "Off", "Full", "Warm", "Spot" }));
    EXPECT_EQ (vovirApi->getNumPresets ("Missing"), 0);
    EXPECT_EQ (vovirApi->getNumPresets (nullptr), 0);

    instance->prepareToPlay (48000.0, 480);
    juce::AudioBuffer<float> buffer (2, 480);
    juce::MidiBuffer midi;
    auto runSeconds = [&] (double seconds)
    {
        for (int i = 0; i < juce::roundToInt (seconds * 100.0); ++i)
        {
            buffer.clear();
            instance->processBlock (buffer, midi);
        }
    };
    auto outputLevel = [&] (int channel)
    {
        std::uint8_t levels[vovir::numDmxChannels] {};
        EXPECT_EQ (vovir::readControllerOutput (*instance, levels, vovir::numDmxChannels), vovir::numDmxChannels);
        return (int) levels[channel];
    };

    vovirApi->setTempo (96.0f);
    vovirApi->triggerPreset ("Stage", "Full", 0.0f);
    runSeconds (0.01);
    EXPECT_EQ (outputLevel (0), 255);

    vovirApi->triggerPreset ("Stage", "Off", 1.0f);
    runSeconds (0.5);
    EXPECT_NEAR (outputLevel (0), 128, 1);
    runSeconds (0.5);
    EXPECT_EQ (outputLevel (0), 0);

    // A jump: only the last cue of the burst is applied.
    vovirApi->beginCueBurst();
    vovirApi->triggerPreset ("Stage", "Full", 0.0f);
    vovirApi->triggerPreset ("Wash", "Blue", 0.0f);
    runSeconds (0.01);
    EXPECT_EQ (outputLevel (0), 0);
    vovirApi->endCueBurst();
    runSeconds (0.01);
    EXPECT_EQ (outputLevel (0), 0);
    EXPECT_EQ (outputLevel (14), 255);

    instance->releaseResources();
}

TEST_F (ControllerLink, NamesBeyondAsciiSurviveTheTableBothWays)
{
    // A store file written as the controller's editor would leave it.
    const auto store = home.getChildFile (".config/zezevade didid/Viduroz Idav/Shows.xml");
    store.getParentDirectory().createDirectory();
    ASSERT_TRUE (store.replaceWithText (juce::CharPointer_UTF8 (
        R"(<?xml version="1.0" encoding="UTF-8"?>
<LIGHTING current="Default Show"><SHOW name="Default Show"/>
<SHOW name="Bühne"><BANK name="Café"><PRESET name="Größe" levels="0000ff"/></BANK></SHOW></LIGHTING>)")));

    install (Controller::vidurozIdav);
    auto* instance = runSelection();
    ASSERT_NE (instance, nullptr);

    const auto show = vovir::nameFromController (vovirApi->getShowName (1));
    EXPECT_EQ (show, juce::String (juce::CharPointer_UTF8 ("Bühne")));
    vovirApi->loadShow (show.toRawUTF8());
    EXPECT_EQ (vovir::nameFromController (vovirApi->getCurrentShowName()), show);

    const auto bank = bankNames().at (0);
    EXPECT_EQ (bank, juce::String (juce::CharPointer_UTF8 ("Café")));
    const auto presets = presetNames (bank);
    ASSERT_EQ (presets.size(), 2u);
    EXPECT_EQ (presets[1], juce::String (juce::CharPointer_UTF8 ("Größe")));

    instance->prepareToPlay (48000.0, 480);
    vovirApi->triggerPreset (bank.toRawUTF8(), presets[1].toRawUTF8(), 0.0f);
    juce::AudioBuffer<float> buffer (2, 480);
    juce::MidiBuffer midi;
    instance->processBlock (buffer, midi);
    std::uint8_t levels[4] {};
    vovir::readControllerOutput (*instance, levels, 4);
    EXPECT_EQ (levels[2], 255);
    instance->releaseResources();
}

TEST_F (ControllerLink, FootswitchRaisesTheTransportFlags)
{
    install (Controller::vovir);
    userSettings()->setValue ("useVeridura", juce::var (0)); // a literal 0 would pick the XmlElement* overload
    auto* instance = runSelection();
    ASSERT_NE (instance, nullptr);
    instance->prepareToPlay (48000.0, 256);

    juce::AudioBuffer<float> buffer (2, 256);
    auto pedal = [&] (int controllerNumber, int value)
    {
        juce::MidiBuffer midi;
        midi.addEvent (juce::MidiMessage::controllerEvent (1, controllerNumber, value), 0);
        instance->processBlock (buffer, midi);
    };

    pedal (80, 127);
    EXPECT_TRUE (startEventReceived.exchange (false));
    EXPECT_FALSE (rewindEventReceived.load());
    pedal (80, 127); // still held: not a new press
    EXPECT_FALSE (startEventReceived.load());
    pedal (80, 0);
    pedal (81, 127);
    EXPECT_TRUE (rewindEventReceived.exchange (false));
    EXPECT_FALSE (startEventReceived.load());

    // Once the host has cleared its callbacks the plug-in calls nothing.
    vovir::disconnectController();
    pedal (81, 0);
    pedal (81, 127);
    EXPECT_FALSE (rewindEventReceived.load());
    instance->releaseResources();
}

TEST_F (ControllerLink, NeitherInstalledOffersTheDownloadPageAndExitsWithOne)
{
    dialogs.answerButton (1); // "Quit"
    EXPECT_EQ (runSelection(), nullptr);
    dialogs.answerButton (0); // "Visit download page..."
    EXPECT_EQ (runSelection(), nullptr);

    ASSERT_EQ (dialogs.count(), 2);
    const auto& box = dialogs.shown()[0];
    EXPECT_EQ (box.title, "Lighting control software not found");
    EXPECT_EQ (box.text, "Raziviz Avodoru uses Viduroz Idav or VOVIR to control your lights.\n"
                         "Click below to download the latest software from our web site, then restart.\n\n"
                         "(Minimum requirement: Viduroz Idav 2.1.5 or VOVIR 1.7.4)");
    EXPECT_EQ (box.buttons, juce::StringArray ("Quit", "Visit download page..."));
    EXPECT_EQ (box.icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (dialogs.exitStatuses, (std::vector<int> { 1, 1 }));
    EXPECT_EQ (openedPages, juce::StringArray (vendor::downloadPage));
    EXPECT_EQ (vovirApi, nullptr);
    EXPECT_TRUE (instances.empty());
}

TEST_F (ControllerLink, UnloadableVovirFallsBackToVidurozIdavKeepingThePreference)
{
    install (Controller::vidurozIdav);
    installBroken (Controller::vovir);
    userSettings()->setValue ("useVeridura", juce::var (0)); // a literal 0 would pick the XmlElement* overload

    ASSERT_NE (runSelection(), nullptr);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Could not open the VOVIR window");
    EXPECT_EQ (dialogs.shown()[0].text, "Attempting to load Viduroz Idav instead...");
    EXPECT_EQ (vidOrVovir, "Viduroz Idav");
    EXPECT_EQ (userSettings()->getValue ("useVeridura"), "0");
    EXPECT_TRUE (dialogs.exitStatuses.empty());
}

TEST_F (ControllerLink, NothingLoadableTellsTheUserAndExitsWithZero)
{
    installBroken (Controller::vovir);
    userSettings()->setValue ("useVeridura", juce::var (0)); // a literal 0 would pick the XmlElement* overload

    EXPECT_EQ (runSelection(), nullptr);
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Failed opening lighting control window");
    EXPECT_EQ (dialogs.shown()[0].text, juce::String ("Please install the latest Viduroz Idav or VOVIR release.\n\n"
                                                      "Contact ")
                                            + vendor::supportEmail + " if help required.");
    EXPECT_EQ (dialogs.exitStatuses, (std::vector<int> { 0 }));
}

TEST_F (ControllerLink, PreferenceIsCorrectedToTheOnlyInstalledController)
{
    // Only VOVIR, preference Viduroz Idav: VOVIR, and the preference becomes empty.
    install (Controller::vovir);
    userSettings()->setValue ("useVeridura", 1);
    ASSERT_NE (runSelection(), nullptr);
    EXPECT_EQ (vidOrVovir, "VOVIR");
    EXPECT_TRUE (userSettings()->containsKey ("useVeridura"));
    EXPECT_EQ (userSettings()->getValue ("useVeridura"), juce::String());
    EXPECT_EQ (userSettings()->getIntValue ("useVeridura"), 0);
    vovir::disconnectController();

    // The next start prefers VOVIR without a change.
    ASSERT_NE (runSelection(), nullptr);
    EXPECT_EQ (useVid, 0);
    EXPECT_EQ (userSettings()->getValue ("useVeridura"), juce::String());
    vovir::disconnectController();

    // Only Viduroz Idav, preference VOVIR: Viduroz Idav, and the preference becomes 1.
    vovir::pluginFile (Controller::vovir).deleteFile();
    install (Controller::vidurozIdav);
    userSettings()->setValue ("useVeridura", juce::var (0)); // a literal 0 would pick the XmlElement* overload
    ASSERT_NE (runSelection(), nullptr);
    EXPECT_EQ (vidOrVovir, "Viduroz Idav");
    EXPECT_EQ (userSettings()->getIntValue ("useVeridura"), 1);
    EXPECT_EQ (dialogs.count(), 0);
}
