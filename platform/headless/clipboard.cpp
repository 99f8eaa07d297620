// Clipboard of the headless backend: one UTF-8 string.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int clipboard_text(std::string& out)
{
    out = state().clipboard;
    return out.empty() ? 0 : 1;
}

int set_clipboard_text(const char* text)
{
    state().clipboard = text;
    return 0;
}

const std::string& clipboard()
{
    return state().clipboard;
}

}  // namespace platform::headless
