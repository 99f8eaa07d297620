// What the files of platform/font share: the layer's one state record and
// the two kinds of face behind create().
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>
#include <vector>

#include "platform/font/font.hpp"

namespace platform::font {

struct font_state {
    FT_Library library = nullptr;  // opened by the first outline face
    bool fontconfig_open = false;
    std::vector<std::unique_ptr<face>> faces;
#if ZENTIL_TEST_HOOKS
    bool fake = false;
    fake_settings fake_setup;
    std::vector<request> fake_requests;
    std::vector<wchar_t> fake_code_points;
    bool fail_fake_glyphs = false;
    int fail_fake_faces = 0;
#endif
};

font_state& state();

// One font file fontconfig offered: the path and the face index inside it,
// and whether it is a bold or a slanted member of its family.
struct candidate {
    std::string file;
    int index = 0;
    bool bold = false;
    bool slanted = false;
};

// Fontconfig's fonts for a request, best first, trimmed to those that add
// characters; empty (error set) when fontconfig cannot start.
std::vector<candidate> match(const request& r);

// A face over the first candidate FreeType can open as outlines, the rest
// serving characters it lacks; null (error set) when none opens.
std::unique_ptr<face> open_outline_face(const request& r, const std::vector<candidate>& fonts);

// Ends fontconfig (FcFini) when it was started.
void close_fontconfig();

#if ZENTIL_TEST_HOOKS
std::unique_ptr<face> make_fake_face();
#endif

}  // namespace platform::font
