// The program's entry: the locale, the start-up process, the shared object,
// the tag database, the root screen's frame loop until the window closes, the
// database written back; an error that ends the run goes to the crash log.
#include <malloc.h>

#include <cstdio>
#include <exception>
#include <locale>
#include <string>

#include "platform/text/locale.hpp"
#include "tool/zentil/crash_log.hpp"
#include "tool/zentil/p_root.hpp"
#include "tool/zentil/shared.hpp"

#if ZENTIL_TEST_HOOKS
#include "media/graphics/string_draw.hpp"
#include "platform/headless/scenario.hpp"
#include "platform/text/codepage.hpp"
#endif

namespace tool::zentil {
namespace {

#if ZENTIL_TEST_HOOKS
// The strings drawn since the last frame boundary, for a scenario's "strings"
// step: "x y text" lines in UTF-8.
std::string take_frame_strings() {
  std::string out;
  for (const media::gfx::drawn_string& s : media::gfx::drawn_strings()) {
    std::wstring wide;
    platform::text::append_wide(s.text.data(), s.text.size(), wide);
    out += std::to_string(s.x) + " " + std::to_string(s.y) + " " + platform::text::to_utf8_text(wide) + "\n";
  }
  media::gfx::clear_drawn_strings();
  return out;
}
#endif

// Wide file streams convert through code page 932; wide numbers keep the
// classic punctuation.
void install_locale() {
  const std::locale& japanese = platform::text::japanese_locale();
  std::locale::global(std::locale(japanese, &std::use_facet<std::numpunct<wchar_t>>(std::locale::classic())));
}

// Runs the root screen until the window closes. An error that ends the loop
// after the store was changed saves the store first, so a script error does
// not lose the run's tag work; a failure of that save joins the error's text.
void run_root(shared& app, p_root& root, const std::wstring& database) {
  try {
    gprocess::run(root);
  } catch (const std::exception& e) {
    if (!app.changed) throw;
    try {
      app.save_tag_database(database);
    } catch (const std::exception& save) {
      throw std::runtime_error(std::string(e.what()) + "\n" + save.what());
    }
    throw;
  }
}

}  // namespace

// 0 after the window was closed and the store saved; -1 after the crash log.
int entry() {
  // The large blocks of the start (the database's text, a folder's listing)
  // come from the heap and stay there once freed, so what follows reuses
  // their pages instead of having fresh ones mapped and faulted in.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  try {
    install_locale();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zentil: the locale cannot be built: %s\n", e.what());
    return -1;
  }
#if ZENTIL_TEST_HOOKS
  platform::headless::set_frame_strings_source(take_frame_strings);
#endif
  try {
    const std::wstring database = L"system.txt";
    p_init init;
    shared app;
    app.load_tag_database(database);
    p_root root(app);
    run_root(app, root, database);
    app.save_tag_database(database);
  } catch (const std::exception& e) {
    return write_crash_log(e.what());
  } catch (...) {
    // nothing of ours throws other types; should one escape, it still ends
    // in the log rather than in an abort
    return write_crash_log("unknown exception");
  }
  return 0;
}

}  // namespace tool::zentil

// The command line, the environment and the arguments play no part; -1
// leaves the process with status 255.
int main() { return tool::zentil::entry(); }
