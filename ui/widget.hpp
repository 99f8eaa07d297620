// The base of every widget: a size, and draw and update at a position the
// parent passes down each frame (a widget keeps no position of its own).
#pragma once

#include "ui/rect.hpp"

namespace ui {

class widget {
 public:
  int width = 0;
  int height = 0;

  // Draws with the top-left corner at (x, y).
  virtual void draw(int x, int y);
  // This frame's input for the widget drawn at (x, y); clip is the part of
  // the screen in which it is visible.
  virtual void update(int x, int y, const rect& clip);

 protected:
  widget() = default;
  widget(int w, int h) : width(w), height(h) {}
  widget(const widget&) = default;
  widget& operator=(const widget&) = default;
  // Owners hold widgets through shared pointers made from the concrete
  // class, so nothing deletes through this base.
  ~widget() = default;
};

// A widget whose owner may set its size.
class xwidget : public widget {
 public:
  virtual void set_size(int width, int height);

 protected:
  xwidget() = default;
  xwidget(const xwidget&) = default;
  xwidget& operator=(const xwidget&) = default;
  ~xwidget() = default;
};

}  // namespace ui
