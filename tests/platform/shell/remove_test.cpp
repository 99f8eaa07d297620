// Deleting for good behind the question box (headless answers, the sdl box
// under the dummy driver), the row icons, and the recording shell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/fs/filesystem.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"
#include "support/recording_shell.hpp"
#include "support/temp_folder.hpp"

namespace {

namespace sfs = std::filesystem;

class PlatformShellRemove : public ::testing::Test {
protected:
    support::temp_folder dir;

    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
        dir.file("tree/sub/a.txt", "a");
        dir.file("tree/b.txt", "b");
        dir.file("file.txt", "f");
        dir.file("kept/inside.txt", "k");
        sfs::create_symlink(dir.at("kept"), dir.at("link"));
    }
    void TearDown() override { platform::headless::reset(); }

    static int remove(const std::wstring& path) { return platform::shell::system_shell().remove(path); }
};

TEST_F(PlatformShellRemove, NothingGoesWithoutAYes)
{
    const std::wstring tree = dir.wpath() + L"/tree";
    // no answer queued: No; a box that cannot be shown: -1 as well
    EXPECT_EQ(remove(tree), -1);
    platform::headless::queue_answer(0);
    EXPECT_EQ(remove(tree), -1);
    platform::headless::queue_answer(-1);
    EXPECT_EQ(remove(tree), -1);
    EXPECT_STREQ(platform::error(), "the message box cannot be shown");
    EXPECT_TRUE(sfs::exists(dir.at("tree/sub/a.txt")));
    ASSERT_EQ(platform::headless::questions().size(), 3u);
    EXPECT_EQ(platform::headless::questions()[0].title, L"Delete");
    EXPECT_EQ(platform::headless::questions()[0].text,
              L"Permanently delete this folder and everything in it?\n\n" + tree);

    // a missing entry is not asked about
    EXPECT_EQ(remove(dir.wpath() + L"/none"), -1);
    EXPECT_EQ(platform::headless::questions().size(), 3u);
}

TEST_F(PlatformShellRemove, AYesRemovesTheEntryForGood)
{
    struct row {
        std::wstring name;
        std::wstring question;
    };
    const row rows[] = {
        {L"tree", L"Permanently delete this folder and everything in it?"},
        {L"file.txt", L"Permanently delete this file?"},
        {L"link", L"Permanently delete this file?"},  // the link, not the folder it names
    };
    for (const row& r : rows) {
        const std::wstring path = dir.wpath() + L"/" + r.name;
        platform::headless::queue_answer(1);
        EXPECT_EQ(remove(path), 0) << platform::error();
        EXPECT_FALSE(sfs::exists(sfs::symlink_status(dir.path() + "/" + std::string(r.name.begin(), r.name.end()))));
        EXPECT_EQ(platform::headless::questions().back().text, r.question + L"\n\n" + path);
    }
    EXPECT_EQ(std::filesystem::file_size(dir.at("kept/inside.txt")), 1u);
}

// A delete that stops part-way says so in a message box, with the entry it
// stopped at and the system's reason; a decline or a Cancel shows none.
TEST_F(PlatformShellRemove, AFailurePartWayIsToldWithTheEntryAndTheReason)
{
    const std::wstring tree = dir.wpath() + L"/tree";
    for (std::size_t n : {1u, 3u, 4u}) {
        platform::headless::reset();
        dir.file("tree/sub/a.txt", "a");
        dir.file("tree/b.txt", "b");
        platform::shell::fail_removal(n);
        platform::headless::queue_answer(1);
        EXPECT_EQ(remove(tree), -1) << n;
        ASSERT_EQ(platform::headless::messages().size(), 1u) << n;
        const platform::headless::question& told = platform::headless::messages()[0];
        EXPECT_EQ(told.title, L"Delete");
        EXPECT_NE(told.text.find(L"Permission denied"), std::wstring::npos) << platform::text::to_utf8(told.text);
        // the entry named is the one still there; the tree holds it
        const std::size_t at = told.text.find(tree);
        ASSERT_NE(at, std::wstring::npos) << platform::text::to_utf8(told.text);
        std::size_t end = told.text.find(L':', at);
        const std::string stopped = platform::text::to_utf8(told.text.substr(at, end - at));
        EXPECT_TRUE(sfs::exists(stopped)) << stopped;
        EXPECT_TRUE(sfs::exists(dir.at("tree")));
    }
    platform::headless::reset();
    platform::headless::queue_answer(0);
    EXPECT_EQ(remove(tree), -1);
    EXPECT_TRUE(platform::headless::messages().empty());
}

