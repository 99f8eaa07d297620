// Texture formats: the device's format table filled at device creation, the
// memory-side pixel format of every slot, and the slot an image asks for.
#include "media/graphics/formats.hpp"

#include <initializer_list>

#include "media/core/log.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/pixfmt.hpp"
#include "platform/platform.hpp"

using media::gfx::graphics;

namespace {

namespace dev = platform::device;

// A format tried for a slot and the name its log line prints.
struct trial {
    dev::format fmt;
    const char* name;
};

// The first of the trials the device makes with the usage on the back
// buffer's format, its name through name; 0 when none.
std::int32_t first_accepted(std::uint32_t usage, std::initializer_list<trial> trials, const char** name)
{
    const auto adapter = static_cast<dev::format>(graphics.back_buffer_format);
    for (const trial& t : trials)
        if (dev::check_format(adapter, usage, t.fmt) == 0) {
            *name = t.name;
            return t.fmt;
        }
    return 0;
}

// A slot the device road cannot do without: its line, or its message and -1.
int required_slot(int slot, std::initializer_list<trial> trials, const char* line, const char* missing)
{
    const char* name = "";
    graphics.formats.slot[slot] = first_accepted(0, trials, &name);
    if (graphics.formats.slot[slot] == 0)
        return LogWrite(missing);
    LogPrintf(line, name);
    return 0;
}

// A render-target slot: 0 and its message when the device makes none of the trials.
void render_target_slot(int slot, std::initializer_list<trial> trials, const char* line, const char* missing)
{
    const char* name = "";
    graphics.formats.slot[slot] = first_accepted(dev::usage_render_target, trials, &name);
    if (graphics.formats.slot[slot] == 0)
        LogWrite(missing);
    else
        LogPrintf(line, name);
}

PIXFMT masks(int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    PIXFMT f{};
    InitFormatFromMasks(&f, depth, r, g, b, a);
    return f;
}

}  // namespace

namespace media::gfx {

int fill_device_formats()
{
    std::int32_t* slot = graphics.formats.slot;
    const trial r5g6b5{dev::R5G6B5, "D_D3DFMT_R5G6B5"}, x1r5g5b5{dev::X1R5G5B5, "D_D3DFMT_X1R5G5B5"};
    const trial x8r8g8b8{dev::X8R8G8B8, "D_D3DFMT_X8R8G8B8"}, a4r4g4b4{dev::A4R4G4B4, "D_D3DFMT_A4R4G4B4"};
    const trial a8r8g8b8{dev::A8R8G8B8, "D_D3DFMT_A8R8G8B8"}, a1r5g5b5{dev::A1R5G5B5, "D_D3DFMT_A1R5G5B5"};

    if (required_slot(0, {r5g6b5, x1r5g5b5}, "16bit カラーフォーマットは %s です",
                      "使用できる 16bit カラーフォーマットが見つかりませんでした\n") < 0)
        return -1;
    // slot 1 falls back on slot 0's format and repeats its name
    const char* name16 = slot[0] == dev::R5G6B5 ? r5g6b5.name : x1r5g5b5.name;
    const char* name = name16;
    slot[1] = first_accepted(0, {x8r8g8b8}, &name);
    if (slot[1] == 0)
        slot[1] = slot[0];
    LogPrintf("32bit カラーフォーマットは %s です", name);

    if (required_slot(2, {a4r4g4b4, a8r8g8b8}, "アルファ付き 16bit カラーフォーマットは %s です",
                      "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\n") < 0 ||
        required_slot(3, {a8r8g8b8, a4r4g4b4}, "アルファ付き 32bit カラーフォーマットは %s です",
                      "使用できるアルファ付き 32bit カラーフォーマットが見つかりませんでした\n") < 0 ||
        required_slot(4, {a1r5g5b5, a8r8g8b8, a4r4g4b4}, "アルファテスト用 16bit カラーフォーマットは %s です",
                      "使用できるアルファテスト用 16bit カラーフォーマットが見つかりませんでした\n") < 0 ||
        required_slot(5, {a8r8g8b8, a1r5g5b5, a4r4g4b4}, "アルファテスト用 32bit カラーフォーマットは %s です",
                      "使用できるアルファテスト用 32bit カラーフォーマットが見つかりませんでした\n") < 0)
        return -1;

    // the block formats, each standing in with an uncompressed one the device has
    struct block_row {
        dev::format fmt;
        int fallback;
        const char* line;
        const char* name;
    };
    static const block_row blocks[] = {
        {dev::DXT1, 4, "ＤＸＴ１テクスチャフォーマットは%s", " D_D3DFMT_DXT1 です"},
        {dev::DXT2, 3, "ＤＸＴ２テクスチャフォーマットは%s", " D_D3DFMT_DXT2 です"},
        {dev::DXT3, 3, "ＤＸＴ３テクスチャフォーマットは%s", " D_D3DFMT_DXT3 です"},
        {dev::DXT4, 3, "ＤＸＴ４テクスチャフォーマットは%s", " D_D3DFMT_DXT4 です"},
        {dev::DXT5, 3, "ＤＸＴ５テクスチャフォーマットは%s", " D_D3DFMT_DXT5 です"},
    };
    for (int i = 0; i < 5; ++i) {
        const block_row& b = blocks[i];
        const char* shown = "使えません";
        slot[6 + i] = first_accepted(0, {{b.fmt, b.name}}, &shown);
        if (slot[6 + i] == 0)
            slot[6 + i] = slot[b.fallback];
        LogPrintf(b.line, shown);
    }

    // render targets: slot 11 tries the back buffer's own 16-bit format first
    if (graphics.back_buffer_format == dev::R5G6B5)
        render_target_slot(11, {{dev::R5G6B5, "D3DFMT_R5G6B5"}, {dev::X1R5G5B5, "D3DFMT_R5G5B5"}, x8r8g8b8},
                           "描画用 16bit カラーフォーマットは %s です",
                           "使用できる描画用 16bit カラーフォーマットがありませんでした\n");
    else
        render_target_slot(11, {{dev::X1R5G5B5, "D_D3DFMT_R5G5B5"}, r5g6b5, x8r8g8b8},
                           "描画用 16bit カラーフォーマットは %s です",
                           "使用できる描画用 16bit カラーフォーマットがありませんでした\n");
    render_target_slot(12, {x8r8g8b8, {dev::R5G6B5, "D3DFMT_R5G6B5"}, {dev::X1R5G5B5, "D3DFMT_R5G5B5"}},
                       "描画用 32bit カラーフォーマットは %s です",
                       "使用できる描画用 32bit カラーフォーマットがありませんでした\n");
    render_target_slot(13, {a8r8g8b8, {dev::A4R4G4B4, "D3DFMT_A4R4G4B4"}},
                       "描画用アルファ付き 32bit カラーフォーマットは %s です",
                       "使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした\n");

    const bool screen32 = screen_mode.bits == 32;
    slot[14] = slot[screen32 ? 12 : 11];
    slot[15] = slot[screen32 ? 5 : 4];
    return 0;
}

}  // namespace media::gfx

