// The system shell and the slot that holds the shell in use.
#include "platform/platform.hpp"
#include "platform/shell/internal.hpp"
#include "platform/shell/shell.hpp"

namespace platform::shell {
namespace {

class system_operations final : public operations {
public:
    int open(const std::wstring&, const std::wstring& file, const std::wstring& parameters, int) override
    {
        return open_file(file, parameters);
    }

    int copy(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to) override
    {
        return copy_entry(source, destination, renamed_to);
    }

    int remove(const std::wstring& path) override
    {
        if (!entry_exists(path)) return set_error("no such entry");
        const int answer = ask_yes_no(delete_title(), delete_question(path));
        if (answer < 0) return -1;
        if (answer == 0) return set_error("the delete was declined");
        return remove_for_good(path);
    }

    const icon& icon_of(const std::wstring& path) override { return builtin_icon(kind_of(path)); }
    using operations::icon_of;
};

operations*& installed()
{
    static operations* shell = nullptr;
    return shell;
}

}  // namespace

const icon& operations::icon_of(const std::wstring&, icon_kind kind) { return builtin_icon(kind); }

operations& system_shell()
{
    static system_operations shell;
    return shell;
}

operations& current()
{
    operations* shell = installed();
    return shell ? *shell : system_shell();
}

void install(operations* shell) { installed() = shell; }

}  // namespace platform::shell
