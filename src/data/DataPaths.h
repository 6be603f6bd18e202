#pragma once

#include <juce_core/juce_core.h>

/** The program's data folder: $XDG_DATA_HOME/zezevade didid/Vodozav, with
    $XDG_DATA_HOME defaulting to ~/.local/share. It holds the database, its
    backups, the splash image, the manual and the default media folder. */
juce::File getDataFolder();

/** The one database file, Vodozav.db in the data folder. */
juce::File getDatabaseFile();

/** The media folder used when the user has chosen none. */
juce::File getDefaultMediaFolder();
