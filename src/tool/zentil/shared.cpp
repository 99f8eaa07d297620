// The application object's construction, the host function "open" and the
// run of the script process "main".
#include "tool/zentil/shared.hpp"

#include "lib/basic_filesystem.hpp"
#include "lib/path.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "plang/exception.hpp"
#include "plang/factor/nil.hpp"
#include "plang/factor/string_.hpp"
#include "platform/shell/shell.hpp"
#include "ui/drawing.hpp"
#include "ui/text.hpp"

namespace tool::zentil {
namespace {

// The shell's "show the window" code, which it accepts and does not use.
constexpr int show_window = 5;

// A long script run looks at the window's messages after this long, then
// this often (milliseconds of the media layer's clock), or after this many
// scheduling rounds, whichever comes first: a clock that stands still while
// the script runs (a virtual one) must not keep the window from closing.
constexpr unsigned quiet_time = 1000;
constexpr unsigned pump_interval = 50;
constexpr unsigned quiet_rounds = 1000000;
constexpr unsigned pump_rounds = 10000;

ui::button<> make_button(const char* caption, int inner_width) {
  return ui::button<>::button_from_text(inner_width, ui::text::text_from_chars(caption), 0, 5);
}

ui::frame<ui::form> make_form() { return ui::frame<ui::form>({0, 0, 5, 5}, ui::form(150)); }

[[noreturn]] void invalid_arguments() {
  plang::throw_exception("src/tool/zentil/shared", "invalid arguments", "tool::zentil::shared::open", 42);
}

// An argument slot without a value counts as a wrong call, not a crash.
std::wstring argument_text(const plang::handle& value) {
  if (!value) invalid_arguments();
  return static_cast<std::wstring>(*value);
}

}  // namespace

shared::shared()
    : button_add(make_button("Add", 50)),
      button_derive(make_button("Derive", 100)),
      button_refresh(make_button("Refresh", 100)),
      button_search(make_button("Search", 100)),
      button_make_folder(make_button("Make Folder", 100)),
      form_tag(make_form()),
      form_search(make_form()),
      form_folder(make_form()),
      tags_dirty(false),
      skin(dx::texture::texture_from_file("skin/skin.jpg")),
      root_folder(lib::path::append(lib::basic_filesystem<wchar_t>::current_directory(), std::wstring(L"root"))) {
  skin.width = ui::screen_width;
  skin.height = ui::screen_height;
  // "#include" in scripts also finds the files of the current folder.
  interpreter.include_directories().push_back(lib::basic_filesystem<wchar_t>::current_directory());
  interpreter.root().natives().define(L"open", [this](plang::factor::vector& args) { return open(args); });
  interpreter.load_file(L"extension.hpp");
  tags_dirty = false;
}

shared::~shared() = default;

plang::handle shared::open(plang::factor::vector& args) {
  platform::shell::operations& shell = platform::shell::current();
  switch (args.size()) {
    case 1:
      shell.open(std::wstring(), argument_text(args[0]), std::wstring(), show_window);
      break;
    case 2: {
      const std::wstring file = argument_text(args[0]);
      shell.open(std::wstring(), file, argument_text(args[1]), show_window);
      break;
    }
    default:
      invalid_arguments();
  }
  return plang::make_nil();
}

void shared::run_main(const std::wstring& path) {
  interpreter.start_named_process(L"main", plang::factor::vector{plang::make_string(path)});
  plang::nspace& root = interpreter.root();
  const unsigned start = static_cast<unsigned>(GetTickMillis());
  unsigned last_pump = start;
  unsigned rounds = 0;  // since the start, then since the last pump
  bool pumping = false;
  while (!root.processes().empty()) {
    root.schedule_round();
    ++rounds;
    // A script that never ends must not keep the window from closing.
    const unsigned now = static_cast<unsigned>(GetTickMillis());
    if (!pumping) {
      if (now - start < quiet_time && rounds < quiet_rounds) continue;
      pumping = true;
    } else if (now - last_pump < pump_interval && rounds < pump_rounds) {
      continue;
    }
    last_pump = now;
    rounds = 0;
    if (PumpWindowMessagesGuarded() == -1) return;
  }
}

}  // namespace tool::zentil
