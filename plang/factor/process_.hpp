// The process handle value: what starting a process gives. It shares the
// process record, answers "id" and "exit", and refuses everything else.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <unordered_set>
#include <utility>

#include <boost/shared_ptr.hpp>

#include "plang/factor/factor.hpp"

namespace plang {

class idm;
class process;

// Identity numbers of process records: a 32-bit counter that passes over 0
// and over the numbers still held, so a number is unique among the records
// alive at one time and is handed out again only after its record is gone.
class identity_pool {
 public:
  // The counter stands at `last`; the numbers in `held` are taken.
  explicit identity_pool(std::uint32_t last = 0, std::initializer_list<std::uint32_t> held = {})
      : last_(last), live_(held) {}
  std::uint32_t acquire();
  void release(std::uint32_t identity) { live_.erase(identity); }

 private:
  std::uint32_t last_;
  std::unordered_set<std::uint32_t> live_;
};

// The pool every process record draws from.
identity_pool& process_identities();

class process_ final : public factor {
 public:
  // `names` is the id registry that named the process, kept so the handle
  // can describe itself for as long as it lives.
  process_(boost::shared_ptr<process> record, boost::shared_ptr<const idm> names)
      : record(std::move(record)), names(std::move(names)) {}

  boost::shared_ptr<process> record;
  boost::shared_ptr<const idm> names;

  void call_constructor(const vector& args) override;
  void call_constructor(const handle& source) override;
  void call_constructor() override;
  PLANG_FACTOR_OPERATORS
  operator bool() const override;
  operator unsigned int() const override;
  operator int() const override;
  operator float() const override;
  operator double() const override;
  operator std::string() const override;
  operator std::wstring() const override;
  handle member(const std::wstring& name) override;
  handle member(const std::string& name) override;
  handle method(const method_request<wchar_t>& request) override;
  handle method(const method_request<char>& request) override;
  std::uint32_t get_typeid() const override;  // the pid
  handle clone() const override;              // another handle on the same process
  void hash_into(std::uint32_t& seed) const override;
  bool same_value(const handle& other) const override;
  std::string describe() const override;  // "p?main(1)"
  std::wostream& write_ostream(std::wostream& os) const override;
  std::ostream& write_ostream(std::ostream& os) const override;
  std::wistream& read_istream(std::wistream& is) override;
  std::istream& read_istream(std::istream& is) override;

 private:
  template <class C>
  handle _method(const method_request<C>& request, int line);
};

}  // namespace plang
