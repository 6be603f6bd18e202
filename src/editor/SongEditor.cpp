#include "editor/SongEditor.h"

#include "app/MainHostWindow.h"
#include "app/MainPanels.h"
#include "app/ShellState.h"
#include "app/StartupSettings.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "data/SqlText.h"
#include "editor/MemoDialog.h"
#include "editor/Timeline.h"
#include "lighting/VovirLink.h"
#include "ui/ColourScheme.h"
#include "ui/UserDialogs.h"

#include <cmath>

namespace
{
void selectCueInSongEditor (const juce::String& bank, const juce::String& preset)
{
    if (auto* editor = dynamic_cast<SongEditor*> (songEditor))
        editor->selectBankAndPreset (bank, preset);
}

void drawBevel (juce::Graphics& g, juce::Rectangle<int> r)
{
    const auto outer = r.expanded (2);
    g.setColour (juce::Colours::black);
    g.fillRect (outer.getX(), outer.getY(), outer.getWidth(), 2);
    g.fillRect (outer.getX(), outer.getY(), 2, outer.getHeight());
    g.setColour (juce::Colours::white);
    g.fillRect (outer.getX(), outer.getBottom() - 2, outer.getWidth(), 2);
    g.fillRect (outer.getRight() - 2, outer.getY(), 2, outer.getHeight());
}

WaveEditor* waveEditor()
{
    return timeline != nullptr ? timeline->editor : nullptr;
}
} // namespace

//==============================================================================
NameList::NameList (const juce::String& name, juce::Colour background) : juce::ListBox (name, nullptr)
{
    setModel (this);
    setColour (juce::ListBox::backgroundColourId, background);
}

void NameList::setNames (std::vector<juce::String> newNames)
{
    names = std::move (newNames);
    const juce::ScopedValueSetter<bool> silently (quiet, true);
    deselectAllRows();
    updateContent();
    repaint();
}

juce::String NameList::getSelectedName() const
{
    const auto row = getSelectedRow();
    return juce::isPositiveAndBelow (row, (int) names.size()) ? names[(size_t) row] : juce::String();
}

void NameList::selectName (const juce::String& name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
        {
            {
                const juce::ScopedValueSetter<bool> silently (quiet, true);
                selectRow ((int) i);
            }
            sendSynchronousChangeMessage();
            return;
        }
}

void NameList::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool rowIsSelected)
{
    g.fillAll (rowIsSelected ? complementColour : darkerColour);
    if (! juce::isPositiveAndBelow (row, (int) names.size()))
        return;
    g.setColour (rowIsSelected ? textInvColour : textColour);
    g.setFont (raFont (defFontSz));
    g.drawText (names[(size_t) row], 5, 0, width - 10, height, juce::Justification::centredLeft, true);
}

void NameList::selectedRowsChanged (int)
{
    if (! quiet)
        sendChangeMessage();
}

PresetsList::PresetsList() : NameList ("Presets", lighterColour)
{
}

juce::var PresetsList::getDragSourceDescription (const juce::SparseSet<int>&)
{
    return "VOVIR Preset";
}

//==============================================================================
BpmSlider::BpmSlider()
{
    setName ("Bpm Slider");
    setSliderStyle (juce::Slider::LinearBar);
    setRange (0.0, 300.0, 0.0);
    setColour (juce::Slider::trackColourId, lighterColour);
}

juce::String BpmSlider::getTextFromValue (double value)
{
    return juce::String::formatted (learning ? "Learning: %.2f" : "%.2f", value);
}

VolumeKnob::VolumeKnob()
{
    setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    setTextBoxStyle (juce::Slider::NoTextBox, true, 0, 0);
    setRange (-60.0, 20.0, 0.0);
    setSkewFactorFromMidPoint (0.0);
    setPopupDisplayEnabled (true, true, nullptr, 2000);
}

juce::String VolumeKnob::getTextFromValue (double value)
{
    return juce::String::formatted ("%.2f dB", value);
}

