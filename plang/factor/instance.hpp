// The value of a script class instance: the value interface over its data
// part, a plang::object. Only conversions are defined by classes; every
// other operator fails with the instance's description.
#pragma once

#include <boost/enable_shared_from_this.hpp>

#include "plang/factor/factor.hpp"
#include "plang/object.hpp"

namespace plang {

// Always created by make_shared (new_instance, clone): the copy
// constructor's argument is this instance's own handle.
class instance final : public factor, public boost::enable_shared_from_this<instance> {
 public:
  // A duplicate of the class object `cls`, not yet constructed.
  explicit instance(object& cls) : data(cls, object::duplicate_tag{}) {}

  // Conversions run script code on the members while the value interface
  // calls them on a const value.
  mutable object data;

  void call_constructor(const vector& args) override;
  void call_constructor(const handle& value) override;
  void call_constructor() override;
  PLANG_FACTOR_OPERATORS
  operator bool() const override;
  operator unsigned int() const override;
  operator int() const override;
  operator float() const override;
  operator double() const override;
  using factor::operator std::string;
  operator std::wstring() const override;
  using factor::member;
  handle member(const std::wstring& name) override;
  using factor::method;
  handle method(const method_request<wchar_t>& request) override;
  std::uint32_t get_typeid() const override;
  handle clone() const override;
  void hash_into(std::uint32_t& seed) const override;
  bool same_value(const handle& other) const override;
  std::string describe() const override;
  std::wostream& write_ostream(std::wostream& os) const override;
  std::ostream& write_ostream(std::ostream& os) const override;
  std::wistream& read_istream(std::wistream& is) override;
  std::istream& read_istream(std::istream& is) override;
};

// A new, not yet constructed instance of the class `cls`.
handle new_instance(object& cls);

}  // namespace plang
