#include "library/LightShowList.h"

#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "app/MainPanels.h"
#include "app/StartupSettings.h"
#include "app/TipDialog.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "data/SqlText.h"
#include "editor/Timeline.h"
#include "library/LibraryWindow.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "ui/ColourScheme.h"
#include "ui/FontFallback.h"
#include "ui/UserDialogs.h"

namespace
{
void refusal (const juce::String& title, const juce::String& text)
{
    userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, title, text, {}, dialogOwner());
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

const char* const noDescription = "<double-click to enter a description>";
} // namespace

//==============================================================================
LsList::LsList() : juce::ListBox ("Lightshows", nullptr)
{
    setModel (this);
    setColour (juce::ListBox::backgroundColourId, juce::Colours::yellow);
}

void LsList::reloadFromDb (int audioFileId, juce::String selectName)
{
    if (selectName.isEmpty())
        selectName = getSelectedName();

    names.clear();
    ids.clear();
    updateContent();

    int selectRowIndex = 0;
    for (auto& lightShow : AudioFileModel (audioFileId).getLightShows())
    {
        const auto name = lightShow.getStringField ("Name");
        if (name == selectName)
            selectRowIndex = (int) names.size();
        names.push_back (name);
        ids.push_back (lightShow.id);
    }
    updateContent();
    repaint();

    if (! names.empty())
    {
        selectRow (selectRowIndex, false, true);
        scrollToEnsureRowIsOnscreen (selectRowIndex);
    }
    sendChangeMessage();
}

int LsList::getSelectedId() const
{
    const auto row = getSelectedRow();
    return juce::isPositiveAndBelow (row, (int) ids.size()) ? ids[(size_t) row] : -1;
}

juce::String LsList::getSelectedName() const
{
    const auto row = getSelectedRow();
    return juce::isPositiveAndBelow (row, (int) names.size()) ? names[(size_t) row] : juce::String();
}

void LsList::paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool rowIsSelected)
{
    g.fillAll (rowIsSelected ? complementColour : darkerColour);
    if (! juce::isPositiveAndBelow (row, (int) names.size()))
        return;
    g.setColour (rowIsSelected ? textInvColour : textColour);
    g.setFont (raFont (defFontSz));
    g.drawText (names[(size_t) row], 5, 0, width - 10, height, juce::Justification::centredLeft, true);
}

void LsList::selectedRowsChanged (int)
{
    sendChangeMessage();
}

void LsList::listBoxItemDoubleClicked (int row, const juce::MouseEvent&)
{
    renameRow (row);
}

void LsList::renameRow (int row)
{
    if (! juce::isPositiveAndBelow (row, (int) ids.size()))
        return;

    auto answer = userDialogs().askForFields ("Edit lightshow name...", { { "Name", names[(size_t) row], "Name" } },
                                              dialogOwner());
    if (! answer.has_value())
        return;

    LightShowModel (ids[(size_t) row]).setStringField ("Name", (*answer)[0]);
    names[(size_t) row] = (*answer)[0];
    repaintRow (row);
}

//==============================================================================
DescLabel::DescLabel()
{
    setReadOnly (true);
    setMultiLine (true, true);
    setFont (raFont (defFontSz));
    setScrollBarThickness (16);
    setColour (juce::TextEditor::backgroundColourId, darkerColour);
    setCaretVisible (false);
}

void DescLabel::mouseDoubleClick (const juce::MouseEvent&)
{
    sendChangeMessage();
}

void DescLabel::lookAndFeelChanged()
{
    juce::TextEditor::lookAndFeelChanged();
    setColour (juce::TextEditor::backgroundColourId, darkerColour);
}

//==============================================================================
LsInfoPanel::LsInfoPanel() : ColouredBox ("LsInfoPanel", darkerColour)
{
    addAndMakeVisible (descLabel);
    descLabel.addChangeListener (this);
}

LsInfoPanel::~LsInfoPanel()
{
    descLabel.removeChangeListener (this);
}

void LsInfoPanel::showLightShow (int id)
{
    lightShowId = id;
    const auto note = id != -1 ? LightShowModel (id).getStringField ("Note") : juce::String();
    descLabel.setText (note.isEmpty() && id != -1 ? juce::String (noDescription) : note, false);
}

void LsInfoPanel::editDescription()
{
    if (lightShowId == -1)
        return;

    auto text = userDialogs().askForTextBlock ("Edit lightshow description:",
                                               LightShowModel (lightShowId).getStringField ("Note"), 400, 150,
                                               dialogOwner());
    if (! text.has_value())
        return;

    LightShowModel (lightShowId).setStringField ("Note", *text);
    showLightShow (lightShowId);
}

