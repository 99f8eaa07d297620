// Resolves the table of gl.hpp through SDL_GL_GetProcAddress.
#include "platform/sdl/gl.hpp"

#include "platform/platform.hpp"

#include <SDL.h>

#include <string>

namespace platform::sdl {

namespace {

template <class F>
bool resolve(F& out, const char* name)
{
    out = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return out != nullptr;
}

}  // namespace

int load_gl(gl_table& gl)
{
    const char* missing = nullptr;
#define ZENTIL_GL(name) \
    if (!missing && !resolve(gl.name, "gl" #name)) missing = "gl" #name;
    ZENTIL_GL(GetString)
    ZENTIL_GL(GetIntegerv)
    ZENTIL_GL(GetError)
    ZENTIL_GL(Enable)
    ZENTIL_GL(Disable)
    ZENTIL_GL(Viewport)
    ZENTIL_GL(Scissor)
    ZENTIL_GL(ClearColor)
    ZENTIL_GL(Clear)
    ZENTIL_GL(ColorMask)
    ZENTIL_GL(CullFace)
    ZENTIL_GL(FrontFace)
    ZENTIL_GL(ProvokingVertex)
    ZENTIL_GL(BlendFuncSeparate)
    ZENTIL_GL(BlendEquation)
    ZENTIL_GL(PixelStorei)
    ZENTIL_GL(ReadPixels)
    ZENTIL_GL(ReadBuffer)
    ZENTIL_GL(DrawBuffer)
    ZENTIL_GL(Finish)
    ZENTIL_GL(GenTextures)
    ZENTIL_GL(DeleteTextures)
    ZENTIL_GL(BindTexture)
    ZENTIL_GL(ActiveTexture)
    ZENTIL_GL(TexImage2D)
    ZENTIL_GL(TexSubImage2D)
    ZENTIL_GL(TexParameteri)
    ZENTIL_GL(GenFramebuffers)
    ZENTIL_GL(DeleteFramebuffers)
    ZENTIL_GL(BindFramebuffer)
    ZENTIL_GL(FramebufferTexture2D)
    ZENTIL_GL(CheckFramebufferStatus)
    ZENTIL_GL(BlitFramebuffer)
    ZENTIL_GL(GenBuffers)
    ZENTIL_GL(DeleteBuffers)
    ZENTIL_GL(BindBuffer)
    ZENTIL_GL(BufferData)
    ZENTIL_GL(BufferSubData)
    ZENTIL_GL(GenVertexArrays)
    ZENTIL_GL(DeleteVertexArrays)
    ZENTIL_GL(BindVertexArray)
    ZENTIL_GL(VertexAttribPointer)
    ZENTIL_GL(EnableVertexAttribArray)
    ZENTIL_GL(DisableVertexAttribArray)
    ZENTIL_GL(VertexAttrib4f)
    ZENTIL_GL(CreateShader)
    ZENTIL_GL(ShaderSource)
    ZENTIL_GL(CompileShader)
    ZENTIL_GL(GetShaderiv)
    ZENTIL_GL(GetShaderInfoLog)
    ZENTIL_GL(DeleteShader)
    ZENTIL_GL(CreateProgram)
    ZENTIL_GL(AttachShader)
    ZENTIL_GL(BindAttribLocation)
    ZENTIL_GL(LinkProgram)
    ZENTIL_GL(GetProgramiv)
    ZENTIL_GL(GetProgramInfoLog)
    ZENTIL_GL(DeleteProgram)
    ZENTIL_GL(UseProgram)
    ZENTIL_GL(GetUniformLocation)
    ZENTIL_GL(Uniform1i)
    ZENTIL_GL(Uniform1iv)
    ZENTIL_GL(Uniform4iv)
    ZENTIL_GL(Uniform2f)
    ZENTIL_GL(Uniform4f)
    ZENTIL_GL(UniformMatrix4fv)
    ZENTIL_GL(DrawArrays)
    ZENTIL_GL(DrawElements)
#undef ZENTIL_GL
    if (missing) return set_error((std::string("OpenGL function missing: ") + missing).c_str());
    return 0;
}

}  // namespace platform::sdl
