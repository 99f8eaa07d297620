// The application object: its widgets, members and construction steps, and
// the errors of a script that cannot be compiled.
#include "tool/zentil/shared.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app_fixture.hpp"
#include "lib/basic_filesystem.hpp"
#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "media/graphics/present.hpp"
#include "tool/zentil/gprocess.hpp"

namespace {

using Shared = zentil_test::app_test;

TEST_F(Shared, ButtonsAndFormsHaveTheirSizesAndMargins) {
  build(zentil_test::idle_script);
  struct button_row {
    const char* name;
    ui::button<>& button;
    std::wstring caption;
    int inner_width;
  };
  const button_row buttons[] = {
      {"add", app->button_add, L"Add", 50},
      {"derive", app->button_derive, L"Derive", 100},
      {"refresh", app->button_refresh, L"Refresh", 100},
      {"search", app->button_search, L"Search", 100},
      {"make folder", app->button_make_folder, L"Make Folder", 100},
  };
  for (const button_row& r : buttons) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.button.caption_wstring(), r.caption);
    EXPECT_EQ(r.button.child().width, r.inner_width);
    EXPECT_EQ(r.button.width, r.inner_width + 10);
    EXPECT_EQ(r.button.height, 20);
    const ui::margins m = r.button.frame_margins();
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.bottom, 0);
    EXPECT_EQ(m.left, 5);
    EXPECT_EQ(m.right, 5);
    // the caption centred in the inner width (10 pixels a character here);
    // one wider than it starts at the left edge
    EXPECT_EQ(r.button.child().offset(), std::max(0, (r.inner_width - 10 * static_cast<int>(r.caption.size())) / 2));
  }
  for (ui::frame<ui::form>* f : {&app->form_tag, &app->form_search, &app->form_folder}) {
    EXPECT_EQ(f->width, 160);
    EXPECT_EQ(f->height, 20);
    EXPECT_EQ(f->child().width, 150);
    const ui::margins m = f->frame_margins();
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.bottom, 0);
    EXPECT_EQ(m.left, 5);
    EXPECT_EQ(m.right, 5);
    EXPECT_EQ(f->child().get_wtext(), L"");
  }
}

// Construction runs in declaration order; the interpreter is built last and
// destroyed first.
TEST_F(Shared, MembersInTheirOrder) {
  build(zentil_test::idle_script);
  const void* order[] = {&app->button_add,  &app->button_derive,  &app->button_refresh, &app->button_search,
                         &app->button_make_folder, &app->form_tag, &app->form_search, &app->form_folder,
                         &app->tags_dirty,  &app->wallpaper,      &app->skin,           &app->root_folder,
                         &app->tag_map,     &app->directory_map,  &app->interpreter};
  for (std::size_t i = 1; i < sizeof order / sizeof order[0]; ++i)
    EXPECT_LT(static_cast<const char*>(order[i - 1]), static_cast<const char*>(order[i])) << i;
}

TEST_F(Shared, ConstructionStepsDone) {
  build(zentil_test::idle_script);
  const std::wstring here = lib::basic_filesystem<wchar_t>::current_directory();
  EXPECT_FALSE(app->tags_dirty);
  EXPECT_EQ(app->root_folder, here + L"/root");
  ASSERT_FALSE(app->interpreter.include_directories().empty());
  EXPECT_EQ(app->interpreter.include_directories().back(), here);
  EXPECT_EQ(app->interpreter.root().natives().size(), 1u);
  try {
    app->interpreter.root().natives().define(L"open", [](plang::factor::vector&) { return plang::make_nil(); });
    ADD_FAILURE() << "open defined twice";
  } catch (const plang::exception& e) {
    EXPECT_STREQ(e.what(),
                 "plang/table/native(22) plang::table::native<wchar_t>::define: overwrite native function, id=open");
  }
  EXPECT_TRUE(app->tag_map.empty());
  EXPECT_TRUE(app->directory_map.empty());
}

TEST_F(Shared, ScriptsIncludeFilesOfTheWorkingFolder) {
  dir_.file("more.hpp", "process main(string path) { using::open(path); }\n");
  build("#include \"more.hpp\"\n");
  app->run_main(L"/x");
  ASSERT_EQ(shell.opens.size(), 1u);
  EXPECT_EQ(shell.opens[0].file, L"/x");
}

