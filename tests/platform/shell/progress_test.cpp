// Progress and Cancel of copies and deletes on the headless backend: every
// chunk is slowed on the virtual clock, so what the window shows and when a
// Cancel lands are exact. A full disk in a child process under a file-size
// limit.
#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"
#include "support/temp_folder.hpp"

namespace {

namespace sfs = std::filesystem;
constexpr std::size_t mib = 1 << 20;

std::string bytes_at(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Regular files under folder, with their paths relative to it.
std::vector<std::string> files_under(const std::string& folder)
{
    std::vector<std::string> names;
    if (!sfs::exists(folder)) return names;
    for (auto it = sfs::recursive_directory_iterator(folder); it != sfs::recursive_directory_iterator(); ++it)
        if (it->is_regular_file()) names.push_back(sfs::relative(it->path(), folder).string());
    return names;
}

std::size_t entries_under(const std::string& folder)
{
    std::size_t n = 0;
    for (auto it = sfs::recursive_directory_iterator(folder); it != sfs::recursive_directory_iterator(); ++it) ++n;
    return n;
}

class PlatformShellProgress : public ::testing::Test {
protected:
    support::temp_folder dir;

    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
    }
    void TearDown() override
    {
        platform::shell::slow_steps(0);
        platform::headless::reset();
    }

    std::wstring w(const std::string& name) const { return platform::text::from_utf8(dir.at(name)); }

    int copy(const std::string& from, const std::string& to, std::wstring& renamed)
    {
        return platform::shell::system_shell().copy(w(from), w(to), renamed);
    }

    void copy_under_a_limit();

    // A folder of n files of size bytes each, every one its own letter.
    void make_tree(const std::string& name, int n, std::size_t size)
    {
        for (int i = 0; i < n; ++i) dir.file(name + "/f" + std::to_string(i), std::string(size, char('a' + i)));
    }
};

TEST_F(PlatformShellProgress, WindowShowsOnlyAfterHalfASecondAndTheBarReachesTheTotal)
{
    struct row {
        const char* what;
        int files;
        std::size_t size;     // bytes a file: a chunk is 1 MiB
        std::uint32_t step;   // virtual ms a chunk (a delete: an entry)
        bool remove;
        bool window_fails;
        bool shown;
        std::uint64_t total;
        const char* count;
    };
    const row rows[] = {
        {"copy of 300 ms", 1, 3 * mib, 100, false, false, false, 0, ""},
        {"copy of 800 ms", 4, 2 * mib, 100, false, false, true, 8 * mib, "4 of 4 files"},
        {"copy of empty files", 3, 0, 100, false, false, false, 0, ""},  // no chunks, no time
        {"copy without a window", 4, 2 * mib, 100, false, true, false, 0, ""},
        {"delete of 400 ms", 3, 10, 100, true, false, false, 0, ""},                  // 3 files and their folder
        {"delete of 1100 ms", 10, 10, 100, true, false, true, 11, "11 of 11 items"},  // 10 files and their folder
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        platform::headless::reset();
        make_tree("in", r.files, r.size);
        platform::shell::slow_steps(r.step);
        if (r.window_fails) platform::headless::fail_next_progress_window();
        std::wstring renamed;
        if (r.remove)
            ASSERT_EQ(platform::shell::remove_for_good(w("in")), 0) << platform::error();
        else
            ASSERT_EQ(copy("in", "out", renamed), 0) << platform::error();

        const platform::headless::progress_record& p = platform::headless::progress();
        EXPECT_FALSE(p.shown);  // closed at the end
        EXPECT_EQ(p.opened, r.shown ? 1 : 0);
        const std::uint64_t chunks = r.remove ? r.files + 1 : r.files * (r.size / mib);
        EXPECT_EQ(platform::milliseconds(), chunks * r.step);  // the slowed steps were all let pass, in order
        if (r.shown) {
            EXPECT_EQ(p.title, r.remove ? L"Deleting" : L"Copying");
            EXPECT_EQ(p.total, r.total);
            EXPECT_EQ(p.done, r.total);
            EXPECT_EQ(p.files_total, r.remove ? r.total : r.files);
            EXPECT_EQ(p.count, platform::text::from_utf8(r.count));
            EXPECT_EQ(p.name.substr(0, dir.wpath().size() + 3), dir.wpath() + L"/in");
            // a draw for each step from 500 ms on (34 ms apart at least)
            EXPECT_EQ(p.draws, static_cast<int>(chunks - 500 / r.step + 1));
        }
        if (r.remove) {
            EXPECT_FALSE(sfs::exists(dir.at("in")));
        } else {
            EXPECT_EQ(files_under(dir.at("out")).size(), static_cast<std::size_t>(r.files));
            EXPECT_EQ(bytes_at(dir.at("out/f0")), std::string(r.size, 'a'));
            sfs::remove_all(dir.at("out"));
        }
        sfs::remove_all(dir.at("in"));
    }
}

TEST_F(PlatformShellProgress, CancelHalfWayThroughAFolderKeepsWhatIsFinished)
{
    make_tree("in", 4, 2 * mib);
    dir.folder("in/empty");
    platform::shell::slow_steps(200);  // shown at the third chunk, cancelled at the fourth
    platform::headless::cancel_progress_at(0.5);
    platform::os_event key;
    key.kind = platform::event_kind::key_down;
    platform::headless::push_event(key);  // the main window's events wait for the frame loop
    std::wstring renamed;
    EXPECT_EQ(copy("in", "out", renamed), -1);
    EXPECT_STREQ(platform::error(), "the copy was cancelled");
    EXPECT_TRUE(renamed.empty());
    EXPECT_EQ(platform::headless::queued_events(), 1u);

    const platform::headless::progress_record& p = platform::headless::progress();
    EXPECT_EQ(p.done, 4 * mib);
    EXPECT_EQ(p.files_done, 1u);
    EXPECT_EQ(p.count, L"2 of 4 files");
    EXPECT_EQ(platform::milliseconds(), 4 * 200u);  // nothing was copied after the Cancel
    // the finished file is whole; the one being written is gone, the others
    // never started
    const std::vector<std::string> kept = files_under(dir.at("out"));
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(bytes_at(dir.at("out/" + kept[0])), bytes_at(dir.at("in/" + kept[0])));
    EXPECT_EQ(files_under(dir.at("in")).size(), 4u);
}

TEST_F(PlatformShellProgress, CancelInsideOneLargeFileLeavesNoTraceOfIt)
{
    const std::string big(8 * mib, 'q');
    dir.file("in/big.bin", big);
    struct row {
        const char* what;
        bool taken;  // the destination's name is taken: the copy goes to "big (2).bin"
        double at;
        std::uint32_t elapsed;
    };
    const row rows[] = {
        {"at three quarters", false, 0.75, 600},
        {"at the first look, to a new name", true, 0, 500},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        platform::headless::reset();
        dir.folder("out");
        if (r.taken) dir.file("out/big.bin", "older");
        platform::shell::slow_steps(100);
        platform::headless::cancel_progress_at(r.at);
        std::wstring renamed;
        EXPECT_EQ(copy("in/big.bin", "out/big.bin", renamed), -1);
        EXPECT_STREQ(platform::error(), "the copy was cancelled");
        EXPECT_EQ(platform::milliseconds(), r.elapsed);
        EXPECT_EQ(files_under(dir.at("out")), r.taken ? std::vector<std::string>{"big.bin"} : std::vector<std::string>{});
        if (r.taken) {
            EXPECT_EQ(bytes_at(dir.at("out/big.bin")), "older");
        }
        EXPECT_EQ(bytes_at(dir.at("in/big.bin")), big);
        sfs::remove_all(dir.at("out"));
    }
}

TEST_F(PlatformShellProgress, CancelledDeleteStopsBetweenEntries)
{
    make_tree("tree/sub", 6, 1);
    make_tree("tree", 5, 1);  // 13 entries: 11 files, two folders
    platform::shell::slow_steps(100);
    platform::headless::cancel_progress_at(0.5);
    platform::headless::queue_answer(1);
    EXPECT_EQ(platform::shell::system_shell().remove(w("tree")), -1);
    EXPECT_STREQ(platform::error(), "the delete was cancelled");
    ASSERT_EQ(platform::headless::questions().size(), 1u);

    // shown at 500 ms, Cancel at the first look with 6.5 entries gone or more
    const platform::headless::progress_record& p = platform::headless::progress();
    EXPECT_EQ(p.title, L"Deleting");
    EXPECT_EQ(p.total, 13u);
    EXPECT_EQ(p.done, 7u);
    EXPECT_EQ(entries_under(dir.at("tree")), 13u - 7u - 1u);  // the top folder itself stays too
    EXPECT_TRUE(sfs::is_directory(dir.at("tree")));
}

// In the child: exits with 0 when the copy of "in" failed as on a full disk.
void PlatformShellProgress::copy_under_a_limit()
{
    ::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    const rlimit limit{mib, mib};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::wstring renamed;
    const int r = copy("in", "out/in", renamed);
    std::_Exit(r == -1 && std::string(platform::error()).find("cannot write the copy") != std::string::npos ? 0 : 1);
}

TEST_F(PlatformShellProgress, FullDiskEndsTheCopyWithNoPartialFile)
{
    dir.file("in/small.txt", "small");
    dir.file("in/sub/large.bin", std::string(3 * mib, 'z'));
    dir.folder("out");
    // a child under a 1 MiB file-size limit: the large file's writes fail as
    // on a full disk, and the copy with it
    EXPECT_EXIT(copy_under_a_limit(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(entries_under(dir.at("out")), 0u);
}

}  // namespace
