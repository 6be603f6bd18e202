// Remote control: the rules that turn learnt MIDI messages and keys into the four
// transport events, learning them in the Remote Control panel, and the hand-over
// of messages from the input thread while the panel comes and goes.

#include "app/EventFlags.h"
#include "app/Globals.h"
#include "app/MainTimer.h"
#include "app/StartupSettings.h"
#include "midi/MidiLearnPanel.h"
#include "midi/RemoteControl.h"
#include "support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
const char* const assignmentKeys[] = { "startCh",  "startCc",  "startNote",  "startKey", "rewindCh", "rewindCc",
                                       "rewindNote", "rewindKey", "nextCh",  "nextCc",  "nextNote",  "nextKey",
                                       "prevCh",   "prevCc",   "prevNote",   "prevKey" };

/** Which events are raised now (and clears them): "start", "next"... or "-". */
juce::String takeEvents()
{
    juce::StringArray raised;
    if (startEventReceived.exchange (false))
        raised.add ("start");
    if (rewindEventReceived.exchange (false))
        raised.add ("rewind");
    if (nextEventReceived.exchange (false))
        raised.add ("next");
    if (prevEventReceived.exchange (false))
        raised.add ("prev");
    return raised.isEmpty() ? juce::String ("-") : raised.joinIntoString ("+");
}

/** Settings without any assignment, the globals following them, no events raised. */
class RemoteControlTest : public ::testing::Test
{
protected:
    void SetUp() override { clearAll(); }
    void TearDown() override
    {
        deleteLearnPanel();
        clearAll();
    }

    static void clearAll()
    {
        for (auto* key : assignmentKeys)
            userSettings()->removeValue (key);
        readStartupSettings (userSettings());
        resetControllerEdges();
        takeEvents();
    }

    static void assign (const juce::String& prefix, int ch, int cc, int note, int key = -1)
    {
        userSettings()->setValue (prefix + "Ch", ch);
        userSettings()->setValue (prefix + "Cc", cc);
        userSettings()->setValue (prefix + "Note", note);
        userSettings()->setValue (prefix + "Key", key);
        updateRemoteControlGlobals();
    }

    /** Each message through the rule; the events raised after each one. */
    static juce::String run (std::initializer_list<juce::MidiMessage> messages)
    {
        juce::StringArray out;
        for (auto& message : messages)
        {
            handleRemoteControlMidi (message);
            out.add (takeEvents());
        }
        return out.joinIntoString (" ");
    }

    static bool pumpUntil (std::function<bool()> condition, int timeoutMs = 2000)
    {
        const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
        while (! condition() && juce::Time::getMillisecondCounter() < end)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
        return condition();
    }

    static int stored (const juce::String& key) { return userSettings()->getIntValue (key, -99); }

    ScriptedDialogs dialogs;
};

juce::MidiMessage noteOn (int ch, int note, int velocity)
{
    return juce::MidiMessage::noteOn (ch, note, (juce::uint8) velocity);
}
juce::MidiMessage cc (int ch, int number, int value)
{
    return juce::MidiMessage::controllerEvent (ch, number, value);
}

/** A main-timer owner that shows nothing; the key rule needs none of it. */
struct NoViews final : public ShellViews
{
    bool isSongEditorVisible() const override { return false; }
    bool isShowPlayerVisible() const override { return false; }
    bool isStopPromptShowing() const override { return false; }
    void showStopPrompt (const juce::String&) override {}
    void hideStopPrompt() override {}
    void highlightNextSong (bool, bool) override {}
    void highlightPreviousSong (bool, bool) override {}
    void tapTempo() override {}
    void openPluginWindow() override {}
};
} // namespace

