// Browsing journeys on the directory screen with the frame driver: the
// selection by keys, wheel and clicks; Enter into a folder and Backspace out;
// Enter on a file; E; Refresh; entries that vanish, loop or cannot be read.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "directory_fixture.hpp"
#include "platform/fs/filesystem.hpp"

namespace {

using zentil_test::directory_test;

class DirectoryBrowse : public directory_test {
 protected:
  static std::string narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }
  std::string title_of(const std::wstring& path) const { return "directory > " + narrow(path); }
};

TEST_F(DirectoryBrowse, KeysWheelAndClicksMoveTheSelection) {
  for (const char* name : {"f0", "f1", "f2", "f3", "f4", "f5", "f6"}) file(name);
  auto screen = screen_on(root());
  drive.press(208).press(208);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 2u);
  drive.press(200);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 1u);
  // a click on the fourth row
  drive.click(100, 10 + 3 * 93 + 40);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 3u);
  // the wheel turned toward the user scrolls one row's pitch
  drive.wheel(-1);
  run(*screen, 30);
  EXPECT_EQ(screen->rows->bar->child().target, 93u);
  EXPECT_EQ(screen->rows->bar->child().current, 93u);
  // now the fourth row is drawn one pitch higher: a click there selects it
  drive.click(100, 10 + 2 * 93 + 40);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 3u);
  EXPECT_EQ(screen->flags, 0u);
}

// Enter on a folder runs a nested screen on it; the same Enter does not act
// in the nested screen (whose first row is a folder too); Backspace returns,
// and the same press does not end the outer screen.
TEST_F(DirectoryBrowse, EnterIntoAFolderAndBackspaceOut) {
  folder("sub/deeper");
  file("sub/inner");
  file("z-file");
  auto screen = screen_on(root());
  drive.press(28).frames(3).press(14).frames(2);
  run(*screen, 2);
  EXPECT_EQ(title_runs(), (std::vector<std::string>{title_of(root()), title_of(wat(L"sub")), title_of(root())}));
  // the nested screen listed the folder's entries
  EXPECT_FALSE(strings("deeper").empty());
  EXPECT_FALSE(strings("inner").empty());
  EXPECT_EQ(screen->flags, 0u);
  // Backspace on this screen itself only marks it finished
  drive.press(14);
  run(*screen);
  EXPECT_EQ(screen->flags, 1u);
}

TEST_F(DirectoryBrowse, EnterOnAFileRunsMainWithItsPath) {
  folder("a-folder");
  file("b-file.txt");
  auto screen = screen_on(root());
  drive.press(208).press(28);
  run(*screen);
  ASSERT_EQ(shell.opens.size(), 1u);
  EXPECT_EQ(shell.opens[0].file, wat(L"b-file.txt"));
  EXPECT_EQ(shell.opens[0].verb, L"");
  EXPECT_EQ(shell.opens[0].parameters, L"");
}

TEST_F(DirectoryBrowse, EOpensTheFolderShown) {
  file("x");
  auto screen = screen_on(root());
  drive.press(18);
  run(*screen);
  ASSERT_EQ(shell.opens.size(), 1u);
  EXPECT_EQ(shell.opens[0].verb, L"");
  EXPECT_EQ(shell.opens[0].file, root() + L"/");
  EXPECT_EQ(shell.opens[0].parameters, L"");
  EXPECT_EQ(shell.opens[0].show, 10);
}

TEST_F(DirectoryBrowse, RefreshShowsNewEntriesAndSelectsTheFirstRow) {
  file("b");
  file("c");
  auto screen = screen_on(root());
  drive.press(208);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 1u);
  file("a");
  drive.click(40, 484 + 10);
  run(*screen);
  ASSERT_EQ(screen->rows->rows.size(), 3u);
  EXPECT_EQ(screen->rows->rows[0].get_path(), wat(L"a"));
  EXPECT_EQ(screen->rows->selection, 0u);
  // and from nothing to something: the placeholder gives way to the rows
  std::filesystem::remove_all(at(""));
  folder("");
  screen->refresh();
  EXPECT_FALSE(screen->rows);
  file("late");
  drive.click(40, 40 + 10);
  run(*screen);
  ASSERT_TRUE(screen->rows);
  EXPECT_EQ(screen->rows->rows[0].get_path(), wat(L"late"));
}

// An entry removed behind the program's back: an empty frame box that
// ignores input.
TEST_F(DirectoryBrowse, AVanishedEntry) {
  file("gone");
  file("kept");
  auto screen = screen_on(root());
  std::filesystem::remove(at("gone"));
  show(*screen);
  EXPECT_TRUE(strings("gone").empty());
  EXPECT_FALSE(strings("kept").empty());
  EXPECT_EQ(frame_pixel(10, 50), grey(52));  // its frame
  drive.press(28);
  run(*screen);
  EXPECT_TRUE(shell.opens.empty());
}

