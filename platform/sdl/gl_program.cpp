// The device's one shader program: vertices of either position kind put on
// the target with GL's pixel centres half a pixel off Direct3D's, then the
// texture-stage programme in the 8-bit integer arithmetic of the stages,
// the alpha test by discard, and (unblended) the narrowing to the target's
// channel widths by their top bits.
#include "platform/sdl/gl_program.hpp"

#include "platform/platform.hpp"

#include <string>
#include <vector>

namespace platform::sdl {

namespace {

const char* const vertex_source = R"(#version 330 core
layout(location = 0) in vec4 position;
layout(location = 1) in vec4 diffuse;
layout(location = 2) in vec4 specular;
layout(location = 3) in vec2 tex0;
layout(location = 4) in vec2 tex1;
uniform int transformed;
uniform mat4 clip_of;
uniform vec2 target_size;
uniform vec2 port_size;
out vec4 v_diffuse;
out vec4 v_specular;
flat out vec4 f_diffuse;
flat out vec4 f_specular;
out vec2 v_tex0;
out vec2 v_tex1;
void main()
{
    if (transformed == 1) {
        vec4 c = clip_of * vec4(position.xyz, 1.0);
        c.z = 2.0 * c.z - c.w;
        c.y = -c.y;
        c.x += c.w / port_size.x;
        c.y += c.w / port_size.y;
        gl_Position = c;
    } else {
        float rhw = position.w;
        if (!(rhw > 0.0) || isinf(rhw)) rhw = 1.0;
        float w = 1.0 / rhw;
        vec2 ndc = (position.xy + 0.5) * 2.0 / target_size - 1.0;
        gl_Position = vec4(ndc * w, 0.0, w);
    }
    v_diffuse = diffuse;
    v_specular = specular;
    f_diffuse = diffuse;
    f_specular = specular;
    v_tex0 = tex0;
    v_tex1 = tex1;
}
)";

const char* const fragment_source = R"(#version 330 core
in vec4 v_diffuse;
in vec4 v_specular;
flat in vec4 f_diffuse;
flat in vec4 f_specular;
in vec2 v_tex0;
in vec2 v_tex1;
uniform int flat_shade;
uniform int stage_count;
uniform ivec4 colour_stage[4];
uniform ivec4 alpha_stage[4];
uniform int has_texture[4];
uniform sampler2D tex0;
uniform sampler2D tex1;
uniform sampler2D tex2;
uniform sampler2D tex3;
uniform ivec4 tfactor;
uniform int alpha_func;
uniform int alpha_ref;
uniform ivec4 narrow;
out vec4 colour;

ivec4 bytes(vec4 c)
{
    return ivec4(clamp(floor(c * 255.0 + 0.5), 0.0, 255.0));
}

vec2 coords(int set)
{
    if (set == 0) return v_tex0;
    if (set == 1) return v_tex1;
    return vec2(0.0);
}

ivec4 sampled(int s, int set)
{
    if (has_texture[s] == 0) return ivec4(255);
    vec2 uv = coords(set);
    vec4 t;
    if (s == 0) t = texture(tex0, uv);
    else if (s == 1) t = texture(tex1, uv);
    else if (s == 2) t = texture(tex2, uv);
    else t = texture(tex3, uv);
    return bytes(t);
}

ivec4 argument(int arg, ivec4 d, ivec4 sp, ivec4 cur, ivec4 tex)
{
    int which = arg & ~16;
    ivec4 v;
    if (which == 0) v = d;
    else if (which == 1) v = cur;
    else if (which == 2) v = tex;
    else if (which == 3) v = tfactor;
    else v = sp;
    return (arg & 16) != 0 ? ivec4(255) - v : v;
}

ivec4 operate(int op, ivec4 a, ivec4 b, int da, int ca)
{
    if (op == 2) return a;
    if (op == 3) return b;
    if (op == 4) return (a * b + 127) / 255;
    if (op == 5) return min(ivec4(255), (2 * a * b + 127) / 255);
    if (op == 6) return min(ivec4(255), (4 * a * b + 127) / 255);
    if (op == 7) return min(ivec4(255), a + b);
    if (op == 10) return max(ivec4(0), a - b);
    if (op == 12) return (a * da + b * (255 - da) + 127) / 255;
    if (op == 16) return (a * ca + b * (255 - ca) + 127) / 255;
    return a;
}

void main()
{
    ivec4 d = bytes(flat_shade == 1 ? f_diffuse : v_diffuse);
    ivec4 sp = bytes(flat_shade == 1 ? f_specular : v_specular);
    ivec4 cur = d;
    for (int s = 0; s < 4; ++s) {
        if (s >= stage_count) break;
        ivec4 tex = sampled(s, colour_stage[s].w);
        ivec4 c = colour_stage[s];
        ivec4 a = alpha_stage[s];
        ivec4 out_colour = operate(c.x, argument(c.y, d, sp, cur, tex), argument(c.z, d, sp, cur, tex), d.a, cur.a);
        int out_alpha = cur.a;
        if (a.x != 1)
            out_alpha = operate(a.x, argument(a.y, d, sp, cur, tex), argument(a.z, d, sp, cur, tex), d.a, cur.a).a;
        cur = ivec4(out_colour.rgb, out_alpha);
    }
    if (alpha_func == 5 && !(cur.a > alpha_ref)) discard;
    if (alpha_func == 7 && !(cur.a >= alpha_ref)) discard;
    vec4 result = vec4(cur) / 255.0;
    for (int ch = 0; ch < 4; ++ch) {
        int n = narrow[ch];
        if (n > 0 && n < 8) result[ch] = float(cur[ch] >> (8 - n)) / float((1 << n) - 1);
    }
    colour = result;
}
)";

