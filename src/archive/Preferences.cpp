#include "archive/Preferences.h"

#include "app/Globals.h"
#include "app/StartupSettings.h"
#include "data/MediaLibrary.h"
#include "library/LibraryWindow.h"
#include "lighting/VovirLink.h"
#include "ui/ColourScheme.h"
#include "ui/UserDialogs.h"
#include "ui/VovirLookAndFeel.h"

#include <cmath>

std::function<void (PreferencesWindow&)> onPreferencesShown;

namespace
{
juce::PropertiesFile* settings()
{
    return userSettings();
}

/** A typed number; nothing for text that is no (finite) number. */
std::optional<double> typedNumber (const juce::var& value)
{
    auto text = value.toString().trim();
    if (text.isEmpty() || ! text.containsOnly ("0123456789.+-eE") || ! text.containsAnyOf ("0123456789"))
        return std::nullopt;
    auto number = text.getDoubleValue();
    return std::isfinite (number) ? std::optional<double> (number) : std::nullopt;
}

float singlePrecision (double value)
{
    return (float) value;
}

juce::String colourSettingText (juce::Colour colour)
{
    return juce::String ((int) colour.getARGB());
}
} // namespace

//==============================================================================
MyBooleanPropertyComponent::MyBooleanPropertyComponent (const juce::Value& value, const juce::String& name,
                                                        const juce::String& buttonText)
    : juce::PropertyComponent (name, 25), onText (buttonText), offText (buttonText)
{
    addAndMakeVisible (toggle);
    toggle.setButtonText (buttonText);
    toggle.setClickingTogglesState (false);
    toggle.getToggleStateValue().referTo (value);
    toggle.addListener (this);
}

MyBooleanPropertyComponent::~MyBooleanPropertyComponent()
{
    toggle.removeListener (this);
}

bool MyBooleanPropertyComponent::getState() const
{
    return toggle.getToggleState();
}

void MyBooleanPropertyComponent::setState (bool newState)
{
    toggle.setToggleState (newState, juce::sendNotification);
}

void MyBooleanPropertyComponent::refresh()
{
    toggle.setToggleState (getState(), juce::dontSendNotification);
    toggle.setButtonText (getState() ? onText : offText);
}

void MyBooleanPropertyComponent::paint (juce::Graphics& g)
{
    juce::PropertyComponent::paint (g);
    g.setColour (darkerColour);
    g.fillRect (toggle.getBounds());
    g.setColour (findColour (juce::ComboBox::outlineColourId));
    g.drawRect (toggle.getBounds(), 1);
}

void MyBooleanPropertyComponent::buttonClicked (juce::Button*)
{
    setState (! getState());
}

//==============================================================================
MyTextPropLabel::MyTextPropLabel (MyTextPropertyComponent& ownerRow, int maximumChars, bool isMultiLine)
    : juce::Label ({}, {}), owner (ownerRow), maxChars (maximumChars), multiLine (isMultiLine)
{
    setEditable (true, true, false);
    setFont (raFont (defFontSz));
}

juce::TextEditor* MyTextPropLabel::createEditorComponent()
{
    auto* field = juce::Label::createEditorComponent();
    field->setInputRestrictions (maxChars);
    field->setMultiLine (multiLine);
    field->setColour (juce::TextEditor::backgroundColourId, darkestColour);
    field->setColour (juce::TextEditor::textColourId, textColour);
    return field;
}

void MyTextPropLabel::textWasEdited()
{
    if (owner.getText() != getText())
        owner.setText (getText());
}

MyTextPropertyComponent::MyTextPropertyComponent (const juce::Value& value, const juce::String& name, int maxChars,
                                                  bool multiLine)
    : juce::PropertyComponent (name, 25), label (*this, maxChars, multiLine)
{
    textValue.referTo (value);
    addAndMakeVisible (label);
    label.getTextValue().referTo (textValue);
}

juce::String MyTextPropertyComponent::getText() const
{
    return textValue.toString();
}

void MyTextPropertyComponent::setText (const juce::String& newText)
{
    textValue = newText;
}

void MyTextPropertyComponent::refresh()
{
    label.setText (getText(), juce::dontSendNotification);
}

//==============================================================================
ColourPropertyComponent::ColourPropertyComponent (GeneralComponent* ownerTab, int colour, const juce::String& name)
    : juce::PropertyComponent (name, 200),
      selector (juce::ColourSelector::showColourspace, 4, 7),
      owner (ownerTab),
      initial ((juce::uint32) colour)
{
    addAndMakeVisible (selector);
    selector.addChangeListener (this);
    selector.setCurrentColour (initial, juce::sendNotification);
}