//==============================================================================
SongEditor::SongEditor() : ColouredBox ("SongEditor", darkestColour), toolbar (darkestColour)
{
    titleLabel.setText ("- Select a track in the library -", juce::dontSendNotification);
    titleLabel.setFont (raFont (largeFontSz));
    titleLabel.setJustificationType (juce::Justification::centred);
    showLabel.setText ("Use lighting show:", juce::dontSendNotification);
    tempoLabel.setText ("Tempo:", juce::dontSendNotification);
    volumeLabel.setText ("Volume:", juce::dontSendNotification);
    banksLabel.setText ("Banks", juce::dontSendNotification);
    banksLabel.setJustificationType (juce::Justification::centred);
    presetsLabel.setText ("Presets (drag to timeline)", juce::dontSendNotification);
    presetsLabel.setJustificationType (juce::Justification::centred);

    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &titleLabel, &showLabel, &showBox, &tempoLabel, &bpmSlider, &tapButton, &volumeLabel, &volumeKnob,
             &banksLabel, &presetsLabel, &banksList, &presetsList, &toolbar })
        addAndMakeVisible (c);

    showBox.addListener (this);
    bpmSlider.addListener (this);
    volumeKnob.addListener (this);
    tapButton.addListener (this);
    banksList.addChangeListener (this);
    presetsList.addChangeListener (this);

    okBtn = toolbar.addButton ("Done", this, "ok_48.png", false);
    memoBtn = toolbar.addButton ("Add memo", this, "add_48x.png", false);
    deleteBtn = toolbar.addButton ("Delete selected", this, "close_48x.png", false);
    rewindBtn = toolbar.addButton ("Rewind (esc)", this, "first_48x.png", true);
    playBtn = toolbar.addButton ("Play (space)", this, "play_48x.png", true);
    loopBtn = toolbar.addButton ("Loop (o)", this, "reload_48x.png", true);
    okBtn->iconMargin = memoBtn->iconMargin = 5.0f;
    loopBtn->setClickingTogglesState (true);

    if (filePlayer != nullptr)
    {
        filePlayer->addChangeListener (this);
        listenedPlayer = filePlayer;
    }

    lastTapTime = juce::Time::getMillisecondCounter();
    selectCueHook = selectCueInSongEditor;
    startTimer (100);
}

SongEditor::~SongEditor()
{
    stopTimer();
    if (selectCueHook == selectCueInSongEditor)
        selectCueHook = nullptr;
    if (listenedPlayer != nullptr && listenedPlayer == filePlayer)
        filePlayer->removeChangeListener (this);
    banksList.removeChangeListener (this);
    presetsList.removeChangeListener (this);
}

//==============================================================================
void SongEditor::loadLightShow (int id)
{
    lightShowId = id;
    const LightShowModel lightShow (id);
    const AudioFileModel track (lightShow.getIntField ("AudioFileID"));
    titleLabel.setText ("Editing " + track.getFolder() + " - " + track.getStringField ("Name") + " - "
                            + lightShow.getStringField ("Name"),
                        juce::dontSendNotification);

    showBox.clear (juce::dontSendNotification);
    showBox.addItem ("Default Show", 1);
    if (vovirApi != nullptr)
    {
        const auto current = vovir::nameFromController (vovirApi->getCurrentShowName());
        if (current == "Default Show")
            showBox.setSelectedId (1, juce::dontSendNotification);
        for (int i = 0; i < vovirApi->getNumShows(); ++i)
        {
            const auto name = vovir::nameFromController (vovirApi->getShowName (i));
            showBox.addItem (name, i + 2);
            if (name == current)
                showBox.setSelectedId (i + 2, juce::dontSendNotification);
        }
    }

    refillBanks();

    if (auto* editor = waveEditor())
    {
        timeline->loadLightShow (id, false);
        editor->readOnly = false;
        editor->repaint();
    }

    const auto tempo = lightShow.getFloatField ("Tempo");
    bpmSlider.setValue (tempo, juce::dontSendNotification);
    storeTempo (tempo, false);

    const auto volume = lightShow.getFloatField ("AudioVolume");
    volumeKnob.setValue (volume, juce::dontSendNotification);
    storeVolume (volume, false);
}

void SongEditor::refillBanks()
{
    std::vector<juce::String> banks;
    if (vovirApi != nullptr)
        for (int i = 0; i < vovirApi->getNumBanks(); ++i)
            banks.push_back (vovir::nameFromController (vovirApi->getBankName (i)));
    banksList.setNames (std::move (banks));
    presetsList.setNames ({});
}

void SongEditor::getCurrentSelection (juce::String& bank, juce::String& preset, bool& bankHasOff) const
{
    bank = banksList.getSelectedName();
    preset = presetsList.getSelectedName();
    const auto& presets = presetsList.getNames();
    bankHasOff = std::find (presets.begin(), presets.end(), juce::String ("Off")) != presets.end();
}

void SongEditor::selectBankAndPreset (const juce::String& bank, const juce::String& preset)
{
    banksList.selectName (bank);
    presetsList.selectName (preset);
}

//==============================================================================
void SongEditor::storeTempo (double bpm, bool write)
{
    if (write && lightShowId != -1)
        LightShowModel (lightShowId).setFloatField ("Tempo", (float) bpm);
    if (auto* editor = waveEditor())
        editor->bpm = (float) bpm;
    if (vovirApi != nullptr)
        vovirApi->setTempo ((float) bpm);
    thePlayHead.bpm = (float) bpm;
}

