#include "lighting/ControllerSelection.h"

#include "app/Globals.h"
#include "app/Vendor.h"
#include "ui/UserDialogs.h"

using vovir::Controller;

namespace
{
const juce::String contactLine (const juce::String& lead)
{
    return lead + ".\n\nContact " + vendor::supportEmail + " if help required.";
}
} // namespace

ControllerSelection::ControllerSelection (juce::KnownPluginList& list, juce::AudioPluginFormat& format,
                                          CreateNode create)
    : knownPlugins (list)
    , vstFormat (format)
    , createNode (std::move (create))
    , openWebPage ([] (const juce::URL& url) { url.launchInDefaultBrowser(); })
{
}

void ControllerSelection::fail (const juce::String& title, const juce::String& text, int status)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, title, text, "OK");
    userDialogs().endProcess (status);
}

void ControllerSelection::scan()
{
    typesFound.clear();
    knownPlugins.scanAndAddFile (vstPath, true, typesFound, vstFormat);
}

juce::AudioPluginInstance* ControllerSelection::run()
{
    auto* settings = userSettings();

    // The preference.
    if (settings != nullptr && settings->containsKey ("useVeridura"))
        useVid = settings->getIntValue ("useVeridura");
    const bool prefersVid = useVid == 1;

    // What is installed.
    const auto vidFile = vovir::pluginFile (Controller::vidurozIdav);
    const auto vovirFile = vovir::pluginFile (Controller::vovir);
    const bool vidExists = vidFile.exists(), vovirExists = vovirFile.exists();

    if (! vidExists && ! vovirExists)
    {
        const bool quit = userDialogs().showOkCancelBox (
            juce::MessageBoxIconType::WarningIcon, "Lighting control software not found",
            "Raziviz Avodoru uses Viduroz Idav or VOVIR to control your lights.\n"
            "Click below to download the latest software from our web site, then restart.\n\n"
            "(Minimum requirement: Viduroz Idav 2.1.5 or VOVIR 1.7.4)",
            "Quit", "Visit download page...", dialogOwner());
        if (! quit)
            openWebPage (juce::URL (vendor::downloadPage));
        userDialogs().endProcess (1);
        return nullptr;
    }

    // The choice, and corrections of a preference that cannot be followed.
    auto chosen = vidExists && (prefersVid || ! vovirExists) ? Controller::vidurozIdav : Controller::vovir;
    if (settings != nullptr)
    {
        if (chosen == Controller::vidurozIdav && ! prefersVid)
            settings->setValue ("useVeridura", 1);
        else if (chosen == Controller::vovir && prefersVid)
            settings->setValue ("useVeridura", juce::String());
    }
    // A damaged bundle would take the program down with it: it is checked apart first.
    if (check != nullptr && !check (vovir::pluginFile (chosen)).loadable)
    {
        const auto other = chosen == Controller::vidurozIdav ? Controller::vovir : Controller::vidurozIdav;
        const bool otherExists = other == Controller::vidurozIdav ? vidExists : vovirExists;
        const bool otherLoads = otherExists && check (vovir::pluginFile (other)).loadable;
        auto damaged = [] (Controller c)
        {
            return "The file \"" + vovir::pluginFile (c).getFullPathName() + "\" of " + vovir::displayName (c) +
                   " is damaged: it could not be loaded. Please reinstall " + vovir::displayName (c) + " from " +
                   vendor::downloadPage + ".";
        };

        if (!otherLoads)
        {
            auto text = damaged (chosen);
            if (otherExists)
                text << "\n\n" << damaged (other);
            fail ("Lighting control software damaged", contactLine (text.dropLastCharacters (1)), 0);
            return nullptr;
        }

        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Lighting control software damaged",
                                      damaged (chosen) + "\n\n" + vovir::displayName (other) + " is used instead.",
                                      "OK");
        chosen = other; // the preference stays as it is
    }
    vstPath = vovir::pluginFile (chosen).getFullPathName();

    scan();

    if (typesFound.isEmpty() && chosen == Controller::vovir && vidExists)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Could not open the VOVIR window",
                                      "Attempting to load Viduroz Idav instead...", "OK");
        vstPath = vidFile.getFullPathName();
        scan();
        chosen = Controller::vidurozIdav;
    }

    if (typesFound.isEmpty())
    {
        if (processorKind == "Apple Silicon" && chosen == Controller::vovir)
            fail ("Could not open the VOVIR window",
                  "Right-click the Raziviz Avodoru icon, choose 'Get Info', and enable 'Open using Rosetta'. "
                  "Then restart the application.\n\nAlternatively, use Viduroz Idav instead of VOVIR.",
                  0);
        else
            fail ("Failed opening lighting control window",
                  contactLine ("Please install the latest Viduroz Idav or VOVIR release"), 0);
        return nullptr;
    }

    auto* instance = createNode (*typesFound.getFirst());
    if (instance == nullptr)
    {
        // The node could not be made (the graph has said why): nothing to read a
        // table from, so this is the "no table" failure rather than a crash.
        fail ("Failed opening lighting control window",
              contactLine (juce::String ("Please install the latest release of Viduroz Idav or VOVIR from ")
                           + vendor::downloadPage),
              0);
        return nullptr;
    }

    instance->setPlayHead (&thePlayHead);
    const auto record = vovir::readControllerRecord (*instance);
    const auto number = vovir::versionNumber (record.version);

    if (chosen == Controller::vidurozIdav && ! vovir::versionSupported (Controller::vidurozIdav, number))
    {
        fail ("Unsupported version of Viduroz Idav detected!",
              contactLine (juce::String ("Install Viduroz Idav 2.1.5 (or better) from ") + vendor::downloadPage), 0);
        return nullptr;
    }
    if (! vovir::versionSupported (Controller::vovir, number))
    {
        fail ("Unsupported version of VOVIR detected!",
              contactLine (juce::String ("Install VOVIR 1.7.4 (or better) from ") + vendor::downloadPage), 0);
        return nullptr;
    }

    if (record.table == nullptr)
    {
        fail ("Failed opening lighting control window",
              contactLine (juce::String ("Please install the latest release of Viduroz Idav or VOVIR from ")
                           + vendor::downloadPage),
              0);
        return nullptr;
    }

    vovirApi = record.table;
    ourApi.vovirFswNext = vovirFswNext;
    ourApi.vovirFswPrev = vovirFswPrev;
    if (vovirApi->setHostCallbacks != nullptr)
        vovirApi->setHostCallbacks (&ourApi);
    vovir::connectKeyHandler (*instance);

    vidOrVovir = vovir::displayName (chosen);
    return instance;
}
