#include "app/MainHostWindow.h"

#include "app/Commands.h"
#include "app/ControllerWindowPlacement.h"
#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/ShellState.h"
#include "app/StartupSettings.h"
#include "app/TipDialog.h"
#include "audio/AudioDeviceWatch.h"
#include "audio/FilePlayerProcessor.h"
#include "audio/GraphEditorPanel.h"
#include "audio/InternalFilters.h"
#include "data/DataPaths.h"
#include "data/DbSchema.h"
#include "data/MediaLibrary.h"
#include "editor/SongEditor.h"
#include "editor/Timeline.h"
#include "library/LightShowList.h"
#include "library/LibraryWindow.h"
#include "lighting/ControllerSelection.h"
#include "lighting/VovirLink.h"
#include "midi/MidiEventsWindow.h"
#include "midi/MidiLearnPanel.h"
#include "midi/MidiServer.h"
#include "midi/RemoteControl.h"
#include "show/SetPlayer.h"
#include "ui/UserDialogs.h"

MainHostWindow* mainWindow = nullptr;
juce::ApplicationCommandManager* commandManager = nullptr;

juce::String getBuildVersion()
{
    return juce::String ("1") + "." + "9" + "." + "5";
}

namespace
{
juce::String settingText (const char* key)
{
    auto* settings = userSettings();
    return settings != nullptr ? settings->getValue (key) : juce::String();
}

/** Paints nothing; notes the time of the first paint of the window's content. */
class FirstPaintProbe final : public juce::Component
{
public:
    explicit FirstPaintProbe (std::function<void()> onFirstPaint) : callback (std::move (onFirstPaint))
    {
        setInterceptsMouseClicks (false, false);
    }

    void paint (juce::Graphics&) override
    {
        if (callback != nullptr)
        {
            auto c = std::move (callback);
            callback = nullptr;
            c();
        }
    }

private:
    std::function<void()> callback;
};
} // namespace

//==============================================================================
MainHostWindow::MainHostWindow()
    : juce::DocumentWindow ("Raziviz Avodoru V" + getBuildVersion(), juce::Colours::lightgrey,
                            juce::DocumentWindow::minimiseButton | juce::DocumentWindow::maximiseButton
                                | juce::DocumentWindow::closeButton,
                            true)
{
    constructionStartMs = juce::Time::getMillisecondCounterHiRes();
    mainWindow = this;
    setDialogOwner (this);
    exitRequested = false;

    setUsingNativeTitleBar (true);
    addKeyListener (this);

    initialiseMediaFolder();
    readStartupSettings (userSettings());
    useVid = userSettings() != nullptr && userSettings()->containsKey ("useVeridura")
                 ? userSettings()->getIntValue ("useVeridura")
                 : 1;

    if (! doDbOpen())
    {
        // The user has been told what is wrong with the file and what to do; a
        // window over a library that is not there would only pretend otherwise.
        if (getDatabaseFile().existsAsFile())
            userDialogs().endProcess (1);
        return;
    }

    restoreAudioDevice();
    deviceWatch = std::make_unique<AudioDeviceWatch> (
        audioDevices, [this] (const juce::String& reason) { audioDeviceLost (reason); }, [this] { audioDeviceBack(); });

    setResizable (true, false);
    setResizeLimits (500, 400, 10000, 10000);
    centreWithSize (900, 700);
    setTitleBarHeight (20);

    auto* content = new VertPanel (audioDevices);
    auto* probe = new FirstPaintProbe ([this]
                                       { firstPaintMs = juce::Time::getMillisecondCounterHiRes() - constructionStartMs; });
    content->addAndMakeVisible (probe);
    probe->setBounds (0, 0, 1, 1);
    setContentOwned (content, false);

    auto position = settingText ("mainWindowPos");
    if (position.isNotEmpty())
        restoreWindowStateFromString (position);

    setVisible (true);
    toFront (true);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    InternalPluginFormat internalFormat;
    internalFormat.getAllTypes (internalNodeTypes);
    PluginWindow::unusedKeyHandler = [this] (const juce::KeyPress& key) { return keyPressedInOtherWindow (key); };
    unusedControllerKeys = PluginWindow::unusedKeyHandler;
    keysUnusedByTips = [this] (const juce::KeyPress& key) { return keyPressed (key, nullptr); };
    lightingPluginList.addChangeListener (this);
    if (commandManager != nullptr)
        addKeyListener (commandManager->getKeyMappings());

    if (! initGraph())
        return; // the process has been ended

    startTimer (20);
    registerMidiInputs (true);

    setMenuBar (this);
    if (commandManager != nullptr)
        setApplicationCommandManagerToWatch (commandManager);

    if (RaDatabase::getInstance()->getAudioFiles ({}).empty())
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Track library is empty",
                                      "Drag your audio files into the library (or use 'Tracks > Import tracks...')",
                                      "OK", this);

    appInitialised = true;
    menuItemsChanged();
    switchToWindow (lightshowListPanel, -1);
    timerLogic.pluginWindowPending = true;

    MidiServer::getInstance()->warnIfNotAllOpened (this);

    ShowTipDialog ("newIn19",
                   "What's new in the 1.9 release:\n\n* Grid Mode layout for shows (for random access to songs).\n* Songs "
                   "can be coloured in show tab.\n* Backup & restore feature.\n* Native support for Apple Silicon "
                   "Macs.\n* Improved performance when editing lightshows.\n* Multiple selection of tracks, for quick "
                   "show creation.",
                   this);
    started = true;
}

