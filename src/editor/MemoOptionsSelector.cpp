#include "editor/MemoOptionsSelector.h"

#include "data/DbModels.h"
#include "midi/MidiEventsWindow.h"

#include <algorithm>

namespace
{
juce::String chunkName (int chunkId)
{
    MidiEventModel chunk;
    if (chunkId != -1 && chunk.getMidiEvent (chunkId))
        return chunk.getFullName();
    return "Off";
}
} // namespace

MemoOptionsSelector::MemoOptionsSelector (int initialStyle, int initialCountIn, int initialStart, int initialEnd)
    : style (initialStyle), countIn (initialCountIn), startMidiEventId (initialStart), endMidiEventId (initialEnd)
{
    for (auto* label : { &styleLabel, &countInLabel, &startLabel, &endLabel })
        addAndMakeVisible (label);
    for (auto* button : { &styleButton, &countInButton, &startButton, &endButton })
    {
        addAndMakeVisible (button);
        button->addListener (this);
    }
    refreshBtns();
}

MemoOptionsSelector::~MemoOptionsSelector()
{
    for (auto* button : { &styleButton, &countInButton, &startButton, &endButton })
        button->removeListener (this);
}

void MemoOptionsSelector::refreshBtns()
{
    styleButton.setButtonText (style != 0 ? "Left aligned" : "Centre aligned");
    countInButton.setButtonText (countIn == 0 ? juce::String ("Off") : juce::String (countIn));
    startButton.setButtonText (chunkName (startMidiEventId));
    endButton.setButtonText (chunkName (endMidiEventId));
}

void MemoOptionsSelector::resized()
{
    const auto w = getWidth(), h = getHeight();
    const int shares[] = { w * 20 / 100, w * 20 / 100, w * 30 / 100 };
    const int widths[] = { shares[0], shares[1], shares[2], w - shares[0] - shares[1] - shares[2] };
    juce::Label* labels[] = { &styleLabel, &countInLabel, &startLabel, &endLabel };
    juce::TextButton* buttons[] = { &styleButton, &countInButton, &startButton, &endButton };

    int x = 0;
    for (int i = 0; i < 4; ++i)
    {
        const auto column = juce::Rectangle<int> (x, 0, widths[i] - 10, h).reduced (5, 0).withX (x + 5);
        labels[i]->setBounds (column.withHeight (h / 2));
        buttons[i]->setBounds (column.withTrimmedTop (h / 2));
        x += widths[i];
    }
}

juce::PopupMenu MemoOptionsSelector::makeStyleMenu() const
{
    juce::PopupMenu menu;
    menu.addItem (1, "Centre aligned", true, style == 0);
    menu.addItem (2, "Left aligned", true, style == 1);
    return menu;
}

juce::PopupMenu MemoOptionsSelector::makeCountInMenu() const
{
    juce::PopupMenu menu;
    menu.addItem (1, "Off", true, countIn == 0);
    menu.addSeparator();
    for (int beats = 1; beats <= 8; ++beats)
        menu.addItem (beats + 1, juce::String (beats), true, countIn == beats);
    return menu;
}

juce::PopupMenu MemoOptionsSelector::makeChunkMenu (int chunkId) const
{
    const auto chunks = RaDatabase::getInstance()->getMidiEvents();

    juce::PopupMenu menu;
    menu.addSectionHeader (chunks.empty() ? "No MIDI chunks defined" : "Select a MIDI chunk");
    menu.addItem (offItem, "Off", true, chunkId == -1);
    for (size_t k = 0; k < chunks.size(); ++k)
        menu.addItem ((int) k + 1, chunks[k].getFullName(), true, chunks[k].id == chunkId);
    menu.addSeparator();
    menu.addItem (editChunksItem, "Edit MIDI chunks...", true, false);
    return menu;
}

void MemoOptionsSelector::applyMenuResult (juce::Button* button, int result)
{
    if (result == 0)
        return;

    if (button == &styleButton)
        style = result - 1;
    else if (button == &countInButton)
        countIn = juce::jlimit (0, 8, result - 1);
    else if (button == &startButton || button == &endButton)
    {
        auto& field = button == &startButton ? startMidiEventId : endMidiEventId;
        if (result == offItem)
            field = -1;
        else if (result == editChunksItem)
        {
            if (openChunkEditor != nullptr)
                openChunkEditor (field);
            else
                ::openMidiChunkEditor (field);

            // A chunk deleted in the editor is no longer the memo's.
            const auto chunks = RaDatabase::getInstance()->getMidiEvents();
            for (auto* id : { &startMidiEventId, &endMidiEventId })
                if (std::none_of (chunks.begin(), chunks.end(), [id] (auto& c) { return c.id == *id; }))
                    *id = -1;
        }
        else
        {
            const auto chunks = RaDatabase::getInstance()->getMidiEvents();
            if (result >= 1 && result <= (int) chunks.size())
                field = chunks[(size_t) result - 1].id;
        }
    }
    refreshBtns();
}

void MemoOptionsSelector::buttonClicked (juce::Button* button)
{
    juce::PopupMenu menu;
    if (button == &styleButton)
        menu = makeStyleMenu();
    else if (button == &countInButton)
        menu = makeCountInMenu();
    else
        menu = makeChunkMenu (button == &startButton ? startMidiEventId : endMidiEventId);

    juce::Component::SafePointer<MemoOptionsSelector> self (this);
    menu.showMenuAsync (juce::PopupMenu::Options().withTargetComponent (button),
                        [self, button] (int result)
                        {
                            if (self != nullptr)
                                self->applyMenuResult (button, result);
                        });
}

