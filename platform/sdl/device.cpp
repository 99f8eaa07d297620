// Device of the desktop backend: OpenGL 3.3 core on the main window. The
// object is the context (made on a window created OpenGL-capable; without
// one the object fails and graphics start-up takes the software road);
// textures and surfaces are GL textures, drawn into through framebuffer
// objects with row 0 at the top, or memory where Direct3D keeps them in
// memory; the state is read from the common layer at each draw.
#include "platform/sdl/gl.hpp"
#include "platform/sdl/gl_program.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/sdl/state.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace platform::sdl {

int desktop_mode(display_mode& out);
int display_modes(std::vector<display_mode>& out);
int wait_vblank_begin();
void drop_software_renderer();

namespace dev {

namespace {

using device::format;
using device::resource;
using device::resource_kind;

// How a colour format is stored and moved: GL's internal format, the
// format and type whose packing matches Direct3D's bytes, and whether the
// format lacks alpha (read as 1 through the swizzle).
struct gl_format {
    GLint internal;
    GLenum layout, type;
    int bytes;
    bool opaque;
    std::uint32_t unused;  // bits of no channel, set when read back
    int bits[4];           // red, green, blue, alpha widths
};

bool format_of(format f, gl_format& out)
{
    switch (f) {
    case device::A8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, false, 0, {8, 8, 8, 8}}; return true;
    case device::X8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, true, 0xFF000000u, {8, 8, 8, 0}}; return true;
    case device::R5G6B5: out = {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, true, 0, {5, 6, 5, 0}}; return true;
    case device::X1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, true, 0x8000u, {5, 5, 5, 0}}; return true;
    case device::A1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, false, 0, {5, 5, 5, 1}}; return true;
    case device::A4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, false, 0, {4, 4, 4, 4}}; return true;
    default: return false;
    }
}

// One level of a store: memory where Direct3D keeps it (managed copies,
// system memory, buffers), a framebuffer object once drawn into or read,
// and the lock on it.
struct level_store {
    int width = 0, height = 0;
    int pitch = 0;
    std::vector<std::uint8_t> memory;
    GLuint fbo = 0;
    bool locked = false;
    rect area{0, 0, 0, 0};
    std::uint32_t flags = 0;
    std::vector<std::uint8_t> shadow;  // a GL-only surface's locked pixels
};

// A texture's levels or a surface's or buffer's one, shared by the handles
// naming it (level surfaces, the back buffer).
struct store {
    resource_kind kind = resource_kind::texture;
    format fmt = device::format_unknown;
    GLuint texture = 0;  // 0: memory only
    std::vector<level_store> levels;
};

struct handle {
    resource_kind kind = resource_kind::texture;
    std::shared_ptr<store> data;
    int level = 0;
};

struct gl_state {
    SDL_GLContext context = nullptr;
    gl_table gl;
    gl_program program;
    GLuint vao = 0, vertices = 0, indices = 0;
    int live = 0;  // GL objects made and not yet deleted
    int max_texture = 0;
    std::string renderer;
    // device
    bool made = false;
    device::present_params params;
    bool wait_ticks = false;  // interval ONE without a swap interval from the driver
    std::shared_ptr<store> back_buffer;
    std::map<std::uint32_t, handle> handles;
    // tests: each present's window pixels kept before the swap, top-down
    bool keep_window = false;
    std::vector<std::uint32_t> window_pixels;
    int window_width = 0, window_height = 0;
};

gl_state& g()
{
    static gl_state s;
    return s;
}

gl_table& gl()
{
    return g().gl;
}

// The context made current again: another window's renderer may have
// taken the thread's current context (SDL skips a call that changes nothing).
void current()
{
    if (g().context) SDL_GL_MakeCurrent(state().window, g().context);
}

// ---- GL objects, counted ----

GLuint new_texture()
{
    GLuint t = 0;
    gl().GenTextures(1, &t);
    if (t) ++g().live;
    return t;
}

void delete_texture(GLuint& t)
{
    if (t == 0) return;
    gl().DeleteTextures(1, &t);
    --g().live;
    t = 0;
}

GLuint new_framebuffer()
{
    GLuint f = 0;
    gl().GenFramebuffers(1, &f);
    if (f) ++g().live;
    return f;
}

void delete_framebuffer(GLuint& f)
{
    if (f == 0) return;
    gl().DeleteFramebuffers(1, &f);
    --g().live;
    f = 0;
}

void delete_store(store& s)
{
    for (level_store& l : s.levels) delete_framebuffer(l.fbo);
    delete_texture(s.texture);
}

