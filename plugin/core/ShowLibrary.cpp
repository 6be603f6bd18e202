#include "core/ShowLibrary.h"

namespace lighting
{
namespace
{
template <typename Item>
bool nameTaken (const std::vector<Item>& items, const juce::String& name, const Item* except = nullptr)
{
    for (auto& item : items)
        if (&item != except && item.name == name)
            return true;
    return false;
}

/** A clean name that no sibling has: "Name", else "Name 2", "Name 3"... */
template <typename Item>
juce::String uniqueName (const std::vector<Item>& siblings, const juce::String& wanted, const Item* except = nullptr)
{
    auto base = ShowLibrary::cleanName (wanted);
    if (base.isEmpty())
        base = "Untitled";

    auto name = base;
    for (int n = 2; nameTaken (siblings, name, except); ++n)
        name = base + " " + juce::String (n);
    return name;
}

template <typename Item>
Item* findByName (std::vector<Item>& items, const juce::String& name)
{
    for (auto& item : items)
        if (item.name == name)
            return &item;
    return nullptr;
}

Preset makeOffPreset()
{
    return { ShowLibrary::offPresetName, {} };
}

juce::String levelsToHex (const DmxLevels& levels)
{
    return juce::String::toHexString (levels.data(), (int) levels.size(), 0);
}

DmxLevels levelsFromHex (const juce::String& hex)
{
    DmxLevels levels {};
    juce::MemoryBlock block;
    block.loadFromHexString (hex);
    std::memcpy (levels.data(), block.getData(), juce::jmin (block.getSize(), levels.size()));
    return levels;
}
} // namespace

ShowLibrary::ShowLibrary()
{
    ensureInvariants();
}

ShowLibrary ShowLibrary::makeStarterLibrary()
{
    ShowLibrary library;

    // A small rig: twelve dimmers on channels 1-12, four RGB wash fixtures on 13-24.
    auto setRange = [] (DmxLevels& levels, int firstChannel, int count, int step, std::uint8_t value)
    {
        for (int i = 0; i < count; ++i)
            levels[(size_t) (firstChannel - 1 + i * step)] = value;
    };

    library.addBank ("Stage");
    DmxLevels full {}, warm {}, spot {};
    setRange (full, 1, 12, 1, 255);
    setRange (warm, 1, 6, 1, 200);
    setRange (warm, 7, 6, 1, 80);
    setRange (spot, 6, 2, 1, 255);
    library.addPreset ("Stage", "Full", &full);
    library.addPreset ("Stage", "Warm", &warm);
    library.addPreset ("Stage", "Spot", &spot);

    library.addBank ("Wash");
    DmxLevels red {}, blue {}, amber {};
    setRange (red, 13, 4, 3, 255);
    setRange (blue, 15, 4, 3, 255);
    setRange (amber, 13, 4, 3, 255);
    setRange (amber, 14, 4, 3, 120);
    library.addPreset ("Wash", "Red", &red);
    library.addPreset ("Wash", "Blue", &blue);
    library.addPreset ("Wash", "Amber", &amber);

    return library;
}

juce::String ShowLibrary::cleanName (const juce::String& name)
{
    juce::String result;
    for (auto c : name.trim())
        result += (c >= 32 && c <= 255 && c != 127) ? c : (juce::juce_wchar) '?';
    return result;
}

//==============================================================================
juce::String ShowLibrary::getShowName (int index) const
{
    return juce::isPositiveAndBelow (index, getNumShows()) ? shows[(size_t) index].name : juce::String();
}

bool ShowLibrary::loadShow (const juce::String& name)
{
    for (size_t i = 0; i < shows.size(); ++i)
    {
        if (shows[i].name == name)
        {
            current = (int) i;
            return true;
        }
    }
    return false;
}

juce::String ShowLibrary::addShow (const juce::String& wantedName)
{
    Show show { uniqueName (shows, wantedName), {}, {} };
    auto name = show.name;
    shows.push_back (std::move (show));
    return name;
}

std::optional<juce::String> ShowLibrary::renameShow (const juce::String& oldName, const juce::String& wantedName)
{
    auto* show = findByName (shows, oldName);
    if (show == nullptr || oldName == defaultShowName)
        return std::nullopt;
    show->name = uniqueName (shows, wantedName, show);
    return show->name;
}

bool ShowLibrary::deleteShow (const juce::String& name)
{
    if (name == defaultShowName)
        return false;

    for (size_t i = 0; i < shows.size(); ++i)
    {
        if (shows[i].name == name)
        {
            auto currentName = getCurrentShowName();
            shows.erase (shows.begin() + (long) i);
            if (! loadShow (currentName))
                loadShow (defaultShowName);
            return true;
        }
    }
    return false;
}

//==============================================================================
void ShowLibrary::setOutputSettings (DmxOutputSettings settings)
{
    settings.universe = juce::jlimit (DmxOutputSettings::minUniverse, DmxOutputSettings::maxUniverse, settings.universe);
    currentShow().output = settings;
}

//==============================================================================
Bank* ShowLibrary::findBank (const juce::String& name)
{
    return findByName (currentShow().banks, name);
}

const Bank* ShowLibrary::findBank (const juce::String& name) const
{
    for (auto& bank : currentShow().banks)
        if (bank.name == name)
            return &bank;
    return nullptr;
}

juce::String ShowLibrary::getBankName (int index) const
{
    return juce::isPositiveAndBelow (index, getNumBanks()) ? currentShow().banks[(size_t) index].name
                                                           : juce::String();
}

juce::String ShowLibrary::addBank (const juce::String& wantedName)
{
    auto& banks = currentShow().banks;
    Bank bank { uniqueName (banks, wantedName), { makeOffPreset() } };
    auto name = bank.name;
    banks.push_back (std::move (bank));
    return name;
}

std::optional<juce::String> ShowLibrary::renameBank (const juce::String& oldName, const juce::String& wantedName)
{
    auto* bank = findBank (oldName);
    if (bank == nullptr)
        return std::nullopt;
    bank->name = uniqueName (currentShow().banks, wantedName, bank);
    return bank->name;
}

bool ShowLibrary::deleteBank (const juce::String& name)
{
    auto& banks = currentShow().banks;
    auto* bank = findBank (name);
    if (bank == nullptr)
        return false;
    banks.erase (banks.begin() + (bank - banks.data()));
    return true;
}

//==============================================================================
int ShowLibrary::getNumPresets (const juce::String& bankName) const
{
    auto* bank = findBank (bankName);
    return bank != nullptr ? (int) bank->presets.size() : 0;
}

juce::String ShowLibrary::getPresetName (const juce::String& bankName, int index) const
{
    auto* bank = findBank (bankName);
    if (bank == nullptr || ! juce::isPositiveAndBelow (index, (int) bank->presets.size()))
        return {};
    return bank->presets[(size_t) index].name;
}

std::optional<juce::String> ShowLibrary::addPreset (const juce::String& bankName, const juce::String& wantedName,
                                                    const DmxLevels* copyLevels)
{
    auto* bank = findBank (bankName);
    if (bank == nullptr)
        return std::nullopt;

    Preset preset { uniqueName (bank->presets, wantedName), {} };
    if (copyLevels != nullptr)
        preset.levels = *copyLevels;
    auto name = preset.name;
    bank->presets.push_back (std::move (preset));
    return name;
}

std::optional<juce::String> ShowLibrary::renamePreset (const juce::String& bankName, const juce::String& oldName,
                                                       const juce::String& wantedName)
{
    auto* bank = findBank (bankName);
    if (bank == nullptr || oldName == offPresetName)
        return std::nullopt;
    auto* preset = findByName (bank->presets, oldName);
    if (preset == nullptr)
        return std::nullopt;
    preset->name = uniqueName (bank->presets, wantedName, preset);
    return preset->name;
}

bool ShowLibrary::deletePreset (const juce::String& bankName, const juce::String& name)
{
    auto* bank = findBank (bankName);
    if (bank == nullptr || name == offPresetName)
        return false;
    auto* preset = findByName (bank->presets, name);
    if (preset == nullptr)
        return false;
    bank->presets.erase (bank->presets.begin() + (preset - bank->presets.data()));
    return true;
}

bool ShowLibrary::setLevel (const juce::String& bankName, const juce::String& presetName, int channel,
                            std::uint8_t level)
{
    auto* bank = findBank (bankName);
    if (bank == nullptr || presetName == offPresetName || ! juce::isPositiveAndBelow (channel, numChannels))
        return false;
    auto* preset = findByName (bank->presets, presetName);
    if (preset == nullptr)
        return false;
    preset->levels[(size_t) channel] = level;
    return true;
}

std::optional<DmxLevels> ShowLibrary::getLevels (const juce::String& bankName, const juce::String& presetName) const
{
    if (auto* bank = findBank (bankName))
        for (auto& preset : bank->presets)
            if (preset.name == presetName)
                return preset.levels;
    return std::nullopt;
}

//==============================================================================
std::unique_ptr<juce::XmlElement> ShowLibrary::toXml() const
{
    auto root = std::make_unique<juce::XmlElement> ("LIGHTING");
    root->setAttribute ("version", 1);
    root->setAttribute ("current", getCurrentShowName());

    for (auto& show : shows)
    {
        auto* showXml = root->createNewChildElement ("SHOW");
        showXml->setAttribute ("name", show.name);
        showXml->setAttribute ("dmxOutput", show.output.enabled);
        showXml->setAttribute ("olaUniverse", show.output.universe);
        for (auto& bank : show.banks)
        {
            auto* bankXml = showXml->createNewChildElement ("BANK");
            bankXml->setAttribute ("name", bank.name);
            for (auto& preset : bank.presets)
            {
                auto* presetXml = bankXml->createNewChildElement ("PRESET");
                presetXml->setAttribute ("name", preset.name);
                presetXml->setAttribute ("levels", levelsToHex (preset.levels));
            }
        }
    }
    return root;
}

bool ShowLibrary::fromXml (const juce::XmlElement& xml)
{
    if (! xml.hasTagName ("LIGHTING"))
        return false;

    // Names go through the same rules as names typed in the editor, so a
    // hand-edited file cannot break the invariants.
    std::vector<Show> loaded;
    for (auto* showXml : xml.getChildWithTagNameIterator ("SHOW"))
    {
        // Shows stored before DMX output existed (or with a universe that is not a
        // number) send to universe 1.
        const DmxOutputSettings defaults;
        const auto universeText = showXml->getStringAttribute ("olaUniverse").trim();
        const auto universe = universeText.isNotEmpty() && universeText.containsOnly ("-0123456789")
                                  ? universeText.getIntValue()
                                  : defaults.universe;
        Show show { uniqueName (loaded, showXml->getStringAttribute ("name")), {},
                    { showXml->getBoolAttribute ("dmxOutput", defaults.enabled),
                      juce::jlimit (DmxOutputSettings::minUniverse, DmxOutputSettings::maxUniverse, universe) } };
        for (auto* bankXml : showXml->getChildWithTagNameIterator ("BANK"))
        {
            Bank bank { uniqueName (show.banks, bankXml->getStringAttribute ("name")), {} };
            for (auto* presetXml : bankXml->getChildWithTagNameIterator ("PRESET"))
            {
                Preset preset { uniqueName (bank.presets, presetXml->getStringAttribute ("name")),
                                levelsFromHex (presetXml->getStringAttribute ("levels")) };
                bank.presets.push_back (std::move (preset));
            }
            show.banks.push_back (std::move (bank));
        }
        loaded.push_back (std::move (show));
    }

    shows = std::move (loaded);
    current = 0;
    ensureInvariants();
    if (! loadShow (xml.getStringAttribute ("current")))
        loadShow (defaultShowName);
    return true;
}

void ShowLibrary::ensureInvariants()
{
    if (findByName (shows, defaultShowName) == nullptr)
        shows.insert (shows.begin(), Show { defaultShowName, {}, {} });

    for (auto& show : shows)
    {
        for (auto& bank : show.banks)
        {
            auto& presets = bank.presets;
            auto off = std::find_if (presets.begin(), presets.end(),
                                     [] (const Preset& p) { return p.name == offPresetName; });
            if (off != presets.end())
                presets.erase (off);
            presets.insert (presets.begin(), makeOffPreset());
        }
    }

    current = juce::jlimit (0, (int) shows.size() - 1, current);
}

} // namespace lighting
