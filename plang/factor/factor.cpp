// Defaults of the value interface, signatures, argument texts and the
// raising helpers of the unsupported-operation convention.
#include "plang/factor/factor.hpp"

#include <cstdio>
#include <stdexcept>

#include "lib/hash.hpp"
#include "plang/convert.hpp"
#include "plang/exception.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/factor";
}

void factor::call_constructor() {}

factor::operator std::string() const {
  throw_exception(source, "undefined",
                  "plang::factor::operator class std::basic_string<char,struct std::char_traits<char>,class "
                  "std::allocator<char> >",
                  117);
}

handle factor::member(const std::string&) { throw_exception(source, "undefined", "plang::factor::member", 126); }

handle factor::method(const method_request<char>&) {
  throw_exception(source, "undefined", "plang::factor::method", 134);
}

std::ostream& factor::write_ostream(std::ostream&) const {
  throw_exception(source, "undefined", "plang::factor::write_ostream", 151);
}

std::wostream& factor::write_ostream(std::wostream&) const {
  throw_exception(source, "undefined", "plang::factor::write_ostream", 155);
}

std::istream& factor::read_istream(std::istream&) {
  throw_exception(source, "undefined", "plang::factor::read_istream", 159);
}

void factor::vector::out_of_range(std::size_t i, std::size_t size) {
  char text[128];
  std::snprintf(text, sizeof text, "vector::_M_range_check: __n (which is %zu) >= this->size() (which is %zu)", i, size);
  throw std::out_of_range(text);
}

signature signature_of(const factor::vector& args) {
  signature sig;
  sig.reserve(args.size());
  for (const handle& v : args) sig.push_back(v->get_typeid());
  return sig;
}

void hash_signature(const signature& sig, std::uint32_t& seed) {
  for (unsigned int id : sig) lib::hash_combine(seed, id);
}

bool same_signature(const signature& a, const signature& b) { return a == b; }

std::string describe_arguments(const factor::vector& args) {
  std::string text;
  std::string index;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) text += ", ";
    to_string_into<unsigned int>(static_cast<unsigned int>(i), index);
    text += "v[";
    text += index;
    text += "]=";
    text += args[i]->describe();
  }
  return text;
}

void refuse_arguments(const char* file, const char* function, int line, const factor::vector& args) {
  throw_exception(file, describe_arguments(args), function, line);
}

void refuse_operand(const char* file, const char* function, int line, const factor& operand) {
  throw_exception(file, operand.describe(), function, line);
}

void refuse(const char* file, const char* function, int line) { throw_exception(file, std::string(), function, line); }

void refuse_member(const char* file, const char* function, int line, const std::string& name) {
  throw_exception(file, name, function, line);
}

void refuse_member(const char* file, const char* function, int line, const std::wstring& name) {
  throw exception(file, std::string(), function, line).append_detail(name);
}

}  // namespace plang
