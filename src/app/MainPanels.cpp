#include "app/MainPanels.h"

#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
#include "editor/SongEditor.h"
#include "editor/Timeline.h"
#include "library/LightShowList.h"
#include "library/LibraryWindow.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "ui/ColourScheme.h"

SongEditor* songEditor = nullptr;
LightShowList* lightShowList = nullptr;

//==============================================================================
RightPanel::RightPanel() : ColouredBox ("ColouredBox", lighterColour)
{
    auto* list = new LightShowList();
    auto* editor = new SongEditor();
    auto* player = new SetPlayer(); // sets the global setPlayer

    views[lightshowListPanel] = list;
    views[songEditorPanel] = editor;
    views[setPlayerPanel] = player;

    for (auto* view : views)
        addChildComponent (view);

    songEditor = editor;
    lightShowList = list;
}

void RightPanel::resized()
{
    for (auto* view : views)
        view->setBounds (getLocalBounds());
}

void RightPanel::lookAndFeelChanged()
{
    colour = lighterColour;
    repaint();
}

//==============================================================================
HorPanel::HorPanel (juce::AudioDeviceManager& deviceManager) : ColouredBox ("ColouredBox", lighterColour)
{
    graphComponent = new GraphDocumentComponent (&deviceManager);
    addChildComponent (graphComponent); // never visible

    addAndMakeVisible (new LibraryPanel()); // sets the global libraryPanel

    layout.setItemLayout (0, -0.1, -0.8, -0.25);
    layout.setItemLayout (1, 6, 6, 6);
    layout.setItemLayout (2, -0.1, -0.8, -0.75);

    resizerBar = new juce::StretchableLayoutResizerBar (&layout, 1, true);
    addAndMakeVisible (resizerBar);

    rightPanel = new RightPanel();
    addAndMakeVisible (rightPanel);

    // Tracks dragged from the track tree into a show are the selected ones, in order.
    if (setPlayer != nullptr)
        setPlayer->timeline->selectedTracksProvider = []
        {
            juce::Array<int> ids;
            if (libraryPanel != nullptr)
                for (auto id : libraryPanel->tabs->getIdsOfSelectedTracks())
                    ids.add (id);
            return ids;
        };
}

void HorPanel::resized()
{
    if (showLibrary)
    {
        juce::Component* items[] = { libraryPanel, resizerBar, rightPanel };
        layout.layOutComponents (items, 3, 0, 0, getWidth(), getHeight(), false, true);
    }
    else
    {
        rightPanel->setBounds (getLocalBounds());
    }
}

void HorPanel::lookAndFeelChanged()
{
    colour = lighterColour;
    repaint();
}

//==============================================================================
VertPanel::VertPanel (juce::AudioDeviceManager& deviceManager) : ColouredBox ("ColouredBox", lighterColour)
{
    horPanel = new HorPanel (deviceManager);
    addAndMakeVisible (horPanel);

    layout.setItemLayout (0, -0.1, -0.8, -0.6);
    layout.setItemLayout (1, 6, 6, 6);
    layout.setItemLayout (2, -0.1, -0.8, -0.4);

    resizerBar = new juce::StretchableLayoutResizerBar (&layout, 1, false);
    addAndMakeVisible (resizerBar);

    addAndMakeVisible (new Timeline()); // sets the global timeline
}

VertPanel::~VertPanel()
{
    // The views' globals go with them.
    libraryPanel = nullptr;
    songEditor = nullptr;
    lightShowList = nullptr;
    // Children (the graph component first among them) are deleted by ColouredBox.
}

void VertPanel::restoreTimeline()
{
    if (timeline != nullptr && timeline->getParentComponent() != this)
        addAndMakeVisible (timeline);
}

void VertPanel::resized()
{
    if (showTimeline)
    {
        juce::Component* items[] = { horPanel, resizerBar, timeline };
        layout.layOutComponents (items, 3, 0, 0, getWidth(), getHeight(), true, true);
    }
    else
    {
        horPanel->setBounds (getLocalBounds());
    }
}

void VertPanel::lookAndFeelChanged()
{
    colour = lighterColour;
    repaint();
}
