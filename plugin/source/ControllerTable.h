#pragma once

#include "core/LightingController.h"

/** The function table this plug-in publishes. Its functions carry no instance,
    so they act on the most recently created controller that still exists. */
namespace controllertable
{
VovirApiTable* get();

/** Makes a controller reachable through the table (and unreachable again). A
    table call in progress finishes before unregisterController returns. */
void registerController (lighting::LightingController* controller);
void unregisterController (lighting::LightingController* controller);

/** Names as the host reads them: one ISO 8859-1 byte per character. */
std::string toLatin1 (const juce::String& text);
} // namespace controllertable
