#pragma once

#include "core/DmxLevels.h"

#include <juce_data_structures/juce_data_structures.h>

#include <optional>
#include <vector>

namespace lighting
{

/** One recallable look: a level for every channel of the universe. */
struct Preset
{
    juce::String name;
    DmxLevels levels {};
};

/** A named group of presets; its first preset is always "Off" (all channels zero). */
struct Bank
{
    juce::String name;
    std::vector<Preset> presets;
};

/** Where a show's levels go: OLA's daemon, on one of its universes. */
struct DmxOutputSettings
{
    static constexpr int minUniverse = 0, maxUniverse = 65535;

    bool enabled = true;
    int universe = 1;

    bool operator== (const DmxOutputSettings&) const = default;
};

struct Show
{
    juce::String name;
    std::vector<Bank> banks;
    DmxOutputSettings output {};
};

/** The controller's stored shows and which one is loaded.

    Invariants: "Default Show" always exists; every bank begins with an "Off"
    preset that cannot be renamed, edited or deleted; names are trimmed, never
    empty, unique among their siblings and limited to ISO 8859-1 characters (the
    host reads returned names one byte per character, so anything wider could not
    come back to us as the same name). Bank and preset operations act on the
    loaded show.

    Not thread-safe: the owner guards it. */
class ShowLibrary final
{
public:
    static constexpr const char* defaultShowName = "Default Show";
    static constexpr const char* offPresetName = "Off";

    /** An empty library holding only an empty "Default Show". */
    ShowLibrary();

    /** "Default Show" with a few banks and presets, for a fresh install. */
    static ShowLibrary makeStarterLibrary();

    // Shows
    int getNumShows() const { return (int) shows.size(); }
    juce::String getShowName (int index) const;
    juce::String getCurrentShowName() const { return shows[(size_t) current].name; }
    int getCurrentShowIndex() const { return current; }
    bool loadShow (const juce::String& name);
    /** Adds an empty show and returns its final (cleaned, unique) name. */
    juce::String addShow (const juce::String& wantedName);
    /** Returns the final name, or nothing when the show is missing or is "Default Show". */
    std::optional<juce::String> renameShow (const juce::String& oldName, const juce::String& wantedName);
    /** "Default Show" cannot be deleted; deleting the loaded show loads "Default Show". */
    bool deleteShow (const juce::String& name);

    // DMX output of the loaded show (the universe is kept within range)
    DmxOutputSettings getOutputSettings() const { return currentShow().output; }
    void setOutputSettings (DmxOutputSettings settings);

    // Banks of the loaded show
    int getNumBanks() const { return (int) currentShow().banks.size(); }
    juce::String getBankName (int index) const;
    juce::String addBank (const juce::String& wantedName);
    std::optional<juce::String> renameBank (const juce::String& oldName, const juce::String& wantedName);
    bool deleteBank (const juce::String& name);

    // Presets of a bank of the loaded show
    int getNumPresets (const juce::String& bankName) const;
    juce::String getPresetName (const juce::String& bankName, int index) const;
    /** Adds a preset (a copy of copyLevels, else all zero); nothing when the bank is missing. */
    std::optional<juce::String> addPreset (const juce::String& bankName, const juce::String& wantedName,
                                           const DmxLevels* copyLevels = nullptr);
    std::optional<juce::String> renamePreset (const juce::String& bankName, const juce::String& oldName,
                                              const juce::String& wantedName);
    bool deletePreset (const juce::String& bankName, const juce::String& name);
    bool setLevel (const juce::String& bankName, const juce::String& presetName, int channel, std::uint8_t level);
    std::optional<DmxLevels> getLevels (const juce::String& bankName, const juce::String& presetName) const;

    // Storage
    std::unique_ptr<juce::XmlElement> toXml() const;
    /** Replaces the contents from XML written by toXml; false (and unchanged) if it is not ours. */
    bool fromXml (const juce::XmlElement& xml);

    /** Trims and limits a name to ISO 8859-1 (wider characters become '?'). */
    static juce::String cleanName (const juce::String& name);

private:
    Show& currentShow() { return shows[(size_t) current]; }
    const Show& currentShow() const { return shows[(size_t) current]; }
    Bank* findBank (const juce::String& name);
    const Bank* findBank (const juce::String& name) const;
    void ensureInvariants();

    std::vector<Show> shows;
    int current = 0;
};

} // namespace lighting
