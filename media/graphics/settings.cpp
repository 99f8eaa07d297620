// Graphics settings and their start values, the lights, the camera's
// projection and the display-mode list.
#include "media/graphics/settings.hpp"

#include <cmath>
#include <cstring>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/log.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/internal.hpp"
#include "platform/platform.hpp"

using media::gfx::draw_state;
using media::gfx::light_state;
using media::gfx::settings;

int SetGraphColorDepth(int depth) { settings.graph_color_depth = depth; return 0; }
int GetGraphColorDepth() { return settings.graph_color_depth; }
int SetGraphDrawable(int flag) { settings.graph_drawable = flag; return 0; }
int GetGraphDrawable() { return settings.graph_drawable; }
int SetUseTransparentColor(int flag) { settings.use_transparent_color = flag; return 0; }
int GetUseTransparentColor() { return settings.use_transparent_color; }
int GetMovieGraphSetting() { return settings.movie_graph; }
int SetMadeGraphAlpha(int flag) { settings.made_graph_alpha = flag; return 0; }
int GetMadeGraphAlpha() { return settings.made_graph_alpha; }
int SetGraphTexturesUnmanaged(int flag) { settings.textures_unmanaged = flag; return 0; }
int GetGraphTexturesUnmanaged() { return settings.textures_unmanaged; }
int SetFlipWaitsForVBlank(int flag) { settings.flip_no_wait = flag == 0 ? 1 : 0; return 0; }
int GetFlipWaitsForVBlank() { return settings.flip_no_wait == 0 ? 1 : 0; }
int SetEmulate320x240(int flag) { settings.emulate_320x240 = flag; return 0; }
int GetDrawTargetHandle() { return draw_state.target; }
int GetDrawTextureFilter() { return draw_state.texture_filter; }

int GetDrawClipArea(RECT* rect)
{
    if (rect != nullptr)
        *rect = draw_state.area;
    return 0;
}

int ResetDrawStateDefaults()
{
    // 1: what survives the reset
    const std::int32_t flip_no_wait = settings.flip_no_wait;
    const std::int32_t emulate = settings.emulate_320x240;
    void (*const restore)() = settings.restore_callback;
    MEMIMG* const target_image = draw_state.target_image;
    settings = media::gfx::GFXSETTINGS{};
    draw_state = media::gfx::DRAWSTATE{};
    settings.flip_no_wait = flip_no_wait;
    settings.emulate_320x240 = emulate;
    settings.restore_callback = restore;
    draw_state.target_image = target_image;
    draw_state.blend_graph = -1;
    // 2
    for (auto& sampler : settings.sampler_address)
        for (std::int32_t& mode : sampler)
            if (mode == 0)
                mode = 3;
    // 3
    draw_state.draw_depth = 0.2f;
    settings.depth2d = {0, 0, 4, 0};
    settings.depth3d = {0, 0, 4, 0};
    light_state.list_changed = 1;
    settings.use_transparent_color = 1;
    draw_state.texture_filter = 0;
    draw_state.max_anisotropy = 1;
    draw_state.blend_mode = 0;
    // 4
    SetDrawBright(255, 255, 255);
    SetFogMode(3);
    SetFogColor(255, 255, 255);
    SetFogRange(0.0f, 1500.0f);
    // 5
    settings.graph_color_depth = 0;
    media::gfx::mask_state.requested_on = 1;
    media::gfx::mask_state.active = 0;
    draw_state.target = -2;
    SelectDrawTarget(-4);
    // 6
    light_state.default_light = AddDirectionalLight(1.0f, -1.0f, 1.0f);
    draw_state.locked = 0;
    // 7
    settings.camera_near = 10.0f;
    settings.camera_far = 10000.0f;
    settings.projection_kind = 0;
    settings.aspect_factor = 1.0f;
    settings.field_of_view = 1.0471976f;
    settings.ortho_size = 1.0f;
    BuildIdentityMatrix(&settings.projection);
    light_state.material_changed = 1;
    light_state.material = {{0.8f, 0.8f, 0.8f, 1.0f}, {0, 0, 0, 0}, {0.8f, 0.8f, 0.8f, 0.0f}, {0, 0, 0, 0}, 20.0f};
    return 0;
}

int SetCameraNearFar(float z_near, float z_far)
{
    settings.camera_near = z_near;
    settings.camera_far = z_far;
    return RefreshProjectionMatrix();
}

int SetCameraFieldOfView(float radians)
{
    settings.field_of_view = radians;
    settings.projection_kind = 0;
    return RefreshProjectionMatrix();
}

int SetUserProjectionMatrix(const MATRIX44* matrix)
{
    if (matrix == nullptr)
        return -1;
    settings.projection = *matrix;
    settings.projection_kind = 2;
    return RefreshProjectionMatrix();
}