const PIXFMT* GetTextureImageFormat(int slot)
{
    struct table {
        PIXFMT formats[14];
        table()
        {
            const PIXFMT rgb16 = masks(16, 0xF800, 0x07E0, 0x001F, 0);
            const PIXFMT rgb32 = masks(32, 0xFF0000, 0xFF00, 0xFF, 0);
            const PIXFMT argb32 = masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
            formats[0] = formats[11] = rgb16;
            formats[1] = formats[12] = rgb32;
            formats[2] = masks(16, 0x0F00, 0x00F0, 0x000F, 0xF000);
            formats[3] = formats[5] = formats[13] = argb32;
            formats[4] = masks(16, 0x7C00, 0x03E0, 0x001F, 0x8000);
            // the block formats: blocks decode to the 32-bit alpha layout
            for (int kind = 1; kind <= 5; ++kind) {
                PIXFMT& f = formats[5 + kind];
                f = argb32;
                f.color_bits = kind == 1 ? 4 : 8;
                f.pixel_bytes = 0;
                f.kind = static_cast<std::uint32_t>(kind);
            }
        }
    };
    static const table built;
    if (slot < 0 || slot > 13)
        return nullptr;
    return &built.formats[slot];
}

int ClassifyGraphFormat(const GRAPHFORMAT* request)
{
    if (request == nullptr)
        return -1;
    const GRAPHFORMAT& r = *request;
    const int wide = r.depth != 16 ? 1 : 0;
    if (r.compressed >= 1 && r.compressed <= 5)
        return 5 + r.compressed;
    if (r.drawable != 0)
        return r.has_alpha != 0 || r.transparent != 0 ? 13 : 11 + wide;
    if (r.has_alpha != 0)
        return 2 + wide;
    if (r.transparent != 0)
        return 4 + wide;
    return wide;
}

const PIXFMT* ChooseTextureImageFormat(const GRAPHFORMAT* request)
{
    return GetTextureImageFormat(ClassifyGraphFormat(request));
}

const PIXFMT* GetTextureFormatFor(int alpha, int transparent, int bits32, int drawable)
{
    const GRAPHFORMAT request{static_cast<std::uint8_t>(alpha != 0), static_cast<std::uint8_t>(drawable != 0), 0,
                              static_cast<std::uint8_t>(transparent != 0),
                              static_cast<std::uint8_t>(bits32 != 0 ? 32 : 16)};
    return ChooseTextureImageFormat(&request);
}
