#include "source/ControllerEditor.h"

#include "source/QueuedWindowEvents.h"

using lighting::ShowLibrary;

//==============================================================================
/** A list of names with a selection callback. */
class ControllerEditor::NameList final : public juce::ListBoxModel
{
public:
    explicit NameList (std::function<void()> onSelect) : selected (std::move (onSelect)) {}

    juce::StringArray names;

    int getNumRows() override { return names.size(); }

    void paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool isSelected) override
    {
        if (isSelected)
            g.fillAll (juce::Colours::lightblue);
        g.setColour (isSelected ? juce::Colours::black : juce::Colours::whitesmoke);
        g.setFont ((float) height * 0.6f);
        g.drawText (names[row], 6, 0, width - 8, height, juce::Justification::centredLeft, true);
    }

    void selectedRowsChanged (int) override { selected(); }

private:
    std::function<void()> selected;
};

//==============================================================================
/** The live DMX output: one cell per channel, brighter for higher levels. */
class ControllerEditor::OutputView final : public juce::Component
{
public:
    explicit OutputView (lighting::LightingController& c) : controller (c) {}

    void paint (juce::Graphics& g) override
    {
        constexpr int columns = 32, rows = lighting::numChannels / columns;
        const auto cellW = (float) getWidth() / columns, cellH = (float) getHeight() / rows;
        g.fillAll (juce::Colours::black);
        for (int i = 0; i < lighting::numChannels; ++i)
        {
            const auto level = controller.getOutputLevel (i);
            g.setColour (juce::Colour::greyLevel ((float) level / 255.0f).overlaidWith (
                juce::Colours::orange.withAlpha ((float) level / 510.0f)));
            g.fillRect ((float) (i % columns) * cellW + 1.0f, (float) (i / columns) * cellH + 1.0f, cellW - 2.0f,
                        cellH - 2.0f);
        }
    }

private:
    lighting::LightingController& controller;
};

//==============================================================================
ControllerEditor::ControllerEditor (ControllerProcessor& p)
    : AudioProcessorEditor (p)
    , controller (p.getController())
    , dmxOutput (p.getDmxOutput())
    , bankModel (std::make_unique<NameList> ([this] { bankSelected(); }))
    , presetModel (std::make_unique<NameList> ([this] { presetSelected(); }))
    , outputView (std::make_unique<OutputView> (controller))
{
    // A click anywhere that no control takes gives the editor itself the keyboard,
    // so the keys it does not use reach keyPressed and go on to the host.
    setWantsKeyboardFocus (true);
    for (auto* label : { &showLabel, &nameLabel, &tempoLabel, &bankLabel, &presetLabel, &fadeLabel, &outputLabel })
        addAndMakeVisible (label);

    addAndMakeVisible (showBox);
    showBox.onChange = [this]
    {
        if (showBox.getSelectedItemIndex() >= 0)
            controller.loadShow (showBox.getText());
        refreshAll();
    };

    addAndMakeVisible (nameField);
    nameField.setTextToShowWhenEmpty ("name for New / Rename", juce::Colours::grey);

    auto wire = [this] (juce::Button& button, std::function<void()> action)
    {
        addAndMakeVisible (button);
        button.onClick = std::move (action);
    };
    wire (newShowButton, [this] { newShow(); });
    wire (renameShowButton, [this] { renameShow(); });
    wire (deleteShowButton, [this] { deleteShow(); });
    wire (newBankButton, [this] { newBank(); });
    wire (renameBankButton, [this] { renameBank(); });
    wire (deleteBankButton, [this] { deleteBank(); });
    wire (newPresetButton, [this] { newPreset (false); });
    wire (copyPresetButton, [this] { newPreset (true); });
    wire (renamePresetButton, [this] { renamePreset(); });
    wire (deletePresetButton, [this] { deletePreset(); });
    wire (recallButton, [this] { recall(); });
    wire (prevButton, [this] { controller.footswitchPrev(); });
    wire (nextButton, [this] { controller.footswitchNext(); });

    bankList.setModel (bankModel.get());
    presetList.setModel (presetModel.get());
    addAndMakeVisible (bankList);
    addAndMakeVisible (presetList);

    addAndMakeVisible (fadeSlider);
    fadeSlider.setRange (0.0, 30.0, 0.1);
    fadeSlider.setSkewFactorFromMidPoint (5.0);
    fadeSlider.setColour (juce::Slider::backgroundColourId, juce::Colour (0xff4a505a));
    fadeSlider.setValue (2.0);

    addAndMakeVisible (pageBox);
    for (int page = 0; page < lighting::numChannels / channelsPerPage; ++page)
        pageBox.addItem ("Channels " + juce::String (page * channelsPerPage + 1) + "-"
                             + juce::String ((page + 1) * channelsPerPage),
                         page + 1);
    pageBox.setSelectedItemIndex (0, juce::dontSendNotification);
    pageBox.onChange = [this] { refreshSliders(); };

    for (int i = 0; i < channelsPerPage; ++i)
    {
        auto* slider = levelSliders.add (new juce::Slider (juce::Slider::LinearVertical, juce::Slider::TextBoxBelow));
        slider->setRange (0.0, 255.0, 1.0);
        slider->setTextBoxStyle (juce::Slider::TextBoxBelow, false, 30, 16);
        slider->setColour (juce::Slider::backgroundColourId, juce::Colour (0xff4a505a));
        slider->setColour (juce::Slider::trackColourId, juce::Colours::orange.withAlpha (0.8f));
        slider->onValueChange = [this, i] { levelChanged (i); };
        addAndMakeVisible (slider);

        auto* label = channelLabels.add (new juce::Label());
        label->setJustificationType (juce::Justification::centred);
        label->setFont (11.0f);
        addAndMakeVisible (label);
    }

    addAndMakeVisible (*outputView);

    addAndMakeVisible (dmxToggle);
    dmxToggle.onClick = [this] { outputSettingsChanged(); };
    addAndMakeVisible (universeLabel);
    universeLabel.setJustificationType (juce::Justification::centredRight);
    addAndMakeVisible (universeSlider);
    universeSlider.setRange (lighting::DmxOutputSettings::minUniverse, lighting::DmxOutputSettings::maxUniverse, 1.0);
    universeSlider.setTextBoxStyle (juce::Slider::TextBoxLeft, false, 60, 22);
    universeSlider.onValueChange = [this] { outputSettingsChanged(); };
    addAndMakeVisible (linkStatus);
    linkStatus.setText (dmxOutput.getStatus().describe(), juce::dontSendNotification);

    setResizable (true, true);
    setResizeLimits (980, 620, 2000, 1400);
    setSize (1080, 680);
    refreshAll();
    startTimerHz (25);
}