// A folder swapped for a link between its status request and its opening:
// the delete never reaches the link's target.
TEST_F(PlatformShellRemove, AFolderSwappedForALinkIsNotFollowed)
{
    const std::string sub = dir.at("tree/sub");
    bool swapped = false;
    platform::shell::before_open([&](const std::string& path) {
        if (swapped || path != sub) return;
        swapped = true;
        sfs::rename(sub, dir.at("moved"));
        sfs::create_directory_symlink(dir.at("kept"), sub);
    });
    platform::headless::queue_answer(1);
    remove(dir.wpath() + L"/tree");
    platform::shell::before_open(nullptr);
    EXPECT_TRUE(swapped);
    EXPECT_TRUE(sfs::exists(dir.at("kept/inside.txt")));
    EXPECT_TRUE(sfs::exists(dir.at("moved/a.txt")));
}

TEST_F(PlatformShellRemove, SdlBoxFailsSafelyWithoutADisplay)
{
    struct saved_env {
        const char* name;
        std::optional<std::string> value;
    };
    saved_env env[] = {{"SDL_VIDEODRIVER", {}}, {"DISPLAY", {}}, {"WAYLAND_DISPLAY", {}}};
    for (saved_env& e : env)
        if (const char* v = std::getenv(e.name)) e.value = v;
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");

    ASSERT_EQ(platform::select_backend("sdl"), 0);
    platform::set_error("");
    EXPECT_EQ(remove(dir.wpath() + L"/tree"), -1);
    EXPECT_NE(std::string(platform::error()).find("message box"), std::string::npos) << platform::error();
    EXPECT_TRUE(sfs::exists(dir.at("tree/sub/a.txt")));
    EXPECT_TRUE(platform::headless::questions().empty());

    for (const saved_env& e : env)
        if (e.value)
            ::setenv(e.name, e.value->c_str(), 1);
        else
            ::unsetenv(e.name);
    platform::select_backend("headless");
}

TEST_F(PlatformShellRemove, FoldersAndLinksToThemGetTheFolderIcon)
{
    using platform::shell::icon_kind;
    struct row {
        std::wstring name;
        icon_kind kind;
    };
    const row rows[] = {
        {L"tree", icon_kind::folder}, {L"link", icon_kind::folder}, {L"tree/", icon_kind::folder},
        {L"file.txt", icon_kind::file}, {L"none", icon_kind::file},
    };
    for (const row& r : rows) {
        const platform::shell::icon& i = platform::shell::system_shell().icon_of(dir.wpath() + L"/" + r.name);
        EXPECT_EQ(i.kind, r.kind);
        EXPECT_EQ(&i, &platform::shell::builtin_icon(r.kind));  // one picture per kind
    }
    for (icon_kind kind : {icon_kind::folder, icon_kind::file}) {
        const platform::shell::icon& i = platform::shell::builtin_icon(kind);
        ASSERT_EQ(platform::shell::icon::size, 32);
        int opaque = 0, clear = 0;
        for (int p = 0; p < 32 * 32; ++p) {
            opaque += (i.pixels[p] >> 24) == 0xFF;
            clear += (i.pixels[p] >> 24) == 0;
        }
        EXPECT_GT(opaque, 200);
        EXPECT_GT(clear, 100);
        EXPECT_EQ(i.pixels[0], 0u);  // the corner is see-through
    }
}

