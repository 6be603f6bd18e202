// Paints a panel built from the program's widgets with its look and feel into an
// image, and keeps that image as build/screenshots/look-and-feel.png for a person
// to look at.

#include "support/TestEnvironment.h"
#include "ui/ColourScheme.h"
#include "ui/EmbeddedImages.h"
#include "ui/VovirLookAndFeel.h"
#include "ui/Widgets.h"

#include <gtest/gtest.h>

namespace
{
class DemoPanel final : public ColouredBox
    , private juce::Button::Listener
{
public:
    DemoPanel()
        : ColouredBox ("ColouredBox", mainColour)
        , toolbar (darkerColour)
        , knob (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::TextBoxBelow)
        , fader (juce::Slider::LinearHorizontal, juce::Slider::TextBoxLeft)
        , tabs (juce::TabbedButtonBar::TabsAtTop)
    {
        addAndMakeVisible (toolbar);
        toolbar.addButton ("Play", this, "play_48x.png", false);
        toolbar.addButton ("Rewind", this, "first_48x.png", false);
        toolbar.addButton ("Loop", this, "reload_48x.png", false)->setToggleState (true, juce::dontSendNotification);
        toolbar.addButton ("Paste", this, "paste_48.png", false);
        toolbar.addButton ("New", this, "add_48x.png", true);
        toolbar.addButton ("Delete", this, "close_48x.png", true)->setEnabled (false);

        logo.setImage (EmbeddedImages::getImage ("rascreenlogo_png"));
        addAndMakeVisible (logo);

        knob.setRange (0.0, 1.0);
        knob.setValue (0.7);
        knob.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 70, 22);
        addAndMakeVisible (knob);

        fader.setRange (-60.0, 6.0, 0.1);
        fader.setValue (-6.0);
        addAndMakeVisible (fader);

        toggleOn.setButtonText ("Double click to stop");
        toggleOn.setToggleState (true, juce::dontSendNotification);
        toggleOff.setButtonText ("Play immediately");
        addAndMakeVisible (toggleOn);
        addAndMakeVisible (toggleOff);

        combo.addItemList ({ "Viduroz Idav", "VOVIR" }, 1);
        combo.setSelectedId (2);
        addAndMakeVisible (combo);

        plainButton.setButtonText ("Send to MIDI");
        addAndMakeVisible (plainButton);

        tabs.addTab ("General", lighterColour, new juce::Component(), true);
        tabs.addTab ("Audio/MIDI Devices", lighterColour, new juce::Component(), true);
        tabs.setTabBarDepth (25);
        addAndMakeVisible (tabs);

        fadeTime = "2.5";
        useVid = true;
        ppqn = 96;
        smallFont = "16";
        juce::Array<juce::PropertyComponent*> rows;
        rows.add (new juce::TextPropertyComponent (fadeTime, "Fade time", 4, false));
        rows.add (new juce::BooleanPropertyComponent (useVid, "Controller", "Viduroz Idav"));
        rows.add (new juce::SliderPropertyComponent (ppqn, "PPQN", 1.0, 960.0, 1.0));
        properties.addSection ("General", rows);
        juce::Array<juce::PropertyComponent*> fontRows;
        fontRows.add (new juce::TextPropertyComponent (smallFont, "Small (buttons, menus, tabs)", 2, false));
        properties.addSection ("Font Sizes", fontRows);
        addAndMakeVisible (properties);

        setSize (760, 520);
    }

    void resized() override
    {
        toolbar.setBounds (0, 0, getWidth(), 56);
        logo.setBounds (10, 66, 276, 70);
        knob.setBounds (300, 66, 90, 110);
        fader.setBounds (400, 70, 340, 30);
        toggleOn.setBounds (400, 110, 200, 26);
        toggleOff.setBounds (400, 140, 200, 26);
        combo.setBounds (610, 110, 130, 26);
        plainButton.setBounds (610, 140, 130, 30);
        tabs.setBounds (10, 190, 300, 120);
        properties.setBounds (320, 190, 420, 310);
    }

    VovirToolbar toolbar;

private:
    void buttonClicked (juce::Button*) override {}

    juce::ImageComponent logo;
    juce::Slider knob, fader;
    juce::ToggleButton toggleOn, toggleOff;
    juce::ComboBox combo;
    juce::TextButton plainButton;
    juce::TabbedComponent tabs;
    juce::PropertyPanel properties;
    juce::Value fadeTime, useVid, ppqn, smallFont;
};
} // namespace

TEST (LookAndFeelSnapshot, PanelPaintsWithTheSchemeAndIsSavedForViewing)
{
    rebuildLookAndFeel();
    {
        DemoPanel panel;
        const auto image = panel.createComponentSnapshot (panel.getLocalBounds(), false);
        ASSERT_EQ (image.getWidth(), 760);

        // The toolbar's own colour between its buttons, the panel's below it.
        EXPECT_EQ (image.getPixelAt (2, 28), darkerColour);
        EXPECT_EQ (image.getPixelAt (300, 185), mainColour);

        juce::MemoryOutputStream png;
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, png));

        const auto inTemp = TestHome::folder().getChildFile ("look-and-feel.png");
        const auto forPeople = juce::File::getSpecialLocation (juce::File::currentExecutableFile)
                                   .getParentDirectory()
                                   .getSiblingFile ("screenshots")
                                   .getChildFile ("look-and-feel.png");
        for (const auto& file : { inTemp, forPeople })
        {
            ASSERT_TRUE (file.getParentDirectory().createDirectory());
            ASSERT_TRUE (file.replaceWithData (png.getData(), png.getDataSize())) << file.getFullPathName();
        }
    }
    releaseLookAndFeel();
}
