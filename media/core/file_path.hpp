// Media-layer paths (CP932, '\\' or '/' between components) as platform file
// names (wide, '/'), and back.
#pragma once

#include <string>

namespace media::core {

// The size of the media layer's path buffers: paths of this many bytes or
// more are refused.
constexpr int path_buffer_size = 260;

// The platform name of a CP932 path: decoded first, then each '\\' turned
// into '/', so the trail byte 0x5C of a double-byte character is never a
// separator. POSIX meaning: a leading '/' is the root, "C:" an ordinary
// name. False for null, "" and paths of path_buffer_size bytes or more.
bool to_platform_path(const char* path, std::wstring& out);

// A platform name in CP932 ('?' for what CP932 lacks) into buffer of
// capacity bytes with its NUL: its length, or -1 ("" in buffer when
// capacity > 0) when it does not fit.
int to_media_path(const std::wstring& name, char* buffer, int capacity);

// The current folder in CP932 into buffer of capacity bytes: 0, or -1 when
// there is none or it does not fit.
int get_current_folder(char* buffer, int capacity);
// 0, or -1 when path is refused or names no folder.
int set_current_folder(const char* path);

}  // namespace media::core
