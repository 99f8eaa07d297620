// Open files, wildcard listings, the current folder and temporary files.
#include "platform/fs/file.hpp"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_folder.hpp"

namespace {

using platform::fs::file;
using platform::fs::open_mode;
using platform::fs::seek_origin;

std::size_t open_descriptors()
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                   std::filesystem::directory_iterator()));
}

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of size bytes that holds none: the file system keeps a hole.
void make_sparse(const std::string& path, off_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

TEST(PlatformFile, ReadsSeeksAndSizes)
{
    support::temp_folder dir;
    dir.file("ten", "0123456789");
    file f;
    ASSERT_TRUE(f.open(dir.wpath() + L"/ten", open_mode::read));
    EXPECT_EQ(f.size(), 10);
    char buffer[16] = {};
    EXPECT_EQ(f.read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "0123");
    EXPECT_EQ(f.seek(-2, seek_origin::end), 8);
    EXPECT_EQ(f.read(buffer, 16), 2);
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_EQ(f.read(buffer, 16), 0);
    EXPECT_EQ(f.seek(-3, seek_origin::current), 7);
    EXPECT_EQ(f.seek(-1, seek_origin::begin), -1);
    EXPECT_EQ(f.seek(platform::fs::file_size_limit, seek_origin::begin), -1);
    EXPECT_EQ(f.seek(0, seek_origin::current), 7);  // a refused seek keeps the position
    EXPECT_EQ(f.write("x", 1), -1);                  // opened for reading
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(f.is_open());
    EXPECT_EQ(f.read(buffer, 1), -1);
    EXPECT_TRUE(f.close());
}

TEST(PlatformFile, CreateNewAndOpenAlways)
{
    support::temp_folder dir;
    const std::wstring name = dir.wpath() + L"/\u8868.txt";
    file f;
    ASSERT_TRUE(f.open(name, open_mode::create_new));
    EXPECT_EQ(f.write("abc", 3), 3);
    file moved(std::move(f));
    EXPECT_FALSE(f.is_open());
    EXPECT_TRUE(moved.close());
    EXPECT_FALSE(f.open(name, open_mode::create_new));  // exists
    EXPECT_EQ(contents(dir.at("\xE8\xA1\xA8.txt")), "abc");

    ASSERT_TRUE(f.open(name, open_mode::open_always));
    EXPECT_EQ(f.write("def", 3), 3);
    ASSERT_TRUE(f.open(dir.wpath() + L"/new", open_mode::open_always));  // made when missing
    EXPECT_EQ(f.write("n", 1), 1);
    f.close();
    EXPECT_EQ(contents(dir.at("\xE8\xA1\xA8.txt")), "abcdef");
    EXPECT_EQ(contents(dir.at("new")), "n");
}

TEST(PlatformFile, BadNamesFailAndLeaveNothingOpen)
{
    support::temp_folder dir;
    dir.folder("folder");
    dir.file("f", "x");
    ASSERT_EQ(::mkfifo(dir.at("fifo").c_str(), 0644), 0);
    const std::wstring long_name = dir.wpath() + L"/" + std::wstring(300, L'a');
    const std::size_t before = open_descriptors();
    struct row {
        std::wstring name;
        open_mode mode;
    };
    const row rows[] = {
        {dir.wpath() + L"/missing", open_mode::read},
        {dir.wpath() + L"/folder", open_mode::read},
        {dir.wpath() + L"/folder", open_mode::open_always},
        {dir.wpath() + L"/fifo", open_mode::read},  // would wait for a writer
        {dir.wpath() + std::wstring(L"/f\0x", 4), open_mode::read},
        {dir.wpath() + std::wstring(L"/n\0x", 4), open_mode::create_new},
        {long_name, open_mode::create_new},
        {L"", open_mode::read},
        {dir.wpath() + L"/missing/x", open_mode::open_always},
    };
    for (const row& r : rows) {
        file f;
        EXPECT_FALSE(f.open(r.name, r.mode)) << static_cast<int>(r.mode);
        EXPECT_FALSE(f.is_open());
    }
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_FALSE(std::filesystem::exists(dir.at("n")));
}

TEST(PlatformFile, FilesOfTwoGibibytesAreRefused)
{
    support::temp_folder dir;
    make_sparse(dir.at("just-under"), 0x7FFFFFFF);
    make_sparse(dir.at("two"), 0x80000000LL);
    make_sparse(dir.at("three"), 0xC0000000LL);
    const std::size_t before = open_descriptors();
    file f;
    EXPECT_TRUE(f.open(dir.wpath() + L"/just-under", open_mode::read));
    EXPECT_EQ(f.size(), 0x7FFFFFFF);
    EXPECT_EQ(f.write("x", 1), -1);
    EXPECT_FALSE(f.open(dir.wpath() + L"/two", open_mode::read));
    EXPECT_FALSE(f.open(dir.wpath() + L"/three", open_mode::read));
    EXPECT_FALSE(f.open(dir.wpath() + L"/three", open_mode::open_always));
    EXPECT_EQ(open_descriptors(), before);

    // a listing still reports the whole size
    std::vector<platform::fs::entry_info> entries;
    ASSERT_TRUE(platform::fs::find_entries(dir.wpath() + L"/three", entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, 0xC0000000ULL);
}

TEST(PlatformFile, ReadFaultSwitch)
{
    support::temp_folder dir;
    dir.file("ten", "0123456789");
    file f;
    ASSERT_TRUE(f.open(dir.wpath() + L"/ten", open_mode::read));
    char buffer[10];
    platform::fs::fault_nth_read(2, 3);
    EXPECT_EQ(f.read(buffer, 2), 2);
    EXPECT_EQ(f.read(buffer, 4), 3);  // the second comes up short
    EXPECT_EQ(f.read(buffer, 1), 1);
    platform::fs::fault_nth_read(1, -1);
    EXPECT_EQ(f.read(buffer, 1), -1);
    EXPECT_EQ(f.read(buffer, 10), 4);
}

TEST(PlatformFind, Wildcards)
{
    struct row {
        const wchar_t* pattern;
        const wchar_t* name;
        bool match;
    };
    const row rows[] = {
        {L"*", L"", true},          {L"*", L"a.txt", true},      {L"*.txt", L"a.txt", true},
        {L"*.txt", L"a.txt.bak", false}, {L"*.txt", L"A.TXT", false}, {L"a?.txt", L"ab.txt", true},
        {L"a?.txt", L"a.txt", false}, {L"a?.txt", L"abc.txt", false}, {L"a*b*c", L"aXbYbZc", true},
        {L"a*b*c", L"aXbYcZ", false}, {L"?", L"\u8868", true},       {L"**x", L"x", true},
        {L"", L"", true},           {L"", L"a", false},
    };
    for (const row& r : rows)
        EXPECT_EQ(platform::fs::wildcard_match(r.pattern, r.name), r.match) << r.pattern << " " << r.name;
}

TEST(PlatformFind, ListsMatchesOfOneFolder)
{
    support::temp_folder dir;
    dir.file("dir/b.txt", "12345");
    dir.file("dir/a1.txt", "1");
    dir.file("dir/a12.txt", "12");
    dir.file("dir/c.bin", "");
    dir.folder("dir/sub");
    std::vector<platform::fs::entry_info> entries;

    ASSERT_TRUE(platform::fs::find_entries(dir.wpath() + L"/dir/*.txt", entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, L"a1.txt");
    EXPECT_EQ(entries[1].name, L"a12.txt");
    EXPECT_EQ(entries[2].name, L"b.txt");
    EXPECT_FALSE(entries[2].folder);
    EXPECT_EQ(entries[2].size, 5u);
    struct stat st {};
    ASSERT_EQ(::stat(dir.at("dir/b.txt").c_str(), &st), 0);
    EXPECT_EQ(entries[2].last_written, st.st_mtime);
    EXPECT_LE(entries[2].created, entries[2].last_written);
    EXPECT_GT(entries[2].created, 0);

    ASSERT_TRUE(platform::fs::find_entries(dir.wpath() + L"/dir/a?.txt", entries));
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, L"a1.txt");

    ASSERT_TRUE(platform::fs::find_entries(dir.wpath() + L"/dir/*", entries));
    ASSERT_EQ(entries.size(), 5u);  // no "." or ".."
    EXPECT_EQ(entries[4].name, L"sub");
    EXPECT_TRUE(entries[4].folder);
    EXPECT_EQ(entries[4].size, 0u);

    ASSERT_TRUE(platform::fs::find_entries(dir.wpath() + L"/dir/*.none", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(platform::fs::find_entries(dir.wpath() + L"/missing/*", entries));
    EXPECT_FALSE(platform::fs::find_entries(dir.wpath() + L"/dir/b.txt/*", entries));
    EXPECT_FALSE(platform::fs::find_entries(std::wstring(L"a\0*", 3), entries));
    EXPECT_FALSE(platform::fs::find_entries(L"", entries));
}

TEST(PlatformFind, LocalTimeOfFileTimes)
{
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    const platform::local_time t = platform::fs::to_local_time(1278821109);  // 2010-07-11 04:05:09 UTC
    EXPECT_EQ(t.year, 2010);
    EXPECT_EQ(t.month, 7);
    EXPECT_EQ(t.day, 11);
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 5);
    EXPECT_EQ(t.second, 9);
    if (previous)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(PlatformFolder, SetCurrentFolder)
{
    support::temp_folder dir;
    dir.folder("\xE6\x97\xA5\xE6\x9C\xAC");
    const std::filesystem::path previous = std::filesystem::current_path();
    ASSERT_TRUE(platform::fs::set_current_folder(dir.wpath() + L"/\u65E5\u672C"));
    EXPECT_EQ(std::filesystem::current_path().string(), dir.at("\xE6\x97\xA5\xE6\x9C\xAC"));
    EXPECT_FALSE(platform::fs::set_current_folder(dir.wpath() + L"/missing"));
    EXPECT_FALSE(platform::fs::set_current_folder(L""));
    EXPECT_EQ(std::filesystem::current_path().string(), dir.at("\xE6\x97\xA5\xE6\x9C\xAC"));
    std::filesystem::current_path(previous);
}

TEST(PlatformTemporaryFile, MadeOnceInTheTemporaryFolder)
{
    support::temp_folder dir;
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    ::setenv("TMPDIR", (dir.path() + "/").c_str(), 1);
    file f;
    std::wstring first, second;
    ASSERT_TRUE(platform::fs::create_temporary_file(f, first));
    EXPECT_EQ(f.write("abc", 3), 3);
    file g;
    ASSERT_TRUE(platform::fs::create_temporary_file(g, second));
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(dir.wpath() + L"/tmp", 0), 0u);
    f.close();
    EXPECT_EQ(contents(std::string(first.begin(), first.end())), "abc");
    EXPECT_EQ(std::filesystem::file_size(std::string(second.begin(), second.end())), 0u);

    ::setenv("TMPDIR", (dir.path() + "/missing").c_str(), 1);
    EXPECT_FALSE(platform::fs::create_temporary_file(f, first));
    if (previous)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
