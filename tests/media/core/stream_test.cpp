// Memory streams, the stream tables, the plain set's folders and searches,
// absolute paths and temporary files.
#include "media/core/stream.hpp"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/internal.hpp"
#include "media/core/threaded_file.hpp"

namespace {

using media::core::alloc_state;
using Streams = media_test::log_folder;

TEST_F(Streams, MemoryStreamReadsWholeElementsThenTheRest)
{
    char data[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const int blocks = alloc_state.count;
    MEMSTREAM* m = OpenMemStream(data, 10);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(alloc_state.count, blocks + 1);
    EXPECT_EQ(m->data, data);
    EXPECT_EQ(TellMemStream(m), 0);
    EXPECT_EQ(IsMemStreamAtEnd(m), 0);
    EXPECT_EQ(IsMemStreamIdle(m), 1);

    char out[12] = {};
    EXPECT_EQ(ReadMemStream(out, 4, 3, m), 2);
    EXPECT_EQ(std::string(out, 8), "01234567");
    EXPECT_EQ(TellMemStream(m), 8);
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(ReadMemStream(out, 4, 3, m), 1);  // the last 2 bytes, counted as one
    EXPECT_EQ(std::string(out, 4), "89xx");
    EXPECT_EQ(IsMemStreamAtEnd(m), 0);
    EXPECT_EQ(ReadMemStream(out, 4, 3, m), 0);
    EXPECT_NE(IsMemStreamAtEnd(m), 0);

    // both clamped seeks clear the end flag
    EXPECT_EQ(SeekMemStream(m, -5, 0), 0);
    EXPECT_EQ(TellMemStream(m), 0);
    EXPECT_EQ(IsMemStreamAtEnd(m), 0);
    ReadMemStream(out, 1, 20, m);
    ReadMemStream(out, 1, 20, m);
    ASSERT_NE(IsMemStreamAtEnd(m), 0);
    EXPECT_EQ(SeekMemStream(m, 15, 0), 0);
    EXPECT_EQ(TellMemStream(m), 10);
    EXPECT_EQ(IsMemStreamAtEnd(m), 0);

    struct seek_row {
        int offset, origin, position;  // in sequence
    };
    const seek_row seeks[] = {{3, 0, 3}, {2, 1, 5}, {-9, 1, 0}, {-4, 2, 6}, {5, 2, 10}, {4, 7, 4}};
    for (const seek_row& s : seeks) {
        EXPECT_EQ(SeekMemStream(m, s.offset, s.origin), 0);
        EXPECT_EQ(TellMemStream(m), s.position) << s.offset << " " << s.origin;
    }

    // reads of nothing copy nothing
    SeekMemStream(m, 0, 0);
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(ReadMemStream(out, 0, 5, m), 0);
    EXPECT_EQ(ReadMemStream(out, 4, 0, m), 0);
    EXPECT_EQ(ReadMemStream(out, -4, 2, m), 0);
    EXPECT_EQ(ReadMemStream(out, 4, -2, m), 0);
    EXPECT_EQ(std::string(out, 12), std::string(12, 'x'));
    EXPECT_EQ(TellMemStream(m), 0);

    EXPECT_EQ(CloseMemStream(m), 0);
    EXPECT_EQ(alloc_state.count, blocks);
    EXPECT_EQ(data[9], '9');  // the data stays the caller's

    EXPECT_EQ(TellMemStream(nullptr), -1);
    EXPECT_EQ(SeekMemStream(nullptr, 0, 0), -1);
    EXPECT_EQ(ReadMemStream(out, 1, 1, nullptr), 0);
    EXPECT_EQ(OpenMemStream(data, -1), nullptr);
    EXPECT_EQ(OpenMemStream(nullptr, 4), nullptr);
    MEMSTREAM* empty = OpenMemStream(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(ReadMemStream(out, 1, 1, empty), 0);
    EXPECT_NE(IsMemStreamAtEnd(empty), 0);
    CloseMemStream(empty);
}

TEST_F(Streams, StreamRefsReadFilesAndMemoryAlike)
{
    dir_.file("f", "abcdef");
    char block[] = "abcdef";
    STREAMREF refs[2] = {{*GetFileStreamOps(), OpenFileStream("f", 0, 0, 0)},
                         {*GetMemStreamOps(), OpenMemStream(block, 6)}};
    for (STREAMREF& ref : refs) {
        ASSERT_NE(ref.data, nullptr);
        char out[4] = {};
        EXPECT_EQ(ref.ops.read(out, 2, 1, ref.data), 1);
        EXPECT_EQ(ref.ops.seek(ref.data, 1, 1), 0);
        EXPECT_EQ(ref.ops.read(out, 3, 1, ref.data), 1);
        EXPECT_EQ(std::string(out, 3), "def");
        EXPECT_EQ(ref.ops.tell(ref.data), 6);
        EXPECT_EQ(ref.ops.read(out, 1, 1, ref.data), 0);
        EXPECT_NE(ref.ops.at_end(ref.data), 0);
        EXPECT_EQ(ref.ops.idle(ref.data), 1);
        EXPECT_EQ(ref.ops.close(ref.data), 0);
    }
}

// A table that counts its opens and serves nothing.
int counted_opens = 0;
void* counting_open(const char*, int, int, int)
{
    ++counted_opens;
    return nullptr;
}

TEST_F(Streams, SelectedTableServesEveryLaterOpen)
{
    dir_.file("f", "x");
    FILEOPS table = media::core::plain_file_ops;
    table.open = counting_open;
    counted_opens = 0;
    EXPECT_EQ(SelectFileAccessOps(&table), 0);
    EXPECT_EQ(OpenFileStream("f", 0, 0, 0), nullptr);
    EXPECT_EQ(OpenFileStream("f", 0, 0, 1), nullptr);
    EXPECT_EQ(counted_opens, 2);

    EXPECT_EQ(SelectFileAccessOps(nullptr), 0);  // the default, archive-aware set
    void* stream = OpenFileStream("f", 0, 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(counted_opens, 2);
    EXPECT_EQ(CloseFileStream(stream), 0);

    SelectFileAccessOps(&table);
    media::core::reset_state();  // back to the default, archive-aware set
    EXPECT_EQ(media::core::file_ops.open, media::core::archive_file_ops.open);
}

TEST_F(Streams, PlainSetFolders)
{
    dir_.folder("\xE6\x97\xA5\xE6\x9C\xAC");  // 日本
    char buffer[260];
    ASSERT_EQ(media::core::file_ops.set_current_folder("\x93\xFA\x96\x7B"), 0);
    ASSERT_EQ(media::core::file_ops.get_current_folder(buffer), 0);
    const std::string expected = dir_.path() + "/\x93\xFA\x96\x7B";
    EXPECT_EQ(std::string(buffer), expected);
    ASSERT_EQ(media::core::file_ops.set_current_folder(buffer), 0);
    EXPECT_EQ(media::core::file_ops.get_current_folder(buffer), 0);
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_EQ(media::core::file_ops.set_current_folder("missing"), -1);

    // a current folder too long for 260 bytes is not given
    std::string deep = dir_.path();
    for (int i = 0; i < 3; ++i) deep += "/" + std::string(90, char('a' + i));
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    EXPECT_EQ(media::core::file_ops.get_current_folder(buffer), -1);
    EXPECT_STREQ(buffer, "");
}

TEST_F(Streams, PlainSetSearches)
{
    dir_.file("dir/a.txt", "1");
    dir_.file("dir/b.txt", "12");
    dir_.file("dir/c.bin", "");
    dir_.file("dir/caf\xC3\xA9\xE8\xA1\xA8.txt", "123");  // café表.txt
    dir_.folder("dir/sub.txt");
    struct stat st {};
    ASSERT_EQ(::stat(dir_.at("dir/a.txt").c_str(), &st), 0);
    const int blocks = alloc_state.count;

    FILEINFO info{};
    std::vector<std::string> names;
    const std::intptr_t find = media::core::file_ops.find_first("dir\\*.txt", &info);
    ASSERT_NE(find, -1);
    EXPECT_EQ(std::string(info.name), "a.txt");
    EXPECT_EQ(info.directory, 0);
    EXPECT_EQ(info.size_low, 1u);
    EXPECT_EQ(info.size_high, 0u);
    DATEDATA written{};
    FileTimeToDateData(st.st_mtime, &written);
    EXPECT_EQ(std::memcmp(&info.last_written, &written, sizeof written), 0);
    EXPECT_GE(info.created.year, 1970);
    do {
        names.push_back(info.name);
        if (names.back() == "sub.txt") {
            EXPECT_EQ(info.directory, 1);
        }
    } while (media::core::file_ops.find_next(find, &info) == 0);
    EXPECT_EQ(media::core::file_ops.find_next(find, &info), -1);
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "b.txt", "caf?\x95\x5C.txt", "sub.txt"}));
    EXPECT_EQ(media::core::file_ops.find_close(find), 0);
    EXPECT_EQ(alloc_state.count, blocks);

    EXPECT_EQ(media::core::file_ops.find_first("dir\\*.none", &info), -1);
    EXPECT_EQ(media::core::file_ops.find_first("missing\\*", &info), -1);
    EXPECT_EQ(media::core::file_ops.find_first(std::string(260, 'a').c_str(), &info), -1);
    const std::intptr_t one = media::core::file_ops.find_first("dir\\b.txt", nullptr);
    ASSERT_NE(one, -1);
    EXPECT_EQ(media::core::file_ops.find_next(one, nullptr), -1);
    EXPECT_EQ(media::core::file_ops.find_close(one), 0);
    EXPECT_EQ(media::core::file_ops.find_close(-1), -1);
    EXPECT_EQ(alloc_state.count, blocks);
}

TEST_F(Streams, HugeFilesShowTheirSizeInTwoWords)
{
    const int fd = ::open(dir_.at("huge").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0xC0000000LL), 0);
    ::close(fd);
    FILEINFO info{};
    const std::intptr_t find = FindFirstFilePlain("huge", &info);
    ASSERT_NE(find, -1);
    EXPECT_EQ(info.size_high, 0u);
    EXPECT_EQ(info.size_low, 0xC0000000u);
    FindClosePlain(find);
}

