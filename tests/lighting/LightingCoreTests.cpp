// The lighting controller's core without the plug-in wrapper: stored shows,
// fades, the burst pair and the store file.

#include "core/LightingController.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

using lighting::LightingController;
using lighting::ShowLibrary;

namespace
{
juce::File freshStoreFile()
{
    static int counter = 0;
    return TestHome::folder().getChildFile ("lighting-core").getChildFile ("store-" + juce::String (++counter))
        .getChildFile ("Shows.xml");
}

std::vector<juce::String> presetNames (const ShowLibrary& library, const juce::String& bank)
{
    std::vector<juce::String> names;
    for (int i = 0; i < library.getNumPresets (bank); ++i)
        names.push_back (library.getPresetName (bank, i));
    return names;
}

lighting::DmxLevels levelsWith (int channel, std::uint8_t value)
{
    lighting::DmxLevels levels {};
    levels[(size_t) channel] = value;
    return levels;
}
} // namespace

TEST (LightingShowLibrary, DefaultShowStaysAndLoadedShowFallsBackToIt)
{
    ShowLibrary library;
    ASSERT_EQ (library.getNumShows(), 1);
    EXPECT_EQ (library.getCurrentShowName(), "Default Show");

    EXPECT_EQ (library.addShow ("Tour"), "Tour");
    EXPECT_EQ (library.addShow ("Tour"), "Tour 2");
    EXPECT_EQ (library.addShow ("   "), "Untitled");
    EXPECT_TRUE (library.loadShow ("Tour 2"));
    EXPECT_FALSE (library.loadShow ("Nope"));
    EXPECT_EQ (library.getCurrentShowName(), "Tour 2");

    EXPECT_EQ (library.renameShow ("Tour 2", "Tour"), juce::String ("Tour 2")); // taken: stays unique
    EXPECT_EQ (library.renameShow ("Tour 2", " Festival "), juce::String ("Festival"));
    EXPECT_FALSE (library.renameShow ("Default Show", "Other").has_value());
    EXPECT_FALSE (library.deleteShow ("Default Show"));

    EXPECT_TRUE (library.deleteShow ("Festival")); // the loaded one
    EXPECT_EQ (library.getCurrentShowName(), "Default Show");
    EXPECT_EQ (library.getNumShows(), 3);
}

TEST (LightingShowLibrary, EveryBankHasAnOffPresetThatCannotBeChanged)
{
    ShowLibrary library;
    EXPECT_EQ (library.addBank ("Stage"), "Stage");
    EXPECT_EQ (library.addBank ("Stage"), "Stage 2");
    EXPECT_EQ (presetNames (library, "Stage"), (std::vector<juce::String> { "Off" }));

    EXPECT_EQ (library.addPreset ("Stage", "Full"), juce::String ("Full"));
    EXPECT_EQ (library.addPreset ("Stage", "Off"), juce::String ("Off 2")); // the name "Off" stays unique
    EXPECT_FALSE (library.addPreset ("Missing", "X").has_value());

    EXPECT_FALSE (library.renamePreset ("Stage", "Off", "On").has_value());
    EXPECT_FALSE (library.deletePreset ("Stage", "Off"));
    EXPECT_FALSE (library.setLevel ("Stage", "Off", 0, 255));
    EXPECT_EQ (library.getLevels ("Stage", "Off"), lighting::DmxLevels {});

    EXPECT_TRUE (library.setLevel ("Stage", "Full", 511, 200));
    EXPECT_FALSE (library.setLevel ("Stage", "Full", 512, 200));
    EXPECT_EQ ((*library.getLevels ("Stage", "Full"))[511], 200);

    EXPECT_EQ (library.renamePreset ("Stage", "Full", "Bright"), juce::String ("Bright"));
    EXPECT_TRUE (library.deletePreset ("Stage", "Off 2"));
    EXPECT_EQ (presetNames (library, "Stage"), (std::vector<juce::String> { "Off", "Bright" }));

    EXPECT_TRUE (library.deleteBank ("Stage 2"));
    EXPECT_EQ (library.getNumBanks(), 1);

    // Banks belong to the loaded show.
    library.loadShow (library.addShow ("Other"));
    EXPECT_EQ (library.getNumBanks(), 0);
    EXPECT_EQ (library.getNumPresets ("Stage"), 0);
}

