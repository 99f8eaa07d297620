// Device of the headless backend: the library and object switches, and the
// recording device: resources in memory, copies and fills done on that
// memory, draws recorded, every call written into the transcript.
#include "platform/headless/headless.hpp"
#include "platform/headless/pixels.hpp"
#include "platform/headless/reference.hpp"
#include "platform/headless/state.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace platform::headless {

int present(const pixel_view& view, const rect& source, const rect& destination);

namespace {

using device::format;
using device::resource;

device_record& rec()
{
    return state().device;
}

// Recording and reference mode make the device and write the transcript.
bool recording()
{
    return rec().mode != device_mode::off;
}

// ---- transcript ----

std::string hex(std::uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
}

std::string text(const rect& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

std::string name(resource r)
{
    if (r == resource::none) return "-";
    const auto it = rec().handles.find(static_cast<std::uint32_t>(r));
    return it == rec().handles.end() ? "#?" : "#" + std::to_string(it->second.serial);
}

// Appends a call (in recording mode with the transcript on); returns its entry or null.
device_call* note(std::string call)
{
    if (!recording() || !rec().transcript_on) return nullptr;
    rec().transcript.push_back(device_call{std::move(call), {}, {}});
    return &rec().transcript.back();
}

// Counts a call of the operation; true when it is the one set to fail (its
// transcript line is then marked failed and the error set).
bool fails(device_op op, const char* what)
{
    int& n = rec().countdown[static_cast<int>(op)];
    if (n == 0 || --n != 0) return false;
    if (recording() && rec().transcript_on && !rec().transcript.empty()) rec().transcript.back().call += " failed";
    set_error(what);
    return true;
}

// ---- memory ----

int block_bytes(format f)
{
    return f == device::DXT1 ? 8 : 16;
}

// A surface of the format and size, filled with the pattern; false when the
// memory cannot be had.
bool allocate(device_surface& s, format f, int width, int height)
{
    s.fmt = f;
    s.width = width;
    s.height = height;
    long long row;
    if (device::is_block_format(f)) {
        row = static_cast<long long>((width + 3) / 4) * block_bytes(f);
        s.rows = (height + 3) / 4;
    } else {
        row = static_cast<long long>(width) * std::max(1, device::format_bytes(f));
        s.rows = height;
    }
    s.pitch = static_cast<int>((row + 16 + 63) / 64 * 64);
    try {
        s.bytes.assign(static_cast<std::size_t>(s.pitch) * static_cast<std::size_t>(s.rows), device_fill_byte);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

device_handle* handle(resource r)
{
    const auto it = rec().handles.find(static_cast<std::uint32_t>(r));
    return it == rec().handles.end() ? nullptr : &it->second;
}

// The memory a surface handle, a texture's level or a buffer names.
device_surface& memory(resource r, int level = 0)
{
    device_handle& h = *handle(r);
    return h.store->levels[static_cast<std::size_t>(h.kind == device::resource_kind::texture ? level : h.level)];
}

// The render target now set (none: the back buffer).
device_surface& render_target()
{
    const resource t = device::current_state().render_target;
    return t == resource::none ? rec().back_buffer->levels[0] : memory(t);
}

// ---- pixels ----

void fill(device_surface& s, const rect& r, std::uint32_t argb)
{
    const pixel_layout l = layout_of(s.fmt);
    const std::uint32_t v = convert(argb, layout_of(device::A8R8G8B8), l);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) store(pixel_at(s, x, y), l.bytes, v);
}

// Source pixel of a destination pixel, nearest: the centre of the destination
// pixel mapped into the source.
int nearest(int d, int d0, int dn, int s0, int sn)
{
    return s0 + static_cast<int>((2LL * (d - d0) + 1) * sn / (2LL * dn));
}

void stretch(device_surface& src, const rect& a, device_surface& dst, const rect& b, bool linear)
{
    const pixel_layout from = layout_of(src.fmt), to = layout_of(dst.fmt);
    const int sw = a.right - a.left, sh = a.bottom - a.top, dw = b.right - b.left, dh = b.bottom - b.top;
    for (int y = b.top; y < b.bottom; ++y)
        for (int x = b.left; x < b.right; ++x) {
            std::uint32_t v;
            if (!linear || (sw == dw && sh == dh)) {
                v = load(pixel_at(src, nearest(x, b.left, dw, a.left, sw), nearest(y, b.top, dh, a.top, sh)), from.bytes);
            } else {
                // bilinear in the source's own channel widths, edges clamped
                const double u = a.left + (x - b.left + 0.5) * sw / dw - 0.5;
                const double w = a.top + (y - b.top + 0.5) * sh / dh - 0.5;
                const int x0 = std::clamp(static_cast<int>(std::floor(u)), a.left, a.right - 1);
                const int y0 = std::clamp(static_cast<int>(std::floor(w)), a.top, a.bottom - 1);
                const int x1 = std::min(x0 + 1, a.right - 1), y1 = std::min(y0 + 1, a.bottom - 1);
                const double fx = std::clamp(u - x0, 0.0, 1.0), fy = std::clamp(w - y0, 0.0, 1.0);
                const std::uint32_t p00 = load(pixel_at(src, x0, y0), from.bytes), p10 = load(pixel_at(src, x1, y0), from.bytes);
                const std::uint32_t p01 = load(pixel_at(src, x0, y1), from.bytes), p11 = load(pixel_at(src, x1, y1), from.bytes);
                v = 0;
                for (int c = 0; c < 4; ++c) {
                    if (from.width[c] == 0) continue;
                    const double top = channel(p00, from, c) * (1 - fx) + channel(p10, from, c) * fx;
                    const double bottom = channel(p01, from, c) * (1 - fx) + channel(p11, from, c) * fx;
                    v |= static_cast<std::uint32_t>(std::lround(top * (1 - fy) + bottom * fy)) << from.shift[c];
                }
            }
            store(pixel_at(dst, x, y), to.bytes, src.fmt == dst.fmt ? v : convert(v, from, to));
        }
}

// Rows of bytes of a rectangle (blocks: of block rows) from one surface to another.
void copy_rows(device_surface& src, const rect& a, device_surface& dst, int x, int y)
{
    const bool blocks = device::is_block_format(src.fmt);
    const int unit = blocks ? block_bytes(src.fmt) : layout_of(src.fmt).bytes;
    const int div = blocks ? 4 : 1;
    const int columns = blocks ? (a.right - a.left + 3) / 4 : a.right - a.left;
    const int rows = blocks ? (a.bottom - a.top + 3) / 4 : a.bottom - a.top;
    for (int r = 0; r < rows; ++r)
        std::memcpy(dst.bytes.data() + static_cast<std::size_t>(y / div + r) * dst.pitch + static_cast<std::size_t>(x / div) * unit,
                    src.bytes.data() + static_cast<std::size_t>(a.top / div + r) * src.pitch + static_cast<std::size_t>(a.left / div) * unit,
                    static_cast<std::size_t>(columns) * unit);
}

// The bytes a lock of the rectangle covers, row by row.
std::vector<std::uint8_t> locked_bytes(const device_surface& s, const rect& r)
{
    const bool blocks = device::is_block_format(s.fmt);
    const int unit = blocks ? block_bytes(s.fmt) : std::max(1, layout_of(s.fmt).bytes);
    const int div = blocks ? 4 : 1;
    const int first = r.top / div, rows = (r.bottom - r.top + div - 1) / div;
    const int left = r.left / div * unit, width = (r.right - r.left + div - 1) / div * unit;
    std::vector<std::uint8_t> out;
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* row = s.bytes.data() + static_cast<std::size_t>(first + y) * s.pitch + left;
        out.insert(out.end(), row, row + width);
    }
    return out;
}

const char* kind_name(device::resource_kind k)
{
    switch (k) {
    case device::resource_kind::texture: return "CreateTexture";
    case device::resource_kind::level_surface: return "GetSurfaceLevel";
    case device::resource_kind::back_buffer: return "GetBackBuffer";
    case device::resource_kind::render_target: return "CreateRenderTarget";
    case device::resource_kind::plain_surface: return "CreateOffscreenPlainSurface";
    case device::resource_kind::depth_surface: return "CreateDepthStencilSurface";
    case device::resource_kind::swap_chain: return "GetSwapChain";
    case device::resource_kind::vertex_buffer: return "CreateVertexBuffer";
    case device::resource_kind::index_buffer: return "CreateIndexBuffer";
    case device::resource_kind::vertex_shader: return "CreateVertexShader";
    case device::resource_kind::pixel_shader: return "CreatePixelShader";
    case device::resource_kind::declaration: return "CreateVertexDeclaration";
    }
    return "Create";
}

// The failure switch of a kind's creation, or -1 for none.
int creation_op(device::resource_kind k)
{
    switch (k) {
    case device::resource_kind::texture: return static_cast<int>(device_op::create_texture);
    case device::resource_kind::level_surface: return static_cast<int>(device_op::get_surface_level);
    case device::resource_kind::render_target: return static_cast<int>(device_op::create_render_target);
    case device::resource_kind::plain_surface: return static_cast<int>(device_op::create_offscreen_plain_surface);
    case device::resource_kind::depth_surface: return static_cast<int>(device_op::create_depth_stencil_surface);
    case device::resource_kind::vertex_shader: return static_cast<int>(device_op::create_vertex_shader);
    case device::resource_kind::pixel_shader: return static_cast<int>(device_op::create_pixel_shader);
    default: return -1;
    }
}

std::string arguments(const device::resource_desc& d)
{
    using k = device::resource_kind;
    const std::string size = std::to_string(d.width) + " " + std::to_string(d.height);
    switch (d.kind) {
    case k::texture:
        return size + " " + std::to_string(d.levels) + " " + hex(d.usage) + " " + std::to_string(d.fmt) + " " +
               std::to_string(d.in_pool);
    case k::level_surface: return name(d.parent) + " " + std::to_string(d.level);
    case k::render_target: return size + " " + std::to_string(d.fmt) + " " + (d.lockable ? "1" : "0");
    case k::plain_surface: return size + " " + std::to_string(d.fmt) + " " + std::to_string(d.in_pool);
    case k::depth_surface: return size + " " + std::to_string(d.fmt);
    case k::back_buffer: case k::swap_chain: return "0";
    case k::vertex_buffer: return std::to_string(d.width) + " " + hex(d.usage) + " " + hex(d.fvf) + " " + std::to_string(d.in_pool);
    case k::index_buffer: return std::to_string(d.width) + " " + hex(d.usage) + " " + std::to_string(d.fmt) + " " + std::to_string(d.in_pool);
    case k::vertex_shader: case k::pixel_shader: return std::to_string(d.code.size());
    case k::declaration: return std::to_string(d.elements.size());
    }
    return "";
}

const char* state_name(device::state_kind k)
{
    using s = device::state_kind;
    switch (k) {
    case s::render: return "SetRenderState";
    case s::stage: return "SetTextureStageState";
    case s::sampler: return "SetSamplerState";
    case s::texture: return "SetTexture";
    case s::fvf: return "SetFVF";
    case s::transform: return "SetTransform";
    case s::viewport: return "SetViewport";
    case s::scissor: return "SetScissorRect";
    case s::render_target: return "SetRenderTarget";
    case s::depth_surface: return "SetDepthStencilSurface";
    case s::vertex_shader: return "SetVertexShader";
    case s::pixel_shader: return "SetPixelShader";
    case s::declaration: return "SetVertexDeclaration";
    case s::light: return "SetLight";
    case s::light_enable: return "LightEnable";
    case s::material: return "SetMaterial";
    case s::vs_constant_f: return "SetVertexShaderConstantF";
    case s::vs_constant_b: return "SetVertexShaderConstantB";
    case s::ps_constant_f: return "SetPixelShaderConstantF";
    case s::dialog_box_mode: return "SetDialogBoxMode";
    case s::begin_scene: return "BeginScene";
    case s::end_scene: return "EndScene";
    }
    return "Set";
}

bool supported(format f, std::uint32_t usage)
{
    const auto it = rec().support.find({f, usage});
    if (it != rec().support.end()) return it->second;
    return device::is_colour_format(f);
}

bool depth_supported(format f)
{
    const auto& d = rec().depth_formats;
    return std::find(d.begin(), d.end(), f) != d.end();
}

// Whether the device makes the resource in its format.
bool makes(const device::resource_desc& d)
{
    using k = device::resource_kind;
    switch (d.kind) {
    case k::texture: return supported(d.fmt, d.usage);
    case k::render_target: return supported(d.fmt, device::usage_render_target);
    case k::plain_surface: return supported(d.fmt, 0);
    case k::depth_surface: return depth_supported(d.fmt);
    default: return true;
    }
}

}  // namespace

// ---- hooks ----

namespace dev {

int library()
{
    if (state().device_library_missing) return set_error("device library missing");
    return 0;
}

int create_object()
{
    note("CreateObject");
    if (state().device_object_fails) return set_error("device object creation failed");
    if (fails(device_op::create_object, "device object creation failed")) return -1;
    return 0;
}

void release_object()
{
    note("ReleaseObject");
}

int adapter_mode(device::adapter_mode& out)
{
    note("GetAdapterDisplayMode");
    const display_mode& d = state().desktop;
    format f = rec().adapter_format;
    if (f == device::format_unknown) f = d.bits == 16 ? device::R5G6B5 : device::X8R8G8B8;
    out = device::adapter_mode{d.width, d.height, d.refresh, f};
    return 0;
}

int mode_count(format f)
{
    note("GetAdapterModeCount " + std::to_string(f));
    const headless_state& s = state();
    const int bits = f == device::X8R8G8B8 ? 32 : f == device::R5G6B5 ? 16 : 0;
    int n = 0;
    for (const display_mode& m : s.modes_set ? s.modes : std::vector<display_mode>{s.desktop}) n += m.bits == bits;
    return n;
}

int caps(device::caps& out)
{
    note("GetDeviceCaps");
    out = rec().caps;
    return 0;
}

int identifier(device::identifier& out)
{
    note("GetAdapterIdentifier");
    out = device::identifier{rec().driver, rec().description};
    return 0;
}

bool check_format(format adapter, std::uint32_t usage, format f)
{
    note("CheckDeviceFormat " + std::to_string(adapter) + " " + hex(usage) + " " + std::to_string(f));
    return supported(f, usage);
}

bool check_depth_match(format adapter, format target, format depth)
{
    note("CheckDepthStencilMatch " + std::to_string(adapter) + " " + std::to_string(target) + " " + std::to_string(depth));
    return depth_supported(depth);
}

int create_device(const device::present_params& p, std::uint32_t behaviour, device::caps& out)
{
    note("CreateDevice " + std::to_string(p.width) + " " + std::to_string(p.height) + " " +
         std::to_string(p.back_buffer_format) + " " + (p.windowed ? "windowed" : "full") + " " +
         std::to_string(p.refresh) + " " + hex(p.interval) + " " + (p.lockable_back_buffer ? "lockable" : "-") +
         " " + hex(behaviour));
    if (fails(device_op::create_device, "device creation failed")) return -1;
    if (!recording()) return set_error("device creation failed");
    auto back = std::make_shared<device_store>();
    back->levels.resize(1);
    if (!allocate(back->levels[0], p.back_buffer_format, p.width, p.height)) return set_error("out of memory");
    rec().back_buffer = std::move(back);
    rec().made = true;
    out = rec().caps;
    return 0;
}

void release_device(int leaked)
{
    note("ReleaseDevice" + (leaked ? " leaked " + std::to_string(leaked) : std::string()));
    rec().leaks += leaked;
    rec().back_buffer.reset();
    rec().handles.clear();
    rec().made = false;
}

int create_resource(resource id, const device::resource_desc& d)
{
    using k = device::resource_kind;
    device_call* line = note(std::string(kind_name(d.kind)) + " " + arguments(d));
    const int op = creation_op(d.kind);
    if (op >= 0 && fails(static_cast<device_op>(op), "resource creation failed")) return -1;
    if (!makes(d)) {
        if (line) line->call += " failed";
        return set_error("format not supported");
    }
    device_handle h;
    h.kind = d.kind;
    if (d.kind == k::level_surface) {
        h.store = handle(d.parent)->store;
        h.level = d.level;
    } else if (d.kind == k::back_buffer) {
        h.store = rec().back_buffer;
    } else if (d.kind != k::swap_chain && d.kind != k::vertex_shader && d.kind != k::pixel_shader &&
               d.kind != k::declaration) {
        h.store = std::make_shared<device_store>();
        const int levels = d.kind == k::texture ? d.levels : 1;
        h.store->levels.resize(static_cast<std::size_t>(levels));
        for (int i = 0; i < levels; ++i) {
            const bool buffer = d.kind == k::vertex_buffer || d.kind == k::index_buffer;
            if (!allocate(h.store->levels[static_cast<std::size_t>(i)], buffer ? device::format_unknown : d.fmt,
                          std::max(1, d.width >> i), buffer ? 1 : std::max(1, d.height >> i))) {
                if (line) line->call += " failed";
                return set_error("out of memory");
            }
        }
    }
    h.serial = ++rec().serials;
    if (line) line->call += " #" + std::to_string(h.serial);
    rec().handles[static_cast<std::uint32_t>(id)] = std::move(h);
    return 0;
}

void release_resource(resource id)
{
    note("Release " + name(id));
    rec().handles.erase(static_cast<std::uint32_t>(id));
}

int lock(resource id, int level, const rect& area, std::uint32_t flags, device::locked_rect& out)
{
    const device_handle& h = *handle(id);
    const bool buffer = h.kind == device::resource_kind::vertex_buffer || h.kind == device::resource_kind::index_buffer;
    note(std::string(buffer ? "Lock " : "LockRect ") + name(id) + " " + std::to_string(level) + " " + text(area) + " " + hex(flags));
    if (fails(device_op::lock_rect, "lock failed")) return -1;
    device_surface& s = memory(id, level);
    if (flags & device::lock_discard) std::fill(s.bytes.begin(), s.bytes.end(), device_fill_byte);
    s.locked = area;
    s.readonly = (flags & device::lock_readonly) != 0;
    if (s.readonly) s.before = locked_bytes(s, area);
    const bool blocks = device::is_block_format(s.fmt);
    const int unit = blocks ? block_bytes(s.fmt) : std::max(1, layout_of(s.fmt).bytes);
    const int div = blocks ? 4 : 1;
    out.bits = s.bytes.data() + static_cast<std::size_t>(area.top / div) * s.pitch + static_cast<std::size_t>(area.left / div) * unit;
    out.pitch = s.pitch;
    return 0;
}

int unlock(resource id, int level)
{
    const device_handle& h = *handle(id);
    const bool buffer = h.kind == device::resource_kind::vertex_buffer || h.kind == device::resource_kind::index_buffer;
    note(std::string(buffer ? "Unlock " : "UnlockRect ") + name(id) + " " + std::to_string(level));
    device_surface& s = memory(id, level);
    if (s.readonly && locked_bytes(s, s.locked) != s.before)
        rec().faults.push_back("write through a read-only lock of " + name(id) + " level " + std::to_string(level));
    s.readonly = false;
    s.before.clear();
    return 0;
}

int set_state(const device::state_change& ch)
{
    using s = device::state_kind;
    std::string line = state_name(ch.kind);
    switch (ch.kind) {
    case s::render: line += " " + std::to_string(ch.key) + " " + hex(ch.value); break;
    case s::stage: case s::sampler:
        line += " " + std::to_string(ch.index) + " " + std::to_string(ch.key) + " " + hex(ch.value);
        break;
    case s::texture: line += " " + std::to_string(ch.index) + " " + name(ch.target); break;
    case s::fvf: line += " " + hex(ch.value); break;
    case s::transform: line += " " + std::to_string(ch.key); break;
    case s::viewport: {
        const auto& v = *static_cast<const device::viewport*>(ch.data);
        line += " " + std::to_string(v.x) + " " + std::to_string(v.y) + " " + std::to_string(v.width) + " " +
                std::to_string(v.height);
        break;
    }
    case s::scissor: line += " " + text(*static_cast<const rect*>(ch.data)); break;
    case s::render_target: case s::depth_surface: case s::vertex_shader: case s::pixel_shader: case s::declaration:
        line += " " + name(ch.target);
        break;
    case s::light: case s::light_enable: line += " " + std::to_string(ch.index) + (ch.kind == s::light_enable ? " " + std::to_string(ch.value) : ""); break;
    case s::vs_constant_f: case s::vs_constant_b: case s::ps_constant_f:
        line += " " + std::to_string(ch.index) + " " + std::to_string(ch.count);
        break;
    case s::dialog_box_mode: line += " " + std::to_string(ch.value); break;
    default: break;
    }
    note(line);
    if (ch.kind == s::viewport && fails(device_op::set_viewport, "viewport refused")) return -1;
    return 0;
}

int draw(const device::draw_call& c)
{
    const bool indexed = c.indices != nullptr;
    device_call* line = note(std::string(indexed ? "DrawIndexedPrimitiveUP " : "DrawPrimitiveUP ") +
                             std::to_string(c.type) + " " +
                             (indexed ? std::to_string(c.min_index) + " " + std::to_string(c.vertex_count - c.min_index) + " " : "") +
                             std::to_string(c.primitive_count) + " " + std::to_string(c.stride));
    if (line != nullptr) {
        const auto* v = static_cast<const std::uint8_t*>(c.vertices);
        line->vertices.assign(v, v + static_cast<std::size_t>(c.vertex_count) * c.stride);
        if (indexed) line->indices.assign(c.indices, c.indices + c.index_count);
    }
    if (rec().mode == device_mode::reference)
        ref::draw(c, device::current_state(), render_target(), [](resource t) -> const device_surface* {
            return t == resource::none ? nullptr : &memory(t, 0);
        });
    return 0;
}

int clear(const rect* rects, int count, std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil)
{
    std::string line = "Clear " + std::to_string(count);
    for (int i = 0; i < count; ++i) line += " " + text(rects[i]);
    char zt[32];
    std::snprintf(zt, sizeof zt, "%g", static_cast<double>(z));
    note(line + " " + hex(flags) + " " + hex(colour) + " " + zt + " " + std::to_string(stencil));
    if (!rec().made) return 0;
    if (flags & device::clear_target) {
        device_surface& t = render_target();
        for (int i = 0; i < count; ++i) fill(t, rects[i], colour);
    }
    if (flags & device::clear_zbuffer) {
        device_surface& d = memory(device::current_state().depth_surface);
        const int bytes = device::format_bytes(d.fmt);
        const double full = d.fmt == device::D16 ? 65535.0 : d.fmt == device::D24X8 ? 16777215.0 : 4294967295.0;
        std::uint32_t v = static_cast<std::uint32_t>(std::llround(z * full));
        if (d.fmt == device::D24X8) v |= 0xFF000000u;
        for (int i = 0; i < count; ++i)
            for (int y = rects[i].top; y < rects[i].bottom && y < d.height; ++y)
                for (int x = rects[i].left; x < rects[i].right && x < d.width; ++x)
                    store(d.bytes.data() + static_cast<std::size_t>(y) * d.pitch + static_cast<std::size_t>(x) * bytes, bytes, v);
    }
    return 0;
}

int color_fill(resource surface, const rect& area, std::uint32_t colour)
{
    note("ColorFill " + name(surface) + " " + text(area) + " " + hex(colour));
    if (fails(device_op::color_fill, "colour fill failed")) return -1;
    fill(memory(surface), area, colour);
    return 0;
}

int stretch_rect(resource source, const rect& from, resource target, const rect& to, device::filter f)
{
    note("StretchRect " + name(source) + " " + text(from) + " " + name(target) + " " + text(to) + " " + std::to_string(f));
    if (fails(device_op::stretch_rect, "stretch failed")) return -1;
    stretch(memory(source), from, memory(target), to, f == device::filter_linear);
    return 0;
}

int update_surface(resource source, const rect& from, resource target, int x, int y)
{
    note("UpdateSurface " + name(source) + " " + text(from) + " " + name(target) + " " + std::to_string(x) + " " + std::to_string(y));
    if (fails(device_op::update_surface, "surface update failed")) return -1;
    copy_rows(memory(source), from, memory(target), x, y);
    return 0;
}

int get_render_target_data(resource source, resource target)
{
    note("GetRenderTargetData " + name(source) + " " + name(target));
    device_surface& s = memory(source);
    copy_rows(s, rect{0, 0, s.width, s.height}, memory(target), 0, 0);
    return 0;
}

int present(const rect& source, const rect& destination)
{
    note("Present " + text(source) + " " + text(destination));
    if (fails(device_op::present, "present failed (device lost)")) return -1;
    const device_surface& b = rec().back_buffer->levels[0];
    const pixel_layout l = layout_of(b.fmt);
    auto mask = [&](int c) { return ((1u << l.width[c]) - 1) << l.shift[c]; };
    pixel_view view;
    view.pixels = b.bytes.data();
    view.width = b.width;
    view.height = b.height;
    view.pitch = b.pitch;
    view.bits = l.bytes * 8;
    view.red_mask = mask(1);
    view.green_mask = mask(2);
    view.blue_mask = mask(3);
    return headless::present(view, source, destination);
}

}  // namespace dev

// ---- controls ----

void set_device_library_missing(bool missing)
{
    state().device_library_missing = missing;
}

void set_device_object_fails(bool fails)
{
    state().device_object_fails = fails;
}

void set_device_mode(device_mode mode)
{
    rec().mode = mode;
}

const std::vector<device_call>& device_transcript()
{
    return rec().transcript;
}

std::vector<std::string> device_call_texts()
{
    std::vector<std::string> out;
    for (const device_call& c : rec().transcript) out.push_back(c.call);
    return out;
}

void clear_device_transcript()
{
    rec().transcript.clear();
}

void set_device_transcript(bool on)
{
    rec().transcript_on = on;
}

void set_device_caps(const device::caps& caps)
{
    rec().caps = caps;
}

void set_device_format_support(device::format f, std::uint32_t usage, bool supported)
{
    rec().support[{f, usage}] = supported;
}

void set_device_depth_formats(const std::vector<device::format>& formats)
{
    rec().depth_formats = formats;
}

void set_adapter_format(device::format f)
{
    rec().adapter_format = f;
}

void set_adapter_identifier(const std::string& driver, const std::string& description)
{
    rec().driver = driver;
    rec().description = description;
}

void fail_device_call(device_op op, int nth)
{
    rec().countdown[static_cast<int>(op)] = std::max(0, nth);
}

int device_leaks()
{
    return rec().leaks;
}

const std::vector<std::string>& device_faults()
{
    return rec().faults;
}

}  // namespace platform::headless
