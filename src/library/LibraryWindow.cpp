#include "library/LibraryWindow.h"

#include "app/Globals.h"
#include "app/MainHostWindow.h"
#include "audio/FilePlayerProcessor.h"
#include "data/DbModels.h"
#include "data/MediaLibrary.h"
#include "editor/Timeline.h"
#include "library/LightShowList.h"
#include "show/SetPlayer.h"
#include "show/SetTimeline.h"
#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"

#include <set>

LibraryPanel* libraryPanel = nullptr;

bool anyReadableAudioFile (const juce::StringArray& files)
{
    if (formatManager == nullptr)
        return false;

    for (auto& path : files)
    {
        juce::File file (path);
        if (! file.existsAsFile())
            continue;
        // A reader is made only to see whether the file can be read.
        if (std::unique_ptr<juce::AudioFormatReader> reader (formatManager->createReaderFor (file)); reader != nullptr)
            return true;
    }
    return false;
}

//==============================================================================
VovirTreeItem::VovirTreeItem (const juce::String& itemName)
    : name (itemName), itemHeight ((int) juce::Font ("Arial", defFontSz, juce::Font::plain).getHeight() + 2)
{
}

void VovirTreeItem::paintItem (juce::Graphics& g, int width, int height)
{
    if (isSelected())
        g.fillAll (complementColour);

    g.setFont (juce::Font ("Arial", defFontSz, juce::Font::plain));
    g.setColour (isSelected() ? darkestColour : (valid ? textColour : juce::Colours::red));
    g.drawText (name, 4, 0, width - 4, height, juce::Justification::centredLeft, true);
}

//==============================================================================
LibraryTreeItem::LibraryTreeItem (VovirTreeView& owner, int itemKind, int rowId, const juce::String& itemName)
    : VovirTreeItem (itemName), tree (owner), kind (itemKind), id (rowId)
{
}

bool LibraryTreeItem::isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details)
{
    return kind != trackItem && details.description.toString() == "Song";
}

bool LibraryTreeItem::isInterestedInFileDrag (const juce::StringArray& files)
{
    return anyReadableAudioFile (files);
}

void LibraryTreeItem::filesDropped (const juce::StringArray& files, int)
{
    if (mainWindow == nullptr)
        return;

    juce::Array<juce::File> dropped;
    for (auto& path : files)
        dropped.add (juce::File (path));
    mainWindow->importFiles (dropped);
}

void LibraryTreeItem::itemDoubleClicked (const juce::MouseEvent&)
{
    if (kind == trackItem)
        openTrack();
}

void LibraryTreeItem::openTrack()
{
    AudioFileModel track (id);
    AudioFileModel click (track.getClickTrackID());
    auto& db = *RaDatabase::getInstance();
    db.holdNotifications();

    if (track.checkFileExists())
    {
        // An open show is closed first: closing it lets go of its preloaded
        // tracks, which must not take the track opened here with them.
        if (setPlayer != nullptr && setPlayer->getCurrentSetId() != -1)
        {
            setPlayer->timeline->loadSet (-1, false);
            setPlayer->vertPanel->memoPanel->setSet (-1);
        }

        for (auto* player : { filePlayer, filePlayerB })
            if (player != nullptr)
                player->unloadSources();

        const auto path = track.getFullPath();
        const bool haveClick = click.id > 0 && click.fileExists();
        const auto clickPath = click.getFullPath();

        if (filePlayer != nullptr)
            filePlayer->preloadAudioFile (path, 0.0, 0.0);
        if (filePlayerB != nullptr && haveClick)
            filePlayerB->preloadAudioFile (clickPath, 0.0, 0.0);
        if (filePlayer != nullptr)
            filePlayer->loadFile (path, 0.0, 0.0, true);
        if (filePlayerB != nullptr && haveClick)
            filePlayerB->loadFile (clickPath, 0.0, 0.0, true);

        // A previewed track plays once; loopOnLoad stays set for the show player.
        RaTracks::toggleLooping();

        if (mainWindow != nullptr)
            mainWindow->switchToWindow (lightshowListPanel, -1);

        if (timeline != nullptr)
        {
            timeline->loadLightShow (-1, false);
            timeline->loadAudioFile (id);
            timeline->editor->repaint();
        }
        if (lightShowList != nullptr)
            lightShowList->openTrack (id);
    }
    else
    {
        for (auto* player : { filePlayer, filePlayerB })
            if (player != nullptr)
                player->unloadSources();
        if (mainWindow != nullptr)
            mainWindow->resetDisplay (true);
    }

    db.releaseNotifications();
}

