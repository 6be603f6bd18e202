#pragma once

#include "midi/RemoteControl.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>
#include <vector>

/** One control of the Remote Control window: its list text and the prefix of its
    four settings (prefix + "Ch", "Cc", "Note", "Key"). */
struct Thing
{
    juce::String description;
    juce::String prefix;

    /** Stores a learnt MIDI assignment (channel 0–16, controller and note as
        signed 8-bit values, −1 for none); the key is left as it is. */
    void update (juce::int8 ch, juce::int8 cc, juce::int8 note) const;
};

class MidiLearnPanel;

/** The controls, one row each, with what each is assigned to. */
class ThingsList final : public juce::ListBox,
                         public juce::ListBoxModel,
                         public juce::ChangeBroadcaster
{
public:
    explicit ThingsList (MidiLearnPanel& owner);
    ~ThingsList() override;

    void addPrefThing (juce::String description, juce::String prefix);
    /** The selected controls, in selection order. */
    std::vector<Thing*> getSelectedThings();

    int getNumRows() override;
    void paintListBoxItem (int rowNumber, juce::Graphics& g, int width, int height, bool rowIsSelected) override;

    /** The assignment text of a row: "Note 60 (ch1)", "CC 64 (ch2) | Space"... */
    juce::String assignmentText (int row) const;

    std::vector<Thing> things;

private:
    MidiLearnPanel& panel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ThingsList)
};

/** The content of the Remote Control window: learns MIDI notes, controllers and
    computer keys for the selected controls, and clears them. While it exists it
    receives every incoming MIDI message on the message thread. */
class MidiLearnPanel final : public juce::Component,
                             public juce::Timer,
                             public juce::Button::Listener,
                             private MidiLearner
{
public:
    MidiLearnPanel();
    ~MidiLearnPanel() override;

    /** Learns the buffer's notes and controllers for the selected controls. */
    void processMidi (const juce::MidiBuffer& buffer);
    /** Learns the key for the selected controls; every key is consumed. */
    bool keyPressed (const juce::KeyPress& key) override;
    /** The globals follow the stored assignments. */
    void updateGlobals();

    void resized() override;
    void paint (juce::Graphics& g) override;
    void timerCallback() override;
    void buttonClicked (juce::Button* button) override;

    std::unique_ptr<ThingsList> thingsList;
    std::unique_ptr<juce::TextButton> clearButton;
    std::unique_ptr<juce::Label> titleLabel, hintLabel;
    bool changed = false;

private:
    void learnMidi (const juce::MidiBuffer& messages) override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiLearnPanel)
};

/** The open Remote Control panel, or null (message thread only). */
extern MidiLearnPanel* learnPanel;

/** Makes a new panel the open one (deleting a previous one first). */
MidiLearnPanel* createLearnPanel();
/** Deletes the open panel, if any; its assignments reach the globals. */
void deleteLearnPanel();

/** The "Remote control..." command: the panel in a modal window titled "Remote
    Control" over the main window, until it is closed. */
void openRemoteControlWindow (juce::Component* centreOver);