TEST_F(Shared, ScriptThatCannotBeCompiledThrowsFromTheConstructor) {
  const std::string dir = dir_.path();
  const std::string compile_failure =
      "plang/semantic/semantic(43) plang::semantic<wchar_t>::compile_this: compile failure, dir=" + dir +
      ", path=extension.hpp\n>\t";
  struct row {
    const char* name;
    std::optional<std::string> script;  // none: no "extension.hpp"
    std::string starts, ends;
  };
  const row rows[] = {
      {"missing", std::nullopt,
       "plang/semantic/semantic(67) plang::semantic<wchar_t>::compile_file: include failure, path=extension.hpp", ""},
      {"syntax error", "process main(string path) { using::open(path) }\n", compile_failure, ""},
      {"not code page 932", "process main(string path) { }\n// \x81", compile_failure, "lib/file/open"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    std::remove("extension.hpp");
    if (r.script) dir_.file("extension.hpp", *r.script);
    try {
      tool::zentil::shared object;
      ADD_FAILURE() << "no error";
    } catch (const plang::exception& e) {
      const std::string what = e.what();
      EXPECT_EQ(what.substr(0, r.starts.size()), r.starts) << what;
      if (r.ends.empty()) {
        if (!r.script) EXPECT_EQ(what, r.starts);
      } else {
        ASSERT_GE(what.size(), r.ends.size()) << what;
        EXPECT_EQ(what.substr(what.size() - r.ends.size()), r.ends) << what;
      }
    }
  }
}

// A screen drawing and updating one widget of the shared object.
template <class Widget>
class widget_screen : public tool::gprocess {
 public:
  widget_screen(Widget& w, int x, int y, int frames) : widget_(w), x_(x), y_(y), frames_(frames) {}
  void draw() override { widget_.draw(x_, y_); }
  void update() override {
    widget_.update(x_, y_, {0, 0, 800, 600});
    if (--frames_ == 0) flags |= finished;
  }

 private:
  Widget& widget_;
  int x_, y_, frames_;
};

TEST_F(Shared, BackgroundPictures) {
  build(zentil_test::idle_script);
  EXPECT_EQ(app->wallpaper.width, 0);
  EXPECT_EQ(app->wallpaper.height, 0);
  EXPECT_FALSE(app->wallpaper.image.image());
  EXPECT_EQ(app->skin.width, 800);
  EXPECT_EQ(app->skin.height, 600);
  ASSERT_TRUE(app->skin.image.image());
  EXPECT_GE(app->skin.image.graph(), 0);
  EXPECT_EQ(app->skin.image.image()->width, 48);
  EXPECT_EQ(app->skin.image.image()->height, 32);
  EXPECT_EQ(app->skin.image.image()->path, "skin/skin.jpg");
}

// Without a readable skin the object is built all the same and the skin
// draws nothing.
TEST_F(Shared, SkinThatCannotBeLoaded) {
  const std::string rows[] = {"", "not a picture", zentil_test::skin_bytes().substr(0, 2)};
  for (const std::string& bytes : rows) {
    SCOPED_TRACE(bytes.size());
    app.reset();
    std::filesystem::remove_all(dir_.at("skin"));
    if (!bytes.empty()) dir_.file("skin/skin.jpg", bytes);
    ASSERT_NO_THROW(build(zentil_test::idle_script));
    EXPECT_EQ(app->skin.width, 800);
    EXPECT_EQ(app->skin.image.graph(), -1);
    ClearDrawTarget();
    app->skin.draw(0, 0);
    FlipDrawScreen();
    const platform::headless::presented_frame& f = platform::headless::frame();
    std::uint32_t v = 0;
    std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(300) * f.pitch + 400 * 4, 4);
    EXPECT_EQ(v & 0xFFFFFF, 0u);
  }
}

// What is typed into the search form on one screen is there on the next.
TEST_F(Shared, TheSearchTextIsTheSameInEveryScreen) {
  build(zentil_test::idle_script);
  drive.click(50, 110).type(L"abc\n");
  widget_screen<ui::frame<ui::form>> first(app->form_search, 40, 100, 30);
  tool::gprocess::run(first);
  EXPECT_FALSE(app->form_search.child().is_editing());
  EXPECT_EQ(app->form_search.child().get_wtext(), L"abc");
  widget_screen<ui::frame<ui::form>> second(app->form_search, 400, 300, 1);
  tool::gprocess::run(second);
  EXPECT_EQ(app->form_search.child().get_wtext(), L"abc");
  // the text is drawn at the second screen's place
  const platform::headless::presented_frame& f = platform::headless::frame();
  int lit = 0;
  for (int y = 300; y < 320; ++y)
    for (int x = 405; x < 435; ++x) {
      std::uint32_t v = 0;
      std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
      if (((v >> 16) & 0xFF) > 0x80) ++lit;  // text, not the dark frame
    }
  EXPECT_GT(lit, 0);
}

}  // namespace