ControllerEditor::~ControllerEditor()
{
    bankList.setModel (nullptr);
    presetList.setModel (nullptr);
}

bool ControllerEditor::keyPressed (const juce::KeyPress& key)
{
    return static_cast<ControllerProcessor&> (processor).forwardKeyToHost (key);
}

void ControllerEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff2b2f36));
}

void ControllerEditor::resized()
{
    auto area = getLocalBounds().reduced (8);

    auto top = area.removeFromTop (28);
    showLabel.setBounds (top.removeFromLeft (44));
    showBox.setBounds (top.removeFromLeft (200));
    top.removeFromLeft (8);
    nameLabel.setBounds (top.removeFromLeft (44));
    nameField.setBounds (top.removeFromLeft (200));
    top.removeFromLeft (8);
    newShowButton.setBounds (top.removeFromLeft (90));
    renameShowButton.setBounds (top.removeFromLeft (100));
    deleteShowButton.setBounds (top.removeFromLeft (90));
    nextButton.setBounds (top.removeFromRight (60));
    prevButton.setBounds (top.removeFromRight (60));
    tempoLabel.setBounds (top.removeFromRight (110));
    area.removeFromTop (8);

    auto left = area.removeFromLeft (460);
    auto lists = left.removeFromTop (left.getHeight() - 40);
    auto banks = lists.removeFromLeft (205);
    lists.removeFromLeft (10);
    auto presets = lists;

    bankLabel.setBounds (banks.removeFromTop (22));
    auto bankButtons = banks.removeFromBottom (26);
    bankList.setBounds (banks.withTrimmedBottom (4));
    newBankButton.setBounds (bankButtons.removeFromLeft (80));
    renameBankButton.setBounds (bankButtons.removeFromLeft (64));
    deleteBankButton.setBounds (bankButtons);

    presetLabel.setBounds (presets.removeFromTop (22));
    auto presetButtons = presets.removeFromBottom (26);
    presetList.setBounds (presets.withTrimmedBottom (4));
    newPresetButton.setBounds (presetButtons.removeFromLeft (78));
    copyPresetButton.setBounds (presetButtons.removeFromLeft (48));
    renamePresetButton.setBounds (presetButtons.removeFromLeft (64));
    deletePresetButton.setBounds (presetButtons);

    auto recallRow = left.removeFromBottom (30);
    fadeLabel.setBounds (recallRow.removeFromLeft (60));
    recallButton.setBounds (recallRow.removeFromRight (80));
    fadeSlider.setBounds (recallRow);

    area.removeFromLeft (12);
    auto pageRow = area.removeFromTop (26);
    pageBox.setBounds (pageRow.removeFromLeft (200));

    auto out = area.removeFromBottom (juce::jmin (200, area.getHeight() / 3));
    auto outputRow = out.removeFromTop (26);
    outputLabel.setBounds (outputRow.removeFromLeft (56));
    dmxToggle.setBounds (outputRow.removeFromLeft (110));
    universeLabel.setBounds (outputRow.removeFromLeft (90));
    universeSlider.setBounds (outputRow.removeFromLeft (120).reduced (2, 1));
    linkStatus.setBounds (out.removeFromTop (22));
    outputView->setBounds (out);
    area.removeFromBottom (6);

    auto labels = area.removeFromTop (18);
    const auto columns = channelsPerPage / 2, rowHeight = area.getHeight() / 2;
    const auto width = area.getWidth() / columns;
    for (int i = 0; i < channelsPerPage; ++i)
    {
        const int row = i / columns, column = i % columns;
        auto cell = juce::Rectangle<int> (area.getX() + column * width, area.getY() + row * rowHeight, width,
                                          rowHeight)
                        .reduced (1);
        channelLabels[i]->setBounds (cell.removeFromTop (16));
        levelSliders[i]->setBounds (cell);
    }
    juce::ignoreUnused (labels);
}