TEST (LightingShowLibrary, NamesKeepLatinOneAndReplaceWiderCharacters)
{
    EXPECT_EQ (ShowLibrary::cleanName (juce::CharPointer_UTF8 ("  Bühne Café  ")), juce::String (juce::CharPointer_UTF8 ("Bühne Café")));
    EXPECT_EQ (ShowLibrary::cleanName (juce::CharPointer_UTF8 ("Сцена 1")), "????? 1");
    EXPECT_EQ (ShowLibrary::cleanName ("Tab\there"), "Tab?here");

    // Two names that differ only beyond ISO 8859-1 stay distinct.
    ShowLibrary library;
    EXPECT_EQ (library.addBank (juce::CharPointer_UTF8 ("Свет")), "????");
    EXPECT_EQ (library.addBank (juce::CharPointer_UTF8 ("Звук")), "???? 2");
}

TEST (LightingShowLibrary, HandEditedFileCannotBreakTheRules)
{
    auto xml = juce::parseXML (R"(<LIGHTING current="Gone">
        <SHOW name="Tour"><BANK name="Stage"><PRESET name="Full" levels="ff"/><PRESET name="Off" levels="ff"/></BANK></SHOW>
        <SHOW name="Tour"/></LIGHTING>)");
    ShowLibrary library;
    ASSERT_TRUE (library.fromXml (*xml));

    EXPECT_EQ (library.getNumShows(), 3); // "Default Show" added, the duplicate renamed
    EXPECT_EQ (library.getShowName (2), "Tour 2");
    EXPECT_EQ (library.getCurrentShowName(), "Default Show");
    library.loadShow ("Tour");
    EXPECT_EQ (presetNames (library, "Stage"), (std::vector<juce::String> { "Off", "Full" }));
    EXPECT_EQ (library.getLevels ("Stage", "Off"), lighting::DmxLevels {});
    EXPECT_EQ ((*library.getLevels ("Stage", "Full"))[0], 255);

    EXPECT_FALSE (library.fromXml (juce::XmlElement ("SOMETHING")));
}

TEST (LightingShowLibrary, EachShowStoresItsDmxOutputAndOlderShowsSendToUniverseOne)
{
    struct Case
    {
        const char* attributes;
        bool enabled;
        int universe;
    };
    const Case cases[] = {
        { "", true, 1 }, // stored before DMX output existed
        { R"(dmxOutput="0" olaUniverse="12")", false, 12 },
        { R"(dmxOutput="1" olaUniverse="0")", true, 0 },
        { R"(olaUniverse="99999")", true, 65535 },
        { R"(olaUniverse="-4")", true, 0 },
        { R"(olaUniverse="many")", true, 1 },
    };

    for (auto& c : cases)
    {
        auto xml = juce::parseXML (juce::String ("<LIGHTING current=\"Tour\"><SHOW name=\"Tour\" ") + c.attributes
                                   + "/></LIGHTING>");
        ShowLibrary library;
        ASSERT_TRUE (library.fromXml (*xml)) << c.attributes;
        const auto settings = library.getOutputSettings();
        EXPECT_EQ (settings.enabled, c.enabled) << c.attributes;
        EXPECT_EQ (settings.universe, c.universe) << c.attributes;

        // What is read is what is written back.
        ShowLibrary reloaded;
        ASSERT_TRUE (reloaded.fromXml (*library.toXml()));
        EXPECT_EQ (reloaded.getOutputSettings(), settings) << c.attributes;
    }

    // Settings belong to the loaded show; new shows start on, universe 1.
    ShowLibrary library;
    library.setOutputSettings ({ false, 70000 });
    EXPECT_EQ (library.getOutputSettings(), (lighting::DmxOutputSettings { false, 65535 }));
    library.loadShow (library.addShow ("Club"));
    EXPECT_EQ (library.getOutputSettings(), lighting::DmxOutputSettings {});
    library.loadShow ("Default Show");
    EXPECT_FALSE (library.getOutputSettings().enabled);
}

//==============================================================================
TEST (LightingController, FreshStoreStartsWithTheStarterShowAndRoundTrips)
{
    const auto file = freshStoreFile();
    const auto bankName = juce::String (juce::CharPointer_UTF8 ("Bühne"));
    {
        LightingController controller (file);
        EXPECT_TRUE (file.existsAsFile());
        controller.withLibrary ([&] (ShowLibrary& library)
        {
            EXPECT_EQ (library.getCurrentShowName(), "Default Show");
            EXPECT_EQ (library.getBankName (0), "Stage");
            EXPECT_EQ (library.getBankName (1), "Wash");
            EXPECT_EQ (presetNames (library, "Stage"), (std::vector<juce::String> { "Off", "Full", "Warm", "Spot" }));

            library.loadShow (library.addShow (juce::CharPointer_UTF8 ("Café Tour")));
            library.addBank (bankName);
            library.addPreset (bankName, juce::CharPointer_UTF8 ("Größe"));
            library.setLevel (bankName, juce::CharPointer_UTF8 ("Größe"), 17, 99);
            controller.markChanged();
            return 0;
        });
        EXPECT_TRUE (controller.saveIfNeeded());
    }

    LightingController reloaded (file);
    reloaded.withLibrary ([&] (ShowLibrary& library)
    {
        EXPECT_EQ (library.getCurrentShowName(), juce::String (juce::CharPointer_UTF8 ("Café Tour")));
        EXPECT_EQ (presetNames (library, bankName), (std::vector<juce::String> { "Off", juce::CharPointer_UTF8 ("Größe") }));
        EXPECT_EQ ((*library.getLevels (bankName, juce::CharPointer_UTF8 ("Größe")))[17], 99);
        return 0;
    });
}

