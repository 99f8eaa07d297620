// The interpreter's error: "file(line) function: text", causes chained after "\n>\t".
#pragma once

#include <exception>
#include <string>

namespace plang {

class exception : public std::exception {
 public:
  // message = file "(" line ") " function ": " text
  exception(const char* file, const std::string& text, const char* function, int line);
  // A ready message, taken unchanged.
  explicit exception(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }

  // Appends "\n>\t" and the cause's text; the caller throws a copy.
  exception& chain_cause(const std::exception& cause);

  // A new error whose message is this one's followed directly by the detail
  // (no separator: callers put one into the text, as in "tid=").
  exception append_detail(const std::wstring& detail) const;  // system code page
  exception append_detail(const std::string& detail) const;
  exception append_detail(const char* detail) const;
  exception append_detail(unsigned int detail) const;  // decimal

 private:
  std::string message_;
};

// Builds and throws the error in one call, so raising sites stay small.
[[noreturn]] void throw_exception(const char* file, const std::string& text, const char* function, int line);

}  // namespace plang