MainHostWindow::~MainHostWindow()
{
    exitRequested = true;
    stopTimer();

    RaDatabase::getInstance()->closeDb();
    saveWindowPosition();

    registerMidiInputs (false);
    setMenuBar (nullptr);
    if (commandManager != nullptr)
        removeKeyListener (commandManager->getKeyMappings());
    removeKeyListener (this);
    lightingPluginList.removeChangeListener (this);

    // The graph (with the players and the controller) must go before the device manager.
    shutDownContent();
    deviceWatch.reset();
    FilePlayerProcessor::tellDeviceLost = nullptr;

    if (mainWindow == this)
        mainWindow = nullptr;
    PluginWindow::unusedKeyHandler = nullptr;
    unusedControllerKeys = nullptr;
    keysUnusedByTips = nullptr;
    setDialogOwner (nullptr);
}

void MainHostWindow::saveWindowPosition()
{
    if (appProperties == nullptr)
        return;

    // Reopens the settings file if shutdown already closed it.
    if (auto* settings = appProperties->getUserSettings())
    {
        settings->setValue ("mainWindowPos", getWindowStateAsString());
        settings->saveIfNeeded();
    }
    if (auto* common = appProperties->getCommonSettings (true))
        common->saveIfNeeded();
}

void MainHostWindow::shutDownContent()
{
    if (getContentComponent() == nullptr)
        return;

    PluginWindow::closeAllCurrentlyOpenWindows();
    pluginWindow = nullptr;
    vovir::disconnectController();
    clearContentComponent();
}

void MainHostWindow::closeButtonPressed()
{
    exitRequested = true;
    stopTimer();

    // Closing runs inside the event loop's round of ready callbacks (a key, a
    // click, or Ctrl+Q handed back by the controller's own editor). Deleting the
    // controller's window or unloading the controller there would free the event
    // handlers that later callbacks of the same round still call, and the graph's
    // clearing runs nested loops that start new rounds inside this one. So the
    // music stops and the controller's window goes out of sight now; the window,
    // the graph and the controller are deleted with this window, once the event
    // loop has ended.
    if (auto* vert = getVertPanel(); vert != nullptr && vert->horPanel->graphComponent != nullptr)
        vert->horPanel->graphComponent->detachDevice();
    for (auto* window : PluginWindow::activePluginWindows)
        window->setVisible (false);
    pluginWindow = nullptr;

    if (auto* app = juce::JUCEApplicationBase::getInstance())
        app->systemRequestedQuit();
}

VertPanel* MainHostWindow::getVertPanel() const
{
    return dynamic_cast<VertPanel*> (getContentComponent());
}

//==============================================================================
void MainHostWindow::restoreAudioDevice()
{
    auto saved = juce::parseXML (settingText ("audioDeviceState"));
    auto isDeviceSetup = saved != nullptr && saved->getTagName().equalsIgnoreCase ("DEVICESETUP");

    if (isDeviceSetup)
        saved->setTagName ("DEVICESETUP");

    audioDevices.initialise (256, 256, isDeviceSetup ? saved.get() : nullptr, true);

    if (! isDeviceSetup)
    {
        auto setup = audioDevices.getAudioDeviceSetup();
        audioDevices.setAudioDeviceSetup (setup, true);
    }

    playerDeviceManager = &audioDevices;
}

