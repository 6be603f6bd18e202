#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

/** The images (and fonts) compiled into the program.

    Callers ask by file name ("ok_48.png"); the resource is stored under that name
    with every "." replaced by "_" ("ok_48_png"), and a resource name may also be
    given directly. A name with nothing embedded yields nothing. */
namespace EmbeddedImages
{
/** The resource name for a file name: every "." becomes "_". */
juce::String resourceNameFor (const juce::String& fileName);

/** The embedded bytes for a file or resource name, or null (size 0). */
const void* getNamedResource (const juce::String& name, int& dataSizeInBytes);

/** The decoded image, or an invalid image when nothing is embedded under the name. */
juce::Image getImage (const juce::String& name);

/** The image as a drawable, or null when nothing is embedded under the name. */
std::unique_ptr<juce::Drawable> getDrawable (const juce::String& name);
} // namespace EmbeddedImages