//==============================================================================
SetsTreeItem::SetsTreeItem (VovirTreeView& owner, int itemKind, int rowId, const juce::String& itemName)
    : VovirTreeItem (itemName), tree (owner), kind (itemKind), id (rowId)
{
}

bool SetsTreeItem::isInterestedInDragSource (const juce::DragAndDropTarget::SourceDetails& details)
{
    return kind != showItem && details.description.toString() == "Set";
}

void SetsTreeItem::itemSelectionChanged (bool isNowSelected)
{
    if (isNowSelected && kind == showItem && mainWindow != nullptr)
        mainWindow->switchToWindow (setPlayerPanel, id);
}

void SetsTreeItem::itemClicked (const juce::MouseEvent&)
{
    // A second click on the selected show opens it again.
    if (isSelected())
        itemSelectionChanged (true);
}

//==============================================================================
VovirTreeView::VovirTreeView() : ColouredBox ("ColouredBox", darkerColour)
{
    searchIcon = std::make_unique<VovirButton> ("", "zoom_48.png", "");
    searchIcon->setEnabled (false);
    addAndMakeVisible (*searchIcon);

    tree = std::make_unique<juce::TreeView>();
    tree->setRootItemVisible (false);
    tree->setExplicitFocusOrder (1);
    addAndMakeVisible (*tree);

    searchField = std::make_unique<juce::TextEditor>();
    searchField->setExplicitFocusOrder (2);
    searchField->addListener (this);
    addAndMakeVisible (*searchField);
}

VovirTreeView::~VovirTreeView()
{
    tree->setRootItem (nullptr);
    tree->deleteRootItem();
}

VovirTreeItem* VovirTreeView::getRoot() const
{
    return dynamic_cast<VovirTreeItem*> (tree->getRootItem());
}

void VovirTreeView::installRoot (std::unique_ptr<VovirTreeItem> root)
{
    // Folders come open; one the user closed stays closed across rebuilds (the
    // tree knows its folders by name).
    juce::StringArray closedFolders;
    if (auto* old = tree->getRootItem())
        for (int i = 0; i < old->getNumSubItems(); ++i)
            if (auto* folder = old->getSubItem (i); folder->mightContainSubItems() && ! folder->isOpen())
                closedFolders.add (folder->getUniqueName());

    for (int i = 0; i < root->getNumSubItems(); ++i)
        if (auto* folder = root->getSubItem (i); closedFolders.contains (folder->getUniqueName()))
            folder->setOpen (false);

    tree->deleteRootItem();
    tree->setRootItem (root.release());
}

void VovirTreeView::textEditorTextChanged (juce::TextEditor&)
{
    doRefresh (0, searchField->getText());
}

void VovirTreeView::resized()
{
    searchIcon->setBounds (5, 5, 22, 22);
    searchField->setBounds (32, 5, getWidth() - 37, 22);
    tree->setBounds (0, 32, getWidth(), juce::jmax (0, getHeight() - 32));
}

void VovirTreeView::lookAndFeelChanged()
{
    colour = darkerColour;
    repaint();
}

//==============================================================================
LibraryTree::LibraryTree()
{
    tree->setMultiSelectEnabled (true);
    doRefresh (0, {});
}

