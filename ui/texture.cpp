// The texture widgets.
#include "ui/texture.hpp"

#include "media/graphics/draw.hpp"

namespace ui {

void draw_stretched(const dx::texture& image, int x, int y, int width, int height) {
  // a file that did not load left handle -1, which the media layer refuses;
  // skipping it keeps the refusal out of the log
  if (image.graph() < 0) return;
  DrawGraphStretched(x, y, x + width, y + height, image.graph(), image.transparent);
}

void texture::draw(int x, int y) { draw_stretched(image, x, y, width, height); }
void texture::update(int, int, const rect&) {}

void xtexture::draw(int x, int y) { draw_stretched(image, x, y, width, height); }
void xtexture::update(int, int, const rect&) {}

}  // namespace ui