// A texture of the format and size with its levels allocated; 0 on failure.
GLuint make_texture(format f, int width, int height, int levels)
{
    gl_format gf;
    if (!format_of(f, gf)) return 0;
    const GLuint t = new_texture();
    if (t == 0) return 0;
    gl_table& x = gl();
    x.GetError();
    x.BindTexture(GL_TEXTURE_2D, t);
    for (int i = 0; i < levels; ++i)
        x.TexImage2D(GL_TEXTURE_2D, i, gf.internal, std::max(1, width >> i), std::max(1, height >> i), 0, gf.layout,
                     gf.type, nullptr);
    x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, levels - 1);
    x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    if (gf.opaque) x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    if (x.GetError() != GL_NO_ERROR) {
        GLuint dead = t;
        delete_texture(dead);
        return 0;
    }
    return t;
}

// The framebuffer object of a store's level, made at first use; 0 when it
// cannot be complete.
GLuint framebuffer(store& s, int level)
{
    level_store& l = s.levels[static_cast<std::size_t>(level)];
    if (l.fbo) return l.fbo;
    if (s.texture == 0) return 0;
    l.fbo = new_framebuffer();
    gl().BindFramebuffer(GL_FRAMEBUFFER, l.fbo);
    gl().FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.texture, level);
    if (gl().CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) delete_framebuffer(l.fbo);
    return l.fbo;
}

handle* find(resource r)
{
    const auto it = g().handles.find(static_cast<std::uint32_t>(r));
    return it == g().handles.end() ? nullptr : &it->second;
}

// The store and level a surface handle or a texture's level names.
std::pair<store*, int> level_of(resource r, int level = 0)
{
    handle& h = *find(r);
    return {h.data.get(), h.kind == resource_kind::texture ? level : h.level};
}

// The render target now set: the back buffer when none.
std::pair<store*, int> target()
{
    const resource t = device::current_state().render_target;
    if (t == resource::none) return {g().back_buffer.get(), 0};
    return level_of(t);
}

void unpack_rows(int pitch, int bytes)
{
    gl().PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl().PixelStorei(GL_UNPACK_ROW_LENGTH, pitch / bytes);
}

void pack_rows(int pitch, int bytes)
{
    gl().PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl().PixelStorei(GL_PACK_ROW_LENGTH, pitch / bytes);
}

