#pragma once

#include <atomic>

/** Set once the main window is fully built. */
extern std::atomic<bool> appInitialised;
/** Set when closing starts: the main timer, the menu callback and the song
    editor's change handling return at once while it is set. */
extern std::atomic<bool> exitRequested;
/** Milliseconds left on the stop-confirm prompt (message thread only). */
extern int stopClock;
