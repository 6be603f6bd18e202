#pragma once

#include <juce_core/juce_core.h>

/** Points HOME and XDG_DATA_HOME into a fresh temporary folder for the whole
    test run and removes it afterwards, and points the lighting controller's DMX
    output (RAV_OLA_PORT) at a port where no OLA daemon can answer. */
class TestHome final
{
public:
    TestHome();
    ~TestHome();

    static juce::File folder();

private:
    juce::String oldHome, oldDataHome;
    int refusingPort = -1;
};
