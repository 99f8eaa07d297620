// The debugger's output channel.
#include "platform/system/debug_output.hpp"

#include <mutex>

namespace platform {

#if ZENTIL_TEST_HOOKS
namespace {

struct debug_capture {
    std::mutex lock;
    std::wstring* sink = nullptr;
};

debug_capture& capture()
{
    static debug_capture c;
    return c;
}

}  // namespace

void capture_debug_output(std::wstring* sink)
{
    std::lock_guard<std::mutex> hold(capture().lock);
    capture().sink = sink;
}
#endif

void debug_output(const std::wstring& text)
{
#if ZENTIL_TEST_HOOKS
    std::lock_guard<std::mutex> hold(capture().lock);
    if (capture().sink != nullptr)
        capture().sink->append(text);
#else
    (void)text;  // no debugger listens on this platform
#endif
}

}  // namespace platform
