// Face names to font files through fontconfig.
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cwctype>

#include "platform/font/internal.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

namespace platform::font {
namespace {

// The family a face name asks fontconfig for. The names the application's
// fonts use map to the installed Japanese gothics; fontconfig alone would
// give "meiryo" a Latin face with no Japanese glyphs.
std::string family_for(const std::wstring& name)
{
    static const std::wstring ms_gothic = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";
    if (name.empty() || name == ms_gothic) return "IPAGothic";
    std::wstring lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](wchar_t c) { return c < 0x80 ? static_cast<wchar_t>(std::towlower(c)) : c; });
    if (lower == L"meiryo") return "IPAPGothic";
    return text::to_utf8(name);
}

bool open_fontconfig()
{
    font_state& s = state();
    if (!s.fontconfig_open) s.fontconfig_open = FcInit() == FcTrue;
    return s.fontconfig_open;
}

}  // namespace

std::vector<candidate> match(const request& r)
{
    std::vector<candidate> fonts;
    if (!open_fontconfig()) {
        set_error("fontconfig cannot start");
        return fonts;
    }
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) {
        set_error("out of memory matching a font");
        return fonts;
    }
    const std::string family = family_for(r.face);
    const int weight = r.weight <= 0 ? 400 : std::min(r.weight, 1000);
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG,
                       reinterpret_cast<const FcChar8*>(r.charset == hangul_charset ? "ko" : "ja"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, r.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    if (r.fixed_pitch) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcFontSet* set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    if (set) {
        for (int i = 0; i < set->nfont; ++i) {
            FcPattern* font = set->fonts[i];
            FcChar8* file = nullptr;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
            candidate c;
            c.file = reinterpret_cast<const char*>(file);
            if (FcPatternGetInteger(font, FC_INDEX, 0, &c.index) != FcResultMatch) c.index = 0;
            int font_weight = FC_WEIGHT_REGULAR, font_slant = FC_SLANT_ROMAN;
            FcPatternGetInteger(font, FC_WEIGHT, 0, &font_weight);
            FcPatternGetInteger(font, FC_SLANT, 0, &font_slant);
            c.bold = font_weight >= FC_WEIGHT_DEMIBOLD;
            c.slanted = font_slant != FC_SLANT_ROMAN;
            fonts.push_back(std::move(c));
        }
        FcFontSetDestroy(set);
    }
    FcPatternDestroy(pattern);
    if (fonts.empty()) set_error("no font installed");
    return fonts;
}

void close_fontconfig()
{
    font_state& s = state();
    if (s.fontconfig_open) FcFini();
    s.fontconfig_open = false;
}

}  // namespace platform::font
