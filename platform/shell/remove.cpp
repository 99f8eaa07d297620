// Deleting for good behind a yes/no question.
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/platform.hpp"
#include "platform/shell/internal.hpp"
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

int remove_for_good(const std::wstring& path)
{
    if (path.empty() || path.find(L'\0') != std::wstring::npos) return set_error("no such entry");
    const std::string p = text::to_utf8(path);
    std::error_code ec;
    std::filesystem::remove_all(p, ec);
    struct stat st {};
    if (::lstat(p.c_str(), &st) == 0)
        return set_error(("the removal failed part-way: " + (ec ? ec.message() : std::string("entry remains"))).c_str());
    return 0;
}

int ask_yes_no(const std::wstring& title, const std::wstring& text)
{
    return platform::ask_yes_no(title, text);
}

}  // namespace platform::shell
