// Font handles: creation over the font layer's faces, the cache geometry,
// deletion, the default font and the font system's start, reset and end.
#include "media/graphics/font.hpp"

#include <cstring>
#include <string>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/text.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/startup.hpp"
#include "platform/font/font.hpp"
#include "platform/text/codepage.hpp"

namespace {

using media::gfx::font_manager;

// Copies at most capacity - 1 bytes of a CP932 text, never splitting a
// two-byte character; null copies as empty.
void copy_face_name(char* out, std::size_t capacity, const char* name)
{
    std::size_t n = 0;
    if (name != nullptr) {
        while (name[n] != '\0') {
            const std::size_t step = media::core::is_lead_byte(static_cast<unsigned char>(name[n])) && name[n + 1] != '\0' ? 2 : 1;
            if (n + step > capacity - 1) break;
            n += step;
        }
        std::memcpy(out, name, n);
    }
    out[n] = '\0';
}

// The character set a face is asked for, from the character-set index.
int face_charset(int char_set)
{
    switch (char_set) {
    case 0: return platform::font::default_charset;
    case 2: return platform::font::hangul_charset;
    default: return platform::font::shiftjis_charset;
    }
}

platform::font::face* open_face(const std::wstring& name, int size, int thickness, int italic, int charset)
{
    platform::font::request r;
    r.face = name;
    r.height = size;
    r.weight = thickness * 100;
    r.italic = italic != 0;
    r.charset = charset;
    r.fixed_pitch = true;
    return platform::font::create(r);
}

// The face for a font, with the fall-backs a missing face or character set
// takes; null (logged) when none opens.
platform::font::face* open_face_with_fallbacks(const char* face_name, int size, int thickness, int italic,
                                               int char_set)
{
    const int mapped = face_charset(char_set);
    if (face_name[0] != '\0') {
        std::wstring name;
        platform::text::append_wide(face_name, std::strlen(face_name), name);
        for (const int charset : {mapped, platform::font::default_charset, platform::font::shiftjis_charset}) {
            if (platform::font::face* f = open_face(name, size, thickness, italic, charset)) return f;
        }
        LogWrite("指定のフォントの作成に失敗しました\n");
        return nullptr;
    }
    const std::wstring gothic = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";  // "ＭＳ ゴシック"
    if (platform::font::face* f = open_face(gothic, size, thickness, italic, mapped)) return f;
    if (platform::font::face* f = open_face(gothic, size, thickness, 0, platform::font::default_charset)) return f;
    if (platform::font::face* f = open_face(L"", size, thickness, 0, platform::font::default_charset)) return f;
    LogWrite("フォントの作成に失敗しました\n");
    return nullptr;
}

// Frees what the record holds and the record itself.
void free_font(FONTREC* font)
{
    platform::font::release(font->face);
    ManagedFree(font->memory_cache);
    if (font->lost_flag != nullptr) *font->lost_flag = 1;
    ManagedFree(font);
}

// Cell size, cell height and the memory cache of a record whose face is open;
// false (logged) when the cache cannot be had.
bool build_memory_cache(FONTREC* font)
{
    const platform::font::text_metrics m = font->face->metrics();
    const int edge = (font->type & 1) != 0 ? font->edge_size * 2 : 0;
    int cell_size = (m.max_char_width + 2 + edge + 7) / 8 * 8;
    int cell_height = m.height + edge;
    if (cell_height % 2 != 0) ++cell_height;
    if (cell_height > cell_size) cell_size = cell_height;
    font->cell_size = cell_size;
    font->cell_height = cell_height;

    font->memory_bits = font->type == 0 ? 1 : 8;
    int cells = font_manager.cell_count_setting;
    if (cells == 0) {
        cells = 0x50000 / (cell_size * cell_size);
        if (cells < 20) cells = 20;
    }
    if (cells > FONT_MAX_CELLS) cells = FONT_MAX_CELLS;
    font->cell_count = cells;
    font->cache_width = cell_size;
    font->cache_height = cells * cell_size;
    font->cells_per_column = cells;
    font->memory_pitch = (cell_size * font->memory_bits + 7) / 8;
    const long bytes = static_cast<long>(font->memory_pitch) * font->cache_height;
    font->memory_cache =
        bytes <= 0x7FFFFFFF ? static_cast<unsigned char*>(ManagedCalloc(static_cast<int>(bytes), "font.cpp", __LINE__))
                            : nullptr;
    if (font->memory_cache == nullptr) {
        LogWrite("フォントのキャッシュ用メモリの確保に失敗しました in CreateFontToHandle");
        return false;
    }
    return true;
}

bool same_face(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

}  // namespace

int CreateFontToHandle(const char* face, int size, int thickness, int type, int char_set, int edge_size, int italic,
                       int slot, int check)
{
    if (media::core::window_state.destroyed != 0) return -1;
    if (size == -1) size = 16;
    if (thickness == -1) thickness = 6;
    if (type == -1) type = 0;
    // the OEM code page is 932, never 949
    if (char_set == -1) char_set = 1;
    if (edge_size == -1) edge_size = 1;
    if (edge_size > 1) type |= 1;

    media::gfx::font_table& table = font_manager.fonts;
    if (slot == -1) {
        bool free_slot = false;
        for (int s = 0; s < FONT_MAX_HANDLES && !free_slot; ++s) free_slot = table.at(s) == nullptr;
        if (!free_slot) return LogPrintf("作成できるフォントハンドル数 %d の限界を超えました", FONT_MAX_HANDLES);
    } else if (slot < 0 || slot >= FONT_MAX_HANDLES || table.at(slot) != nullptr) {
        return -1;
    }

    auto* font = static_cast<FONTREC*>(ManagedCalloc(sizeof(FONTREC), "font.cpp", __LINE__));
    if (font == nullptr) return LogWrite("フォント管理用メモリ領域の確保に失敗しました\n");
    font->cache_graph = font->edge_graph = -1;
    // an 8-bit screen has no grey levels to blend with
    if (QueryColorBitDepth() == 8) type &= ~2;
    font->size = size;
    font->type = type;
    font->thickness = thickness;
    font->edge_size = edge_size;
    font->italic = italic;
    font->spacing = 0;
    const MEDIA_HANDLE handle = table.create_in(font, slot, check);
    if (handle < 0) {
        ManagedFree(font);
        return -1;
    }
    font->check = (handle >> media::core::handle_check_shift) & media::core::handle_check_mask;
    font->texture_cache = 0;

    copy_face_name(font->face_name, sizeof font->face_name, face);
    font->face = open_face_with_fallbacks(font->face_name, size, thickness, italic, char_set);
    if (font->face == nullptr || !build_memory_cache(font)) {
        font->check = 0;
        DeleteFontHandle(handle);
        return -1;
    }
    font->char_set = char_set;
    ResetFontCache(handle);
    font->lost_flag = nullptr;
    return handle;
}

int DeleteFontHandle(int handle)
{
    FONTREC* font = font_manager.fonts.remove(handle);
    if (font == nullptr) return -1;
    free_font(font);
    return 0;
}

int SetFontLostFlagPointer(int handle, int* flag)
{
    FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return -1;
    font->lost_flag = flag;
    if (flag != nullptr) *flag = 0;
    return 0;
}

int SetFontSpacing(int spacing, int handle)
{
    FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return -1;
    font->spacing = spacing;
    return 0;
}

int QueryFontHandleInfo(char* face, int* size, int* thickness, int handle)
{
    const FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return -1;
    if (face != nullptr) std::memcpy(face, font->face_name, std::strlen(font->face_name) + 1);
    if (size != nullptr) *size = font->size;
    if (thickness != nullptr) *thickness = font->thickness;
    return 0;
}

int QueryFontHandleSize(int handle)
{
    const FONTREC* font = GetFontRecord(handle);
    return font == nullptr ? -1 : font->size;
}

int IsFontHandleValid(int handle) { return GetFontRecord(handle) != nullptr ? 1 : 0; }

FONTREC* GetFontRecord(int handle) { return font_manager.fonts.find(handle); }

int QueryDefaultFontHandle() { return font_manager.default_handle; }

int ResetFontCache(int handle)
{
    FONTREC* font = GetFontRecord(handle);
    if (font == nullptr) return -1;
    for (FONTINDEXENTRY& entry : font->index) entry = {0, nullptr};
    for (int k = 0; k <= FONT_MAX_CELLS; ++k) {
        font->cells[k] = FONTCELL{};
        font->cells[k].slot = k < font->cell_count ? k : -1;
    }
    font->next_cell = 0;
    return 0;
}

int RecreateAllFonts()
{
    for (int slot = 0; slot < FONT_MAX_HANDLES; ++slot) {
        const FONTREC* font = font_manager.fonts.at(slot);
        if (font == nullptr) continue;
        char face[256];
        std::memcpy(face, font->face_name, sizeof face);
        const int check = font->check, thickness = font->thickness, type = font->type, size = font->size;
        const int char_set = font->char_set, edge_size = font->edge_size, italic = font->italic;
        const int spacing = font->spacing;
        DeleteFontHandle(font_manager.fonts.handle_at(slot));
        const int handle = CreateFontToHandle(face, size, thickness, type, char_set, edge_size, italic, slot, check);
        SetFontSpacing(spacing, handle);
    }
    return 0;
}

namespace media::gfx {

void delete_all_fonts()
{
    for (int slot = 0; slot < FONT_MAX_HANDLES; ++slot) DeleteFontHandle(font_manager.fonts.handle_at(slot));
}

}  // namespace media::gfx

int RefreshDefaultFont()
{
    const FONTREC* font = GetFontRecord(font_manager.default_handle);
    if (font != nullptr && same_face(font->face_name, font_manager.default_face) &&
        font->type == font_manager.default_type && font->size == font_manager.default_size &&
        font->thickness == font_manager.default_thickness && font->char_set == font_manager.default_char_set &&
        font->edge_size == font_manager.default_edge_size && font->italic == font_manager.default_italic)
        return 0;
    DeleteFontHandle(font_manager.default_handle);
    const int type = font_manager.default_type;
    font_manager.default_handle = CreateFontToHandle(
        font_manager.default_face, font_manager.default_size, font_manager.default_thickness, type,
        font_manager.default_char_set, (type & 1) != 0 ? font_manager.default_edge_size : -1,
        font_manager.default_italic);
    SetFontSpacing(font_manager.default_spacing, font_manager.default_handle);
    return 0;
}

int SetDefaultFontType(int type)
{
    font_manager.default_type = type == -1 ? 0 : type;
    return RefreshDefaultFont();
}

int SetDefaultFontSize(int size)
{
    font_manager.default_size = size == -1 ? 16 : size;
    return RefreshDefaultFont();
}

int SetDefaultFontThickness(int thickness)
{
    font_manager.default_thickness = thickness == -1 ? 6 : thickness;
    return RefreshDefaultFont();
}

int SetDefaultFontFace(const char* face, int char_set)
{
    copy_face_name(font_manager.default_face, sizeof font_manager.default_face, face);
    font_manager.default_char_set = char_set == -1 ? 1 : char_set;
    return RefreshDefaultFont();
}

int SetDefaultFontSizeThickness(const char*, int size, int thickness)
{
    font_manager.default_size = size == -1 ? 16 : size;
    font_manager.default_thickness = thickness == -1 ? 6 : thickness;
    return RefreshDefaultFont();
}

int StartFontSystem()
{
    media::gfx::delete_all_fonts();
    media::gfx::reset_font_manager();
    return ResetFontSystem();
}

int ResetFontSystem()
{
    LogWrite("フォントの初期化を行います\n");
    LogIndentIn();
    char face[256] = "";
    int size = 16, thickness = 6, type = -1, char_set = -1, edge_size = -1, italic = 0;
    if (const FONTREC* font = GetFontRecord(font_manager.default_handle)) {
        std::memcpy(face, font->face_name, sizeof face);
        size = font->size;
        thickness = font->thickness;
        type = font->type;
        char_set = font->char_set;
        edge_size = font->edge_size;
        italic = font->italic;
    }
    media::gfx::delete_all_fonts();
    font_manager.default_handle = CreateFontToHandle(face, size, thickness, type, char_set, edge_size, italic);
    LogIndentOut();
    LogWrite("フォントの初期化は正常に終了しました\n");
    return 0;
}

int EndFontSystem()
{
    ResetFontSystem();
    DeleteFontHandle(font_manager.default_handle);
    platform::font::close();
    return 0;
}
