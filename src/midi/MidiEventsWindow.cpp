#include "midi/MidiEventsWindow.h"

#include "app/MainHostWindow.h"
#include "data/DbModels.h"
#include "data/RaDatabase.h"
#include "midi/MidiDevices.h"
#include "ui/ColourScheme.h"
#include "ui/UserDialogs.h"
#include "ui/Widgets.h"

#include <cmath>
#include <map>
#include <optional>

std::function<int (const juce::PopupMenu&)> chunkEditorMenuChooser;

namespace
{
// The toolbars' buttons, told apart in buttonClicked (owned by their toolbars).
juce::Button *newChunkBtn = nullptr, *editChunkBtn = nullptr, *deleteChunkBtn = nullptr,
             *duplicateChunkBtn = nullptr, *sendBtn = nullptr;
juce::Button *newMsgBtn = nullptr, *deleteMsgBtn = nullptr, *copyMsgBtn = nullptr, *pasteMsgBtn = nullptr,
             *closeBtn = nullptr;

// One set for the process; every opening of the window resets the switch and the clipboard.
bool sendModeOn = false;
bool gotClipboard = false;
float clipTime = 0.0f;
juce::String clipDev;
int clipCh = 0, clipMsg = 0, clipData1 = 0, clipData2 = 0;

constexpr int noteOff = 128, noteOn = 144, controlChange = 176, programChange = 192, pitchWheel = 224;

const char* const noteNames[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };

void forget (juce::Button*& pointer, juce::Button* button)
{
    if (pointer == button)
        pointer = nullptr;
}

int chooseFromMenu (const juce::PopupMenu& menu)
{
    if (chunkEditorMenuChooser != nullptr)
        return chunkEditorMenuChooser (menu);
    juce::PopupMenu shown (menu);
    return shown.show();
}

juce::Font cellFont()
{
    return juce::Font (raFontName, defFontSz, juce::Font::plain);
}

void setUpTable (RaTableListBox& box, RaTableListBoxListener& listener,
                 std::initializer_list<std::tuple<int, const char*, int, int>> columns)
{
    box.scrollListener = &listener;
    box.setHeaderHeight (18);
    box.setColour (juce::ListBox::backgroundColourId, darkerColour);
    const int flags = juce::TableHeaderComponent::visible | juce::TableHeaderComponent::resizable
                      | juce::TableHeaderComponent::draggable | juce::TableHeaderComponent::appearsOnColumnMenu;
    for (auto& [id, title, width, maximum] : columns)
        box.getHeader().addColumn (title, id, width, 30, maximum, flags);
}

void paintRow (juce::Graphics& g, bool rowIsSelected)
{
    if (rowIsSelected)
        g.fillAll (complementColour);
}

void paintCellText (juce::Graphics& g, const juce::String& text, int width, int height, bool rowIsSelected)
{
    g.setColour (rowIsSelected ? darkestColour : darkerColour);
    g.drawRect (0, 0, width, height, 1);
    g.setColour (rowIsSelected ? textInvColour : textColour);
    g.setFont (cellFont());
    g.drawText (text, 2, 0, width - 4, height, juce::Justification::centredLeft, true);
}

const juce::String& textAt (const std::vector<juce::String>& texts, int row)
{
    static const juce::String none;
    return juce::isPositiveAndBelow (row, (int) texts.size()) ? texts[(size_t) row] : none;
}

void relayout (juce::TableListBox& box)
{
    box.updateContent();
    box.repaint();
    box.resized();
}

/** Every message of the chunks given, set to one device. */
void setDeviceOfMessages (const std::vector<MidiEventModel>& chunks, const juce::String& device)
{
    // One journal scope for the lot; each stored field is still an undo step of its own.
    const RaDatabase::ScopedChunkMessagesJournal journal (*RaDatabase::getInstance());
    for (auto& chunk : chunks)
        for (auto& message : chunk.getMidiMessages())
            message.setStringField ("OutDevice", device);
}

/** A number of seconds as typed: digits with an optional sign, point and exponent. */
std::optional<float> parseSeconds (const juce::String& typed)
{
    auto text = typed.trim();
    if (text.isEmpty() || ! text.containsOnly ("0123456789.+-eE") || ! text.containsAnyOf ("0123456789"))
        return std::nullopt;
    const double value = text.getDoubleValue();
    if (! std::isfinite (value) || value < 0.0 || value > 86400.0)
        return std::nullopt;
    return (float) value;
}
} // namespace

