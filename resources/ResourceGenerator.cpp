// Build-time generator for the files compiled into the program.
//
// Paints the program's icons and logo with JUCE paths, writes each as a PNG into
// a folder (so they can be looked at), and writes one C++ source that holds those
// PNGs and the embedded typefaces as byte arrays, listed in the table declared in
// src/ui/EmbeddedResources.h.
//
// Usage: rav_resource_gen <output.cpp> <png folder> <regular .ttf> <bold .ttf>

#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <iostream>
#include <vector>

namespace
{
using juce::Colour;
using juce::Graphics;
using juce::Path;

// Light ink that reads on the dark default scheme; a soft dark shadow keeps the
// shapes readable on light schemes too.
const Colour ink { 0xfff3f5f8 };
const Colour midiGreen { 0xff46c85e };
const Colour logoAccent { 0xffd38538 };

/** Fills the parts one by one (so that overlapping parts of opposite winding do
    not cut holes into each other), all above their shadows. */
void fillWithShadow (Graphics& g, const std::vector<Path>& parts, Colour colour, int shadowRadius = 3)
{
    const juce::DropShadow shadow (juce::Colours::black.withAlpha (0.45f), shadowRadius, { 0, 1 });
    for (const auto& part : parts)
        shadow.drawForPath (g, part);

    g.setColour (colour);
    for (const auto& part : parts)
        g.fillPath (part);
}

void fillWithShadow (Graphics& g, const Path& path, Colour colour, int shadowRadius = 3)
{
    fillWithShadow (g, std::vector<Path> { path }, colour, shadowRadius);
}

Path stroked (const Path& path, float thickness)
{
    Path outline;
    juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded)
        .createStrokedPath (outline, path);
    return outline;
}

Path line (float x1, float y1, float x2, float y2)
{
    Path p;
    p.startNewSubPath (x1, y1);
    p.lineTo (x2, y2);
    return p;
}

Path triangle (float x1, float y1, float x2, float y2, float x3, float y3, float cornerRadius)
{
    Path p;
    p.addTriangle (x1, y1, x2, y2, x3, y3);
    return p.createPathWithRoundedCorners (cornerRadius);
}

/** A circular arc (angles in radians, 0 at twelve o'clock, clockwise) ending in an
    arrowhead that points along the direction of travel: the stroke and the head. */
std::vector<Path> arcArrow (juce::Point<float> centre, float radius, float fromAngle, float toAngle, float thickness,
                            float headSize)
{
    Path arc;
    arc.addCentredArc (centre.x, centre.y, radius, radius, 0.0f, fromAngle, toAngle, true);

    const float a = toAngle;
    const juce::Point<float> tip (centre.x + radius * std::sin (a), centre.y - radius * std::cos (a));
    const juce::Point<float> along (std::cos (a), std::sin (a)); // tangent, clockwise
    const juce::Point<float> out (std::sin (a), -std::cos (a));  // radial

    Path head;
    head.addTriangle (tip + along * headSize, tip + out * headSize - along * (headSize * 0.25f),
                      tip - out * headSize - along * (headSize * 0.25f));
    return { stroked (arc, thickness), head.createPathWithRoundedCorners (headSize * 0.15f) };
}

std::vector<Path> joined (std::vector<Path> first, const std::vector<Path>& second)
{
    first.insert (first.end(), second.begin(), second.end());
    return first;
}

//==============================================================================
// 48 x 48 icons.

void paintOk (Graphics& g)
{
    Path tick;
    tick.startNewSubPath (11.0f, 25.0f);
    tick.lineTo (20.0f, 34.0f);
    tick.lineTo (37.0f, 14.0f);
    fillWithShadow (g, stroked (tick, 5.5f), ink);
}

void paintAdd (Graphics& g)
{
    Path plus = stroked (line (24.0f, 10.0f, 24.0f, 38.0f), 6.0f);
    plus.addPath (stroked (line (10.0f, 24.0f, 38.0f, 24.0f), 6.0f));
    fillWithShadow (g, plus, ink);
}

/** A clipboard: a board with its clip and a sheet of lines on it. */
void paintPaste (Graphics& g)
{
    Path board;
    board.addRoundedRectangle (juce::Rectangle<float> (10.0f, 9.0f, 28.0f, 32.0f), 3.0f);
    Path shape = stroked (board, 3.5f);
    Path clip;
    clip.addRoundedRectangle (juce::Rectangle<float> (18.0f, 5.0f, 12.0f, 7.0f), 2.0f);
    shape.addPath (clip);
    for (float y : { 20.0f, 26.0f, 32.0f })
        shape.addPath (stroked (line (16.0f, y, 32.0f, y), 2.5f));
    fillWithShadow (g, shape, ink);
}

