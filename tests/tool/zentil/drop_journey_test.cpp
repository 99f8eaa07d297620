// Files dropped on a directory screen with the frame driver: the copy screen
// runs above the screen that took the drop, which is drawn beneath it but
// takes no input, until "OK" or the window's close; the rows are rebuilt
// after it. A search screen lets drops go.
#include <cstdlib>
#include <filesystem>
#include <list>
#include <string>
#include <vector>

#include "directory_fixture.hpp"
#include "media/core/window_services.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

namespace {

using zentil_test::directory_test;

class DropJourney : public directory_test {
 protected:
  void SetUp() override {
    directory_test::SetUp();
    SetDropFilesAccepted(1);
  }
  void TearDown() override { SetDropFilesAccepted(0); }

  static std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }
  std::wstring source(const std::string& name) const {
    const std::string p = dir_.at("src/" + name);
    return std::wstring(p.begin(), p.end());
  }
  std::vector<std::wstring> row_paths(const tool::zentil::p_directory& s) const {
    std::vector<std::wstring> out;
    if (s.rows)
      for (const auto& r : s.rows->rows) out.push_back(r.get_path());
    return out;
  }
  // Indices in the string record of the strings with this text.
  static std::vector<std::size_t> indices_of(const std::string& text) {
    std::vector<std::size_t> out;
    const auto& all = media::gfx::drawn_strings();
    for (std::size_t i = 0; i < all.size(); ++i)
      if (all[i].text == text) out.push_back(i);
    return out;
  }

  static constexpr int ok_x = 136 + 70, ok_y = 427 + 10;
};

// Two files dropped: two log lines, the last dropped first, drawn over the
// directory screen every frame; keys meant for the screen beneath do
// nothing; after "OK" the new entries are rows and the first row is selected.
TEST_F(DropJourney, ADropIsCopiedLoggedAndShownAfterOk) {
  file("b-old");
  file("d-old");
  dir_.file("src/a-new", "a");
  dir_.file("src/c-new", "c");
  auto screen = screen_on(root());
  drive.press(208);
  run(*screen);
  ASSERT_EQ(screen->rows->selection, 1u);
  media::gfx::clear_drawn_strings();

  drive.drop({source("c-new"), source("a-new")}).frames(2);
  drive.press(14).press(18).frames(2);  // Backspace and E: not for the screen beneath
  drive.click(ok_x, ok_y).frames(1);
  run(*screen, 2);

  const std::string first = "copy to " + narrow(wat(L"a-new"));
  const std::string second = "copy to " + narrow(wat(L"c-new"));
  const std::vector<drawn> firsts = strings(first), seconds = strings(second);
  ASSERT_GE(firsts.size(), 4u);
  EXPECT_EQ(firsts.size(), seconds.size());
  for (const drawn& d : firsts) EXPECT_EQ(std::make_pair(d.x, d.y), std::make_pair(136, 102));
  for (const drawn& d : seconds) EXPECT_EQ(std::make_pair(d.x, d.y), std::make_pair(136, 122));
  // every copy frame draws the directory's title before the log
  const std::string title = "directory > " + narrow(root());
  for (std::size_t i : indices_of(first)) {
    const auto& all = media::gfx::drawn_strings();
    std::size_t j = i;
    while (j > 0 && all[j].text != title) --j;
    EXPECT_EQ(all[j].text, title);
    EXPECT_GT(i - j, 0u);
    EXPECT_LT(i - j, 20u);
  }
  EXPECT_EQ(screen->flags, 0u);
  EXPECT_TRUE(shell.opens.empty());
  EXPECT_EQ(row_paths(*screen), (std::vector<std::wstring>{wat(L"a-new"), wat(L"b-old"), wat(L"c-new"), wat(L"d-old")}));
  EXPECT_EQ(screen->rows->selection, 0u);
  EXPECT_TRUE(std::filesystem::exists(at("a-new")));
  // the screen takes keys again
  drive.press(208);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 1u);
}

// A search screen takes no drop: nothing is copied and the names are gone
// after that frame.
TEST_F(DropJourney, ASearchScreenLetsDropsGo) {
  folder("tagged");
  app->link_tag(wat(L"tagged"), L"t");
  dir_.file("src/x", "x");
  auto screen = search_for(L"t");
  drive.drop({source("x")});
  int offered = -1;
  drive.run([&] { screen->draw(); },
            [&] {
              if (GetDroppedFileCount() > 0) offered = GetDroppedFileCount();
              screen->update();
            });
  EXPECT_EQ(offered, 1);
  EXPECT_EQ(GetDroppedFileCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(at("x")));
  EXPECT_FALSE(std::filesystem::exists(at("tagged/x")));
  EXPECT_TRUE(strings("copy to " + narrow(wat(L"x"))).empty());
  EXPECT_EQ(row_paths(*screen), (std::vector<std::wstring>{wat(L"tagged")}));
}