//==============================================================================
juce::String noteLabel (int note)
{
    if (! juce::isPositiveAndBelow (note, 128))
        return {};
    return juce::String (noteNames[note % 12]) + juce::String (note / 12 - 2);
}

juce::String ccLabel (int controller)
{
    if (! juce::isPositiveAndBelow (controller, 128))
        return {};

    static const std::map<int, const char*> named {
        { 0, "Bank Select (coarse)" },      { 1, "Mod Wheel (coarse)" },
        { 2, "Breath Ctrl (coarse)" },      { 4, "Foot Controller (coarse)" },
        { 5, "Portamento Time (coarse)" },  { 6, "Data Entry Slider (coarse)" },
        { 7, "Main Volume (coarse)" },      { 8, "Stereo Balance (coarse)" },
        { 10, "Pan (coarse)" },             { 11, "Expression (coarse)" },
        { 12, "Effect Control 1 (coarse)" }, { 13, "Effect Control 2 (coarse)" },
        { 32, "Bank Select (fine)" },       { 33, "Mod Wheel (fine)" },
        { 34, "Breath Ctrl (fine)" },       { 36, "Foot Controller (fine)" },
        { 37, "Portamento Time (fine)" },   { 38, "Data Entry Slider (fine)" },
        { 39, "Main Volume (fine)" },       { 64, "Sustain Pedal" },
        { 65, "Portamento" },               { 66, "Sostenato Pedal" },
        { 67, "Soft Pedal" },               { 96, "Data Increment" },
        { 97, "Data Decrement" },           { 98, "NRPN (LSB)" },
        { 99, "NRPN (MSB)" },               { 100, "RPN (LSB)" },
        { 101, "RPN (MSB)" },               { 121, "Reset All Controllers" },
        { 122, "Local Control" },           { 123, "All Notes Off" },
        { 124, "Omni Off" },                { 125, "Omni On" },
        { 126, "Mono" },                    { 127, "Poly" },
    };

    auto found = named.find (controller);
    return found != named.end() ? juce::String (controller) + " " + found->second : juce::String (controller);
}

juce::String messageTypeName (int type)
{
    switch (type)
    {
        case noteOff: return "Note OFF";
        case noteOn: return "Note ON";
        case controlChange: return "CC control";
        case programChange: return "Program change";
        case pitchWheel: return "Pitch wheel";
        default: return {};
    }
}

void beginChunkEditorSession()
{
    sendModeOn = false;
    gotClipboard = false;
}

bool isChunkSendModeOn()
{
    return sendModeOn;
}

//==============================================================================
RaTableListBox::RaTableListBox (const juce::String& name, juce::TableListBoxModel* tableModel)
    : juce::TableListBox (name, tableModel)
{
}

void RaTableListBox::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    if (scrollListener != nullptr)
        scrollListener->boxScrolled (wheel.deltaY);
}

//==============================================================================
ChunkPanel::ChunkPanel (MessagePanel* messagesOfChosenChunk) : messagePanel (messagesOfChosenChunk)
{
    listBox = std::make_unique<RaTableListBox> ("chunkList", this);
    setUpTable (*listBox, *this, { { 1, "Category", 500, 1000 }, { 2, "MIDI Chunk Name", 500, 1000 } });
    addAndMakeVisible (*listBox);

    toolbar = std::make_unique<VovirToolbar> (darkerColour);
    newChunkBtn = toolbar->addButton ("New chunk", this, "add_48x.png", false);
    editChunkBtn = toolbar->addButton ("Edit...", this, "edit_48x.png", false);
    deleteChunkBtn = toolbar->addButton ("Delete...", this, "close_48x.png", false);
    duplicateChunkBtn = toolbar->addButton ("Duplicate", this, "copy_48x.png", false);
    sendBtn = toolbar->addButton ("Send to MIDI", this, "refresh_48.png", true);
    sendBtn->setClickingTogglesState (true);
    addAndMakeVisible (*toolbar);
}

