// A comma-decimal locale for tests that must not depend on the process's
// locale: de_DE.UTF-8 generated once per test program with localedef into a
// temporary folder (LOCPATH points there only while the locale is loaded).
// Where it cannot be made (no localedef, no locale sources) the tests that
// need it skip, saying why.
#pragma once

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <stdexcept>
#include <string>

#include "support/temp_folder.hpp"

namespace support {

// LOCPATH set to folder for its lifetime, and put back after.
class locale_path {
 public:
  explicit locale_path(const std::string& folder) {
    const char* old = std::getenv("LOCPATH");
    had_ = old != nullptr;
    if (had_) previous_ = old;
    ::setenv("LOCPATH", folder.c_str(), 1);
  }
  ~locale_path() {
    if (had_)
      ::setenv("LOCPATH", previous_.c_str(), 1);
    else
      ::unsetenv("LOCPATH");
  }
  locale_path(const locale_path&) = delete;
  locale_path& operator=(const locale_path&) = delete;

 private:
  bool had_ = false;
  std::string previous_;
};

class comma_locale {
 public:
  static constexpr const char* name = "de_DE.UTF-8";

  // The folder the locale was generated into, on the first call; empty, with
  // why set, when it could not be made.
  static const std::string& folder(std::string* why = nullptr) {
    static std::string reason;
    static const std::string made = make(reason);
    if (why != nullptr) *why = reason;
    return made;
  }

 private:
  static std::string make(std::string& why) {
    static temp_folder where;  // kept to the end of the program
    const std::string command = "localedef -i de_DE -f UTF-8 '" + where.at(name) + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status != 0) {
      why = "localedef could not make " + std::string(name) + " (status " + std::to_string(status) + ")";
      return "";
    }
    locale_path path(where.path());
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const bool loads = std::setlocale(LC_ALL, name) != nullptr;
    std::setlocale(LC_ALL, before.c_str());
    if (!loads) {
      why = "setlocale does not take the generated " + std::string(name);
      return "";
    }
    return where.path();
  }
};

// A decimal comma and '.' grouping for the C++ side (a named std::locale
// would go through newlocale, which leaks its search path under LOCPATH).
template <class C>
class comma_numpunct : public std::numpunct<C> {
 protected:
  C do_decimal_point() const override { return C(','); }
  C do_thousands_sep() const override { return C('.'); }
  std::string do_grouping() const override { return "\3"; }
};

// Makes the comma locale the process's C locale (as a library that calls
// setlocale(LC_ALL, ...) would) and a comma-decimal locale the global C++
// locale, for its lifetime; the classic "C" comes back after. active()
// tells whether that worked.
class in_comma_locale {
 public:
  in_comma_locale() {
    std::locale::global(
        std::locale(std::locale(std::locale::classic(), new comma_numpunct<char>), new comma_numpunct<wchar_t>));
    const std::string& folder = comma_locale::folder();
    if (folder.empty()) return;
    locale_path path(folder);
    std::setlocale(LC_ALL, comma_locale::name);
  }
  ~in_comma_locale() {
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
  }
  in_comma_locale(const in_comma_locale&) = delete;
  in_comma_locale& operator=(const in_comma_locale&) = delete;

  // True when the C library and the global C++ locale now write a decimal
  // comma.
  static bool active() {
    char text[16];
    std::snprintf(text, sizeof text, "%g", 0.5);
    return std::string(text) == "0,5" && std::use_facet<std::numpunct<wchar_t>>(std::locale()).decimal_point() == L',';
  }
};

}  // namespace support
