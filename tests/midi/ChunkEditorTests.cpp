// The MIDI chunk editor on a real database: chunks and their messages made,
// edited and deleted through the panels, every change undone and redone, and
// "Send to MIDI" recorded at the MIDI device seam.

#include "audio/FilePlayerProcessor.h"
#include "midi/MidiEventsWindow.h"
#include "midi/MidiServer.h"
#include "support/DbFixture.h"
#include "support/RecordingMidi.h"

#include <deque>
#include <functional>

using Bytes = std::vector<juce::uint8>;

namespace
{
/** The editor's two halves over a fresh database; menus answered from a script
    (0 = dismissed), "Synth" and "Lights" as the MIDI outputs. */
class ChunkEditorTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        midi.setOutputs ({ "Synth", "Lights" });
        MidiServer::deleteInstance();
        beginChunkEditorSession();
        chunkEditorMenuChooser = [this] (const juce::PopupMenu& menu)
        {
            menus.push_back (itemsOf (menu));
            if (menuAnswers.empty())
                return 0;
            auto answer = menuAnswers.front();
            menuAnswers.pop_front();
            return answer;
        };
        editor = std::make_unique<MidiEditorPanel>();
        editor->setSize (800, 600);
    }

    void TearDown() override
    {
        editor.reset();
        chunkEditorMenuChooser = nullptr;
        MidiServer::deleteInstance();
        DbTest::TearDown();
    }

    /** "Header" for section headers, "text*" for ticked items, "text>" for submenus, "|" for separators. */
    static juce::StringArray itemsOf (const juce::PopupMenu& menu)
    {
        juce::StringArray items;
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            auto& item = it.getItem();
            items.add (item.isSeparator ? juce::String ("|")
                                        : item.text + (item.isTicked ? "*" : "") + (item.subMenu != nullptr ? ">" : ""));
        }
        return items;
    }

    ChunkPanel& chunks() { return *editor->chunkPanel; }
    MessagePanel& messages() { return *editor->messagePanel; }

    int makeChunk (const juce::String& category, const juce::String& name)
    {
        MidiEventModel chunk;
        chunk.createMidiEvent (category, name);
        return chunk.id;
    }

    int rowOf (int chunkId)
    {
        for (int row = 0; row < chunks().numRows; ++row)
            if (chunks().ids[(size_t) row] == chunkId)
                return row;
        return -1;
    }

    void choose (int chunkId)
    {
        chunks().syncWithDb();
        chunks().chooseChunk (rowOf (chunkId));
    }

    /** The first click selects, the second edits. */
    void editCell (int row, int column)
    {
        messages().clickCell (row, column);
        messages().clickCell (row, column);
    }

    juce::StringArray rowTexts (int row)
    {
        auto& m = messages();
        auto r = (size_t) row;
        return { m.timeTexts[r], m.deviceTexts[r], m.channelTexts[r], m.typeTexts[r], m.data1Texts[r], m.data2Texts[r] };
    }

    std::vector<Bytes> sentBytes()
    {
        std::vector<Bytes> bytes;
        for (auto& block : midi.blocks())
            for (auto& event : block.events)
                bytes.push_back (event.bytes);
        return bytes;
    }

    RecordingMidi midi;
    std::unique_ptr<MidiEditorPanel> editor;
    std::vector<juce::StringArray> menus;
    std::deque<int> menuAnswers;
};
} // namespace

TEST_F (ChunkEditorTest, VocabularyOfTheCells)
{
    EXPECT_EQ (noteLabel (0), "C-2");
    EXPECT_EQ (noteLabel (60), "C3");
    EXPECT_EQ (noteLabel (61), "C#3");
    EXPECT_EQ (noteLabel (127), "G8");
    EXPECT_EQ (ccLabel (7), "7 Main Volume (coarse)");
    EXPECT_EQ (ccLabel (3), "3");
    EXPECT_EQ (ccLabel (64), "64 Sustain Pedal");
    EXPECT_EQ (ccLabel (127), "127 Poly");
    EXPECT_EQ (messageTypeName (176), "CC control");
    EXPECT_EQ (messageTypeName (160), "");
}

