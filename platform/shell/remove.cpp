// Deleting for good behind a yes/no question, entry by entry on a worker
// thread that a Cancel stops between entries. The tree is walked through
// folder descriptors, so a folder swapped for a link while the walk runs is
// never followed; a removal that fails part-way is told in a message box.
#include <dirent.h>
#include <fcntl.h>
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

#if ZENTIL_TEST_HOOKS
struct removal_fault {
    std::size_t armed_at = 0;  // 0 = off
    std::size_t removals = 0;
};

removal_fault& fault()
{
    static removal_fault f;
    return f;
}
#endif

// What ended a walk: nothing, a failure (error set, told to the user), or a
// Cancel.
enum class outcome { done, failed, cancelled };

outcome failed_at(const std::string& path, int err)
{
    set_error(("the removal failed part-way at " + path + ": " + std::strerror(err)).c_str());
    return outcome::failed;
}

outcome cancelled()
{
    set_error("the delete was cancelled");
    return outcome::cancelled;
}

// Entries of a tree, the tree itself included; a folder that cannot be
// opened or listed counts as one (its removal fails later with the reason).
std::uint64_t count_entries(int parent, const std::string& name, const std::string& path)
{
    struct stat st {};
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode)) return 1;
    const descriptor folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> names;
    if (folder.fd < 0 || !list_folder(folder.fd, names)) return 1;
    std::uint64_t n = 1;
    for (const std::string& e : names) n += count_entries(folder.fd, e, path + "/" + e);
    return n;
}

// Removes a tree, contents before their folder, links as themselves; stops
// between entries on a Cancel.
outcome remove_tree(int parent, const std::string& name, const std::string& path, progress& report)
{
    if (report.cancelled()) return cancelled();
    struct stat st {};
    if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return failed_at(path, errno);
    const bool folder = S_ISDIR(st.st_mode);
    if (folder) {
        const descriptor inner(open_walked_folder(parent, name, path));
        if (inner.fd < 0) return failed_at(path, errno);
        std::vector<std::string> names;
        if (!list_folder(inner.fd, names)) return failed_at(path, errno);
        for (const std::string& n : names) {
            const outcome o = remove_tree(inner.fd, n, path + "/" + n, report);
            if (o != outcome::done) return o;
        }
        if (report.cancelled()) return cancelled();
    }
    report.begin(path);
#if ZENTIL_TEST_HOOKS
    removal_fault& f = fault();
    if (f.armed_at != 0 && ++f.removals == f.armed_at) return failed_at(path, EACCES);
#endif
    if (::unlinkat(parent, name.c_str(), folder ? AT_REMOVEDIR : 0) != 0) return failed_at(path, errno);
    report.finish_file();
    report.advance(1);
    return outcome::done;
}

}  // namespace

int remove_for_good(const std::wstring& path)
{
#if ZENTIL_TEST_HOOKS
    struct disarm {
        ~disarm() { fault() = removal_fault{}; }
    } disarm_after_this_delete;
#endif
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return set_error("no such entry");
    std::string p = text::to_utf8(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) return set_error("no such entry");
    const std::size_t slash = p.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : p.substr(0, slash);
    const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    if (name.empty()) return set_error("the root folder cannot be deleted");
    const descriptor parent(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (parent.fd < 0) return set_error(("the removal failed at " + folder + ": " + std::strerror(errno)).c_str());

    outcome result = outcome::done;
    const int status = run_with_progress("Deleting", "items", [&](progress& report) {
        const std::uint64_t entries = count_entries(parent.fd, name, p);
        report.set_totals(entries, entries);
        result = remove_tree(parent.fd, name, p, report);
        return result == outcome::done ? 0 : -1;
    });
    if (status == 0) return 0;
    // the user asked for the delete and must learn that it stopped, where
    // and why; a Cancel is the user's own doing
    if (result == outcome::failed) {
        const std::string why = error();
        platform::show_message(delete_title(), L"The delete failed; what is left stays.\n\n" + text::from_utf8_text(why));
        set_error(why.c_str());
    }
    return -1;
}

int ask_yes_no(const std::wstring& title, const std::wstring& text)
{
    return platform::ask_yes_no(title, text);
}

#if ZENTIL_TEST_HOOKS
void fail_removal(std::size_t n) { fault() = removal_fault{n, 0}; }
#endif

}  // namespace platform::shell
