// The copy screen for dropped entries: the copies, the log, its layout.
#include "tool/zentil/p_drag.hpp"

#include <exception>

#include "lib/string.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/shell/shell.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/drawing.hpp"
#include "ui/scrolled.hpp"
#include "ui/text.hpp"
#include "ui/textbox.hpp"

namespace tool::zentil {

namespace {

std::vector<std::wstring> exact_names(const std::vector<ui::input::dropped_name>& entries) {
  std::vector<std::wstring> out;
  out.reserve(entries.size());
  for (const ui::input::dropped_name& e : entries) {
    if (!e.exact.empty()) {
      out.push_back(e.exact);
    } else {
      std::wstring wide;
      lib::string::convert_into(e.narrow, wide);
      out.push_back(wide);
    }
  }
  return out;
}

std::vector<ui::input::dropped_name> narrow_only(const std::vector<std::string>& entries) {
  std::vector<ui::input::dropped_name> out;
  out.reserve(entries.size());
  for (const std::string& e : entries) out.push_back({e, std::wstring()});
  return out;
}

bool is_folder(const std::wstring& path) {
  try {
    return platform::fs::status(path) == platform::fs::entry_kind::folder;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

p_drag::p_drag(shared& owner, const std::vector<std::string>& entries, const std::wstring& target_folder)
    : p_drag(owner, narrow_only(entries), target_folder) {}

p_drag::p_drag(shared& owner, const std::vector<ui::input::dropped_name>& entries, const std::wstring& target_folder,
               std::size_t left_out)
    : target(target_folder), owner_(&owner) {
  // a drop taken counts as a change of the store, so that a run that ends
  // in an error still saves what the copies brought
  owner_->changed = true;
  lines_.reserve(entries.size());
  for (const std::wstring& source : exact_names(entries)) copy_entry(source);
  // a user who deletes the sources after the copy must see what was left
  if (left_out > 0) lines_.push_back(left_out_line(left_out));

  constexpr int w = ui::screen_width, h = ui::screen_height;
  left = w / 2 - w / 3;
  top = h / 2 - h / 3;
  right = w / 2 + w / 3;
  bottom = h / 2 + h / 3;
  build_content();
}

p_drag::~p_drag() = default;

std::wstring p_drag::left_out_line(std::size_t left_out) {
  return L"*** " + std::to_wstring(left_out) + (left_out == 1 ? L" entry" : L" entries") +
         L" of the drop not copied: one drop takes at most 1000 ***";
}

std::wstring p_drag::destination_of(const std::wstring& source) const {
  // a trailing '/' names the same entry; without this the copy would go to
  // the target folder's own name, beside it
  std::size_t end = source.size();
  while (end > 0 && source[end - 1] == L'/') --end;
  const std::size_t sep = source.rfind(L'/', end == 0 ? 0 : end - 1);
  const std::size_t start = sep == std::wstring::npos ? 0 : sep + 1;
  const std::wstring last = source.substr(start, end - start);
  // "." and ".." would put the copy beside or above the target folder
  if (last.empty() || last == L"." || last == L"..") return std::wstring();
  return target + L"/" + last;
}

void p_drag::copy_entry(const std::wstring& source) {
  const std::wstring destination = destination_of(source);
  std::wstring renamed;
  if (destination.empty() || platform::shell::current().copy(source, destination, renamed) != 0) {
    lines_.push_back(failure_prefix + source);
    return;
  }
  const std::wstring final_path = renamed.empty() ? destination : renamed;
  if (is_folder(final_path)) owner_->inherit_ancestor_tags(final_path);
  lines_.push_back(copied_prefix + final_path);
}

void p_drag::build_content() {
  const int width = right - left, height = bottom - top;
  ui::xtextbox log(static_cast<int>(width * 0.9), 1.0);
  for (const std::wstring& line : lines_) log.append_text(line + L"\n");

  ui::embed::pending children;
  ui::embed::add_scrolled_textbox_br(
      children, ui::scrolled<ui::textbox>(ui::textbox(log), static_cast<int>(height * 0.8), 7, {2, 2, 2, 2}));
  ok_button = ui::embed::add_button(ui::button<>::button_from_text(width / 4, ui::text(L"OK"), 0, 5),
                                    ui::detail::embed::append::get(), children);
  const ui::embed layout(children, width - 4, 1);
  content.reset(new ui::frame<ui::embed>({2, height - layout.height - 2, 2, 2}, layout));
}

void p_drag::draw() { content->draw(left, top); }

void p_drag::update() {
  content->update(left, top, {left, top, right, bottom});
  if (ok_button->state.clicked) flags |= finished;
}

}  // namespace tool::zentil
