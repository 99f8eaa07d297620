// The directory screen's layout with and without rows, in both modes: the
// places of its widgets from the string record, frames, thumb and icons from
// the pixels; the title; the order of the rows.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "directory_fixture.hpp"
#include "platform/shell/shell.hpp"
#include "ui/text.hpp"

namespace {

using zentil_test::directory_test;

class DirectoryLayout : public directory_test {
 protected:
  // Screens here are drawn on black: no skin picture.
  void SetUp() override {
    std::filesystem::remove(dir_.at("skin/skin.jpg"));
    directory_test::SetUp();
  }
  // The row names of the frame show() drew.
  static std::vector<std::string> row_names() { return row_names_of(media::gfx::drawn_strings()); }
};

TEST_F(DirectoryLayout, WithRows) {
  for (const char* name : {"f0", "f1", "f2", "f3", "f4", "f5", "f6"}) file(name);
  auto screen = screen_on(root());
  show(*screen);
  // five rows at a pitch of 93, names at (x + 10, y + 52)
  EXPECT_EQ(row_names(), (std::vector<std::string>{"f0", "f1", "f2", "f3", "f4"}));
  EXPECT_EQ(place_of("f0"), std::make_pair(20, 62));
  EXPECT_EQ(place_of("f4"), std::make_pair(20, 10 + 4 * 93 + 52));
  // the selected row's frame in (52, 52, 52), the others in (16, 16, 16)
  EXPECT_EQ(frame_pixel(10, 50), grey(52));
  EXPECT_EQ(frame_pixel(358, 50), grey(52));
  EXPECT_EQ(frame_pixel(10, 10 + 93 + 40), grey(16));
  EXPECT_EQ(frame_pixel(10, 10 + 4 * 93 + 40), grey(16));
  // the bar frame at (379, 10), 11 x 464, and the thumb of seven rows, 328 high
  EXPECT_EQ(frame_pixel(379, 200), grey(52));
  EXPECT_EQ(frame_pixel(389, 200), grey(52));
  EXPECT_EQ(frame_pixel(384, 12), grey(129));
  EXPECT_EQ(frame_pixel(384, 12 + 327), grey(129));
  EXPECT_NE(frame_pixel(384, 12 + 328), grey(129));
  // the rows' area narrowed by the active bar's frame
  const std::vector<drawn> f0 = strings("f0");
  ASSERT_EQ(f0.size(), 1u);
  EXPECT_EQ(f0[0].area.left, 10);
  EXPECT_EQ(f0[0].area.top, 10);
  EXPECT_EQ(f0[0].area.right, 379);
  EXPECT_EQ(f0[0].area.bottom, 474);
  // the buttons and forms below the list, the title at the bottom
  EXPECT_EQ(place_of("Refresh"), std::make_pair(30, 484));
  EXPECT_EQ(place_of("Search"), std::make_pair(205, 514));
  EXPECT_EQ(place_of("Make Folder"), std::make_pair(185, 544));
  const std::string title = "directory > " + std::string(root().begin(), root().end());
  EXPECT_EQ(place_of(title), std::make_pair(20, 570));
  EXPECT_EQ(frame_pixel(10, 580), grey(52));
  // a file row: its icon's opaque inside at (x + 10 + 8, y + 10 + 8); no "Add"
  EXPECT_EQ(frame_pixel(28, 28), 0xFFFFFFu);
  // its transparent corner leaves the row's inside as it was
  EXPECT_NE(frame_pixel(15, 20), 0u);
  EXPECT_EQ(frame_pixel(20, 20), frame_pixel(15, 20));
  EXPECT_TRUE(strings("Add").empty());
  EXPECT_TRUE(strings("Derive").empty());
  // the tag list of the selected row at (400, 10)
  EXPECT_EQ(frame_pixel(400, 40), grey(52));
  EXPECT_EQ(place_of(ui::text::text_from_chars("<タグリスト>").str()), std::make_pair(410, 41));
}

TEST_F(DirectoryLayout, AFewRowsLeaveTheBarIdleAndASelectedFolderShowsItsWidgets) {
  folder("dir");
  file("file");
  auto screen = screen_on(root());
  show(*screen);
  EXPECT_EQ(row_names(), (std::vector<std::string>{"dir", "file"}));
  EXPECT_EQ(frame_pixel(379, 200), grey(52));  // drawn, inactive
  EXPECT_NE(frame_pixel(384, 12), grey(129));
  const std::vector<drawn> name = strings("file");
  ASSERT_EQ(name.size(), 1u);
  EXPECT_EQ(name[0].area.right, 390);  // the whole list
  // the folder icon's front at (x + 10 + 10, y + 10 + 20)
  EXPECT_EQ(frame_pixel(30, 40), 0xF7CD6Au);
  // "Add" at (x + 52, y + 10), the tag form after it, "Derive" at (x + 52, y + 32)
  EXPECT_EQ(place_of("Add"), std::make_pair(10 + 52 + 5 + 10, 20));
  EXPECT_EQ(place_of("Derive"), std::make_pair(10 + 52 + 5 + 20, 42));
  EXPECT_EQ(frame_pixel(10 + 52, 30), grey(52));         // "Add"'s frame
  EXPECT_EQ(frame_pixel(10 + 62 + 60, 30), grey(52));    // the tag form's frame
  EXPECT_EQ(frame_pixel(10 + 52, 42 + 10), grey(52));    // "Derive"'s frame
}

// A row half scrolled out: its icon is cut at the list's top edge.
TEST_F(DirectoryLayout, AnIconIsCutAtTheListsEdge) {
  for (const char* name : {"f0", "f1", "f2", "f3", "f4", "f5", "f6"}) file(name);
  auto screen = screen_on(root());
  auto& bar = screen->rows->bar->child();
  bar.current = bar.target = 20;
  show(*screen);
  // the icon's top-left corner at (20, 0): its rows above y = 10 are not drawn
  EXPECT_EQ(frame_pixel(28, 12), 0xFFFFFFu);
  EXPECT_EQ(frame_pixel(28, 10), 0xFFFFFFu);
  EXPECT_EQ(frame_pixel(28, 9), 0u);
  EXPECT_EQ(frame_pixel(28, 4), 0u);
  // the name of the row below the list's bottom edge is drawn only inside it
  const std::vector<drawn> f5 = strings("f5");
  ASSERT_EQ(f5.size(), 1u);
  EXPECT_EQ(f5[0].y, 10 - 20 + 5 * 93 + 52);
  EXPECT_EQ(f5[0].area.bottom, 474);
}

TEST_F(DirectoryLayout, WithoutRows) {
  auto screen = screen_on(root());
  show(*screen);
  EXPECT_EQ(place_of("empty directory"), std::make_pair(20, 10));
  EXPECT_EQ(frame_pixel(10, 20), grey(52));
  EXPECT_EQ(place_of("Refresh"), std::make_pair(30, 40));
  EXPECT_EQ(place_of("Search"), std::make_pair(205, 70));
  EXPECT_EQ(place_of("Make Folder"), std::make_pair(185, 100));
  EXPECT_TRUE(strings(ui::text::text_from_chars("<タグリスト>").str()).empty());
  EXPECT_EQ(frame_pixel(400, 40), 0u);
}

TEST_F(DirectoryLayout, SearchMode) {
  for (const char* name : {"x", "y", "z"}) folder(name);
  app->link_tag(wat(L"z"), L"t");
  app->link_tag(wat(L"x"), L"t");
  app->link_tag(wat(L"y"), L"u");
  auto screen = search_for(L"t");
  show(*screen);
  // link order, not name order
  EXPECT_EQ(row_names(), (std::vector<std::string>{"z", "x"}));
  EXPECT_EQ(place_of("search > t"), std::make_pair(20, 570));
  EXPECT_EQ(place_of("Search"), std::make_pair(205, 514));
  EXPECT_TRUE(strings("Make Folder").empty());
  // E does nothing here
  drive.press(18);
  run(*screen);
  EXPECT_TRUE(shell.opens.empty());

  auto nothing = search_for(L"none");
  show(*nothing);
  EXPECT_EQ(place_of("empty search result"), std::make_pair(20, 10));
  EXPECT_EQ(place_of("Refresh"), std::make_pair(30, 40));
  EXPECT_TRUE(strings("Make Folder").empty());
}

TEST_F(DirectoryLayout, RowsInNameOrder) {
  for (const char* name : {"b", "_x", "9", "a", ".dotfile", "A", "10", "\xE6\x97\xA5\xE6\x9C\xAC"}) file(name);
  auto screen = screen_on(root());
  std::vector<std::wstring> paths;
  for (const auto& row : screen->rows->rows) paths.push_back(row.get_path());
  std::vector<std::wstring> expected;
  for (const wchar_t* name : {L".dotfile", L"10", L"9", L"A", L"a", L"b", L"_x", L"\u65e5\u672c"})
    expected.push_back(wat(name));
  EXPECT_EQ(paths, expected);
}

TEST_F(DirectoryLayout, TitleShortenedAndCut) {
  // short: the path as given
  auto short_screen = screen_on(root());
  EXPECT_EQ(short_screen->title->child().to_wstring(), L"directory > " + root());
  EXPECT_EQ(short_screen->title->width, short_screen->title->child().width + 20);

  // shortened: leading components give way until it is below 780
  const std::string a(30, 'a'), b(30, 'b'), c(30, 'c');
  folder(a + "/" + b + "/" + c);
  const std::wstring wa(a.begin(), a.end()), wb(b.begin(), b.end()), wc(c.begin(), c.end());
  auto shortened = screen_on(wat(wa + L"/" + wb + L"/" + wc));
  EXPECT_EQ(shortened->title->child().to_wstring(), L"directory > .../" + wb + L"/" + wc);
  EXPECT_LT(shortened->title->child().width, 780);

  // cut: the last component alone is too wide; fitted to 266 with "..."
  const std::string d(100, 'd');
  folder(d);
  auto cut = screen_on(wat(std::wstring(d.begin(), d.end())));
  const std::wstring t = cut->title->child().to_wstring();
  EXPECT_EQ(t.substr(0, 16), L"directory > .../");
  EXPECT_EQ(t.substr(t.size() - 3), L"...");
  EXPECT_LT(cut->title->child().width, 266);
  EXPECT_GE(cut->title->child().width, 256);

  // a refresh keeps the title
  file(a + "/new");
  auto before = shortened->title->child().to_wstring();
  shortened->refresh();
  EXPECT_EQ(shortened->title->child().to_wstring(), before);
}

TEST_F(DirectoryLayout, TagListOfTheSelectedRow) {
  folder("tagged");
  for (const wchar_t* tag : {L"tag01", L"tag02", L"tag03", L"tag04", L"tag05"}) app->link_tag(wat(L"tagged"), tag);
  auto screen = screen_on(root());
  show(*screen);
  EXPECT_EQ(screen->shown, wat(L"tagged"));
  // framed with margins 10 at (400, 10); the caption, cut from the front to
  // below 266, at (410, 20)
  EXPECT_EQ(frame_pixel(400, 30), grey(52));
  const std::vector<std::string> first_line = texts_at_y(20);
  ASSERT_FALSE(first_line.empty());
  EXPECT_EQ(first_line.back().substr(0, 4), ".../");
  EXPECT_NE(first_line.back().find("tagged"), std::string::npos);
  EXPECT_EQ(place_of(first_line.back()), std::make_pair(410, 20));
  EXPECT_EQ(place_of(ui::text::text_from_chars("<タグリスト>").str()), std::make_pair(410, 41));
  // buttons 60 wide with ", " (20) between, wrapped at 266 with a line gap of 1
  EXPECT_EQ(place_of("tag01"), std::make_pair(415, 62));
  EXPECT_EQ(place_of("tag02"), std::make_pair(415 + 80, 62));
  EXPECT_EQ(place_of("tag03"), std::make_pair(415 + 160, 62));
  EXPECT_EQ(place_of("tag04"), std::make_pair(415, 83));
  EXPECT_EQ(place_of("tag05"), std::make_pair(415 + 80, 83));
  EXPECT_EQ(strings(", ").size(), 4u);
  EXPECT_EQ(screen->tag_buttons.size(), 5u);
  EXPECT_FALSE(app->tags_dirty);
}

TEST_F(DirectoryLayout, TagListBuiltAgainOnlyForAnotherPathOrWhenDirty) {
  folder("a");
  folder("b");
  app->link_tag(wat(L"a"), L"ta");
  app->link_tag(wat(L"b"), L"tb");
  auto screen = screen_on(root());
  show(*screen);
  // held here, so a new list cannot take the old one's address
  const auto first = screen->tag_list;
  ASSERT_TRUE(first);
  show(*screen);
  EXPECT_EQ(screen->tag_list, first);  // same path: kept
  EXPECT_EQ(place_of("ta"), std::make_pair(415, 62));
  app->tags_dirty = true;
  show(*screen);
  EXPECT_NE(screen->tag_list, first);
  EXPECT_FALSE(app->tags_dirty);
  drive.press(208);
  run(*screen);
  show(*screen);
  EXPECT_EQ(screen->shown, wat(L"b"));
  EXPECT_EQ(place_of("tb"), std::make_pair(415, 62));
  EXPECT_TRUE(strings("ta").empty());
}

TEST_F(DirectoryLayout, APathCdCannotReachThrows) {
  try {
    screen_on(wat(L"no-such-folder"));
    ADD_FAILURE() << "no throw";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "directory doen't exist.");
  }
}

}  // namespace