namespace
{
/** Folder items made on first use, kept in the order of their names; the root
    gets them after its own tracks. */
template <typename Item>
class FolderItems
{
public:
    Item* get (VovirTreeView& tree, int kind, const juce::String& name)
    {
        auto found = folders.find (name);
        if (found == folders.end())
            found = folders.emplace (name, std::make_unique<Item> (tree, kind, -1, name)).first;
        return found->second.get();
    }

    void appendTo (juce::TreeViewItem& root)
    {
        for (auto& [name, item] : folders)
        {
            item->setOpen (true);
            root.addSubItem (item.release());
        }
        folders.clear();
    }

private:
    std::map<juce::String, std::unique_ptr<Item>> folders;
};
} // namespace

void LibraryTree::doRefresh (int highlightId, juce::String filter)
{
    auto root = std::make_unique<LibraryTreeItem> (*this, trackRootItem, -1, "Songs");
    FolderItems<LibraryTreeItem> folders;
    auto& db = *RaDatabase::getInstance();

    if (db.isDbOpen())
    {
        // One read for the whole tree: a library holds thousands of tracks, and a
        // read per field would make every keystroke in the search field wait.
        std::set<int> withClick;
        db.forEachRow ("SELECT MainAudioFileID FROM AudioFiles WHERE MainAudioFileID >= 1",
                       [&] (auto& row) { withClick.insert (row.getIntField (0)); });

        cleanStringForDb (filter);
        db.forEachRow ("SELECT AudioFileID,Name,Path,MainAudioFileID FROM AudioFiles WHERE Name LIKE '%" + filter
                           + "%' ORDER BY Name",
                       [&] (auto& row)
                       {
                           if (row.getIntField (3) >= 1)
                               return; // the click track of another track

                           const int trackId = row.getIntField (0);
                           const auto path = row.getStringField (2);
                           const auto slash = path.lastIndexOfChar ('/');
                           const auto folder = slash < 0 ? juce::String() : path.substring (0, slash);

                           juce::TreeViewItem* parent = root.get();
                           if (folder.isNotEmpty())
                               parent = folders.get (*this, trackFolderItem, folder);

                           auto name = row.getStringField (1);
                           if (withClick.count (trackId) > 0)
                               name << " | CLICK";

                           auto* item = new LibraryTreeItem (*this, trackItem, trackId, name);
                           item->valid = path.isNotEmpty() && juce::File (mediaFolder + path).existsAsFile();
                           parent->addSubItem (item);
                           if (highlightId != 0 && trackId == highlightId)
                               parent->setOpen (true);
                       });
    }

    folders.appendTo (*root);
    installRoot (std::move (root));
}

//==============================================================================
SetsTree::SetsTree()
{
    tree->setMultiSelectEnabled (false);
    doRefresh (0, {});
}

void SetsTree::doRefresh (int highlightId, juce::String filter)
{
    auto root = std::make_unique<SetsTreeItem> (*this, showRootItem, -1, "Shows");
    FolderItems<SetsTreeItem> folders;

    auto& db = *RaDatabase::getInstance();
    if (db.isDbOpen())
    {
        cleanStringForDb (filter);
        db.forEachRow ("SELECT SetID,Name,Folder FROM Sets WHERE Name LIKE '%" + filter + "%' ORDER BY Name",
                       [&] (auto& row)
                       {
                           const int showId = row.getIntField (0);
                           const auto folder = row.getStringField (2);
                           juce::TreeViewItem* parent = root.get();
                           if (folder.isNotEmpty())
                               parent = folders.get (*this, showFolderItem, folder);

                           parent->addSubItem (new SetsTreeItem (*this, showItem, showId, row.getStringField (1)));
                           if (highlightId != 0 && showId == highlightId)
                               parent->setOpen (true);
                       });
    }

    folders.appendTo (*root);
    installRoot (std::move (root));
}

