// Graphs made from image files and their reload.
#pragma once

// Reloads every graph from the file it came from: the default restore callback.
void ReloadGraphsFromFiles();
