#pragma once

#include <juce_core/juce_core.h>

/** Points HOME and XDG_DATA_HOME into a fresh temporary folder for the whole
    test run and removes it afterwards. */
class TestHome final
{
public:
    TestHome();
    ~TestHome();

    static juce::File folder();

private:
    juce::String oldHome, oldDataHome;
};
