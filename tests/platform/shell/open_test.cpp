// Opening files through a stand-in xdg-open (and a stand-in program) on a
// temporary PATH: argument vectors, detachment, descriptors, no zombies.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"
#include "support/temp_folder.hpp"

namespace {

// A stand-in records its argument vector (NUL-separated) and its open
// descriptors with their targets, then waits until the test writes to the
// fifo "go", then says "end" into the fifo "done" and exits. Blocking on the
// fifos is how the test knows where the stand-in is; the alarm turns a
// stand-in that never runs into a failure instead of a hang.
class PlatformShellOpen : public ::testing::Test {
protected:
    support::temp_folder dir;
    std::string saved_path;
    int marker_fd = -1;

    void SetUp() override
    {
        const char* p = std::getenv("PATH");
        saved_path = p ? p : "";
        dir.folder("bin");
        dir.folder("empty");
        ASSERT_EQ(::mkfifo(dir.at("go").c_str(), 0600), 0);
        ASSERT_EQ(::mkfifo(dir.at("done").c_str(), 0600), 0);
        stand_in("bin/xdg-open");
        ::setenv("PATH", (dir.at("bin") + ":" + saved_path).c_str(), 1);
        // a descriptor of ours that a child would inherit unless it is closed
        marker_fd = ::open("/dev/zero", O_RDONLY);
        ::dup2(marker_fd, 20);
        ::alarm(60);
    }

    void TearDown() override
    {
        ::alarm(0);
        ::close(marker_fd);
        ::close(20);
        ::setenv("PATH", saved_path.c_str(), 1);
    }

    void stand_in(const std::string& name)
    {
        dir.file(name,
                 "#!/bin/sh\n"
                 "d='" + dir.path() + "'\n"
                 "n=$(basename \"$0\")\n"
                 "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$d/$n.args\"\n"
                 // the numbers first, by tests that open nothing, while the
                 // shell holds no redirection or pipe of its own
                 "fds=\n"
                 "k=0\n"
                 "while [ $k -lt 64 ]; do [ -e /proc/$$/fd/$k ] && fds=\"$fds $k\"; k=$((k+1)); done\n"
                 "for k in $fds; do echo \"$k $(readlink /proc/$$/fd/$k)\"; done > \"$d/$n.fds\"\n"
                 "cat \"$d/go\" > /dev/null\n"
                 "echo end > \"$d/done\"\n");
        ::chmod(dir.at(name).c_str(), 0755);
    }

    // Lets the stand-in go on and waits until it has finished.
    void release_stand_in()
    {
        const int go = ::open(dir.at("go").c_str(), O_WRONLY);  // blocks until the stand-in listens
        ASSERT_GE(go, 0);
        ASSERT_EQ(::write(go, "x", 1), 1);
        ::close(go);
        const int done = ::open(dir.at("done").c_str(), O_RDONLY);
        ASSERT_GE(done, 0);
        char buffer[16];
        while (::read(done, buffer, sizeof buffer) > 0) {
        }
        ::close(done);
    }

