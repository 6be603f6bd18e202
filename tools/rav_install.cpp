// The install step: lays out the data folder the program expects. Creates the
// folder, a fresh current database when there is none (a usable existing one is
// never touched; one that is not a usable database is moved aside to a dated
// name and replaced by a fresh one), the default media folder and the splash image.

#include "data/DataPaths.h"
#include "data/DbSchema.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
bool writeSplash (const juce::File& file)
{
    juce::Image image (juce::Image::ARGB, 480, 270, true);
    {
        juce::Graphics g (image);
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xff1b2a49), 0, 0, juce::Colour (0xff4a1942), 480, 270,
                                                 false));
        g.fillAll();

        // A few stage-light beams.
        for (int i = 0; i < 5; ++i)
        {
            juce::Path beam;
            auto x = 60.0f + (float) i * 90.0f;
            beam.addTriangle (x, 0.0f, x - 45.0f, 270.0f, x + 45.0f, 270.0f);
            g.setColour (juce::Colour::fromHSV ((float) i / 5.0f, 0.6f, 1.0f, 0.18f));
            g.fillPath (beam);
        }

        g.setColour (juce::Colours::white);
        g.setFont (juce::Font (40.0f, juce::Font::bold));
        g.drawText ("Raziviz Avodoru", image.getBounds().withTrimmedBottom (40), juce::Justification::centred);
        g.setFont (juce::Font (18.0f));
        g.drawText ("backing tracks - lights - memos", image.getBounds().withTrimmedTop (60),
                    juce::Justification::centred);
    }

    file.deleteFile();
    juce::FileOutputStream out (file);
    return out.openedOk() && juce::PNGImageFormat().writeImageToStream (image, out);
}
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;

    auto folder = getDataFolder();
    if (! folder.createDirectory())
    {
        std::cerr << "install: could not create " << folder.getFullPathName() << std::endl;
        return 1;
    }

    juce::String outcome;
    auto result = installDatabase (getDatabaseFile(), outcome);
    if (result.failed())
    {
        std::cerr << "install: " << result.getErrorMessage() << std::endl;
        return 1;
    }
    std::cout << "install: " << outcome << std::endl;

    if (! getDefaultMediaFolder().createDirectory())
    {
        std::cerr << "install: could not create " << getDefaultMediaFolder().getFullPathName() << std::endl;
        return 1;
    }

    auto splash = folder.getChildFile ("splash.png");
    if (! splash.existsAsFile() && ! writeSplash (splash))
    {
        std::cerr << "install: could not write " << splash.getFullPathName() << std::endl;
        return 1;
    }

    return 0;
}
