// Graphs made from image files and image buffers, the pixel transfer into
// graphs, the names of the files graphs came from, and their reload.
#pragma once

struct IMGBUF;
struct RECT;

// A graph of the image file at path (its "_a" companion, when there is one,
// gives the alpha): its handle or -1. The flag has no effect.
int LoadGraphFile(const char* path, int flag);
// The same, mirrored left to right with mirror 1; a file no image loader
// accepts is tried as a movie (option passed on).
int LoadGraphOrMovie(const char* path, int mirror, int movie_option);
// A graph of the image (and alpha image, or null) with its pixels: its
// handle or -1. mirror and mirror_now both 1: the pixels go in mirrored
// (the images are mirrored back afterwards). The flag has no effect.
int MakeGraphFromImage(IMGBUF* image, IMGBUF* alpha, int flag, int mirror, int mirror_now);
// Fills the whole graph from the rectangle (x, y) of the image's graph
// size, recording name (null: none), the position and the mirror flag: 0 or
// -1 (graphics not started, a bad handle, a failed transfer).
int TransferImageToGraph(const char* name, IMGBUF* image, IMGBUF* alpha, int x, int y, int graph, int mirror);
// Records the source name, the position (the rectangle's corner minus the
// offsets; 0, 0 without a rectangle) and the mirror flag, then transfers
// the rectangle (null: the whole image) to (0, 0) of the graph.
int ReloadGraphImage(IMGBUF* image, IMGBUF* alpha, const char* name, const RECT* rect, int offset_x, int offset_y,
                     int graph, int mirror, int use_transparent);
// Copies the source rectangle of the image (and alpha image) to (x, y) of
// the graph (of its body with body_coordinates 1), converting the pixels:
// 0 (also for an empty rectangle), or -1 before graphics start, for a bad
// handle, a destination outside the graph or a failed conversion. DXT
// images are decoded first.
int TransferImageToGraphRect(int graph, const RECT* src_rect, int x, int y, IMGBUF* image, IMGBUF* alpha,
                             int blend_image, int use_transparent, int body_coordinates);

// Reloads every graph from the file it came from: the default restore callback.
void ReloadGraphsFromFiles();
// Drops the graph's source-name record, then records the absolute form of
// path, or (path null) shares the record of the live graph source (-1: none).
// A path that names the file of the graph's own record keeps that record.
// 0, or -1 for a bad handle, another source value, a path that cannot be
// made absolute, or no memory for the record (logged).
int SetGraphSourceName(int graph, const char* path, int source);
