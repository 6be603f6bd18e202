#pragma once

#include "app/MainPanels.h"
#include "app/MainTimer.h"
#include "data/DbModels.h"
#include "midi/MidiDevices.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_audio_utils/juce_audio_utils.h>

/** The one main window: menus, commands and keys, the panels, the audio device,
    the lighting controller and the 20 ms main timer. */
class MainHostWindow final : public juce::DocumentWindow,
                             public juce::MenuBarModel,
                             public juce::ApplicationCommandTarget,
                             public juce::ChangeListener,
                             public juce::FileDragAndDropTarget,
                             public juce::KeyListener,
                             public juce::Timer,
                             public juce::MidiInputCallback,
                             private ShellViews
{
public:
    MainHostWindow();
    ~MainHostWindow() override;

    /** False when start-up could not complete (the process has been ended, or a
        test's scripted dialogs recorded the end). */
    bool isStarted() const noexcept { return started; }

    void closeButtonPressed() override;

    // Views.
    void switchToWindow (MainWindowPanel panel, int id);
    /** Opens the show of that name in the show player; tells the user when there is none. */
    bool playShowNamed (const juce::String& name);
    void resetDisplay (bool showLibraryView);
    VertPanel* getVertPanel() const;

    // The lighting controller.
    bool initGraph();
    void doViewPlugin();

    /** The program's keys pressed in one of its other windows (the controller's,
        a tip): the transport keys, then the command key mappings. */
    bool keyPressedInOtherWindow (const juce::KeyPress& key);

    // The main timer.
    void timerCallback() override;
    MainTimerLogic& getTimerLogic() noexcept { return timerLogic; }

    // Commands and menus.
    juce::ApplicationCommandTarget* getNextCommandTarget() override { return nullptr; }
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result) override;
    bool perform (const InvocationInfo& info) override;
    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int topLevelMenuIndex, const juce::String& menuName) override;
    void menuItemSelected (int menuItemID, int topLevelMenuIndex) override;

    using juce::DocumentWindow::keyPressed;
    bool keyPressed (const juce::KeyPress& key, juce::Component* originatingComponent) override;

    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    // Track import: by command and by dropping files on the window.
    void importFiles (juce::Array<juce::File>& files);
    void importTracks();
    bool isInterestedInFileDrag (const juce::StringArray& files) override;
    void filesDropped (const juce::StringArray& files, int x, int y) override;

    // Library and editing commands.
    void deleteSelectedTracks();
    void moveSelectedTracks();
    void newShow();
    void copyShow();
    void renameShow();
    void deleteShow();
    void lyricsImport();
    void copySelection();
    void pasteClipboard();
    void selectAll();
    void setTrimTime (bool isStart);
    void undoOrRedo (bool undo);
    void readUserManual();
    void checkForUpdates();
    void showAbout();

    // Archives, export and preferences (src/archive/ArchiveCommands.cpp).
    void doBackup();
    void doRestore();
    void doExportMidi();
    void showPreferences();

    void handleIncomingMidiMessage (juce::MidiInput* source, const juce::MidiMessage& message) override;

    juce::KnownPluginList lightingPluginList;
    juce::VST3PluginFormat vstScanFormat;
    juce::AudioDeviceManager audioDevices;
    std::unique_ptr<class AudioDeviceWatch> deviceWatch; // notices a device that goes away and reopens it
    juce::OwnedArray<juce::PluginDescription> internalNodeTypes;
    std::vector<VovirCueModel> cueClipboard;
    std::vector<ShowMemoModel> memoClipboard;

    /** Milliseconds from the start of construction to the first paint of the content. */
    double getStartupToFirstPaintMs() const noexcept { return firstPaintMs; }

private:
    // ShellViews
    bool isSongEditorVisible() const override;
    bool isShowPlayerVisible() const override;
    bool isStopPromptShowing() const override;
    void showStopPrompt (const juce::String& text) override;
    void hideStopPrompt() override;
    void highlightNextSong (bool playIt, bool immediately) override;
    void highlightPreviousSong (bool playIt, bool immediately) override;
    void tapTempo() override;
    void openPluginWindow() override { doViewPlugin(); }

    void returnKeyboardFromController (class PluginWindow* opened, juce::Time openedAt, int checksLeft);
    juce::Rectangle<int> controllerWindowBounds (const class PluginWindow& window,
                                                 const juce::AudioProcessorGraph::Node& node) const;
    void restoreAudioDevice();
    void audioDeviceLost (const juce::String& reason);
    void audioDeviceBack();
    void registerMidiInputs (bool shouldRegister);
    void saveWindowPosition();
    void shutDownContent();
    void openGraph();
    void saveGraph();

    MainTimerLogic timerLogic { *this };
    bool started = false;
    bool gridTipOffered = false;
    double constructionStartMs = 0.0;
    double firstPaintMs = 0.0;
    juce::StringArray registeredMidiInputs;
    std::vector<std::unique_ptr<MidiInputPort>> midiInputs;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainHostWindow)
};

/** The main window, or null before start-up and after shutdown. */
extern MainHostWindow* mainWindow;

/** The global command manager, created at start-up. */
extern juce::ApplicationCommandManager* commandManager;

/** The user manual installed with the program. */
juce::File userManualFile();

/** "1.9.5": major, minor and build joined by ".". */
juce::String getBuildVersion();
