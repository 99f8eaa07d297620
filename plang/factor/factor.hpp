// The value interface of the script language: the 41 operations every
// value class implements, argument vectors, typeid signatures, and the
// raising helpers of the unsupported-operation convention.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <vector>

#include <boost/container/small_vector.hpp>
#include <boost/shared_ptr.hpp>

#include "plang/factor/typeid_anchor.hpp"

namespace plang {

class factor;
template <class C>
class method_request;

// A value handle. Values are always created from their concrete class
// (boost::make_shared<plang::boolean>(...)): the handle destroys them as
// that class, since factor has no virtual destructor.
using handle = boost::shared_ptr<factor>;

// Binary operations (add .. gte): `rhs` holds the right operand on entry and
// receives the result, a new value; the left value is never changed. The
// left class decides; the right operand is read through its own conversion.
// `not_` and `minus`: `operand` holds this value on entry and receives the
// result. Conversions that a class does not support throw sig_throw with a
// bad_cast value. Call the conversions by name (`v->operator int()`) or by
// static_cast; several exist, so implicit use is often ambiguous. A class
// that keeps a default overload (member, method, write_ostream, read_istream,
// call_constructor) adds `using factor::name;` so it stays visible.
class factor {
 public:
  class vector;

  // 0-2: construct from an argument vector, from one value, or to the default.
  virtual void call_constructor(const vector& args) = 0;
  virtual void call_constructor(const handle& value) = 0;
  virtual void call_constructor();  // does nothing

  // 3-15
  virtual void add(handle& rhs) const = 0;
  virtual void subtract(handle& rhs) const = 0;
  virtual void multiply(handle& rhs) const = 0;
  virtual void divide(handle& rhs) const = 0;
  virtual void mod(handle& rhs) const = 0;
  virtual void _and(handle& rhs) const = 0;
  virtual void _or(handle& rhs) const = 0;
  virtual void eq(handle& rhs) const = 0;
  virtual void ne(handle& rhs) const = 0;
  virtual void lt(handle& rhs) const = 0;
  virtual void gt(handle& rhs) const = 0;
  virtual void lte(handle& rhs) const = 0;
  virtual void gte(handle& rhs) const = 0;

  // 16-17; `not` is spelt not_ here, its function texts say "not".
  virtual void not_(handle& operand) const = 0;
  virtual void minus(handle& operand) const = 0;

  // 18-20, in place.
  virtual void operator=(const handle& source) = 0;
  virtual void operator++() = 0;
  virtual void operator--() = 0;

  // 21-27
  virtual operator bool() const = 0;
  virtual operator unsigned int() const = 0;
  virtual operator int() const = 0;
  virtual operator float() const = 0;
  virtual operator double() const = 0;
  virtual operator std::string() const;  // default: "undefined"
  virtual operator std::wstring() const = 0;

  // 28-31
  virtual handle member(const std::wstring& name) = 0;
  virtual handle member(const std::string& name);  // default: "undefined"
  virtual handle method(const method_request<wchar_t>& request) = 0;
  virtual handle method(const method_request<char>& request);  // default: "undefined"

  // 32-36
  virtual std::uint32_t get_typeid() const = 0;
  virtual handle clone() const = 0;
  virtual void hash_into(std::uint32_t& seed) const = 0;
  virtual bool same_value(const handle& other) const = 0;
  virtual std::string describe() const = 0;

  // 37-40
  virtual std::wostream& write_ostream(std::wostream& os) const;  // default: "undefined"
  virtual std::ostream& write_ostream(std::ostream& os) const;    // default: "undefined"
  virtual std::wistream& read_istream(std::wistream& is) = 0;
  virtual std::istream& read_istream(std::istream& is);  // default: "undefined"

