// The OpenGL functions the device calls, resolved at run time through SDL
// into a table of our own: the program links no GL library, and a machine
// without OpenGL only fails the device object.
#pragma once

#include <GL/glcorearb.h>

namespace platform::sdl {

struct gl_table {
    PFNGLGETSTRINGPROC GetString = nullptr;
    PFNGLGETINTEGERVPROC GetIntegerv = nullptr;
    PFNGLGETERRORPROC GetError = nullptr;
    PFNGLENABLEPROC Enable = nullptr;
    PFNGLDISABLEPROC Disable = nullptr;
    PFNGLVIEWPORTPROC Viewport = nullptr;
    PFNGLSCISSORPROC Scissor = nullptr;
    PFNGLCLEARCOLORPROC ClearColor = nullptr;
    PFNGLCLEARPROC Clear = nullptr;
    PFNGLCOLORMASKPROC ColorMask = nullptr;
    PFNGLCULLFACEPROC CullFace = nullptr;
    PFNGLFRONTFACEPROC FrontFace = nullptr;
    PFNGLPROVOKINGVERTEXPROC ProvokingVertex = nullptr;
    PFNGLBLENDFUNCSEPARATEPROC BlendFuncSeparate = nullptr;
    PFNGLBLENDEQUATIONPROC BlendEquation = nullptr;
    PFNGLPIXELSTOREIPROC PixelStorei = nullptr;
    PFNGLREADPIXELSPROC ReadPixels = nullptr;
    PFNGLREADBUFFERPROC ReadBuffer = nullptr;
    PFNGLDRAWBUFFERPROC DrawBuffer = nullptr;
    PFNGLFINISHPROC Finish = nullptr;
    PFNGLGENTEXTURESPROC GenTextures = nullptr;
    PFNGLDELETETEXTURESPROC DeleteTextures = nullptr;
    PFNGLBINDTEXTUREPROC BindTexture = nullptr;
    PFNGLACTIVETEXTUREPROC ActiveTexture = nullptr;
    PFNGLTEXIMAGE2DPROC TexImage2D = nullptr;
    PFNGLTEXSUBIMAGE2DPROC TexSubImage2D = nullptr;
    PFNGLTEXPARAMETERIPROC TexParameteri = nullptr;
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;
    PFNGLGENBUFFERSPROC GenBuffers = nullptr;
    PFNGLDELETEBUFFERSPROC DeleteBuffers = nullptr;
    PFNGLBINDBUFFERPROC BindBuffer = nullptr;
    PFNGLBUFFERDATAPROC BufferData = nullptr;
    PFNGLBUFFERSUBDATAPROC BufferSubData = nullptr;
    PFNGLGENVERTEXARRAYSPROC GenVertexArrays = nullptr;
    PFNGLDELETEVERTEXARRAYSPROC DeleteVertexArrays = nullptr;
    PFNGLBINDVERTEXARRAYPROC BindVertexArray = nullptr;
    PFNGLVERTEXATTRIBPOINTERPROC VertexAttribPointer = nullptr;
    PFNGLENABLEVERTEXATTRIBARRAYPROC EnableVertexAttribArray = nullptr;
    PFNGLDISABLEVERTEXATTRIBARRAYPROC DisableVertexAttribArray = nullptr;
    PFNGLVERTEXATTRIB4FPROC VertexAttrib4f = nullptr;
    PFNGLCREATESHADERPROC CreateShader = nullptr;
    PFNGLSHADERSOURCEPROC ShaderSource = nullptr;
    PFNGLCOMPILESHADERPROC CompileShader = nullptr;
    PFNGLGETSHADERIVPROC GetShaderiv = nullptr;
    PFNGLGETSHADERINFOLOGPROC GetShaderInfoLog = nullptr;
    PFNGLDELETESHADERPROC DeleteShader = nullptr;
    PFNGLCREATEPROGRAMPROC CreateProgram = nullptr;
    PFNGLATTACHSHADERPROC AttachShader = nullptr;
    PFNGLBINDATTRIBLOCATIONPROC BindAttribLocation = nullptr;
    PFNGLLINKPROGRAMPROC LinkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC GetProgramiv = nullptr;
    PFNGLGETPROGRAMINFOLOGPROC GetProgramInfoLog = nullptr;
    PFNGLDELETEPROGRAMPROC DeleteProgram = nullptr;
    PFNGLUSEPROGRAMPROC UseProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC Uniform1i = nullptr;
    PFNGLUNIFORM1IVPROC Uniform1iv = nullptr;
    PFNGLUNIFORM4IVPROC Uniform4iv = nullptr;
    PFNGLUNIFORM2FPROC Uniform2f = nullptr;
    PFNGLUNIFORM4FPROC Uniform4f = nullptr;
    PFNGLUNIFORMMATRIX4FVPROC UniformMatrix4fv = nullptr;
    PFNGLDRAWARRAYSPROC DrawArrays = nullptr;
    PFNGLDRAWELEMENTSPROC DrawElements = nullptr;
};

// Fills the table from the current context: 0, or -1 (error set) naming the
// first function the driver lacks.
int load_gl(gl_table& gl);

}  // namespace platform::sdl