void SongEditor::storeVolume (double dB, bool write)
{
    if (write && lightShowId != -1)
        LightShowModel (lightShowId).setFloatField ("AudioVolume", (float) dB);
    if (filePlayer != nullptr)
        filePlayer->volumeGain = (float) std::pow (10.0, dB * 0.05);
}

void SongEditor::sliderValueChanged (juce::Slider* slider)
{
    // While a control is dragged its value is heard and sent at once but stored
    // when the drag ends, so that one drag is one undo step.
    const auto write = ! slider->isMouseButtonDown();
    if (slider == &bpmSlider)
    {
        if (! bpmSlider.learning) // a tapped tempo is only shown until learning ends
            storeTempo (bpmSlider.getValue(), write);
    }
    else if (slider == &volumeKnob)
    {
        storeVolume (volumeKnob.getValue(), write);
    }
}

void SongEditor::sliderDragEnded (juce::Slider* slider)
{
    if (slider == &bpmSlider && ! bpmSlider.learning)
        storeTempo (bpmSlider.getValue(), true);
    else if (slider == &volumeKnob)
        storeVolume (volumeKnob.getValue(), true);
}

//==============================================================================
void SongEditor::setLearning (bool shouldLearn)
{
    bpmSlider.learning = shouldLearn;
    bpmSlider.setColour (juce::Slider::trackColourId, shouldLearn ? juce::Colours::green : lighterColour);
    bpmSlider.updateText();
    bpmSlider.repaint();
}

void SongEditor::doTap()
{
    doTap (juce::Time::getMillisecondCounter());
}

void SongEditor::doTap (juce::uint32 now)
{
    const auto d = (double) (now - lastTapTime);
    lastTapTime = now;
    tapIdleTime = 0;

    if (d <= 3000.0)
    {
        if (d <= 0) // two taps within one millisecond say nothing about a tempo
            return;
        const auto bpm = 1000.0 / d * 60.0;
        if (tapCount == 0)
        {
            tapAverage = bpm;
            tapCount = 1;
        }
        else if (std::abs (bpm - tapAverage) > tapAverage / juce::jmin (tapCount, 10.0))
        {
            return; // an outlier: only the time of the tap counts
        }
        else
        {
            tapAverage = (tapAverage * tapCount + bpm) / (tapCount + 1);
            tapCount += 1;
        }
    }
    else
    {
        if (! bpmSlider.learning)
            setLearning (true);
        tapCount = 0;
    }

    if (tapAverage > 0)
        bpmSlider.setValue (tapAverage, juce::dontSendNotification);
    bpmSlider.updateText();
}

void SongEditor::timerCallback()
{
    tapIdleTime += 100;
    if (tapIdleTime > 2000 && bpmSlider.learning)
    {
        tapCount = 0;
        setLearning (false);
        storeTempo (bpmSlider.getValue(), true);
    }

    // The players may be built after this panel.
    if (listenedPlayer != filePlayer)
    {
        listenedPlayer = filePlayer;
        if (filePlayer != nullptr)
            filePlayer->addChangeListener (this);
    }
}

//==============================================================================
void SongEditor::comboBoxChanged (juce::ComboBox* box)
{
    if (box != &showBox || lightShowId == -1)
        return;

    LightShowModel (lightShowId).setStringField ("VovirShowName", showBox.getText());
    if (timeline != nullptr)
        timeline->loadLightShow (lightShowId, true);
    refillBanks();
}

void SongEditor::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (exitRequested)
        return;

    if (source == &banksList)
    {
        std::vector<juce::String> presets;
        const auto bank = banksList.getSelectedName();
        if (vovirApi != nullptr && bank.isNotEmpty())
            for (int i = 0; i < vovirApi->getNumPresets (bank.toRawUTF8()); ++i)
                presets.push_back (vovir::nameFromController (vovirApi->getPresetName (bank.toRawUTF8(), i)));
        presetsList.setNames (std::move (presets));
    }
    else if (source == &presetsList)
    {
        const auto bank = banksList.getSelectedName(), preset = presetsList.getSelectedName();
        if (vovirApi != nullptr && bank.isNotEmpty() && preset.isNotEmpty())
            vovirApi->triggerPreset (bank.toRawUTF8(), preset.toRawUTF8(), 0.0f);
    }
    else if (source == filePlayer && filePlayer != nullptr)
    {
        followPlayer();
    }
}

void SongEditor::followPlayer()
{
    const auto playing = filePlayer->isPlaying();
    if (playBtn->getToggleState() != playing)
    {
        playBtn->setToggleState (playing, juce::dontSendNotification);
        playBtn->setButtonText (playing ? "Pause (space)" : "Play (space)");
        playBtn->setIcon (playing ? "pause_48x.png" : "play_48x.png");
    }
    if (loopBtn->getToggleState() != filePlayer->looping.load())
        loopBtn->setToggleState (filePlayer->looping.load(), juce::dontSendNotification);
}