void LsInfoPanel::resized()
{
    descLabel.setBounds (getLocalBounds());
}

void LsInfoPanel::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == &descLabel)
        editDescription();
}

//==============================================================================
LsMemoPanel::LsMemoPanel() : ColouredBox ("LsMemoPanel", darkestColour)
{
    label.setFont (juce::Font (raFontName, memoFontSz, juce::Font::bold));
    label.setJustificationType (juce::Justification::centred);
    label.setMinimumHorizontalScale (0.75f);
    addAndMakeVisible (label);
    editorMemoDisplay = this;
}

LsMemoPanel::~LsMemoPanel()
{
    if (editorMemoDisplay == this)
        editorMemoDisplay = nullptr;
}

void LsMemoPanel::setMemoLbl (const juce::String& text)
{
    label.setFont (juce::Font (raFontName, memoFontSz, juce::Font::bold));
    label.setJustificationType (juce::Justification::centred);

    auto shown = text;
    if (text.contains ("[LEFT]"))
    {
        shown = text.fromFirstOccurrenceOf ("[LEFT]", false, false);
        label.setJustificationType (juce::Justification::centredLeft);
        label.setFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), memoFontSz, juce::Font::plain));
    }
    // Lyrics in other scripts, symbols and emoji get a typeface that has them.
    label.setFont (fontfallback::fontFor (shown, label.getFont()));
    label.setText (shown, juce::sendNotification);
}

void LsMemoPanel::resized()
{
    label.setBounds (getLocalBounds().reduced (10));
}

//==============================================================================
LightShowList::LightShowList()
    : ColouredBox ("LightShowList", darkestColour), toolbar1 (darkestColour), toolbar2 (darkestColour)
{
    editBtn = toolbar1.addButton ("Edit", this, "edit_48x.png", false);
    newBtn = toolbar1.addButton ("New", this, "add_48x.png", false);
    copyBtn = toolbar1.addButton ("Copy", this, "copy_48x.png", false);
    deleteBtn = toolbar1.addButton ("Delete", this, "close_48x.png", false);
    rewindBtn = toolbar2.addButton ("Rewind (Esc)", this, "first_48x.png", false);
    playBtn = toolbar2.addButton ("Play (space)", this, "play_48x.png", false);
    loopBtn = toolbar2.addButton ("Loop (o)", this, "reload_48x.png", false);
    playBtn->setClickingTogglesState (true);
    loopBtn->setClickingTogglesState (true);

    titleLabel.setText ("- no track loaded -", juce::dontSendNotification);
    titleLabel.setFont (raFont (largeFontSz));
    titleLabel.setJustificationType (juce::Justification::centred);

    clickButton.setEnabled (false);
    clickButton.addListener (this);
    list.addChangeListener (this);

    for (juce::Component* c : std::initializer_list<juce::Component*> {
             &toolbar1, &toolbar2, &memoPanel, &infoPanel, &titleLabel, &list, &clickButton, &clickLabel })
        addAndMakeVisible (c);

    if (filePlayer != nullptr)
    {
        filePlayer->addChangeListener (this);
        listenedPlayer = filePlayer;
    }
    clear();
}

LightShowList::~LightShowList()
{
    list.removeChangeListener (this);
    clickButton.removeListener (this);
    if (listenedPlayer != nullptr && listenedPlayer == filePlayer)
        filePlayer->removeChangeListener (this);
}

void LightShowList::clear()
{
    list.names.clear();
    list.ids.clear();
    list.updateContent();
    list.repaint();
    infoPanel.showLightShow (-1);
    memoPanel.setMemoLbl ("double click on a track");
}

void LightShowList::openTrack (int newAudioFileId)
{
    // The players may be built after this view.
    if (listenedPlayer != filePlayer && filePlayer != nullptr)
    {
        filePlayer->addChangeListener (this);
        listenedPlayer = filePlayer;
    }

    loopBtn->setToggleState (false, juce::dontSendNotification);
    // The waveform shows the whole track, as a preview, until a lightshow is chosen.
    if (timeline != nullptr)
    {
        timeline->editor->trimStart = timeline->editor->trimEnd = 0;
        timeline->editor->readOnly = true;
        timeline->editor->repaint();
    }

    audioFileId = newAudioFileId;
    const AudioFileModel track (newAudioFileId);
    list.reloadFromDb (newAudioFileId, {});
    titleLabel.setText ("Lightshows for " + track.getFolder() + " - " + track.getStringField ("Name"),
                        juce::dontSendNotification);
    memoPanel.setMemoLbl (track.getFolder() + "\n" + track.getStringField ("Name"));
    clickButton.setEnabled (true);

    const auto clickId = track.getClickTrackID();
    clickLabel.setText (clickId >= 1 ? AudioFileModel (clickId).getStringField ("Name")
                                     : juce::String ("<no click track defined>"),
                        juce::dontSendNotification);
}

