// The reference device's texture stages: arguments, the 8-bit arithmetic of
// each operation, and the cascade from stage 0 to the first disabled one.
#include "platform/headless/reference.hpp"

#include <algorithm>

namespace platform::headless::ref {

std::uint8_t argument(std::uint32_t arg, int ch, const stage_inputs& in)
{
    const colour* from;
    switch (arg & ~device::ta_complement) {
    case device::ta_diffuse: from = &in.diffuse; break;
    case device::ta_current: from = &in.current; break;
    case device::ta_texture: from = &in.texture; break;
    case device::ta_tfactor: from = &in.tfactor; break;
    default: from = &in.specular; break;
    }
    const std::uint8_t v = (*from)[static_cast<std::size_t>(ch)];
    return (arg & device::ta_complement) ? static_cast<std::uint8_t>(255 - v) : v;
}

std::uint8_t operate(std::uint32_t op, std::uint8_t a1, std::uint8_t a2, std::uint8_t diffuse_alpha,
                     std::uint8_t current_alpha)
{
    const int a = a1, b = a2;
    // a blend weighs a1 by the alpha and a2 by its complement, in 255ths
    auto weigh = [&](int w) { return static_cast<std::uint8_t>((a * w + b * (255 - w) + 127) / 255); };
    switch (op) {
    case device::op_selectarg1: return a1;
    case device::op_selectarg2: return a2;
    case device::op_modulate: return static_cast<std::uint8_t>((a * b + 127) / 255);
    case device::op_modulate2x: return static_cast<std::uint8_t>(std::min(255, (2 * a * b + 127) / 255));
    case device::op_modulate4x: return static_cast<std::uint8_t>(std::min(255, (4 * a * b + 127) / 255));
    case device::op_add: return static_cast<std::uint8_t>(std::min(255, a + b));
    case device::op_subtract: return static_cast<std::uint8_t>(std::max(0, a - b));
    case device::op_blenddiffusealpha: return weigh(diffuse_alpha);
    case device::op_blendcurrentalpha: return weigh(current_alpha);
    default: return a1;  // DISABLE never reaches here: the cascade stops or keeps the channel
    }
}

colour run_stages(const device::device_state& st, const colour& diffuse, const colour& specular,
                  const std::function<colour(int)>& texture)
{
    const std::uint32_t f = st.render[device::rs_texturefactor];
    stage_inputs in;
    in.diffuse = diffuse;
    in.specular = specular;
    in.tfactor = colour{static_cast<std::uint8_t>(f >> 24), static_cast<std::uint8_t>(f >> 16),
                        static_cast<std::uint8_t>(f >> 8), static_cast<std::uint8_t>(f)};
    in.current = diffuse;  // what CURRENT reads at stage 0
    for (int s = 0; s < device::stages; ++s) {
        const std::uint32_t* state = st.stage[s];
        if (state[device::ts_colorop] == device::op_disable) break;
        in.texture = texture(s);
        colour out = in.current;
        for (int ch = 1; ch < 4; ++ch)
            out[ch] = operate(state[device::ts_colorop], argument(state[device::ts_colorarg1], ch, in),
                              argument(state[device::ts_colorarg2], ch, in), in.diffuse[alpha], in.current[alpha]);
        // a disabled alpha operation under an enabled colour one keeps the alpha
        if (state[device::ts_alphaop] != device::op_disable)
            out[alpha] = operate(state[device::ts_alphaop], argument(state[device::ts_alphaarg1], alpha, in),
                                 argument(state[device::ts_alphaarg2], alpha, in), in.diffuse[alpha],
                                 in.current[alpha]);
        in.current = out;
    }
    return in.current;
}

}  // namespace platform::headless::ref