TEST_F (ChunkEditorTest, EmptyLibraryAndANewMessage)
{
    EXPECT_EQ (chunks().getNumRows(), 0);
    EXPECT_TRUE (messages().emptyLabel->isVisible());
    EXPECT_EQ (messages().emptyLabel->getText(), "Empty MIDI chunk\n\nClick 'New message' to add some content!");

    const int id = makeChunk ("Keys", "Patch");
    choose (id);
    messages().newMessage();
    messages().syncWithDb();
    ASSERT_EQ (messages().getNumRows(), 1);
    EXPECT_FALSE (messages().emptyLabel->isVisible());
    EXPECT_EQ (rowTexts (0), juce::StringArray ({ "0.00", "-SELECT DEVICE-", "Ch 1", "Program change", "Prog 1", "not used" }));
    EXPECT_TRUE (midi.blocks().empty()) << "a new message is not sent";
}

TEST_F (ChunkEditorTest, CreatingRenamingAndDeletingChunksAreUndoable)
{
    const int used = makeChunk ("Keys", "Patch");
    db().clearUndoStack();

    // New chunk: blank and existing pairs are refused and offered again as typed.
    dialogs.answerFields (juce::StringArray { "", "Intro" });
    dialogs.answerFields (juce::StringArray { "Keys", "Patch" });
    dialogs.answerFields (juce::StringArray { "Keys", "Intro" });
    chunks().newChunk();
    chunks().finishAction();
    auto titles = dialogs.titles();
    EXPECT_EQ (titles, juce::StringArray ({ "Create new chunk:", "Name or category blank", "Create new chunk:",
                                            "Chunk already exists", "Create new chunk:" }));
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ({ "", "" }));
    EXPECT_EQ (dialogs.shown()[2].buttons, juce::StringArray ({ "", "Intro" }));
    EXPECT_EQ (dialogs.shown()[4].buttons, juce::StringArray ({ "Keys", "Patch" }));
    ASSERT_EQ (chunks().names, std::vector<juce::String> ({ "Intro", "Patch" }));
    EXPECT_EQ (chunks().selectedRow, -1) << "the new chunk is not chosen";

    EXPECT_TRUE (db().undoStep());
    chunks().finishAction();
    EXPECT_EQ (chunks().names, std::vector<juce::String> ({ "Patch" }));
    EXPECT_TRUE (db().redoStep());
    chunks().finishAction();
    EXPECT_EQ (chunks().names, std::vector<juce::String> ({ "Intro", "Patch" }));

    // Renaming is one step for both fields; the chosen chunk stays chosen when
    // the sorted list moves it.
    MidiEventModel (used).addMidiMessage (0.0f, "Synth", 0, 192, 4, 0);
    choose (used);
    dialogs.clear();
    dialogs.answerFields (juce::StringArray { "Bass", "Low" });
    chunks().editChunk();
    chunks().finishAction();
    EXPECT_EQ (dialogs.shown()[0].title, "Edit chunk category & name:");
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ({ "Keys", "Patch" }));
    EXPECT_EQ (chunks().categories, std::vector<juce::String> ({ "Bass", "Keys" }));
    EXPECT_EQ (chunks().selectedRow, 0);
    EXPECT_EQ (messages().chunkId, used);
    EXPECT_EQ (messages().getNumRows(), 1);

    EXPECT_TRUE (db().undoStep());
    EXPECT_EQ (MidiEventModel (used).getStringField ("Category"), "Keys");
    EXPECT_EQ (MidiEventModel (used).getStringField ("Name"), "Patch");
    EXPECT_TRUE (db().redoStep());
    EXPECT_EQ (MidiEventModel (used).getFullName(), "Bass: Low");

    // Deleting a chunk that three memo ends use: the count is asked about, the
    // memos lose the reference, and undo brings chunk, messages and references back.
    auto lightShow = addTrack ("Song", "F/song.wav").getLightShows().at (0);
    lightShow.addMemo ("A", "", 1.0f, 0, used, -1, 1.0f);
    lightShow.addMemo ("B", "", 2.0f, 0, -1, used, 1.0f);
    lightShow.addMemo ("C", "", 3.0f, 0, used, -1, 1.0f);
    auto memos = lightShow.getMemos();
    chunks().finishAction();
    dialogs.clear();
    dialogs.answerButton (0);
    chunks().deleteChunk();
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].title, "Delete chunk...");
    EXPECT_EQ (dialogs.shown()[0].text, "This chunk is used in 3 places!\n\nDo you really want to delete it?");
    EXPECT_EQ (dialogs.shown()[0].buttons, juce::StringArray ({ "Yes", "No" }));
    EXPECT_EQ (rowCount ("MidiEvents"), 2) << "No keeps the chunk";

    chunks().deleteChunk();
    chunks().finishAction();
    EXPECT_EQ (rowCount ("MidiEvents"), 1);
    EXPECT_EQ (rowCount ("MidiMessages"), 0);
    EXPECT_EQ (rowCount ("ShowMemos", "StartMidiEventID IS NOT NULL OR EndMidiEventID IS NOT NULL"), 0);
    EXPECT_EQ (chunks().selectedRow, -1) << "a deleted chunk leaves nothing chosen";
    EXPECT_EQ (messages().chunkId, -1);
    EXPECT_TRUE (messages().emptyLabel->isVisible());

    EXPECT_TRUE (db().undoStep());
    EXPECT_EQ (rowCount ("MidiMessages", "MidiEventID=" + juce::String (used)), 1);
    ASSERT_EQ (memos.size(), 3u);
    EXPECT_EQ (memos[0].getIntField ("StartMidiEventID"), used);
    EXPECT_EQ (memos[1].getIntField ("EndMidiEventID"), used);
    EXPECT_EQ (memos[2].getIntField ("StartMidiEventID"), used);

    // With nothing chosen the three chunk actions say so.
    chunks().finishAction();
    chunks().selectedRow = -1;
    dialogs.clear();
    chunks().editChunk();
    chunks().deleteChunk();
    chunks().duplicateChunk();
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "No chunk selected", "No chunk selected", "No chunk selected" }));
}