void paintCopy (Graphics& g)
{
    const juce::Rectangle<float> back (9.0f, 7.0f, 21.0f, 26.0f);
    const juce::Rectangle<float> front (18.0f, 15.0f, 21.0f, 26.0f);

    Path backOutline;
    backOutline.addRoundedRectangle (back, 3.0f);
    {
        // The back sheet shows only where the front one does not cover it.
        Graphics::ScopedSaveState state (g);
        g.excludeClipRegion (front.expanded (2.5f).getSmallestIntegerContainer());
        fillWithShadow (g, stroked (backOutline, 3.5f), ink);
    }

    Path frontOutline;
    frontOutline.addRoundedRectangle (front, 3.0f);
    Path shape = stroked (frontOutline, 3.5f);
    for (float y : { 23.0f, 28.5f, 34.0f })
        shape.addPath (stroked (line (23.0f, y, 34.0f, y), 2.5f));
    fillWithShadow (g, shape, ink);
}

void paintEdit (Graphics& g)
{
    // A pencil drawn lying flat, then turned to point down-left, above a rule.
    Path body;
    body.addRoundedRectangle (0.0f, -5.0f, 24.0f, 10.0f, 1.5f);

    Path tip;
    tip.startNewSubPath (24.0f, -5.0f);
    tip.lineTo (34.0f, 0.0f);
    tip.lineTo (24.0f, 5.0f);

    Path lead;
    lead.addTriangle (30.0f, -2.0f, 35.0f, 0.0f, 30.0f, 2.0f);

    std::vector<Path> parts { stroked (body, 3.0f), stroked (line (6.0f, -5.0f, 6.0f, 5.0f), 2.5f),
                              stroked (tip, 3.0f), lead };
    const auto turn = juce::AffineTransform::rotation (juce::MathConstants<float>::pi * 0.75f).translated (36.0f, 12.0f);
    for (auto& part : parts)
        part.applyTransform (turn);

    parts.push_back (stroked (line (10.0f, 40.0f, 38.0f, 40.0f), 2.5f));
    fillWithShadow (g, parts, ink);
}

void paintPlay (Graphics& g)
{
    fillWithShadow (g, triangle (15.0f, 10.0f, 38.0f, 24.0f, 15.0f, 38.0f, 3.0f), ink);
}

void paintPause (Graphics& g)
{
    Path bars;
    bars.addRoundedRectangle (13.0f, 10.0f, 8.0f, 28.0f, 2.0f);
    bars.addRoundedRectangle (27.0f, 10.0f, 8.0f, 28.0f, 2.0f);
    fillWithShadow (g, bars, ink);
}

void paintClose (Graphics& g)
{
    Path cross = stroked (line (13.0f, 13.0f, 35.0f, 35.0f), 6.0f);
    cross.addPath (stroked (line (35.0f, 13.0f, 13.0f, 35.0f), 6.0f));
    fillWithShadow (g, cross, ink);
}

void paintFirst (Graphics& g)
{
    Path shape;
    shape.addRoundedRectangle (11.0f, 11.0f, 5.5f, 26.0f, 1.5f);
    shape.addPath (triangle (37.0f, 11.0f, 19.0f, 24.0f, 37.0f, 37.0f, 3.0f));
    fillWithShadow (g, shape, ink);
}

void paintNext (Graphics& g)
{
    Path shape = triangle (11.0f, 11.0f, 29.0f, 24.0f, 11.0f, 37.0f, 3.0f);
    shape.addRoundedRectangle (31.5f, 11.0f, 5.5f, 26.0f, 1.5f);
    fillWithShadow (g, shape, ink);
}

void paintReload (Graphics& g)
{
    fillWithShadow (g, arcArrow ({ 24.0f, 25.0f }, 13.0f, 0.9f, 5.8f, 4.5f, 8.0f), ink);
}

void paintRefresh (Graphics& g)
{
    fillWithShadow (g,
                    joined (arcArrow ({ 24.0f, 24.0f }, 13.5f, 0.45f, 2.55f, 4.0f, 7.0f),
                            arcArrow ({ 24.0f, 24.0f }, 13.5f, 3.6f, 5.7f, 4.0f, 7.0f)),
                    ink);
}

