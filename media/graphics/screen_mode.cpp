// Screen modes and the restore of the display after it was lost.
#include "media/graphics/screen_mode.hpp"

#include "media/core/internal.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"

int SetScreenMode(int width, int height, int bits, int refresh)
{
    if (media::core::window_state.started != 0)
        return -1;
    media::gfx::screen_mode = {width, height, bits, refresh};
    return 0;
}

int RestoreGraphicsDevice()
{
    return 0;
}

int GetLogicalScreenState(int* width, int* height, int* bits)
{
    int w = 0, h = 0;
    QueryScreenSize(&w, &h);
    if (media::gfx::settings.emulate_320x240 != 0) {
        w = 320;
        h = 240;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    if (bits != nullptr)
        *bits = QueryColorBitDepth();
    return 0;
}

int SetGraphicsRestoreCallback(void (*callback)())
{
    media::gfx::settings.restore_callback = callback != nullptr ? callback : ReloadGraphsFromFiles;
    return 0;
}

int HasGraphicsRestoreCallback()
{
    return media::gfx::settings.restore_callback != nullptr ? 1 : 0;
}

namespace {

// The list, enumerated when none is held.
void ensure_display_modes()
{
    if (media::gfx::graphics.modes == nullptr)
        EnumerateDisplayModes(nullptr, nullptr);
}

}  // namespace

int CountDisplayModes()
{
    ensure_display_modes();
    return media::gfx::graphics.mode_count;
}

int QueryDisplayMode(DISPLAYMODEDATA* out, int index)
{
    ensure_display_modes();
    const media::gfx::GRAPHICSSTATE& g = media::gfx::graphics;
    const bool listed = index >= 0 && index < g.mode_count;
    if (out != nullptr) {
        if (listed) {
            const std::int32_t* e = g.modes + index * 4;
            *out = {e[0], e[1], e[2], e[3]};
        } else {
            *out = {-1, -1, -1, -1};
        }
    }
    return listed ? 0 : -1;
}

int IsDisplayModeListed(int width, int height, int bits)
{
    ensure_display_modes();
    const media::gfx::GRAPHICSSTATE& g = media::gfx::graphics;
    for (int i = 0; i < g.mode_count; ++i) {
        const std::int32_t* e = g.modes + i * 4;
        if (e[0] == width && e[1] == height && e[2] == bits)
            return 1;
    }
    return 0;
}
