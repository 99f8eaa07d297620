// Programmable shaders: whether the device runs them, and the built-in
// shader constant sets.
#pragma once

// Decides whether the device runs shaders and stores register 0 of both
// built-in constant sets; 0.
int SetUpShaders();
// The vertex declarations of the shader vertex layouts; 0.
int CreateShaderVertexDeclarations();
// Unbind and release the shader objects and the declarations; 0.
int ReleaseShaderObjects();
int ReleaseVertexDeclarations();
// Write count registers of the built-in set from first: to the device while
// it runs shaders, always into the memory copy. 0, or -1 for registers
// outside the set or no data.
int SetVertexShaderConstants(int count, int first, const float* data);
int SetPixelShaderConstants(int count, int first, const float* data);
