// The single-line text widget: code page 932 text in a style, as wide as it
// measures and as high as its font; text_fit cuts a value to a width limit
// with "...".
#pragma once

#include <sstream>
#include <string>

#include "ui/font.hpp"
#include "ui/widget.hpp"

namespace ui {

class text : public widget {
 public:
  text();
  // From wide text (a character code page 932 lacks becomes '?').
  explicit text(const std::wstring& s, const text_style& style = text_style());
  text(const text& o) = default;
  text& operator=(const text& o) = default;
  ~text() = default;

  // The literal's bytes unchanged (captions such as "Add" or "<タグリスト>").
  static text text_from_chars(const char* literal, const text_style& style = text_style());
  // Any value a wide stream can write, fitted to limit: while the measured
  // width is not below limit, one more character is removed from the end
  // and "..." shown after the rest ("..." alone once nothing is left).
  template <class T>
  static text text_fit(const T& value, unsigned limit, const text_style& style = text_style()) {
    std::wostringstream out;
    out << value;
    return fit(out.str(), limit, style);
  }

  void draw(int x, int y) override { draw_at(x, y); }
  void draw_at(int x, int y) const;

  const std::string& str() const { return text_; }
  const text_style& style() const { return style_; }
  std::wstring to_wstring() const;

 private:
  text(std::string narrow, const text_style& style);
  static text fit(std::wstring work, unsigned limit, const text_style& style);
  void measure();

  std::string text_;
  text_style style_;
};

}  // namespace ui
