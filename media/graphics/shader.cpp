// Programmable shaders. Only devices without shader model 2.0 are served:
// the shader pack is not built, so the shaders stay off on every device.
#include "media/graphics/shader.hpp"

#include <cstring>

#include "media/core/log.hpp"
#include "media/graphics/internal.hpp"
#include "platform/platform.hpp"

using media::gfx::shader_state;

int SetUpShaders()
{
    ReleaseShaderObjects();
    shader_state.in_use = 0;
    // a shader-2 device would load the pack here; without it the fixed
    // function stages draw, as they do for every 2D draw anyway
    LogWrite("プログラマブルシェーダーを使用しません\n");
    const float vertex0[4] = {0.0f, 1.0f, 0.0f, 0.0f};
    const float pixel0[4] = {0.0f, 0.5f, 1.0f, 2.0f};
    SetVertexShaderConstants(1, 0, vertex0);
    SetPixelShaderConstants(1, 0, pixel0);
    return 0;
}

int CreateShaderVertexDeclarations()
{
    ReleaseVertexDeclarations();
    return 0;
}

int ReleaseShaderObjects()
{
    return 0;
}

int ReleaseVertexDeclarations()
{
    return 0;
}

namespace {

template <int N>
int store_constants(float (&set)[N][4], int count, int first, const float* data,
                    int (*send)(int, const float*, int))
{
    if (data == nullptr || count < 0 || first < 0 || first > N || count > N - first)
        return -1;
    if (count == 0)
        return 0;
    if (shader_state.in_use != 0 && platform::device::device_exists())
        send(first, data, count);
    std::memcpy(set[first], data, sizeof(float) * 4 * static_cast<std::size_t>(count));
    return 0;
}

}  // namespace

int SetVertexShaderConstants(int count, int first, const float* data)
{
    return store_constants(shader_state.vs_constants, count, first, data,
                           platform::device::set_vertex_shader_constant_f);
}

int SetPixelShaderConstants(int count, int first, const float* data)
{
    return store_constants(shader_state.ps_constants, count, first, data,
                           platform::device::set_pixel_shader_constant_f);
}
