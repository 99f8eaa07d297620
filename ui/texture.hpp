// Widgets that draw a shared image stretched over their rectangle.
#pragma once

#include "dx/texture.hpp"
#include "ui/widget.hpp"

namespace ui {

// Its size is set by the owner; the image is drawn stretched to it.
class texture : public widget {
 public:
  texture() = default;
  explicit texture(const dx::texture& image) : image(image) {}
  ~texture() = default;

  void draw(int x, int y) override;
  void update(int x, int y, const rect& clip) override;

  dx::texture image;
};

// The same, sized by the owner through set_size, which stores both.
class xtexture : public xwidget {
 public:
  xtexture() = default;
  explicit xtexture(const dx::texture& image) : image(image) {}
  ~xtexture() = default;

  void draw(int x, int y) override;
  void update(int x, int y, const rect& clip) override;

  dx::texture image;
};

// Draws image stretched into (x, y, x + width, y + height) with its
// transparency flag; nothing without an image or for one that did not load.
void draw_stretched(const dx::texture& image, int x, int y, int width, int height);

}  // namespace ui
