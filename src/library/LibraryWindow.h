#pragma once

#include "data/RaDatabase.h"
#include "ui/Widgets.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <map>
#include <vector>

class VovirTreeView;

/** An item with a name, drawn in the program's style; red when its track's file
    is missing. */
class VovirTreeItem : public juce::TreeViewItem
{
public:
    explicit VovirTreeItem (const juce::String& itemName);

    void paintItem (juce::Graphics& g, int width, int height) override;
    int getItemHeight() const override { return itemHeight; }
    juce::String getUniqueName() const override { return name; }

    juce::String name;
    bool valid = true;
    int itemHeight;
};

/** The kinds of library tree items. */
enum LibraryItemKind
{
    trackRootItem = 1,
    trackFolderItem = 2,
    trackItem = 3,
    showRootItem = 4,
    showFolderItem = 5,
    showItem = 6
};

/** An item of the track tree: the root "Songs", a folder, or a track. */
class LibraryTreeItem final : public VovirTreeItem
{
public:
    LibraryTreeItem (VovirTreeView& owner, int itemKind, int rowId, const juce::String& itemName);

    bool mightContainSubItems() override { return kind != trackItem; }
    juce::var getDragSourceDescription() override { return kind == trackItem ? "Song" : "LibraryTree"; }
    bool isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details) override;
    void itemDropped (const juce::DragAndDropTarget::SourceDetails&, int) override {}
    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    void filesDropped (const juce::StringArray& files, int insertIndex) override;
    void itemDoubleClicked (const juce::MouseEvent& e) override;

    /** Loads the track alone into both players (not looping) and shows it. */
    void openTrack();

    VovirTreeView& tree;
    const int kind;
    const int id;
};

/** An item of the show tree: the root "Shows", a folder, or a show. */
class SetsTreeItem final : public VovirTreeItem
{
public:
    SetsTreeItem (VovirTreeView& owner, int itemKind, int rowId, const juce::String& itemName);

    bool mightContainSubItems() override { return kind != showItem; }
    juce::var getDragSourceDescription() override { return kind == showItem ? "Set" : "SetsTree"; }
    bool isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details) override;
    void itemDropped (const juce::DragAndDropTarget::SourceDetails&, int) override {}
    void itemSelectionChanged (bool isNowSelected) override;
    void itemClicked (const juce::MouseEvent& e) override;

    VovirTreeView& tree;
    const int kind;
    const int id;
};

/** A search field above a tree view; the base of both library trees. */
class VovirTreeView : public ColouredBox, public juce::TextEditor::Listener
{
public:
    VovirTreeView();
    ~VovirTreeView() override;

    /** Rebuilds the tree from the database; the item with highlightId gets its
        parent opened. */
    virtual void doRefresh (int highlightId, juce::String filter) = 0;

    void textEditorTextChanged (juce::TextEditor&) override;
    void resized() override;
    void lookAndFeelChanged() override;

    /** The hidden root item, null before the first refresh. */
    VovirTreeItem* getRoot() const;

    std::unique_ptr<VovirButton> searchIcon;
    std::unique_ptr<juce::TreeView> tree;
    std::unique_ptr<juce::TextEditor> searchField;

protected:
    /** Puts a new root in place of the old one, keeping open folders open. */
    void installRoot (std::unique_ptr<VovirTreeItem> root);
};

/** The track tree: tracks grouped in folders, click tracks left out. */
class LibraryTree final : public VovirTreeView
{
public:
    LibraryTree();
    void doRefresh (int highlightId, juce::String filter) override;
};

/** The show tree: shows grouped in folders. */
class SetsTree final : public VovirTreeView
{
public:
    SetsTree();
    void doRefresh (int highlightId, juce::String filter) override;
};

/** The two tabs "Track Library" and "Show Library"; hears about changed tracks
    and shows, and owns the drags out of the trees. */
class LibraryTabs final : public juce::TabbedComponent, public DbObserver, public juce::DragAndDropContainer
{
public:
    LibraryTabs();
    ~LibraryTabs() override;

    /** Rebuilds both trees without filter and without highlight. */
    void doRefresh();

    /** The AudioFileIDs of the selected tracks, in selection order (folders and
        the root are skipped). */
    std::vector<int> getIdsOfSelectedTracks() const;

    /** The SetID of the first selected show item, or -1. */
    int getIdOfSelectedShow() const;

    /** Imports a readable audio file as the click track of a track; an unreadable
        file is ignored. Returns the new track's id, or 0. */
    static int addNewClickTrack (int mainAudioFileId, const juce::String& path);

    void dbChanged (const char* table, int id, DbChangeType type) override;
    void currentTabChanged (int newCurrentTabIndex, const juce::String& newCurrentTabName) override;
    void lookAndFeelChanged() override;

    std::unique_ptr<LibraryTree> trackTree;
    std::unique_ptr<SetsTree> showTree;
};

/** The logo above the library tabs. */
class LibraryPanel final : public juce::Component
{
public:
    LibraryPanel();

    void paint (juce::Graphics& g) override;
    void resized() override;

    juce::Image logo;
    std::unique_ptr<LibraryTabs> tabs;

private:
    int logoHeight() const;
};

/** The library panel while the main window exists. */
extern LibraryPanel* libraryPanel;

/** True when at least one of the files can be opened by the program's audio formats. */
bool anyReadableAudioFile (const juce::StringArray& files);
