// The copy screen: what each dropped entry becomes on disk and in the log,
// the tags of copied folders, the names that must reach the OS exactly, the
// layout on the string record and the frame, scrolling and "OK".
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "media/core/window_services.hpp"
#include "media/graphics/string_draw.hpp"
#include "platform/headless/headless.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"
#include "support/recording_shell.hpp"
#include "tool/zentil/p_drag.hpp"
#include "store_fixture.hpp"

namespace {

namespace fs = std::filesystem;
using tool::zentil::p_drag;

class CopyScreen : public zentil_test::store_test {
 protected:
  // The entries as the directory screen hands them over: the exact forms.
  static std::vector<ui::input::dropped_name> dropped(const std::vector<std::wstring>& exact) {
    std::vector<ui::input::dropped_name> out;
    for (const std::wstring& e : exact) {
      std::string narrow;
      platform::text::append_narrow(e.data(), e.size(), narrow);
      out.push_back({narrow, e});
    }
    return out;
  }

  // The wide path of a name in the temporary current folder.
  std::wstring at(const std::string& name) const { return platform::text::from_utf8(dir_.at(name)); }

  static bool exists(const std::wstring& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(platform::text::to_utf8(path), ec));
  }
  static std::string bytes(const std::wstring& path) {
    std::string b;
    return platform::fs::read_file(path, b) ? b : std::string("<missing>");
  }
  std::list<std::wstring> tags(const std::wstring& path) const {
    std::list<std::wstring> out;
    app->tags_of(path, out);
    return out;
  }

  // Frames of the screen's own loop until it ends or the steps run out.
  void run(p_drag& screen, int extra = 1) {
    drive.run([&] { screen.draw(); }, [&] { screen.update(); }, extra);
  }
};

TEST_F(CopyScreen, EachEntryIsCopiedAndLoggedInTheOrderGiven) {
  dir_.file("src/a.txt", "A");
  dir_.file("src/b.txt", "B");
  dir_.file("root/b.txt", "old");
  dir_.file("src/c.txt", "C");
  dir_.file("src/d.txt", "D");
  const std::wstring root = app->root_folder;
  shell.copy_faults[at("src/c.txt")] = support::recording_shell::copy_fault::cancel;
  shell.copy_faults[at("src/d.txt")] = support::recording_shell::copy_fault::fail;
  ASSERT_FALSE(app->changed);
  // the last dropped first: a.txt was dropped last
  p_drag screen(*app,
                dropped({at("src/a.txt"), at("src/b.txt"), at("src/gone.txt"), at("src/c.txt"), at("src/d.txt"),
                         root + L"/b.txt"}),
                root);
  const std::vector<std::wstring> expected = {
      L"copy to " + root + L"/a.txt",
      L"copy to " + root + L"/b (2).txt",
      L"*** copy failure ***" + at("src/gone.txt"),
      L"*** copy failure ***" + at("src/c.txt"),
      L"*** copy failure ***" + at("src/d.txt"),
      L"copy to " + root + L"/b (3).txt",  // dropped into the folder that holds it
  };
  EXPECT_EQ(screen.log_lines(), expected);
  EXPECT_EQ(bytes(root + L"/a.txt"), "A");
  EXPECT_EQ(bytes(root + L"/b.txt"), "old");
  EXPECT_EQ(bytes(root + L"/b (2).txt"), "B");
  EXPECT_EQ(bytes(root + L"/b (3).txt"), "old");
  EXPECT_FALSE(exists(root + L"/c.txt"));
  EXPECT_FALSE(exists(root + L"/d.txt"));
  EXPECT_FALSE(exists(root + L"/gone.txt"));
  EXPECT_EQ(screen.flags, 0u);
  // a drop taken marks the store changed, tags or none
  EXPECT_TRUE(app->changed);
}