//==============================================================================
void SongEditor::buttonClicked (juce::Button* button)
{
    if (button == &tapButton)
    {
        doTap();
    }
    else if (button == okBtn)
    {
        if (auto* editor = waveEditor())
        {
            editor->readOnly = true;
            editor->repaint();
        }
        if (mainWindow != nullptr)
            mainWindow->switchToWindow (lightshowListPanel, -1);
        RaDatabase::getInstance()->clearUndoStack();
    }
    else if (button == memoBtn)
    {
        addMemo();
    }
    else if (button == deleteBtn)
    {
        deleteSelected();
    }
    else if (button == rewindBtn)
    {
        RaTracks::stop (fadeTime);
        RaTracks::setCurrentTime (0);
    }
    else if (button == playBtn)
    {
        if (filePlayer != nullptr && filePlayer->isPlaying())
        {
            RaTracks::stop (fadeTime);
            playBtn->setButtonText ("Play (space)");
            playBtn->setIcon ("play_48x.png");
        }
        else
        {
            for (auto* player : { filePlayer, filePlayerB })
                if (player != nullptr)
                    player->play (fadeTime);
            playBtn->setButtonText ("Pause (space)");
            playBtn->setIcon ("pause_48x.png");
        }
    }
    else if (button == loopBtn)
    {
        const auto loopingNow = filePlayer != nullptr && filePlayer->isPlaying() && filePlayer->loopOnLoad;
        if (loopBtn->getToggleState() != loopingNow)
            RaTracks::toggleLooping();
    }
}

void SongEditor::addMemo()
{
    if (lightShowId == -1)
        return;

    MemoFields fields;
    if (! memoDialogs().askForMemo ("Creating new memo:", fields, true))
        return;

    auto* editor = waveEditor();
    const auto time = editor != nullptr ? editor->playPosition + editor->trimStart : 0.0;
    // A memo near the end of the track stops at its end.
    auto length = 4.0;
    if (editor != nullptr && editor->trackLength > 0)
        length = juce::jlimit ((double) 0.1f, 4.0, editor->trackLength - time);

    LightShowModel (lightShowId)
        .addMemo (fields.name, (fields.style == 1 ? "[LEFT]" : "") + fields.text, (float) time, fields.countIn,
                  fields.startMidiEventId, fields.endMidiEventId, (float) length);
    if (editor != nullptr)
        editor->refreshFromDb (false);
}

void SongEditor::deleteSelected()
{
    auto* editor = waveEditor();
    if (editor == nullptr)
        return;

    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::NoIcon, "Delete...",
                                         "Do you want to delete the selected cues & memos?", "Yes", "No",
                                         dialogOwner()))
        return;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Delete Cue/Memo");
    for (auto& cue : timeline->getSelectedCues())
    {
        cue.deleteCue();
        editor->refreshFromDb (false);
    }
    for (auto& memo : timeline->getSelectedMemos())
    {
        db.execQuery (formatSql ("DELETE FROM ShowMemos WHERE ShowMemoID=%d", { memo.id }));
        editor->refreshFromDb (false);
    }
    db.endTransaction();
}

//==============================================================================
void SongEditor::resized()
{
    const auto W = getWidth(), H = getHeight(), M = W / 2;
    titleLabel.setBounds (10, 10, W - 20, 35);
    showLabel.setBounds (10, 60, 120, 28);
    showBox.setBounds (130, 60, M - 150, 28);
    tempoLabel.setBounds (M + 5, 60, 60, 28);
    bpmSlider.setBounds (M + 60, 60, M - 270, 28);
    tapButton.setBounds (W - 200, 60, 80, 28);
    volumeLabel.setBounds (W - 110, 60, 60, 28);
    volumeKnob.setBounds (W - 55, 54, 40, 40);
    banksLabel.setBounds (10, 95, M - 20, 28);
    presetsLabel.setBounds (M + 10, 95, M - 20, 28);
    banksList.setBounds (15, 123, M - 30, H - 183);
    presetsList.setBounds (M + 15, 123, M - 30, H - 183);
    const auto toolbarHeight = toolbar.getHeight() > 0 ? toolbar.getHeight() : 50;
    toolbar.setBounds (10, H - toolbarHeight, W - 25, toolbarHeight);
}

void SongEditor::paint (juce::Graphics& g)
{
    ColouredBox::paint (g);
    for (auto* c : std::initializer_list<juce::Component*> { &showBox, &banksList, &presetsList })
        drawBevel (g, c->getBounds());
}

void SongEditor::lookAndFeelChanged()
{
    colour = darkerColour;
    presetsList.setColour (juce::ListBox::backgroundColourId, lighterColour);
    if (! bpmSlider.learning)
        bpmSlider.setColour (juce::Slider::trackColourId, lighterColour);
    repaint();
}