int RefreshProjectionMatrix()
{
    if (settings.projection_kind != 2) {
        const float aspect = draw_state.target_width != 0
                                 ? static_cast<float>(draw_state.target_height) /
                                       static_cast<float>(draw_state.target_width) * settings.aspect_factor
                                 : settings.aspect_factor;
        MATRIX44 built;
        int result = -1;
        if (settings.projection_kind == 0)
            result = BuildPerspectiveMatrix(&built, settings.field_of_view, settings.camera_near, settings.camera_far,
                                            aspect);
        else if (settings.projection_kind == 1)
            result = BuildOrthoMatrix(&built, settings.ortho_size, settings.camera_near, settings.camera_far, aspect);
        if (result == 0)
            settings.projection = built;
    }
    return SetProjectionMatrix(&settings.projection);
}

void UpdateCombinedMatrices()
{
    if (settings.combined_valid != 0)
        return;
    MATRIX44 view_projection;
    MultiplyMatrix(&view_projection, &draw_state.view, &draw_state.projection);
    MultiplyMatrix(&settings.view_projection, &view_projection, &draw_state.screen_transform);
    MultiplyMatrix(&settings.world_view_projection, &draw_state.world, &settings.view_projection);
    MATRIX44 rotation{};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            rotation.m[r][c] = draw_state.view.m[c][r];
    settings.view_rotation = rotation;
    settings.combined_valid = 1;
}

int AddLightHandle()
{
    auto* light = static_cast<media::gfx::LIGHTREC*>(ManagedCalloc(sizeof(media::gfx::LIGHTREC), __FILE__, __LINE__));
    if (light == nullptr)
        ExitWithLogMessage("ライト用のメモリの確保に失敗しました");
    const int handle = light_state.lights.create(light);
    if (handle < 0) {
        // every slot is taken
        ManagedFree(light);
        return -1;
    }
    light->check = handle >> media::core::handle_check_shift & media::core::handle_check_mask;
    light->handle = handle;
    media::gfx::LIGHTPARAMS& p = light->light;
    p.type = 0;
    for (int i = 0; i < 4; ++i) {
        p.diffuse[i] = 1.0f;
        p.specular[i] = 1.0f;
        p.ambient[i] = 0.33f;
    }
    p.range = 2000.0f;
    p.falloff = 1.0f;
    p.attenuation0 = 0.1f;
    p.theta = 2.0f;
    p.phi = 2.0f;
    light->device_index = -1;
    light->enabled = 1;
    light->changed = 1;
    light_state.list_changed = 1;
    return handle;
}

int AddDirectionalLight(float x, float y, float z)
{
    const int handle = AddLightHandle();
    if (handle < 0)
        return -1;
    media::gfx::LIGHTREC* light = light_state.lights.find(handle);
    light->light.type = 3;
    const VECTOR3F v{x, y, z};
    const float length = std::sqrt(DotVector(&v, &v));
    if (length > 0.0f)
        light->light.direction = {x / length, y / length, z / length};
    return handle;
}

int DeleteLightHandle(int handle)
{
    media::gfx::LIGHTREC* light = light_state.lights.remove(handle);
    if (light == nullptr)
        return -1;
    ManagedFree(light);
    light_state.list_changed = 1;
    return 0;
}

int DeleteAllLights()
{
    const int top = light_state.lights.high_water();
    for (int slot = 0; slot < top; ++slot) {
        const int handle = light_state.lights.handle_at(slot);
        if (handle >= 0 && handle != light_state.default_light)
            DeleteLightHandle(handle);
    }
    return 0;
}

int EnumerateDisplayModes(int* count, std::int32_t** modes)
{
    media::gfx::GRAPHICSSTATE& g = media::gfx::graphics;
    if (g.modes != nullptr) {
        ManagedFree(g.modes);
        g.modes = nullptr;
    }
    g.mode_count = 0;
    std::vector<platform::display_mode> listed;
    if (platform::display_modes(listed) == 0) {
        int n = 0;
        for (const platform::display_mode& m : listed)
            n += m.bits >= 16 ? 1 : 0;
        if (n > 0)
            g.modes = static_cast<std::int32_t*>(ManagedAlloc(n * 16, __FILE__, __LINE__));
        if (g.modes != nullptr) {
            for (const platform::display_mode& m : listed) {
                if (m.bits < 16)
                    continue;
                std::int32_t* e = g.modes + g.mode_count * 4;
                e[0] = m.width;
                e[1] = m.height;
                e[2] = m.bits;
                e[3] = m.refresh;
                ++g.mode_count;
            }
        }
    }
    if (count != nullptr)
        *count = g.mode_count;
    if (modes != nullptr)
        *modes = g.modes;
    return 0;
}