//==============================================================================
void ControllerEditor::timerCallback()
{
    // Keys typed here must not wait in the window system's queue for a pointer move.
    dispatchQueuedWindowEvents();

    tempoLabel.setText ("Tempo " + juce::String (controller.getTempo(), 1) + " BPM", juce::dontSendNotification);
    outputView->repaint();
    linkStatus.setText (dmxOutput.getStatus().describe(), juce::dontSendNotification);
    if (controller.getChangeCount() != seenChangeCount)
        refreshAll();
}

void ControllerEditor::refreshAll()
{
    seenChangeCount = controller.getChangeCount();
    const auto keepBank = selectedBank();

    juce::StringArray showNames, bankNames;
    juce::String current;
    controller.withLibrary ([&] (ShowLibrary& library)
    {
        for (int i = 0; i < library.getNumShows(); ++i)
            showNames.add (library.getShowName (i));
        for (int i = 0; i < library.getNumBanks(); ++i)
            bankNames.add (library.getBankName (i));
        current = library.getCurrentShowName();
        return 0;
    });

    showBox.clear (juce::dontSendNotification);
    for (int i = 0; i < showNames.size(); ++i)
        showBox.addItem (showNames[i], i + 1);
    showBox.setSelectedItemIndex (showNames.indexOf (current), juce::dontSendNotification);

    refreshOutputSettings();

    bankModel->names = bankNames;
    bankList.updateContent();
    const auto bankRow = bankNames.indexOf (keepBank);
    bankList.selectRow (bankRow >= 0 ? bankRow : 0, false, true);
    refreshPresets();
}

void ControllerEditor::refreshPresets()
{
    const auto keepPreset = selectedPreset();
    const auto bank = selectedBank();
    juce::StringArray names;
    controller.withLibrary ([&] (ShowLibrary& library)
    {
        for (int i = 0; i < library.getNumPresets (bank); ++i)
            names.add (library.getPresetName (bank, i));
        return 0;
    });

    presetModel->names = names;
    presetList.updateContent();
    const auto row = names.indexOf (keepPreset);
    presetList.selectRow (row >= 0 ? row : 0, false, true);
    refreshSliders();
}

void ControllerEditor::refreshSliders()
{
    const auto bank = selectedBank(), preset = selectedPreset();
    auto levels = controller.withLibrary ([&] (ShowLibrary& library) { return library.getLevels (bank, preset); });
    const auto editable = levels.has_value() && preset != ShowLibrary::offPresetName;
    const auto first = juce::jmax (0, pageBox.getSelectedItemIndex()) * channelsPerPage;

    for (int i = 0; i < channelsPerPage; ++i)
    {
        channelLabels[i]->setText (juce::String (first + i + 1), juce::dontSendNotification);
        levelSliders[i]->setValue (levels ? (*levels)[(size_t) (first + i)] : 0, juce::dontSendNotification);
        levelSliders[i]->setEnabled (editable);
    }
}

void ControllerEditor::bankSelected()
{
    refreshPresets();
}

void ControllerEditor::presetSelected()
{
    refreshSliders();
}

void ControllerEditor::edited()
{
    controller.markChanged();
}

juce::String ControllerEditor::selectedBank() const
{
    return bankModel->names[bankList.getSelectedRow()];
}

juce::String ControllerEditor::selectedPreset() const
{
    return presetModel->names[presetList.getSelectedRow()];
}

juce::String ControllerEditor::enteredName() const
{
    return nameField.getText();
}