TEST_F (ChunkEditorTest, DuplicatingCopiesEveryMessage)
{
    const int source = makeChunk ("Keys", "Patch");
    MidiEventModel (source).addMidiMessage (0.5f, "Synth", 2, 144, 60, 100);
    MidiEventModel (source).addMidiMessage (0.0f, "", 0, 192, 5, 0);
    choose (source);

    // A refused attempt offers the suggestion again, not what was typed.
    dialogs.answerFields (juce::StringArray { "Keys", "Patch" });
    dialogs.answerFields (juce::StringArray { "Keys", "Patch 2" });
    chunks().duplicateChunk();
    chunks().finishAction();
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Enter category & name for the duplicate chunk:",
                                                      "Chunk already exists",
                                                      "Enter category & name for the duplicate chunk:" }));
    EXPECT_EQ (dialogs.shown()[2].buttons, juce::StringArray ({ "Keys", "Patch (copy)" }));

    MidiEventModel copy;
    ASSERT_TRUE (copy.getMidiEvent (chunks().ids[1]));
    EXPECT_EQ (copy.getStringField ("Name"), "Patch 2");
    auto copied = copy.getMidiMessages();
    ASSERT_EQ (copied.size(), 2u);
    EXPECT_EQ (copied[0].getStringField ("OutDevice"), "Synth");
    EXPECT_FLOAT_EQ (copied[0].getFloatField ("Time"), 0.5f);
    EXPECT_EQ (copied[0].getIntField ("Data2"), 100);
    EXPECT_EQ (copied[1].getIntField ("Data1"), 5);
    EXPECT_EQ (chunks().selectedRow, 0) << "the source stays chosen";
}

