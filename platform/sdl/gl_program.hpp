// The device's shader program and where its uniforms sit.
#pragma once

#include "platform/sdl/gl.hpp"

namespace platform::sdl {

// Texture stages the program runs; the stage after the last is DISABLE.
constexpr int program_stages = 4;

struct gl_program {
    GLuint id = 0;
    GLint transformed = -1, clip_of = -1, target_size = -1, port_size = -1;
    GLint flat_shade = -1, stage_count = -1, colour_stage = -1, alpha_stage = -1, has_texture = -1;
    GLint tfactor = -1, alpha_func = -1, alpha_ref = -1, narrow = -1;
};

// Compiles and links the program in the current context and makes it the
// one in use: 0, or -1 (error set, nothing left behind).
int make_program(gl_table& gl, gl_program& out);

}  // namespace platform::sdl