// Pixels of a rectangle of a store's level written from memory rows.
void upload(store& s, int level, const rect& r, const std::uint8_t* first, int pitch)
{
    gl_format gf;
    format_of(s.fmt, gf);
    gl().BindTexture(GL_TEXTURE_2D, s.texture);
    unpack_rows(pitch, gf.bytes);
    gl().TexSubImage2D(GL_TEXTURE_2D, level, r.left, r.top, r.right - r.left, r.bottom - r.top, gf.layout, gf.type,
                       first);
    gl().PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

// Pixels of a rectangle of a store's level read into memory rows, the
// bits of no channel set as Direct3D's memory has them.
int download(store& s, int level, const rect& r, std::uint8_t* first, int pitch)
{
    gl_format gf;
    format_of(s.fmt, gf);
    const GLuint fbo = framebuffer(s, level);
    if (fbo == 0) return set_error("surface cannot be read");
    gl().BindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    gl().ReadBuffer(GL_COLOR_ATTACHMENT0);
    pack_rows(pitch, gf.bytes);
    gl().ReadPixels(r.left, r.top, r.right - r.left, r.bottom - r.top, gf.layout, gf.type, first);
    gl().PixelStorei(GL_PACK_ROW_LENGTH, 0);
    if (gf.unused)
        for (int y = 0; y < r.bottom - r.top; ++y)
            for (int x = 0; x < r.right - r.left; ++x) {
                std::uint8_t* p = first + static_cast<std::size_t>(y) * pitch + static_cast<std::size_t>(x) * gf.bytes;
                std::uint32_t v = 0;
                std::memcpy(&v, p, static_cast<std::size_t>(gf.bytes));
                v |= gf.unused;
                std::memcpy(p, &v, static_cast<std::size_t>(gf.bytes));
            }
    return 0;
}

// The colour a clear or fill writes, each channel narrowed by its top bits
// as the format keeps it, so GL's conversion stores exactly those bits.
void clear_colour(format f, std::uint32_t argb, float out[4])
{
    gl_format gf;
    format_of(f, gf);
    const int shift[4] = {16, 8, 0, 24};
    for (int c = 0; c < 4; ++c) {
        const std::uint32_t v = argb >> shift[c] & 0xFF;
        const int n = gf.bits[c] ? gf.bits[c] : 8;
        out[c] = static_cast<float>(v >> (8 - n)) / static_cast<float>((1u << n) - 1);
    }
}

// A scissored clear of rectangles of a store's level.
int fill_rects(store& s, int level, const rect* rects, int count, std::uint32_t argb)
{
    const GLuint fbo = framebuffer(s, level);
    if (fbo == 0) return set_error("surface cannot be drawn into");
    float c[4];
    clear_colour(s.fmt, argb, c);
    gl().BindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    gl().ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl().ClearColor(c[0], c[1], c[2], c[3]);
    gl().Enable(GL_SCISSOR_TEST);
    for (int i = 0; i < count; ++i) {
        gl().Scissor(rects[i].left, rects[i].top, rects[i].right - rects[i].left, rects[i].bottom - rects[i].top);
        gl().Clear(GL_COLOR_BUFFER_BIT);
    }
    gl().Disable(GL_SCISSOR_TEST);
    return 0;
}

void destroy_context()
{
    gl_state& s = g();
    if (s.context == nullptr) return;
    SDL_GL_MakeCurrent(state().window, s.context);
    if (s.program.id) {
        gl().DeleteProgram(s.program.id);
        --s.live;
    }
    GLuint buffers[2] = {s.vertices, s.indices};
    for (GLuint b : buffers)
        if (b) {
            gl().DeleteBuffers(1, &b);
            --s.live;
        }
    if (s.vao) {
        gl().DeleteVertexArrays(1, &s.vao);
        --s.live;
    }
    SDL_GL_DeleteContext(s.context);
    const int live = s.live;
    const bool keep = s.keep_window;
    s = gl_state{};
    s.live = live;
    s.keep_window = keep;
}

// Each colour format as a texture complete as a framebuffer attachment.
int check_formats()
{
    const format formats[] = {device::R5G6B5, device::X1R5G5B5, device::A1R5G5B5, device::A4R4G4B4,
                              device::X8R8G8B8, device::A8R8G8B8};
    for (format f : formats) {
        store s;
        s.fmt = f;
        s.levels.resize(1);
        s.texture = make_texture(f, 1, 1, 1);
        const bool ok = s.texture != 0 && framebuffer(s, 0) != 0;
        delete_store(s);
        if (!ok) return set_error(("OpenGL lacks the colour format " + std::to_string(f)).c_str());
    }
    return 0;
}

#ifdef ZENTIL_TEST_HOOKS
void keep_window(int width, int height)
{
    gl_state& s = g();
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * height);
    gl().BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gl().ReadBuffer(GL_BACK);
    gl().PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl().PixelStorei(GL_PACK_ROW_LENGTH, 0);
    gl().ReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    s.window_pixels.resize(rows.size());
    for (int y = 0; y < height; ++y)
        std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(height - 1 - y) * width, width,
                    s.window_pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
    s.window_width = width;
    s.window_height = height;
}
#endif

}  // namespace

int library()
{
    return 0;
}

int create_object()
{
    sdl_state& st = state();
    gl_state& s = g();
    if (st.window == nullptr) return set_error("no window");
    if ((SDL_GetWindowFlags(st.window) & SDL_WINDOW_OPENGL) == 0)
        return set_error("the window offers no OpenGL");
    // the software renderer's surface and a context cannot share the window
    drop_software_renderer();
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    s.context = SDL_GL_CreateContext(st.window);
    if (s.context == nullptr) return sdl_error("OpenGL 3.3 context creation failed");
    auto fail = [&]() {
        destroy_context();
        return -1;
    };
    if (SDL_GL_MakeCurrent(st.window, s.context) < 0) {
        sdl_error("OpenGL context not current");
        return fail();
    }
    if (load_gl(s.gl) < 0) return fail();
    GLint major = 0, minor = 0;
    s.gl.GetIntegerv(GL_MAJOR_VERSION, &major);
    s.gl.GetIntegerv(GL_MINOR_VERSION, &minor);
    if (major * 10 + minor < 33) {
        set_error("OpenGL below 3.3");
        return fail();
    }
    s.gl.GetIntegerv(GL_MAX_TEXTURE_SIZE, &s.max_texture);
    const GLubyte* name = s.gl.GetString(GL_RENDERER);
    s.renderer = name ? reinterpret_cast<const char*>(name) : "OpenGL";
    if (check_formats() < 0) return fail();
    if (make_program(s.gl, s.program) < 0) return fail();
    ++s.live;
    s.gl.GenVertexArrays(1, &s.vao);
    s.gl.GenBuffers(1, &s.vertices);
    s.gl.GenBuffers(1, &s.indices);
    s.live += 3;
    s.gl.BindVertexArray(s.vao);
    s.gl.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    s.gl.FrontFace(GL_CW);
    if (s.gl.GetError() != GL_NO_ERROR) {
        set_error("OpenGL set-up failed");
        return fail();
    }
    return 0;
}

