// Every global state record of the graphics folder, with the full reset.
#include "media/graphics/internal.hpp"

namespace media::gfx {

// ---- soft images ----
softimage_table soft_images;
// ---- end soft images ----

// ---- pixel rectangle conversion ----
CONVERTSTATE convert_state{};
// ---- end pixel rectangle conversion ----

void reset_state()
{
    // the records are the tests' to free; the table forgets them
    soft_images.clear();
    convert_state = CONVERTSTATE{};
}

}  // namespace media::gfx
