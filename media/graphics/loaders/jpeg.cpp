// The JPEG loader (through the JPEG library; not built yet).
#include "media/graphics/loaders/reader.hpp"

int LoadJpegImage(IMGSRC*, IMGBUF*) { return -1; }
