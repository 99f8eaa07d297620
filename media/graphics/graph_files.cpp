// Graphs made from image files and their reload. No graph remembers a file
// yet, so the reload finds nothing to do.
#include "media/graphics/graph_files.hpp"

void ReloadGraphsFromFiles()
{
}
