// The default font description, the font cache and the text style.
#include "ui/font.hpp"

#include <boost/functional/hash.hpp>

#include "media/graphics/drawstate.hpp"

namespace ui {

std::size_t font_spec_hash::operator()(const font_spec& description) const {
  std::size_t seed = 0;
  boost::hash_combine(seed, description.size);
  boost::hash_combine(seed, description.face);
  boost::hash_combine(seed, description.thickness);
  boost::hash_combine(seed, description.type);
  boost::hash_combine(seed, description.charset);
  return seed;
}

font_spec& default_font_spec() {
  static font_spec description{20, "meiryo", 9, 2, 1};
  return description;
}

font_cache::map& font_cache::get() {
  static map cache = [] {
    map m(11);
    m.max_load_factor(1.0f);
    return m;
  }();
  return cache;
}

boost::shared_ptr<font> font_cache::find_or_add(const font_spec& description, int handle) {
  map& cache = get();
  auto it = cache.find(description);
  if (it != cache.end()) return it->second;
  boost::shared_ptr<font> f(new font{handle, description});
  cache.emplace(description, f);
  return f;
}

void font_cache::erase(const font_spec& description) { get().erase(description); }

text_style::text_style() : colour(static_cast<int>(PackScreenColor(255, 255, 255))) {}

text_style& text_style::operator=(const text_style& o) {
  if (this == &o) return *this;
  boost::shared_ptr<ui::font> keep = o.font_;
  release_font();
  colour = o.colour;
  font_ = keep;
  return *this;
}

text_style::~text_style() { release_font(); }

int text_style::font_size() const { return font_ ? font_->description.size : default_font_spec().size; }

void text_style::release_font() {
  if (font_ && font_.use_count() == 2) {
    auto it = font_cache::get().find(font_->description);
    if (it != font_cache::get().end() && it->second == font_) font_cache::get().erase(it);
  }
  font_.reset();
}

}  // namespace ui