TEST_F (ChunkEditorTest, EditingEveryFieldOfAMessage)
{
    const int id = makeChunk ("Keys", "Patch");
    MidiEventModel (id).addMidiMessage (0.0f, "Synth", 0, 144, 60, 100);
    choose (id);
    ASSERT_EQ (rowTexts (0), juce::StringArray ({ "0.00", "Synth", "Ch 1", "Note ON", "C3", "Velocity 100" }));

    // The first click on a row only selects it.
    messages().clickCell (0, 3);
    EXPECT_TRUE (menus.empty());

    menuAnswers = { 3 };
    messages().clickCell (0, 3);
    ASSERT_EQ (menus.size(), 1u);
    EXPECT_EQ (menus[0][0], "Select a MIDI channel");
    EXPECT_EQ (menus[0][1], "1*");
    EXPECT_EQ (rowTexts (0)[2], "Ch 3");

    menuAnswers = { 176 };
    messages().clickCell (0, 4);
    EXPECT_EQ (menus[1], juce::StringArray ({ "Select a MIDI message type", "Note ON*", "Note OFF", "CC control",
                                              "Program change", "Pitch wheel" }));
    EXPECT_EQ (rowTexts (0)[3], "CC control");
    EXPECT_EQ (rowTexts (0)[4], "60") << "Data1 is kept and shown as a controller";
    EXPECT_EQ (rowTexts (0)[5], "100");

    menuAnswers = { 8 };
    messages().clickCell (0, 5);
    EXPECT_EQ (menus[2][0], "Select a CC controller");
    EXPECT_EQ (menus[2].size(), 129);
    EXPECT_EQ (menus[2][61], "60*");
    EXPECT_EQ (rowTexts (0)[4], "7 Main Volume (coarse)");

    menuAnswers = { 1 };
    messages().clickCell (0, 6);
    EXPECT_EQ (menus[3][0], "Select the CC value");
    EXPECT_EQ (rowTexts (0)[5], "0");

    menuAnswers = { 2 };
    messages().clickCell (0, 2);
    EXPECT_EQ (menus[4], juce::StringArray ({ "Select a MIDI output device", "Synth*", "Lights", "|",
                                              "Set MIDI device for all>" }));
    EXPECT_EQ (rowTexts (0)[1], "Lights");

    dialogs.answerFields (juce::StringArray { "1.25" });
    messages().clickCell (0, 1);
    EXPECT_EQ (dialogs.shown().back().title, "Edit message time:");
    EXPECT_EQ (rowTexts (0)[0], "1.25");

    // A time that is no number is refused with a message and changes nothing.
    dialogs.answerFields (juce::StringArray { "1,5s" });
    messages().clickCell (0, 1);
    EXPECT_EQ (dialogs.shown().back().title, "Invalid time");
    EXPECT_EQ (rowTexts (0)[0], "1.25");

    // A program change's second data byte opens nothing.
    menuAnswers = { 192 };
    messages().clickCell (0, 4);
    const auto menusBefore = menus.size();
    messages().clickCell (0, 6);
    EXPECT_EQ (menus.size(), menusBefore);
    EXPECT_EQ (rowTexts (0), juce::StringArray ({ "1.25", "Lights", "Ch 3", "Program change", "Prog 8", "not used" }));
}