//==============================================================================
void LightShowList::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == &list)
    {
        const auto id = list.getSelectedId();
        if (id == -1)
            return;

        infoPanel.showLightShow (id);
        if (timeline != nullptr)
            timeline->loadLightShow (id, false);

        const LightShowModel lightShow (id);
        const auto trimStart = lightShow.getFloatField ("TrimStart"), trimEnd = lightShow.getFloatField ("TrimEnd");
        for (auto* player : { filePlayer, filePlayerB })
            if (player != nullptr)
                player->setTrimTimes (trimStart, trimEnd);
        return;
    }

    if (source == filePlayer && filePlayer != nullptr)
    {
        const auto playing = filePlayer->isPlaying();
        if (playBtn->getToggleState() != playing)
            showPlaying (playing);
        if (loopBtn->getToggleState() != filePlayer->looping.load())
            loopBtn->setToggleState (filePlayer->looping.load(), juce::dontSendNotification);
    }
}

void LightShowList::showPlaying (bool playing)
{
    playBtn->setToggleState (playing, juce::dontSendNotification);
    playBtn->setButtonText (playing ? "Pause (space)" : "Play (space)");
    playBtn->setIcon (playing ? "pause_48x.png" : "play_48x.png");
}

void LightShowList::buttonClicked (juce::Button* button)
{
    if (button == playBtn)
    {
        if (filePlayer != nullptr && filePlayer->isPlaying())
        {
            RaTracks::stop (fadeTime);
            showPlaying (false);
        }
        else
        {
            for (auto* player : { filePlayer, filePlayerB })
                if (player != nullptr)
                    player->play (fadeTime);
            showPlaying (true);
        }
    }
    else if (button == rewindBtn)
    {
        RaTracks::stop (fadeTime);
        RaTracks::setCurrentTime (0);
    }
    else if (button == loopBtn)
    {
        const auto loopingNow = filePlayer != nullptr && filePlayer->isPlaying() && filePlayer->loopOnLoad;
        if (loopBtn->getToggleState() != loopingNow)
            RaTracks::toggleLooping();
    }
    else if (button == newBtn)
        newLightShow();
    else if (button == copyBtn)
        copyLightShow();
    else if (button == deleteBtn)
        deleteLightShow();
    else if (button == editBtn)
        editLightShow();
    else if (button == &clickButton)
        chooseClickTrack();
}

void LightShowList::newLightShow()
{
    if (audioFileId == -1)
    {
        refusal ("No song loaded", "Please double-click a song in the Track Library first");
        return;
    }

    auto answer = userDialogs().askForFields ("Enter the new lightshow name:", { { "Name", {}, "Name" } }, dialogOwner());
    if (! answer.has_value())
        return;

    const auto name = (*answer)[0];
    if (name.isEmpty())
    {
        refusal ("Invalid lightshow name", "Please type a name for your lightshow");
        return;
    }

    LightShowModel().createLightShow (audioFileId, name, "", "", 120.0f);
    list.reloadFromDb (audioFileId, name);
}

void LightShowList::copyLightShow()
{
    const auto id = list.getSelectedId();
    if (id == -1)
    {
        refusal ("No lightshow selected", "Please select a lightshow in the list first");
        return;
    }

    auto answer = userDialogs().askForFields ("Enter the name of the lightshow copy:",
                                              { { "Name", list.getSelectedName() + " (copy)", "Name" } },
                                              dialogOwner());
    if (! answer.has_value())
        return;

    // The description shown is the note, unless it is the hint for an empty one.
    auto note = infoPanel.descLabel.getText();
    if (note == noDescription)
        note.clear();

    const auto name = (*answer)[0];
    LightShowModel (id).copyLightShow (name, note);
    list.reloadFromDb (audioFileId, name);
}

