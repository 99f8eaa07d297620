// The drawing state's setters, the batch colour and the screen colour packing.
#pragma once

#include <cstdint>

#include "media/core/math.hpp"

struct GRAPHREC;

// A colour of four floats.
struct COLOR_F {
    float r, g, b, a;
};

// Blend mode 0..12 and parameter (clamped to 0..255): 0, or -1 for a mode
// outside 0..12 (nothing changes then).
int SetBlendModeParam(int mode, int param);
// Each channel clamped to 0..255; 0.
int SetDrawBright(int red, int green, int blue);
// The same from 0xRRGGBB (the upper byte ignored); 0.
int SetDrawBrightPacked(std::uint32_t rgb);
// 0xAARRGGBB: alpha the blend parameter (255 under blend mode 0), then the draw bright.
std::uint32_t ComputeBatchDiffuse();
// The blend graph (-1: none) with its border parameter and range (clamped to
// 0..255): 0, or -1 for a handle that names no live graph.
int SetBlendGraph(int graph, int border, int range);
// 0 when the blend graph is live and at least as wide and high as the
// graph, else -1 (also without a blend graph).
int CheckBlendGraphCovers(const GRAPHREC* graph);
// The draw area, put in order and clamped to the target: 0, or -1 when the
// target is no screen and no live graph.
int SetDrawClipArea(int x1, int y1, int x2, int y2);
// 0 point, 1 linear, 2 anisotropic; 0.
int SetDrawTextureFilter(int mode);
// The matrices of 3D drawing; 0.
int SetWorldMatrix(const MATRIX44* matrix);
int SetViewMatrix(const MATRIX44* matrix);
int SetProjectionMatrix(const MATRIX44* matrix);
int SetScreenTransformMatrix(const MATRIX44* matrix);
// Fog; 0.
int SetFogMode(int mode);
int SetFogColor(int red, int green, int blue);
int SetFogRange(float start, float end);
// The pixel value of the screen format for 8-bit red, green and blue; the bits
// outside the three channels are set.
std::uint32_t PackScreenColor(int red, int green, int blue);
// The 8-bit channels of a screen pixel value; any pointer may be null. 0.
int UnpackScreenColor(std::uint32_t value, int* red, int* green, int* blue);
// Fills and returns out.
COLOR_F* MakeColorF(COLOR_F* out, float red, float green, float blue, float alpha);
