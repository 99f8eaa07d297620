// Texture formats: the device's format for every texture-format slot, the
// memory-side pixel format of each slot, and the slot an image asks for.
#pragma once

#include <cstdint>

struct PIXFMT;

// What a graph's image needs of its texture.
struct GRAPHFORMAT {
    std::uint8_t has_alpha;
    std::uint8_t drawable;
    std::uint8_t compressed;   // 1 to 5: DXT1 to DXT5; other values: not compressed
    std::uint8_t transparent;  // a transparent colour, kept as one alpha bit
    std::uint8_t depth;        // colour bits: 16, else taken as 32
};

// The memory-side format of slots 0 to 13; null for any other slot.
const PIXFMT* GetTextureImageFormat(int slot);
// The slot of the request: compressed kinds give 6 to 10; else draw-able 13
// (alpha or transparent colour), 11 (16 bits) or 12; else alpha 2 or 3,
// transparent colour 4 or 5, neither 0 or 1 (the higher beyond 16 bits).
// -1 for no request.
int ClassifyGraphFormat(const GRAPHFORMAT* request);
// The memory-side format of the request's slot; null for no request.
const PIXFMT* ChooseTextureImageFormat(const GRAPHFORMAT* request);
// The same for the flags, uncompressed, 32 bits when bits32 is set else 16.
const PIXFMT* GetTextureFormatFor(int alpha, int transparent, int bits32, int drawable);

namespace media::gfx {

// Fills the device's format table from what it accepts with the back-buffer
// format, logging each choice: 0, or -1 when a slot the device road needs
// (0, 2, 3, 4, 5) finds no format.
int fill_device_formats();

}  // namespace media::gfx