void LightShowList::deleteLightShow()
{
    const auto id = list.getSelectedId();
    if (id == -1)
    {
        refusal ("No lightshow selected", "Please select a lightshow in the list first");
        return;
    }
    if (list.ids.size() == 1)
    {
        refusal ("Cannot delete!", "Each song must have at least one lightshow");
        return;
    }

    LightShowModel lightShow (id);
    const auto n = lightShow.getNumDependentSets();
    const auto question = n < 1 ? juce::String ("This lightshow is not used in any shows. Do you want to delete it?")
                                : "This lightshow is used in " + juce::String (n)
                                      + " shows!\n\nDo you really want to delete it?";
    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::NoIcon, "Delete ", question, "Yes", "No",
                                         dialogOwner()))
        return;

    // The show entries that play it go with it: a show never keeps a song whose
    // lightshow is gone. One undo step brings all of it back.
    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Delete Lightshow");
    if (n > 0)
        db.execQuery (formatSql ("DELETE FROM SetElements WHERE LightShowID=%d", { id }));
    lightShow.deleteLightShow();
    db.endTransaction();

    list.reloadFromDb (audioFileId, {});
    if (setPlayer != nullptr && n > 0)
        setPlayer->timeline->refreshFromDb (false);
}

void LightShowList::editLightShow()
{
    const auto id = list.getSelectedId();
    if (id == -1)
    {
        refusal ("No lightshow selected", "Please select a lightshow in the list first");
        return;
    }

    if (mainWindow != nullptr)
        mainWindow->switchToWindow (songEditorPanel, id);

    ShowTipDialog ("selLightShow",
                   "If you have several shows in Viduroz Idav or VOVIR, pick the one you want to use for lighting cues "
                   "from the menu labeled 'Use lighting show' above.",
                   dialogOwner());
    ShowTipDialog ("tempo",
                   "The tempo you set in the slider above will be transferred to Raziviz Avodoru or VOVIR. Make sure "
                   "to adjust it to match your song for synchronized lighting effects.",
                   dialogOwner());
}

void LightShowList::chooseClickTrack()
{
    if (audioFileId == -1)
        return;

    AudioFileModel track (audioFileId);
    if (track.getClickTrackID() >= 1)
    {
        const auto answer = userDialogs().showYesNoCancelBox (
            juce::MessageBoxIconType::NoIcon, "This track already has a click!",
            "Do you want to select a new click, or forget the current click?", "Select new click",
            "Forget existing click", "Cancel", dialogOwner());
        if (answer == 0)
            return;

        track.deleteClickTrack();
        if (libraryPanel != nullptr)
            libraryPanel->tabs->doRefresh();
        if (answer == 2)
            return;
    }

    refusal ("Select your click track...",
             "Note that a click track should have the same audio format and length as the backing track!");

    auto* settings = userSettings();
    const auto last = settings != nullptr ? settings->getValue ("clickChooserDir") : juce::String();
    const auto initial = last.isNotEmpty() ? juce::File (last)
                                           : juce::File::getSpecialLocation (juce::File::userDocumentsDirectory);
    auto chosen = userDialogs().chooseFileToOpen ("Choose the click track...", initial, "*.*");
    if (! chosen.has_value())
        return;

    LibraryTabs::addNewClickTrack (audioFileId, chosen->getFullPathName());
    if (settings != nullptr)
        settings->setValue ("clickChooserDir", chosen->getFullPathName());
}

//==============================================================================
void LightShowList::resized()
{
    const auto w = getWidth(), h = getHeight();
    const auto a = (w - 50) / 2, b = (h - 45) / 3;
    titleLabel.setBounds (10, 10, w - 20, 25);
    list.setBounds (15, 45, a, b);
    infoPanel.setBounds (a + 30, 45, a, b);
    toolbar1.setBounds (10, b + 50, a, toolbar1.getHeight());
    toolbar2.setBounds (a + 30, b + 50, a, toolbar2.getHeight());
    const auto y = b + toolbar1.getHeight() + 52;
    memoPanel.setBounds (10, y, w - 20, h - y - 10);

    const auto m = juce::jmin (h, 60), c = juce::jmax (w - 20, 0);
    const auto buttonWidth = juce::jmin (c, 90);
    clickButton.setBounds (10, h - m + 10, buttonWidth, juce::jmax (m, 20) - 20);
    const auto gap = juce::jmin (c - buttonWidth, 10);
    clickLabel.setBounds (10 + buttonWidth + gap, h - m + 10, c - buttonWidth - gap, juce::jmax (m, 20) - 20);
}

void LightShowList::paint (juce::Graphics& g)
{
    ColouredBox::paint (g);
    drawBevel (g, list.getBounds());
    drawBevel (g, infoPanel.getBounds());
}

void LightShowList::lookAndFeelChanged()
{
    colour = darkestColour;
    repaint();
}
