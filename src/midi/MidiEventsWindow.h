#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <vector>

class VovirToolbar;
class MessagePanel;

/** Receives the mouse-wheel movement of a RaTableListBox. */
class RaTableListBoxListener
{
public:
    virtual ~RaTableListBoxListener() = default;
    virtual void boxScrolled (float deltaY) = 0;
};

/** A table whose wheel movement over the box itself goes to a listener instead
    of scrolling it. */
class RaTableListBox final : public juce::TableListBox
{
public:
    RaTableListBox (const juce::String& name, juce::TableListBoxModel* tableModel);

    void mouseWheelMove (const juce::MouseEvent& event, const juce::MouseWheelDetails& wheel) override;

    RaTableListBoxListener* scrollListener = nullptr;
};

/** The list of MIDI chunks (category and name) and its toolbar: new, rename,
    delete and duplicate chunks, and the "Send to MIDI" switch. */
class ChunkPanel final : public juce::Component,
                         public juce::TableListBoxModel,
                         public RaTableListBoxListener,
                         public juce::Button::Listener
{
public:
    explicit ChunkPanel (MessagePanel* messagesOfChosenChunk);
    ~ChunkPanel() override;

    void syncWithDb();
    /** The rename dialog for the chosen chunk. */
    void editChunk();

    /** What a click on a row does: the chunk becomes the chosen one and its
        messages are shown (and sent, with "Send to MIDI" on). */
    void chooseChunk (int row);

    // The toolbar's actions (each followed by finishAction() when clicked).
    void setSendMode (bool shouldSend);
    void newChunk();
    void deleteChunk();
    void duplicateChunk();
    /** Reloads the list and points the message half at the chosen chunk. */
    void finishAction();

    int getNumRows() override { return numRows; }
    void paintRowBackground (juce::Graphics&, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell (juce::Graphics&, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    void cellClicked (int rowNumber, int columnId, const juce::MouseEvent&) override;
    void cellDoubleClicked (int rowNumber, int columnId, const juce::MouseEvent&) override;
    void buttonClicked (juce::Button* button) override;
    void boxScrolled (float) override {}
    void resized() override;

    std::unique_ptr<RaTableListBox> listBox;
    std::unique_ptr<VovirToolbar> toolbar;
    MessagePanel* messagePanel;
    int numRows = 0;
    int selectedRow = -1;
    std::vector<juce::String> categories, names;
    std::vector<int> ids;

private:
    bool askForCategoryAndName (const juce::String& title, std::function<juce::StringArray()> suggestion,
                                juce::String& category, juce::String& name);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ChunkPanel)
};

/** The messages of the chosen chunk and their toolbar: add, delete, copy and
    paste messages; a second click on a cell edits that field. */
class MessagePanel final : public juce::Component,
                           public juce::TableListBoxModel,
                           public RaTableListBoxListener,
                           public juce::Button::Listener
{
public:
    MessagePanel();
    ~MessagePanel() override;

    void syncWithDb();

    /** What a click on a cell does: selects the row, or edits the field when the
        row was already the selected one. */
    void clickCell (int row, int columnId);

    // The toolbar's actions (each followed by a sync when clicked).
    void newMessage();
    void deleteMessages();
    void copyMessage();
    void pasteMessage();

    int getNumRows() override { return numRows; }
    void paintRowBackground (juce::Graphics&, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell (juce::Graphics&, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    void cellClicked (int rowNumber, int columnId, const juce::MouseEvent&) override;
    void cellDoubleClicked (int, int, const juce::MouseEvent&) override {}
    void buttonClicked (juce::Button* button) override;
    void boxScrolled (float) override {}
    void resized() override;

    /** Sends the shown chunk when "Send to MIDI" is on. */
    void transmitIfSending();

    std::unique_ptr<RaTableListBox> listBox;
    std::unique_ptr<VovirToolbar> toolbar;
    std::unique_ptr<juce::Label> emptyLabel;
    int numRows = 0;
    int selectedRow = -1;
    int chunkId = -1;
    std::vector<int> ids;
    std::vector<float> times;
    std::vector<juce::String> devices;
    std::vector<int> channels, types, data1s, data2s;
    std::vector<juce::String> timeTexts, deviceTexts, channelTexts, typeTexts, data1Texts, data2Texts;

private:
    /** False when the user declined a change of every message's device. */
    bool editField (int messageId, int columnId);
    bool editDevice (int messageId);
    void reselect (int messageId);
    /** False, after telling the user, when no existing chunk is shown. */
    bool checkChunkChosen();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MessagePanel)
};

/** The chunk list over the message list. */
class MidiEditorPanel final : public juce::Component
{
public:
    MidiEditorPanel();
    ~MidiEditorPanel() override;

    void resized() override;

    std::unique_ptr<MessagePanel> messagePanel;
    std::unique_ptr<ChunkPanel> chunkPanel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiEditorPanel)
};

/** The "MIDI Chunks Editor" window. Each opening starts with "Send to MIDI" off
    and nothing copied. */
class MidiEventsWindow final : public juce::DocumentWindow
{
public:
    MidiEventsWindow();
    ~MidiEventsWindow() override;

    void closeButtonPressed() override;

    MidiEditorPanel* getEditorPanel() const;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiEventsWindow)
};

/** Opens the chunk editor modally at 800 × 600 over the main window and returns
    when it is closed; chunkToSelect (a MidiEventID, −1 for none) is chosen
    first when the list holds it. The "MIDI chunk editor..." command and the
    memo options' "Edit MIDI chunks..." entry both come here. */
void openMidiChunkEditor (int chunkToSelect = -1);

/** What the window's constructor does: sending off, nothing copied. */
void beginChunkEditorSession();
/** Whether "Send to MIDI" is on. */
bool isChunkSendModeOn();

/** Shows a pop-up menu at the mouse and returns the chosen item id (0 for
    none). Tests replace it; null means the real menu. */
extern std::function<int (const juce::PopupMenu&)> chunkEditorMenuChooser;

/** "C-2" … "G8" for note numbers 0–127. */
juce::String noteLabel (int note);
/** "7 Main Volume (coarse)", "3"… for controller numbers 0–127. */
juce::String ccLabel (int controller);
/** "Note OFF", "Note ON", "CC control", "Program change", "Pitch wheel"; empty otherwise. */
juce::String messageTypeName (int type);
