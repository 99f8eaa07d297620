// Script classes at run time: the class object that the class compiler
// fills, and the data part of every instance, a duplicate of it whose
// variables are the instance's members.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "plang/control.hpp"
#include "plang/factor/factor.hpp"
#include "plang/nspace.hpp"
#include "plang/table/constructor.hpp"
#include "plang/table/definition.hpp"

namespace plang {

template <class C>
class method_request;

// A class object is a namespace: its functions are the class's methods, its
// parent and outer variable table lead to the root. An instance's data part
// shares every table of the class object and owns its variables (the
// members) and its base part; once the base part exists it is the data
// part's parent and the base part's variables are its outer table, so
// lookups from methods go through the base classes before the root.
class object : public nspace {
 public:
  struct member_type {
    std::uint32_t type;
    bool reference;  // bound at construction to an existing value
  };
  struct member_entry {
    std::wstring name;
    member_type type;
  };
  // In declaration order: construction, assignment, descriptions, hashing
  // and equality all walk the members in this order.
  using member_table = std::vector<member_entry>;

  enum conversion { to_bool, to_int, to_unsigned, to_float, to_double, to_string, conversion_count };

  // A class object inside `enclosing`; the name gets a new typeid.
  object(const std::wstring& name, nspace* enclosing);

  // The data part of a new instance: `source`'s tables and typeids, new
  // empty variables, no base part yet.
  struct duplicate_tag {};
  object(object& source, duplicate_tag);

  std::uint32_t type() const { return type_; }
  std::uint32_t base_type() const { return base_type_; }
  const handle& base_part() const { return base_; }
  const member_table& members() const { return *members_; }
  const table::constructor& constructors() const { return *constructors_; }

  // Definition, by the class compiler.
  void set_base(std::uint32_t base);
  void define_member(member_type type, const std::wstring& name);
  void define_constructor(const table::parameter_list& parameters, const std::wstring& name,
                          const boost::shared_ptr<control>& body);
  void set_conversion(conversion which, boost::shared_ptr<control> body) { casts_[which] = std::move(body); }

  // Construction of an instance's data part: base part first, then the
  // members in declaration order.
  void call_default_constructor();
  // From another instance of this class: reference members share the
  // source's values, value members are constructed from them.
  void copy_construct(const handle& source);
  // Runs the script constructor `def` (found by the arguments' signature):
  // its initialisers, then its body.
  void call_constructor(const table::definition& def, const factor::vector& args);
  // Creates the base part, constructs it from the arguments by their count
  // and links it in.
  void construct_base(const factor::vector& args);
  // Declares the reference member `name` in `owner` with `value` itself,
  // whose typeid must be `type` exactly.
  static void call_ref_member_constructor(const handle& value, std::uint32_t type, const std::wstring& name,
                                          object& owner);

  // Runs a conversion body with this object's members in view; its
  // returned value is turned into a new value of `target`.
  handle call_cast(std::uint32_t target, const boost::shared_ptr<control>& body);
  handle cast_to_bool();
  handle cast_to_int();
  handle cast_to_unsigned();
  handle cast_to_float();
  handle cast_to_double();
  handle cast_to_wstring();

  // From a data part of the same class: the base part first, then each
  // reference member re-bound to the source's value and each value member
  // replaced by a copy of the source's.
  void assign(object& source);

  // name "[" member "=" value ", " ... "]", then ":[" base "]" with a base.
  std::string describe();

  // The member's own handle, found here or in the base parts.
  handle member(const std::wstring& name);

  // The method of the call's name and argument typeids, found in this class
  // or its bases (never among the root's functions), run with the object
  // that defines it.
  handle method(const method_request<wchar_t>& request);

  // Equal member counts and pairwise equal members; base parts take no part.
  bool same_members(object& other);
  void hash_members(std::uint32_t& seed);

 private:
  // Runs a method found in `o` (this object or a base part) for the call.
  handle run_method(const table::definition& def, object* o, const method_request<wchar_t>& r);
  void link_base();

  std::uint32_t type_;
  std::uint32_t base_type_ = 0;
  handle base_;
  boost::shared_ptr<table::constructor> constructors_;
  boost::shared_ptr<control> casts_[conversion_count];
  boost::shared_ptr<member_table> members_;
};

}  // namespace plang