// The rows ask for an entry's status once and choose its icon from that kind;
// the icon must be the one the path alone gives, for every name the status
// request and the icon lookup both see (names that are not UTF-8 included).
TEST_F(PlatformShellRemove, TheIconFromTheStatusKindIsTheIconFromThePath)
{
    using platform::fs::entry_kind;
    using platform::shell::icon_kind;
    dir.file("photo.jpg", "j");
    dir.file("notes.zq7", "u");
    dir.file(std::string("bad\xFF\xFEname.txt"), "b");
    dir.folder(std::string("bad\xC3" "folder"));
    dir.folder("\xC3\xA9");  // a folder named with a valid two-byte character
    sfs::create_symlink(dir.at("gone"), dir.at("dangling"));
    struct row {
        std::wstring name;
        entry_kind status;
    };
    const row rows[] = {
        {L"tree", entry_kind::folder},
        {L"link", entry_kind::folder},  // a link to a folder
        {L"photo.jpg", entry_kind::other},
        {L"notes.zq7", entry_kind::other},
        {platform::text::from_utf8("bad\xFF\xFEname.txt"), entry_kind::other},
        {platform::text::from_utf8("bad\xC3" "folder"), entry_kind::folder},
        {L"none", entry_kind::missing},
        {L"dangling", entry_kind::missing},
        // the folder's two bytes written as escaped single bytes: no byte string
        // reads back as this name, so neither lookup may reach the folder
        {std::wstring{wchar_t(0xDCC3), wchar_t(0xDCA9)}, entry_kind::missing},
    };
    platform::shell::operations& ops = platform::shell::system_shell();
    for (const row& r : rows) {
        const std::wstring path = dir.wpath() + L"/" + r.name;
        std::error_code ec;
        ASSERT_EQ(platform::fs::status(path, ec), r.status) << platform::text::to_utf8(r.name);
        const icon_kind kind = r.status == entry_kind::folder ? icon_kind::folder : icon_kind::file;
        EXPECT_EQ(&ops.icon_of(path, kind), &ops.icon_of(path)) << platform::text::to_utf8(r.name);
        EXPECT_EQ(platform::shell::kind_of(path), kind) << platform::text::to_utf8(r.name);
    }
}

TEST_F(PlatformShellRemove, RecordingShellStandsInForTheSystem)
{
    support::recording_shell shell;
    platform::shell::operations& ops = platform::shell::current();
    EXPECT_EQ(&ops, &shell);

    EXPECT_EQ(ops.open(L"open", L"/t/log.txt", L"", 1), 0);
    ASSERT_EQ(shell.opens.size(), 1u);
    EXPECT_EQ(shell.opens[0].verb, L"open");
    EXPECT_EQ(shell.opens[0].file, L"/t/log.txt");
    EXPECT_EQ(shell.opens[0].show, 1);

    std::wstring renamed;
    EXPECT_EQ(ops.copy(dir.wpath() + L"/file.txt", dir.wpath() + L"/file.txt", renamed), 0);
    EXPECT_EQ(renamed, dir.wpath() + L"/file (2).txt");
    shell.copy_faults[dir.wpath() + L"/tree"] = support::recording_shell::copy_fault::cancel;
    EXPECT_EQ(ops.copy(dir.wpath() + L"/tree", dir.wpath() + L"/copy", renamed), -1);
    EXPECT_STREQ(platform::error(), "the copy was cancelled");
    EXPECT_FALSE(sfs::exists(dir.at("copy")));

    EXPECT_EQ(ops.remove(dir.wpath() + L"/file.txt"), -1);  // No by default
    shell.answers.push_back(true);
    EXPECT_EQ(ops.remove(dir.wpath() + L"/file.txt"), 0);
    EXPECT_FALSE(sfs::exists(dir.at("file.txt")));
    EXPECT_EQ(shell.questions.size(), 2u);
    EXPECT_TRUE(platform::headless::questions().empty());

    EXPECT_EQ(ops.icon_of(dir.wpath() + L"/tree").kind, platform::shell::icon_kind::folder);
}

TEST(PlatformShell, SystemShellIsBackAfterTheRecordingOne)
{
    { support::recording_shell shell; }
    EXPECT_EQ(&platform::shell::current(), &platform::shell::system_shell());
}

}  // namespace
