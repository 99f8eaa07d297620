// Which backend is current when none is selected, and the per-thread error
// slot.
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

// Runs with no selection made and ZENTIL_PLATFORM as given (null: unset);
// both come back afterwards.
class NoSelection : public ::testing::Test {
protected:
    void TearDown() override
    {
        ::unsetenv("ZENTIL_PLATFORM");
        platform::forget_backend_selection();
    }

    std::string implicit_name(const char* variable)
    {
        if (variable)
            ::setenv("ZENTIL_PLATFORM", variable, 1);
        else
            ::unsetenv("ZENTIL_PLATFORM");
        platform::forget_backend_selection();
        platform::set_error("");
        return platform::current_backend().name;
    }
};

TEST_F(NoSelection, EnvironmentNamesTheBackendElseTheBuildDefault)
{
    static_assert(std::char_traits<char>::compare(platform::default_backend_name(), "headless", 9) == 0,
                  "a test build runs headless unless told otherwise");
    struct row {
        const char* variable;
        const char* backend;
        const char* error;
    };
    const row rows[] = {
        {"sdl", "sdl", ""},
        {"headless", "headless", ""},
        {nullptr, "headless", ""},
        {"", "headless", ""},
        {"x", "headless", "unknown backend"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.variable ? r.variable : "(unset)");
        EXPECT_EQ(implicit_name(r.variable), r.backend);
        EXPECT_EQ(std::string(platform::error()), r.error);
    }
}

TEST_F(NoSelection, ResolvedOnceThenAnExplicitSelectionWins)
{
    EXPECT_EQ(implicit_name("sdl"), "sdl");
    ::setenv("ZENTIL_PLATFORM", "headless", 1);  // read only while nothing is resolved
    EXPECT_EQ(std::string(platform::current_backend().name), "sdl");
    ASSERT_EQ(platform::select_backend("headless"), 0);
    EXPECT_EQ(std::string(platform::current_backend().name), "headless");
}

TEST(ErrorSlot, EachThreadKeepsItsOwnText)
{
    platform::set_error("main thread");
    std::string seen_before, seen_after;
    std::thread other([&] {
        seen_before = platform::error();
        EXPECT_EQ(platform::set_error("other thread"), -1);
        seen_after = platform::error();
    });
    other.join();
    EXPECT_EQ(seen_before, "");
    EXPECT_EQ(seen_after, "other thread");
    EXPECT_EQ(std::string(platform::error()), "main thread");
}

}  // namespace
