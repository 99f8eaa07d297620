// Font descriptions, the default one, the text style a text widget carries,
// and the cache that keeps a font alive while a style uses it.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

#include <boost/shared_ptr.hpp>

namespace ui {

// A font in the media layer's terms: pixel size, face, stroke thickness,
// type bits (bit 0 edge, bit 1 anti-aliasing), character-set code.
struct font_spec {
  int size;
  std::string face;
  int thickness;
  int type;
  int charset;
  bool operator==(const font_spec& o) const {
    return size == o.size && face == o.face && thickness == o.thickness && type == o.type && charset == o.charset;
  }
};

struct font_spec_hash {
  std::size_t operator()(const font_spec& description) const;
};

// {20, "meiryo", 9, 2, 1} until the wrapper applies another description.
font_spec& default_font_spec();

// A media-layer font handle with the description it was made from.
struct font {
  int handle = -1;
  font_spec description;
};

// Fonts by description. A font lives only while a style uses it: a style
// letting go of one of the last two references (the cache's and its own)
// erases the entry first.
class font_cache {
 public:
  using map = std::unordered_map<font_spec, boost::shared_ptr<font>, font_spec_hash>;
  static map& get();
  // The cached font of description; made with handle when there is none.
  static boost::shared_ptr<font> find_or_add(const font_spec& description, int handle);
  static void erase(const font_spec& description);
};

// A colour (a screen pixel value) and a font; no font means the media
// layer's default font. The default style is white.
class text_style {
 public:
  text_style();
  text_style(int colour, const boost::shared_ptr<font>& f) : colour(colour), font_(f) {}
  text_style(const text_style& o) = default;
  text_style& operator=(const text_style& o);
  ~text_style();

  const boost::shared_ptr<ui::font>& font() const { return font_; }
  // The style's font size, else the default font's.
  int font_size() const;
  bool same_as(const text_style& o) const { return colour == o.colour && font_ == o.font_; }

  int colour;

 private:
  void release_font();
  boost::shared_ptr<ui::font> font_;
};

}  // namespace ui
