#pragma once

#include <atomic>

/** Transport requests raised from other threads (MIDI input, learnt keys, the
    lighting plug-in's footswitch). Only the main timer reads and clears them. */
extern std::atomic<bool> startEventReceived;
extern std::atomic<bool> rewindEventReceived;
extern std::atomic<bool> nextEventReceived;
extern std::atomic<bool> prevEventReceived;
