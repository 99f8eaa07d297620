// The text widget and the fit-to-width loop.
#include "ui/text.hpp"

#include <utility>

#include "lib/string.hpp"
#include "ui/drawing.hpp"

namespace ui {

text::text() : text(std::string(), text_style()) {}

text::text(const std::wstring& s, const text_style& style)
    : text(lib::string::convert<std::string>(s), style) {}

text::text(std::string narrow, const text_style& style) : text_(std::move(narrow)), style_(style) { measure(); }

text text::text_from_chars(const char* literal, const text_style& style) {
  return text(lib::string::convert<std::string>(literal), style);
}

text text::fit(std::wstring work, unsigned limit, const text_style& style) {
  std::string shown = lib::string::convert<std::string>(work);
  while (!work.empty()) {
    if (static_cast<unsigned>(string_width(shown, style.font())) < limit) break;
    work.pop_back();
    lib::string::convert_into(work + L"...", shown);
  }
  return text(std::move(shown), style);
}

void text::measure() {
  width = string_width(text_, style_.font());
  height = style_.font_size();
}

void text::draw_at(int x, int y) const { draw_string(text_, style_.colour, x, y, style_.font()); }

std::wstring text::to_wstring() const { return lib::string::convert<std::wstring>(text_); }

}  // namespace ui
