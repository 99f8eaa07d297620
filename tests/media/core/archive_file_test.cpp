// The archive-aware file access: paths served from the archive their leading
// folder names, shared archives, the open-file table.
#include "media/core/archive.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive_writer.hpp"
#include "log_folder.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/system/startup.hpp"

namespace {

using namespace archive_test;
using media::core::archive_state;

class ArcFiles : public media_test::log_folder {
protected:
    void SetUp() override
    {
        log_folder::SetUp();
        dir_.file("GFX.DXA", keyed(plain_archive(folder("", {file("A.png", "from the archive"),
                                                              file("b.txt", std::string(100, 'b'), true),
                                                              folder("sub", {file("c.txt", "C")})}))));
        ASSERT_EQ(SelectFileAccessOps(nullptr), 0);
        OpenLogFile();
    }

    std::string read_stream(void* stream)
    {
        std::string out;
        char buffer[16];
        int n;
        while ((n = ReadFileStream(buffer, 1, sizeof buffer, stream)) > 0) out.append(buffer, static_cast<std::size_t>(n));
        return out;
    }

    int open_archives() const
    {
        return archive_state.archive_count;
    }
};

TEST_F(ArcFiles, LeadingFolderNamesTheArchive)
{
    dir_.file("gfx/missing.png", "plain");  // the archive decides: no fall-back
    dir_.file("plain.txt", "plain text");
    dir_.file("DATA.DXA", keyed(plain_archive(folder("", {}))));
    dir_.file("data", "the file itself");

    void* s = OpenFileStream("gfx/a.png", 0, 0, 0);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(s) & 0xF0000000u, 0xF0000000u);
    EXPECT_EQ(read_stream(s), "from the archive");
    EXPECT_EQ(IsFileStreamAtEnd(s), -1);
    EXPECT_EQ(SeekFileStream(s, 5, 0), 0);
    EXPECT_EQ(TellFileStream(s), 5);
    EXPECT_EQ(IsFileStreamIdle(s), 1);
    EXPECT_EQ(CloseFileStream(s), 0);

    s = OpenFileStream("gfx\\SUB\\c.txt", 0, 0, 1);
    ASSERT_NE(s, nullptr);
    char c = 0;
    EXPECT_EQ(ReadFileStream(&c, 1, 1, s), 1);
    while (IsFileStreamIdle(s) == 0) {
    }
    EXPECT_EQ(c, 'C');
    CloseFileStream(s);

    s = OpenFileStream("gfx/b.txt", 0, 0, 0);  // packed, read in whole elements
    ASSERT_NE(s, nullptr);
    char buffer[120];
    EXPECT_EQ(ReadFileStream(buffer, 30, 4, s), 3);  // 100 bytes: 3 whole elements
    CloseFileStream(s);

    EXPECT_EQ(OpenFileStream("gfx/missing.png", 0, 0, 0), nullptr);
    EXPECT_NE(read().find("ＤＸＡファイルの中に指定のファイルは見つかりませんでした"), std::string::npos);

    s = OpenFileStream("plain.txt", 0, 0, 0);  // no folder names an archive
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(read_stream(s), "plain text");
    CloseFileStream(s);
    s = OpenFileStream("data", 0, 0, 0);  // the file name is never taken for an archive
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(read_stream(s), "the file itself");
    CloseFileStream(s);
    EXPECT_EQ(archive_state.file_count, 0);
}

