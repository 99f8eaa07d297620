// Graphs made from image files, the names of the files they came from, and
// their reload.
#pragma once

// Reloads every graph from the file it came from: the default restore callback.
void ReloadGraphsFromFiles();
// Drops the graph's source-name record, then records the absolute form of
// path, or (path null) shares the record of the live graph source (-1: none).
// 0, or -1 for a bad handle, another source value, a path that cannot be
// made absolute, or no memory for the record (logged).
int SetGraphSourceName(int graph, const char* path, int source);