void MainHostWindow::audioDeviceLost (const juce::String& reason)
{
    auto text = "The audio device stopped: " + reason
                + ".\n\nThe show stays where it was. As soon as the audio server runs again, Raziviz Avodoru "
                  "opens "
                + deviceWatch->getLostDeviceDescription()
                + " by itself; then press Play to go on from the same song and position.";
    FilePlayerProcessor::tellDeviceLost = [text]
    { userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Audio device stopped", text); };

    // Told once, after the timer callback that noticed it has returned.
    juce::Component::SafePointer<MainHostWindow> self (this);
    juce::MessageManager::callAsync ([self]
    {
        if (self != nullptr && FilePlayerProcessor::tellDeviceLost != nullptr)
            FilePlayerProcessor::tellDeviceLost();
    });
}

void MainHostWindow::audioDeviceBack()
{
    FilePlayerProcessor::tellDeviceLost = nullptr;
}

void MainHostWindow::registerMidiInputs (bool shouldRegister)
{
    if (shouldRegister)
    {
        midiInputs = midiDevices().openEnabledInputs (audioDevices, this);
        for (auto& input : midiInputs)
        {
            input->start();
            registeredMidiInputs.add (input->getName());
        }
        return;
    }

    // Returns once no input callback runs any more.
    for (auto& input : midiInputs)
        input->stop();
    midiInputs.clear();
    registeredMidiInputs.clear();
}

void MainHostWindow::handleIncomingMidiMessage (juce::MidiInput*, const juce::MidiMessage& message)
{
    handleRemoteControlMidi (message);
}

//==============================================================================
bool MainHostWindow::initGraph()
{
    auto* vert = getVertPanel();
    if (vert == nullptr)
        return false;

    auto* graphComponent = vert->horPanel->graphComponent;
    graphComponent->detachDevice();

    ControllerSelection selection (lightingPluginList, vstScanFormat,
                                   [graphComponent] (const juce::PluginDescription& description)
                                   { return graphComponent->filterGraph.addFilter (description, 0.5, 0.7); });

    selection.setCheck (controllercheck::childProcessCheck());
    if (selection.run() == nullptr)
        return false;

    graphComponent->filterGraph.connectNodes();
    graphComponent->attachDevice();
    return true;
}

void MainHostWindow::doViewPlugin()
{
    if (pluginWindow != nullptr)
    {
        PluginWindow::closeAllCurrentlyOpenWindows();
        pluginWindow = nullptr;
        menuItemsChanged();
        return;
    }

    auto* vert = getVertPanel();
    if (vert == nullptr)
        return;

    auto& graph = vert->horPanel->graphComponent->filterGraph.graph;
    auto* node = graph.getNodeForId (FilterGraph::controllerNode);
    if (node == nullptr)
        return;

    auto* processor = node->getProcessor();

    for (auto* window : PluginWindow::activePluginWindows)
    {
        if (window->getNode() == node)
        {
            pluginWindow = window;
            window->toFront (true);
            menuItemsChanged();
            return;
        }
    }

    auto* editor = processor->getActiveEditor();
    if (editor == nullptr)
        editor = processor->createEditorIfNeeded();

    juce::Component* content = editor;
    if (content == nullptr)
        content = new juce::GenericAudioProcessorEditor (*processor);

    content->setName (processor->getName());

    auto* window = new PluginWindow (processor->getName(), content, node);
    window->setBounds (controllerWindowBounds (*window, *node));
    window->setVisible (true);

    pluginWindow = window;
    // The controller's window opens beside the main window without taking the
    // keyboard from it; keys it does not use come back to the main window. (Its
    // toFront would ask the window manager to activate it, even without focus.)
    grabKeyboardFocus();
    returnKeyboardFromController (window, juce::Time::getCurrentTime(), 100); // for up to 10 s
    menuItemsChanged();
}

void MainHostWindow::returnKeyboardFromController (PluginWindow* opened, juce::Time openedAt, int checksLeft)
{
    // A window manager may activate the new window some time after mapping it.
    // Until the user clicks somewhere, the keyboard comes back to the main window.
    const auto lastClick = juce::Desktop::getInstance().getMainMouseSource().getLastMouseDownTime();
    if (checksLeft <= 0 || lastClick > openedAt)
        return;
    if (opened->isActiveWindow())
        toFront (true); // asks the window manager too, which may otherwise give the focus back to the new window

    juce::Timer::callAfterDelay (100,
                                 [main = juce::Component::SafePointer<MainHostWindow> (this),
                                  window = juce::Component::SafePointer<PluginWindow> (opened), openedAt, checksLeft]
                                 {
                                     if (main != nullptr && window != nullptr)
                                         main->returnKeyboardFromController (window, openedAt, checksLeft - 1);
                                 });
}

juce::Rectangle<int> MainHostWindow::controllerWindowBounds (const PluginWindow& window,
                                                             const juce::AudioProcessorGraph::Node& node) const
{
    std::optional<juce::Point<int>> remembered;
    if (node.properties.contains ("uiLastX") && node.properties.contains ("uiLastY"))
        remembered = juce::Point<int> ((int)node.properties["uiLastX"], (int)node.properties["uiLastY"]);

    auto& displays = juce::Desktop::getInstance().getDisplays();
    auto* display = remembered.has_value() ? displays.getDisplayForPoint (*remembered)
                                           : displays.getDisplayForRect (getScreenBounds());
    if (display == nullptr)
        display = displays.getPrimaryDisplay();
    if (display == nullptr)
        return window.getBounds();

    // The window manager adds its frame around the window and puts the frame's
    // corner where the window is asked to go: the whole framed window must fit
    // (a frame not known yet is taken as a usual title bar).
    juce::BorderSize<int> frame (30, 2, 2, 2);
    if (auto* peer = window.getPeer())
        if (auto known = peer->getFrameSizeIfPresent(); known && (*known).getTopAndBottom() > 0)
            frame = *known;

    auto placed = placeControllerWindow (
        frame.addedTo (getScreenBounds()), display->userArea,
        {window.getWidth() + frame.getLeftAndRight(), window.getHeight() + frame.getTopAndBottom()}, remembered);
    return placed.withSize (window.getWidth(), window.getHeight());
}

bool MainHostWindow::keyPressedInOtherWindow (const juce::KeyPress& key)
{
    if (keyPressed (key, nullptr))
        return true;
    return commandManager != nullptr && commandManager->getKeyMappings()->keyPressed (key, this);
}

//==============================================================================
void MainHostWindow::timerCallback()
{
    timerLogic.tick();
}

bool MainHostWindow::keyPressed (const juce::KeyPress& key, juce::Component*)
{
    return timerLogic.keyPressed (key);
}

bool MainHostWindow::isSongEditorVisible() const
{
    return songEditor != nullptr && songEditor->isVisible();
}

bool MainHostWindow::isShowPlayerVisible() const
{
    return setPlayer != nullptr && setPlayer->isVisible();
}

bool MainHostWindow::isStopPromptShowing() const
{
    return timeline != nullptr && timeline->editor->isStopConfirmShowing();
}

void MainHostWindow::highlightNextSong (bool playIt, bool immediately)
{
    if (setPlayer != nullptr)
        setPlayer->timeline->highlightNextSong (playIt, immediately);
}

void MainHostWindow::highlightPreviousSong (bool playIt, bool immediately)
{
    if (setPlayer != nullptr)
        setPlayer->timeline->highlightPreviousSong (playIt, immediately);
}

void MainHostWindow::showStopPrompt (const juce::String& text)
{
    if (timeline != nullptr)
        timeline->editor->shopStopConfirm (true, text);
}

void MainHostWindow::hideStopPrompt()
{
    if (timeline != nullptr)
        timeline->editor->shopStopConfirm (false, {});
}

//==============================================================================
void MainHostWindow::switchToWindow (MainWindowPanel panel, int id)
{
    auto* vert = getVertPanel();
    if (vert == nullptr)
        return;

    auto& views = vert->horPanel->rightPanel->views;

    auto showTimelineAgain = [vert]
    {
        vert->restoreTimeline();
        vert->showTimeline = true;
        vert->resizerBar->setVisible (true);
        timeline->setVisible (true);
        vert->resized();
    };

    switch (panel)
    {
        case lightshowListPanel:
            for (auto* view : views)
                view->setVisible (false);
            showTimelineAgain();
            timeline->editor->playerMode = false;
            views[lightshowListPanel]->setVisible (true);
            views[lightshowListPanel]->toFront (false);
            break;

        case songEditorPanel:
            for (auto* view : views)
                view->setVisible (false);
            showTimelineAgain();
            timeline->editor->playerMode = false;
            songEditor->loadLightShow (id);
            views[songEditorPanel]->setVisible (true);
            views[songEditorPanel]->toFront (false);
            break;

        case setPlayerPanel:
        {
            if (setPlayer == nullptr)
                return;
            if (id == -1)
                id = setPlayer->getCurrentSetId();
            if (id == -1)
                return;

            for (auto* view : views)
                view->setVisible (false);
            vert->showTimeline = false;
            vert->resizerBar->setVisible (false);
            timeline->setVisible (false);
            vert->resized();

            if (id != setPlayer->getCurrentSetId())
            {
                setPlayer->timeline->loadSet (id, false);
                setPlayer->vertPanel->memoPanel->setSet (id);
            }

            // The show player takes the waveform editor into itself while visible.
            views[setPlayerPanel]->setVisible (true);
            views[setPlayerPanel]->toFront (false);

            if (! gridTipOffered)
            {
                gridTipOffered = true;
                ShowTipDialog ("gridmode",
                               "Click the 'Grid Mode' button to display your show's contents as a grid of buttons. This "
                               "mode is perfect for shows where you prefer to play songs in a random order. Toggle the "
                               "button off to display an ordered setlist of songs.",
                               nullptr);
            }
            break;
        }
    }
}

bool MainHostWindow::playShowNamed (const juce::String& name)
{
    if (name.isNotEmpty())
        for (auto& show : RaDatabase::getInstance()->getSets (name))
            if (show.getStringField ("Name") == name)
            {
                switchToWindow (setPlayerPanel, show.id);
                return true;
            }

    userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Show not found",
                                  name.isEmpty() ? juce::String ("No show named ...: --play-show needs a show's name.")
                                                 : "No show named \"" + name + "\" is in the library.",
                                  {}, this);
    return false;
}

