// Copies of files and folder trees: names kept or numbered on collision,
// links copied as links, refusals that create nothing, failures undone.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
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

// A link inside a copied folder is made again and names the same place as
// the original: a relative target is rebased from the copy's folder, an
// absolute one is kept as it is.
TEST_F(PlatformShellCopy, FoldersAreCopiedWholeWithLinksNamingTheSamePlace)
{
    dir.file("pics/one.png", "1");
    dir.file("pics/deep/er/two.png", "2");
    dir.folder("pics/empty");
    sfs::create_symlink("deep/er", dir.at("pics/to-er"));
    sfs::create_symlink("../one.png", dir.at("pics/deep/up"));
    sfs::create_symlink("nowhere/x", dir.at("pics/dangling-relative"));
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
    EXPECT_EQ(sfs::status(c + "/deep/er").permissions(), sfs::perms(0555));
    EXPECT_EQ(entries_under(c), entries_under(dir.at("pics")));
    for (const char* link : {"to-er", "deep/up", "dangling-relative", "dangling", "deep/loop"}) {
        const sfs::path original = dir.at(std::string("pics/") + link), copied = c + "/" + link;
        ASSERT_TRUE(sfs::is_symlink(copied)) << link;
        const sfs::path was = sfs::read_symlink(original), is = sfs::read_symlink(copied);
        EXPECT_EQ(is.is_absolute(), was.is_absolute()) << link << " -> " << is;
        if (was.is_absolute()) EXPECT_EQ(is, was) << link;
        EXPECT_EQ(sfs::weakly_canonical(copied.parent_path() / is), sfs::weakly_canonical(original.parent_path() / was))
            << link << " -> " << is;
    }

    // a folder dropped into the folder that holds it
    ASSERT_EQ(copy("pics", "pics", renamed), 0) << platform::error();
    EXPECT_EQ(renamed, w("pics (2)"));
    ::chmod(dir.at("pics/deep/er").c_str(), 0755);
}

// A link dropped by itself is copied as what it names, a file or a folder,
// under the link's own name.
TEST_F(PlatformShellCopy, ADroppedLinkIsCopiedAsWhatItNames)
{
    dir.file("real/f.txt", "F");
    dir.file("real/sub/g.txt", "G");
    dir.folder("in");
    dir.folder("out");
    sfs::create_symlink("../real/f.txt", dir.at("in/relative-file"));
    sfs::create_symlink(dir.at("real/f.txt"), dir.at("in/absolute-file"));
    sfs::create_symlink("../real", dir.at("in/relative-folder"));
    sfs::create_symlink(dir.at("real"), dir.at("in/absolute-folder"));
    for (const char* name : {"relative-file", "absolute-file", "relative-folder", "absolute-folder"}) {
        std::wstring renamed;
        ASSERT_EQ(copy(std::string("in/") + name, std::string("out/") + name, renamed), 0)
            << name << ": " << platform::error();
        const std::string c = dir.at(std::string("out/") + name);
        EXPECT_FALSE(sfs::is_symlink(c)) << name;
        if (sfs::is_directory(c))
            EXPECT_EQ(bytes_at(c + "/sub/g.txt"), "G") << name;
        else
            EXPECT_EQ(bytes_at(c), "F") << name;
    }
    EXPECT_TRUE(sfs::is_directory(dir.at("out/relative-folder")));
    EXPECT_TRUE(sfs::is_regular_file(dir.at("out/relative-file")));
}