void paintZoom (Graphics& g)
{
    Path lens;
    lens.addEllipse (9.0f, 9.0f, 22.0f, 22.0f);
    Path shape = stroked (lens, 4.5f);
    shape.addPath (stroked (line (29.0f, 29.0f, 38.5f, 38.5f), 7.0f));
    fillWithShadow (g, shape, ink);
}

void paintMidiGreen (Graphics& g)
{
    // A five-pin connector seen from the front: ring, key notch and pins.
    Path ring;
    ring.addEllipse (6.0f, 6.0f, 36.0f, 36.0f);
    Path shape = stroked (ring, 3.5f);
    shape.addRoundedRectangle (21.0f, 6.0f, 6.0f, 7.0f, 1.5f);

    for (float degrees : { 90.0f, 135.0f, 180.0f, 225.0f, 270.0f })
    {
        const float a = juce::degreesToRadians (degrees);
        shape.addEllipse (24.0f + 11.0f * std::sin (a) - 2.7f, 24.0f - 11.0f * std::cos (a) - 2.7f, 5.4f, 5.4f);
    }
    fillWithShadow (g, shape, midiGreen);
}

//==============================================================================
// Larger images.

struct Fonts
{
    juce::Typeface::Ptr regular, bold;
};

void paintLooping (Graphics& g, const Fonts& fonts)
{
    // Two arrows chasing each other round a ring, with the word in the middle.
    const juce::Point<float> centre (120.0f, 120.0f);
    fillWithShadow (g,
                    joined (arcArrow (centre, 88.0f, 0.35f, 2.65f, 16.0f, 28.0f),
                            arcArrow (centre, 88.0f, 3.5f, 5.8f, 16.0f, 28.0f)),
                    ink, 6);

    g.setColour (ink);
    g.setFont (juce::Font (fonts.bold).withHeight (46.0f));
    g.drawText ("LOOP", juce::Rectangle<float> (40.0f, 94.0f, 160.0f, 52.0f), juce::Justification::centred);
}

void paintLogo (Graphics& g, const Fonts& fonts)
{
    // A stage light throwing three beams, then the name on two lines.
    Path beams;
    const juce::Point<float> source (14.0f, 14.0f);
    for (auto [dx, dy] : { std::pair { 50.0f, 18.0f }, std::pair { 40.0f, 40.0f }, std::pair { 18.0f, 50.0f } })
    {
        Path beam;
        const juce::Point<float> end (source.x + dx, source.y + dy);
        const juce::Point<float> side = juce::Point<float> (-dy, dx) * (5.5f / std::hypot (dx, dy));
        beam.addTriangle (source, end + side, end - side);
        beams.addPath (beam);
    }
    g.setGradientFill (juce::ColourGradient (logoAccent, source, logoAccent.withAlpha (0.15f), { 62.0f, 62.0f },
                                             true));
    g.fillPath (beams);

    Path lamp;
    lamp.addEllipse (6.0f, 6.0f, 16.0f, 16.0f);
    fillWithShadow (g, lamp, logoAccent.brighter (0.3f));

    g.setColour (ink);
    g.setFont (juce::Font (fonts.bold).withHeight (31.0f));
    g.drawText ("Raziviz", juce::Rectangle<float> (76.0f, 3.0f, 196.0f, 34.0f), juce::Justification::centredLeft);
    g.setColour (ink.withAlpha (0.85f));
    g.setFont (juce::Font (fonts.regular).withHeight (25.0f));
    g.drawText ("Avodoru", juce::Rectangle<float> (77.0f, 36.0f, 196.0f, 30.0f), juce::Justification::centredLeft);
}

//==============================================================================
struct ImageSpec
{
    const char* fileName;
    int width, height;
    std::function<void (Graphics&)> paint;
};

struct Resource
{
    juce::String name;
    juce::MemoryBlock data;
};

bool writeImage (const ImageSpec& spec, const juce::File& folder, std::vector<Resource>& resources)
{
    juce::Image image (juce::Image::ARGB, spec.width, spec.height, true);
    {
        Graphics g (image);
        spec.paint (g);
    }

    juce::MemoryOutputStream png;
    if (! juce::PNGImageFormat().writeImageToStream (image, png))
        return false;

    const auto block = png.getMemoryBlock();
    if (! folder.getChildFile (spec.fileName).replaceWithData (block.getData(), block.getSize()))
        return false;

    resources.push_back ({ juce::String (spec.fileName).replaceCharacter ('.', '_'), block });
    return true;
}