void release_object()
{
    destroy_context();
}

int adapter_mode(device::adapter_mode& out)
{
    display_mode desktop{0, 0, 0, 0};
    if (sdl::desktop_mode(desktop) < 0) return -1;
    out = device::adapter_mode{desktop.width, desktop.height, desktop.refresh,
                               desktop.bits == 16 ? device::R5G6B5 : device::X8R8G8B8};
    return 0;
}

int mode_count(device::format f)
{
    std::vector<display_mode> modes;
    if (sdl::display_modes(modes) < 0) return 0;
    const int bits = f == device::X8R8G8B8 ? 32 : f == device::R5G6B5 ? 16 : 0;
    int n = 0;
    for (const display_mode& m : modes) n += m.bits == bits;
    return n;
}

int caps(device::caps& out)
{
    out = device::caps{};
    out.blend_op = true;
    out.max_texture_width = out.max_texture_height = g().max_texture;
    return 0;
}

int identifier(device::identifier& out)
{
    out = device::identifier{"OpenGL", g().renderer};
    return 0;
}

bool check_format(device::format, std::uint32_t, device::format f)
{
    return device::is_colour_format(f);
}

// Depth is never applied; the sizes GL offers for depth attachments.
bool check_depth_match(device::format, device::format, device::format depth)
{
    return depth == device::D16 || depth == device::D24X8;
}

int create_device(const device::present_params& p, std::uint32_t, device::caps& out)
{
    gl_state& s = g();
    if (s.context == nullptr) return set_error("no OpenGL context");
    SDL_GL_MakeCurrent(state().window, s.context);
    auto back = std::make_shared<store>();
    back->kind = resource_kind::back_buffer;
    back->fmt = p.back_buffer_format;
    back->levels.resize(1);
    back->levels[0].width = p.width;
    back->levels[0].height = p.height;
    back->texture = make_texture(p.back_buffer_format, p.width, p.height, 1);
    if (back->texture == 0 || framebuffer(*back, 0) == 0) {
        delete_store(*back);
        return set_error("back buffer creation failed");
    }
    s.wait_ticks = false;
    if (p.interval == device::present_interval_one)
        s.wait_ticks = SDL_GL_SetSwapInterval(1) < 0;
    else
        SDL_GL_SetSwapInterval(0);
    s.back_buffer = std::move(back);
    s.params = p;
    s.made = true;
    sdl::dev::caps(out);
    return 0;
}

void release_device(int)
{
    current();
    gl_state& s = g();
    for (auto& [id, h] : s.handles)
        if (h.data.use_count() == 1) delete_store(*h.data);
    s.handles.clear();
    if (s.back_buffer) delete_store(*s.back_buffer);
    s.back_buffer.reset();
    s.made = false;
}

int create_resource(resource id, const device::resource_desc& d)
{
    current();
    gl_state& s = g();
    handle h;
    h.kind = d.kind;
    switch (d.kind) {
    case resource_kind::level_surface:
        h.data = find(d.parent)->data;
        h.level = d.level;
        break;
    case resource_kind::back_buffer: h.data = s.back_buffer; break;
    case resource_kind::swap_chain: case resource_kind::vertex_shader: case resource_kind::pixel_shader:
    case resource_kind::declaration:
        break;
    case resource_kind::depth_surface:
        if (!sdl::dev::check_depth_match(device::format_unknown, device::format_unknown, d.fmt))
            return set_error("format not supported");
        break;
    default: {
        auto st = std::make_shared<store>();
        st->kind = d.kind;
        st->fmt = d.fmt;
        const bool buffer = d.kind == resource_kind::vertex_buffer || d.kind == resource_kind::index_buffer;
        const int levels = d.kind == resource_kind::texture ? d.levels : 1;
        const bool on_gl = !buffer && d.in_pool != device::pool_system_memory;
        const bool in_memory = buffer || d.in_pool != device::pool_default;
        if (!buffer && !device::is_colour_format(d.fmt)) return set_error("format not supported");
        try {
            st->levels.resize(static_cast<std::size_t>(levels));
            for (int i = 0; i < levels; ++i) {
                level_store& l = st->levels[static_cast<std::size_t>(i)];
                l.width = buffer ? d.width : std::max(1, d.width >> i);
                l.height = buffer ? 1 : std::max(1, d.height >> i);
                l.pitch = buffer ? l.width : l.width * device::format_bytes(d.fmt);
                if (in_memory) l.memory.assign(static_cast<std::size_t>(l.pitch) * l.height, 0);
            }
        } catch (const std::bad_alloc&) {
            return set_error("out of memory");
        }
        if (on_gl) {
            st->texture = make_texture(d.fmt, d.width, d.height, levels);
            if (st->texture == 0) return set_error("texture creation failed");
        }
        h.data = std::move(st);
    }
    }
    s.handles[static_cast<std::uint32_t>(id)] = std::move(h);
    return 0;
}