TEST_F(ArcFiles, FilesShareAnArchiveUntilTheSweep)
{
    void* a = OpenFileStream("gfx/a.png", 0, 0, 0);
    void* b = OpenFileStream("gfx/b.txt", 0, 0, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(open_archives(), 1);
    EXPECT_EQ(archive_state.archives[0]->use_count, 2);
    CloseFileStream(a);
    CloseFileStream(b);
    EXPECT_EQ(open_archives(), 1);
    EXPECT_EQ(CloseUnusedArchives(), 0);
    EXPECT_EQ(open_archives(), 0);
    // the remembered hit opens the archive afresh
    a = OpenFileStream("gfx/a.png", 0, 0, 0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(read_stream(a), "from the archive");
    CloseFileStream(a);
}

TEST_F(ArcFiles, SearchesInsideAndOutsideArchives)
{
    std::vector<std::string> names;
    FILEINFO info{};
    std::intptr_t find = media::core::file_ops.find_first("gfx/*", &info);
    ASSERT_NE(find, -1);
    do names.push_back(info.name);
    while (media::core::file_ops.find_next(find, &info) == 0);
    EXPECT_EQ(names, (std::vector<std::string>{".", "A.png", "b.txt", "sub"}));
    EXPECT_EQ(archive_state.archives[0]->use_count, 1);
    EXPECT_EQ(media::core::file_ops.find_close(find), 0);
    EXPECT_EQ(archive_state.archives[0]->use_count, 0);
    EXPECT_EQ(media::core::file_ops.find_first("gfx/none/*", &info), -1);
    EXPECT_EQ(archive_state.archives[0]->use_count, 0);

    find = media::core::file_ops.find_first("GFX.DXA", &info);  // outside: the plain search
    ASSERT_NE(find, -1);
    EXPECT_STREQ(info.name, "GFX.DXA");
    EXPECT_EQ(media::core::file_ops.find_close(find), 0);
}

TEST_F(ArcFiles, TheOpenFileTableHolds512)
{
    dir_.file("f", "x");
    std::vector<void*> open;
    for (int i = 0; i < 512; ++i) {
        open.push_back(OpenFileStream(i % 2 ? "f" : "gfx/a.png", 0, 0, 0));
        ASSERT_NE(open.back(), nullptr) << i;
    }
    EXPECT_EQ(OpenFileStream("f", 0, 0, 0), nullptr);
    EXPECT_NE(read().find("同時に開けるファイルの数が限界を超えました"), std::string::npos);
    CloseFileStream(open[7]);
    void* again = OpenFileStream("f", 0, 0, 0);
    EXPECT_EQ(again, open[7]);  // the lowest free slot
    open[7] = again;
    for (void* s : open) EXPECT_EQ(CloseFileStream(s), 0);
}

TEST_F(ArcFiles, EmptySlotsAndLongPathsAreRefused)
{
    void* empty = reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xF0000003u));
    char buffer[4];
    EXPECT_EQ(ArcFileClose(empty), -1);
    EXPECT_EQ(ArcFileTell(empty), -1);
    EXPECT_EQ(ArcFileSeek(empty, 0, 0), -1);
    EXPECT_EQ(ArcFileRead(buffer, 1, 4, empty), -1);
    EXPECT_EQ(ArcFileEof(empty), -1);
    EXPECT_EQ(ArcFileIdle(empty), -1);

    const std::string long_path = "gfx/" + std::string(300, 'x') + "/a.png";
    int index = -1;
    EXPECT_EQ(LocateArchiveForPath(long_path.c_str(), &index, nullptr, nullptr), -1);
    EXPECT_EQ(OpenFileStream(long_path.c_str(), 0, 0, 0), nullptr);
}

// The file system tells cases apart; an archive's name does not depend on
// its case, and of several that match the first in byte order serves.
TEST_F(ArcFiles, ArchiveNamesMatchInAnyCase)
{
    const auto archive_of = [](const std::string& text) {
        return keyed(plain_archive(folder("", {file("a.png", text)})));
    };
    struct row {
        const char* what;
        std::vector<std::string> archives;  // names in folder "r"
        std::string expected;
    };
    const row rows[] = {
        {"lower case", {"gfx.dxa"}, "gfx.dxa"},
        {"mixed case", {"Gfx.DXA"}, "Gfx.DXA"},
        {"upper case", {"GFX.DXA"}, "GFX.DXA"},
        {"two names: the byte-order first", {"gfx.DXA", "Gfx.dxa"}, "Gfx.dxa"},
        {"the upper-case name before the others", {"gfx.dxa", "GFX.DXA", "GFX.dxa"}, "GFX.DXA"},
        {"no archive: the plain file", {}, "plain"},
        {"a folder of that name is no archive", {}, "plain"},
    };
    int n = 0;
    for (const row& r : rows) {
        const std::string base = "r" + std::to_string(n++);
        for (const std::string& name : r.archives) dir_.file(base + "/" + name, archive_of(name));
        if (std::strcmp(r.what, "a folder of that name is no archive") == 0)
            dir_.folder(base + "/gfx.dxa");
        dir_.file(base + "/gfx/a.png", "plain");
        void* s = OpenFileStream((base + "/gfx/a.png").c_str(), 0, 0, 0);
        ASSERT_NE(s, nullptr) << r.what;
        EXPECT_EQ(read_stream(s), r.expected) << r.what;
        CloseFileStream(s);
    }
    // an archive named in another case is shared as one
    void* a = OpenFileStream("r0/gfx/a.png", 0, 0, 0);
    void* b = OpenFileStream("r0/GFX/A.PNG", 0, 0, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(read_stream(b), "gfx.dxa");
    CloseFileStream(a);
    CloseFileStream(b);
}

// An archive that does not open counts as none: the plain file beside it
// opens, at once.
TEST_F(ArcFiles, DamagedArchivesCountAsNone)
{
    const std::string good = plain_archive(folder("", {file("x.png", "archived")}));
    std::string random(600, '\0');
    std::uint32_t seed = 99;
    for (char& c : random) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 24);
    }
    struct row {
        const char* what;
        std::string stored;
    };
    std::vector<row> rows;
    rows.push_back({"truncated header", keyed(good.substr(0, 20))});
    rows.push_back({"truncated head block", keyed(good.substr(0, good.size() - 8))});
    std::string s = good;
    set32(s, head_size_at, 0xFFFFFFF0);
    rows.push_back({"head size past the end", keyed(s)});
    s = good;
    set32(s, directory_table_at, 0x7FFFFFFF);
    rows.push_back({"directory table past the head", keyed(s)});
    s = good;
    s[2] = 9;
    rows.push_back({"version 9", keyed(s)});
    rows.push_back({"random bytes", random});
    rows.push_back({"empty", ""});
    int n = 0;
    for (const row& r : rows) {
        for (const char* folder_name : {"d", "pics"}) {
            const std::string base = "c" + std::to_string(n++) + "/";
            std::string upper = folder_name;
            for (char& c : upper) c = static_cast<char>(c - 32);
            dir_.file(base + upper + ".DXA", r.stored);
            dir_.file(base + folder_name + "/x.png", "plain");
            void* f = OpenFileStream((base + folder_name + "/x.png").c_str(), 0, 0, 0);
            ASSERT_NE(f, nullptr) << r.what;
            EXPECT_EQ(read_stream(f), "plain") << r.what;
            CloseFileStream(f);
        }
    }
    EXPECT_EQ(open_archives(), 0);
}

