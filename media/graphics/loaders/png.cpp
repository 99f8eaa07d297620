// The PNG loader (through the PNG library; not built yet).
#include "media/graphics/loaders/reader.hpp"

int LoadPngImage(IMGSRC*, IMGBUF*) { return -1; }
