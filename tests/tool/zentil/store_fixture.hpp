// A test run inside a fresh temporary working folder that holds the folder
// "root" (and "extension.hpp" and "skin", four entries with "system.txt"),
// with the application object built there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app_fixture.hpp"
#include "platform/fs/filesystem.hpp"
#include "tool/zentil/shared.hpp"

namespace zentil_test {

class store_test : public app_test {
 protected:
  store_test() { app = std::make_unique<tool::zentil::shared>(); }

  // Makes the folder relative (wide, '/'-separated) under the root folder and
  // returns its path in the store's form.
  std::wstring folder(const std::wstring& relative) const {
    std::wstring path = app->root_folder;
    std::wstring rest = relative;
    while (!rest.empty()) {
      const std::size_t sep = rest.find(L'/');
      path += L"/" + rest.substr(0, sep);
      platform::fs::create_folder(path);
      rest = sep == std::wstring::npos ? std::wstring() : rest.substr(sep + 1);
    }
    return path;
  }

  // The bytes of a file of the current folder; "<missing>" when there is none.
  static std::string bytes_of(const std::wstring& name) {
    std::string bytes;
    return platform::fs::read_file(name, bytes) ? bytes : std::string("<missing>");
  }
};

}  // namespace zentil_test
