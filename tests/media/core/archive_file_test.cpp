// The archive-aware file access: paths served from the archive their leading
// folder names, shared archives, the open-file table.
#include "media/core/archive.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive_writer.hpp"
#include "log_folder.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"

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

}  // namespace
