// Deleting for good behind a yes/no question, entry by entry on a worker
// thread that a Cancel stops between entries.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.hpp"
#include "platform/shell/internal.hpp"
#include "platform/shell/progress.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace platform::shell {

bool entry_exists(const std::wstring& path)
{
    struct stat st {};
    return !path.empty() && path.find(L'\0') == std::wstring::npos && ::lstat(text::to_utf8(path).c_str(), &st) == 0;
}

std::wstring delete_title() { return L"Delete"; }

std::wstring delete_question(const std::wstring& path)
{
    struct stat st {};
    const bool folder = ::lstat(text::to_utf8(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return std::wstring(folder ? L"Permanently delete this folder and everything in it?"
                               : L"Permanently delete this file?") +
           L"\n\n" + path;
}

namespace {

// Entries of a tree, the tree itself included; a folder that cannot be
// listed counts as one (its removal fails later with the reason).
std::uint64_t count_entries(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return 1;
    std::uint64_t n = 1;
    if (DIR* d = ::opendir(path.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                n += count_entries(path + "/" + e->d_name);
        ::closedir(d);
    }
    return n;
}

// Removes a tree, contents before their folder, links as themselves; stops
// between entries on a Cancel: -1 with the error set.
int remove_tree(const std::string& path, progress& report)
{
    if (report.cancelled()) return set_error("the delete was cancelled");
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return set_error(("the removal failed part-way: " + std::string(std::strerror(errno))).c_str());
    if (S_ISDIR(st.st_mode)) {
        std::vector<std::string> names;
        DIR* d = ::opendir(path.c_str());
        if (!d) return set_error(("the removal failed part-way: " + std::string(std::strerror(errno))).c_str());
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
        ::closedir(d);
        for (const std::string& n : names)
            if (remove_tree(path + "/" + n, report) != 0) return -1;
        if (report.cancelled()) return set_error("the delete was cancelled");
    }
    report.begin(path);
    if ((S_ISDIR(st.st_mode) ? ::rmdir(path.c_str()) : ::unlink(path.c_str())) != 0)
        return set_error(("the removal failed part-way: " + std::string(std::strerror(errno))).c_str());
    report.finish_file();
    report.advance(1);
    return 0;
}

}  // namespace

int remove_for_good(const std::wstring& path)
{
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return set_error("no such entry");
    std::string p = text::to_utf8(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return set_error("no such entry");
    return run_with_progress("Deleting", "items", [&](progress& report) {
        const std::uint64_t entries = count_entries(p);
        report.set_totals(entries, entries);
        return remove_tree(p, report);
    });
}

int ask_yes_no(const std::wstring& title, const std::wstring& text)
{
    return platform::ask_yes_no(title, text);
}

}  // namespace platform::shell
