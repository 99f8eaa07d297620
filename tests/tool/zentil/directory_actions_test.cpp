// The directory screen's actions with the frame driver: "Add", the tag
// buttons, "Derive", "Search", "Make Folder" and Delete; Enter and Delete
// while a form is being edited.
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "directory_fixture.hpp"
#include "lib/basic_filesystem.hpp"
#include "lib/string.hpp"
#include "platform/headless/headless.hpp"
#include "platform/shell/shell.hpp"

namespace {

using zentil_test::directory_test;

class DirectoryActions : public directory_test {
 protected:
  static std::string narrow(const std::wstring& w) { return lib::string::convert<std::string>(w); }
  std::vector<std::wstring> tags_of(const std::wstring& path) const {
    std::list<std::wstring> tags;
    app->tags_of(path, tags);
    return std::vector<std::wstring>(tags.begin(), tags.end());
  }
  std::vector<std::wstring> row_paths(const tool::zentil::p_directory& s) const {
    std::vector<std::wstring> paths;
    if (s.rows)
      for (const auto& row : s.rows->rows) paths.push_back(row.get_path());
    return paths;
  }
  // Places of the first row's widgets (the row at (10, 10)).
  static constexpr int add_x = 10 + 52 + 30, add_y = 20 + 10;
  static constexpr int derive_x = 10 + 52 + 55, derive_y = 42 + 10;
  static constexpr int tag_form_x = 10 + 62 + 60 + 50, tag_form_y = 30;
};

TEST_F(DirectoryActions, AddLinksTheTypedTag) {
  folder("pics");
  auto screen = screen_on(root());
  drive.click(tag_form_x, tag_form_y).type(L"photos\n").frames(2).click(add_x, add_y);
  run(*screen);
  EXPECT_EQ(tags_of(wat(L"pics")), std::vector<std::wstring>{L"photos"});
  EXPECT_EQ(title_runs().size(), 1u);  // the Enter that ended the edit opened nothing
  show(*screen);
  // the tag button, beside the form's own text
  const std::vector<drawn> shown = strings("photos");
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(std::make_pair(shown[1].x, shown[1].y), std::make_pair(415, 62));
  // a tap (down and up between two frames, as a touchpad gives) is a click too
  drive.click(tag_form_x, tag_form_y).type(L"2\n").frames(2).tap(add_x, add_y);
  run(*screen);
  EXPECT_EQ(tags_of(wat(L"pics")), (std::vector<std::wstring>{L"photos", L"photos2"}));
}

TEST_F(DirectoryActions, AddWithAnEmptyFormOrNoTagWord) {
  folder("pics");
  auto screen = screen_on(root());
  show(*screen);
  struct add_case {
    std::string text;
    bool rebuilt;
  };
  for (const add_case& c : {add_case{"", false}, add_case{"a b", true}, add_case{"a/b", true}}) {
    app->form_tag.child().text = c.text;
    const auto before = screen->tag_list;  // held, so a new list cannot take its address
    drive.click(add_x, add_y);
    run(*screen);
    EXPECT_TRUE(tags_of(wat(L"pics")).empty()) << c.text;
    EXPECT_EQ(screen->tag_list != before, c.rebuilt) << c.text;
  }
}

TEST_F(DirectoryActions, ATagButtonUnlinksItsTag) {
  folder("a");
  folder("b");
  app->link_tag(wat(L"a"), L"t1");
  app->link_tag(wat(L"a"), L"t2");
  app->link_tag(wat(L"b"), L"t1");
  auto screen = screen_on(root());
  show(*screen);
  ASSERT_EQ(place_of("t1"), std::make_pair(415, 62));
  drive.click(420, 70);
  run(*screen);
  EXPECT_EQ(tags_of(wat(L"a")), std::vector<std::wstring>{L"t2"});
  EXPECT_EQ(tags_of(wat(L"b")), std::vector<std::wstring>{L"t1"});
  show(*screen);
  EXPECT_TRUE(strings("t1").empty());
  EXPECT_EQ(place_of("t2"), std::make_pair(415, 62));
}

// A tag whose caption shows '?' for a character code page 932 lacks is
// unlinked by its exact text.
TEST_F(DirectoryActions, ATagButtonUnlinksATagItsCaptionCannotSpell) {
  folder("a");
  app->link_tag(wat(L"a"), L"caf\u00e9");
  auto screen = screen_on(root());
  show(*screen);
  ASSERT_EQ(place_of("caf?"), std::make_pair(415, 62));
  drive.click(420, 70);
  run(*screen);
  EXPECT_TRUE(tags_of(wat(L"a")).empty());
}

TEST_F(DirectoryActions, DeriveLinksTheAncestorsTagsNearestFirst) {
  folder("p/c");
  app->link_tag(root(), L"r");
  app->link_tag(wat(L"p"), L"s");
  auto screen = screen_on(wat(L"p"));
  drive.click(derive_x, derive_y);
  run(*screen);
  EXPECT_EQ(tags_of(wat(L"p/c")), (std::vector<std::wstring>{L"s", L"r"}));
  show(*screen);
  EXPECT_EQ(place_of("s"), std::make_pair(415, 62));
  EXPECT_EQ(place_of("r"), std::make_pair(415 + 20 + 20, 62));
}

TEST_F(DirectoryActions, SearchOpensANestedSearchScreen) {
  for (const char* name : {"f1", "f2", "f3"}) folder(name);
  app->link_tag(wat(L"f3"), L"x");
  app->link_tag(wat(L"f1"), L"x");
  app->link_tag(wat(L"f2"), L"x");
  app->link_tag(wat(L"f1"), L"y");
  app->link_tag(wat(L"f3"), L"y");
  struct search_case {
    std::string query;
    std::vector<std::string> names;  // the nested screen's rows
  };
  const search_case cases[] = {
      {"x y", {"f3", "f1"}},
      {"x -y", {"f2"}},
      {"x z", {}},
  };
  auto screen = screen_on(root());
  for (const search_case& c : cases) {
    app->form_search.child().text = c.query;
    media::gfx::clear_drawn_strings();
    drive.click(215, 524).frames(2).press(14).frames(2);
    run(*screen);
    const std::string title = "search > " + c.query;
    EXPECT_EQ(title_runs(), (std::vector<std::string>{"directory > " + narrow(root()), title, "directory > " + narrow(root())}));
    std::vector<std::string> names = {"<not drawn>"};
    for (const std::vector<drawn>& f : frames_drawn())
      if (f.back().text == title) names = row_names_of(f);
    EXPECT_EQ(names, c.names) << c.query;
    EXPECT_EQ(!strings("empty search result").empty(), c.names.empty()) << c.query;
    EXPECT_EQ(app->form_search.child().text, c.query);
    EXPECT_EQ(screen->flags, 0u);
  }
  // Enter on a found folder opens it
  app->form_search.child().text = "x";
  media::gfx::clear_drawn_strings();
  drive.click(215, 524).frames(2).press(28).frames(2).press(14).frames(2).press(14).frames(2);
  run(*screen);
  EXPECT_EQ(title_runs(), (std::vector<std::string>{"directory > " + narrow(root()), "search > x",
                                                    "directory > " + narrow(wat(L"f3")), "search > x",
                                                    "directory > " + narrow(root())}));
}

TEST_F(DirectoryActions, MakeFolder) {
  file("b");
  auto screen = screen_on(root());
  drive.press(208);
  run(*screen);
  app->form_folder.child().text = narrow(L"\u65b0\u3057\u3044");
  drive.click(195, 554);
  run(*screen);
  EXPECT_TRUE(std::filesystem::is_directory(at("\xE6\x96\xB0\xE3\x81\x97\xE3\x81\x84")));
  EXPECT_EQ(row_paths(*screen), (std::vector<std::wstring>{wat(L"b"), wat(L"\u65b0\u3057\u3044")}));
  EXPECT_EQ(screen->rows->selection, 0u);
  // an existing name, an empty one: nothing
  for (const std::string& name : {std::string(narrow(L"\u65b0\u3057\u3044")), std::string()}) {
    const auto rows = screen->rows;
    app->form_folder.child().text = name;
    drive.click(195, 554);
    run(*screen);
    EXPECT_EQ(screen->rows, rows) << name;
  }
  // a name too long for the file system
  app->form_folder.child().text = std::string(300, 'n');
  drive.click(195, 554);
  run(*screen);
  EXPECT_EQ(screen->rows->rows.size(), 2u);
}

TEST_F(DirectoryActions, DeleteAsksAndDropsTheRow) {
  folder("a");
  folder("b");
  file("c");
  app->link_tag(wat(L"b"), L"tb");
  auto screen = screen_on(root());
  // declined: the entry and its row stay
  shell.answers.push_back(false);
  drive.press(211);
  run(*screen);
  ASSERT_EQ(shell.questions.size(), 1u);
  EXPECT_EQ(shell.questions[0].text, platform::shell::delete_question(wat(L"a")));
  EXPECT_NE(shell.questions[0].text.find(wat(L"a")), std::wstring::npos);
  EXPECT_TRUE(std::filesystem::exists(at("a")));
  EXPECT_EQ(row_paths(*screen).size(), 3u);
  // confirmed: gone; the row that took its place is selected, its tags shown
  shell.answers.push_back(true);
  drive.press(211);
  run(*screen);
  EXPECT_FALSE(std::filesystem::exists(at("a")));
  EXPECT_EQ(row_paths(*screen), (std::vector<std::wstring>{wat(L"b"), wat(L"c")}));
  EXPECT_EQ(screen->rows->selection, 0u);
  EXPECT_EQ(screen->shown, wat(L"b"));
  show(*screen);
  EXPECT_EQ(place_of("tb"), std::make_pair(415, 62));
  // the last row: the selection moves up by one
  shell.answers.push_back(true);
  drive.press(208).press(211);
  run(*screen);
  EXPECT_EQ(row_paths(*screen), std::vector<std::wstring>{wat(L"b")});
  EXPECT_EQ(screen->rows->selection, 0u);
  // the only row: the placeholder, no tag list
  shell.answers.push_back(true);
  drive.press(211);
  run(*screen);
  EXPECT_FALSE(screen->rows);
  EXPECT_FALSE(screen->tag_list);
  show(*screen);
  EXPECT_EQ(place_of("empty directory"), std::make_pair(20, 10));
}

// A delete that fails part-way is told in a message box naming the entry it
// stopped at; the listing is read again and the row stays selected.
TEST_F(DirectoryActions, ADeleteThatFailsPartWayIsToldAndTheListingIsReadAgain) {
  file("a");
  file("b/inner", "i");
  auto screen = screen_on(root());
  file("c");  // made after the listing was read
  platform::shell::fail_removal(2);  // "b/inner" goes, "b" stays
  shell.answers.push_back(true);
  drive.press(208).press(211);
  run(*screen);
  EXPECT_FALSE(std::filesystem::exists(at("b/inner")));
  ASSERT_EQ(platform::headless::messages().size(), 1u);
  EXPECT_EQ(platform::headless::messages()[0].title, L"Delete");
  EXPECT_NE(platform::headless::messages()[0].text.find(wat(L"b") + L":"), std::wstring::npos)
      << narrow(platform::headless::messages()[0].text);
  EXPECT_EQ(row_paths(*screen), (std::vector<std::wstring>{wat(L"a"), wat(L"b"), wat(L"c")}));
  EXPECT_EQ(screen->rows->selection, 1u);
  EXPECT_EQ(screen->shown, wat(L"b"));
}

// A shell whose delete reports success and removes nothing.
class lying_shell final : public platform::shell::operations {
 public:
  lying_shell() { platform::shell::install(this); }
  ~lying_shell() override { platform::shell::install(nullptr); }
  int open(const std::wstring&, const std::wstring&, const std::wstring&, int) override { return 0; }
  int copy(const std::wstring&, const std::wstring&, std::wstring&) override { return -1; }
  int remove(const std::wstring&) override { return 0; }
  const platform::shell::icon& icon_of(const std::wstring& path) override {
    return platform::shell::builtin_icon(platform::shell::kind_of(path));
  }
};

TEST_F(DirectoryActions, ADeleteThatLeavesThePathChangesNothing) {
  file("a");
  auto screen = screen_on(root());
  lying_shell liar;
  drive.press(211);
  run(*screen);
  EXPECT_EQ(row_paths(*screen), std::vector<std::wstring>{wat(L"a")});
}

// While the tag form edits, Enter and Delete go to the form; the Enter
// that ends the edit, held for three frames, does not open the folder.
TEST_F(DirectoryActions, KeysGoToTheFormWhileItEdits) {
  folder("pics");
  auto screen = screen_on(root());
  drive.click(tag_form_x, tag_form_y).type(L"abc").press(211).frames(1).hold(28).frames(3).release(28).frames(2);
  run(*screen);
  EXPECT_TRUE(shell.questions.empty());
  EXPECT_EQ(title_runs().size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(at("pics")));
  EXPECT_FALSE(app->form_tag.child().is_editing());
}

// A click from the tag form into the search form keeps keys off: the
// Enter that ends the second edit opens nothing.
TEST_F(DirectoryActions, AClickFromOneFormIntoAnotherKeepsKeysOff) {
  folder("pics");
  auto screen = screen_on(root());
  drive.click(tag_form_x, tag_form_y).type(L"q").click(60, 524).type(L"e").hold(28).frames(3).release(28).frames(2);
  run(*screen);
  EXPECT_EQ(title_runs().size(), 1u);
  EXPECT_TRUE(shell.opens.empty());
  EXPECT_EQ(app->form_search.child().text, "e");
}

}  // namespace

