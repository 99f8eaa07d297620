// Copies of files and folder trees: names kept or numbered on collision,
// links copied as links, refusals that create nothing, failures undone.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"
#include "support/temp_folder.hpp"

namespace {

namespace sfs = std::filesystem;

std::string bytes_at(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t entries_under(const std::string& folder)
{
    std::size_t n = 0;
    for (auto it = sfs::recursive_directory_iterator(folder); it != sfs::recursive_directory_iterator(); ++it) ++n;
    return n;
}

class PlatformShellCopy : public ::testing::Test {
protected:
    support::temp_folder dir;

    // Wide names from the UTF-8 bytes on disk.
    std::wstring w(const std::string& name) const { return platform::text::from_utf8(dir.at(name)); }

    int copy(const std::string& from, const std::string& to, std::wstring& renamed)
    {
        return platform::shell::system_shell().copy(w(from), w(to), renamed);
    }
};

TEST_F(PlatformShellCopy, FilesKeepTheirNameOrGetTheFirstFreeNumber)
{
    struct row {
        std::string source, destination, lands_at;  // lands_at empty: no rename
    };
    dir.folder("in");
    dir.folder("out");
    std::vector<row> rows = {
        {"in/a.txt", "out/a.txt", ""},
        {"in/a.txt", "out/a.txt", "out/a (2).txt"},
        {"in/a.txt", "out/a.txt", "out/a (3).txt"},
        {"in/.profile", "out/.profile", ""},
        {"in/.profile", "out/.profile", "out/.profile (2)"},
        {"in/a.tar.gz", "out/a.tar.gz", ""},
        {"in/a.tar.gz", "out/a.tar.gz", "out/a.tar (2).gz"},
        {"in/noext", "out/noext", ""},
        {"in/noext", "out/noext", "out/noext (2)"},
        {"in/\xE8\xA1\xA8 x\\y.txt", "out/\xE8\xA1\xA8 x\\y.txt", ""},
        {"in/\xE8\xA1\xA8 x\\y.txt", "out/\xE8\xA1\xA8 x\\y.txt", "out/\xE8\xA1\xA8 x\\y (2).txt"},
        // onto itself
        {"in/a.txt", "in/a.txt", "in/a (2).txt"},
    };
    // A Latin-1 byte, not UTF-8: its name survives once wide names keep
    // such bytes exactly.
    if (platform::text::to_utf8(platform::text::from_utf8("\xE9")) == "\xE9") {
        rows.push_back({"in/caf\xE9.txt", "out/caf\xE9.txt", ""});
        rows.push_back({"in/caf\xE9.txt", "out/caf\xE9.txt", "out/caf\xE9 (2).txt"});
    }
    for (const row& r : rows)
        if (!sfs::exists(dir.at(r.source))) dir.file(r.source, "bytes of " + r.source);
    ::chmod(dir.at("in/a.txt").c_str(), 0751);

    for (const row& r : rows) {
        std::wstring renamed = L"stale";
        ASSERT_EQ(copy(r.source, r.destination, renamed), 0) << r.destination << ": " << platform::error();
        const std::string landed = r.lands_at.empty() ? r.destination : r.lands_at;
        EXPECT_EQ(renamed, r.lands_at.empty() ? L"" : w(r.lands_at)) << r.destination;
        EXPECT_EQ(bytes_at(dir.at(landed)), "bytes of " + r.source) << landed;
    }
    EXPECT_EQ(sfs::status(dir.at("out/a (3).txt")).permissions(), sfs::perms(0751));
    EXPECT_EQ(entries_under(dir.at("out")), rows.size() - 1);
}

TEST_F(PlatformShellCopy, FoldersAreCopiedWholeWithLinksAsLinks)
{
    dir.file("pics/one.png", "1");
    dir.file("pics/deep/er/two.png", "2");
    dir.folder("pics/empty");
    sfs::create_symlink("deep/er", dir.at("pics/to-er"));
    sfs::create_symlink("/nonexistent/target", dir.at("pics/dangling"));
    sfs::create_symlink(dir.at("pics"), dir.at("pics/deep/loop"));  // followed, it would never end
    ::chmod(dir.at("pics/deep/er").c_str(), 0555);
    dir.folder("target/pics");

    std::wstring renamed;
    ASSERT_EQ(copy("pics", "target/pics", renamed), 0) << platform::error();
    EXPECT_EQ(renamed, w("target/pics (2)"));
    const std::string c = dir.at("target/pics (2)");
    EXPECT_EQ(bytes_at(c + "/one.png"), "1");
    EXPECT_EQ(bytes_at(c + "/deep/er/two.png"), "2");
    EXPECT_TRUE(sfs::is_directory(c + "/empty"));
    EXPECT_TRUE(sfs::is_symlink(c + "/to-er"));
    EXPECT_EQ(sfs::read_symlink(c + "/to-er"), "deep/er");
    EXPECT_EQ(sfs::read_symlink(c + "/dangling"), "/nonexistent/target");
    EXPECT_TRUE(sfs::is_symlink(c + "/deep/loop"));
    EXPECT_EQ(sfs::status(c + "/deep/er").permissions(), sfs::perms(0555));
    EXPECT_EQ(entries_under(c), entries_under(dir.at("pics")));

    // a folder dropped into the folder that holds it
    ASSERT_EQ(copy("pics", "pics", renamed), 0) << platform::error();
    EXPECT_EQ(renamed, w("pics (2)"));
    ::chmod(dir.at("pics/deep/er").c_str(), 0755);
}

TEST_F(PlatformShellCopy, RefusalsCreateNothing)
{
    dir.file("pics/sub/a.txt", "a");
    dir.file("tree/ok.txt", "ok");
    ASSERT_EQ(::mkfifo(dir.at("tree/pipe").c_str(), 0600), 0);
    dir.folder("out");
    struct row {
        std::string source, destination, error_part;
    };
    const row rows[] = {
        {"pics", "pics/sub/pics", "inside the source"},
        {"pics", "pics/pics", "inside the source"},
        {"missing", "out/missing", "cannot read the source"},
        {"tree", "out/tree", "pipe"},
        {"tree/pipe", "out/pipe", "pipe"},
        {"pics/sub/a.txt", "no/such/folder/a.txt", "cannot create"},
    };
    const std::size_t before = entries_under(dir.path());
    for (const row& r : rows) {
        std::wstring renamed;
        platform::set_error("");
        EXPECT_EQ(copy(r.source, r.destination, renamed), -1) << r.source;
        EXPECT_NE(std::string(platform::error()).find(r.error_part), std::string::npos)
            << r.source << ": " << platform::error();
        EXPECT_TRUE(renamed.empty());
        EXPECT_EQ(entries_under(dir.path()), before) << r.source;
    }
}

TEST_F(PlatformShellCopy, FailurePartWayRemovesThePartialCopy)
{
    const std::string big(3 << 20, 'x');  // several chunks
    dir.file("tree/a.txt", big);
    dir.file("tree/sub/b.txt", big);
    ::chmod(dir.at("tree/sub").c_str(), 0500);
    dir.folder("out");
    for (std::size_t n : {1u, 2u, 5u}) {
        platform::shell::fail_copy_write(n);
        std::wstring renamed;
        EXPECT_EQ(copy("tree", "out/tree", renamed), -1) << n;
        EXPECT_NE(std::string(platform::error()).find("cannot write the copy"), std::string::npos);
        EXPECT_EQ(entries_under(dir.at("out")), 0u) << n;
    }
    // a file alone, and the switch holds for one copy only
    platform::shell::fail_copy_write(1);
    std::wstring renamed;
    EXPECT_EQ(copy("tree/a.txt", "out/a.txt", renamed), -1);
    EXPECT_FALSE(sfs::exists(dir.at("out/a.txt")));
    EXPECT_EQ(copy("tree", "out/tree", renamed), 0) << platform::error();
    EXPECT_EQ(bytes_at(dir.at("out/tree/sub/b.txt")), big);
    ::chmod(dir.at("tree/sub").c_str(), 0700);
    ::chmod(dir.at("out/tree/sub").c_str(), 0700);
}

}  // namespace