void MainHostWindow::resetDisplay (bool showLibraryView)
{
    if (libraryPanel != nullptr)
        libraryPanel->tabs->doRefresh();

    if (timeline != nullptr)
    {
        timeline->editor->setFile (juce::String());
        timeline->loadLightShow (-1, false);
    }
    if (lightShowList != nullptr)
        lightShowList->clear();

    for (auto* player : { filePlayer, filePlayerB })
        if (player != nullptr)
            player->loadFile ({}, 0.0, 0.0, true);
    RaTracks::toggleLooping();

    if (setPlayer != nullptr)
        setPlayer->timeline->refreshFromDb (false);

    if (showLibraryView)
    {
        if (libraryPanel != nullptr)
            libraryPanel->tabs->setCurrentTabIndex (0);
        switchToWindow (lightshowListPanel, -1);
    }
}

//==============================================================================
void MainHostWindow::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    for (auto& command : allCommandDescriptions())
        commands.add (command.id);
}

void MainHostWindow::getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result)
{
    fillCommandInfo (commandID, result);

    auto* vert = getVertPanel();
    switch (commandID)
    {
        case followPlaybackCmd: result.setTicked (timeline != nullptr && timeline->editor->followPlayback); break;
        case lightingDesignCmd: result.setTicked (pluginWindow != nullptr); break;
        case autoZoomCmd: result.setTicked (setPlayer != nullptr && setPlayer->timeline->autoZoom); break;
        case libraryPanelCmd: result.setTicked (vert != nullptr && vert->horPanel->showLibrary); break;
        case showBankNamesCmd: result.setTicked (showBankNames); break;
        default: break;
    }
}

