// A tip box on the screen (the real one, under Xvfb) keeps Return and Escape for
// itself and passes every other key on to the program's transport keys, so a tip
// that appears on stage never holds back Space.

#include "app/TipDialog.h"
#include "gui/GuiTestSupport.h"
#include "ui/UserDialogs.h"

#include <gtest/gtest.h>

TEST (TipBox, PassesTheKeysItDoesNotUseToTheTransport)
{
    setUserDialogs (nullptr); // the real boxes
    juce::Array<int> passedOn;
    keysUnusedByTips = [&] (const juce::KeyPress& key)
    {
        passedOn.add (key.getKeyCode());
        return key.getKeyCode() == juce::KeyPress::spaceKey;
    };

    // Either answer closes the box; the keys before it went on to the transport.
    for (auto answer : { juce::KeyPress (juce::KeyPress::returnKey), juce::KeyPress (juce::KeyPress::escapeKey) })
    {
        passedOn.clear();
        bool tipWasUp = false;
        juce::Timer::callAfterDelay (300, [&, answer]
        {
            auto* box = juce::Component::getCurrentlyModalComponent();
            tipWasUp = box != nullptr && box->getPeer() != nullptr;
            if (! tipWasUp)
                return;
            box->getPeer()->handleKeyPress (juce::KeyPress (juce::KeyPress::spaceKey));
            box->getPeer()->handleKeyPress (juce::KeyPress ('o'));
            box->getPeer()->handleKeyPress (answer);
        });

        const auto key = juce::String ("keysTest") + juce::String (answer.getKeyCode());
        ShowTipDialog (key, "A tip that must not hold back Space.", nullptr);

        EXPECT_TRUE (tipWasUp);
        EXPECT_EQ (passedOn, juce::Array<int> ({ juce::KeyPress::spaceKey, 'o' }))
            << "the keys the box passed on, answered with " << answer.getTextDescription();
    }
    keysUnusedByTips = nullptr;
}
