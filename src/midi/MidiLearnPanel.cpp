#include "midi/MidiLearnPanel.h"

#include "app/Globals.h"
#include "ui/ColourScheme.h"
#include "ui/UserDialogs.h"

MidiLearnPanel* learnPanel = nullptr;

namespace
{
int storedValue (const juce::String& key)
{
    auto* settings = userSettings();
    return settings != nullptr ? settings->getIntValue (key, -1) : -1;
}

void store (const juce::String& key, int value)
{
    if (auto* settings = userSettings())
        settings->setValue (key, value);
}
} // namespace

//==============================================================================
void Thing::update (juce::int8 ch, juce::int8 cc, juce::int8 note) const
{
    store (prefix + "Ch", ch);
    store (prefix + "Cc", cc);
    store (prefix + "Note", note);
}

//==============================================================================
ThingsList::ThingsList (MidiLearnPanel& owner) : juce::ListBox ("thingsList", nullptr), panel (owner)
{
    setModel (this);
    setMultipleSelectionEnabled (true);
    setColour (juce::ListBox::backgroundColourId, darkerColour);
}

ThingsList::~ThingsList()
{
    setModel (nullptr);
}

void ThingsList::addPrefThing (juce::String description, juce::String prefix)
{
    things.push_back ({ std::move (description), std::move (prefix) });
    updateContent();
}

std::vector<Thing*> ThingsList::getSelectedThings()
{
    std::vector<Thing*> chosen;
    for (int i = 0; i < getNumSelectedRows(); ++i)
    {
        const int row = getSelectedRow (i);
        if (juce::isPositiveAndBelow (row, (int) things.size()))
            chosen.push_back (&things[(size_t) row]);
    }
    return chosen;
}

int ThingsList::getNumRows()
{
    return (int) things.size();
}

juce::String ThingsList::assignmentText (int row) const
{
    if (! juce::isPositiveAndBelow (row, (int) things.size()))
        return {};

    const auto& prefix = things[(size_t) row].prefix;
    const int ch = storedValue (prefix + "Ch");
    const int cc = (juce::int8) (juce::uint8) (storedValue (prefix + "Cc") & 0xff);
    const int note = (juce::int8) (juce::uint8) (storedValue (prefix + "Note") & 0xff);
    const int key = storedValue (prefix + "Key");

    juce::String text;
    if (note != -1)
        text = "Note " + juce::String (note) + " (ch" + juce::String (ch) + ")";
    else if (cc != -1)
        text = "CC " + juce::String (cc) + " (ch" + juce::String (ch) + ")";

    if (key != -1)
        text += (text.isNotEmpty() ? " | " : "") + juce::KeyPress (key).getTextDescription();
    return text;
}

void ThingsList::paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected)
{
    if (! juce::isPositiveAndBelow (rowNumber, (int) things.size()))
        return;

    g.fillAll (rowIsSelected ? textColour : darkerColour);
    g.setColour (rowIsSelected ? textInvColour : textColour);
    g.setFont (juce::Font (raFontName, defFontSz, juce::Font::plain));

    const juce::Rectangle<int> area (5, 0, width - 10, height);
    g.drawFittedText (things[(size_t) rowNumber].description, area, juce::Justification::centredLeft, 1);
    g.drawFittedText (assignmentText (rowNumber), area, juce::Justification::centredRight, 1);
}

//==============================================================================
MidiLearnPanel::MidiLearnPanel()
{
    titleLabel = std::make_unique<juce::Label> ("titleLabel", "Listening for MIDI and key presses...");
    titleLabel->setFont (juce::Font (raFontName, 18.0f, juce::Font::bold));
    addAndMakeVisible (*titleLabel);

    hintLabel = std::make_unique<juce::Label> (
        "hintLabel", "Select one or more controls in the list, then transmit some MIDI or press a key.");
    hintLabel->setFont (juce::Font (raFontName, 16.0f, juce::Font::plain));
    addAndMakeVisible (*hintLabel);

    thingsList = std::make_unique<ThingsList> (*this);
    thingsList->addPrefThing ("Show Library : Start/stop playback", "start");
    thingsList->addPrefThing ("Show Library : Rewind to start", "rewind");
    thingsList->addPrefThing ("Show Library : Previous song", "prev");
    thingsList->addPrefThing ("Show Library : Next song", "next");
    addAndMakeVisible (*thingsList);

    clearButton = std::make_unique<juce::TextButton> ("forgetBtn");
    clearButton->setButtonText ("Clear...");
    clearButton->addListener (this);
    addAndMakeVisible (*clearButton);

    setWantsKeyboardFocus (true);
    setSize (650, 500);
    startTimer (250);

    beginMidiLearning (this);
}

