// The input method: composition is not shown yet (committed text arrives as
// typed characters).
#include "media/core/ime.hpp"

LRESULT HandleImeMessage(HWINDOW, std::uint32_t, WPARAM, LPARAM)
{
    return 0;
}
