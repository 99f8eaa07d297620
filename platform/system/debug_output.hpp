// The debugger's output channel: text handed to it goes nowhere unless a
// test installs a capture.
#pragma once

#include <string>

namespace platform {

void debug_output(const std::wstring& text);

#if ZENTIL_TEST_HOOKS
// Appends every later debug_output text to sink; null stops the capture.
void capture_debug_output(std::wstring* sink);
#endif

}  // namespace platform