TEST_F (ChunkEditorTest, SetDeviceForAllScopes)
{
    const int keys = makeChunk ("Keys", "A");
    const int keysToo = makeChunk ("Keys", "B");
    const int keysLike = makeChunk ("Keys ", "C"); // not exactly the same category
    for (int id : { keys, keysToo, keysLike })
        MidiEventModel (id).addMidiMessage (0.0f, "", 0, 192, 0, 0);
    MidiEventModel (keys).addMidiMessage (1.0f, "", 0, 192, 1, 0);
    choose (keys);

    auto devicesOf = [] (int id)
    {
        juce::StringArray devices;
        for (auto& message : MidiEventModel (id).getMidiMessages())
            devices.add (message.getStringField ("OutDevice"));
        return devices;
    };

    // "chunks in this category", declined and then accepted.
    dialogs.answerButton (0);
    menuAnswers = { 2002, 2002 };
    editCell (0, 2);
    EXPECT_EQ (dialogs.shown().back().text,
               "This will change the MIDI device for ALL MIDI chunks in this category. Continue?");
    EXPECT_EQ (dialogs.shown().back().icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (devicesOf (keys), juce::StringArray ({ "", "" }));
    messages().clickCell (0, 2);
    EXPECT_EQ (devicesOf (keys), juce::StringArray ({ "Lights", "Lights" }));
    EXPECT_EQ (devicesOf (keysToo), juce::StringArray ({ "Lights" }));
    EXPECT_EQ (devicesOf (keysLike), juce::StringArray ({ "" }));

    menuAnswers = { 1001 };
    messages().clickCell (0, 2);
    EXPECT_EQ (devicesOf (keys), juce::StringArray ({ "Synth", "Synth" }));
    EXPECT_EQ (devicesOf (keysToo), juce::StringArray ({ "Lights" }));

    menuAnswers = { 3002 };
    messages().clickCell (0, 2);
    EXPECT_EQ (dialogs.shown().back().text, "This will change the MIDI device for ALL your MIDI chunks. Continue?");
    for (int id : { keys, keysToo, keysLike })
        for (auto& device : devicesOf (id))
            EXPECT_EQ (device, "Lights");
}

TEST_F (ChunkEditorTest, CopyPasteAndDeleteMessages)
{
    const int first = makeChunk ("Keys", "A");
    const int second = makeChunk ("Keys", "B");
    MidiEventModel (first).addMidiMessage (0.5f, "Synth", 3, 176, 7, 90);
    chunks().syncWithDb();

    // Nothing selected: Copy and Delete say so; nothing copied yet: Paste says so.
    choose (first);
    messages().copyMessage();
    messages().deleteMessages();
    messages().pasteMessage();
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Nothing selected", "Nothing selected", "Nothing to paste" }));
    EXPECT_EQ (dialogs.shown()[2].text, "Please copy a MIDI message first");
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::InfoIcon);

    messages().listBox->selectRow (0);
    messages().copyMessage();
    choose (second);
    messages().pasteMessage();
    messages().pasteMessage(); // the clipboard stays filled
    messages().syncWithDb();
    ASSERT_EQ (messages().getNumRows(), 2);
    EXPECT_EQ (rowTexts (1), juce::StringArray ({ "0.50", "Synth", "Ch 4", "CC control", "7 Main Volume (coarse)", "90" }));

    messages().listBox->selectRow (1);
    messages().deleteMessages();
    messages().syncWithDb();
    EXPECT_EQ (messages().getNumRows(), 1);
    EXPECT_EQ (rowCount ("MidiMessages"), 2);

    // A new opening of the window starts with nothing copied.
    beginChunkEditorSession();
    dialogs.clear();
    messages().pasteMessage();
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "Nothing to paste" }));
}

TEST_F (ChunkEditorTest, EveryEditOfTheMessagesIsUndoneAndRedoneOneFieldAtATime)
{
    const int first = makeChunk ("Keys", "A");
    const int second = makeChunk ("Keys", "B");
    MidiEventModel (first).addMidiMessage (0.5f, "Synth", 3, 176, 7, 90);
    db().clearUndoStack();

    auto allMessages = [this]
    {
        juce::StringArray rows;
        auto query = db().execQuery ("SELECT MidiMessageID,MidiEventID,Time,OutDevice,Channel,Message,Data1,Data2 "
                                     "FROM MidiMessages ORDER BY MidiMessageID");
        for (; query.hasStatement() && ! query.eof(); query.nextRow())
        {
            juce::StringArray fields;
            for (int f = 0; f < query.numFields(); ++f)
                fields.add (query.getStringField (f));
            rows.add (fields.joinIntoString ("|"));
        }
        return rows.joinIntoString ("\n");
    };

    // Each edit with the number of undo steps it makes: a stored field, a new or
    // deleted row is one step each.
    struct Edit { const char* what; int steps; std::function<void()> make; };
    const std::vector<Edit> edits {
        { "channel", 1, [&] { choose (first); menuAnswers = { 5 }; editCell (0, 3); } },
        { "type", 1, [&] { menuAnswers = { 144 }; messages().clickCell (0, 4); } },
        { "time", 1, [&] { dialogs.answerFields (juce::StringArray { "2.5" }); messages().clickCell (0, 1); } },
        { "new message", 1, [&] { messages().newMessage(); messages().syncWithDb(); } },
        { "device for the whole chunk", 2, [&] { dialogs.answerButton (1); menuAnswers = { 1002 }; messages().clickCell (0, 2); } },
        { "copy into another chunk", 1, [&] { messages().listBox->selectRow (0); messages().copyMessage(); choose (second); messages().pasteMessage(); } },
        { "delete", 1, [&] { choose (first); messages().listBox->selectRow (1); messages().deleteMessages(); } },
    };

    std::vector<juce::String> states { allMessages() };
    for (auto& edit : edits)
    {
        edit.make();
        ASSERT_NE (allMessages(), states.back()) << edit.what << " changed nothing";
        for (int step = 1; step < edit.steps; ++step)
            states.push_back ({}); // an intermediate state, not compared
        states.push_back (allMessages());
    }

    for (size_t i = states.size() - 1; i > 0; --i)
    {
        ASSERT_TRUE (db().undoStep());
        if (states[i - 1].isNotEmpty())
        {
            EXPECT_EQ (allMessages(), states[i - 1]) << "after undoing to state " << i - 1;
        }
    }
    for (size_t i = 1; i < states.size(); ++i)
    {
        ASSERT_TRUE (db().redoStep());
        if (states[i].isNotEmpty())
        {
            EXPECT_EQ (allMessages(), states[i]) << "after redoing to state " << i;
        }
    }

    // Outside the writes the messages table carries no journal triggers.
    EXPECT_EQ (db().querySingleInt ("SELECT COUNT(*) FROM sqlite_temp_master WHERE name LIKE '_MidiMessages_%'"), 0);
}

