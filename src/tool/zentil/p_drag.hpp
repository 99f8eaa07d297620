// The copy screen: copies the entries dropped on a directory screen into the
// folder it shows, then shows what happened in a scrolling log with an "OK"
// button that ends it.
#pragma once

#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "tool/zentil/gprocess.hpp"
#include "ui/button.hpp"
#include "ui/embed.hpp"
#include "ui/frame.hpp"
#include "ui/input.hpp"

namespace tool::zentil {

class shared;

class p_drag : public gprocess {
 public:
  // Copies every entry, in the order given (the last dropped first), into
  // target through the shell's copy (a new name on collision) before it
  // returns; copied folders inherit the tags of their new ancestors. Each
  // entry is copied from its exact name. left_out: names of the drop that
  // never reached the screen (more than the media layer holds); the log
  // ends with a line that counts them.
  p_drag(shared& owner, const std::vector<ui::input::dropped_name>& entries, const std::wstring& target,
         std::size_t left_out = 0);
  // Entries known only in CP932: each is copied from the name it converts to.
  p_drag(shared& owner, const std::vector<std::string>& entries, const std::wstring& target);
  ~p_drag() override;
  p_drag(const p_drag&) = delete;
  p_drag& operator=(const p_drag&) = delete;

  void draw() override;
  // "OK" ends the screen.
  void update() override;

  // target + "/" + the last component of source; empty when source has no
  // last component that names an entry of its own ("", "/", ".", "..").
  std::wstring destination_of(const std::wstring& source) const;

  // The log lines in order, each without its line break.
  const std::vector<std::wstring>& log_lines() const { return lines_; }

  static constexpr const wchar_t* copied_prefix = L"copy to ";
  static constexpr const wchar_t* failure_prefix = L"*** copy failure ***";
  // "*** N entries of the drop were not copied ... ***"
  static std::wstring left_out_line(std::size_t left_out);

  // The screen rectangle, all 0 until the copying is done.
  int left = 0, top = 0, right = 0, bottom = 0;
  std::wstring target;
  boost::shared_ptr<ui::frame<ui::embed>> content;
  ui::button<>* ok_button = nullptr;

 private:
  // One entry: copied and logged.
  void copy_entry(const std::wstring& source);
  void build_content();

  shared* owner_;
  std::vector<std::wstring> lines_;
};

}  // namespace tool::zentil