void release_resource(resource id)
{
    current();
    gl_state& s = g();
    const auto it = s.handles.find(static_cast<std::uint32_t>(id));
    if (it == s.handles.end()) return;
    std::shared_ptr<store> data = it->second.data;
    s.handles.erase(it);
    // the last handle of a store deletes it; the back buffer lives with the device
    if (data && data.use_count() == 1 && data != s.back_buffer) delete_store(*data);
}

int lock(resource id, int level, const rect& area, std::uint32_t flags, device::locked_rect& out)
{
    current();
    const handle& h = *find(id);
    store& st = *h.data;
    const int index = h.kind == resource_kind::texture ? level : h.level;
    level_store& l = st.levels[static_cast<std::size_t>(index)];
    const bool buffer = h.kind == resource_kind::vertex_buffer || h.kind == resource_kind::index_buffer;
    const int bytes = buffer ? 1 : device::format_bytes(st.fmt);
    if (!l.memory.empty()) {
        out.bits = l.memory.data() + static_cast<std::size_t>(area.top) * l.pitch +
                   static_cast<std::size_t>(area.left) * bytes;
        out.pitch = l.pitch;
    } else {
        // a surface only GL holds: its pixels read for the lock, written back at unlock
        const int pitch = (area.right - area.left) * bytes;
        try {
            l.shadow.assign(static_cast<std::size_t>(pitch) * (area.bottom - area.top), 0);
        } catch (const std::bad_alloc&) {
            return set_error("out of memory");
        }
        if (!(flags & device::lock_discard) && download(st, index, area, l.shadow.data(), pitch) < 0) return -1;
        out.bits = l.shadow.data();
        out.pitch = pitch;
    }
    l.locked = true;
    l.area = area;
    l.flags = flags;
    return 0;
}

int unlock(resource id, int level)
{
    current();
    const handle& h = *find(id);
    store& st = *h.data;
    const int index = h.kind == resource_kind::texture ? level : h.level;
    level_store& l = st.levels[static_cast<std::size_t>(index)];
    l.locked = false;
    if (st.texture == 0 || (l.flags & device::lock_readonly)) {
        l.shadow.clear();
        return 0;
    }
    const rect& a = l.area;
    if (!l.memory.empty()) {
        const int bytes = device::format_bytes(st.fmt);
        upload(st, index, a, l.memory.data() + static_cast<std::size_t>(a.top) * l.pitch +
                                 static_cast<std::size_t>(a.left) * bytes, l.pitch);
    } else {
        upload(st, index, a, l.shadow.data(), (a.right - a.left) * device::format_bytes(st.fmt));
        l.shadow.clear();
    }
    return 0;
}

// The state is read from the common layer at each draw.
int set_state(const device::state_change&)
{
    return 0;
}