// A drop of 1,200 names, more than the media layer holds: the 1,000 it
// holds are copied, and the log ends with the count of the rest.
TEST_F(CopyScreen, ADropPastTheHeldNamesEndsTheLogWithTheCountLeftOut) {
  std::vector<std::wstring> names;
  for (int i = 0; i < 1200; ++i) names.push_back(at("src/f" + std::to_string(i)));
  dir_.file("src/f999", "x");  // the rest do not exist: failure lines
  dir_.file("src/f1000", "y");
  SetDropFilesAccepted(1);
  drive.drop(names).frames(1);
  std::unique_ptr<p_drag> screen;
  drive.run([] {},
            [&] {
              std::vector<ui::input::dropped_name> taken;
              ui::input::dropped_names(taken);
              if (!screen && !taken.empty())
                screen = std::make_unique<p_drag>(*app, taken, app->root_folder, ui::input::dropped_names_left_out());
            });
  SetDropFilesAccepted(0);
  ASSERT_TRUE(screen);
  const std::vector<std::wstring>& lines = screen->log_lines();
  ASSERT_EQ(lines.size(), 1001u);
  EXPECT_EQ(lines[0], L"copy to " + app->root_folder + L"/f999");
  EXPECT_EQ(lines.back(), L"*** 200 entries of the drop not copied: one drop takes at most 1000 ***");
  EXPECT_EQ(p_drag::left_out_line(1), L"*** 1 entry of the drop not copied: one drop takes at most 1000 ***");
  EXPECT_FALSE(exists(app->root_folder + L"/f1000"));
}

// Sources the copy refuses, and a write that fails part-way, leave nothing
// behind in the target; the entries after them are still copied.
TEST_F(CopyScreen, RefusedSourcesLeaveNothingHalfCopied) {
  dir_.file("src/pipe_folder/first.txt", "1");
  ASSERT_EQ(::mkfifo(dir_.at("src/pipe_folder/pipe").c_str(), 0600), 0);
  dir_.file("src/full/one.txt", "1");
  dir_.file("src/full/two.txt", "2");
  dir_.file("root/inner/x.txt", "x");
  dir_.file("src/ok.txt", "ok");
  const std::wstring root = app->root_folder;
  platform::shell::fail_copy_write(2);  // the second chunk the first copy writes
  p_drag screen(*app,
                dropped({at("src/full"), at("src/pipe_folder"), root + L"/inner", root, at("src/ok.txt")}),
                root + L"/inner");
  const std::wstring inner = root + L"/inner";
  const std::vector<std::wstring> expected = {
      L"*** copy failure ***" + at("src/full"),
      L"*** copy failure ***" + at("src/pipe_folder"),
      L"*** copy failure ***" + inner,  // a folder into itself
      L"*** copy failure ***" + root,   // a folder into its own subfolder
      L"copy to " + inner + L"/ok.txt",
  };
  EXPECT_EQ(screen.log_lines(), expected);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(dir_.at("root/inner"))) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"ok.txt", "x.txt"}));
  EXPECT_FALSE(exists(root + L"/root"));
}

// Names whose last component would put the copy somewhere other than inside
// the target are refused without a copy.
TEST_F(CopyScreen, SourcesWithoutALastNameAreRefused) {
  dir_.file("src/x/y.txt", "y");
  const std::wstring root = app->root_folder;
  p_drag screen(*app, dropped({at("src/x/"), L"/", at("src/x/.."), at("src/x/.")}), root + L"");
  EXPECT_EQ(screen.destination_of(at("src/x/")), root + L"/x");
  EXPECT_EQ(screen.destination_of(L"plain"), root + L"/plain");
  EXPECT_EQ(screen.destination_of(at("src/x/..")), L"");
  const std::vector<std::wstring> expected = {
      L"copy to " + root + L"/x",
      L"*** copy failure ***/",
      L"*** copy failure ***" + at("src/x/.."),
      L"*** copy failure ***" + at("src/x/."),
  };
  EXPECT_EQ(screen.log_lines(), expected);
  EXPECT_EQ(bytes(root + L"/x/y.txt"), "y");
  std::vector<std::string> in_root;
  for (const auto& e : fs::directory_iterator(dir_.at("root"))) in_root.push_back(e.path().filename().string());
  EXPECT_EQ(in_root, (std::vector<std::string>{"x"}));
}

