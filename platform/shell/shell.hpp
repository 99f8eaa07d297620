// The desktop shell: opening files with the user's programs, copying with a
// new name on collision, deleting for good after a question, and the row
// icons. Paths are wide text in their '/' form; a backslash is an ordinary
// character of a name. Failures are -1 with the reason in platform::error().
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::shell {

enum class icon_kind { folder, file };

// A built-in picture: 32 x 32 pixels, 0xAARRGGBB, rows top to bottom.
struct icon {
    static constexpr int size = 32;
    icon_kind kind;
    const std::uint32_t* pixels;
};

// The operations the application calls; tests install a recording shell in
// place of the system's.
class operations {
public:
    virtual ~operations() = default;

    // Opens file with the program the desktop associates with it. With
    // parameters, an executable file (or a command found on PATH) is started
    // itself with them as its arguments. Returns at once, never waits for
    // the program; -1 when nothing could be started. verb (empty or "open")
    // and show are accepted and not used.
    virtual int open(const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                     int show) = 0;

    // Copies a file or a folder with everything in it to destination; when
    // that name is taken, to the first free "stem (n).ext" (the stem cut to
    // keep the name within 255 bytes), whose full path goes to renamed_to
    // (left empty without a rename). A source that is a link is copied as
    // what it names; links inside a folder are made again naming the same
    // place. The copy is built under a hidden name in destination's folder
    // and takes its name only when complete, never replacing an entry;
    // hidden leftovers of a copy the program died in are removed by the next
    // copy into that folder. -1 with nothing created on failure. A copy still
    // running after 500 ms shows its progress; its Cancel gives -1 ("the copy
    // was cancelled") and keeps the files already copied, never the one being
    // written.
    virtual int copy(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to) = 0;

    // Asks whether path may be deleted for good and, on a yes, removes it
    // with all it holds. 0 when it is gone; -1 when declined, when the
    // question cannot be asked, when the removal failed part-way (told in a
    // message box with the entry and the reason) or when it was cancelled
    // (what was removed by then stays removed).
    virtual int remove(const std::wstring& path) = 0;

    // The icon of a folder (a link to one included) or of any other entry.
    virtual const icon& icon_of(const std::wstring& path) = 0;
    // The same icon for an entry whose kind the caller has just asked the
    // file system for (folder for a folder or a link to one, file for any
    // other entry that exists), without asking it again.
    virtual const icon& icon_of(const std::wstring& path, icon_kind kind);
};

// The shell in use: the system's until a test installs its own.
operations& current();
// Installs a shell; null puts the system's back.
void install(operations* shell);
operations& system_shell();

// Pieces the system shell is made of, for shells that record or inject.
const icon& builtin_icon(icon_kind kind);
icon_kind kind_of(const std::wstring& path);
// The delete question for path: title and text.
std::wstring delete_title();
std::wstring delete_question(const std::wstring& path);
// Removes path with all it holds, a link itself and never its target,
// showing its progress after 500 ms: 0 when it is gone, -1 (error set)
// otherwise, "the delete was cancelled" after a Cancel. A failure part-way
// is told in the platform's message box.
int remove_for_good(const std::wstring& path);
// Splits a parameter string: blanks separate, double quotes group, nothing
// is expanded.
std::vector<std::string> split_parameters(const std::string& parameters);

// The yes/no box of the current backend, modal over the main window: 1 yes,
// 0 no (closing the box), -1 (error set) when no box can be shown.
int ask_yes_no(const std::wstring& title, const std::wstring& text);

#if ZENTIL_TEST_HOOKS
// Fault switch: the n-th chunk written (1 = the first; a chunk is at most
// 1 MiB) of the next copy fails as a full disk would.
void fail_copy_write(std::size_t n);
// Slows copies and deletes: each chunk copied and each entry removed takes ms
// more on the backend's clock (the virtual one on headless), let pass by the
// calling thread before the worker goes on; 0 switches it off.
void slow_steps(std::uint32_t ms);
// Fault switch: the n-th entry the next delete removes (1 = the first)
// fails as one without the right to remove it would.
void fail_removal(std::size_t n);
// Stops the next copy dead once it has written bytes bytes, as a kill of the
// program would: nothing after that point runs, nothing is undone.
void stop_copy_at(std::uint64_t bytes);
// Called by the copy and delete walks with an entry's path (UTF-8) after its
// status was asked and before it is opened; empty switches it off.
void before_open(std::function<void(const std::string& path)> hook);
#endif

}  // namespace platform::shell