// Entries that cannot be asked about are drawn as broken links: no name, no
// icon, no input; the screen goes on.
TEST_F(DirectoryBrowse, LoopingAndBrokenLinksAndOddNames) {
  ASSERT_EQ(::symlink("loop-b", at("loop-a").c_str()), 0);
  ASSERT_EQ(::symlink("loop-a", at("loop-b").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", at("broken").c_str()), 0);
  file("caf\xC3\xA9");  // a character code page 932 lacks
  folder("odd\xE9");    // a byte that is not UTF-8
  file("odd\xE9/inside");
  auto screen = screen_on(root());
  ASSERT_EQ(screen->rows->rows.size(), 5u);
  for (int i = 0; i < 2; ++i) show(*screen);
  EXPECT_TRUE(strings("broken").empty());
  EXPECT_TRUE(strings("loop-a").empty());
  EXPECT_TRUE(strings("loop-b").empty());
  EXPECT_FALSE(strings("caf?").empty());
  EXPECT_FALSE(strings("odd?").empty());
  // Enter on a looping link does nothing
  const std::vector<std::wstring> order = {L"broken", L"caf\u00e9", L"loop-a", L"loop-b", L"odd\xDCE9"};
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(screen->rows->rows[i].get_path(), wat(order[i]));
  drive.press(208).press(208).press(28);
  run(*screen);
  EXPECT_TRUE(shell.opens.empty());
  EXPECT_EQ(screen->rows->selection, 2u);
  // Enter on the odd folder opens the exact entry
  media::gfx::clear_drawn_strings();
  drive.press(208).press(208).press(28).frames(2).press(14);
  run(*screen);
  EXPECT_EQ(screen->rows->selection, 4u);
  EXPECT_FALSE(strings("inside").empty());
}

// Each row's kind, taken from the listing, is the one a status request
// gives for its path: a folder's icon, a file's, or none for an entry that
// is not there to ask about.
TEST_F(DirectoryBrowse, RowsOfEntriesOfEveryKindMatchTheirStatus) {
  folder("folder");
  file("file");
  file("odd\xE9");  // a name that is not UTF-8
  ASSERT_EQ(::symlink("folder", at("to-folder").c_str()), 0);
  ASSERT_EQ(::symlink("file", at("to-file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", at("dangling").c_str()), 0);
  ASSERT_EQ(::symlink("loop", at("loop").c_str()), 0);
  auto screen = screen_on(root());
  ASSERT_EQ(screen->rows->rows.size(), 7u);
  for (const auto& row : screen->rows->rows) {
    std::error_code ec;
    const platform::fs::entry_kind kind = platform::fs::status(row.get_path(), ec);
    const std::string what = narrow(row.get_path());
    if (kind == platform::fs::entry_kind::missing) {
      EXPECT_EQ(row.icon, nullptr) << what;
      continue;
    }
    ASSERT_NE(row.icon, nullptr) << what;
    EXPECT_EQ(row.icon->kind, kind == platform::fs::entry_kind::folder ? platform::shell::icon_kind::folder
                                                                       : platform::shell::icon_kind::file)
        << what;
  }
  // the refresh takes the kinds the same way
  std::filesystem::remove(at("file"));
  screen->refresh();
  ASSERT_EQ(screen->rows->rows.size(), 6u);
  EXPECT_EQ(screen->rows->rows[4].get_path(), wat(L"to-file"));
  EXPECT_EQ(screen->rows->rows[4].icon, nullptr);
}

// A folder that cannot be read opens as an empty screen; Backspace goes back.
TEST_F(DirectoryBrowse, AFolderThatCannotBeReadOpensEmpty) {
  folder("locked");
  file("locked/secret");
  auto screen = screen_on(root());
  platform::fs::fail_next_listing();
  drive.press(28).frames(2).press(14).frames(2);
  run(*screen);
  EXPECT_FALSE(strings("empty directory").empty());
  EXPECT_TRUE(strings("secret").empty());
  EXPECT_EQ(title_runs(), (std::vector<std::string>{title_of(root()), title_of(wat(L"locked")), title_of(root())}));
  EXPECT_EQ(screen->flags, 0u);
}

}  // namespace

namespace {

// The folder shown removed behind the program's back: a refresh shows an
// empty screen, also when its name reads as a malformed pattern or as one
// that names a neighbour ("a.c" and "abc").
TEST_F(DirectoryBrowse, RefreshOfAFolderThatWentAway) {
  file("abc/neighbour");
  for (const char* name : {"plain", "a(b", "x[y", "a.c"}) {
    file(std::string(name) + "/inner");
    const std::wstring path = wat(std::wstring(name, name + std::strlen(name)));
    auto screen = screen_on(path);
    ASSERT_TRUE(screen->rows) << name;
    std::filesystem::remove_all(at(name));
    screen->refresh();
    EXPECT_FALSE(screen->rows) << name;
    show(*screen);
    EXPECT_EQ(place_of("empty directory"), std::make_pair(20, 10)) << name;
    EXPECT_TRUE(strings("neighbour").empty()) << name;
  }
}

}  // namespace