namespace {

GLenum blend_factor(std::uint32_t f)
{
    switch (f) {
    case device::blend_zero: return GL_ZERO;
    case device::blend_one: return GL_ONE;
    case device::blend_srccolor: return GL_SRC_COLOR;
    case device::blend_srcalpha: return GL_SRC_ALPHA;
    case device::blend_invsrcalpha: return GL_ONE_MINUS_SRC_ALPHA;
    default: return GL_ONE_MINUS_DST_COLOR;
    }
}

GLint address(std::uint32_t mode)
{
    switch (mode) {
    case device::address_wrap: return GL_REPEAT;
    case device::address_mirror: return GL_MIRRORED_REPEAT;
    default: return GL_CLAMP_TO_EDGE;
    }
}

GLenum mode_of(device::primitive p)
{
    switch (p) {
    case device::point_list: return GL_POINTS;
    case device::line_list: return GL_LINES;
    case device::line_strip: return GL_LINE_STRIP;
    case device::triangle_list: return GL_TRIANGLES;
    case device::triangle_strip: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLE_FAN;
    }
}

// world x view x projection, for row vectors.
device::matrix product(const device::matrix& a, const device::matrix& b)
{
    device::matrix out{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double v = 0;
            for (int k = 0; k < 4; ++k) v += static_cast<double>(a.m[i][k]) * b.m[k][j];
            out.m[i][j] = static_cast<float>(v);
        }
    return out;
}

// The vertex format's attributes pointed at the streaming buffer; those it
// lacks read white diffuse, black specular, coordinates (0, 0).
void point_attributes(std::uint32_t fvf, int stride)
{
    gl_table& x = gl();
    const bool rhw = (fvf & device::fvf_xyzrhw) != 0;
    x.EnableVertexAttribArray(0);
    x.VertexAttribPointer(0, rhw ? 4 : 3, GL_FLOAT, GL_FALSE, stride, nullptr);
    std::size_t at = rhw ? 16 : 12;
    if (fvf & device::fvf_normal) at += 12;
    auto colour = [&](GLuint index, bool present, float fill) {
        if (present) {
            x.EnableVertexAttribArray(index);
            x.VertexAttribPointer(index, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, reinterpret_cast<const void*>(at));
            at += 4;
        } else {
            x.DisableVertexAttribArray(index);
            x.VertexAttrib4f(index, fill, fill, fill, fill);
        }
    };
    colour(1, (fvf & device::fvf_diffuse) != 0, 1.0f);
    colour(2, (fvf & device::fvf_specular) != 0, 0.0f);
    const int sets = (fvf & device::fvf_tex2) ? 2 : (fvf & device::fvf_tex1) ? 1 : 0;
    for (int i = 0; i < 2; ++i) {
        const GLuint index = static_cast<GLuint>(3 + i);
        if (i < sets) {
            x.EnableVertexAttribArray(index);
            x.VertexAttribPointer(index, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(at));
            at += 8;
        } else {
            x.DisableVertexAttribArray(index);
            x.VertexAttrib4f(index, 0, 0, 0, 1);
        }
    }
}

}  // namespace

