#include "ui/EmbeddedImages.h"

#include "ui/EmbeddedResources.h"

namespace EmbeddedImages
{
juce::String resourceNameFor (const juce::String& fileName)
{
    return fileName.replaceCharacter ('.', '_');
}

const void* getNamedResource (const juce::String& name, int& dataSizeInBytes)
{
    const auto resourceName = resourceNameFor (name);

    for (int i = 0; i < numEmbeddedResources; ++i)
    {
        if (resourceName == embeddedResources[i].name)
        {
            dataSizeInBytes = embeddedResources[i].size;
            return embeddedResources[i].data;
        }
    }

    dataSizeInBytes = 0;
    return nullptr;
}

juce::Image getImage (const juce::String& name)
{
    int size = 0;
    if (const auto* data = getNamedResource (name, size))
        return juce::ImageCache::getFromMemory (data, size);

    return {};
}

std::unique_ptr<juce::Drawable> getDrawable (const juce::String& name)
{
    int size = 0;
    if (const auto* data = getNamedResource (name, size))
        return juce::Drawable::createFromImageData (data, (size_t) size);

    return {};
}
} // namespace EmbeddedImages
