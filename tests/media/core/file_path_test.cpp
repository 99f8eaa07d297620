// Media-layer CP932 paths at the file system: the trail byte 0x5C is never a
// separator, '\\' is, and POSIX roots hold.
#include "media/core/file_path.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/log.hpp"
#include "platform/fs/file.hpp"
#include "platform/fs/filesystem.hpp"
#include "support/temp_folder.hpp"

namespace {

using platform::fs::open_mode;

// The test's folder made current; the previous one back after.
class MediaPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path());
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    std::string contents(const std::string& name) const
    {
        std::ifstream in(dir_.at(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    support::temp_folder dir_;
    std::filesystem::path previous_;
};

TEST_F(MediaPath, NamesReachTheFileSystem)
{
    dir_.file("\xE8\xA1\xA8.txt", "hyou");  // 表.txt in UTF-8
    dir_.file("sub/a.txt", "sub a");
    dir_.file("abs", "absolute");
    dir_.file("old", "old");
    dir_.folder("folder");
    struct row {
        std::string path;  // CP932
        open_mode mode;
        bool opens;
        const char* write;        // appended when it opens for writing
        const char* file;         // the file it reaches, by its UTF-8 name
        const char* contents;     // that file's bytes afterwards
    };
    const std::string root = dir_.path();
    const row rows[] = {
        {"\x95\x5C.txt", open_mode::read, true, nullptr, "\xE8\xA1\xA8.txt", "hyou"},
        {"sub\\a.txt", open_mode::read, true, nullptr, "sub/a.txt", "sub a"},
        {"sub/a.txt", open_mode::read, true, nullptr, "sub/a.txt", "sub a"},
        {root + "/abs", open_mode::read, true, nullptr, "abs", "absolute"},
        {"old", open_mode::create_new, false, nullptr, "old", "old"},
        {"old", open_mode::open_always, true, "+new", "old", "old+new"},
        {"sub\\\x95\x5C", open_mode::create_new, true, "x", "sub/\xE8\xA1\xA8", "x"},
        {"folder", open_mode::read, false, nullptr, nullptr, nullptr},
        {"missing", open_mode::read, false, nullptr, nullptr, nullptr},
        {"C:\\abs", open_mode::read, false, nullptr, nullptr, nullptr},  // "C:" is an ordinary name
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.path);
        std::wstring name;
        ASSERT_TRUE(media::core::to_platform_path(r.path.c_str(), name));
        platform::fs::file f;
        ASSERT_EQ(f.open(name, r.mode), r.opens);
        if (r.write) {
            const std::size_t n = std::strlen(r.write);
            EXPECT_EQ(f.write(r.write, n), static_cast<std::int64_t>(n));
        }
        f.close();
        if (r.file) {
            EXPECT_EQ(contents(r.file), r.contents);
        }
    }

    std::wstring name;
    ASSERT_TRUE(media::core::to_platform_path("sub\\a.txt", name));
    EXPECT_TRUE(platform::fs::remove_file(name));
    EXPECT_FALSE(std::filesystem::exists(dir_.at("sub/a.txt")));
}

TEST_F(MediaPath, RefusedPaths)
{
    std::wstring name = L"kept";
    EXPECT_FALSE(media::core::to_platform_path(nullptr, name));
    EXPECT_FALSE(media::core::to_platform_path("", name));
    EXPECT_FALSE(media::core::to_platform_path(std::string(260, 'a').c_str(), name));
    EXPECT_EQ(name, L"kept");
    EXPECT_TRUE(media::core::to_platform_path(std::string(259, 'a').c_str(), name));
    EXPECT_EQ(name.size(), 259u);
    // a lone lead byte at the end is not CP932: it decodes to the substitute
    EXPECT_TRUE(media::core::to_platform_path("a\x95", name));
    EXPECT_EQ(name, L"a\u30FB");
}

TEST_F(MediaPath, CurrentFolderReadsBackInCp932)
{
    dir_.folder("\xE6\x97\xA5\xE6\x9C\xAC");  // 日本
    ASSERT_EQ(media::core::set_current_folder("\x93\xFA\x96\x7B"), 0);
    char buffer[260];
    ASSERT_EQ(media::core::get_current_folder(buffer, sizeof buffer), 0);
    EXPECT_EQ(std::string(buffer), dir_.path() + "/\x93\xFA\x96\x7B");
    EXPECT_EQ(media::core::set_current_folder("missing"), -1);
    EXPECT_EQ(media::core::set_current_folder(nullptr), -1);

    // given only when it fits the caller's buffer with its NUL
    const int length = static_cast<int>(std::strlen(buffer));
    char exact[260];
    EXPECT_EQ(media::core::get_current_folder(exact, length + 1), 0);
    EXPECT_EQ(media::core::get_current_folder(exact, length), -1);
    EXPECT_STREQ(exact, "");
}

TEST_F(MediaPath, NamesCp932LacksComeBackAsQuestionMarks)
{
    char buffer[16];
    EXPECT_EQ(media::core::to_media_path(L"caf\u00E9\u8868", buffer, sizeof buffer), 6);
    EXPECT_STREQ(buffer, "caf?\x95\x5C");
    EXPECT_EQ(media::core::to_media_path(L"0123456789abcdef", buffer, sizeof buffer), -1);
    EXPECT_STREQ(buffer, "");
}

using LogFolder = media_test::log_folder;

TEST_F(LogFolder, WritesInAFolderNamedInJapanese)
{
    dir_.folder("\xE6\x97\xA5\xE6\x9C\xAC");
    ASSERT_EQ(media::core::set_current_folder("\x93\xFA\x96\x7B"), 0);
    ASSERT_EQ(media::core::store_log_folder(), 0);
    ASSERT_EQ(OpenLogFile(), 1);
    LogWrite("abc\n");
    EXPECT_EQ(read("\xE6\x97\xA5\xE6\x9C\xAC/Log.txt"), "0:abc\r\n");
}

}  // namespace