GLuint compile(gl_table& gl, GLenum kind, const char* source, std::string& log)
{
    const GLuint s = gl.CreateShader(kind);
    if (s == 0) return 0;
    gl.ShaderSource(s, 1, &source, nullptr);
    gl.CompileShader(s);
    GLint ok = 0;
    gl.GetShaderiv(s, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        gl.GetShaderInfoLog(s, sizeof text - 1, nullptr, text);
        log = text;
        gl.DeleteShader(s);
        return 0;
    }
    return s;
}

}  // namespace

int make_program(gl_table& gl, gl_program& out)
{
    std::string log;
    const GLuint vs = compile(gl, GL_VERTEX_SHADER, vertex_source, log);
    const GLuint fs = vs ? compile(gl, GL_FRAGMENT_SHADER, fragment_source, log) : 0;
    if (vs == 0 || fs == 0) {
        if (vs) gl.DeleteShader(vs);
        return set_error(("shader compilation failed: " + log).c_str());
    }
    const GLuint p = gl.CreateProgram();
    gl.AttachShader(p, vs);
    gl.AttachShader(p, fs);
    gl.LinkProgram(p);
    // the program keeps what it was linked from
    gl.DeleteShader(vs);
    gl.DeleteShader(fs);
    GLint ok = 0;
    gl.GetProgramiv(p, GL_LINK_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        gl.GetProgramInfoLog(p, sizeof text - 1, nullptr, text);
        gl.DeleteProgram(p);
        return set_error((std::string("shader link failed: ") + text).c_str());
    }
    out.id = p;
    auto at = [&](const char* name) { return gl.GetUniformLocation(p, name); };
    out.transformed = at("transformed");
    out.clip_of = at("clip_of");
    out.target_size = at("target_size");
    out.port_size = at("port_size");
    out.flat_shade = at("flat_shade");
    out.stage_count = at("stage_count");
    out.colour_stage = at("colour_stage");
    out.alpha_stage = at("alpha_stage");
    out.has_texture = at("has_texture");
    out.tfactor = at("tfactor");
    out.alpha_func = at("alpha_func");
    out.alpha_ref = at("alpha_ref");
    out.narrow = at("narrow");
    gl.UseProgram(p);
    const char* samplers[4] = {"tex0", "tex1", "tex2", "tex3"};
    for (int i = 0; i < 4; ++i) gl.Uniform1i(at(samplers[i]), i);
    return 0;
}

}  // namespace platform::sdl
