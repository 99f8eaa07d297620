// Multi-line text: xtextbox is a growing log of fixed width that wraps at its
// width and breaks at '\n'; textbox is a read-only snapshot of one.
#pragma once

#include <list>
#include <string>

#include "ui/font.hpp"
#include "ui/text.hpp"
#include "ui/widget.hpp"

namespace ui {

class basic_textbox {
 public:
  using line = std::list<text>;
  using lines = std::list<line>;

  // Each line's pieces left to right; the next line at y + factor x the
  // line's tallest piece, truncated toward zero line by line.
  virtual void draw_lines(int x, int y, const lines& all, double factor) const;

 protected:
  basic_textbox() = default;
  basic_textbox(const basic_textbox&) = default;
  basic_textbox& operator=(const basic_textbox&) = default;
  ~basic_textbox() = default;
};

class xtextbox : public xwidget, public basic_textbox {
 public:
  // Height 0, though it holds one empty line.
  xtextbox(int width, double factor);

  // Character by character: '\n' starts a new line, a character that does
  // not fit goes to a new line, one wider than the whole box is dropped.
  void append_text(const std::wstring& s);
  // Always throws std::out_of_range "xtextbox::set_size : illegal method".
  void set_size(int width, int height) override;
  void draw(int x, int y) override { draw_lines(x, y, lines_, factor_); }

  const lines& all_lines() const { return lines_; }
  double factor() const { return factor_; }
  // The tallest piece's height x factor, truncated.
  int line_height(const line& l) const;
  static int line_width(const line& l);

 private:
  void new_line();
  bool add_char(wchar_t c);
  int total_height() const;

  text_style style_;
  lines lines_;
  double factor_;
};

class textbox : public widget, public basic_textbox {
 public:
  // Width, height, lines and factor as the box has them now.
  explicit textbox(const xtextbox& box);
  void draw(int x, int y) override { draw_lines(x, y, lines_, factor_); }

  const lines& all_lines() const { return lines_; }

 private:
  lines lines_;
  double factor_;
};

}  // namespace ui
