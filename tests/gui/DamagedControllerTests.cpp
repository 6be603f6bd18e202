// A damaged lighting-controller bundle (its library cut short, as by an
// interrupted copy) must never take the program down: it is checked in a child
// process, the user is told which file to reinstall, and the other installed
// controller is used. Both damaged: one box, then the orderly end.

#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/ShellState.h"
#include "gui/GuiTestSupport.h"
#include "lighting/VovirLink.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace
{
/** Cuts the bundle's shared library short inside its code (its first megabyte
    holds the headers and the start of the code; loading it then ends in a bus
    error, as with an interrupted copy). */
void truncateLibrary (vovir::Controller controller)
{
    auto bundle = vovir::pluginFile (controller);
    auto libraries = bundle.findChildFiles (juce::File::findFiles, true, "*.so");
    ASSERT_EQ (libraries.size(), 1) << bundle.getFullPathName();
    juce::MemoryBlock data;
    ASSERT_TRUE (libraries[0].loadFileAsData (data));
    ASSERT_GT (data.getSize(), (size_t)1 << 21);
    ASSERT_TRUE (libraries[0].replaceWithData (data.getData(), (size_t)1 << 20));
}
} // namespace

TEST (DamagedController, ATruncatedBundleIsNamedAndTheOtherControllerIsUsed)
{
    struct Case
    {
        const char* what;
        bool vidDamaged, vovirDamaged;
        bool starts;
        const char* controllerUsed;
    };
    const Case cases[] = {
        {"preferred Viduroz Idav damaged", true, false, true, "VOVIR"},
        {"both damaged", true, true, false, ""},
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        for (auto controller : {vovir::Controller::vidurozIdav, vovir::Controller::vovir})
            vovir::pluginFile (controller).deleteRecursively();
        installProgram();
        if (c.vidDamaged)
            truncateLibrary (vovir::Controller::vidurozIdav);
        if (c.vovirDamaged)
            truncateLibrary (vovir::Controller::vovir);

        ScriptedDialogs dialogs;
        ProgramGlobals globals;
        userSettings()->setValue ("useVeridura", 1);
        vidOrVovir = {};

        auto window = std::make_unique<MainHostWindow>();
        EXPECT_EQ (window->isStarted(), c.starts) << dialogs.titles().joinIntoString (" / ");

        juce::StringArray damagedBoxes;
        for (auto& shown : dialogs.shown())
            if (shown.title == "Lighting control software damaged")
                damagedBoxes.add (shown.text);
        ASSERT_EQ (damagedBoxes.size(), 1) << dialogs.titles().joinIntoString (" / ");
        const auto vidBundle = vovir::pluginFile (vovir::Controller::vidurozIdav).getFullPathName();
        const auto vovirBundle = vovir::pluginFile (vovir::Controller::vovir).getFullPathName();
        EXPECT_TRUE (damagedBoxes[0].contains (vidBundle)) << damagedBoxes[0];
        EXPECT_EQ (damagedBoxes[0].contains (vovirBundle), c.vovirDamaged) << damagedBoxes[0];
        EXPECT_TRUE (damagedBoxes[0].contains ("reinstall Viduroz Idav")) << damagedBoxes[0];

        if (c.starts)
        {
            EXPECT_EQ (vidOrVovir, c.controllerUsed);
            EXPECT_TRUE (damagedBoxes[0].contains ("VOVIR is used instead.")) << damagedBoxes[0];
            EXPECT_EQ (userSettings()->getIntValue ("useVeridura"), 1) << "the preference is kept";
            EXPECT_TRUE (dialogs.exitStatuses.empty());
            window->closeButtonPressed();
        }
        else
        {
            EXPECT_EQ (dialogs.exitStatuses, std::vector<int>{0});
        }
        appProperties->closeFiles();
        window.reset();
        exitRequested = false;
    }

    for (auto controller : {vovir::Controller::vidurozIdav, vovir::Controller::vovir})
        vovir::pluginFile (controller).deleteRecursively();
}