namespace {

// Tags typed into the tag form and linked with "Add" come back the same
// from "system.txt" in a new application object, and show as buttons.
TEST_F(DirectoryActions, TypedTagsSurviveASaveAndALoad) {
  struct tag_case {
    const char* label;
    std::function<void(support::driver&)> typing;
    std::wstring tag;
  };
  const tag_case cases[] = {
      {"angle brackets", [](support::driver& d) { d.type(L"<x>"); }, L"<x>"},
      {"Japanese", [](support::driver& d) { d.type(L"\u30bf\u30b0"); }, L"\u30bf\u30b0"},
      {"a hyphen inside", [](support::driver& d) { d.type(L"a-b"); }, L"a-b"},
      {"a hyphen first", [](support::driver& d) { d.type(L"-x"); }, L"-x"},
      {"Ctrl+A", [](support::driver& d) { d.type(L"a").hold(29).press(30).release(29).type(L"b"); }, L"a\x01" L"b"},
  };
  folder("pics");
  dir_.file("system.txt", "<system>\r\n</system>\r\n");
  for (const tag_case& c : cases) {
    app = std::make_unique<tool::zentil::shared>();
    ASSERT_TRUE(app->load_tag_database(L"system.txt")) << c.label;
    {
      auto screen = screen_on(root());
      drive.click(tag_form_x, tag_form_y);
      c.typing(drive);
      drive.type(L"\n").frames(2).click(add_x, add_y);
      run(*screen);
    }
    EXPECT_EQ(tags_of(wat(L"pics")).back(), c.tag) << c.label;
    const std::vector<std::wstring> linked = tags_of(wat(L"pics"));
    app->save_tag_database(L"system.txt");

    app = std::make_unique<tool::zentil::shared>();
    ASSERT_TRUE(app->load_tag_database(L"system.txt")) << c.label;
    // the order of tags in the file carries no meaning
    std::vector<std::wstring> loaded = tags_of(wat(L"pics")), expected = linked;
    std::sort(loaded.begin(), loaded.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(loaded, expected) << c.label;
    auto screen = screen_on(root());
    show(*screen);
    EXPECT_EQ(screen->tag_buttons.size(), tags_of(wat(L"pics")).size()) << c.label;
    EXPECT_FALSE(strings(narrow(c.tag)).empty()) << c.label;
  }
}

// A folder outside the root folder, found by "Search": "Derive" on it ends.
TEST_F(DirectoryActions, DeriveOutsideTheRootFolderEnds) {
  dir_.folder("outside/inner");
  const std::wstring outside = lib::basic_filesystem<wchar_t>::current_directory() + L"/outside/inner";
  app->link_tag(outside, L"t");
  app->link_tag(lib::basic_filesystem<wchar_t>::current_directory() + L"/outside", L"up");
  auto screen = screen_on(root());
  app->form_search.child().text = "t";
  drive.click(215, 80).frames(2).click(derive_x, derive_y).frames(2).press(14).frames(2);
  run(*screen);
  EXPECT_EQ(tags_of(outside), (std::vector<std::wstring>{L"t", L"up"}));
  EXPECT_EQ(title_runs(), (std::vector<std::string>{"directory > " + narrow(root()), "search > t",
                                                    "directory > " + narrow(root())}));
}

}  // namespace