ColourPropertyComponent::~ColourPropertyComponent()
{
    selector.removeChangeListener (this);
}

void ColourPropertyComponent::refresh()
{
    selector.setCurrentColour (selector.getCurrentColour(), juce::dontSendNotification);
}

void ColourPropertyComponent::changeListenerCallback (juce::ChangeBroadcaster*)
{
    if (owner != nullptr)
        owner->colourChanged (&selector, selector.getCurrentColour().withAlpha ((juce::uint8) 0xff));
}

//==============================================================================
FolderLabel::FolderLabel() : juce::Label ({}, {})
{
    setEditable (false);
}

void FolderLabel::mouseDown (const juce::MouseEvent&)
{
    auto chosen = userDialogs().chooseFolder ("Choose media folder", juce::File (mediaFolder));
    if (chosen.has_value())
        setText (chosen->getFullPathName(), juce::sendNotification);
}

FolderPropertyComponent::FolderPropertyComponent (const juce::Value& mediaFolderValue)
    : juce::PropertyComponent ("Media files location", 25)
{
    addAndMakeVisible (label);
    label.getTextValue().referTo (mediaFolderValue);
}

//==============================================================================
GeneralComponent::GeneralComponent() : ColouredBox ("General", mainColour)
{
    auto* userPrefs = settings();
    auto has = [userPrefs] (const char* key) { return userPrefs != nullptr && userPrefs->containsKey (key); };

    // The globals are read again from the settings, each held to the range the
    // program applies at start-up.
    if (has ("useVeridura"))
        useVid = userPrefs->getIntValue ("useVeridura");
    controllerAtOpen = useVid != 0;
    if (has ("mediaFolder"))
    {
        mediaFolder = userPrefs->getValue ("mediaFolder");
        if (! mediaFolder.endsWith ("/"))
            mediaFolder << "/";
    }
    if (userPrefs != nullptr)
        readStartupSettings (userPrefs);
    const auto minGap = singlePrecision (userPrefs != nullptr ? userPrefs->getDoubleValue ("exportMinGap", 5.0) : 5.0);
    const auto ppqn = singlePrecision (userPrefs != nullptr ? userPrefs->getDoubleValue ("exportPpqn", 960.0) : 960.0);

    useVidValue = useVid == 1;
    useVovirValue = useVid == 0;
    mediaFolderValue = mediaFolder;
    dcRequiredValue = dcRequiredToStop != 0;
    fadeTimeValue = fadeTime;
    smallFontValue = smallFontSz;
    defFontValue = defFontSz;
    largeFontValue = largeFontSz;
    memoFontValue = memoFontSz;
    clockFontValue = clockFontSz;
    playImmediateValue = setPlayImmediate != 0;
    minGapValue = minGap;
    ppqnValue = ppqn;

    calculateColourScheme();

    propertyPanel = new juce::PropertyPanel();
    addAndMakeVisible (propertyPanel);

    propertyPanel->addSection ("Lighting controller",
                               { new MyBooleanPropertyComponent (useVidValue, "Use Viduroz Idav", {}),
                                 new MyBooleanPropertyComponent (useVovirValue, "Use VOVIR", {}) });
    propertyPanel->addSection ("File System", { new FolderPropertyComponent (mediaFolderValue) });
    propertyPanel->addSection ("Audio behaviour",
                               { new MyBooleanPropertyComponent (dcRequiredValue, "Two clicks required to stop audio",
                                                                 "Enable"),
                                 new MyTextPropertyComponent (fadeTimeValue, "Audio fade time (on start/stop)", 4,
                                                              false) });

    auto* mainRow = new ColourPropertyComponent (this, (int) mainColour.getARGB(), "Main colour");
    auto* contrastRow = new ColourPropertyComponent (this, (int) complementColour.getARGB(), "Contrast colour");
    mainColourSelector = &mainRow->selector;
    contrastColourSelector = &contrastRow->selector;
    propertyPanel->addSection ("Colours", { mainRow, contrastRow });

    propertyPanel->addSection ("Font Sizes",
                               { new MyTextPropertyComponent (smallFontValue, "Small (buttons, menus, tabs)", 2, false),
                                 new MyTextPropertyComponent (defFontValue, "Default (trees & timelines)", 2, false),
                                 new MyTextPropertyComponent (largeFontValue, "Large (titles)", 2, false),
                                 new MyTextPropertyComponent (memoFontValue, "Song memos", 2, false),
                                 new MyTextPropertyComponent (clockFontValue, "Show clock", 2, false) });
    propertyPanel->addSection ("MIDI behaviour",
                               { new MyBooleanPropertyComponent (playImmediateValue, "Play immediately on Next/Prev",
                                                                 "Enable") });
    propertyPanel->addSection ("MIDI exporting",
                               { new MyTextPropertyComponent (minGapValue, "Minimum gap between cues (ms)", 4, false),
                                 new MyTextPropertyComponent (ppqnValue, "PPQN of exported file", 4, false) });

    for (auto* value : { &dcRequiredValue, &playImmediateValue, &smallFontValue, &defFontValue, &largeFontValue,
                         &memoFontValue, &clockFontValue, &fadeTimeValue, &minGapValue, &ppqnValue, &mediaFolderValue,
                         &useVidValue, &useVovirValue })
        value->addListener (this);
}

