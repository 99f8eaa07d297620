// Texts of call records.
#include "plang/method.hpp"

#include "lib/string.hpp"
#include "plang/convert.hpp"
#include "plang/exception.hpp"

namespace plang {
namespace {

std::string describe_call_of(std::string text, const factor::vector& args) {
  if (args.empty()) {
    text += ", v=0";
  } else {
    text += ", ";
    text += describe_arguments(args);
  }
  return text;
}

}  // namespace

template <>
std::string describe_call<char>(const method_request<char>& r) {
  return describe_call_of("id=" + to_string<std::string>(r.name), r.arguments);
}

template <>
std::string describe_call<wchar_t>(const method_request<wchar_t>& r) {
  return describe_call_of("id=" + lib::string::convert<std::string, std::wstring>(r.name), r.arguments);
}

std::uint32_t next_method_class_key() {
  static std::atomic<std::uint32_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void refuse_method(const char* file, const char* function, int line, const method_request<char>& r) {
  throw_exception(file, describe_call(r), function, line);
}

void refuse_method(const char* file, const char* function, int line, const method_request<wchar_t>& r) {
  throw_exception(file, describe_call(r), function, line);
}

}  // namespace plang
