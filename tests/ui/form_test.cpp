// Form journeys through the frame driver: type and Enter, a click away, a
// click into a second form in both update orders, 70 characters, paste, the
// Enter that ends an edit held over several frames, no handle to be had.
#include <string>
#include <vector>

#include "fixture.hpp"
#include "media/core/key_input.hpp"
#include "platform/headless/headless.hpp"
#include "ui/button.hpp"
#include "ui/form.hpp"
#include "ui/list.hpp"

namespace {

using ui_test::toolkit;

const ui::rect screen{0, 0, 800, 600};

class Form : public toolkit {
 protected:
  // Runs the queued steps with update in every frame, then extra frames.
  void run(const std::function<void()>& update, int extra = 2) { drive.run(nullptr, update, extra); }
};

TEST_F(Form, TypeAndEnterCommitsTheText) {
  ui::form f(150);
  EXPECT_EQ(f.width, 150);
  EXPECT_EQ(f.height, 20);
  std::vector<bool> down_reported;
  drive.click(110, 110);
  run([&] { f.update(100, 100, screen); });
  ASSERT_TRUE(f.is_editing());
  EXPECT_FALSE(ui::input::keys_enabled());
  drive.type(L"abc");
  run([&] {
    f.update(100, 100, screen);
    down_reported.push_back(ui::input::key_pressed(208));
  });
  EXPECT_EQ(f.get_text(), "abc");  // the live text
  EXPECT_TRUE(f.text.empty());
  drive.type(L"\n");
  run([&] { f.update(100, 100, screen); });
  EXPECT_FALSE(f.is_editing());
  EXPECT_EQ(f.text, "abc");
  EXPECT_EQ(f.get_wtext(), L"abc");
  EXPECT_TRUE(ui::input::keys_enabled());
  // the arrows reach other widgets again
  bool reported = false;
  drive.press(208);
  run([&] {
    f.update(100, 100, screen);
    reported = reported || ui::input::key_pressed(208);
  });
  EXPECT_TRUE(reported);
}

// While a form edits, no key press reaches any widget; Escape does not end
// the edit.
TEST_F(Form, NoKeyReachesAnyWidgetWhileEditing) {
  ui::form f(150);
  drive.click(110, 110);
  run([&] { f.update(100, 100, screen); });
  ASSERT_TRUE(f.is_editing());
  int reported = 0;
  for (int key : {18, 211, 14, 200, 208, 203, 1}) drive.press(key);
  drive.hold(28);
  run([&] {
    f.update(100, 100, screen);
    for (unsigned k = 0; k < 256; ++k) reported += ui::input::key_pressed(k);
  });
  EXPECT_EQ(reported, 0);
  EXPECT_FALSE(f.is_editing());  // Enter ended it
  drive.release(28).run(nullptr, nullptr);
}

TEST_F(Form, EscapeDoesNothingWhileEditing) {
  ui::form f(150);
  drive.click(110, 110).type(L"ab").press(1).type(L"c");
  run([&] { f.update(100, 100, screen); });
  EXPECT_TRUE(f.is_editing());
  EXPECT_EQ(f.get_text(), "abc");
  drive.type(L"\n");
  run([&] { f.update(100, 100, screen); });
}

TEST_F(Form, APressElsewhereEndsTheEditAndTheOtherWidgetTakesIt) {
  ui::form f(150);
  ui::button<> b = ui::button<>::button_from_text(50, ui::text::text_from_chars("Add"), 2, 5);
  int clicks = 0;
  auto update = [&] {
    f.update(100, 100, screen);
    b.update(400, 100, screen);
    clicks += b.state.clicked;
  };
  drive.click(110, 110).type(L"xy").click(420, 110);
  run(update);
  EXPECT_FALSE(f.is_editing());
  EXPECT_EQ(f.text, "xy");
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(ui::input::keys_enabled());
}

// A click from one form into another, with the clicked form updated before
// and after the editing one: the first edit ends, the second starts in the
// same frame, and no key reaches any widget until the second ends.
TEST_F(Form, AClickIntoASecondFormInBothUpdateOrders) {
  for (bool second_first : {false, true}) {
    ui::form a(150), b(150);
    int reported = 0;
    auto update = [&] {
      if (second_first) b.update(100, 200, screen);
      a.update(100, 100, screen);
      if (!second_first) b.update(100, 200, screen);
      for (unsigned k = 0; k < 256; ++k) reported += ui::input::key_pressed(k);
    };
    drive.click(110, 110).type(L"one").click(110, 210);
    run(update);
    EXPECT_FALSE(a.is_editing()) << second_first;
    EXPECT_TRUE(b.is_editing()) << second_first;
    EXPECT_EQ(a.text, "one");
    EXPECT_FALSE(ui::input::keys_enabled()) << second_first;
    for (int key : {18, 211, 14, 200, 208}) drive.press(key);
    drive.type(L"two\n");
    run(update);
    EXPECT_EQ(reported, 0) << second_first;
    EXPECT_FALSE(b.is_editing());
    EXPECT_EQ(b.text, "two");
    // after the edit the next press is reported
    drive.press(18);
    run(update);
    EXPECT_EQ(reported, 1) << second_first;
  }
}

TEST_F(Form, SeventyCharactersLeaveSixtyFour) {
  ui::form f(150);
  std::wstring typed;
  for (int i = 0; i < 70; ++i) typed += static_cast<wchar_t>(L'A' + i % 26);
  drive.click(110, 110).type(typed).type(L"\n");
  run([&] { f.update(100, 100, screen); });
  std::string expected;
  for (int i = 0; i < 63; ++i) expected += static_cast<char>('A' + i % 26);
  expected += static_cast<char>('A' + 69 % 26);
  EXPECT_EQ(f.text, expected);
}

TEST_F(Form, PasteInsertsAtTheCursorAndIsCutAtTheMaximum) {
  ui::form f(150);
  drive.click(110, 110).type(L"ad").press(203).paste(L"bc").type(L"\n");
  run([&] { f.update(100, 100, screen); });
  EXPECT_EQ(f.text, "abcd");
  ui::form g(150);
  drive.click(110, 310).paste(std::wstring(100, L'p')).type(L"\n");
  run([&] { g.update(100, 300, screen); });
  EXPECT_EQ(g.text, std::string(64, 'p'));
}

// The Enter that ends an edit, held three frames, is not reported to the
// selected row; a new press after its release is.
TEST_F(Form, TheEnterThatEndsAnEditIsNotReportedToTheRow) {
  struct row {
    int width = 300, height = 30;
    int* entered;
    void draw(int, int, bool) {}
    void update(int, int, const ui::rect&) {
      if (ui::input::key_pressed(28)) ++*entered;
    }
  };
  int entered = 0;
  ui::list<row> l(380, 5, 1, 30, 7, 2);
  l.rows.push_back(row{300, 30, &entered});
  l.refresh_bar();
  ui::form f(150);
  auto update = [&] {
    f.update(100, 400, screen);
    l.update(0, 0, screen);
  };
  drive.click(110, 410).type(L"tag").hold(28).frames(3).release(28);
  run(update);
  EXPECT_FALSE(f.is_editing());
  EXPECT_EQ(f.text, "tag");
  EXPECT_EQ(entered, 0);
  drive.press(28);
  run(update);
  EXPECT_EQ(entered, 1);
}

TEST_F(Form, SharedCopiesShareOneEdit) {
  ui::form f(150);
  drive.click(110, 110);
  run([&] { f.update(100, 100, screen); });
  ui::form copy = f;
  EXPECT_EQ(copy.editing, f.editing);
  const int handle = f.editing->handle();
  EXPECT_EQ(GetKeyInputState(handle), 0);
  f.editing.reset();
  EXPECT_FALSE(ui::input::keys_enabled());  // the copy still holds the edit
  copy.editing.reset();
  EXPECT_TRUE(ui::input::keys_enabled());
  EXPECT_EQ(GetKeyInputState(handle), -1);  // destroyed
}

TEST_F(Form, NoHandleToBeHadEndsTheEditAndKeepsTheText) {
  std::vector<int> handles;
  for (;;) {
    const int h = CreateKeyInput(8, 0, 0, 0);
    if (h == -1) break;
    handles.push_back(h);
  }
  ASSERT_EQ(handles.size(), 256u);
  ui::form f(150);
  f.text = "kept";
  std::vector<bool> editing;
  drive.click(110, 110).frames(2);
  run([&] {
    f.update(100, 100, screen);
    editing.push_back(f.is_editing());
  });
  EXPECT_FALSE(f.is_editing());
  EXPECT_EQ(f.text, "kept");
  EXPECT_TRUE(ui::input::keys_enabled());
  for (int h : handles) DestroyKeyInput(h);
}

}  // namespace