GeneralComponent::~GeneralComponent()
{
    cancelPendingUpdate();
    if ((useVid != 0) != controllerAtOpen)
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Lighting controller changed",
                                      "Please restart Raziviz Avodoru to switch lighting controllers.", {}, nullptr);
}

void GeneralComponent::valueChanged (juce::Value& value)
{
    auto* userPrefs = settings();
    if (userPrefs == nullptr)
        return;

    if (value.refersToSameSourceAs (useVidValue))
    {
        if ((bool) useVidValue.getValue())
        {
            userPrefs->setValue ("useVeridura", 1);
            useVovirValue = false;
            useVid = 1;
        }
    }
    else if (value.refersToSameSourceAs (useVovirValue))
    {
        if ((bool) useVovirValue.getValue())
        {
            userPrefs->setValue ("useVeridura", juce::var());
            useVidValue = false;
            useVid = 0;
        }
    }
    else if (value.refersToSameSourceAs (mediaFolderValue))
    {
        changeMediaFolder();
    }
    else if (value.refersToSameSourceAs (playImmediateValue))
    {
        setPlayImmediate = (bool) playImmediateValue.getValue() ? 1 : 0;
        userPrefs->setValue ("setPlayImmediate", setPlayImmediate);
    }
    else if (value.refersToSameSourceAs (dcRequiredValue))
    {
        dcRequiredToStop = (bool) dcRequiredValue.getValue() ? 1 : 0;
        userPrefs->setValue ("dcRequiredToStop", dcRequiredToStop);
    }
    else if (value.refersToSameSourceAs (fadeTimeValue) || value.refersToSameSourceAs (minGapValue)
             || value.refersToSameSourceAs (ppqnValue))
    {
        // Text that is no number changes nothing.
        auto number = typedNumber (value.getValue());
        if (! number.has_value())
            return;

        if (value.refersToSameSourceAs (fadeTimeValue))
        {
            fadeTime = juce::jlimit (minFadeTime, maxFadeTime, singlePrecision (*number));
            userPrefs->setValue ("fadeTime", fadeTime);
        }
        else if (value.refersToSameSourceAs (minGapValue))
        {
            userPrefs->setValue ("exportMinGap", juce::jlimit (0.0f, 100.0f, singlePrecision (*number)));
        }
        else
        {
            userPrefs->setValue ("exportPpqn", juce::jlimit (4.0f, 2048.0f, singlePrecision (*number)));
        }
    }
    else
    {
        storeFontSize (value);
    }
}

void GeneralComponent::storeFontSize (juce::Value& value)
{
    struct FontRow
    {
        juce::Value* value;
        float* global;
        const char* key;
    };
    const FontRow rows[] { { &smallFontValue, &smallFontSz, "smallFontSz" },
                           { &defFontValue, &defFontSz, "defFontSz" },
                           { &largeFontValue, &largeFontSz, "largeFontSz" },
                           { &memoFontValue, &memoFontSz, "memoFontSz" },
                           { &clockFontValue, &clockFontSz, "clockFontSz" } };

    for (auto& row : rows)
    {
        if (! value.refersToSameSourceAs (*row.value))
            continue;
        auto number = typedNumber (value.getValue());
        if (! number.has_value())
            return;
        // Held to the sizes start-up accepts, so what shows now shows again after a restart.
        *row.global = juce::jlimit (minFontSize, maxFontSize, singlePrecision (*number));
        settings()->setValue (row.key, *row.global);
        triggerAsyncUpdate();
        return;
    }
}