TEST_F (RemoteControlTest, MidiRuleRaisesTheFirstMatchingEvent)
{
    // start: note 60 on channel 1; rewind: note 62 on channel 2; next: controller
    // 64 on channel 1; prev: controller 65 on channel 16, and also note 60 on
    // channel 1 (start comes first).
    assign ("start", 1, -1, 60);
    assign ("rewind", 2, -1, 62);
    assign ("next", 1, 64, -1);
    assign ("prev", 16, 65, 60);

    struct Case
    {
        const char* what;
        std::vector<juce::MidiMessage> messages;
        const char* events;
    };
    const Case cases[] = {
        { "note on", { noteOn (1, 60, 100) }, "start" },
        { "wrong channel, velocity 0, note off", { noteOn (2, 60, 100), noteOn (1, 60, 0), juce::MidiMessage::noteOff (1, 60) }, "- - -" },
        { "other note and channel", { noteOn (2, 62, 1), noteOn (1, 62, 127) }, "rewind -" },
        { "pedal press, repeat, release, press", { cc (1, 64, 127), cc (1, 64, 127), cc (1, 64, 0), cc (1, 64, 127) }, "next - - next" },
        { "value 64 twice", { cc (1, 64, 0), cc (1, 64, 64), cc (1, 64, 64) }, "- next next" },
        { "below 64", { cc (1, 64, 0), cc (1, 64, 63) }, "- -" },
        // A held pedal that repeats its value fires once, whatever other
        // controllers or channels send meanwhile.
        { "held pedal among others", { cc (1, 64, 0), cc (1, 64, 127), cc (1, 11, 100), cc (2, 64, 127), cc (1, 64, 127) }, "- next - - -" },
        { "channel mismatch", { cc (2, 64, 0), cc (2, 64, 127), cc (16, 64, 127) }, "- - -" },
        { "controller on channel 16", { cc (16, 65, 127), cc (16, 65, 0), cc (16, 65, 100) }, "prev - prev" },
        { "neither note nor controller", { juce::MidiMessage::programChange (1, 60), juce::MidiMessage::pitchWheel (1, 64),
                                           juce::MidiMessage::midiClock(), juce::MidiMessage::aftertouchChange (1, 60, 100) }, "- - - -" },
    };

    for (auto& c : cases)
    {
        juce::StringArray out;
        for (auto& message : c.messages)
        {
            handleRemoteControlMidi (message);
            out.add (takeEvents());
        }
        EXPECT_EQ (out.joinIntoString (" "), c.events) << c.what;
    }
}

TEST_F (RemoteControlTest, UnassignedAndClearedControlsNeverMatch)
{
    // Nothing assigned: every note and controller on every channel is ignored.
    for (int ch = 1; ch <= 16; ++ch)
        for (int n = 0; n < 128; ++n)
        {
            handleRemoteControlMidi (noteOn (ch, n, 100));
            handleRemoteControlMidi (cc (ch, n, 127));
        }
    EXPECT_EQ (takeEvents(), "-");

    // A channel of −1 (what "Clear..." leaves) never matches either.
    assign ("start", -1, 7, 60);
    EXPECT_EQ (run ({ noteOn (1, 60, 100), cc (1, 7, 127) }), "- -");

    // A stored 255 reads as none, the way start-up reads it.
    userSettings()->setValue ("nextCh", 1);
    userSettings()->setValue ("nextCc", 255);
    readStartupSettings (userSettings());
    EXPECT_EQ ((int) nextCc, -1);
    EXPECT_EQ (run ({ cc (1, 127, 127) }), "-");
}

TEST_F (RemoteControlTest, LearntKeysComeBeforeTheWindowsOwnKeys)
{
    NoViews views;
    MainTimerLogic timer (views);
    using juce::KeyPress;
    using juce::ModifierKeys;

    assign ("start", 1, -1, -1, KeyPress::spaceKey);
    assign ("rewind", 1, -1, -1, 'O');
    assign ("next", 1, -1, -1, KeyPress::escapeKey);
    assign ("prev", 1, -1, -1, KeyPress::F5Key);

    struct Case
    {
        KeyPress key;
        const char* events;
    };
    const Case cases[] = {
        { KeyPress (KeyPress::spaceKey), "start" },  // not play/stop
        { KeyPress ('O'), "rewind" },                // not the looping toggle
        { KeyPress ('O', ModifierKeys::commandModifier, 0), "rewind" }, // modifiers are not compared
        { KeyPress (KeyPress::escapeKey), "next" },  // not stop and rewind
        { KeyPress (KeyPress::F5Key, ModifierKeys::shiftModifier, 0), "prev" },
    };
    for (auto& c : cases)
    {
        EXPECT_TRUE (timer.keyPressed (c.key)) << c.key.getTextDescription();
        EXPECT_EQ (takeEvents(), c.events) << c.key.getTextDescription();
    }

    // The first match wins; an unlearnt key is left to the window.
    assign ("prev", 1, -1, -1, KeyPress::spaceKey);
    EXPECT_TRUE (timer.keyPressed (KeyPress (KeyPress::spaceKey)));
    EXPECT_EQ (takeEvents(), "start");
    EXPECT_FALSE (timer.keyPressed (KeyPress ('x')));
    EXPECT_EQ (takeEvents(), "-");
}

