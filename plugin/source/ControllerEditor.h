#pragma once

#include "source/ControllerProcessor.h"

#include <juce_gui_extra/juce_gui_extra.h>

/** The lighting-design screen: shows, banks and presets (create, rename, delete),
    the 512 channel levels of the selected preset (32 per page), recall with a
    fade, the live output with the show's DMX output settings and the link to
    OLA, the tempo and the footswitch buttons.

    Edits go straight into the controller under its lock; the screen follows
    changes made through the host's table (another show loaded, for instance). */
class ControllerEditor final : public juce::AudioProcessorEditor, private juce::Timer
{
public:
    explicit ControllerEditor (ControllerProcessor&);
    ~ControllerEditor() override;

    void paint (juce::Graphics&) override;
    void resized() override;

    /** Keys that nothing in the editor used go to the host, so that the program's
        transport and command keys keep working while the user is in here. */
    bool keyPressed (const juce::KeyPress&) override;

private:
    class NameList;
    class OutputView;

    static constexpr int channelsPerPage = 32;

    void timerCallback() override;
    void refreshAll();
    void refreshPresets();
    void refreshSliders();
    void bankSelected();
    void presetSelected();
    void edited();

    juce::String selectedBank() const;
    juce::String selectedPreset() const;
    juce::String enteredName() const;

    void newShow();
    void renameShow();
    void deleteShow();
    void newBank();
    void renameBank();
    void deleteBank();
    void newPreset (bool copySelected);
    void renamePreset();
    void deletePreset();
    void recall();
    void levelChanged (int channelOnPage);
    void refreshOutputSettings();
    void outputSettingsChanged();

    lighting::LightingController& controller;
    lighting::DmxOutput& dmxOutput;
    std::uint32_t seenChangeCount = 0;
    juce::String liveBank, livePreset; // the preset last recalled here, edited live

    juce::Label showLabel { {}, "Show" }, nameLabel { {}, "Name" }, tempoLabel, bankLabel { {}, "Banks" },
        presetLabel { {}, "Presets" }, fadeLabel { {}, "Fade (s)" }, outputLabel { {}, "Output" };
    juce::ComboBox showBox, pageBox;
    juce::TextEditor nameField;
    juce::TextButton newShowButton { "New show" }, renameShowButton { "Rename show" },
        deleteShowButton { "Delete show" }, newBankButton { "New bank" }, renameBankButton { "Rename" },
        deleteBankButton { "Delete" }, newPresetButton { "New preset" }, copyPresetButton { "Copy" },
        renamePresetButton { "Rename" }, deletePresetButton { "Delete" }, recallButton { "Recall" },
        prevButton { "Prev" }, nextButton { "Next" };
    juce::Slider fadeSlider { juce::Slider::LinearHorizontal, juce::Slider::TextBoxRight };
    juce::ToggleButton dmxToggle { "DMX output" };
    juce::Label universeLabel { {}, "OLA universe" }, linkStatus;
    juce::Slider universeSlider { juce::Slider::IncDecButtons, juce::Slider::TextBoxLeft };

    std::unique_ptr<NameList> bankModel, presetModel;
    juce::ListBox bankList, presetList;
    juce::OwnedArray<juce::Slider> levelSliders;
    juce::OwnedArray<juce::Label> channelLabels;
    std::unique_ptr<OutputView> outputView;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ControllerEditor)
};