namespace {

// A 2 x 2 picture of one colour, as a 24-bit BMP file.
std::string solid_bmp(int red, int green, int blue) {
  std::string b;
  auto u16 = [&b](int v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>((v >> 8) & 0xFF);
  };
  auto u32 = [&u16](int v) {
    u16(v & 0xFFFF);
    u16((v >> 16) & 0xFFFF);
  };
  const int row = 8, size = 54 + 2 * row;
  b += "BM";
  u32(size);
  u32(0);
  u32(54);
  u32(40);
  u32(2);
  u32(2);
  u16(1);
  u16(24);
  u32(0);
  u32(2 * row);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) {
      b += static_cast<char>(blue);
      b += static_cast<char>(green);
      b += static_cast<char>(red);
    }
    b += std::string(2, '\0');
  }
  return b;
}

class DirectoryBackdrop : public directory_test {
 protected:
  void SetUp() override {
    dir_.file("skin/skin.jpg", solid_bmp(200, 100, 40));
    dir_.file("wall.bmp", solid_bmp(40, 80, 240));
    directory_test::SetUp();
  }
};

// The wallpaper at (0, 0) stretched over the screen, then the skin over it
// at three quarters (parameter 191).
TEST_F(DirectoryBackdrop, WallpaperThenTheSkinAtThreeQuarters) {
  auto screen = screen_on(root());
  show(*screen);
  auto near = [](std::uint32_t pixel, int r, int g, int b) {
    const int pr = static_cast<int>(pixel >> 16 & 0xFF), pg = static_cast<int>(pixel >> 8 & 0xFF),
              pb = static_cast<int>(pixel & 0xFF);
    return std::abs(pr - r) <= 2 && std::abs(pg - g) <= 2 && std::abs(pb - b) <= 2;
  };
  // the skin alone over black
  EXPECT_PRED4(near, frame_pixel(700, 300), 200 * 191 / 255, 100 * 191 / 255, 40 * 191 / 255);
  EXPECT_PRED4(near, frame_pixel(0, 0), 200 * 191 / 255, 100 * 191 / 255, 40 * 191 / 255);
  app->wallpaper.image.load("wall.bmp");
  app->wallpaper.set_size(800, 600);
  show(*screen);
  EXPECT_PRED4(near, frame_pixel(700, 300), (200 * 191 + 40 * 64) / 255, (100 * 191 + 80 * 64) / 255,
               (40 * 191 + 240 * 64) / 255);
  EXPECT_PRED4(near, frame_pixel(799, 599), (200 * 191 + 40 * 64) / 255, (100 * 191 + 80 * 64) / 255,
               (40 * 191 + 240 * 64) / 255);
}

}  // namespace