// A copied folder receives the tags of the target and of each ancestor up to
// the root folder, parent first; a copied file none; the source's own tags
// stay with the source.
TEST_F(CopyScreen, CopiedFoldersInheritTheirNewAncestorsTags) {
  const std::wstring root = app->root_folder;
  dir_.folder("root/t/u");
  dir_.file("src/f/inside.txt");
  dir_.file("src/g.txt");
  app->link_tag(root, L"top");
  app->link_tag(root + L"/t", L"middle");
  app->link_tag(root + L"/t/u", L"near");
  app->link_tag(at("src/f"), L"own");
  p_drag screen(*app, dropped({at("src/f"), at("src/g.txt")}), root + L"/t/u");
  EXPECT_EQ(screen.log_lines().size(), 2u);
  EXPECT_EQ(tags(root + L"/t/u/f"), (std::list<std::wstring>{L"near", L"middle", L"top"}));
  EXPECT_TRUE(tags(root + L"/t/u/g.txt").empty());
  EXPECT_TRUE(tags(root + L"/t/u/f/inside.txt").empty());
  EXPECT_EQ(tags(at("src/f")), (std::list<std::wstring>{L"own"}));
}

// A screen on a folder outside the root folder (as a search result opens
// it): the copy's inheritance ends at the top of the path.
TEST_F(CopyScreen, AFolderDroppedOutsideTheRootIsCopied) {
  dir_.folder("outside/place");
  dir_.file("src/f/inside.txt");
  app->link_tag(at("outside"), L"far");
  p_drag screen(*app, dropped({at("src/f")}), at("outside/place"));
  EXPECT_EQ(screen.log_lines(), (std::vector<std::wstring>{L"copy to " + at("outside/place/f")}));
  EXPECT_TRUE(exists(at("outside/place/f/inside.txt")));
  EXPECT_EQ(tags(at("outside/place/f")), (std::list<std::wstring>{L"far"}));
}

// A 1,000-byte path, an accented and a Japanese name, and a name holding
// the byte E9 alone are copied under exactly their names.
TEST_F(CopyScreen, ExactNamesReachTheDisk) {
  // folders of 200 bytes each until the path of the file is 1,000 bytes
  std::string deep = "src";
  while (dir_.at(deep).size() + 1 + 200 < 1000 - 20) deep += "/" + std::string(199, 'd');
  std::string long_name = dir_.at(deep) + "/";
  long_name += std::string(1000 - long_name.size(), 'L');
  ASSERT_EQ(long_name.size(), 1000u);
  fs::create_directories(dir_.at(deep));
  dir_.file(long_name.substr(dir_.path().size() + 1), "long");
  dir_.file("src/caf\xC3\xA9.txt", "cafe");
  dir_.file("src/\xE6\x97\xA5\xE6\x9C\xAC.txt", "nihon");
  dir_.file("src/e\xE9", "e9");
  const std::wstring root = app->root_folder;
  const std::wstring e9 = platform::text::from_utf8(dir_.at("src/e\xE9"));
  ASSERT_EQ(e9.back(), L'\xDCE9');
  p_drag screen(*app,
                dropped({platform::text::from_utf8(long_name), at("src/caf\xC3\xA9.txt"),
                         at("src/\xE6\x97\xA5\xE6\x9C\xAC.txt"), e9}),
                root);
  for (const std::wstring& line : screen.log_lines()) EXPECT_EQ(line.rfind(L"copy to ", 0), 0u) << line.size();
  EXPECT_EQ(bytes(root + L"/" + std::wstring(long_name.size() - long_name.rfind('/') - 1, L'L')), "long");
  EXPECT_EQ(bytes(root + L"/caf\u00E9.txt"), "cafe");
  EXPECT_EQ(bytes(root + L"/\u65E5\u672C.txt"), "nihon");
  EXPECT_EQ(bytes(root + L"/e\xDCE9"), "e9");
  std::string raw;
  EXPECT_TRUE(platform::fs::read_file(platform::text::from_utf8(dir_.at("root/e\xE9")), raw));
}

