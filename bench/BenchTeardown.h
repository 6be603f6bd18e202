#pragma once

#include <functional>

/** Work to do once every benchmark has run, while JUCE is still initialised:
    objects a benchmark keeps for its whole run are released here, in the
    reverse order of registration, not by static destructors after main() has
    ended (by then JUCE's shutdown lists are gone). */
void atBenchmarksEnd (std::function<void()> release);

/** Runs the registered releases (called by the benchmarks' main). */
void runBenchmarksEnd();