TEST_F (RemoteControlTest, LearningNotesControllersAndKeysAndClearingThem)
{
    auto* panel = createLearnPanel();
    ASSERT_EQ (learnPanel, panel);
    auto& list = *panel->thingsList;
    ASSERT_EQ (list.things.size(), 4u);
    EXPECT_EQ (list.things[0].description, "Show Library : Start/stop playback");
    EXPECT_EQ (list.things[3].prefix, "next");

    // Nothing selected: incoming MIDI learns nothing, and still acts.
    assign ("start", 3, -1, 40);
    handleRemoteControlMidi (noteOn (3, 40, 90));
    ASSERT_TRUE (pumpUntil ([] { return startEventReceived.load(); }));
    EXPECT_EQ (takeEvents(), "start");
    EXPECT_EQ (stored ("startNote"), 40);

    // A note for start, from the input thread: learnt first, then acted on.
    list.selectRow (0);
    std::thread input ([] { handleRemoteControlMidi (noteOn (2, 60, 100)); });
    input.join();
    ASSERT_TRUE (pumpUntil ([] { return startNote == 60; }));
    EXPECT_EQ (takeEvents(), "start");
    EXPECT_EQ (stored ("startCh"), 2);
    EXPECT_EQ (stored ("startCc"), -1);
    EXPECT_EQ (list.assignmentText (0), "Note 60 (ch2)");

    // A controller for the same control replaces the note, so the note no longer triggers it.
    handleRemoteControlMidi (cc (2, 64, 127));
    ASSERT_TRUE (pumpUntil ([] { return startCc == 64; }));
    EXPECT_EQ (stored ("startNote"), -1);
    EXPECT_EQ ((int) startNote, -1);
    takeEvents();
    list.deselectAllRows();
    EXPECT_EQ (run ({ noteOn (2, 60, 100) }), "-");
    pumpUntil ([] { return false; }, 20);
    EXPECT_EQ (takeEvents(), "-");

    // A key for next and prev at once; the MIDI part stays.
    list.selectRow (3);
    list.selectRow (2, false, false);
    ASSERT_EQ (list.getSelectedThings().size(), 2u);
    EXPECT_TRUE (panel->keyPressed (juce::KeyPress ('K', juce::ModifierKeys::ctrlModifier, 0)));
    EXPECT_EQ ((int) nextKey, 'K');
    EXPECT_EQ ((int) prevKey, 'K');
    handleRemoteControlMidi (cc (5, 1, 0));
    ASSERT_TRUE (pumpUntil ([] { return nextCc == 1; }));
    EXPECT_EQ (list.assignmentText (3), "CC 1 (ch5) | " + juce::KeyPress ('K').getTextDescription());
    EXPECT_EQ (list.assignmentText (2), "CC 1 (ch5) | " + juce::KeyPress ('K').getTextDescription());

    // The repaint follows on the panel's timer.
    EXPECT_TRUE (panel->changed);
    ASSERT_TRUE (pumpUntil ([panel] { return ! panel->changed; }, 1000));

    // Every key reaching the panel is consumed, also with nothing selected.
    list.deselectAllRows();
    EXPECT_TRUE (panel->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey)));
    EXPECT_EQ ((int) nextKey, 'K');

    // "Clear..." needs a selection, asks, and forgets MIDI and key.
    panel->buttonClicked (panel->clearButton.get());
    ASSERT_EQ (dialogs.count(), 1);
    EXPECT_EQ (dialogs.shown()[0].icon, juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (dialogs.shown()[0].title, "Select something in the list first.");

    list.selectRow (2);
    list.selectRow (3, false, false);
    dialogs.answerButton (0);
    panel->buttonClicked (panel->clearButton.get());
    EXPECT_EQ ((int) nextKey, 'K') << "No keeps everything";

    panel->buttonClicked (panel->clearButton.get());
    ASSERT_EQ (dialogs.count(), 3);
    EXPECT_EQ (dialogs.shown()[2].title, "Really clear MIDI assignments for the selected controls?");
    EXPECT_EQ (dialogs.shown()[2].buttons, juce::StringArray ({ "Yes", "No" }));
    for (auto prefix : { "next", "prev" })
        for (auto value : { "Ch", "Cc", "Note", "Key" })
            EXPECT_EQ (stored (juce::String (prefix) + value), -1) << prefix << value;
    EXPECT_EQ ((int) nextCh, -1);
    EXPECT_EQ ((int) prevKey, -1);
    EXPECT_EQ (list.assignmentText (2), "");
    EXPECT_EQ (list.assignmentText (3), "");
    EXPECT_EQ (list.assignmentText (0), "CC 64 (ch2)");

    deleteLearnPanel();
    EXPECT_EQ (learnPanel, nullptr);
}