int draw(const device::draw_call& call)
{
    current();
    const device::device_state& st = device::current_state();
    // shaders and declarations are not applied: only FVF draws reach pixels
    if (st.fvf == 0) return 0;
    gl_table& x = gl();
    const gl_program& p = g().program;
    auto [t, level] = target();
    const GLuint fbo = framebuffer(*t, level);
    if (fbo == 0) return set_error("render target cannot be drawn into");
    const level_store& tl = t->levels[static_cast<std::size_t>(level)];
    x.BindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
    x.UseProgram(p.id);
    x.BindVertexArray(g().vao);

    // position: XYZ through the transforms onto the viewport, XYZRHW as given; both clipped to the viewport
    const device::viewport& vp = st.view_port;
    const bool transformed = (st.fvf & device::fvf_xyz) != 0;
    if (transformed)
        x.Viewport(vp.x, vp.y, vp.width, vp.height);
    else
        x.Viewport(0, 0, tl.width, tl.height);
    x.Enable(GL_SCISSOR_TEST);
    x.Scissor(vp.x, vp.y, vp.width, vp.height);
    x.Uniform1i(p.transformed, transformed ? 1 : 0);
    const device::matrix clip = product(product(st.world, st.view), st.projection);
    x.UniformMatrix4fv(p.clip_of, 1, GL_FALSE, &clip.m[0][0]);
    x.Uniform2f(p.target_size, static_cast<float>(tl.width), static_cast<float>(tl.height));
    x.Uniform2f(p.port_size, static_cast<float>(vp.width), static_cast<float>(vp.height));
    x.Uniform1i(p.flat_shade, st.render[device::rs_shademode] == device::shade_flat ? 1 : 0);

    // the stages up to the first DISABLE, their textures and samplers
    int count = 0;
    GLint colour_stage[4 * program_stages] = {}, alpha_stage[4 * program_stages] = {};
    GLint has_texture[program_stages] = {};
    for (; count < program_stages; ++count) {
        const std::uint32_t* s = st.stage[count];
        if (s[device::ts_colorop] == device::op_disable) break;
        colour_stage[4 * count] = static_cast<GLint>(s[device::ts_colorop]);
        colour_stage[4 * count + 1] = static_cast<GLint>(s[device::ts_colorarg1]);
        colour_stage[4 * count + 2] = static_cast<GLint>(s[device::ts_colorarg2]);
        colour_stage[4 * count + 3] = static_cast<GLint>(std::min<std::uint32_t>(s[device::ts_texcoordindex], 2));
        alpha_stage[4 * count] = static_cast<GLint>(s[device::ts_alphaop]);
        alpha_stage[4 * count + 1] = static_cast<GLint>(s[device::ts_alphaarg1]);
        alpha_stage[4 * count + 2] = static_cast<GLint>(s[device::ts_alphaarg2]);
        x.ActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(count));
        const handle* h = st.texture[count] == resource::none ? nullptr : find(st.texture[count]);
        if (h == nullptr || h->data->texture == 0) {
            x.BindTexture(GL_TEXTURE_2D, 0);
            continue;
        }
        has_texture[count] = 1;
        x.BindTexture(GL_TEXTURE_2D, h->data->texture);
        const std::uint32_t* sm = st.sampler[count];
        const bool linear = sm[device::ss_magfilter] >= device::texfilter_linear ||
                            sm[device::ss_minfilter] >= device::texfilter_linear;
        x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, linear ? GL_LINEAR : GL_NEAREST);
        x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
        x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, address(sm[device::ss_addressu]));
        x.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, address(sm[device::ss_addressv]));
    }
    x.ActiveTexture(GL_TEXTURE0);
    x.Uniform1i(p.stage_count, count);
    x.Uniform4iv(p.colour_stage, program_stages, colour_stage);
    x.Uniform4iv(p.alpha_stage, program_stages, alpha_stage);
    x.Uniform1iv(p.has_texture, program_stages, has_texture);
    const std::uint32_t f = st.render[device::rs_texturefactor];
    const GLint factor[4] = {static_cast<GLint>(f >> 16 & 0xFF), static_cast<GLint>(f >> 8 & 0xFF),
                             static_cast<GLint>(f & 0xFF), static_cast<GLint>(f >> 24)};
    x.Uniform4iv(p.tfactor, 1, factor);
    const bool tested = st.render[device::rs_alphatestenable] != 0;
    x.Uniform1i(p.alpha_func, tested ? static_cast<GLint>(st.render[device::rs_alphafunc]) : 0);
    x.Uniform1i(p.alpha_ref, static_cast<GLint>(st.render[device::rs_alpharef]));

    // blending, or unblended writes narrowed by their top bits
    const bool blended = st.render[device::rs_alphablendenable] != 0;
    gl_format gf;
    format_of(t->fmt, gf);
    GLint narrow[4] = {};
    if (!blended)
        for (int c = 0; c < 4; ++c) narrow[c] = gf.bits[c];
    x.Uniform4iv(p.narrow, 1, narrow);
    if (blended) {
        const GLenum src = blend_factor(st.render[device::rs_srcblend]), dst = blend_factor(st.render[device::rs_destblend]);
        x.Enable(GL_BLEND);
        x.BlendFuncSeparate(src, dst, src, dst);
        x.BlendEquation(st.render[device::rs_blendop] == device::blendop_revsubtract ? GL_FUNC_REVERSE_SUBTRACT
                                                                                       : GL_FUNC_ADD);
    } else {
        x.Disable(GL_BLEND);
    }
    x.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);

    // Direct3D's clockwise on the screen is GL's counter-clockwise here, y
    // being used as it is; the front face is set clockwise
    const std::uint32_t cull = st.render[device::rs_cullmode];
    if (cull == device::cull_cw) {
        x.Enable(GL_CULL_FACE);
        x.CullFace(GL_BACK);
    } else if (cull == device::cull_ccw) {
        x.Enable(GL_CULL_FACE);
        x.CullFace(GL_FRONT);
    } else {
        x.Disable(GL_CULL_FACE);
    }

    // the vertices through the streaming buffer, orphaned first
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(call.vertex_count) * call.stride;
    x.BindBuffer(GL_ARRAY_BUFFER, g().vertices);
    x.BufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    x.BufferSubData(GL_ARRAY_BUFFER, 0, bytes, call.vertices);
    point_attributes(st.fvf, call.stride);
    const GLenum mode = mode_of(call.type);
    if (call.indices) {
        x.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, g().indices);
        const GLsizeiptr ib = static_cast<GLsizeiptr>(call.index_count) * 2;
        x.BufferData(GL_ELEMENT_ARRAY_BUFFER, ib, nullptr, GL_STREAM_DRAW);
        x.BufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, ib, call.indices);
        x.DrawElements(mode, call.index_count, GL_UNSIGNED_SHORT, nullptr);
    } else {
        x.DrawArrays(mode, 0, static_cast<GLsizei>(device::primitive_vertices(call.type, call.primitive_count)));
    }
    x.Disable(GL_SCISSOR_TEST);
    x.Disable(GL_BLEND);
    x.Disable(GL_CULL_FACE);
    return 0;
}

