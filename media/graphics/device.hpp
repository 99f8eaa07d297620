// The device objects: the device object, the device with its back buffer,
// swap chain, depth surface and sub back buffer, and the device's buffers.
#pragma once

#include "platform/platform.hpp"

// Each 0, or -1 with its failure logged.
int CreateDirect3DObject();
// The device in the screen's mode, primed, its capabilities read and its
// format table filled.
int CreateD3DDevice();
// A depth surface of the powers of two covering the screen, set and cleared.
int CreateZBuffer();
// A screen-sized render target in the back buffer's format, not lockable.
int CreateSubBackBuffer();

// A buffer of the device, or none without a device or when it refuses.
platform::device::resource CreateDeviceVertexBuffer(int length, std::uint32_t usage, std::uint32_t fvf, int pool);
platform::device::resource CreateDeviceIndexBuffer(int length, std::uint32_t usage, int format, int pool);
// Ends an open scene, then sets the device's dialog-box mode: 0, or -1
// without a device or when it refuses.
int SetDeviceDialogBoxMode(int mode);
// With a device: dialog-box mode off, then on again when flag is set; 0.
int ResetDialogBoxMode(int flag);

namespace media::gfx {

// Releases the depth surface, sub back buffer, back buffer, swap chain, the
// device and the device object, in that order, each when held.
void release_device_objects();

}  // namespace media::gfx
