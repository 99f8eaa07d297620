// The render-state cache: the device states last sent, kept so that an
// unchanged setting costs no device call.
#pragma once

// Sets the device's default states once graphics start with a device; 0.
int InitDeviceDrawState();
// Forgets the bound shaders, declaration and vertex format, so the next
// setting of each is sent; 0.
int ResetDeviceShaderCache();
// Puts the cached diffuse and specular material sources to a value no
// setter sends, so their first setting reaches the device; 0.
int ResetDeviceMaterialSources();