int clear(const rect* rects, int count, std::uint32_t flags, std::uint32_t colour, float, std::uint32_t)
{
    current();
    // depth is never applied, so a depth clear has nothing to clear
    if (!(flags & device::clear_target)) return 0;
    auto [t, level] = target();
    return fill_rects(*t, level, rects, count, colour);
}

int color_fill(resource surface, const rect& area, std::uint32_t colour)
{
    current();
    auto [s, level] = level_of(surface);
    if (s->texture == 0) return set_error("surface is not on the device");
    return fill_rects(*s, level, &area, 1, colour);
}

int stretch_rect(resource source, const rect& from, resource destination, const rect& to, device::filter f)
{
    current();
    auto [a, la] = level_of(source);
    auto [b, lb] = level_of(destination);
    const GLuint read = framebuffer(*a, la), drawn = framebuffer(*b, lb);
    if (read == 0 || drawn == 0) return set_error("surface is not on the device");
    gl().BindFramebuffer(GL_READ_FRAMEBUFFER, read);
    gl().BindFramebuffer(GL_DRAW_FRAMEBUFFER, drawn);
    gl().BlitFramebuffer(from.left, from.top, from.right, from.bottom, to.left, to.top, to.right, to.bottom,
                         GL_COLOR_BUFFER_BIT, f == device::filter_linear ? GL_LINEAR : GL_NEAREST);
    return 0;
}

int update_surface(resource source, const rect& from, resource destination, int x, int y)
{
    current();
    auto [a, la] = level_of(source);
    auto [b, lb] = level_of(destination);
    const level_store& l = a->levels[static_cast<std::size_t>(la)];
    if (b->texture == 0 || l.memory.empty()) return set_error("surface is not on the device");
    const int bytes = device::format_bytes(a->fmt);
    const rect at{x, y, x + from.right - from.left, y + from.bottom - from.top};
    upload(*b, lb, at, l.memory.data() + static_cast<std::size_t>(from.top) * l.pitch +
                           static_cast<std::size_t>(from.left) * bytes, l.pitch);
    return 0;
}

int get_render_target_data(resource source, resource destination)
{
    current();
    auto [a, la] = level_of(source);
    auto [b, lb] = level_of(destination);
    level_store& l = b->levels[static_cast<std::size_t>(lb)];
    if (l.memory.empty()) return set_error("target is not in memory");
    const level_store& s = a->levels[static_cast<std::size_t>(la)];
    return download(*a, la, rect{0, 0, s.width, s.height}, l.memory.data(), l.pitch);
}

int present(const rect& source, const rect& destination)
{
    current();
    gl_state& s = g();
    SDL_Window* w = state().window;
    const GLuint read = framebuffer(*s.back_buffer, 0);
    if (read == 0) return set_error("back buffer cannot be read");
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(w, &width, &height);
    gl_table& x = gl();
    x.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    x.Disable(GL_SCISSOR_TEST);
    x.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    x.ClearColor(0, 0, 0, 1);
    x.Clear(GL_COLOR_BUFFER_BIT);
    x.BindFramebuffer(GL_READ_FRAMEBUFFER, read);
    // the window's rows run bottom-up
    x.BlitFramebuffer(source.left, source.top, source.right, source.bottom, destination.left,
                      height - destination.top, destination.right, height - destination.bottom, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
#ifdef ZENTIL_TEST_HOOKS
    if (s.keep_window) keep_window(width, height);
#endif
    SDL_GL_SwapWindow(w);
    if (s.wait_ticks) sdl::wait_vblank_begin();
    return 0;
}

}  // namespace dev

#ifdef ZENTIL_TEST_HOOKS

namespace test {

int gl_live_objects()
{
    return dev::g().live;
}

bool gl_context()
{
    return dev::g().context != nullptr;
}

int gl_version()
{
    if (!dev::g().context) return 0;
    GLint major = 0, minor = 0;
    dev::gl().GetIntegerv(GL_MAJOR_VERSION, &major);
    dev::gl().GetIntegerv(GL_MINOR_VERSION, &minor);
    return major * 10 + minor;
}

void keep_gl_window(bool on)
{
    dev::g().keep_window = on;
}

int read_gl_window(std::vector<std::uint32_t>& argb, int& width, int& height)
{
    const dev::gl_state& s = dev::g();
    if (!s.keep_window || s.window_pixels.empty()) return set_error("no present kept");
    argb = s.window_pixels;
    width = s.window_width;
    height = s.window_height;
    return 0;
}

}  // namespace test

#endif

}  // namespace platform::sdl
