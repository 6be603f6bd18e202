#include "app/ShellState.h"

std::atomic<bool> appInitialised { false };
std::atomic<bool> exitRequested { false };
int stopClock = 0;