bool MainHostWindow::perform (const InvocationInfo& info)
{
    auto* vert = getVertPanel();

    switch (info.commandID)
    {
        case openGraphCmd: openGraph(); break;
        case saveGraphCmd: saveGraph(); break;
        case exitCmd: closeButtonPressed(); break;
        case lightingDesignCmd: doViewPlugin(); break;
        case followPlaybackCmd:
            if (timeline != nullptr)
                timeline->editor->followPlayback = ! timeline->editor->followPlayback;
            break;
        case resetTipsCmd: resetAllTips(); break;

        case autoZoomCmd:
            if (setPlayer != nullptr)
            {
                auto& autoZoom = setPlayer->timeline->autoZoom;
                autoZoom = ! autoZoom;
                if (auto* settings = userSettings())
                    settings->setValue ("autoZoom", autoZoom);
            }
            break;

        case showBankNamesCmd:
            showBankNames = ! showBankNames;
            if (auto* settings = userSettings())
                settings->setValue ("showBankNames", showBankNames);
            if (timeline != nullptr)
                timeline->editor->refreshFromDb (false);
            break;

        case libraryPanelCmd:
            if (vert != nullptr)
            {
                auto& hor = *vert->horPanel;
                hor.showLibrary = ! hor.showLibrary;
                libraryPanel->setVisible (hor.showLibrary);
                hor.resizerBar->setVisible (hor.showLibrary);
                hor.resized();
            }
            break;

        case undoCmd: undoOrRedo (true); break;
        case redoCmd: undoOrRedo (false); break;
        case importTracksCmd: importTracks(); break;
        case deleteTracksCmd: deleteSelectedTracks(); break;
        case moveTracksCmd: moveSelectedTracks(); break;
        case newShowCmd: newShow(); break;
        case copyShowCmd: copyShow(); break;
        case renameShowCmd: renameShow(); break;
        case deleteShowCmd: deleteShow(); break;
        case lyricsImportCmd: lyricsImport(); break;
        case copyCmd: copySelection(); break;
        case pasteCmd: pasteClipboard(); break;
        case selectAllCmd: selectAll(); break;
        case setStartCmd: setTrimTime (true); break;
        case setEndCmd: setTrimTime (false); break;
        case userManualCmd: readUserManual(); break;
        case checkUpdatesCmd: checkForUpdates(); break;
        case aboutCmd: showAbout(); break;
        case backupShowsCmd: doBackup(); break;
        case restoreBackupCmd: doRestore(); break;
        case exportMidiCmd: doExportMidi(); break;
        case preferencesCmd: showPreferences(); break;
        case midiChunkEditorCmd: openMidiChunkEditor(); break;
        case remoteControlCmd: openRemoteControlWindow (this); break;

        default:
            // The other commands' windows and actions are not built yet.
            break;
    }

    menuItemsChanged();
    return true;
}

