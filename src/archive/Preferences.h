#pragma once

#include "ui/Widgets.h"

#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_extra/juce_gui_extra.h>

class GeneralComponent;

/** A row with a toggle button whose state is the value. */
class MyBooleanPropertyComponent final : public juce::PropertyComponent, public juce::Button::Listener
{
public:
    MyBooleanPropertyComponent (const juce::Value& value, const juce::String& name, const juce::String& buttonText);
    ~MyBooleanPropertyComponent() override;

    bool getState() const;
    void setState (bool newState);
    void refresh() override;
    void paint (juce::Graphics& g) override;
    void buttonClicked (juce::Button*) override;

private:
    juce::ToggleButton toggle;
    juce::String onText, offText;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyBooleanPropertyComponent)
};

class MyTextPropertyComponent;

/** The text field of a text row: edited by a click, at most maxChars characters. */
class MyTextPropLabel final : public juce::Label
{
public:
    MyTextPropLabel (MyTextPropertyComponent& owner, int maxChars, bool multiLine);

    juce::TextEditor* createEditorComponent() override;
    void textWasEdited() override;

private:
    MyTextPropertyComponent& owner;
    int maxChars;
    bool multiLine;
};

/** A row with an editable text field whose text is the value. */
class MyTextPropertyComponent final : public juce::PropertyComponent
{
public:
    MyTextPropertyComponent (const juce::Value& value, const juce::String& name, int maxChars, bool multiLine);

    juce::String getText() const;
    void setText (const juce::String& newText);
    void refresh() override;

    MyTextPropLabel label;

private:
    juce::Value textValue;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MyTextPropertyComponent)
};

/** A row with a colour space and hue strip; a change goes to the General tab. */
class ColourPropertyComponent final : public juce::PropertyComponent, public juce::ChangeListener
{
public:
    ColourPropertyComponent (GeneralComponent* owner, int colour, const juce::String& name);
    ~ColourPropertyComponent() override;

    void refresh() override;
    void changeListenerCallback (juce::ChangeBroadcaster*) override;

    juce::ColourSelector selector;

private:
    GeneralComponent* owner;
    juce::Colour initial;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ColourPropertyComponent)
};

/** The media folder's text; pressed, it opens a folder chooser. */
class FolderLabel final : public juce::Label
{
public:
    FolderLabel();
    void mouseDown (const juce::MouseEvent&) override;
};

/** The "Media files location" row. */
class FolderPropertyComponent final : public juce::PropertyComponent
{
public:
    explicit FolderPropertyComponent (const juce::Value& mediaFolderValue);
    void refresh() override {}

    FolderLabel label;
};

/** The "General" tab: the settings of the table, each stored as soon as it
    changes and taking effect as it says (at once, at the next export, or for the
    lighting controller at the next start). */
class GeneralComponent final : public ColouredBox, public juce::Value::Listener, private juce::AsyncUpdater
{
public:
    GeneralComponent();
    ~GeneralComponent() override;

    void valueChanged (juce::Value& value) override;
    using ColouredBox::colourChanged;
    void colourChanged (juce::ChangeBroadcaster* source, juce::Colour newColour);
    void lookAndFeelChanged() override;
    void resized() override;

    juce::PropertyPanel* propertyPanel = nullptr; // a child: deleted with the box
    juce::Value dcRequiredValue, playImmediateValue, smallFontValue, defFontValue, largeFontValue, memoFontValue,
        clockFontValue, fadeTimeValue, minGapValue, ppqnValue, mediaFolderValue, useVidValue, useVovirValue;
    bool controllerAtOpen = false;
    juce::ColourSelector* mainColourSelector = nullptr;
    juce::ColourSelector* contrastColourSelector = nullptr;

    /** Times the look and feel was rebuilt by this tab. */
    int lookAndFeelRebuilds = 0;

private:
    void handleAsyncUpdate() override;
    void changeMediaFolder();
    void storeFontSize (juce::Value& value);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (GeneralComponent)
};

/** The "Audio/MIDI Devices" tab: the framework's device selector. */
class AudioComponent final : public ColouredBox
{
public:
    explicit AudioComponent (juce::AudioDeviceManager& devices);
    void lookAndFeelChanged() override;
    void resized() override;

    juce::AudioDeviceSelectorComponent* selector = nullptr; // a child: deleted with the box
};

/** The two tabs. */
class PrefPanel final : public juce::TabbedComponent
{
public:
    explicit PrefPanel (juce::AudioDeviceManager& devices);
    ~PrefPanel() override;

    void lookAndFeelChanged() override;
    void currentTabChanged (int, const juce::String&) override {}

    std::unique_ptr<GeneralComponent> generalPage;
    std::unique_ptr<AudioComponent> audioPage;
};

/** The modal preferences window. */
class PreferencesWindow final : public juce::DocumentWindow
{
public:
    PreferencesWindow();
    void closeButtonPressed() override;
};

/** The "Preferences..." command: the window, modally, centred on the main
    window; afterwards the audio device state is stored and the settings saved. */
void showPreferencesWindow (juce::AudioDeviceManager& devices, juce::Component* mainWindow);

/** Called with the window while it is shown modally (tests drive it from here). */
extern std::function<void (PreferencesWindow&)> onPreferencesShown;
