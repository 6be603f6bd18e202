#include "ui/FontFallback.h"

#include "ui/ColourScheme.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <vector>

namespace fontfallback
{
namespace
{
/** The family the framework's "Arial" stands for (embedded from this installed font). */
constexpr const char* sansFamily = "Liberation Sans";

std::vector<FcChar32> visibleCharacters (const juce::String& text)
{
    std::vector<FcChar32> characters;
    for (auto p = text.getCharPointer(); !p.isEmpty(); ++p)
    {
        const auto c = (FcChar32)*p;
        if (c > 0x20 && c != 0x7f && !juce::CharacterFunctions::isWhitespace ((juce::juce_wchar)c) &&
            (c < 0xfe00 || c > 0xfe0f)) // variation selectors pick a glyph's form, they are not drawn
            characters.push_back (c);
    }
    return characters;
}

struct CharSetDeleter
{
    void operator() (FcCharSet* set) const { FcCharSetDestroy (set); }
};
struct PatternDeleter
{
    void operator() (FcPattern* pattern) const { FcPatternDestroy (pattern); }
};
struct FontSetDeleter
{
    void operator() (FcFontSet* set) const { FcFontSetDestroy (set); }
};

int countMissing (FcCharSet* covered, const std::vector<FcChar32>& characters)
{
    int missing = 0;
    for (auto c : characters)
        if (covered == nullptr || !FcCharSetHasChar (covered, c))
            ++missing;
    return missing;
}
} // namespace

int missingCharacters (const juce::String& family, const juce::String& text)
{
    const auto characters = visibleCharacters (text);
    if (characters.empty())
        return 0;

    std::unique_ptr<FcPattern, PatternDeleter> pattern (FcPatternCreate());
    FcPatternAddString (pattern.get(), FC_FAMILY, (const FcChar8*)family.toRawUTF8());
    FcConfigSubstitute (nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute (pattern.get());
    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcPattern, PatternDeleter> match (FcFontMatch (nullptr, pattern.get(), &result));
    if (match == nullptr)
        return (int)characters.size();

    FcChar8* matchedFamily = nullptr;
    FcCharSet* covered = nullptr;
    if (FcPatternGetString (match.get(), FC_FAMILY, 0, &matchedFamily) != FcResultMatch ||
        juce::String::fromUTF8 ((const char*)matchedFamily) != family ||
        FcPatternGetCharSet (match.get(), FC_CHARSET, 0, &covered) != FcResultMatch)
        return (int)characters.size();
    return countMissing (covered, characters);
}

juce::String familyCovering (const juce::String& text, int* missingOut)
{
    auto found = candidateFor (text, false);
    if (missingOut != nullptr)
        *missingOut = found.missing;
    return found.family;
}

Candidate candidateFor (const juce::String& text, bool bold)
{
    Candidate best;
    const auto characters = visibleCharacters (text);
    best.missing = (int)characters.size();
    if (characters.empty())
        return best;

    std::unique_ptr<FcCharSet, CharSetDeleter> wanted (FcCharSetCreate());
    for (auto c : characters)
        FcCharSetAddChar (wanted.get(), c);

    std::unique_ptr<FcPattern, PatternDeleter> pattern (FcPatternCreate());
    FcPatternAddCharSet (pattern.get(), FC_CHARSET, wanted.get());
    FcPatternAddBool (pattern.get(), FC_SCALABLE, FcTrue);
    FcPatternAddInteger (pattern.get(), FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcConfigSubstitute (nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute (pattern.get());

    FcResult result = FcResultNoMatch;
    std::unique_ptr<FcFontSet, FontSetDeleter> fonts (FcFontSort (nullptr, pattern.get(), FcFalse, nullptr, &result));
    if (fonts == nullptr)
        return best;

    for (int i = 0; i < fonts->nfont && best.missing > 0; ++i)
    {
        auto* font = fonts->fonts[i];
        FcChar8* family = nullptr;
        FcChar8* file = nullptr;
        FcCharSet* covered = nullptr;
        FcBool colour = FcFalse;
        int index = 0;
        if (FcPatternGetString (font, FC_FAMILY, 0, &family) != FcResultMatch ||
            FcPatternGetString (font, FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetCharSet (font, FC_CHARSET, 0, &covered) != FcResultMatch)
            continue;
        FcPatternGetInteger (font, FC_INDEX, 0, &index);
        // Colour bitmap fonts (emoji) cannot be drawn by the framework's outline renderer.
        if (FcPatternGetBool (font, FC_COLOR, 0, &colour) == FcResultMatch && colour)
            continue;
        // The framework reads only the first face of a font collection.
        const juce::File fontFile (juce::String::fromUTF8 ((const char*)file));
        const bool byName = fontFile.hasFileExtension ("ttf;pfb;pcf;otf");
        if (!byName && index != 0)
            continue;

        const int missing = countMissing (covered, characters);
        if (missing < best.missing)
            best = {juce::String::fromUTF8 ((const char*)family), fontFile, byName, missing};
    }
    return best;
}

juce::Font fontFor (const juce::String& text, const juce::Font& base)
{
    // text -> the typeface to draw it with (null: the base font covers it)
    static std::map<juce::String, juce::Typeface::Ptr> cache;
    static std::map<juce::String, juce::Typeface::Ptr> collections; // typefaces read from collection files

    // Plain ASCII is in every typeface the program uses.
    bool ascii = true;
    for (auto p = text.getCharPointer(); !p.isEmpty() && ascii; ++p)
        ascii = *p < 0x80;
    if (ascii)
        return base;

    const auto key = text + "\n" + base.getTypefaceName() + (base.isBold() ? "\n[bold]" : "");
    auto found = cache.find (key);
    if (found == cache.end())
    {
        // The framework's placeholder names (the default monospaced font...) stand for a real family.
        auto baseFamily = base.getTypefaceName();
        if (baseFamily == raFontName)
            baseFamily = sansFamily;
        else if (baseFamily.startsWith ("<"))
            if (auto face = base.getTypefacePtr(); face != nullptr && face->getName().isNotEmpty())
                baseFamily = face->getName();
        juce::Typeface::Ptr typeface;
        const int baseMissing = missingCharacters (baseFamily, text);
        if (baseMissing > 0)
        {
            auto candidate = candidateFor (text, base.isBold());
            if (candidate.family.isNotEmpty() && candidate.missing < baseMissing)
            {
                if (candidate.byName)
                {
                    typeface = juce::Font (candidate.family, base.getHeight(), base.getStyleFlags()).getTypefacePtr();
                }
                else
                {
                    auto& loaded = collections[candidate.file.getFullPathName()];
                    if (loaded == nullptr)
                    {
                        juce::MemoryBlock data;
                        if (candidate.file.loadFileAsData (data))
                            loaded = juce::Typeface::createSystemTypefaceFor (data.getData(), data.getSize());
                    }
                    typeface = loaded;
                }
            }
        }
        if (cache.size() > 500)
            cache.clear();
        found = cache.emplace (key, typeface).first;
    }

    if (found->second == nullptr)
        return base;
    return juce::Font (found->second).withHeight (base.getHeight());
}
} // namespace fontfallback