ChunkPanel::~ChunkPanel()
{
    for (auto** pointer : { &newChunkBtn, &editChunkBtn, &deleteChunkBtn, &duplicateChunkBtn, &sendBtn })
        for (auto* button : toolbar->leftButtons)
            forget (*pointer, button);
    for (auto* button : toolbar->rightButtons)
        forget (sendBtn, button);
}

void ChunkPanel::resized()
{
    const int t = 56;
    listBox->setBounds (5, 5, getWidth() - 10, getHeight() - t - 10);
    toolbar->setBounds (5, getHeight() - t, getWidth() - 10, t);
}

void ChunkPanel::syncWithDb()
{
    categories.clear();
    names.clear();
    ids.clear();

    for (auto& chunk : RaDatabase::getInstance()->getMidiEvents())
    {
        categories.push_back (chunk.getStringField ("Category"));
        names.push_back (chunk.getStringField ("Name"));
        ids.push_back (chunk.id);
    }
    numRows = (int) ids.size();
    repaint();
    listBox->updateContent();
    listBox->repaint();
}

void ChunkPanel::paintRowBackground (juce::Graphics& g, int, int, int, bool rowIsSelected)
{
    paintRow (g, rowIsSelected);
}

void ChunkPanel::paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected)
{
    paintCellText (g, textAt (columnId == 1 ? categories : names, rowNumber), width, height, rowIsSelected);
    if (rowNumber == 0)
    {
        g.setColour (textColour);
        g.fillRect (0, 0, width, 4);
    }
}

void ChunkPanel::chooseChunk (int row)
{
    if (! juce::isPositiveAndBelow (row, numRows))
        return;

    selectedRow = row;
    if (listBox->getSelectedRow() != row)
        listBox->selectRow (row);
    messagePanel->chunkId = ids[(size_t) row];
    messagePanel->syncWithDb();
    messagePanel->transmitIfSending();
}

void ChunkPanel::cellClicked (int rowNumber, int, const juce::MouseEvent&)
{
    chooseChunk (rowNumber);
}

void ChunkPanel::cellDoubleClicked (int rowNumber, int, const juce::MouseEvent&)
{
    if (juce::isPositiveAndBelow (rowNumber, numRows))
        selectedRow = rowNumber;
    editChunk();
    finishAction();
}

void ChunkPanel::finishAction()
{
    // The list is sorted by category and name, so a new or renamed chunk moves
    // the rows: the chosen chunk is found again by its id, and a chunk that is
    // gone leaves nothing chosen.
    const int chosenId = messagePanel->chunkId;
    syncWithDb();

    selectedRow = -1;
    for (int row = 0; row < numRows; ++row)
        if (ids[(size_t) row] == chosenId)
            selectedRow = row;

    if (selectedRow != -1)
        listBox->selectRow (selectedRow);
    else
        listBox->deselectAllRows();

    messagePanel->chunkId = selectedRow != -1 ? chosenId : -1;
    messagePanel->syncWithDb();
    relayout (*listBox);
}

void ChunkPanel::buttonClicked (juce::Button* button)
{
    if (button == sendBtn)
        setSendMode (button->getToggleState());
    else if (button == newChunkBtn)
        newChunk();
    else if (button == editChunkBtn)
        editChunk();
    else if (button == deleteChunkBtn)
        deleteChunk();
    else if (button == duplicateChunkBtn)
        duplicateChunk();
    else
        return;

    finishAction();
}

void ChunkPanel::setSendMode (bool shouldSend)
{
    sendModeOn = shouldSend;
    if (sendBtn != nullptr && sendBtn->getToggleState() != shouldSend)
        sendBtn->setToggleState (shouldSend, juce::dontSendNotification);
    if (sendModeOn && juce::isPositiveAndBelow (selectedRow, numRows))
        MidiEventModel (ids[(size_t) selectedRow]).transmit();
}

