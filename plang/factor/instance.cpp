// Class instance values: construction by the class's constructors or
// member-wise, conversions through its conversion bodies (any failure is a
// bad_cast), members and methods through the data part, and refusals that
// name the instance.
#include "plang/factor/instance.hpp"

#include <boost/make_shared.hpp>

#include "plang/exception.hpp"
#include "plang/factor/exception.hpp"
#include "plang/factor/nesting.hpp"
#include "plang/method.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/instance";
constexpr char class_text[] = "plang::instance<wchar_t,class plang::object<wchar_t,class plang::process<wchar_t> > >::";

std::string function_text(const char* operation) { return std::string(class_text) + operation; }

// Re-raises a standard exception from a constructor, member or method as
// this class's error with `text`, the cause chained; the depth bound's
// error passes as it is, so its text stays one line at any depth.
template <class Work, class Text>
auto wrapped(const char* operation, int line, Text text, Work work) -> decltype(work()) {
  try {
    return work();
  } catch (const call_depth_error&) {
    throw;
  } catch (const std::exception& e) {
    throw exception(source, text(), function_text(operation).c_str(), line).chain_cause(e);
  }
}

[[noreturn]] void refuse_pair(const char* operation, int line, const factor& self, const char* joint,
                              const factor& other) {
  throw_exception(source, self.describe() + joint + other.describe(), function_text(operation).c_str(), line);
}

// The class's conversion, then the result's own conversion to T; anything
// raised on the way becomes a bad_cast.
template <class T>
T convert(object& data, handle (object::*cast)(), const char* operation, int line) {
  try {
    const handle value = (data.*cast)();
    return value->operator T();
  } catch (const call_depth_error&) {
    throw;
  } catch (...) {
  }
  raise_bad_cast(source, function_text(operation).c_str(), line);
}

constexpr char wstring_operator[] =
    "operator class std::basic_string<wchar_t,struct std::char_traits<wchar_t>,class std::allocator<wchar_t> >";

}  // namespace

handle new_instance(object& cls) { return boost::make_shared<instance>(cls); }

void instance::call_constructor(const vector& args) {
  wrapped("call_constructor", 53, [&] { return describe_arguments(args); },
          [&] {
            const table::definition* def = data.constructors().find(args);
            if (!def) throw_exception(source, "undefined", function_text("call_constructor").c_str(), 50);
            data.call_constructor(*def, args);
          });
}

void instance::call_constructor(const handle& value) {
  wrapped("call_constructor", 41, [&] { return value->describe(); },
          [&] {
            const vector one{value};
            if (const table::definition* def = data.constructors().find(one)) {
              data.call_constructor(*def, one);
            } else if (value->get_typeid() == data.type()) {
              data.copy_construct(value);
            } else {
              throw_exception(source, "undefined", function_text("call_constructor").c_str(), 38);
            }
          });
}

void instance::call_constructor() {
  wrapped("call_constructor", 26, [] { return std::string(); },
          [&] {
            if (const table::definition* def = data.constructors().find(signature())) {
              data.call_constructor(*def, vector());
            } else {
              data.call_default_constructor();
            }
          });
}

void instance::add(handle& rhs) const { refuse_pair("add", 59, *this, ": ", *rhs); }
void instance::subtract(handle& rhs) const { refuse_pair("subtract", 63, *this, ": ", *rhs); }
void instance::multiply(handle& rhs) const { refuse_pair("multiply", 67, *this, ": ", *rhs); }
void instance::divide(handle& rhs) const { refuse_pair("divide", 71, *this, ": ", *rhs); }
void instance::mod(handle& rhs) const { refuse_pair("mod", 75, *this, ": ", *rhs); }
void instance::_and(handle& rhs) const { refuse_pair("_and", 79, *this, ": ", *rhs); }
void instance::_or(handle& rhs) const { refuse_pair("_or", 83, *this, ": ", *rhs); }
void instance::eq(handle& rhs) const { refuse_pair("eq", 87, *this, ": ", *rhs); }
void instance::ne(handle& rhs) const { refuse_pair("ne", 91, *this, ": ", *rhs); }
void instance::lt(handle& rhs) const { refuse_pair("lt", 95, *this, ": ", *rhs); }
void instance::gt(handle& rhs) const { refuse_pair("gt", 99, *this, ": ", *rhs); }
void instance::lte(handle& rhs) const { refuse_pair("lte", 103, *this, ": ", *rhs); }
void instance::gte(handle& rhs) const { refuse_pair("gte", 107, *this, ": ", *rhs); }
void instance::not_(handle& operand) const { refuse_pair("not", 111, *this, ": ", *operand); }
void instance::minus(handle& operand) const { refuse_pair("minus", 115, *this, ": ", *operand); }

void instance::operator=(const handle& from) {
  if (from->get_typeid() != data.type()) refuse_pair("operator =", 120, *this, ", ", *from);
  if (from.get() == this) return;
  data.assign(static_cast<instance&>(*from).data);
}
void instance::operator++() { throw_exception(source, describe(), function_text("operator ++").c_str(), 125); }
void instance::operator--() { throw_exception(source, describe(), function_text("operator --").c_str(), 129); }

instance::operator bool() const { return convert<bool>(data, &object::cast_to_bool, "operator bool", 138); }
instance::operator unsigned int() const {
  return convert<unsigned int>(data, &object::cast_to_unsigned, "operator unsigned int", 147);
}
instance::operator int() const { return convert<int>(data, &object::cast_to_int, "operator int", 156); }
instance::operator float() const { return convert<float>(data, &object::cast_to_float, "operator float", 165); }
instance::operator double() const { return convert<double>(data, &object::cast_to_double, "operator double", 174); }
instance::operator std::wstring() const {
  return convert<std::wstring>(data, &object::cast_to_wstring, wstring_operator, 183);
}

handle instance::member(const std::wstring& name) {
  return wrapped("member", 193, [this] { return describe(); }, [&] { return data.member(name); });
}

handle instance::method(const method_request<wchar_t>& r) {
  return wrapped("method", 202, [this] { return describe(); }, [&] { return data.method(r); });
}

std::uint32_t instance::get_typeid() const { return data.type(); }

handle instance::clone() const {
  // A fresh data part from the class object, as every new instance gets.
  handle copy = new_instance(static_cast<object&>(*data.get_object(data.type())));
  copy->call_constructor(handle(boost::const_pointer_cast<instance>(shared_from_this())));
  return copy;
}

void instance::hash_into(std::uint32_t& seed) const {
  const nesting walk(*this);
  walk.require();
  data.hash_members(seed);
}

bool instance::same_value(const handle& other) const {
  if (other->get_typeid() != data.type()) return false;
  const nesting walk(*this);
  walk.require();
  return data.same_members(static_cast<instance&>(*other).data);
}

std::string instance::describe() const {
  const nesting walk(*this);
  if (!walk.entered()) return "...";
  return data.describe();
}

std::wostream& instance::write_ostream(std::wostream&) const {
  throw_exception(source, describe(), function_text("write_ostream").c_str(), 236);
}
std::ostream& instance::write_ostream(std::ostream&) const {
  throw_exception(source, describe(), function_text("write_ostream").c_str(), 232);
}
std::wistream& instance::read_istream(std::wistream&) {
  throw_exception(source, describe(), function_text("read_istream").c_str(), 244);
}
std::istream& instance::read_istream(std::istream&) {
  throw_exception(source, describe(), function_text("read_istream").c_str(), 240);
}

}  // namespace plang
