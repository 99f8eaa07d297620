// Graphics settings, the drawing state's start values, lights, camera and
// the list of display modes.
#pragma once

#include <cstdint>

#include "media/core/math.hpp"

int SetGraphColorDepth(int depth);
int GetGraphColorDepth();
int SetGraphDrawable(int flag);
int GetGraphDrawable();
int SetUseTransparentColor(int flag);
int GetUseTransparentColor();
int GetMovieGraphSetting();
int SetMadeGraphAlpha(int flag);
int GetMadeGraphAlpha();
int SetGraphTexturesUnmanaged(int flag);
int GetGraphTexturesUnmanaged();
// Whether the flip waits for the vertical blank (kept as its negation).
int SetFlipWaitsForVBlank(int flag);
int GetFlipWaitsForVBlank();
int SetEmulate320x240(int flag);
int GetDrawTargetHandle();
// Copies the draw area into rect (null: nothing); 0.
int GetDrawClipArea(RECT* rect);
int GetDrawTextureFilter();

// Gives every setting and the drawing state its start value, keeps the flip
// wait, the 320 x 240 emulation, the restore callback and the lights, selects
// the front screen and makes the default light; 0.
int ResetDrawStateDefaults();

// The camera; each refreshes the projection; 0.
int SetCameraNearFar(float z_near, float z_far);
int SetCameraFieldOfView(float radians);
int SetUserProjectionMatrix(const MATRIX44* matrix);
int RefreshProjectionMatrix();
// Recomputes the combined matrices when a matrix changed.
void UpdateCombinedMatrices();

// A new light with the default parameters: its handle, or -1 when all 4096
// slots are taken. Ends the process when its memory cannot be had.
int AddLightHandle();
// A directional light along (x, y, z) made unit length: its handle or -1.
int AddDirectionalLight(float x, float y, float z);
// 0, or -1 for a handle that names no light.
int DeleteLightHandle(int handle);
// Deletes every light but the default one; 0.
int DeleteAllLights();

// Lists the display modes of 16 bits and more (width, height, bits, refresh
// per entry) in a block kept until the next call or the release of the
// device; *count becomes 0 when none can be listed. 0.
int EnumerateDisplayModes(int* count, std::int32_t** modes);