// "stem (n).ext" of a long name is cut on a character boundary until it
// fits the name limit of 255 bytes.
TEST_F(PlatformShellCopy, ANumberedLongNameIsShortenedToFit)
{
    const std::string j = "\xE8\xA1\xA8";  // three bytes
    auto times = [](const std::string& s, int n) {
        std::string out;
        while (n-- > 0) out += s;
        return out;
    };
    struct row {
        std::string name, second, third;
    };
    const row rows[] = {
        {std::string(247, 'a') + ".txt", std::string(247, 'a') + " (2).txt", std::string(247, 'a') + " (3).txt"},
        {std::string(251, 'b') + ".txt", std::string(247, 'b') + " (2).txt", std::string(247, 'b') + " (3).txt"},
        {"c" + times(j, 82) + ".txt", "c" + times(j, 82) + " (2).txt", "c" + times(j, 82) + " (3).txt"},
        {"cd" + times(j, 83) + ".txt", "cd" + times(j, 81) + " (2).txt", "cd" + times(j, 81) + " (3).txt"},
        {std::string(255, 'e'), std::string(251, 'e') + " (2)", std::string(251, 'e') + " (3)"},
        {times(j, 85), times(j, 83) + " (2)", times(j, 83) + " (3)"},
    };
    dir.folder("in");
    dir.folder("out");
    for (const row& r : rows) {
        ASSERT_LE(r.name.size(), 255u);
        dir.file("in/" + r.name, r.name.substr(0, 2));
        for (const std::string& lands : {r.name, r.second, r.third}) {
            std::wstring renamed;
            ASSERT_EQ(copy("in/" + r.name, "out/" + r.name, renamed), 0) << r.name.size() << ": " << platform::error();
            EXPECT_EQ(renamed, lands == r.name ? L"" : w("out/" + lands)) << r.name.size();
            EXPECT_EQ(bytes_at(dir.at("out/" + lands)), r.name.substr(0, 2)) << lands.size();
        }
    }
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

namespace {

// Names under folder, dot names apart.
std::vector<std::string> shown_names(const std::string& folder)
{
    std::vector<std::string> out;
    for (const sfs::directory_entry& e : sfs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name[0] != '.') out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(PlatformShellCopy, ACopyKilledPartWayLeavesNothingUnderTheFinalName)
{
    const std::string big(3 << 20, 'x');
    dir.file("in/big.bin", big);
    dir.file("in/tree/a.bin", big);
    dir.file("in/tree/sub/b.bin", big);
    dir.file("in/small.txt", "s");
    dir.file("out/kept.txt", "k");
    struct row {
        std::string name;
        std::uint64_t stop_at;
    };
    const row rows[] = {{"big.bin", 1}, {"big.bin", (3 << 20) - 1}, {"tree", 4 << 20}, {"tree", 1}};
    for (const row& r : rows) {
        platform::shell::stop_copy_at(r.stop_at);
        std::wstring renamed;
        EXPECT_EQ(copy("in/" + r.name, "out/" + r.name, renamed), -1) << r.name << " " << r.stop_at;
        EXPECT_EQ(shown_names(dir.at("out")), std::vector<std::string>{"kept.txt"}) << r.name << " " << r.stop_at;
    }
    // the next copy into the folder clears what the stopped ones left
    std::wstring renamed;
    ASSERT_EQ(copy("in/small.txt", "out/small.txt", renamed), 0) << platform::error();
    EXPECT_EQ(entries_under(dir.at("out")), 2u);
    ASSERT_EQ(copy("in/tree", "out/tree", renamed), 0) << platform::error();
    EXPECT_TRUE(renamed.empty());
    EXPECT_EQ(bytes_at(dir.at("out/tree/sub/b.bin")), big);
}

// An entry swapped between its status request and its opening: a folder
// for a link is not followed, a file for a pipe does not hang the copy.
TEST_F(PlatformShellCopy, EntriesSwappedDuringTheWalkAreNotFollowed)
{
    struct row {
        std::string swapped;  // under tree
        bool to_pipe;
    };
    const row rows[] = {{"sub", false}, {"a.txt", true}, {"sub/b.txt", true}};
    dir.file("secret/s.txt", "secret");
    for (const row& r : rows) {
        sfs::remove_all(dir.at("tree"));
        sfs::remove_all(dir.at("out"));
        sfs::remove_all(dir.at("moved"));
        dir.file("tree/a.txt", "a");
        dir.file("tree/sub/b.txt", "b");
        dir.folder("out");
        const std::string at = dir.at("tree/" + r.swapped);
        bool swapped = false;
        platform::shell::before_open([&](const std::string& path) {
            if (swapped || path != at) return;
            swapped = true;
            sfs::rename(at, dir.at("moved"));
            if (r.to_pipe)
                ::mkfifo(at.c_str(), 0600);
            else
                sfs::create_directory_symlink(dir.at("secret"), at);
        });
        std::wstring renamed;
        EXPECT_EQ(copy("tree", "out/tree", renamed), -1) << r.swapped;
        platform::shell::before_open(nullptr);
        EXPECT_TRUE(swapped) << r.swapped;
        EXPECT_EQ(entries_under(dir.at("out")), 0u) << r.swapped;
    }
}

}  // namespace
