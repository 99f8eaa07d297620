// An edit in progress: a key-input handle of the media layer. Its end (the
// destructor) switches the toolkit's key reporting back on and destroys the
// handle.
#pragma once

#include <string>

namespace dx {

class istring {
 public:
  // handle may be -1 (none could be made): the edit then ends at once.
  istring(int handle, int max_characters) : handle_(handle), max_characters_(max_characters) {}
  ~istring();
  istring(const istring&) = delete;
  istring& operator=(const istring&) = delete;

  // The live text, up to its first NUL.
  std::string get_string() const;
  int handle() const { return handle_; }

 private:
  int handle_;
  int max_characters_;
};

}  // namespace dx