bool ChunkPanel::askForCategoryAndName (const juce::String& title, std::function<juce::StringArray()> suggestion,
                                        juce::String& category, juce::String& name)
{
    for (;;)
    {
        const auto offered = suggestion();
        auto answer = userDialogs().askForFields (
            title, { { "Category", offered[0], "Category" }, { "Name", offered[1], "Name" } }, this);
        if (! answer.has_value() || answer->size() < 2)
            return false;

        category = (*answer)[0];
        name = (*answer)[1];

        if (category.isEmpty() || name.isEmpty())
            userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "Name or category blank",
                                          "Please specify both a name & category.", "OK", this);
        else if (MidiEventModel::doesEventExist (category, name))
            userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "Chunk already exists",
                                          "A chunk already exists with that name & category. Please try again.",
                                          "OK", this);
        else
            return true;
    }
}

void ChunkPanel::newChunk()
{
    juce::String category, name;
    // A failed attempt offers what was typed.
    if (askForCategoryAndName ("Create new chunk:", [&] { return juce::StringArray { category, name }; }, category,
                               name))
        MidiEventModel().createMidiEvent (category, name);
}

void ChunkPanel::editChunk()
{
    if (! juce::isPositiveAndBelow (selectedRow, numRows))
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "No chunk selected",
                                      "Please select a MIDI chunk first", "OK", this);
        return;
    }

    MidiEventModel chunk (ids[(size_t) selectedRow]);
    auto answer = userDialogs().askForFields (
        "Edit chunk category & name:",
        { { "Category", chunk.getStringField ("Category"), "Category" }, { "Name", chunk.getStringField ("Name"), "Name" } },
        this);
    if (! answer.has_value() || answer->size() < 2)
        return;

    auto& db = *RaDatabase::getInstance();
    db.startTransaction ("Edit Chunk Name");
    chunk.setStringField ("Category", (*answer)[0]);
    chunk.setStringField ("Name", (*answer)[1]);
    db.endTransaction();
}

void ChunkPanel::deleteChunk()
{
    if (! juce::isPositiveAndBelow (selectedRow, numRows))
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "No chunk selected",
                                      "Please select a MIDI chunk first", "OK", this);
        return;
    }

    MidiEventModel chunk (ids[(size_t) selectedRow]);
    const int uses = chunk.getNumDependentMemos();
    const auto question = uses > 0 ? "This chunk is used in " + juce::String (uses)
                                         + " places!\n\nDo you really want to delete it?"
                                   : juce::String ("This chunk is not used in any tracks. Do you want to delete it?");
    if (userDialogs().showOkCancelBox (juce::MessageBoxIconType::NoIcon, "Delete chunk...", question, "Yes", "No",
                                       this))
        chunk.deleteMidiEvent();
}

void ChunkPanel::duplicateChunk()
{
    if (! juce::isPositiveAndBelow (selectedRow, numRows))
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::NoIcon, "No chunk selected",
                                      "Please select a MIDI chunk first", "OK", this);
        return;
    }

    MidiEventModel source (ids[(size_t) selectedRow]);
    juce::String category, name;
    // Every attempt offers the suggestion again, read from the source.
    if (! askForCategoryAndName (
            "Enter category & name for the duplicate chunk:",
            [&] { return juce::StringArray { source.getStringField ("Category"), source.getStringField ("Name") + " (copy)" }; },
            category, name))
        return;

    MidiEventModel copy;
    copy.createMidiEvent (category, name);
    if (copy.id <= 0)
        return;

    for (auto& message : source.getMidiMessages())
        copy.addMidiMessage (message.getFloatField ("Time"), message.getStringField ("OutDevice"),
                             message.getIntField ("Channel"), message.getIntField ("Message"),
                             message.getIntField ("Data1"), message.getIntField ("Data2"));
}