 protected:
  factor() = default;
  factor(const factor&) = default;
  factor& operator=(const factor&) = default;
  ~factor() = default;  // never deleted through this class
};

// Override declarations of the value classes, in slot order: the operators
// and in-place changes (slots 3-20), and all 41 operations for a class that
// implements every one of them (defaults included).
#define PLANG_FACTOR_OPERATORS \
  void add(handle& rhs) const override; \
  void subtract(handle& rhs) const override; \
  void multiply(handle& rhs) const override; \
  void divide(handle& rhs) const override; \
  void mod(handle& rhs) const override; \
  void _and(handle& rhs) const override; \
  void _or(handle& rhs) const override; \
  void eq(handle& rhs) const override; \
  void ne(handle& rhs) const override; \
  void lt(handle& rhs) const override; \
  void gt(handle& rhs) const override; \
  void lte(handle& rhs) const override; \
  void gte(handle& rhs) const override; \
  void not_(handle& operand) const override; \
  void minus(handle& operand) const override; \
  void operator=(const handle& source) override; \
  void operator++() override; \
  void operator--() override;

#define PLANG_FACTOR_OPERATIONS \
  void call_constructor(const vector& args) override; \
  void call_constructor(const handle& source) override; \
  void call_constructor() override; \
  PLANG_FACTOR_OPERATORS \
  operator bool() const override; \
  operator unsigned int() const override; \
  operator int() const override; \
  operator float() const override; \
  operator double() const override; \
  operator std::string() const override; \
  operator std::wstring() const override; \
  handle member(const std::wstring& name) override; \
  handle member(const std::string& name) override; \
  handle method(const method_request<wchar_t>& request) override; \
  handle method(const method_request<char>& request) override; \
  std::uint32_t get_typeid() const override; \
  handle clone() const override; \
  void hash_into(std::uint32_t& seed) const override; \
  bool same_value(const handle& other) const override; \
  std::string describe() const override; \
  std::wostream& write_ostream(std::wostream& os) const override; \
  std::ostream& write_ostream(std::ostream& os) const override; \
  std::wistream& read_istream(std::wistream& is) override; \
  std::istream& read_istream(std::istream& is) override;

// The argument vector of constructors, methods, host and script functions:
// handles in order. Copies share the values. Indexing is bounds-checked
// (std::out_of_range). Most calls pass a few arguments, which it holds
// without an allocation.
class factor::vector {
 public:
  using container = boost::container::small_vector<handle, 3>;
  using iterator = container::iterator;
  using const_iterator = container::const_iterator;

  vector() = default;
  explicit vector(std::size_t n) : items_(n) {}  // n empty handles
  vector(std::initializer_list<handle> items) : items_(items) {}

  void push_back(const handle& v) { items_.push_back(v); }
  void push_back(handle&& v) { items_.push_back(std::move(v)); }
  void reserve(std::size_t n) { items_.reserve(n); }
  void clear() { items_.clear(); }

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }

  handle& operator[](std::size_t i) {
    check(i);
    return items_[i];
  }
  const handle& operator[](std::size_t i) const {
    check(i);
    return items_[i];
  }

  iterator begin() { return items_.begin(); }
  iterator end() { return items_.end(); }
  const_iterator begin() const { return items_.begin(); }
  const_iterator end() const { return items_.end(); }

 private:
  void check(std::size_t i) const {
    if (i >= items_.size()) out_of_range(i, items_.size());
  }
  // The std::out_of_range of std::vector::at, with its text.
  [[noreturn]] static void out_of_range(std::size_t i, std::size_t size);

  container items_;
};

// Typeid signatures: the typeids of an argument vector in order; they key
// every overload table. The empty signature is a valid key.
using signature = std::vector<unsigned int>;

signature signature_of(const factor::vector& args);
void hash_signature(const signature& sig, std::uint32_t& seed);  // combines each element in order
bool same_signature(const signature& a, const signature& b);

// "v[0]=bool(1), v[1]=nil()"; empty for no arguments.
std::string describe_arguments(const factor::vector& args);

// Raising helpers of the unsupported-operation convention: each throws
// plang::exception(file, text, function, line) with the text named.
[[noreturn]] void refuse_arguments(const char* file, const char* function, int line,
                                   const factor::vector& args);  // describe_arguments
[[noreturn]] void refuse_operand(const char* file, const char* function, int line, const factor& operand);  // describe
[[noreturn]] void refuse(const char* file, const char* function, int line);  // empty text
[[noreturn]] void refuse_member(const char* file, const char* function, int line, const std::string& name);
// Empty text, then the name appended as detail.
[[noreturn]] void refuse_member(const char* file, const char* function, int line, const std::wstring& name);

}  // namespace plang
