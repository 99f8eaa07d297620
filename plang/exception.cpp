// The interpreter's error: message layout, chained causes and details.
#include "plang/exception.hpp"

#include "lib/string.hpp"
#include "plang/convert.hpp"

namespace plang {

exception::exception(const char* file, const std::string& text, const char* function, int line) {
  message_.reserve(64 + text.size());
  message_ += file;
  message_ += '(';
  message_ += to_string<int>(line);
  message_ += ") ";
  message_ += function;
  message_ += ": ";
  message_ += text;
}

exception& exception::chain_cause(const std::exception& cause) {
  message_ += "\n>\t";
  message_ += cause.what();
  return *this;
}

exception exception::append_detail(const std::wstring& detail) const {
  return exception(message_ + lib::string::convert<std::string, std::wstring>(detail));
}
exception exception::append_detail(const std::string& detail) const {
  return exception(message_ + to_string<std::string>(detail));
}
exception exception::append_detail(const char* detail) const { return exception(message_ + detail); }
exception exception::append_detail(unsigned int detail) const {
  return exception(message_ + to_string<unsigned int>(detail));
}

void throw_exception(const char* file, const std::string& text, const char* function, int line) {
  throw exception(file, text, function, line);
}

}  // namespace plang