// The string record: the log at (136, 102) under the text clip, one line a
// row of 20 pixels, a line wider than 478 pixels continued on the next row,
// the accented name drawn as CP932 shows it, "OK" centred in its button.
TEST_F(CopyScreen, TheLayoutOfTheLog) {
  const std::wstring root = app->root_folder;
  dir_.file("src/caf\xC3\xA9.txt");
  const std::wstring wide_name = L"src/" + std::wstring(60, L'w');
  dir_.file(platform::text::to_utf8(wide_name));
  p_drag screen(*app, dropped({at("src/caf\xC3\xA9.txt"), at(platform::text::to_utf8(wide_name))}), root);

  EXPECT_EQ((std::vector<int>{screen.left, screen.top, screen.right, screen.bottom}),
            (std::vector<int>{134, 100, 666, 500}));
  ASSERT_TRUE(screen.content);
  EXPECT_EQ(screen.content->width, 532);
  EXPECT_EQ(screen.content->height, 400);
  const auto& children = screen.content->child().children();
  ASSERT_EQ(children.size(), 2u);
  const auto& log = children.front();
  const auto& ok = children.back();
  EXPECT_EQ((std::vector<int>{log.x, log.y, log.child->width, log.child->height}),
            (std::vector<int>{0, 0, 478 + 11, 324}));
  EXPECT_EQ((std::vector<int>{ok.x, ok.y, ok.child->width, ok.child->height}), (std::vector<int>{0, 325, 143, 20}));
  ASSERT_NE(screen.ok_button, nullptr);
  EXPECT_EQ(static_cast<ui::widget*>(screen.ok_button), ok.child.get());

  media::gfx::clear_drawn_strings();
  support::driver::frame([&] { screen.draw(); }, nullptr);
  const auto& drawn = media::gfx::drawn_strings();
  std::vector<std::string> lines;
  std::vector<int> xs, ys;
  for (const auto& s : drawn) {
    lines.push_back(s.text);
    xs.push_back(s.x);
    ys.push_back(s.y);
  }
  const std::string root8(root.begin(), root.end());  // an ASCII temporary folder
  // "copy to " + root + "/" is 8 + root + 1 characters of 10 pixels; 47 fit
  const std::string second = "copy to " + root8 + "/" + std::string(60, 'w');
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "copy to " + root8 + "/caf?.txt");
  EXPECT_EQ(lines[1], second.substr(0, 47));
  EXPECT_EQ(lines[2], second.substr(47));
  EXPECT_EQ(lines[3], "OK");
  EXPECT_EQ(xs[0], 136);
  EXPECT_EQ((std::vector<int>{ys[0], ys[1], ys[2]}), (std::vector<int>{102, 122, 142}));
  EXPECT_EQ(xs[3], 136 + 5 + (133 - 20) / 2);
  EXPECT_EQ(ys[3], 427);
  const RECT clip = drawn[0].area;
  EXPECT_EQ((std::vector<int>{clip.left, clip.top, clip.right, clip.bottom}),
            (std::vector<int>{136, 102, 614, 426}));
  // one frame for a person to look at, beside the test program
  const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / "copy-screen.png";
  EXPECT_EQ(platform::headless::dump_frame_png(platform::text::from_utf8(beside.string())), 0);
}

// Twenty files: 21 rows of 20 pixels in a view of 320 make the bar active;
// the log scrolls by the wheel and by dragging; "OK" ends the screen.
TEST_F(CopyScreen, ALongLogScrollsAndOkEndsTheScreen) {
  std::vector<std::wstring> names;
  for (int i = 0; i < 20; ++i) {
    const std::string name = "src/f" + std::to_string(i);
    dir_.file(name);
    names.push_back(at(name));
  }
  p_drag screen(*app, dropped(names), app->root_folder);
  EXPECT_EQ(screen.log_lines().size(), 20u);
  auto* log = static_cast<ui::scrolled<ui::textbox>*>(screen.content->child().children().front().child.get());
  EXPECT_EQ(log->content().height, 420);
  ui::scroll::vscroll& bar = log->bar().child();
  EXPECT_EQ(bar.visible, 320u);
  EXPECT_EQ(bar.total, 420u);

  drive.move(300, 200).wheel(-1);
  run(screen, 10);
  EXPECT_EQ(bar.target, 20u);
  EXPECT_EQ(bar.current, 20u);
  // the thumb's centre follows the pointer: at the bar's bottom, the end
  drive.drag(618, 110, 618, 425);
  run(screen, 10);
  EXPECT_EQ(bar.target, 100u);
  EXPECT_EQ(bar.current, 100u);
  EXPECT_EQ(screen.flags, 0u);

  drive.click(136 + 70, 437);
  run(screen);
  EXPECT_EQ(screen.flags & 1u, 1u);
}

}  // namespace