    std::vector<std::string> args_of(const std::string& name) const
    {
        std::ifstream in(dir.at(name + ".args"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        std::vector<std::string> args;
        std::string all = s.str(), arg;
        for (char c : all) {
            if (c == '\0') {
                args.push_back(arg);
                arg.clear();
            } else
                arg.push_back(c);
        }
        return args;
    }

    bool recorded(const std::string& name) const { return ::access(dir.at(name + ".args").c_str(), F_OK) == 0; }

    static int open(const std::wstring& file, const std::wstring& parameters = L"")
    {
        return platform::shell::system_shell().open(L"", file, parameters, 1);
    }

    static bool no_children_left()
    {
        int status = 0;
        return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
    }
};

TEST_F(PlatformShellOpen, ArgumentsArriveUnchanged)
{
    struct row {
        std::wstring file;
        std::string arrives;
    };
    const row rows[] = {
        {L"/t/a b.txt", "/t/a b.txt"},
        {L"it's \"q\" $HOME;`id` *.txt", "it's \"q\" $HOME;`id` *.txt"},
        {L"/t/\u8868\u3042\\x.txt", "/t/\xE8\xA1\xA8\xE3\x81\x82\\x.txt"},
        {L"-x", "./-x"},
        {L"/t/folder/", "/t/folder/"},
    };
    for (const row& r : rows) {
        ASSERT_EQ(open(r.file), 0) << platform::error();
        release_stand_in();
        EXPECT_EQ(args_of("xdg-open"), std::vector<std::string>{r.arrives});
    }
    EXPECT_TRUE(no_children_left());
}

TEST_F(PlatformShellOpen, ReturnsAtOnceDetachedWithOnlyStandardDescriptors)
{
    ASSERT_EQ(open(L"/t/a.txt"), 0);
    // the stand-in still waits on "go", and we are nobody's parent any more
    EXPECT_TRUE(no_children_left());
    release_stand_in();
    EXPECT_TRUE(no_children_left());

    std::ifstream fds(dir.at("xdg-open.fds"));
    std::string line;
    std::vector<int> seen;
    while (std::getline(fds, line)) {
        const int fd = std::stoi(line);
        const std::string target = line.substr(line.find(' ') + 1);
        if (fd == 0) {
            EXPECT_EQ(target, "/dev/null");
        } else if (fd > 2) {
            // the shell keeps its own script open; nothing else may be there
            EXPECT_EQ(target, dir.at("bin/xdg-open")) << line;
        }
        seen.push_back(fd);
    }
    for (int fd : {0, 1, 2}) EXPECT_NE(std::find(seen.begin(), seen.end(), fd), seen.end());
    EXPECT_EQ(std::find(seen.begin(), seen.end(), marker_fd), seen.end());
    EXPECT_EQ(std::find(seen.begin(), seen.end(), 20), seen.end());
}

TEST_F(PlatformShellOpen, ParametersStartAnExecutableItself)
{
    stand_in("prog");
    dir.file("notes.txt", "text");
    const std::wstring prog = dir.wpath() + L"/prog", notes = dir.wpath() + L"/notes.txt";

    ASSERT_EQ(open(prog, L"a \"b c\" d"), 0);
    release_stand_in();
    EXPECT_EQ(args_of("prog"), (std::vector<std::string>{"a", "b c", "d"}));
    EXPECT_FALSE(recorded("xdg-open"));
    ::unlink(dir.at("prog.args").c_str());

    // a command found on PATH
    stand_in("bin/tool");
    ASSERT_EQ(open(L"tool", L"x"), 0);
    release_stand_in();
    EXPECT_EQ(args_of("tool"), std::vector<std::string>{"x"});

    // a file that is no program goes to the opener alone
    ASSERT_EQ(open(notes, L"a b"), 0);
    release_stand_in();
    EXPECT_EQ(args_of("xdg-open"), std::vector<std::string>{dir.at("notes.txt")});

    // without parameters a program is opened, not started
    ASSERT_EQ(open(prog), 0);
    release_stand_in();
    EXPECT_EQ(args_of("xdg-open"), std::vector<std::string>{dir.at("prog")});
    EXPECT_FALSE(recorded("prog"));
    EXPECT_TRUE(no_children_left());
}

TEST_F(PlatformShellOpen, WithoutAnOpenerNothingHappens)
{
    ::setenv("PATH", dir.at("empty").c_str(), 1);
    platform::set_error("");
    EXPECT_EQ(open(L"/t/a.txt"), -1);
    EXPECT_STRNE(platform::error(), "");
    EXPECT_EQ(open(L""), -1);
    EXPECT_TRUE(no_children_left());
    EXPECT_FALSE(recorded("xdg-open"));
}

TEST(PlatformShellParameters, SplitOnBlanksGroupedByQuotes)
{
    struct row {
        std::string text;
        std::vector<std::string> args;
    };
    const row rows[] = {
        {"a \"b c\" d", {"a", "b c", "d"}},
        {"  a\t b  ", {"a", "b"}},
        {"x\"y z\"w", {"xy zw"}},
        {"\"\" a", {"", "a"}},
        {"$HOME `id` 'q' \\n", {"$HOME", "`id`", "'q'", "\\n"}},
        {"\"open", {"open"}},
        {"", {}},
    };
    for (const row& r : rows) EXPECT_EQ(platform::shell::split_parameters(r.text), r.args) << r.text;
}

}  // namespace