TEST (LightingController, UnreadableStoreIsKeptAsideNotOverwritten)
{
    const auto file = freshStoreFile();
    file.getParentDirectory().createDirectory();
    file.replaceWithText ("<not xml");

    LightingController controller (file);
    EXPECT_EQ (controller.withLibrary ([] (ShowLibrary& library) { return library.getNumBanks(); }), 2);
    EXPECT_EQ (file.withFileExtension (".unreadable.xml").loadFileAsString(), "<not xml");
}

TEST (LightingController, CrossfadeIsHalfwayAtHalfTimeAndReachesTheTarget)
{
    LightingController controller (freshStoreFile());
    controller.withLibrary ([] (ShowLibrary& library)
    {
        auto target = levelsWith (3, 200);
        return library.addPreset ("Stage", "Test", &target);
    });

    ASSERT_TRUE (controller.triggerPreset ("Stage", "Test", 2.0f));
    EXPECT_EQ (controller.getOutputLevel (3), 0); // nothing before the audio side runs

    controller.process (1.0);
    EXPECT_EQ (controller.getOutputLevel (3), 100);
    controller.process (0.5);
    EXPECT_EQ (controller.getOutputLevel (3), 150);
    controller.process (0.5);
    EXPECT_EQ (controller.getOutputLevel (3), 200);
    controller.process (5.0);
    EXPECT_EQ (controller.getOutputLevel (3), 200);

    // A new cue fades from where the output is, even mid-fade; 0 s jumps.
    controller.triggerPreset ("Stage", "Off", 1.0f);
    controller.process (0.25);
    EXPECT_EQ (controller.getOutputLevel (3), 150);
    controller.triggerPreset ("Stage", "Test", 0.0f);
    controller.process (0.0);
    EXPECT_EQ (controller.getOutputLevel (3), 200);

    EXPECT_FALSE (controller.triggerPreset ("Stage", "Missing", 0.0f));
    EXPECT_FALSE (controller.triggerPreset ("Missing", "Off", 0.0f));
}

TEST (LightingController, BurstAppliesOnlyTheFinalStateOnce)
{
    LightingController controller (freshStoreFile());
    controller.process (0.0);
    const auto before = controller.getNumCuesApplied();

    controller.beginCueBurst();
    controller.triggerPreset ("Stage", "Full", 0.0f);
    controller.triggerPreset ("Wash", "Red", 0.0f);
    controller.triggerPreset ("Wash", "Blue", 0.0f);
    controller.process (0.1);
    EXPECT_EQ (controller.getNumCuesApplied(), before); // nothing reaches the output inside the burst
    EXPECT_EQ (controller.getOutputLevel (0), 0);

    controller.endCueBurst();
    controller.process (0.1);
    controller.process (0.1);
    EXPECT_EQ (controller.getNumCuesApplied(), before + 1);
    EXPECT_EQ (controller.getOutputLevel (0), 0);    // Full was overridden
    EXPECT_EQ (controller.getOutputLevel (12), 0);   // so was Red
    EXPECT_EQ (controller.getOutputLevel (14), 255); // Blue

    // An unmatched end does nothing; an empty burst applies nothing.
    controller.endCueBurst();
    controller.beginCueBurst();
    controller.endCueBurst();
    controller.process (0.1);
    EXPECT_EQ (controller.getNumCuesApplied(), before + 1);
}

TEST (LightingController, FootswitchCallsTheHostOnlyWhileConnected)
{
    static int nextCalls = 0, prevCalls = 0;
    nextCalls = prevCalls = 0;
    HostApiTable host { [] { ++nextCalls; }, [] { ++prevCalls; } };

    LightingController controller (freshStoreFile());
    controller.footswitchNext(); // no host yet
    controller.setHostCallbacks (&host);
    controller.footswitchNext();
    controller.footswitchPrev();
    controller.setHostCallbacks (nullptr);
    controller.footswitchPrev();

    EXPECT_EQ (nextCalls, 1);
    EXPECT_EQ (prevCalls, 1);
}