juce::String sourceFor (const std::vector<Resource>& resources)
{
    juce::MemoryOutputStream out;
    out << "// Generated at build time by resources/ResourceGenerator.cpp. Do not edit.\n\n"
        << "#include \"ui/EmbeddedResources.h\"\n\n"
        << "namespace\n{\n";

    for (size_t i = 0; i < resources.size(); ++i)
    {
        const auto& data = resources[i].data;
        out << "const unsigned char resource" << (int) i << "[] = {";
        for (size_t b = 0; b < data.getSize(); ++b)
        {
            if (b % 24 == 0)
                out << "\n    ";
            out << (int) (unsigned char) data[b] << ",";
        }
        out << "\n};\n";
    }

    out << "} // namespace\n\nconst EmbeddedResource embeddedResources[] = {\n";
    for (size_t i = 0; i < resources.size(); ++i)
        out << "    { \"" << resources[i].name << "\", resource" << (int) i << ", "
            << (int) resources[i].data.getSize() << " },\n";
    out << "};\n\nconst int numEmbeddedResources = " << (int) resources.size() << ";\n";

    return out.toString();
}
} // namespace

int generate (int argc, char** argv)
{
    if (argc != 5)
    {
        std::cerr << "usage: rav_resource_gen <output.cpp> <png folder> <regular .ttf> <bold .ttf>\n";
        return 2;
    }

    const juce::File output (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const juce::File pngFolder (juce::File::getCurrentWorkingDirectory().getChildFile (argv[2]));
    const juce::File regularFile (juce::File::getCurrentWorkingDirectory().getChildFile (argv[3]));
    const juce::File boldFile (juce::File::getCurrentWorkingDirectory().getChildFile (argv[4]));

    juce::MemoryBlock regularData, boldData;
    if (! regularFile.loadFileAsData (regularData) || ! boldFile.loadFileAsData (boldData))
    {
        std::cerr << "rav_resource_gen: cannot read the typefaces " << argv[3] << " and " << argv[4]
                  << " (Debian package fonts-liberation2)\n";
        return 1;
    }

    const Fonts fonts { juce::Typeface::createSystemTypefaceFor (regularData.getData(), regularData.getSize()),
                        juce::Typeface::createSystemTypefaceFor (boldData.getData(), boldData.getSize()) };
    if (fonts.regular == nullptr || fonts.bold == nullptr)
    {
        std::cerr << "rav_resource_gen: the typeface files could not be loaded\n";
        return 1;
    }

    const std::vector<ImageSpec> images {
        { "ok_48.png", 48, 48, paintOk },
        { "add_48x.png", 48, 48, paintAdd },
        { "copy_48x.png", 48, 48, paintCopy },
        { "paste_48.png", 48, 48, paintPaste },
        { "edit_48x.png", 48, 48, paintEdit },
        { "play_48x.png", 48, 48, paintPlay },
        { "pause_48x.png", 48, 48, paintPause },
        { "close_48x.png", 48, 48, paintClose },
        { "first_48x.png", 48, 48, paintFirst },
        { "reload_48x.png", 48, 48, paintReload },
        { "refresh_48.png", 48, 48, paintRefresh },
        { "next_48.png", 48, 48, paintNext },
        { "zoom_48.png", 48, 48, paintZoom },
        { "midi-green.png", 48, 48, paintMidiGreen },
        { "looping.png", 240, 240, [&fonts] (Graphics& g) { paintLooping (g, fonts); } },
        { "rascreenlogo.png", 276, 70, [&fonts] (Graphics& g) { paintLogo (g, fonts); } },
    };

    if (! pngFolder.createDirectory())
    {
        std::cerr << "rav_resource_gen: cannot create " << pngFolder.getFullPathName() << "\n";
        return 1;
    }

    std::vector<Resource> resources;
    for (const auto& spec : images)
    {
        if (! writeImage (spec, pngFolder, resources))
        {
            std::cerr << "rav_resource_gen: cannot write " << spec.fileName << "\n";
            return 1;
        }
    }

    resources.push_back ({ regularFile.getFileName().replaceCharacter ('.', '_'), regularData });
    resources.push_back ({ boldFile.getFileName().replaceCharacter ('.', '_'), boldData });

    if (! output.replaceWithText (sourceFor (resources), false, false, "\n"))
    {
        std::cerr << "rav_resource_gen: cannot write " << output.getFullPathName() << "\n";
        return 1;
    }
    return 0;
}

int main (int argc, char** argv)
{
    const int result = generate (argc, argv);

    // Release the framework's font caches, so leak checkers (sanitizer builds run
    // this program too) see a clean exit.
    juce::DeletedAtShutdown::deleteAll();
    return result;
}
