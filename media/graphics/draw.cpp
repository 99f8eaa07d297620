// Drawing operations and the draw target. The screens have no images yet;
// selecting one is accepted.
#include "media/graphics/draw.hpp"

int SelectDrawTarget(int)
{
    return 0;
}
