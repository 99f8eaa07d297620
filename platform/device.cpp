// The device group's common layer: every argument checked once, the handles
// with their descriptions and locks, the object and the device, and the
// device state as the last successful calls left it. Backends only talk to
// their device.
#include "platform/platform.hpp"
#include "platform/window_state.hpp"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace platform {

int device_library()
{
    return current_backend().device.library();
}

int create_device_object()
{
    return device::create_object();
}

namespace device {

namespace {

constexpr std::uint32_t index_bits = 20;
constexpr std::uint32_t index_mask = (1u << index_bits) - 1;
constexpr std::uint32_t check_mask = 0xFFF;
constexpr int max_primitives = 1 << 20;
constexpr int max_buffer_bytes = 64 << 20;

struct slot {
    resource_desc desc;
    std::uint32_t check = 0;
    bool alive = false;
    int children = 0;         // level surfaces made of this texture and still alive
    std::uint32_t locked = 0;  // bit per level (surfaces and buffers: bit 0)
};

struct common_state {
    bool object = false;
    bool device = false;
    present_params params;
    caps device_caps;
    device_state state;
    std::vector<slot> slots;
    std::vector<std::uint32_t> free_slots;
    int live = 0;
    int leaked = 0;
    bool back_buffer_locked = false;
};

common_state& common()
{
    static common_state s;
    return s;
}

const device_hooks& hooks()
{
    return current_backend().device;
}

bool is_surface_kind(resource_kind k)
{
    return k == resource_kind::level_surface || k == resource_kind::back_buffer ||
           k == resource_kind::render_target || k == resource_kind::plain_surface ||
           k == resource_kind::depth_surface;
}

bool is_display_format(format f)
{
    return f == X8R8G8B8 || f == R5G6B5 || f == X1R5G5B5 || f == A1R5G5B5;
}

int need_object()
{
    return common().object ? 0 : set_error("no device object");
}

int need_device()
{
    return common().device ? 0 : set_error("no device");
}

// The live slot a handle names, or null with the error set.
slot* find(resource r)
{
    const auto id = static_cast<std::uint32_t>(r);
    if (id == 0) return set_error("null resource"), nullptr;
    common_state& c = common();
    const std::uint32_t index = (id & index_mask) - 1;
    if (index >= c.slots.size() || !c.slots[index].alive || c.slots[index].check != id >> index_bits)
        return set_error("released or unknown resource"), nullptr;
    return &c.slots[index];
}

slot* find_kind(resource r, resource_kind kind, const char* wanted)
{
    slot* s = find(r);
    if (s != nullptr && s->desc.kind != kind) return set_error(wanted), nullptr;
    return s;
}

slot* find_surface(resource r)
{
    slot* s = find(r);
    if (s != nullptr && !is_surface_kind(s->desc.kind)) return set_error("not a surface"), nullptr;
    return s;
}

// A slot for the description, announced to the backend; none when it refuses.
int make(resource_desc desc, resource& out)
{
    out = resource::none;
    common_state& c = common();
    std::uint32_t index;
    if (!c.free_slots.empty()) {
        index = c.free_slots.back();
    } else {
        if (c.slots.size() >= index_mask) return set_error("too many resources");
        index = static_cast<std::uint32_t>(c.slots.size());
        c.slots.emplace_back();
    }
    slot& s = c.slots[index];
    const std::uint32_t check = (s.check + 1) & check_mask;
    const resource id = static_cast<resource>((check == 0 ? 1 : check) << index_bits | (index + 1));
    if (hooks().create_resource(id, desc) < 0) {
        if (c.free_slots.empty() || c.free_slots.back() != index) c.free_slots.push_back(index);
        return -1;
    }
    if (!c.free_slots.empty() && c.free_slots.back() == index) c.free_slots.pop_back();
    s.check = static_cast<std::uint32_t>(id) >> index_bits;
    s.desc = std::move(desc);
    s.alive = true;
    s.children = 0;
    s.locked = 0;
    if (s.desc.kind == resource_kind::level_surface) ++c.slots[(static_cast<std::uint32_t>(s.desc.parent) & index_mask) - 1].children;
    ++c.live;
    out = id;
    return 0;
}

void free_slot(std::uint32_t index)
{
    slot& s = common().slots[index];
    s.desc = resource_desc{};
    common().free_slots.push_back(index);
}

// Unbinds the resource from the device state, telling the backend.
void unbind(resource r)
{
    device_state& st = common().state;
    auto tell = [](state_kind kind, int index) {
        state_change ch;
        ch.kind = kind;
        ch.index = index;
        hooks().set_state(ch);
    };
    for (int i = 0; i < stages; ++i)
        if (st.texture[i] == r) {
            tell(state_kind::texture, i);
            st.texture[i] = resource::none;
        }
    if (st.render_target == r) {
        // back to the back buffer, whole
        tell(state_kind::render_target, 0);
        st.render_target = resource::none;
        st.view_port = viewport{0, 0, common().params.width, common().params.height, 0, 1};
        st.scissor = rect{0, 0, common().params.width, common().params.height};
    }
    if (st.depth_surface == r) {
        tell(state_kind::depth_surface, 0);
        st.depth_surface = resource::none;
    }
    if (st.vertex_shader == r) { tell(state_kind::vertex_shader, 0); st.vertex_shader = resource::none; }
    if (st.pixel_shader == r) { tell(state_kind::pixel_shader, 0); st.pixel_shader = resource::none; }
    if (st.declaration == r) { tell(state_kind::declaration, 0); st.declaration = resource::none; }
}

void drop(resource r)
{
    common_state& c = common();
    const std::uint32_t index = (static_cast<std::uint32_t>(r) & index_mask) - 1;
    slot& s = c.slots[index];
    unbind(r);
    hooks().release_resource(r);
    s.alive = false;
    --c.live;
    if (s.desc.kind == resource_kind::back_buffer && s.locked) c.back_buffer_locked = false;
    if (s.desc.kind == resource_kind::level_surface) {
        const std::uint32_t p = (static_cast<std::uint32_t>(s.desc.parent) & index_mask) - 1;
        slot& parent = c.slots[p];
        if (--parent.children == 0 && !parent.alive) free_slot(p);
    }
    if (s.children == 0) free_slot(index);
}

// The lock word and bit of a surface's storage (a level surface shares its
// texture's; back-buffer handles share the device's).
bool& back_buffer_lock()
{
    return common().back_buffer_locked;
}

std::uint32_t* lock_word(slot& s, int& bit)
{
    bit = 0;
    if (s.desc.kind == resource_kind::level_surface) {
        bit = s.desc.level;
        return &common().slots[(static_cast<std::uint32_t>(s.desc.parent) & index_mask) - 1].locked;
    }
    return &s.locked;
}

bool locked(slot& s)
{
    if (s.desc.kind == resource_kind::back_buffer) return back_buffer_lock();
    int bit;
    const std::uint32_t* w = lock_word(s, bit);
    return (*w >> bit & 1) != 0;
}

void set_locked(slot& s, bool on)
{
    if (s.desc.kind == resource_kind::back_buffer) {
        back_buffer_lock() = on;
        return;
    }
    int bit;
    std::uint32_t* w = lock_word(s, bit);
    *w = on ? *w | 1u << bit : *w & ~(1u << bit);
}

bool is_render_target(const resource_desc& d)
{
    return d.kind == resource_kind::render_target || d.kind == resource_kind::back_buffer ||
           (d.kind == resource_kind::level_surface && (d.usage & usage_render_target));
}

int lockable(const resource_desc& d)
{
    switch (d.kind) {
    case resource_kind::level_surface:
        if (d.usage & usage_render_target) return set_error("a render-target texture cannot be locked");
        if (d.in_pool == pool_default) return set_error("a default-pool texture cannot be locked");
        return 0;
    case resource_kind::back_buffer:
        return d.lockable ? 0 : set_error("the back buffer was not made lockable");
    case resource_kind::render_target:
        return d.lockable ? 0 : set_error("the render target was not made lockable");
    case resource_kind::depth_surface:
        return set_error("a depth surface cannot be locked");
    default:
        return 0;
    }
}

bool empty(const rect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

// The area inside a surface of the description; null: the whole.
int check_area(const resource_desc& d, const rect* area, rect& out, const char* what)
{
    if (area == nullptr) {
        out = rect{0, 0, d.width, d.height};
        return 0;
    }
    out = *area;
    if (empty(out)) return set_error("empty rectangle");
    if (out.left < 0 || out.top < 0 || out.right > d.width || out.bottom > d.height) return set_error(what);
    return 0;
}

int check_size(int width, int height, int limit_w, int limit_h)
{
    if (width <= 0 || height <= 0) return set_error("size must be positive");
    if (width > limit_w || height > limit_h) return set_error("size over the device's maximum");
    return 0;
}

int chain_length(int width, int height)
{
    int n = 1;
    for (int side = std::max(width, height); side > 1; side >>= 1) ++n;
    return n;
}

int level_side(int side, int level)
{
    return std::max(1, side >> level);
}

resource_desc level_description(const slot& texture, resource id, int level)
{
    resource_desc d;
    d.kind = resource_kind::level_surface;
    d.fmt = texture.desc.fmt;
    d.width = level_side(texture.desc.width, level);
    d.height = level_side(texture.desc.height, level);
    d.in_pool = texture.desc.in_pool;
    d.usage = texture.desc.usage;
    d.parent = id;
    d.level = level;
    return d;
}

int set_state(const state_change& ch)
{
    if (need_device() < 0) return -1;
    return hooks().set_state(ch);
}

bool known_render_state(int s)
{
    static const int known[] = {rs_zenable, rs_shademode, rs_zwriteenable, rs_alphatestenable, rs_srcblend,
                                rs_destblend, rs_cullmode, rs_zfunc, rs_alpharef, rs_alphafunc, rs_ditherenable,
                                rs_alphablendenable, rs_fogenable, rs_specularenable, rs_fogcolor, rs_fogstart,
                                rs_fogend, rs_fogdensity, rs_texturefactor, rs_lighting, rs_ambient,
                                rs_fogvertexmode, rs_diffusematerialsource, rs_specularmaterialsource,
                                rs_ambientmaterialsource, rs_scissortestenable, rs_blendop, rs_depthbias};
    return std::find(std::begin(known), std::end(known), s) != std::end(known);
}

bool known_stage_state(int s)
{
    return (s >= ts_colorop && s <= ts_alphaarg2) || s == ts_texcoordindex || s == ts_texturetransformflags;
}

bool known_sampler_state(int s)
{
    return s == ss_addressu || s == ss_addressv || (s >= ss_magfilter && s <= ss_mipfilter) || s == ss_maxanisotropy;
}

bool one_of(std::uint32_t v, std::initializer_list<std::uint32_t> allowed)
{
    return std::find(allowed.begin(), allowed.end(), v) != allowed.end();
}

// Whether a value of a render state that changes pixels is one the devices
// draw; states that only store their value take any.
bool render_value_known(int s, std::uint32_t v)
{
    switch (s) {
    case rs_srcblend: case rs_destblend:
        return one_of(v, {blend_zero, blend_one, blend_srccolor, blend_srcalpha, blend_invsrcalpha, blend_invdestcolor});
    case rs_blendop: return one_of(v, {blendop_add, blendop_revsubtract});
    case rs_alphafunc: return one_of(v, {cmp_greater, cmp_greaterequal, cmp_always});
    case rs_alpharef: return v <= 255;
    case rs_cullmode: return one_of(v, {cull_none, cull_cw, cull_ccw});
    case rs_shademode: return one_of(v, {shade_flat, shade_gouraud});
    case rs_scissortestenable: return v == 0;  // the scissor test is never enabled
    default: return true;
    }
}

bool stage_value_known(int s, std::uint32_t v)
{
    switch (s) {
    case ts_colorop: case ts_alphaop:
        return one_of(v, {op_disable, op_selectarg1, op_selectarg2, op_modulate, op_modulate2x, op_modulate4x, op_add,
                          op_subtract, op_blenddiffusealpha, op_blendcurrentalpha});
    case ts_colorarg1: case ts_colorarg2: case ts_alphaarg1: case ts_alphaarg2:
        return (v & ~ta_complement) <= ta_specular;
    case ts_texcoordindex: return v < static_cast<std::uint32_t>(stages);
    default: return true;
    }
}

bool sampler_value_known(int s, std::uint32_t v)
{
    switch (s) {
    case ss_addressu: case ss_addressv: return one_of(v, {address_wrap, address_mirror, address_clamp});
    case ss_magfilter: case ss_minfilter: case ss_mipfilter: return v <= texfilter_anisotropic;
    default: return true;
    }
}

std::uint32_t float_bits(float f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

// Direct3D's state at device creation.
void default_state(device_state& st, const present_params& p)
{
    st = device_state{};
    st.render[rs_zenable] = 0;  // no automatic depth surface
    st.render[rs_shademode] = 2;
    st.render[rs_zwriteenable] = 1;
    st.render[rs_srcblend] = 2;   // ONE
    st.render[rs_destblend] = 1;  // ZERO
    st.render[rs_cullmode] = 3;   // CCW
    st.render[rs_zfunc] = 4;      // LESSEQUAL
    st.render[rs_alphafunc] = 8;  // ALWAYS
    st.render[rs_specularenable] = 0;
    st.render[rs_fogend] = float_bits(1.0f);
    st.render[rs_fogdensity] = float_bits(1.0f);
    st.render[rs_texturefactor] = 0xFFFFFFFFu;
    st.render[rs_lighting] = 1;
    st.render[rs_diffusematerialsource] = 1;   // COLOR1
    st.render[rs_specularmaterialsource] = 2;  // COLOR2
    st.render[rs_blendop] = 1;                 // ADD
    for (int i = 0; i < stages; ++i) {
        st.stage[i][ts_colorop] = i == 0 ? 4 : 1;  // MODULATE, else DISABLE
        st.stage[i][ts_colorarg1] = 2;             // TEXTURE
        st.stage[i][ts_colorarg2] = 1;             // CURRENT
        st.stage[i][ts_alphaop] = i == 0 ? 2 : 1;  // SELECTARG1, else DISABLE
        st.stage[i][ts_alphaarg1] = 2;
        st.stage[i][ts_alphaarg2] = 1;
        st.stage[i][ts_texcoordindex] = static_cast<std::uint32_t>(i);
        st.sampler[i][ss_addressu] = 1;  // WRAP
        st.sampler[i][ss_addressv] = 1;
        st.sampler[i][ss_magfilter] = 1;  // POINT
        st.sampler[i][ss_minfilter] = 1;
        st.sampler[i][ss_mipfilter] = 0;
        st.sampler[i][ss_maxanisotropy] = 1;
    }
    const matrix identity{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
    st.world = st.view = st.projection = identity;
    for (matrix& m : st.texture_transform) m = identity;
    st.view_port = viewport{0, 0, p.width, p.height, 0, 1};
    st.scissor = rect{0, 0, p.width, p.height};
}

// The size of the current render target.
void target_size(int& width, int& height)
{
    const common_state& c = common();
    width = c.params.width;
    height = c.params.height;
    if (c.state.render_target != resource::none) {
        const slot* s = find(c.state.render_target);
        if (s != nullptr) {
            width = s->desc.width;
            height = s->desc.height;
        }
    }
}

int make_surface(resource_kind kind, int width, int height, format f, pool p, bool lockable_target, resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    if (check_size(width, height, max_surface_side, max_surface_side) < 0) return -1;
    resource_desc d;
    d.kind = kind;
    d.fmt = f;
    d.width = width;
    d.height = height;
    d.in_pool = p;
    d.lockable = lockable_target;
    if (kind == resource_kind::depth_surface) {
        d.usage = usage_depth_stencil;
        if (!is_depth_format(f)) return set_error("not a depth format");
    } else if (kind == resource_kind::render_target) {
        d.usage = usage_render_target;
        if (!is_colour_format(f)) return set_error("not a render-target format");
    } else {
        if (!is_colour_format(f) && !is_block_format(f)) return set_error("unknown format");
        if (p != pool_default && p != pool_system_memory) return set_error("plain surfaces are default or system memory");
        if (is_block_format(f) && (width % 4 || height % 4)) return set_error("block surfaces are multiples of 4");
    }
    return make(std::move(d), out);
}

int make_shader(resource_kind kind, const std::uint32_t* code, int words, resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    if (code == nullptr || words <= 0 || words > (1 << 16)) return set_error("no shader code");
    resource_desc d;
    d.kind = kind;
    d.code.assign(code, code + words);
    return make(std::move(d), out);
}

int make_buffer(resource_kind kind, int bytes, std::uint32_t usage, std::uint32_t fvf, format f, pool p, resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    if (bytes <= 0 || bytes > max_buffer_bytes) return set_error("buffer size out of range");
    if (usage != 0) return set_error("unknown buffer usage");
    if (p != pool_default && p != pool_managed && p != pool_system_memory) return set_error("unknown pool");
    if (kind == resource_kind::vertex_buffer && fvf != 0 && fvf_size(fvf) == 0) return set_error("unknown vertex format");
    if (kind == resource_kind::index_buffer && f != INDEX16) return set_error("indices are 16-bit");
    resource_desc d;
    d.kind = kind;
    d.width = bytes;
    d.height = 1;
    d.usage = usage;
    d.fvf = fvf;
    d.fmt = f;
    d.in_pool = p;
    return make(std::move(d), out);
}

// The checks every lock shares, then the backend's lock; already: the
// storage's lock state.
int check_and_lock(resource id, int level, const resource_desc& d, bool already, const rect* area,
                   std::uint32_t flags, locked_rect& out)
{
    out = locked_rect{};
    if (flags & ~(lock_readonly | lock_discard)) return set_error("unknown lock flags");
    if ((flags & lock_readonly) && (flags & lock_discard)) return set_error("a read-only lock cannot discard");
    if (lockable(d) < 0) return -1;
    if (already) return set_error("already locked");
    rect r;
    if (check_area(d, area, r, "lock rectangle outside the surface") < 0) return -1;
    if (is_block_format(d.fmt) && ((r.left | r.top) % 4 || (r.right % 4 && r.right != d.width) ||
                                   (r.bottom % 4 && r.bottom != d.height)))
        return set_error("block surfaces lock by whole blocks");
    return hooks().lock(id, level, r, flags, out);
}

bool overlap(const rect& a, const rect& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

bool is_colour_format(format f)
{
    return f == A8R8G8B8 || f == X8R8G8B8 || f == R5G6B5 || f == X1R5G5B5 || f == A1R5G5B5 || f == A4R4G4B4;
}

bool is_block_format(format f)
{
    return f == DXT1 || f == DXT2 || f == DXT3 || f == DXT4 || f == DXT5;
}

bool is_depth_format(format f)
{
    return f == D16 || f == D24X8 || f == D32;
}

int format_bytes(format f)
{
    switch (f) {
    case A8R8G8B8: case X8R8G8B8: case D24X8: case D32: return 4;
    case R5G6B5: case X1R5G5B5: case A1R5G5B5: case A4R4G4B4: case D16: return 2;
    default: return 0;
    }
}

int fvf_size(std::uint32_t fvf)
{
    const std::uint32_t known = fvf_xyz | fvf_xyzrhw | fvf_normal | fvf_diffuse | fvf_specular | fvf_tex1 | fvf_tex2;
    if (fvf & ~known) return 0;
    if (!(fvf & (fvf_xyz | fvf_xyzrhw))) return 0;
    if ((fvf & fvf_xyz) && (fvf & fvf_xyzrhw)) return 0;
    if ((fvf & fvf_tex1) && (fvf & fvf_tex2)) return 0;
    int size = (fvf & fvf_xyz) ? 12 : 16;
    if (fvf & fvf_normal) size += 12;
    if (fvf & fvf_diffuse) size += 4;
    if (fvf & fvf_specular) size += 4;
    if (fvf & fvf_tex1) size += 8;
    if (fvf & fvf_tex2) size += 16;
    return size;
}

long long primitive_vertices(primitive type, long long count)
{
    switch (type) {
    case point_list: return count;
    case line_list: return count * 2;
    case line_strip: return count + 1;
    case triangle_list: return count * 3;
    case triangle_strip: case triangle_fan: return count + 2;
    }
    return 0;
}

// ---- object ----

int create_object()
{
    if (common().object) return set_error("the device object exists");
    if (hooks().library() < 0 || hooks().create_object() < 0) return -1;
    common().object = true;
    return 0;
}

int release_object()
{
    if (need_object() < 0) return -1;
    if (common().device) release_device();
    hooks().release_object();
    common().object = false;
    return 0;
}

bool object_exists()
{
    return common().object;
}

int get_adapter_mode(adapter_mode& out)
{
    out = adapter_mode{};
    if (need_object() < 0) return -1;
    return hooks().adapter_mode(out);
}

int mode_count(format f)
{
    if (need_object() < 0) return -1;
    if (!is_display_format(f)) return set_error("not a display format");
    return hooks().mode_count(f);
}

int get_caps(caps& out)
{
    out = caps{};
    if (need_object() < 0) return -1;
    return hooks().caps(out);
}

int get_identifier(identifier& out)
{
    out = identifier{};
    if (need_object() < 0) return -1;
    return hooks().identifier(out);
}

int check_format(format adapter, std::uint32_t usage, format f)
{
    if (need_object() < 0) return -1;
    if (!is_display_format(adapter)) return set_error("not a display format");
    if (usage != 0 && usage != usage_render_target) return set_error("unknown usage");
    if (!is_colour_format(f) && !is_block_format(f)) return set_error("unknown format");
    return hooks().check_format(adapter, usage, f) ? 0 : set_error("format not supported");
}

int check_depth_match(format adapter, format target, format depth)
{
    if (need_object() < 0) return -1;
    if (!is_display_format(adapter) || !is_colour_format(target)) return set_error("not a display format");
    if (!is_depth_format(depth)) return set_error("not a depth format");
    return hooks().check_depth_match(adapter, target, depth) ? 0 : set_error("depth format does not match");
}

int create_device(const present_params& params, std::uint32_t behaviour)
{
    common_state& c = common();
    if (need_object() < 0) return -1;
    if (c.device) return set_error("the device exists");
    if (check_size(params.width, params.height, max_surface_side, max_surface_side) < 0) return -1;
    if (!is_display_format(params.back_buffer_format)) return set_error("not a back-buffer format");
    if (params.windowed ? params.refresh != 0 : params.refresh < 0) return set_error("bad refresh rate");
    if (params.interval != present_interval_one && params.interval != present_interval_immediate)
        return set_error("unknown presentation interval");
    const std::uint32_t processing = behaviour & ~create_fpu_preserve;
    if (processing != create_software_vertex_processing && processing != create_mixed_vertex_processing)
        return set_error("unknown vertex processing");
    caps device_caps;
    if (hooks().create_device(params, behaviour, device_caps) < 0) return -1;
    c.device = true;
    c.params = params;
    c.device_caps = device_caps;
    c.back_buffer_locked = false;
    default_state(c.state, params);
    return 0;
}

int release_device()
{
    common_state& c = common();
    if (need_device() < 0) return -1;
    // level surfaces first, so their textures' slots are freed after them
    int leaked = 0;
    for (int pass = 0; pass < 2; ++pass)
        for (std::uint32_t i = 0; i < c.slots.size(); ++i) {
            slot& s = c.slots[i];
            if (!s.alive || (pass == 0) != (s.desc.kind == resource_kind::level_surface)) continue;
            ++leaked;
            drop(static_cast<resource>(s.check << index_bits | (i + 1)));
        }
    hooks().release_device(leaked);
    c.leaked += leaked;
    c.device = false;
    c.state = device_state{};
    c.back_buffer_locked = false;
    return 0;
}

bool device_exists()
{
    return common().device;
}

const present_params& device_params()
{
    return common().params;
}

int live_resources()
{
    return common().live;
}

int leaked_resources()
{
    return common().leaked;
}

const device_state& current_state()
{
    return common().state;
}

const resource_desc* describe(resource r)
{
    const slot* s = find(r);
    return s ? &s->desc : nullptr;
}

void forget_state()
{
    common_state fresh;
    std::swap(common(), fresh);
}

// ---- resources ----

int create_texture(int width, int height, int levels, std::uint32_t usage, format f, pool p, resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    const caps& k = common().device_caps;
    if (check_size(width, height, std::min(k.max_texture_width, max_surface_side),
                   std::min(k.max_texture_height, max_surface_side)) < 0)
        return -1;
    if (k.square_only && width != height) return set_error("the device takes square textures only");
    if (usage != 0 && usage != usage_render_target) return set_error("unknown texture usage");
    if (p != pool_default && p != pool_managed && p != pool_system_memory) return set_error("unknown pool");
    if (!is_colour_format(f) && !is_block_format(f)) return set_error("unknown texture format");
    if ((usage & usage_render_target) && (p != pool_default || is_block_format(f)))
        return set_error("render-target textures are default-pool colour textures");
    if (is_block_format(f) && (width % 4 || height % 4)) return set_error("block textures are multiples of 4");
    const int chain = chain_length(width, height);
    if (levels < 0 || levels > chain) return set_error("more levels than the chain has");
    resource_desc d;
    d.kind = resource_kind::texture;
    d.fmt = f;
    d.width = width;
    d.height = height;
    d.levels = levels == 0 ? chain : levels;
    d.in_pool = p;
    d.usage = usage;
    return make(std::move(d), out);
}

int get_surface_level(resource texture, int level, resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    const slot* t = find_kind(texture, resource_kind::texture, "not a texture");
    if (t == nullptr) return -1;
    if (level < 0 || level >= t->desc.levels) return set_error("level outside the chain");
    return make(level_description(*t, texture, level), out);
}

int level_count(resource texture)
{
    const slot* t = find_kind(texture, resource_kind::texture, "not a texture");
    return t ? t->desc.levels : -1;
}

int level_desc(resource texture, int level, resource_desc& out)
{
    const slot* t = find_kind(texture, resource_kind::texture, "not a texture");
    if (t == nullptr) return -1;
    if (level < 0 || level >= t->desc.levels) return set_error("level outside the chain");
    out = level_description(*t, texture, level);
    return 0;
}

int create_render_target(int width, int height, format f, bool lockable_target, resource& out)
{
    return make_surface(resource_kind::render_target, width, height, f, pool_default, lockable_target, out);
}

int create_offscreen_plain_surface(int width, int height, format f, pool p, resource& out)
{
    return make_surface(resource_kind::plain_surface, width, height, f, p, false, out);
}

int create_depth_stencil_surface(int width, int height, format f, resource& out)
{
    return make_surface(resource_kind::depth_surface, width, height, f, pool_default, false, out);
}

int get_back_buffer(resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    const present_params& p = common().params;
    resource_desc d;
    d.kind = resource_kind::back_buffer;
    d.fmt = p.back_buffer_format;
    d.width = p.width;
    d.height = p.height;
    d.usage = usage_render_target;
    d.lockable = p.lockable_back_buffer;
    return make(std::move(d), out);
}

int get_swap_chain(resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    resource_desc d;
    d.kind = resource_kind::swap_chain;
    d.width = common().params.width;
    d.height = common().params.height;
    d.fmt = common().params.back_buffer_format;
    return make(std::move(d), out);
}

int create_vertex_buffer(int bytes, std::uint32_t usage, std::uint32_t fvf, pool p, resource& out)
{
    return make_buffer(resource_kind::vertex_buffer, bytes, usage, fvf, format_unknown, p, out);
}

int create_index_buffer(int bytes, std::uint32_t usage, format f, pool p, resource& out)
{
    return make_buffer(resource_kind::index_buffer, bytes, usage, 0, f, p, out);
}

int create_vertex_shader(const std::uint32_t* code, int words, resource& out)
{
    return make_shader(resource_kind::vertex_shader, code, words, out);
}

int create_pixel_shader(const std::uint32_t* code, int words, resource& out)
{
    return make_shader(resource_kind::pixel_shader, code, words, out);
}

int create_vertex_declaration(const vertex_element* elements, int count, resource& out)
{
    out = resource::none;
    if (need_device() < 0) return -1;
    if (elements == nullptr || count <= 0 || count > 64) return set_error("no declaration elements");
    resource_desc d;
    d.kind = resource_kind::declaration;
    d.elements.assign(elements, elements + count);
    return make(std::move(d), out);
}

int release(resource r)
{
    if (find(r) == nullptr) return -1;
    drop(r);
    return 0;
}

// ---- locks ----

int lock_texture(resource texture, int level, const rect* area, std::uint32_t flags, locked_rect& out)
{
    out = locked_rect{};
    slot* t = find_kind(texture, resource_kind::texture, "not a texture");
    if (t == nullptr) return -1;
    if (level < 0 || level >= t->desc.levels) return set_error("level outside the chain");
    // the level's lock bit is the one its level surfaces share
    const resource_desc d = level_description(*t, texture, level);
    if (check_and_lock(texture, level, d, (t->locked >> level & 1) != 0, area, flags, out) < 0) return -1;
    t->locked |= 1u << level;
    return 0;
}

int unlock_texture(resource texture, int level)
{
    slot* t = find_kind(texture, resource_kind::texture, "not a texture");
    if (t == nullptr) return -1;
    if (level < 0 || level >= t->desc.levels) return set_error("level outside the chain");
    if (!(t->locked >> level & 1)) return set_error("not locked");
    if (hooks().unlock(texture, level) < 0) return -1;
    t->locked &= ~(1u << level);
    return 0;
}

int lock_surface(resource surface, const rect* area, std::uint32_t flags, locked_rect& out)
{
    out = locked_rect{};
    slot* s = find_surface(surface);
    if (s == nullptr) return -1;
    if (check_and_lock(surface, 0, s->desc, locked(*s), area, flags, out) < 0) return -1;
    set_locked(*s, true);
    return 0;
}

int unlock_surface(resource surface)
{
    slot* s = find_surface(surface);
    if (s == nullptr) return -1;
    if (!locked(*s)) return set_error("not locked");
    if (hooks().unlock(surface, 0) < 0) return -1;
    set_locked(*s, false);
    return 0;
}

int lock_buffer(resource buffer, int offset, int bytes, std::uint32_t flags, void*& out)
{
    out = nullptr;
    slot* s = find(buffer);
    if (s == nullptr) return -1;
    if (s->desc.kind != resource_kind::vertex_buffer && s->desc.kind != resource_kind::index_buffer)
        return set_error("not a buffer");
    if (bytes == 0) bytes = s->desc.width - offset;
    if (offset < 0 || bytes <= 0 || offset > s->desc.width - bytes) return set_error("range outside the buffer");
    if (flags & ~(lock_readonly | lock_discard)) return set_error("unknown lock flags");
    if ((flags & lock_readonly) && (flags & lock_discard)) return set_error("a read-only lock cannot discard");
    if (s->locked) return set_error("already locked");
    locked_rect l;
    if (hooks().lock(buffer, 0, rect{offset, 0, offset + bytes, 1}, flags, l) < 0) return -1;
    s->locked = 1;
    out = l.bits;
    return 0;
}

int unlock_buffer(resource buffer)
{
    slot* s = find(buffer);
    if (s == nullptr) return -1;
    if (s->desc.kind != resource_kind::vertex_buffer && s->desc.kind != resource_kind::index_buffer)
        return set_error("not a buffer");
    if (!s->locked) return set_error("not locked");
    if (hooks().unlock(buffer, 0) < 0) return -1;
    s->locked = 0;
    return 0;
}

// ---- state ----

int set_render_state(render_state state, std::uint32_t value)
{
    if (!known_render_state(state)) return set_error("unknown render state");
    if (!render_value_known(state, value)) return set_error("render state value not drawn by the devices");
    state_change ch;
    ch.kind = state_kind::render;
    ch.key = state;
    ch.value = value;
    if (set_state(ch) < 0) return -1;
    common().state.render[state] = value;
    return 0;
}

int set_texture_stage_state(int stage, stage_state state, std::uint32_t value)
{
    if (stage < 0 || stage >= stages) return set_error("stage outside 0 to 7");
    if (!known_stage_state(state)) return set_error("unknown texture-stage state");
    if (!stage_value_known(state, value)) return set_error("texture-stage value not drawn by the devices");
    state_change ch;
    ch.kind = state_kind::stage;
    ch.index = stage;
    ch.key = state;
    ch.value = value;
    if (set_state(ch) < 0) return -1;
    common().state.stage[stage][state] = value;
    return 0;
}

int set_sampler_state(int sampler, sampler_state state, std::uint32_t value)
{
    if (sampler < 0 || sampler >= stages) return set_error("sampler outside 0 to 7");
    if (!known_sampler_state(state)) return set_error("unknown sampler state");
    if (!sampler_value_known(state, value)) return set_error("sampler value not drawn by the devices");
    state_change ch;
    ch.kind = state_kind::sampler;
    ch.index = sampler;
    ch.key = state;
    ch.value = value;
    if (set_state(ch) < 0) return -1;
    common().state.sampler[sampler][state] = value;
    return 0;
}

int set_texture(int stage, resource texture)
{
    if (stage < 0 || stage >= stages) return set_error("stage outside 0 to 7");
    if (texture != resource::none && find_kind(texture, resource_kind::texture, "not a texture") == nullptr)
        return -1;
    state_change ch;
    ch.kind = state_kind::texture;
    ch.index = stage;
    ch.target = texture;
    if (set_state(ch) < 0) return -1;
    common().state.texture[stage] = texture;
    return 0;
}

int set_fvf(std::uint32_t fvf)
{
    if (fvf_size(fvf) == 0) return set_error("unknown vertex format");
    state_change ch;
    ch.kind = state_kind::fvf;
    ch.value = fvf;
    if (set_state(ch) < 0) return -1;
    common().state.fvf = fvf;
    return 0;
}

int set_transform(transform which, const matrix& m)
{
    const bool texture = which >= tf_texture0 && which < tf_texture0 + stages;
    if (which != tf_world && which != tf_view && which != tf_projection && !texture)
        return set_error("unknown transform");
    state_change ch;
    ch.kind = state_kind::transform;
    ch.key = which;
    ch.data = &m;
    ch.count = 1;
    if (set_state(ch) < 0) return -1;
    device_state& st = common().state;
    (which == tf_world ? st.world : which == tf_view ? st.view : which == tf_projection ? st.projection
                                                            : st.texture_transform[which - tf_texture0]) = m;
    return 0;
}

int set_viewport(const viewport& v)
{
    if (need_device() < 0) return -1;
    int width, height;
    target_size(width, height);
    if (v.x < 0 || v.y < 0 || v.width <= 0 || v.height <= 0 || v.x > width - v.width || v.y > height - v.height)
        return set_error("viewport outside the render target");
    if (!(v.min_z >= 0 && v.min_z <= v.max_z && v.max_z <= 1)) return set_error("viewport depth range outside 0 to 1");
    state_change ch;
    ch.kind = state_kind::viewport;
    ch.data = &v;
    ch.count = 1;
    if (set_state(ch) < 0) return -1;
    common().state.view_port = v;
    return 0;
}

int set_scissor_rect(const rect& r)
{
    if (need_device() < 0) return -1;
    int width, height;
    target_size(width, height);
    if (r.left < 0 || r.top < 0 || r.right > width || r.bottom > height || r.right < r.left || r.bottom < r.top)
        return set_error("scissor rectangle outside the render target");
    state_change ch;
    ch.kind = state_kind::scissor;
    ch.data = &r;
    ch.count = 1;
    if (set_state(ch) < 0) return -1;
    common().state.scissor = r;
    return 0;
}

int set_render_target(resource surface)
{
    if (need_device() < 0) return -1;
    const slot* s = find_surface(surface);
    if (s == nullptr) return -1;
    if (!is_render_target(s->desc)) return set_error("not a render target");
    const resource_desc d = s->desc;
    const resource stored = d.kind == resource_kind::back_buffer ? resource::none : surface;
    state_change ch;
    ch.kind = state_kind::render_target;
    ch.target = surface;
    if (set_state(ch) < 0) return -1;
    device_state& st = common().state;
    st.render_target = stored;
    st.view_port = viewport{0, 0, d.width, d.height, 0, 1};
    st.scissor = rect{0, 0, d.width, d.height};
    return 0;
}

int set_depth_stencil_surface(resource surface)
{
    if (surface != resource::none && find_kind(surface, resource_kind::depth_surface, "not a depth surface") == nullptr)
        return -1;
    state_change ch;
    ch.kind = state_kind::depth_surface;
    ch.target = surface;
    if (set_state(ch) < 0) return -1;
    common().state.depth_surface = surface;
    return 0;
}

namespace {

int set_bound(state_kind kind, resource r, resource_kind wanted, const char* text, resource device_state::*field)
{
    if (r != resource::none && find_kind(r, wanted, text) == nullptr) return -1;
    state_change ch;
    ch.kind = kind;
    ch.target = r;
    if (set_state(ch) < 0) return -1;
    common().state.*field = r;
    return 0;
}

int check_registers(int first, const void* values, int count)
{
    if (values == nullptr || count <= 0) return set_error("no constants");
    if (first < 0 || first > max_constants - count) return set_error("constant registers outside 0 to 255");
    return 0;
}

}  // namespace

int set_vertex_shader(resource shader)
{
    return set_bound(state_kind::vertex_shader, shader, resource_kind::vertex_shader, "not a vertex shader",
                     &device_state::vertex_shader);
}

int set_pixel_shader(resource shader)
{
    return set_bound(state_kind::pixel_shader, shader, resource_kind::pixel_shader, "not a pixel shader",
                     &device_state::pixel_shader);
}

int set_vertex_declaration(resource declaration)
{
    return set_bound(state_kind::declaration, declaration, resource_kind::declaration, "not a declaration",
                     &device_state::declaration);
}

int set_light(int index, const light& l)
{
    if (index < 0 || index >= max_lights) return set_error("light outside 0 to 255");
    if (l.type < 1 || l.type > 3) return set_error("unknown light type");
    state_change ch;
    ch.kind = state_kind::light;
    ch.index = index;
    ch.data = &l;
    ch.count = 1;
    if (set_state(ch) < 0) return -1;
    common().state.lights[index] = l;
    return 0;
}

int light_enable(int index, bool on)
{
    if (index < 0 || index >= max_lights) return set_error("light outside 0 to 255");
    state_change ch;
    ch.kind = state_kind::light_enable;
    ch.index = index;
    ch.value = on;
    if (set_state(ch) < 0) return -1;
    common().state.light_enabled[index] = on;
    return 0;
}

int set_material(const material& m)
{
    state_change ch;
    ch.kind = state_kind::material;
    ch.data = &m;
    ch.count = 1;
    if (set_state(ch) < 0) return -1;
    common().state.mat = m;
    return 0;
}

int set_vertex_shader_constant_f(int first, const float* values, int count)
{
    if (check_registers(first, values, count) < 0) return -1;
    state_change ch{state_kind::vs_constant_f, first, 0, 0, resource::none, values, count};
    if (set_state(ch) < 0) return -1;
    std::memcpy(common().state.vs_constants[first], values, sizeof(float) * 4 * static_cast<std::size_t>(count));
    return 0;
}

int set_vertex_shader_constant_b(int first, const int* values, int count)
{
    if (check_registers(first, values, count) < 0) return -1;
    state_change ch{state_kind::vs_constant_b, first, 0, 0, resource::none, values, count};
    if (set_state(ch) < 0) return -1;
    for (int i = 0; i < count; ++i) common().state.vs_booleans[first + i] = values[i] != 0;
    return 0;
}

int set_pixel_shader_constant_f(int first, const float* values, int count)
{
    if (check_registers(first, values, count) < 0) return -1;
    state_change ch{state_kind::ps_constant_f, first, 0, 0, resource::none, values, count};
    if (set_state(ch) < 0) return -1;
    std::memcpy(common().state.ps_constants[first], values, sizeof(float) * 4 * static_cast<std::size_t>(count));
    return 0;
}

int set_dialog_box_mode(bool on)
{
    state_change ch;
    ch.kind = state_kind::dialog_box_mode;
    ch.value = on;
    if (set_state(ch) < 0) return -1;
    common().state.dialog_box_mode = on;
    return 0;
}

int begin_scene()
{
    if (need_device() < 0) return -1;
    if (common().state.in_scene) return set_error("a scene is open");
    state_change ch;
    ch.kind = state_kind::begin_scene;
    if (set_state(ch) < 0) return -1;
    common().state.in_scene = true;
    return 0;
}

int end_scene()
{
    if (need_device() < 0) return -1;
    if (!common().state.in_scene) return set_error("no scene is open");
    state_change ch;
    ch.kind = state_kind::end_scene;
    if (set_state(ch) < 0) return -1;
    common().state.in_scene = false;
    return 0;
}

// ---- drawing, clearing, copies, present ----

namespace {

int check_draw(primitive type, int count, const void* vertices, int stride)
{
    if (need_device() < 0) return -1;
    if (type < point_list || type > triangle_fan) return set_error("primitive type outside 1 to 6");
    if (count < 0 || count > max_primitives) return set_error("primitive count out of range");
    if (count > 0 && vertices == nullptr) return set_error("no vertices");
    const device_state& st = common().state;
    if (st.fvf != 0) {
        if (stride != fvf_size(st.fvf)) return set_error("stride differs from the vertex format's size");
    } else if (st.declaration == resource::none || stride <= 0 || stride > 1024) {
        return set_error("no vertex format");
    }
    return 0;
}

}  // namespace

int draw_primitive_up(primitive type, int count, const void* vertices, int stride)
{
    if (check_draw(type, count, vertices, stride) < 0) return -1;
    if (count == 0) return 0;
    draw_call call;
    call.type = type;
    call.primitive_count = count;
    call.vertices = vertices;
    call.vertex_count = static_cast<int>(primitive_vertices(type, count));
    call.stride = stride;
    return hooks().draw(call);
}

int draw_indexed_primitive_up(primitive type, int min_index, int vertex_count, int count,
                              const std::uint16_t* indices, format index_format, const void* vertices, int stride)
{
    if (check_draw(type, count, vertices, stride) < 0) return -1;
    if (index_format != INDEX16) return set_error("indices are 16-bit");
    if (count == 0) return 0;
    if (indices == nullptr) return set_error("no indices");
    if (min_index < 0 || vertex_count <= 0 || min_index > 65536 - vertex_count)
        return set_error("vertex range out of range");
    const long long n = primitive_vertices(type, count);
    for (long long i = 0; i < n; ++i)
        if (indices[i] < min_index || indices[i] >= min_index + vertex_count)
            return set_error("index outside the vertex range");
    draw_call call;
    call.type = type;
    call.primitive_count = count;
    call.vertices = vertices;
    call.vertex_count = min_index + vertex_count;
    call.stride = stride;
    call.indices = indices;
    call.index_count = static_cast<int>(n);
    call.min_index = min_index;
    return hooks().draw(call);
}

int clear(int count, const rect* rects, std::uint32_t flags, std::uint32_t colour, float z, std::uint32_t stencil)
{
    if (need_device() < 0) return -1;
    if (flags == 0 || (flags & ~(clear_target | clear_zbuffer | clear_stencil))) return set_error("unknown clear flags");
    if (count < 0 || count > 4096 || (count > 0) != (rects != nullptr)) return set_error("bad rectangle list");
    const device_state& st = common().state;
    if ((flags & (clear_zbuffer | clear_stencil)) && st.depth_surface == resource::none)
        return set_error("no depth surface to clear");
    if (flags & clear_stencil) return set_error("the depth formats have no stencil");
    if (!(z >= 0 && z <= 1)) return set_error("depth outside 0 to 1");
    const viewport& v = st.view_port;
    const rect port{v.x, v.y, v.x + v.width, v.y + v.height};
    std::vector<rect> cut;
    if (count == 0) cut.push_back(port);
    for (int i = 0; i < count; ++i) {
        const rect& r = rects[i];
        if (r.right < r.left || r.bottom < r.top) return set_error("inverted rectangle");
        const rect c{std::max(r.left, port.left), std::max(r.top, port.top), std::min(r.right, port.right),
                     std::min(r.bottom, port.bottom)};
        if (!empty(c)) cut.push_back(c);
    }
    if (cut.empty()) return 0;
    return hooks().clear(cut.data(), static_cast<int>(cut.size()), flags, colour, z, stencil);
}

int color_fill(resource surface, const rect* area, std::uint32_t colour)
{
    if (need_device() < 0) return -1;
    const slot* s = find_surface(surface);
    if (s == nullptr) return -1;
    const resource_desc& d = s->desc;
    if (d.kind == resource_kind::depth_surface || !is_colour_format(d.fmt)) return set_error("not a colour surface");
    if (d.in_pool != pool_default) return set_error("only default-pool surfaces are filled");
    rect r;
    if (check_area(d, area, r, "rectangle outside the surface") < 0) return -1;
    return hooks().color_fill(surface, r, colour);
}

int stretch_rect(resource source, const rect* from, resource target, const rect* to, filter f)
{
    if (need_device() < 0) return -1;
    const slot* s = find_surface(source);
    if (s == nullptr) return -1;
    const resource_desc sd = s->desc;
    const slot* t = find_surface(target);
    if (t == nullptr) return -1;
    const resource_desc& td = t->desc;
    if (!is_render_target(td)) return set_error("stretch_rect writes only into a render target or the back buffer");
    if (sd.kind == resource_kind::depth_surface || !is_colour_format(sd.fmt) || !is_colour_format(td.fmt))
        return set_error("not a colour surface");
    if (sd.in_pool != pool_default) return set_error("stretch_rect reads only default-pool surfaces");
    if (f != filter_none && f != filter_point && f != filter_linear) return set_error("unknown filter");
    rect a, b;
    if (check_area(sd, from, a, "source rectangle outside the surface") < 0) return -1;
    if (check_area(td, to, b, "destination rectangle outside the surface") < 0) return -1;
    if (source == target && overlap(a, b)) return set_error("source and destination overlap");
    return hooks().stretch_rect(source, a, target, b, f);
}

int update_surface(resource source, const rect* from, resource target, const int* at)
{
    if (need_device() < 0) return -1;
    const slot* s = find_surface(source);
    if (s == nullptr) return -1;
    const resource_desc sd = s->desc;
    const slot* t = find_surface(target);
    if (t == nullptr) return -1;
    const resource_desc& td = t->desc;
    if (sd.in_pool != pool_system_memory) return set_error("update_surface reads system memory");
    if (td.kind != resource_kind::level_surface || td.in_pool != pool_default)
        return set_error("update_surface writes a default-pool texture");
    if (sd.fmt != td.fmt) return set_error("formats differ");
    rect a;
    if (check_area(sd, from, a, "source rectangle outside the surface") < 0) return -1;
    const int x = at ? at[0] : a.left, y = at ? at[1] : a.top;
    if (x < 0 || y < 0 || x > td.width - (a.right - a.left) || y > td.height - (a.bottom - a.top))
        return set_error("destination outside the surface");
    if (is_block_format(sd.fmt) && ((a.left | a.top | x | y) % 4)) return set_error("block surfaces copy by whole blocks");
    return hooks().update_surface(source, a, target, x, y);
}

int get_render_target_data(resource source, resource target)
{
    if (need_device() < 0) return -1;
    const slot* s = find_surface(source);
    if (s == nullptr) return -1;
    const resource_desc sd = s->desc;
    const slot* t = find_surface(target);
    if (t == nullptr) return -1;
    const resource_desc& td = t->desc;
    if (!is_render_target(sd)) return set_error("get_render_target_data reads a render target");
    if (td.in_pool != pool_system_memory) return set_error("get_render_target_data writes system memory");
    if (sd.width != td.width || sd.height != td.height || sd.fmt != td.fmt) return set_error("surfaces differ");
    return hooks().get_render_target_data(source, target);
}

int present(resource swap_chain, const rect* source, const rect* destination)
{
    if (need_device() < 0) return -1;
    if (swap_chain != resource::none && find_kind(swap_chain, resource_kind::swap_chain, "not a swap chain") == nullptr)
        return -1;
    if (check_window() < 0) return -1;
    const present_params& p = common().params;
    resource_desc back;
    back.width = p.width;
    back.height = p.height;
    rect from, to;
    if (check_area(back, source, from, "source rectangle outside the back buffer") < 0) return -1;
    if (destination != nullptr) {
        to = *destination;
        if (empty(to)) return set_error("empty rectangle");
    } else {
        screen_rect client{0, 0, 0, 0};
        if (current_backend().client_rect(client) < 0) return -1;
        to = rect{0, 0, client.width, client.height};
        if (empty(to)) return set_error("the window has no client area");
    }
    if (hooks().present(from, to) < 0) return -1;
    record_present();
    return 0;
}

}  // namespace device

}  // namespace platform
