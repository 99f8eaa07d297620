// The device objects: the device object, the device and what it is made
// with (back buffer, swap chain, depth surface, sub back buffer), its
// capabilities, and the device's buffers and dialog-box mode.
#include "media/graphics/device.hpp"

#include <algorithm>
#include <string>

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/graphics/formats.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/state_cache.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

using media::gfx::graphics;
using media::gfx::screen_mode;

namespace {

namespace dev = platform::device;

bool window_mode()
{
    return media::core::window_state.settings.window_mode != 0;
}

void release_held(dev::resource& r)
{
    if (r != dev::resource::none)
        dev::release(r);
    r = dev::resource::none;
}

// What the device holds, released before the device itself so that none of
// it outlives its device.
void release_device_resources()
{
    release_held(graphics.depth_surface);
    release_held(graphics.sub_back_buffer);
    release_held(graphics.back_buffer);
    release_held(graphics.swap_chain);
}

void release_device()
{
    release_device_resources();
    if (graphics.device != 0)
        dev::release_device();
    graphics.device = 0;
}

// Text the platform gives (UTF-8) in the log's code page.
std::string narrow(const std::string& utf8)
{
    const std::wstring wide = platform::text::from_utf8(utf8);
    std::string out;
    platform::text::append_narrow(wide.data(), wide.size(), out);
    return out;
}

// The smallest power of two not below n (1 for n below 1).
int power_of_two_above(int n)
{
    int p = 1;
    while (p < n && p < (1 << 30))
        p <<= 1;
    return p;
}

// The screen's colour bits follow the desktop's format in window mode.
int bits_of(dev::format f)
{
    return f == dev::X8R8G8B8 ? 32 : 16;
}

const char* screen_format_name(int f)
{
    switch (f) {
    case dev::X8R8G8B8: return "D3DFMT_X8R8G8B8";
    case dev::R5G6B5: return "D3DFMT_R5G6B5";
    case dev::X1R5G5B5: return "D3DFMT_X1R5G5B5";
    default: return nullptr;
    }
}

// Step 5 of the device's creation: Z on, and the screen cleared to the
// background colour through both buffers of the swap chain and more.
void prime_device()
{
    ResetDeviceShaderCache();
    dev::set_render_state(dev::rs_zenable, 1);
    const std::uint32_t colour = static_cast<std::uint32_t>(graphics.background[0] & 0xFF) << 16 |
                                 static_cast<std::uint32_t>(graphics.background[1] & 0xFF) << 8 |
                                 static_cast<std::uint32_t>(graphics.background[2] & 0xFF);
    for (int i = 0; i < 4; ++i) {
        dev::clear(0, nullptr, dev::clear_target, colour, 1.0f, 0);
        if (i < 3)
            dev::present(dev::resource::none, nullptr, nullptr);
    }
}

// Step 7: the capabilities and the values taken from them.
void read_caps()
{
    dev::get_caps(graphics.caps);
    const dev::caps& c = graphics.caps;
    graphics.vertex_shader2 = graphics.shader2 != 0 && c.vertex_shader_version >= 0x200 ? 1 : 0;
    graphics.pixel_shader2 = graphics.shader2 != 0 && c.pixel_shader_version >= 0x200 ? 1 : 0;
    graphics.blend_op = c.blend_op ? 1 : 0;
    const int width = c.max_texture_width > 0 ? c.max_texture_width : 256;
    const int height = c.max_texture_height > 0 ? c.max_texture_height : 256;
    graphics.max_texture_size = std::min(width, height);
    ResetDeviceMaterialSources();
}

// Step 10: the first depth format that goes with the back buffer.
int choose_depth_format()
{
    struct depth {
        dev::format fmt;
        const char* name;
    };
    static const depth depths[] = {{dev::D16, "D3DFMT_D16"}, {dev::D24X8, "D3DFMT_D24X8"}, {dev::D32, "D3DFMT_D32"}};
    const auto back = static_cast<dev::format>(graphics.back_buffer_format);
    graphics.formats.slot[16] = 0;
    for (const depth& d : depths)
        if (dev::check_depth_match(back, back, d.fmt) == 0) {
            graphics.formats.slot[16] = d.fmt;
            LogPrintf("Ｚバッファのフォーマットは %s です", d.name);
            return 0;
        }
    return LogWrite("使用できる Zバッファフォーマットが見つかりませんでした\n");
}

}  // namespace

namespace media::gfx {

void release_device_objects()
{
    release_device();
    if (graphics.d3d != 0)
        dev::release_object();
    graphics.d3d = 0;
}

}  // namespace media::gfx

int CreateDirect3DObject()
{
    media::gfx::release_device_objects();
    LogWrite("IDirect3D9 オブジェクトを取得します.... ");
    if (dev::create_object() < 0)
        return LogWrite("IDirect3D9 オブジェクトの取得に失敗しました\n");
    graphics.d3d = 1;
    LogWrite("成功\n");
    return 0;
}

