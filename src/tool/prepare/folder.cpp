// The working folder's first contents and the one careful way they are made.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "picture.hpp"
#include "prepare.hpp"

namespace tool::prepare {

namespace fs = std::filesystem;

// An empty store as the store writes it: a file must exist, and an empty file
// is no document.
const char system_text[] = "<root></root>";

// Narrow literals are compiled to code page 932, the script file's encoding.
const char extension_text[] =
    "// 選んだファイルを既定のアプリで開く\n"
    "process main(string path)\n"
    "{\n"
    "    using::open(path);\n"
    "}\n";
static_assert(sizeof("選") == 3, "narrow literals must be code page 932");

namespace {

// Names and texts of files and folders are UTF-8, as Linux names are (u8
// literals, untouched by the narrow code page).
struct text_file {
    const char* path;
    const char* text;
};

const char* const folders[] = {
    "root",
    "root/documents",
    "root/music",  // stays empty
    "root/pictures",
    "root/projects",
    u8"root/旅行の写真",
    "skin",
    "wallpaper",
};

const text_file samples[] = {
    {"root/documents/readme.txt",
     "Sample documents.\nSelect a file and press Enter: extension.hpp opens it with the desktop's opener.\n"},
    {"root/documents/meeting notes.txt", "Monday 10:00\n- the new layout\n- tags for old projects\n"},
    {u8"root/documents/日本語のメモ.txt", u8"買い物: 牛乳、卵、パン\n週末に図書館へ行く\n"},
    {"root/projects/plan.txt", "1. sort the photos\n2. tag every folder\n"},
    {u8"root/旅行の写真/京都.txt", u8"金閣寺、嵐山、伏見稲荷\n"},
    {"root/shopping list.txt", "milk\neggs\nbread\n"},
    {"root/todo.txt", "water the plants\ncall the library\n"},
    {"root/budget.csv", "item,amount\nrent,700\nfood,250\nbooks,40\n"},
};

std::string os_error(const std::string& what, const fs::path& path, int code)
{
    return "cannot " + what + " " + path.string() + ": " + std::strerror(code);
}

// Writes a new file; an existing one is an error, never overwritten.
bool write_new(const fs::path& path, const void* data, std::size_t size, std::string* error)
{
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f) {
        *error = os_error("write", path, errno);
        return false;
    }
    const bool written = std::fwrite(data, 1, size, f) == size;
    const int code = errno;
    if (std::fclose(f) != 0 || !written) {
        *error = os_error("write", path, written ? errno : code);
        return false;
    }
    return true;
}

bool write_picture(const fs::path& path, const bytes& file, std::string* error)
{
    if (file.empty()) {
        *error = path.string() + ": " + *error;
        return false;
    }
    return write_new(path, file.data(), file.size(), error);
}

bool fill(const fs::path& at, std::string* error)
{
    for (const char* folder : folders)
        if (::mkdir((at / folder).c_str(), 0777) != 0) {
            *error = os_error("make", at / folder, errno);
            return false;
        }
    for (const text_file& f : samples)
        if (!write_new(at / f.path, f.text, std::strlen(f.text), error)) return false;
    return write_new(at / "system.txt", system_text, sizeof system_text - 1, error) &&
           write_new(at / "extension.hpp", extension_text, sizeof extension_text - 1, error) &&
           write_picture(at / "skin/skin.jpg", jpeg_file(skin_picture(), 92, error), error) &&
           write_picture(at / "wallpaper/evening.jpg", jpeg_file(wallpaper_picture(), 90, error), error) &&
           write_picture(at / "root/pictures/sunrise.png", png_file(sample_picture(), error), error);
}

// Renames FROM to TO unless TO exists, atomically where the file system can.
int rename_new(const fs::path& from, const fs::path& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL) return errno;
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

bool make_working_folder(const std::string& folder, std::string* error)
{
    fs::path target = fs::path(folder).lexically_normal();
    if (!target.has_filename()) target = target.parent_path();  // "a/b/" names "a/b"
    if (folder.empty() || target.empty() || !target.has_filename() || target.filename() == "." ||
        target.filename() == "..") {
        *error = "\"" + folder + "\" names no folder that can be made";
        return false;
    }
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) {
        *error = target.string() + " already exists; nothing in it was changed";
        return false;
    }
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code ec;
    fs::create_directories(parent, ec);
    if (ec) {
        *error = "cannot make " + parent.string() + ": " + ec.message();
        return false;
    }
    std::string pattern = (parent / ("." + target.filename().string() + ".preparing.XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        *error = os_error("make a folder in", parent, errno);
        return false;
    }
    const fs::path work = pattern;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    bool ok = ::chmod(work.c_str(), 0777 & ~mask) == 0 || (*error = os_error("set the mode of", work, errno), false);
    ok = ok && fill(work, error);
    if (ok) {
        const int code = rename_new(work, target);
        if (code != 0) {
            *error = code == EEXIST || code == ENOTEMPTY ? target.string() + " appeared meanwhile; it was left as it is"
                                                         : os_error("make", target, code);
            ok = false;
        }
    }
    if (!ok) fs::remove_all(work, ec);
    return ok;
}

}  // namespace tool::prepare