// Over a nested folder screen the copy goes into that folder and only that
// screen is drawn beneath the log; after "OK" it lists the copy, and
// Backspace still returns to the outer screen.
TEST_F(DropJourney, OverANestedScreenOnlyThatScreenIsDrawnBeneath) {
  folder("sub");
  file("z");
  dir_.file("src/n", "n");
  auto screen = screen_on(root());
  drive.press(28).frames(2);  // Enter on "sub"
  drive.drop({source("n")}).frames(2);
  drive.click(ok_x, ok_y).frames(2);
  drive.press(14).frames(2);
  run(*screen, 2);

  const std::string line = "copy to " + narrow(wat(L"sub/n"));
  const std::vector<std::size_t> lines = indices_of(line);
  ASSERT_GE(lines.size(), 2u);
  const std::string outer = "directory > " + narrow(root());
  const std::string inner = "directory > " + narrow(wat(L"sub"));
  const auto& all = media::gfx::drawn_strings();
  bool inner_seen = false;
  for (std::size_t i = lines.front(); i <= lines.back(); ++i) {
    EXPECT_NE(all[i].text, outer) << i;
    inner_seen = inner_seen || all[i].text == inner;
  }
  EXPECT_TRUE(inner_seen);
  EXPECT_TRUE(std::filesystem::exists(at("sub/n")));
  // the nested screen listed "n" after the copy, before Backspace
  EXPECT_FALSE(strings("n").empty());
  EXPECT_EQ(title_runs().back(), outer);
  EXPECT_EQ(screen->flags, 0u);
}

// A screen on a folder outside the root folder (as Enter on a search
// result opens it): a folder dropped there is copied, its inheritance ends,
// and the screen goes on.
TEST_F(DropJourney, AFolderDroppedOutsideTheRootIsCopiedAndTheScreenGoesOn) {
  dir_.folder("outside/place");
  dir_.file("src/f/inside", "i");
  app->link_tag(std::wstring(dir_.wpath()) + L"/outside", L"far");
  const std::wstring place = dir_.wpath() + L"/outside/place";
  auto screen = screen_on(place);
  drive.drop({source("f")}).frames(2);
  drive.click(ok_x, ok_y).frames(2);
  run(*screen, 2);
  EXPECT_TRUE(std::filesystem::exists(dir_.at("outside/place/f/inside")));
  EXPECT_EQ(row_paths(*screen), (std::vector<std::wstring>{place + L"/f"}));
  std::list<std::wstring> tags;
  app->tags_of(place + L"/f", tags);
  EXPECT_EQ(tags, (std::list<std::wstring>{L"far"}));
  EXPECT_EQ(screen->flags, 0u);
}

// The window's close ends the copy screen and then every loop; no frame is
// drawn after it. In a process of its own, since a close is for good.
// A directory screen that closes the window while it is drawn beneath the
// copy screen for the third time.
class closing_screen : public tool::zentil::p_directory {
 public:
  using p_directory::p_directory;
  void draw() override {
    p_directory::draw();
    if (tool::zentil::run_child_screens().empty() || ++beneath != 3) return;
    platform::os_event close;
    close.kind = platform::event_kind::close;
    platform::headless::push_event(close);
  }
  int beneath = 0;
};

int close_during_the_copy(tool::zentil::shared& app, const std::wstring& root, const std::string& line) {
  closing_screen screen(app, root, false);
  media::gfx::clear_drawn_strings();
  tool::gprocess::run(screen);
  const auto& all = media::gfx::drawn_strings();
  int logged = 0;
  for (const auto& d : all) logged += d.text == line;
  if (logged != 3) return 1;
  // the last frame drawn was the copy screen's third ("OK" last)
  if (all.back().text != "OK") return 2;
  if (ui::input::update()) return 3;
  return std::filesystem::exists(std::filesystem::path(std::string(root.begin(), root.end())) / "q") ? 0 : 4;
}

TEST_F(DropJourney, TheWindowsCloseEndsTheCopyScreen) {
  dir_.file("src/q", "q");
  drive.drop({source("q")});
  EXPECT_EXIT(std::exit(close_during_the_copy(*app, root(), "copy to " + narrow(wat(L"q")))),
              ::testing::ExitedWithCode(0), "");
}

}  // namespace
