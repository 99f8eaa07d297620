// Opening files: xdg-open, or an executable started with its parameters,
// always detached and never waited for.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace platform::shell {
namespace {

bool is_executable_file(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program a command name starts: a name with a '/' is a path; a bare
// name is looked up on PATH. Empty when there is none.
std::string find_program(const std::string& name)
{
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return is_executable_file(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    if (!path) return {};
    const std::string dirs = path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";  // an empty PATH element is the current folder
        const std::string candidate = dir + "/" + name;
        if (is_executable_file(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

// Starts program with argv detached from us: a new session, standard input
// from /dev/null, none of our other descriptors, and a parent that ends at
// once so that nobody has to wait for the program itself.
int start_detached(const std::string& program, const std::vector<std::string>& args)
{
    // Everything the children need is prepared before fork: after it only
    // async-signal-safe calls are made.
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const pid_t middle = ::fork();
    if (middle < 0) return set_error("cannot start a process");
    if (middle == 0) {
        ::setsid();
        const pid_t child = ::fork();
        if (child != 0) ::_exit(child < 0 ? 1 : 0);
        const int null_fd = ::open("/dev/null", O_RDONLY);
        if (null_fd >= 0 && null_fd != 0) ::dup2(null_fd, 0);
        if (::syscall(SYS_close_range, 3u, ~0u, 0u) != 0)
            for (int fd = 3; fd < 65536; ++fd) ::close(fd);  // kernels before 5.9
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return set_error("cannot start a process");
    return 0;
}

}  // namespace

std::vector<std::string> split_parameters(const std::string& parameters)
{
    std::vector<std::string> args;
    std::string arg;
    bool in_arg = false, quoted = false;
    for (char c : parameters) {
        if (c == '"') {
            quoted = !quoted;
            in_arg = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (in_arg) args.push_back(arg);
            arg.clear();
            in_arg = false;
        } else {
            arg.push_back(c);
            in_arg = true;
        }
    }
    if (in_arg) args.push_back(arg);
    return args;
}

int open_file(const std::wstring& file, const std::wstring& parameters)
{
    if (file.empty()) return set_error("no file to open");
    if (file.find(L'\0') != std::wstring::npos || parameters.find(L'\0') != std::wstring::npos)
        return set_error("zero character in a file name");
    const std::string name = text::to_utf8(file);
    if (!parameters.empty()) {
        // a file in the current folder first, then a command on PATH
        std::string program = is_executable_file(name) ? name : find_program(name);
        if (!program.empty()) {
            if (program.find('/') == std::string::npos) program = "./" + program;
            std::vector<std::string> args{name};
            for (std::string& a : split_parameters(text::to_utf8(parameters))) args.push_back(std::move(a));
            return start_detached(program, args);
        }
    }
    const std::string opener = find_program("xdg-open");
    if (opener.empty()) return set_error("xdg-open is not installed");
    // a name starting with '-' would read as an option
    return start_detached(opener, {"xdg-open", name[0] == '-' ? "./" + name : name});
}

}  // namespace platform::shell