MidiLearnPanel::~MidiLearnPanel()
{
    // First of all: no message may reach a panel that is going.
    endMidiLearning (this);
    stopTimer();
    updateGlobals();
    clearButton->removeListener (this);
}

void MidiLearnPanel::learnMidi (const juce::MidiBuffer& messages)
{
    processMidi (messages);
}

void MidiLearnPanel::processMidi (const juce::MidiBuffer& buffer)
{
    JUCE_ASSERT_MESSAGE_THREAD
    for (auto* thing : thingsList->getSelectedThings())
    {
        for (const auto metadata : buffer)
        {
            if (metadata.numBytes < 2)
                continue;

            const int status = metadata.data[0];
            const auto channel = (juce::int8) channelOfStatus (status);
            const int number = metadata.data[1] & 0x7F;

            if ((status & 0xF0) == 0x90 && metadata.numBytes >= 3 && (metadata.data[2] & 0x7F) > 0)
            {
                thing->update (channel, -1, (juce::int8) number);
                changed = true;
            }
            else if ((status & 0xF0) == 0xB0)
            {
                thing->update (channel, (juce::int8) number, -1);
                changed = true;
            }
        }
    }
    updateGlobals();
}

bool MidiLearnPanel::keyPressed (const juce::KeyPress& key)
{
    for (auto* thing : thingsList->getSelectedThings())
    {
        store (thing->prefix + "Key", key.getKeyCode());
        changed = true;
    }
    updateGlobals();
    return true;
}

void MidiLearnPanel::updateGlobals()
{
    updateRemoteControlGlobals();
}

void MidiLearnPanel::buttonClicked (juce::Button* button)
{
    if (button != clearButton.get())
        return;

    auto selected = thingsList->getSelectedThings();
    if (selected.empty())
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Select something in the list first.",
                                      {}, "OK", this);
        return;
    }

    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::InfoIcon,
                                         "Really clear MIDI assignments for the selected controls?", {}, "Yes", "No",
                                         this))
        return;

    for (auto* thing : selected)
        for (auto* value : { "Ch", "Cc", "Note", "Key" })
            store (thing->prefix + value, -1);
    changed = true;
    updateGlobals();
}

void MidiLearnPanel::timerCallback()
{
    if (! changed)
        return;

    changed = false;
    repaint();
    thingsList->updateContent();
    thingsList->repaint();
}

void MidiLearnPanel::paint (juce::Graphics& g)
{
    g.fillAll (darkerColour);
}

void MidiLearnPanel::resized()
{
    const int width = getWidth(), height = getHeight();
    titleLabel->setBounds (juce::roundToInt (0.0252 * width), 10, juce::roundToInt (0.9497 * width), 24);
    hintLabel->setBounds (juce::roundToInt (0.0252 * width), 40, juce::roundToInt (0.9497 * width), 24);
    thingsList->setBounds (10, 80, width - 110, height - 90);
    clearButton->setBounds (width - 90, 88, 80, 48);
}

//==============================================================================
MidiLearnPanel* createLearnPanel()
{
    JUCE_ASSERT_MESSAGE_THREAD
    deleteLearnPanel();
    learnPanel = new MidiLearnPanel();
    return learnPanel;
}

void deleteLearnPanel()
{
    JUCE_ASSERT_MESSAGE_THREAD
    std::unique_ptr<MidiLearnPanel> going (learnPanel);
    learnPanel = nullptr;
}

void openRemoteControlWindow (juce::Component* centreOver)
{
    auto* panel = createLearnPanel();
    juce::DialogWindow::showModalDialog ("Remote Control", panel, centreOver, juce::Colours::grey, true, false,
                                         false);
    deleteLearnPanel();
}
