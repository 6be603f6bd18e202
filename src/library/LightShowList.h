#pragma once

#include "editor/MemoDisplay.h"
#include "ui/Widgets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

/** The names of the open track's lightshows; a change message tells the view
    that the selection changed. */
class LsList final : public juce::ListBox, public juce::ListBoxModel, public juce::ChangeBroadcaster
{
public:
    LsList();

    /** Refills the list with the track's lightshows and selects the last one
        named selectName (empty: the name selected now), else row 0. */
    void reloadFromDb (int audioFileId, juce::String selectName);

    /** The selected row's lightshow, -1 when none. */
    int getSelectedId() const;
    juce::String getSelectedName() const;

    int getNumRows() override { return (int) names.size(); }
    void paintListBoxItem (int row, juce::Graphics& g, int width, int height, bool rowIsSelected) override;
    void selectedRowsChanged (int lastRowSelected) override;
    void listBoxItemDoubleClicked (int row, const juce::MouseEvent& e) override;

    /** Asks for a new name of a row's lightshow (a double click on the row). */
    void renameRow (int row);

    std::vector<juce::String> names;
    std::vector<int> ids;
};

/** The read-only description of the selected lightshow; a double click asks to edit it. */
class DescLabel final : public juce::TextEditor, public juce::ChangeBroadcaster
{
public:
    DescLabel();
    void mouseDoubleClick (const juce::MouseEvent& e) override;
    void lookAndFeelChanged() override;
};

/** Holds the description of the selected lightshow. */
class LsInfoPanel final : public ColouredBox, public juce::ChangeListener
{
public:
    LsInfoPanel();
    ~LsInfoPanel() override;

    /** Shows the lightshow's description. */
    void showLightShow (int id);

    /** Opens the description dialog; OK stores the text. */
    void editDescription();

    void resized() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    int lightShowId = -1;
    DescLabel descLabel;
};

/** The large memo text shown while the track plays. */
class LsMemoPanel final : public ColouredBox, public MemoDisplay
{
public:
    LsMemoPanel();
    ~LsMemoPanel() override;

    void setMemoLbl (const juce::String& text) override;
    void resized() override;

    juce::Label label;
};

/** The right-hand view after a track was opened from the track library: its
    lightshows, the selected one's description, the buttons that make, copy,
    rename, delete and edit lightshows, the click-track choice, and the
    transport to audition the track with its memos. The global lightShowList
    points to the one instance. */
class LightShowList final : public ColouredBox, public juce::Button::Listener, public juce::ChangeListener
{
public:
    LightShowList();
    ~LightShowList() override;

    /** Empties the list ("double click on a track" in the memo panel). */
    void clear();

    /** Takes a track opened from the track library. */
    void openTrack (int newAudioFileId);

    void resized() override;
    void paint (juce::Graphics& g) override;
    void lookAndFeelChanged() override;
    void buttonClicked (juce::Button* button) override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    void newLightShow();
    void copyLightShow();
    void deleteLightShow();
    void editLightShow();
    void chooseClickTrack();

    int audioFileId = -1;
    VovirToolbar toolbar1, toolbar2;
    VovirButton* editBtn = nullptr;
    VovirButton* newBtn = nullptr;
    VovirButton* copyBtn = nullptr;
    VovirButton* deleteBtn = nullptr;
    VovirButton* rewindBtn = nullptr;
    VovirButton* playBtn = nullptr;
    VovirButton* loopBtn = nullptr;
    LsMemoPanel memoPanel;
    LsInfoPanel infoPanel;
    juce::Label titleLabel;
    LsList list;
    juce::TextButton clickButton { "Click track..." };
    juce::Label clickLabel;

private:
    void showPlaying (bool playing);

    juce::ChangeBroadcaster* listenedPlayer = nullptr;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LightShowList)
};