//==============================================================================
MessagePanel::MessagePanel()
{
    listBox = std::make_unique<RaTableListBox> ("messageList", this);
    setUpTable (*listBox, *this,
                { { 1, "Time", 100, 400 },
                  { 2, "Output", 200, 400 },
                  { 3, "Channel", 100, 400 },
                  { 4, "Message", 200, 400 },
                  { 5, "Data 1", 250, 400 },
                  { 6, "Data 2", 200, 400 } });
    addAndMakeVisible (*listBox);

    emptyLabel = std::make_unique<juce::Label> (juce::String(),
                                                "Empty MIDI chunk\n\nClick 'New message' to add some content!");
    emptyLabel->setJustificationType (juce::Justification::centred);
    addChildComponent (*emptyLabel);

    toolbar = std::make_unique<VovirToolbar> (darkerColour);
    newMsgBtn = toolbar->addButton ("New message", this, "add_48x.png", false);
    deleteMsgBtn = toolbar->addButton ("Delete...", this, "close_48x.png", false);
    copyMsgBtn = toolbar->addButton ("Copy", this, "copy_48x.png", false);
    pasteMsgBtn = toolbar->addButton ("Paste", this, "paste_48.png", false);
    closeBtn = toolbar->addButton ("Close", this, "ok_48.png", true);
    addAndMakeVisible (*toolbar);
}

MessagePanel::~MessagePanel()
{
    for (auto* buttons : { &toolbar->leftButtons, &toolbar->rightButtons })
        for (auto* button : *buttons)
            for (auto** pointer : { &newMsgBtn, &deleteMsgBtn, &copyMsgBtn, &pasteMsgBtn, &closeBtn })
                forget (*pointer, button);
}

void MessagePanel::resized()
{
    const int t = 56;
    listBox->setBounds (5, 5, getWidth() - 10, getHeight() - t - 10);
    toolbar->setBounds (5, getHeight() - t, getWidth() - 10, t);
    emptyLabel->setBounds (20, 20, getWidth() - 40, getHeight() - t - 30);
}

void MessagePanel::syncWithDb()
{
    for (auto* values : { &ids, &channels, &types, &data1s, &data2s })
        values->clear();
    times.clear();
    devices.clear();
    for (auto* texts : { &timeTexts, &deviceTexts, &channelTexts, &typeTexts, &data1Texts, &data2Texts })
        texts->clear();

    for (auto& message : MidiEventModel (chunkId).getMidiMessages())
    {
        const auto device = message.getStringField ("OutDevice");
        const float time = message.getFloatField ("Time");
        const int channel = message.getIntField ("Channel");
        const int type = message.getIntField ("Message");
        const int data1 = message.getIntField ("Data1");
        const int data2 = message.getIntField ("Data2");

        ids.push_back (message.id);
        times.push_back (time);
        devices.push_back (device);
        channels.push_back (channel);
        types.push_back (type);
        data1s.push_back (data1);
        data2s.push_back (data2);

        timeTexts.push_back (juce::String::formatted ("%.2f", (double) time));
        deviceTexts.push_back (device.isEmpty() ? juce::String ("-SELECT DEVICE-") : device);
        channelTexts.push_back ("Ch " + juce::String (channel + 1));
        typeTexts.push_back (messageTypeName (type));

        switch (type)
        {
            case noteOff:
            case noteOn:
                data1Texts.push_back (noteLabel (data1));
                data2Texts.push_back ("Velocity " + juce::String (data2));
                break;
            case controlChange:
                data1Texts.push_back (ccLabel (data1));
                data2Texts.push_back (juce::String (data2));
                break;
            case programChange:
                data1Texts.push_back ("Prog " + juce::String (data1 + 1));
                data2Texts.push_back ("not used");
                break;
            case pitchWheel:
                data1Texts.push_back ("LSB " + juce::String (data1));
                data2Texts.push_back ("MSB " + juce::String (data2));
                break;
            default:
                data1Texts.push_back ({});
                data2Texts.push_back ({});
                break;
        }
    }

    numRows = (int) ids.size();
    emptyLabel->setVisible (numRows == 0);
    repaint();
    listBox->updateContent();
    listBox->repaint();
}

void MessagePanel::paintRowBackground (juce::Graphics& g, int, int, int, bool rowIsSelected)
{
    paintRow (g, rowIsSelected);
}

