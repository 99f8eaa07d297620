// Row icons drawn from graphs made of the shell layer's pixels.
#include "tool/zentil/row_icon.hpp"

#include <cstdint>
#include <cstring>

#include "media/graphics/draw.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/pixfmt.hpp"

namespace tool::zentil {
namespace {

struct icon_graph {
  const std::uint32_t* pixels = nullptr;
  int graph = -1;
};

// A graph of the icon's 0xAARRGGBB pixels, or -1.
int make_graph(const platform::shell::icon& icon) {
  constexpr int n = platform::shell::icon::size;
  IMGBUF image{};
  if (CreateARGB8ImageBuffer(n, n, &image) != 0) return -1;
  for (int y = 0; y < n; ++y)
    std::memcpy(static_cast<unsigned char*>(image.pixels) + static_cast<std::size_t>(y) * image.pitch,
                icon.pixels + static_cast<std::size_t>(y) * n, n * sizeof(std::uint32_t));
  const int graph = MakeGraphFromImage(&image, nullptr, 0, 0, 0);
  ReleaseImageBuffer(&image);
  return graph;
}

}  // namespace

void draw_row_icon(const platform::shell::icon& icon, int x, int y) {
  // one graph per kind; made again when the media layer was restarted (the
  // handle no longer valid) or the shell gives other pixels for the kind
  static icon_graph graphs[2];
  icon_graph& g = graphs[icon.kind == platform::shell::icon_kind::folder ? 0 : 1];
  if (g.pixels != icon.pixels || !IsGraphHandleValid(g.graph)) {
    if (g.graph >= 0 && IsGraphHandleValid(g.graph)) DeleteGraphHandle(g.graph);
    g.graph = make_graph(icon);
    g.pixels = g.graph >= 0 ? icon.pixels : nullptr;
  }
  if (g.graph >= 0) DrawGraphAt(x, y, g.graph, 1);
}

}  // namespace tool::zentil
