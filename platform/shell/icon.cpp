// The row icons: a folder and a page, drawn here at 32 x 32 with alpha.
#include <sys/stat.h>

#include <array>
#include <cstdint>

#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace platform::shell {
namespace {

constexpr int n = icon::size;
using picture = std::array<std::uint32_t, n * n>;

void fill(picture& p, int x0, int y0, int x1, int y1, std::uint32_t colour)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) p[y * n + x] = colour;
}

// A box with a one-pixel edge of another colour.
void framed(picture& p, int x0, int y0, int x1, int y1, std::uint32_t edge, std::uint32_t inside)
{
    fill(p, x0, y0, x1, y1, edge);
    fill(p, x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside);
}

picture draw_folder()
{
    picture p{};  // transparent
    framed(p, 2, 5, 13, 10, 0xFFB07A1Eu, 0xFFE8B04Au);    // tab
    framed(p, 2, 8, 29, 27, 0xFFB07A1Eu, 0xFFE8B04Au);    // back
    framed(p, 2, 12, 29, 27, 0xFFB07A1Eu, 0xFFF7CD6Au);   // front
    fill(p, 3, 13, 28, 13, 0xFFFBE3A8u);                  // light along the front's top
    return p;
}

picture draw_file()
{
    picture p{};
    constexpr int left = 6, right = 25, top = 2, bottom = 29, fold = 7;
    framed(p, left, top, right, bottom, 0xFF707070u, 0xFFFFFFFFu);
    // the folded top-right corner: cut away, then the fold's triangle
    for (int d = 0; d < fold; ++d) {
        const int y = top + d;
        for (int x = right - fold + 1 + d; x <= right; ++x) p[y * n + x] = 0;
        p[y * n + right - fold + 1 + d] = 0xFF707070u;                                 // the cut's edge
        for (int x = right - fold + 1; x < right - fold + 1 + d; ++x) p[y * n + x] = 0xFFD8D8D8u;
        p[y * n + right - fold + 1] = 0xFF707070u;                                     // the fold's edge
    }
    fill(p, right - fold + 1, top + fold, right, top + fold, 0xFF707070u);
    for (int y = 12; y <= 24; y += 4) fill(p, left + 4, y, right - 4, y, 0xFFB4B4B4u);  // lines of text
    return p;
}

}  // namespace

const icon& builtin_icon(icon_kind kind)
{
    static const picture folder = draw_folder(), file = draw_file();
    static const icon folder_icon{icon_kind::folder, folder.data()}, file_icon{icon_kind::file, file.data()};
    return kind == icon_kind::folder ? folder_icon : file_icon;
}

icon_kind kind_of(const std::wstring& path)
{
    struct stat st {};
    // the name's own bytes, as platform::fs spells it: a name no byte string
    // spells (a NUL, escaped bytes that read back as another name) is never
    // asked for, so it cannot show the icon of another entry; stat follows
    // links: a link to a folder shows as a folder
    std::string bytes;
    const bool folder = text::os_name(path, bytes) && ::stat(bytes.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return folder ? icon_kind::folder : icon_kind::file;
}

}  // namespace platform::shell