juce::StringArray MainHostWindow::getMenuBarNames()
{
    return menuBarNames();
}

juce::PopupMenu MainHostWindow::getMenuForIndex (int, const juce::String& menuName)
{
    juce::PopupMenu menu;
    for (auto id : menuItems (menuName))
    {
        if (id == 0)
            menu.addSeparator();
        else
            menu.addCommandItem (commandManager, id);
    }
    return menu;
}

void MainHostWindow::menuItemSelected (int, int)
{
    // Every item is a command item, dispatched through perform().
}

void MainHostWindow::changeListenerCallback (juce::ChangeBroadcaster*)
{
    menuItemsChanged();
}

//==============================================================================
void MainHostWindow::openGraph()
{
    auto* vert = getVertPanel();
    if (vert == nullptr)
        return;

    auto& document = vert->horPanel->graphComponent->filterGraph;
    auto file = userDialogs().chooseFileToOpen ("Load a filter graph", document.getLastDocumentOpened(), "*.filtergraph");
    if (! file.has_value())
        return;

    auto result = document.loadFrom (*file, false);
    if (result.failed())
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Failed to open file",
                                      "There was an error while trying to load the file: " + file->getFullPathName()
                                          + "\n\n" + result.getErrorMessage());
}

void MainHostWindow::saveGraph()
{
    auto* vert = getVertPanel();
    if (vert == nullptr)
        return;

    auto& document = vert->horPanel->graphComponent->filterGraph;
    auto target = document.getFile();
    if (target == juce::File())
    {
        auto chosen = userDialogs().chooseFileToSave ("Save a filter graph", document.getLastDocumentOpened(),
                                                      "*.filtergraph");
        if (! chosen.has_value())
            return;
        target = chosen->withFileExtension (".filtergraph");
    }

    auto result = document.saveAs (target, false, false, false);
    if (result != juce::FileBasedDocument::savedOk)
        userDialogs().showMessageBox (juce::MessageBoxIconType::WarningIcon, "Error writing to file",
                                      "An error occurred while trying to save \"" + document.getDocumentTitle()
                                          + "\" to the file: " + target.getFullPathName());
}
