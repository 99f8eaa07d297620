// Menus and the tool bar of the platform layer on the headless backend: the
// menu tree and its refusals, attachment, the tool bar's buttons and what the
// backend is told.
#include <gtest/gtest.h>

#include "backend_fixture.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

namespace {

namespace hl = platform::headless;

class PlatformMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        support::select_window_backend("headless");
        ASSERT_EQ(platform::video_start(), 0);
    }
    void TearDown() override
    {
        platform::destroy_window();
        hl::reset();
    }
    static void make_window()
    {
        platform::window_spec spec;
        spec.width = 320;
        spec.height = 240;
        ASSERT_EQ(platform::create_window(spec), 0);
    }
};

TEST_F(PlatformMenu, ItemsSubmenusAndTheirRefusals)
{
    const int top = platform::create_menu();
    const int sub = platform::create_menu();
    const int inner = platform::create_menu();
    ASSERT_GT(top, 0);
    EXPECT_EQ(platform::append_menu_item(top, 1, L"Open"), 0);
    EXPECT_EQ(platform::append_menu_separator(top), 0);
    EXPECT_EQ(platform::append_submenu(top, sub, L"More"), 0);
    EXPECT_EQ(platform::append_submenu(sub, inner, L"Inner"), 0);
    ASSERT_EQ(platform::menu_item_count(top), 3);
    platform::menu_item_info info;
    ASSERT_EQ(platform::menu_item(top, 2, info), 0);
    EXPECT_EQ(info.kind, platform::menu_item_kind::submenu);
    EXPECT_EQ(info.submenu, sub);
    EXPECT_EQ(info.text, L"More");

    // no loops, no second holder, no unknown menus or positions, no zero characters
    EXPECT_EQ(platform::append_submenu(inner, top, L"Loop"), -1);
    EXPECT_EQ(platform::append_submenu(sub, sub, L"Self"), -1);
    EXPECT_EQ(platform::append_submenu(top, inner, L"Again"), -1);
    EXPECT_EQ(platform::append_menu_item(999, 1, L"x"), -1);
    EXPECT_EQ(platform::append_menu_item(top, 1, std::wstring(L"a\0b", 3)), -1);
    EXPECT_EQ(platform::menu_item(top, 3, info), -1);
    EXPECT_EQ(platform::menu_item(top, -1, info), -1);
    EXPECT_EQ(platform::menu_item_count(999), -1);

    // destroying a submenu takes it off its holder, and its own submenus with it
    EXPECT_EQ(platform::destroy_menu(sub), 0);
    EXPECT_EQ(platform::menu_item_count(top), 2);
    EXPECT_EQ(platform::menu_item_count(inner), -1);
    EXPECT_EQ(platform::destroy_menu(sub), -1);
}

TEST_F(PlatformMenu, AttachingTellsTheBackendAndNeedsTheWindow)
{
    const int top = platform::create_menu();
    const int sub = platform::create_menu();
    platform::append_submenu(top, sub, L"File");
    EXPECT_EQ(platform::attach_menu(top), -1);  // no window yet
    EXPECT_EQ(platform::open_menu(), -1);
    make_window();
    EXPECT_EQ(platform::open_menu(), -1);  // nothing attached
    EXPECT_EQ(platform::attach_menu(sub), -1);
    EXPECT_EQ(platform::attach_menu(999), -1);
    ASSERT_EQ(platform::attach_menu(top), 0);
    EXPECT_EQ(platform::attached_menu(), top);
    EXPECT_EQ(hl::strips().attached, top);
    EXPECT_EQ(platform::open_menu(), 0);
    EXPECT_EQ(hl::strips().opened, 1);
    // an attached menu destroyed leaves the bar empty
    EXPECT_EQ(platform::destroy_menu(top), 0);
    EXPECT_EQ(platform::attached_menu(), 0);
    EXPECT_EQ(hl::strips().attached, 0);
}

TEST_F(PlatformMenu, ToolBarButtons)
{
    EXPECT_EQ(platform::create_toolbar(), -1);  // no window
    make_window();
    EXPECT_EQ(platform::toolbar_height(), 0);
    EXPECT_EQ(platform::toolbar_button_count(), -1);
    EXPECT_EQ(platform::add_toolbar_button(1, 0), -1);
    ASSERT_EQ(platform::create_toolbar(), 0);
    EXPECT_EQ(platform::create_toolbar(), -1);
    EXPECT_TRUE(hl::strips().toolbar);
    EXPECT_EQ(platform::toolbar_height(), hl::toolbar_strip_height);
    EXPECT_EQ(platform::add_toolbar_button(7, 0), 0);
    EXPECT_EQ(platform::add_toolbar_button(8, platform::toolbar_separator), 0);
    int id = 0, kind = 0;
    ASSERT_EQ(platform::toolbar_button(1, id, kind), 0);
    EXPECT_EQ(id, 8);
    EXPECT_EQ(kind, platform::toolbar_separator);
    EXPECT_EQ(platform::toolbar_button(2, id, kind), -1);
    EXPECT_EQ(platform::delete_toolbar_button(2), -1);
    EXPECT_EQ(platform::delete_toolbar_button(0), 0);
    EXPECT_EQ(platform::toolbar_button_count(), 1);
    EXPECT_EQ(platform::destroy_toolbar(), 0);
    EXPECT_FALSE(hl::strips().toolbar);
    EXPECT_EQ(platform::toolbar_height(), 0);
    EXPECT_EQ(platform::destroy_toolbar(), 0);

    // the window's end takes the menu bar and the tool bar with it
    const int menu = platform::create_menu();
    ASSERT_EQ(platform::create_toolbar(), 0);
    ASSERT_EQ(platform::attach_menu(menu), 0);
    ASSERT_EQ(platform::destroy_window(), 0);
    EXPECT_EQ(platform::attached_menu(), 0);
    EXPECT_FALSE(platform::has_toolbar());
    EXPECT_EQ(platform::menu_item_count(menu), 0);  // the menu itself stays
}

}  // namespace