TEST_F (RemoteControlTest, LearntAssignmentsSurviveARestart)
{
    auto* panel = createLearnPanel();
    panel->thingsList->selectRow (3);
    handleRemoteControlMidi (cc (1, 64, 127));
    ASSERT_TRUE (pumpUntil ([] { return nextCc == 64; }));
    panel->keyPressed (juce::KeyPress (juce::KeyPress::spaceKey));
    deleteLearnPanel();

    // The program ends: the settings are written and closed; the next start reads them.
    auto file = userSettings()->getFile();
    userSettings()->saveIfNeeded();
    appProperties->closeFiles();
    EXPECT_TRUE (file.loadFileAsString().contains ("nextCc"));

    nextCh = 9;
    nextCc = -1;
    nextKey = -1;
    readStartupSettings (userSettings()); // reopens the file
    EXPECT_EQ ((int) nextCh, 1);
    EXPECT_EQ ((int) nextCc, 64);
    EXPECT_EQ ((int) nextNote, -1);
    EXPECT_EQ ((int) nextKey, juce::KeyPress::spaceKey);
    EXPECT_EQ ((int) startCh, 1) << "a control never learnt keeps its built-in channel";
    takeEvents();
    EXPECT_EQ (run ({ cc (1, 64, 0), cc (1, 64, 127) }), "- next");
}

TEST_F (RemoteControlTest, MessagesFromAnotherThreadWhileTheWindowOpensAndCloses)
{
    // Run under the thread sanitizer: the input thread never touches a panel,
    // however its messages meet the panel's opening and closing.
    assign ("next", 1, 64, -1);
    std::atomic<bool> stop { false };
    std::atomic<int> sent { 0 };

    std::thread input ([&]
    {
        int i = 0;
        while (! stop.load())
        {
            handleRemoteControlMidi (cc (1, 64, (i & 1) != 0 ? 127 : 0));
            handleRemoteControlMidi (noteOn (1 + (i % 16), i % 128, 100));
            ++i;
            sent += 2;
            // Several times what a MIDI cable can carry (about 1000 messages a second).
            std::this_thread::sleep_for (std::chrono::microseconds (100));
        }
    });

    int learnt = 0;
    for (int opening = 0; opening < 200; ++opening)
    {
        auto* panel = createLearnPanel();
        panel->thingsList->selectRow (opening % 4);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (opening % 3);
        if (opening % 2 == 0)
            panel->keyPressed (juce::KeyPress ('a' + opening % 26));
        learnt += panel->changed ? 1 : 0;
        deleteLearnPanel();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    }

    stop = true;
    input.join();
    // Whatever was posted is delivered without any panel.
    bool drained = false;
    juce::MessageManager::callAsync ([&drained] { drained = true; });
    ASSERT_TRUE (pumpUntil ([&drained] { return drained; }, 60000));

    EXPECT_GT (sent.load(), 400);
    EXPECT_GT (learnt, 0);
    EXPECT_EQ (learnPanel, nullptr);
}