//==============================================================================
LibraryTabs::LibraryTabs() : juce::TabbedComponent (juce::TabbedButtonBar::TabsAtTop)
{
    setTabBarDepth (30);
    setIndent (4);

    trackTree = std::make_unique<LibraryTree>();
    showTree = std::make_unique<SetsTree>();
    addTab ("Track Library", darkerColour, trackTree.get(), false);
    addTab ("Show Library", darkerColour, showTree.get(), false);

    RaDatabase::getInstance()->addObserver (this);
}

LibraryTabs::~LibraryTabs()
{
    RaDatabase::getInstance()->removeObserver (this);
    clearTabs();
}

void LibraryTabs::doRefresh()
{
    trackTree->searchField->setText ({}, juce::dontSendNotification);
    showTree->searchField->setText ({}, juce::dontSendNotification);
    trackTree->doRefresh (0, {});
    showTree->doRefresh (0, {});
}

std::vector<int> LibraryTabs::getIdsOfSelectedTracks() const
{
    std::vector<int> ids;
    auto& view = *trackTree->tree;
    for (int i = 0; i < view.getNumSelectedItems(); ++i)
        if (auto* item = dynamic_cast<LibraryTreeItem*> (view.getSelectedItem (i)); item != nullptr && item->id != -1)
            ids.push_back (item->id);
    return ids;
}

int LibraryTabs::getIdOfSelectedShow() const
{
    auto* item = dynamic_cast<SetsTreeItem*> (showTree->tree->getSelectedItem (0));
    return item != nullptr ? item->id : -1;
}

int LibraryTabs::addNewClickTrack (int mainAudioFileId, const juce::String& path)
{
    if (! anyReadableAudioFile (juce::StringArray (path)))
        return 0;

    AudioFileModel click;
    click.addNewFromPath (path);
    if (click.id <= 0)
        return 0;
    click.setIntField ("MainAudioFileID", mainAudioFileId);
    return click.id;
}

void LibraryTabs::dbChanged (const char* table, int id, DbChangeType)
{
    const juce::String changed (table);
    if (changed == "AudioFiles" || changed == "Sets")
    {
        // The whole library is shown again, opened at the changed track.
        trackTree->searchField->setText ({}, juce::dontSendNotification);
        trackTree->doRefresh (id, {});
    }
}

void LibraryTabs::currentTabChanged (int newCurrentTabIndex, const juce::String&)
{
    if (newCurrentTabIndex == 1 && mainWindow != nullptr)
        mainWindow->switchToWindow (setPlayerPanel, -1);
}

void LibraryTabs::lookAndFeelChanged()
{
    juce::TabbedComponent::lookAndFeelChanged();
    for (int i = 0; i < getNumTabs(); ++i)
        setTabBackgroundColour (i, darkerColour);
}

//==============================================================================
LibraryPanel::LibraryPanel()
{
    libraryPanel = this;
    logo = EmbeddedImages::getImage ("rascreenlogo_png");
    tabs = std::make_unique<LibraryTabs>();
    addAndMakeVisible (*tabs);
}

int LibraryPanel::logoHeight() const
{
    if (! logo.isValid())
        return 0;
    if (logo.getWidth() <= getWidth() || getWidth() <= 0)
        return logo.getHeight();
    return juce::roundToInt (logo.getHeight() * (double) getWidth() / logo.getWidth());
}

void LibraryPanel::paint (juce::Graphics& g)
{
    g.fillAll (darkestColour);
    if (logo.isValid())
    {
        auto height = logoHeight();
        auto width = juce::jmin (getWidth(), logo.getWidth());
        g.drawImage (logo, juce::Rectangle<float> (0.0f, 0.0f, (float) width, (float) height),
                     juce::RectanglePlacement::centred);
    }
}

void LibraryPanel::resized()
{
    auto top = logoHeight();
    tabs->setBounds (0, top, getWidth(), juce::jmax (0, getHeight() - top));
}
