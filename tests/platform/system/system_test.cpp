// System information and the debugger's output channel.
#include "platform/system/debug_output.hpp"
#include "platform/system/system_info.hpp"

#include <gtest/gtest.h>

namespace {

TEST(SystemInfo, ReportsTheRealMachine)
{
    platform::memory_status memory{};
    ASSERT_TRUE(platform::read_memory_status(memory));
    EXPECT_GT(memory.total, memory.available);
    EXPECT_GT(memory.available, 0u);

    platform::system_name name;
    ASSERT_TRUE(platform::read_system_name(name));
    EXPECT_EQ(name.name, L"Linux");
    EXPECT_FALSE(name.release.empty());
}

TEST(DebugOutput, GoesNowhereUnlessCaptured)
{
    platform::debug_output(L"lost");
    std::wstring sink;
    platform::capture_debug_output(&sink);
    platform::debug_output(L"\u8868 one ");
    platform::debug_output(L"two");
    platform::capture_debug_output(nullptr);
    platform::debug_output(L"lost");
    EXPECT_EQ(sink, L"\u8868 one two");
}

}  // namespace
