// Kept apart from the editor: the X headers it needs define names (Status,
// None, Bool) that the rest of the plug-in's code uses.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "source/QueuedWindowEvents.h"

#include <juce_gui_basics/juce_gui_basics.h>

#if JUCE_LINUX || JUCE_BSD
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

void dispatchQueuedWindowEvents()
{
#if JUCE_LINUX || JUCE_BSD
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    if (windowSystem == nullptr)
        return;
    if (auto* display = windowSystem->getDisplay())
        // The connection's own callback: it returns at once when nothing is pending.
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (ConnectionNumber (display));
#endif
}