TEST_F (ChunkEditorTest, SendToMidiSendsExactlyTheEditedChunk)
{
    const int shown = makeChunk ("Keys", "A");
    const int other = makeChunk ("Keys", "B");
    MidiEventModel (shown).addMidiMessage (0.0f, "Synth", 0, 192, 5, 0);
    MidiEventModel (shown).addMidiMessage (0.0f, "Synth", 2, 144, 60, 100);
    MidiEventModel (other).addMidiMessage (0.0f, "Synth", 9, 144, 36, 127);
    choose (shown);
    EXPECT_TRUE (midi.blocks().empty()) << "sending is off";

    chunks().setSendMode (true);
    EXPECT_TRUE (isChunkSendModeOn());
    EXPECT_EQ (sentBytes(), std::vector<Bytes> ({ { 0xC0, 5 }, { 0x92, 60, 100 } }));

    // Editing a field sends the chunk as it is now; a dismissed menu still sends.
    menuAnswers = { 0, 101 };
    editCell (1, 6);
    EXPECT_EQ (midi.blocks().size(), 2u);
    messages().clickCell (1, 6);
    EXPECT_EQ (midi.blocks().back().events.back().bytes, Bytes ({ 0x92, 60, 100 }));
    EXPECT_EQ (midi.blocks().size(), 3u);

    // A program change's Data 2 sends nothing; a declined device change neither.
    messages().clickCell (0, 6);
    messages().clickCell (0, 6);
    EXPECT_EQ (midi.blocks().size(), 3u);
    menuAnswers = { 1002 };
    dialogs.answerButton (0);
    messages().clickCell (0, 2);
    EXPECT_EQ (midi.blocks().size(), 3u);

    // Paste and delete send the chunk they changed.
    messages().listBox->selectRow (0);
    messages().copyMessage();
    chunks().chooseChunk (rowOf (other));
    EXPECT_EQ (midi.blocks().back().events.size(), 1u);
    messages().pasteMessage();
    EXPECT_EQ (midi.blocks().back().events.size(), 2u);
    EXPECT_EQ (midi.blocks().back().events[0].bytes, Bytes ({ 0xC0, 5 }));

    chunks().setSendMode (false);
    const auto count = midi.blocks().size();
    chunks().chooseChunk (rowOf (shown));
    EXPECT_EQ (midi.blocks().size(), count);
    for (auto& block : midi.blocks())
        EXPECT_EQ (block.device, "Synth");
}

TEST_F (ChunkEditorTest, NoChunkChosenAddsNothingAndSaysWhy)
{
    const int id = makeChunk ("Keys", "A");
    MidiEventModel (id).addMidiMessage (0.0f, "Synth", 0, 192, 5, 0);
    choose (id);
    messages().listBox->selectRow (0);
    messages().copyMessage();

    // The chosen chunk is deleted: nothing is chosen any more.
    chunks().deleteChunk();
    chunks().finishAction();
    ASSERT_EQ (messages().chunkId, -1);
    dialogs.clear();
    messages().newMessage();
    messages().pasteMessage();
    EXPECT_EQ (rowCount ("MidiMessages"), 0);
    EXPECT_EQ (dialogs.titles(), juce::StringArray ({ "No chunk selected", "No chunk selected" }));
    EXPECT_EQ (dialogs.shown()[0].text, "Please select a MIDI chunk first");
}