//==============================================================================
void ControllerEditor::newShow()
{
    controller.withLibrary ([this] (ShowLibrary& library)
    {
        library.loadShow (library.addShow (enteredName()));
        edited();
        return 0;
    });
    refreshAll();
}

void ControllerEditor::renameShow()
{
    controller.withLibrary ([this] (ShowLibrary& library)
    {
        if (library.renameShow (library.getCurrentShowName(), enteredName()))
            edited();
        return 0;
    });
    refreshAll();
}

void ControllerEditor::deleteShow()
{
    controller.withLibrary ([this] (ShowLibrary& library)
    {
        if (library.deleteShow (library.getCurrentShowName()))
            edited();
        return 0;
    });
    refreshAll();
}

void ControllerEditor::newBank()
{
    auto name = controller.withLibrary ([this] (ShowLibrary& library)
    {
        edited();
        return library.addBank (enteredName());
    });
    refreshAll();
    bankList.selectRow (bankModel->names.indexOf (name));
}

void ControllerEditor::renameBank()
{
    auto name = controller.withLibrary ([this] (ShowLibrary& library)
    {
        auto result = library.renameBank (selectedBank(), enteredName());
        if (result)
            edited();
        return result;
    });
    refreshAll();
    if (name)
        bankList.selectRow (bankModel->names.indexOf (*name));
}

void ControllerEditor::deleteBank()
{
    controller.withLibrary ([this] (ShowLibrary& library)
    {
        if (library.deleteBank (selectedBank()))
            edited();
        return 0;
    });
    refreshAll();
}

void ControllerEditor::newPreset (bool copySelected)
{
    const auto bank = selectedBank();
    auto name = controller.withLibrary ([&] (ShowLibrary& library)
    {
        auto levels = library.getLevels (bank, selectedPreset());
        auto result = library.addPreset (bank, copySelected && levels ? selectedPreset() + " copy" : enteredName(),
                                         copySelected && levels ? &*levels : nullptr);
        if (result)
            edited();
        return result;
    });
    refreshAll();
    if (name)
        presetList.selectRow (presetModel->names.indexOf (*name));
}

void ControllerEditor::renamePreset()
{
    auto name = controller.withLibrary ([this] (ShowLibrary& library)
    {
        auto result = library.renamePreset (selectedBank(), selectedPreset(), enteredName());
        if (result)
            edited();
        return result;
    });
    refreshAll();
    if (name)
        presetList.selectRow (presetModel->names.indexOf (*name));
}

void ControllerEditor::deletePreset()
{
    controller.withLibrary ([this] (ShowLibrary& library)
    {
        if (library.deletePreset (selectedBank(), selectedPreset()))
            edited();
        return 0;
    });
    refreshAll();
}

void ControllerEditor::recall()
{
    liveBank = selectedBank();
    livePreset = selectedPreset();
    controller.triggerPreset (liveBank, livePreset, (float) fadeSlider.getValue());
}

void ControllerEditor::levelChanged (int channelOnPage)
{
    const auto channel = juce::jmax (0, pageBox.getSelectedItemIndex()) * channelsPerPage + channelOnPage;
    const auto bank = selectedBank(), preset = selectedPreset();
    const auto level = (std::uint8_t) juce::jlimit (0, 255, juce::roundToInt (levelSliders[channelOnPage]->getValue()));

    controller.withLibrary ([&] (ShowLibrary& library)
    {
        if (library.setLevel (bank, preset, channel, level))
            edited();
        return 0;
    });
    seenChangeCount = controller.getChangeCount(); // our own edit: no need to rebuild the lists

    // The preset on stage follows its edits at once.
    if (bank == liveBank && preset == livePreset)
        controller.triggerPreset (bank, preset, 0.0f);
}

//==============================================================================
void ControllerEditor::refreshOutputSettings()
{
    const auto settings = controller.withLibrary ([] (ShowLibrary& library) { return library.getOutputSettings(); });
    dmxToggle.setToggleState (settings.enabled, juce::dontSendNotification);
    universeSlider.setValue (settings.universe, juce::dontSendNotification);
    universeSlider.setEnabled (settings.enabled);
}

void ControllerEditor::outputSettingsChanged()
{
    const lighting::DmxOutputSettings wanted { dmxToggle.getToggleState(),
                                               juce::roundToInt (universeSlider.getValue()) };
    controller.withLibrary ([&] (ShowLibrary& library)
    {
        if (library.getOutputSettings() != wanted)
        {
            library.setOutputSettings (wanted);
            edited();
        }
        return 0;
    });
    seenChangeCount = controller.getChangeCount(); // our own edit: no need to rebuild the lists
    universeSlider.setEnabled (wanted.enabled);
}