// 512 archives opened and left unused fill the table; the 513th sweeps it.
TEST_F(ArcFiles, AFullTableOfUnusedArchivesIsSweptForANewOne)
{
    const std::string stored = keyed(plain_archive(folder("", {file("f.txt", "F")})));
    for (int i = 0; i <= 512; ++i) dir_.file("a" + std::to_string(i) + "/X.DXA", stored);
    for (int i = 0; i < 512; ++i) {
        void* f = OpenFileStream(("a" + std::to_string(i) + "/x/f.txt").c_str(), 0, 0, 0);
        ASSERT_NE(f, nullptr) << i;
        CloseFileStream(f);
    }
    EXPECT_EQ(open_archives(), 512);
    void* f = OpenFileStream("a512/x/f.txt", 0, 0, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(read_stream(f), "F");
    EXPECT_EQ(open_archives(), 1);
    CloseFileStream(f);
}

TEST_F(ArcFiles, AFailedAllocationTakesNoSlot)
{
    const int blocks = media::core::alloc_state.count;
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(ArcFileOpen("gfx/a.png", 0, 0, 0), nullptr);
    media::core::fail_next_heap_requests(0);
    EXPECT_NE(read().find("ファイルの情報を格納するメモリの確保に失敗しました"), std::string::npos);
    EXPECT_EQ(archive_state.file_count, 0);
    EXPECT_EQ(archive_state.files[0], nullptr);
    EXPECT_EQ(media::core::alloc_state.count, blocks);

    // each later request of the open failing in turn (the shared archive's
    // record and its file among them): an open that fails takes no slot and
    // keeps nothing, one that succeeds reads the entry
    for (int passing = 1; passing < 12; ++passing) {
        media::core::fail_heap_requests_after(passing, 1);
        void* f = ArcFileOpen("gfx/a.png", 0, 0, 0);
        media::core::fail_next_heap_requests(0);
        if (f != nullptr) {
            char buffer[16] = {};
            EXPECT_EQ(ArcFileRead(buffer, 1, 16, f), 16) << passing;
            EXPECT_EQ(ArcFileClose(f), 0);
        } else {
            EXPECT_EQ(archive_state.file_count, 0) << passing;
            for (const auto* file : archive_state.files) EXPECT_EQ(file, nullptr) << passing;
        }
        CloseUnusedArchives();
        for (const auto* shared : archive_state.archives) EXPECT_EQ(shared, nullptr) << passing;
        EXPECT_EQ(media::core::alloc_state.count, blocks) << passing;
    }
}

TEST_F(ArcFiles, ReadsOfNoElementsCopyNothing)
{
    void* f = ArcFileOpen("gfx/a.png", 0, 0, 0);
    ASSERT_NE(f, nullptr);
    const int sizes[][2] = {{0, 4}, {4, 0}, {-1, 4}, {4, -1}, {-4, -4}};
    for (const auto& size : sizes) {
        char buffer[16];
        std::memset(buffer, '?', sizeof buffer);
        EXPECT_EQ(ArcFileRead(buffer, size[0], size[1], f), 0) << size[0] << " " << size[1];
        EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(16, '?'));
        EXPECT_EQ(ArcFileTell(f), 0);
    }
    ArcFileClose(f);
}

class ArcFilesStarted : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        platform::headless::set_clock_step(1);
    }
};

// Start-up and the end each close the archives nothing uses any more.
TEST_F(ArcFilesStarted, StartAndEndSweepUnusedArchives)
{
    dir_.file("GFX.DXA", keyed(plain_archive(folder("", {file("a.png", "A")}))));
    for (int step = 0; step < 2; ++step) {
        void* f = OpenFileStream("gfx/a.png", 0, 0, 0);
        ASSERT_NE(f, nullptr);
        CloseFileStream(f);
        EXPECT_EQ(archive_state.archive_count, 1);
        if (step == 0) {
            ASSERT_EQ(InitMediaLayer(), 0);
        } else {
            ASSERT_EQ(EndMediaLayer(), 0);
        }
        EXPECT_EQ(archive_state.archive_count, 0) << step;
    }
}

}  // namespace
