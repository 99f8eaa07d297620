// Graph handles and their image bodies: creation, look-up, sharing and
// deletion, the size and validity queries, and the texture-size split.
#pragma once

#include <cstdint>

struct GRAPHREC;
struct GRAPHTEX;
struct IMGBUF;
struct PIXFMT;

// The handle of a new empty graph (no body yet: it must not be drawn before
// SetUpGraph). Ends the process when 32768 graphs exist or the record cannot
// be had.
int AllocGraphHandle();
// The graph's record, or null for a negative value, another kind, index bit
// 15 set, an empty slot or another check number.
GRAPHREC* GetGraphRecord(int graph);
// Gives the graph a body of the size: 0, or -1 after deleting the graph
// (logged). mipmaps -1: the default setting.
int SetUpGraph(int graph, int width, int height, int has_alpha, int paletted, int compressed, int mipmaps);
// An empty graph of the size (alpha from the settings), or -1.
int MakeGraphOfSize(int width, int height);
// A graph for the image's size and kind, no pixels transferred: its handle,
// or -1 before graphics start, when image and alpha image differ in size, or
// when set-up fails.
int MakeGraphForImage(const IMGBUF* image, const IMGBUF* alpha);
// Makes graph draw the rectangle of the source graph's body: 0 or -1.
int ShareGraphImage(int graph, int source, int x, int y, int width, int height);
// Deletes the graph, freeing the body with its last graph: 0, or -1 for a bad
// handle. The flag has no effect.
int DeleteGraphHandle(int graph, int flag = 0);
// Software bodies: the record cut to the view of the body's image, made
// again at the graph's place. 0 or -1.
int BuildGraphDrawTiles(int graph);
// The texture bodies of the device road; a software body has none. 0, or -1
// for a texture body without a device.
int CreateGraphTextures(GRAPHTEX* body);
int ReleaseGraphTextures(GRAPHTEX* body);
int ReleaseGraphWorkSurfaces(GRAPHTEX* body);
int ReleaseAllGraphTextures();
int RecreateAllGraphTextures();
// The memory format of a device format code, or null for a code without one.
const PIXFMT* GetD3DFormatImageFormat(int code);
// Cuts one edge of length pixels into power-of-two texture lengths no larger
// than max_size (the device's largest texture): the number of pieces, their
// sizes written to sizes when given (room for length / 8 + 1). single: one
// texture wanted.
int SplitTextureLength(int length, int* sizes, int single, int max_size);
// Registers the caller's flag, set to 0 now and to 1 when the graph is
// deleted: 0, or -1 for a bad handle.
int SetGraphLostFlag(int graph, std::int32_t* flag);

// A new graph viewing (x, y, width, height) of the source, cut to what the
// source has from x and y: its handle, -1, or 0 under the drawing lock.
int DeriveGraph(int x, int y, int width, int height, int source);
// 1 for a live graph, else 0.
int IsGraphHandleValid(int graph);
// The graph's size; -2 and -4 give the screen's. Either pointer may be
// null. 0 or -1.
int QueryGraphSize(int graph, int* width, int* height);