TEST(FullPath, Table)
{
    enum { resolve, compose };
    struct row {
        int variant;
        const char* path;
        const char* base;
        int result;
        const char* output;
    };
    const row rows[] = {
        {resolve, "a\\..\\b.png", "C:\\X", 0, "C:\\X\\b.png"},
        {resolve, "a\\\\b", "C:\\X", 0, "C:\\X\\a\\b"},
        {compose, "a\\\\b", "C:\\X", -1, ""},
        {compose, "a\\..\\b.png", "C:\\X", 0, "C:\\X\\b.png"},
        {resolve, "..\\..", "C:\\", 0, "C:"},
        {compose, "..\\..\\x", "C:\\", 0, "C:\\x"},
        {resolve, nullptr, "C:\\X", 0, "C:\\X"},
        {compose, nullptr, "C:\\X\\", 0, "C:\\X\\"},
        {resolve, "\x95\\\\a", "C:\\X", 0, "C:\\X\\\x95\\\\a"},  // 表 is one component
        {resolve, ".\\a\\.\\b\\", "C:\\X\\", 0, "C:\\X\\a\\b"},
        {resolve, "\\y", "C:\\X", 0, "C:\\y"},
        {resolve, "/x/y", "C:\\X", 0, "C:\\x\\y"},
        {compose, "/x/y", "C:\\X", 0, "C:\\x\\y"},
        {resolve, "D:\\y", "C:\\X", 0, "D:\\y"},
        {resolve, "D:y", "C:\\X", 0, "D:\\y"},
        {compose, "D:/y", "C:\\X", 0, "D:\\y"},
        {resolve, "\\\\server\\share\\..\\x", "C:\\X", 0, "\\\\server\\x"},
        {resolve, "//server/share", "C:\\X", 0, "\\\\server\\share"},
        {compose, "\\\\server", "C:\\X", -1, ""},
        {resolve, "x\\\x95\\", "C:\\\x95\\", 0, "C:\\\x95\\\\x\\\x95\\"},  // a trail 0x5C is no trailing separator
        // POSIX bases: no drive, so the root is where ".." stops
        {resolve, "/x/y", "/home/u", 0, "\\x\\y"},
        {resolve, "a.png", "/home/u", 0, "/home/u\\a.png"},
        {resolve, "..\\..\\..\\a", "/home/u", 0, "\\a"},
        {resolve, "..\\..", "/home/u", 0, "\\"},
        {resolve, "\\a", "/home/u/", 0, "\\a"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.path ? r.path : "(null)");
        char out[260];
        std::strcpy(out, "junk");
        const int result = r.variant == resolve ? ResolveFullPath(r.path, out, r.base)
                                                : ComposeFullPath(r.path, out, r.base);
        EXPECT_EQ(result, r.result);
        EXPECT_EQ(std::string(out), r.output);
    }

    // a result that would not fit 260 bytes is refused, never written past
    const std::string long_name(200, 'a');
    char out[260];
    EXPECT_EQ(ResolveFullPath(long_name.c_str(), out, ("C:\\" + std::string(100, 'b')).c_str()), -1);
    EXPECT_STREQ(out, "");
}

