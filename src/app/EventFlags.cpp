#include "app/EventFlags.h"

std::atomic<bool> startEventReceived { false };
std::atomic<bool> rewindEventReceived { false };
std::atomic<bool> nextEventReceived { false };
std::atomic<bool> prevEventReceived { false };