int CreateD3DDevice()
{
    if (graphics.d3d == 0)
        return -1;
    release_device();
    LogWrite("IDirect3DDevice9 オブジェクトを取得します.... ");
    dev::present_params params;
    params.width = screen_mode.width;
    params.height = screen_mode.height;
    params.lockable_back_buffer = true;
    params.interval =
        media::gfx::settings.flip_no_wait != 0 ? dev::present_interval_immediate : dev::present_interval_one;
    if (window_mode()) {
        // the back buffer takes the desktop's format, and the screen its depth
        dev::adapter_mode adapter;
        dev::get_adapter_mode(adapter);
        params.back_buffer_format = adapter.fmt;
        screen_mode.bits = bits_of(adapter.fmt);
    } else {
        params.windowed = false;
        params.refresh = screen_mode.refresh;
        if (screen_mode.bits == 16)
            params.back_buffer_format = dev::mode_count(dev::R5G6B5) > 0 ? dev::R5G6B5 : dev::X1R5G5B5;
        else if (screen_mode.bits == 32)
            params.back_buffer_format = dev::X8R8G8B8;
        else
            return LogWrite("非対応のバックバッファービット深度が指定されました\n");
    }
    graphics.back_buffer_format = params.back_buffer_format;
    const std::uint32_t fpu = media::core::window_state.settings.fpu_preserve != 0 ? dev::create_fpu_preserve : 0u;
    dev::caps caps;
    dev::get_caps(caps);
    graphics.shader2 = caps.vertex_shader_version >= 0x200 && caps.pixel_shader_version >= 0x200 ? 1 : 0;
    if (dev::create_device(params, (graphics.shader2 != 0 ? dev::create_mixed_vertex_processing
                                                          : dev::create_software_vertex_processing) |
                                       fpu) == 0) {
        LogWrite("ハードウエア頂点演算を使用します\n");
    } else {
        graphics.shader2 = 0;
        if (dev::create_device(params, dev::create_software_vertex_processing | fpu) < 0)
            return LogWrite("Direct3DDevice9 の作成に失敗しました\n");
        LogWrite("ソフトウエア頂点演算を使用します\n");
    }
    graphics.device = 1;
    prime_device();
    dev::get_back_buffer(graphics.back_buffer);
    dev::get_swap_chain(graphics.swap_chain);
    LogWrite("成功\n");
    read_caps();

    dev::identifier id;
    dev::get_identifier(id);
    LogPrintf("Driver:%s  Description:%s", narrow(id.driver).c_str(), narrow(id.description).c_str());

    const dev::resource_desc* back = dev::describe(graphics.back_buffer);
    if (back != nullptr)
        graphics.back_buffer_format = back->fmt;
    if (const char* name = screen_format_name(graphics.back_buffer_format))
        LogPrintf("画面のフォーマットは %s です", name);
    else
        LogPrintf("バックバッファが対応していないフォーマット %d です", static_cast<int>(graphics.back_buffer_format));

    if (choose_depth_format() < 0)
        return -1;
    return media::gfx::fill_device_formats();
}

int CreateZBuffer()
{
    if (graphics.device == 0)
        return -1;
    release_held(graphics.depth_surface);
    LogWrite("Ｚバッファを作成します.... ");
    graphics.depth_width = power_of_two_above(screen_mode.width);
    graphics.depth_height = power_of_two_above(screen_mode.height);
    if (dev::create_depth_stencil_surface(graphics.depth_width, graphics.depth_height,
                                          static_cast<dev::format>(graphics.formats.slot[16]),
                                          graphics.depth_surface) < 0 ||
        dev::set_depth_stencil_surface(graphics.depth_surface) < 0) {
        release_held(graphics.depth_surface);
        return LogWrite("Ｚバッファの作成に失敗しました\n");
    }
    dev::clear(0, nullptr, dev::clear_zbuffer, 0, 1.0f, 0);
    LogWrite("成功\n");
    return 0;
}

int CreateSubBackBuffer()
{
    if (graphics.device == 0)
        return -1;
    release_held(graphics.sub_back_buffer);
    if (dev::create_render_target(screen_mode.width, screen_mode.height,
                                  static_cast<dev::format>(graphics.back_buffer_format), false,
                                  graphics.sub_back_buffer) < 0)
        return LogWrite("サブバックバッファの作成に失敗しました\n");
    return 0;
}

dev::resource CreateDeviceVertexBuffer(int length, std::uint32_t usage, std::uint32_t fvf, int pool)
{
    dev::resource out = dev::resource::none;
    if (graphics.device != 0)
        dev::create_vertex_buffer(length, usage, fvf, static_cast<dev::pool>(pool), out);
    return out;
}

dev::resource CreateDeviceIndexBuffer(int length, std::uint32_t usage, int format, int pool)
{
    dev::resource out = dev::resource::none;
    if (graphics.device != 0)
        dev::create_index_buffer(length, usage, static_cast<dev::format>(format), static_cast<dev::pool>(pool), out);
    return out;
}

int SetDeviceDialogBoxMode(int mode)
{
    if (graphics.device == 0)
        return -1;
    if (dev::current_state().in_scene)
        dev::end_scene();
    return dev::set_dialog_box_mode(mode != 0);
}

int ResetDialogBoxMode(int flag)
{
    if (graphics.device == 0)
        return 0;
    dev::set_dialog_box_mode(false);
    if (flag != 0)
        dev::set_dialog_box_mode(true);
    return 0;
}