void MessagePanel::paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height,
                              bool rowIsSelected)
{
    static const std::vector<juce::String> MessagePanel::*columns[] = {
        &MessagePanel::timeTexts, &MessagePanel::deviceTexts, &MessagePanel::channelTexts,
        &MessagePanel::typeTexts, &MessagePanel::data1Texts,  &MessagePanel::data2Texts,
    };
    if (columnId < 1 || columnId > 6)
        return;
    paintCellText (g, textAt (this->*columns[columnId - 1], rowNumber), width, height, rowIsSelected);
}

void MessagePanel::cellClicked (int rowNumber, int columnId, const juce::MouseEvent&)
{
    clickCell (rowNumber, columnId);
}

void MessagePanel::clickCell (int row, int columnId)
{
    if (! juce::isPositiveAndBelow (row, numRows))
        return;

    if (row != selectedRow)
    {
        selectedRow = row;
        if (! listBox->isRowSelected (row))
            listBox->selectRow (row);
        return;
    }

    const int messageId = ids[(size_t) row];
    if (columnId == 6 && types[(size_t) row] == programChange)
        return; // a program change has no second data byte

    if (! editField (messageId, columnId))
        return;

    syncWithDb();
    reselect (messageId);
    relayout (*listBox);
    transmitIfSending();
}

void MessagePanel::reselect (int messageId)
{
    for (int row = 0; row < numRows; ++row)
        if (ids[(size_t) row] == messageId)
        {
            listBox->selectRow (row);
            return;
        }
}

bool MessagePanel::editField (int messageId, int columnId)
{
    MidiMessageModel message (messageId);
    const int type = message.getIntField ("Message");

    auto pickNumber = [] (const juce::String& header, int current, std::function<juce::String (int)> text) -> int
    {
        juce::PopupMenu menu;
        menu.addSectionHeader (header);
        for (int value = 0; value < 128; ++value)
            menu.addItem (value + 1, text (value), true, value == current);
        return chooseFromMenu (menu) - 1;
    };

    switch (columnId)
    {
        case 1:
        {
            auto answer = userDialogs().askForFields (
                "Edit message time:", { { "Time", juce::String (message.getFloatField ("Time")), "Time (seconds)" } },
                this);
            if (answer.has_value() && ! answer->isEmpty())
            {
                if (auto seconds = parseSeconds ((*answer)[0]))
                    message.setFloatField ("Time", *seconds);
                else
                    userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Invalid time",
                                                  "\"" + (*answer)[0]
                                                      + "\" is not a time. Please enter the seconds from the start "
                                                        "of the chunk, such as 1.5; the time was left as it was.",
                                                  "OK", this);
            }
            return true;
        }

        case 2: return editDevice (messageId);

        case 3:
        {
            juce::PopupMenu menu;
            menu.addSectionHeader ("Select a MIDI channel");
            const int current = message.getIntField ("Channel") + 1;
            for (int k = 1; k <= 16; ++k)
                menu.addItem (k, juce::String (k), true, k == current);
            if (const int chosen = chooseFromMenu (menu); chosen >= 1 && chosen <= 16)
                message.setIntField ("Channel", chosen - 1);
            return true;
        }

        case 4:
        {
            juce::PopupMenu menu;
            menu.addSectionHeader ("Select a MIDI message type");
            for (int status : { noteOn, noteOff, controlChange, programChange, pitchWheel })
                menu.addItem (status, messageTypeName (status), true, status == type);
            if (const int chosen = chooseFromMenu (menu); messageTypeName (chosen).isNotEmpty())
                message.setIntField ("Message", chosen);
            return true;
        }

        case 5:
        {
            const int current = message.getIntField ("Data1");
            int chosen = -1;
            if (type == noteOff || type == noteOn)
                chosen = pickNumber ("Select a note", current, noteLabel);
            else if (type == controlChange)
                chosen = pickNumber ("Select a CC controller", current, ccLabel);
            else if (type == programChange)
                chosen = pickNumber ("Select a program number", current, [] (int v) { return juce::String (v + 1); });
            else if (type == pitchWheel)
                chosen = pickNumber ("Select the pitch LSB", current, [] (int v) { return juce::String (v); });
            if (juce::isPositiveAndBelow (chosen, 128))
                message.setIntField ("Data1", chosen);
            return true;
        }

        case 6:
        {
            const int current = message.getIntField ("Data2");
            auto plain = [] (int v) { return juce::String (v); };
            int chosen = -1;
            if (type == noteOff || type == noteOn)
                chosen = pickNumber ("Select the note velocity", current, plain);
            else if (type == controlChange)
                chosen = pickNumber ("Select the CC value", current, plain);
            else if (type == pitchWheel)
                chosen = pickNumber ("Select the pitch MSB", current, plain);
            if (juce::isPositiveAndBelow (chosen, 128))
                message.setIntField ("Data2", chosen);
            return true;
        }

        default: return true;
    }
}

