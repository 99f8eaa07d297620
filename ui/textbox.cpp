// Text boxes: the growing log and its snapshot.
#include "ui/textbox.hpp"

#include <algorithm>

#include "ui/drawing.hpp"
#include "ui/error.hpp"

namespace ui {

void basic_textbox::draw_lines(int x, int y, const lines& all, double factor) const {
  int yc = y;
  for (const line& l : all) {
    int xc = x, tallest = 0;
    for (const text& piece : l) {
      piece.draw_at(xc, yc);
      xc += piece.width;
      tallest = std::max(tallest, piece.height);
    }
    yc = static_cast<int>(yc + factor * tallest);
  }
}

xtextbox::xtextbox(int w, double factor) : factor_(factor) {
  width = w;
  height = 0;
  new_line();
}

void xtextbox::new_line() { lines_.push_back(line{text::text_from_chars("", style_)}); }

int xtextbox::line_height(const line& l) const {
  int tallest = 0;
  for (const text& piece : l) tallest = std::max(tallest, piece.height);
  return static_cast<int>(tallest * factor_);
}

int xtextbox::line_width(const line& l) {
  int sum = 0;
  for (const text& piece : l) sum += piece.width;
  return sum;
}

int xtextbox::total_height() const {
  int sum = 0;
  for (const line& l : lines_) sum += line_height(l);
  return sum;
}

bool xtextbox::add_char(wchar_t c) {
  const std::wstring one(1, c);
  const int cw = wstring_width(one, style_);
  line& last = lines_.back();
  if (width < line_width(last) + cw) return false;
  if (!last.empty() && last.back().style().same_as(style_))
    last.back() = text(last.back().to_wstring() + one, style_);
  else
    last.push_back(text(one, style_));
  return true;
}

void xtextbox::append_text(const std::wstring& s) {
  for (const wchar_t c : s) {
    if (c == L'\n') {
      new_line();
      continue;
    }
    if (add_char(c)) continue;
    new_line();
    add_char(c);  // refused again: wider than the box, dropped
  }
  height = total_height();
}

void xtextbox::set_size(int, int) { fail_out_of_range("xtextbox::set_size : illegal method"); }

textbox::textbox(const xtextbox& box) : lines_(box.all_lines()), factor_(box.factor()) {
  width = box.width;
  height = box.height;
}

}  // namespace ui