TEST_F(Streams, FullPathsAgainstTheCurrentFolder)
{
    char out[260];
    ASSERT_EQ(ResolveFullPath("a\\b", out, nullptr), 0);
    EXPECT_EQ(std::string(out), dir_.path() + "\\a\\b");
    ASSERT_EQ(ComposeFullPath("..\\c", out, nullptr), 0);
    std::string parent = dir_.path().substr(0, dir_.path().rfind('/'));
    EXPECT_EQ(std::string(out), parent + "\\c");

    dir_.folder("Mixed");
    std::filesystem::current_path(dir_.at("Mixed"));
    ASSERT_EQ(ResolveFullPathUpper(out, "sub\\\x82\xa0x.png"), 0);  // あx.png
    std::string upper = dir_.path() + "/MIXED\\SUB\\\x82\xa0X.PNG";
    for (char& c : upper) c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    EXPECT_EQ(std::string(out), upper);
    ASSERT_EQ(ResolveFullPathUpper(out, "c:x"), 0);
    EXPECT_EQ(std::string(out), "C:\\X");
}

TEST_F(Streams, TemporaryFilesAreNewAndEmpty)
{
    const char* previous = std::getenv("TMPDIR");
    const std::string saved = previous ? previous : "";
    ::setenv("TMPDIR", dir_.path().c_str(), 1);
    char path[260];
    platform::fs::file file = OpenNewTempFile(path);
    ASSERT_TRUE(file.is_open());
    EXPECT_EQ(std::string(path).rfind(dir_.path() + "/tmp", 0), 0u);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_EQ(file.write("abc", 3), 3);
    file.close();
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
    platform::fs::file other = OpenNewTempFile(nullptr);
    EXPECT_TRUE(other.is_open());

    // a folder whose name CP932 cannot carry: no file, no path
    dir_.folder("caf\xC3\xA9");
    ::setenv("TMPDIR", dir_.at("caf\xC3\xA9").c_str(), 1);
    platform::fs::file refused = OpenNewTempFile(path);
    EXPECT_FALSE(refused.is_open());
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(std::filesystem::is_empty(dir_.at("caf\xC3\xA9")));
    if (previous)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace
