#pragma once

#include "editor/MemoOptionsSelector.h"
#include "ui/Widgets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/** A list of names that is its own model and tells its listeners when the
    selection changes (asynchronously, or at once through selectName). */
class NameList : public juce::ListBox, public juce::ListBoxModel, public juce::ChangeBroadcaster
{
public:
    NameList (const juce::String& name, juce::Colour background);

    void setNames (std::vector<juce::String> newNames);
    const std::vector<juce::String>& getNames() const noexcept { return names; }

    /** The selected row's name, empty when none is selected. */
    juce::String getSelectedName() const;

    /** Selects the row of that name (nothing when it is not there) and tells the
        listeners synchronously. */
    void selectName (const juce::String& name);

    int getNumRows() override { return (int) names.size(); }
    void paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
    void selectedRowsChanged (int lastRowSelected) override;

protected:
    std::vector<juce::String> names;

private:
    bool quiet = false;
};

/** The lighting controller's banks; picking one fills the preset list. */
class BanksList final : public NameList
{
public:
    BanksList() : NameList ("Banks", juce::Colours::yellow) {}
};

/** The presets of the chosen bank; a preset dragged out of it onto the waveform becomes a cue. */
class PresetsList final : public NameList
{
public:
    PresetsList();
    juce::var getDragSourceDescription (const juce::SparseSet<int>& rows) override;
};

/** The tempo slider; while tap tempo is learning its text says so. */
class BpmSlider final : public juce::Slider
{
public:
    BpmSlider();
    juce::String getTextFromValue (double value) override;
    bool learning = false;
};

/** The backing track's volume in dB. */
class VolumeKnob final : public juce::Slider
{
public:
    VolumeKnob();
    juce::String getTextFromValue (double value) override;
};

/** The panel in which one lightshow is edited while its waveform is shown
    below: the lighting-show chooser, tempo (with tap tempo) and volume, the
    controller's banks and presets, and the toolbar. The global songEditor
    points to the one instance. */
class SongEditor final : public ColouredBox,
                         public juce::Button::Listener,
                         public juce::ComboBox::Listener,
                         public juce::Slider::Listener,
                         public juce::ChangeListener,
                         public juce::DragAndDropContainer,
                         public juce::Timer
{
public:
    SongEditor();
    ~SongEditor() override;

    /** Fills every field from the lightshow and its track and loads it into the
        waveform editor for editing (the main window's switch to this view). */
    void loadLightShow (int id);

    /** One tap of tap tempo, at the millisecond counter's now. */
    void doTap();
    void doTap (juce::uint32 now);

    /** The selected bank and preset (empty when none), and whether the bank has an "Off" preset. */
    void getCurrentSelection (juce::String& bank, juce::String& preset, bool& bankHasOff) const;

    /** Picks a cue's bank and then its preset in the lists (a cue chosen on the waveform). */
    void selectBankAndPreset (const juce::String& bank, const juce::String& preset);

    /** Refills the bank list from the lighting controller (the preset list empties). */
    void refillBanks();

    void resized() override;
    void paint (juce::Graphics& g) override;
    void lookAndFeelChanged() override;
    void buttonClicked (juce::Button* button) override;
    void comboBoxChanged (juce::ComboBox* box) override;
    void sliderValueChanged (juce::Slider* slider) override;
    void sliderDragEnded (juce::Slider* slider) override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;
    void timerCallback() override;

    juce::Label titleLabel, showLabel, tempoLabel, volumeLabel, banksLabel, presetsLabel;
    juce::ComboBox showBox;
    BpmSlider bpmSlider;
    VovirButton tapButton { "Tap (ctrl-t)", {}, {} };
    VolumeKnob volumeKnob;
    BanksList banksList;
    PresetsList presetsList;
    VovirToolbar toolbar;

    VovirButton* okBtn = nullptr;
    VovirButton* memoBtn = nullptr;
    VovirButton* deleteBtn = nullptr;
    VovirButton* rewindBtn = nullptr;
    VovirButton* playBtn = nullptr;
    VovirButton* loopBtn = nullptr;

    int lightShowId = -1;
    juce::uint32 lastTapTime = 0;
    int tapIdleTime = 0;
    double tapAverage = 0;
    double tapCount = 0;

private:
    void storeTempo (double bpm, bool write);
    void storeVolume (double dB, bool write);
    void setLearning (bool shouldLearn);
    void addMemo();
    void deleteSelected();
    void followPlayer();

    juce::ChangeBroadcaster* listenedPlayer = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SongEditor)
};