void GeneralComponent::changeMediaFolder()
{
    auto newFolder = mediaFolderValue.toString();
    if (newFolder != mediaFolder)
    {
        auto answer = userDialogs().showYesNoCancelBox (
            juce::MessageBoxIconType::QuestionIcon, "Copy your media library to the new location?",
            "Warning - this could overwrite existing media files in the destination folder!", "Yes", "No", "Cancel",
            this);

        if (answer == 0)
        {
            mediaFolderValue = mediaFolder;
            return;
        }

        if (answer == 1)
        {
            CopyMediaLibraryTask task { juce::File (mediaFolder), juce::File (newFolder) };
            userDialogs().runWithProgress (task, juce::Thread::Priority::normal);
            // The library must not move to a folder that did not receive all of it.
            if (! task.getFailedFolders().isEmpty())
            {
                userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Media library not copied",
                                              "These folders could not be copied, so the media folder stays where "
                                              "it is:\n\n"
                                                  + task.getFailedFolders().joinIntoString ("\n"),
                                              {}, this);
                mediaFolderValue = mediaFolder;
                return;
            }
        }
    }

    settings()->setValue ("mediaFolder", mediaFolderValue.toString());
    initialiseMediaFolder();
    if (libraryPanel != nullptr)
        libraryPanel->tabs->doRefresh();
}

void GeneralComponent::colourChanged (juce::ChangeBroadcaster* source, juce::Colour newColour)
{
    auto* userPrefs = settings();
    if (userPrefs == nullptr)
        return;
    auto key = source == mainColourSelector ? "raGuiColour" : "raComplementColour";
    userPrefs->setValue (key, colourSettingText (newColour));
    // Both colour rows report at opening: one rebuild serves them.
    triggerAsyncUpdate();
}

void GeneralComponent::handleAsyncUpdate()
{
    rebuildLookAndFeel();
    ++lookAndFeelRebuilds;
}

void GeneralComponent::lookAndFeelChanged()
{
    colour = mainColour;
    repaint();
}

void GeneralComponent::resized()
{
    propertyPanel->setBounds (10, 10, getWidth() - 20, getHeight() - 20);
}

//==============================================================================
AudioComponent::AudioComponent (juce::AudioDeviceManager& devices) : ColouredBox ("Audio", mainColour)
{
    selector = new juce::AudioDeviceSelectorComponent (devices, 0, 2, 0, 4, true, false, true, false);
    addAndMakeVisible (selector);
}

void AudioComponent::lookAndFeelChanged()
{
    colour = mainColour;
    repaint();
}

void AudioComponent::resized()
{
    selector->setBounds (10, 10, getWidth() - 20, getHeight() - 20);
}

//==============================================================================
PrefPanel::PrefPanel (juce::AudioDeviceManager& devices)
    : juce::TabbedComponent (juce::TabbedButtonBar::TabsAtTop),
      generalPage (std::make_unique<GeneralComponent>()),
      audioPage (std::make_unique<AudioComponent> (devices))
{
    addTab ("General", lighterColour, generalPage.get(), false);
    addTab ("Audio/MIDI Devices", lighterColour, audioPage.get(), false);
    setTabBarDepth (25);
    setOutline (0);
}

PrefPanel::~PrefPanel()
{
    clearTabs();
}

void PrefPanel::lookAndFeelChanged()
{
    juce::TabbedComponent::lookAndFeelChanged();
    for (int i = 0; i < getNumTabs(); ++i)
        setTabBackgroundColour (i, lighterColour);
    repaint();
}

//==============================================================================
PreferencesWindow::PreferencesWindow()
    : juce::DocumentWindow ("Preferences", juce::Colours::lightblue, juce::DocumentWindow::closeButton, true)
{
    setTitleBarHeight (20);
}

void PreferencesWindow::closeButtonPressed()
{
    exitModalState (0);
}

void showPreferencesWindow (juce::AudioDeviceManager& devices, juce::Component* mainWindow)
{
    auto window = std::make_unique<PreferencesWindow>();
    auto* panel = new PrefPanel (devices);
    panel->setSize (500, 600);
    window->setContentOwned (panel, true);
    window->centreAroundComponent (mainWindow, 500, 600);
    window->setVisible (true);

    if (onPreferencesShown != nullptr)
    {
        juce::Component::SafePointer<PreferencesWindow> shown (window.get());
        juce::MessageManager::callAsync (
            [shown]
            {
                if (shown != nullptr && onPreferencesShown != nullptr)
                    onPreferencesShown (*shown);
            });
    }
    window->runModalLoop();

    if (auto* userPrefs = settings())
    {
        auto state = devices.createStateXml();
        userPrefs->setValue ("audioDeviceState", state != nullptr ? juce::var (state->toString()) : juce::var());
        userPrefs->saveIfNeeded();
    }

    // The restart question comes from the General tab as it goes.
    window.reset();
}