bool MessagePanel::editDevice (int messageId)
{
    MidiMessageModel message (messageId);
    const auto current = message.getStringField ("OutDevice");
    const auto names = midiDevices().getOutputNames();

    auto deviceMenu = [&] (int firstId)
    {
        juce::PopupMenu menu;
        for (int i = 0; i < names.size(); ++i)
            menu.addItem (firstId + i, names[i], true, names[i] == current);
        return menu;
    };

    juce::PopupMenu forAll;
    forAll.addSubMenu ("messages in this chunk", deviceMenu (1001));
    forAll.addSubMenu ("chunks in this category", deviceMenu (2001));
    forAll.addSubMenu ("chunks in ALL categories", deviceMenu (3001));

    juce::PopupMenu menu;
    menu.addSectionHeader ("Select a MIDI output device");
    for (int i = 0; i < names.size(); ++i)
        menu.addItem (1 + i, names[i], true, names[i] == current);
    menu.addSeparator();
    menu.addSubMenu ("Set MIDI device for all", forAll);

    const int chosen = chooseFromMenu (menu);
    const int scope = chosen / 1000;
    const int index = chosen % 1000 - 1;
    if (chosen <= 0 || scope > 3 || ! juce::isPositiveAndBelow (index, names.size()))
        return true; // nothing chosen: the list is still refreshed

    const auto& device = names[index];
    if (scope == 0)
    {
        message.setStringField ("OutDevice", device);
        return true;
    }

    static const char* const warnings[] = {
        "This will change the MIDI device for ALL messages in this chunk. Continue?",
        "This will change the MIDI device for ALL MIDI chunks in this category. Continue?",
        "This will change the MIDI device for ALL your MIDI chunks. Continue?",
    };
    if (! userDialogs().showOkCancelBox (juce::MessageBoxIconType::WarningIcon, "Warning", warnings[scope - 1], "Yes",
                                         "No", this))
        return false;

    MidiEventModel chunk (chunkId);
    std::vector<MidiEventModel> chunks;
    if (scope == 1)
    {
        chunks.push_back (chunk);
    }
    else
    {
        const auto category = chunk.getStringField ("Category");
        for (auto& other : RaDatabase::getInstance()->getMidiEvents())
            if (scope == 3 || other.getStringField ("Category") == category)
                chunks.push_back (other);
    }
    setDeviceOfMessages (chunks, device);
    return true;
}

void MessagePanel::transmitIfSending()
{
    if (sendModeOn && chunkId > 0)
        MidiEventModel (chunkId).transmit();
}

void MessagePanel::buttonClicked (juce::Button* button)
{
    if (button == closeBtn)
    {
        if (auto* window = getTopLevelComponent(); window != nullptr && window != this)
            window->exitModalState (0);
        return;
    }

    if (button == newMsgBtn)
        newMessage();
    else if (button == deleteMsgBtn)
        deleteMessages();
    else if (button == copyMsgBtn)
        copyMessage();
    else if (button == pasteMsgBtn)
        pasteMessage();
    else
        return;

    syncWithDb();
    relayout (*listBox);
}

bool MessagePanel::checkChunkChosen()
{
    // Without this the database would refuse the row with a bare constraint error.
    MidiEventModel chunk;
    if (chunkId > 0 && chunk.getMidiEvent (chunkId))
        return true;

    userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "No chunk selected",
                                  "Please select a MIDI chunk first", "OK", this);
    return false;
}

void MessagePanel::newMessage()
{
    if (checkChunkChosen())
        MidiEventModel (chunkId).addMidiMessage (0.0f, "", 0, programChange, 0, 0);
}

void MessagePanel::deleteMessages()
{
    const auto selection = listBox->getSelectedRows();
    if (selection.isEmpty())
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing selected",
                                      "Please select a MIDI message first", "OK", this);
        return;
    }

    for (int i = 0; i < selection.size(); ++i)
        if (const int row = selection[i]; juce::isPositiveAndBelow (row, numRows))
            MidiMessageModel (ids[(size_t) row]).deleteMessage();
    transmitIfSending();
}

void MessagePanel::copyMessage()
{
    const auto selection = listBox->getSelectedRows();
    if (selection.isEmpty() || ! juce::isPositiveAndBelow (selection[0], numRows))
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing selected",
                                      "Please select a MIDI message first", "OK", this);
        return;
    }

    MidiMessageModel message (ids[(size_t) selection[0]]);
    clipTime = message.getFloatField ("Time");
    clipDev = message.getStringField ("OutDevice");
    clipCh = message.getIntField ("Channel");
    clipMsg = message.getIntField ("Message");
    clipData1 = message.getIntField ("Data1");
    clipData2 = message.getIntField ("Data2");
    gotClipboard = true;
}

void MessagePanel::pasteMessage()
{
    if (! gotClipboard)
    {
        userDialogs().showMessageBox (juce::MessageBoxIconType::InfoIcon, "Nothing to paste",
                                      "Please copy a MIDI message first", "OK", this);
        return;
    }
    if (! checkChunkChosen())
        return;

    MidiEventModel (chunkId).addMidiMessage (clipTime, clipDev, clipCh, clipMsg, clipData1, clipData2);
    transmitIfSending();
}

//==============================================================================
MidiEditorPanel::MidiEditorPanel()
{
    messagePanel = std::make_unique<MessagePanel>();
    chunkPanel = std::make_unique<ChunkPanel> (messagePanel.get());
    addAndMakeVisible (*chunkPanel);
    addAndMakeVisible (*messagePanel);
    chunkPanel->syncWithDb();
    messagePanel->syncWithDb();
    setSize (100, 100);
}

MidiEditorPanel::~MidiEditorPanel()
{
    chunkPanel.reset();
    messagePanel.reset();
}

void MidiEditorPanel::resized()
{
    const int half = getHeight() / 2;
    chunkPanel->setBounds (0, 0, getWidth(), half);
    messagePanel->setBounds (0, half, getWidth(), half);
}

//==============================================================================
MidiEventsWindow::MidiEventsWindow()
    : juce::DocumentWindow ("MIDI Chunks Editor", darkerColour,
                            juce::DocumentWindow::maximiseButton | juce::DocumentWindow::closeButton, true)
{
    beginChunkEditorSession();
    setUsingNativeTitleBar (true);
    setResizable (true, false);
    setContentOwned (new MidiEditorPanel(), true);
}

MidiEventsWindow::~MidiEventsWindow()
{
    clearContentComponent();
}

void MidiEventsWindow::closeButtonPressed()
{
    exitModalState (0);
}

MidiEditorPanel* MidiEventsWindow::getEditorPanel() const
{
    return dynamic_cast<MidiEditorPanel*> (getContentComponent());
}

void openMidiChunkEditor (int chunkToSelect)
{
    MidiEventsWindow window;
    juce::Component* over = mainWindow != nullptr ? mainWindow->getTopLevelComponent() : nullptr;
    window.centreAroundComponent (over, 800, 600);
    window.setVisible (true);

    if (auto* panel = window.getEditorPanel(); panel != nullptr && chunkToSelect != -1)
    {
        auto& chunks = *panel->chunkPanel;
        for (int row = 0; row < chunks.numRows; ++row)
            if (chunks.ids[(size_t) row] == chunkToSelect)
                chunks.chooseChunk (row);
    }

    window.runModalLoop();
}
