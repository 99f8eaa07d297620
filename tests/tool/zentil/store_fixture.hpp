// A test run inside a fresh temporary current folder that holds the folder
// "root", with the application object built there.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/fs/filesystem.hpp"
#include "support/temp_folder.hpp"
#include "tool/zentil/shared.hpp"

namespace zentil_test {

// Makes dir the current folder for its lifetime.
class current_folder {
 public:
  explicit current_folder(const std::string& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~current_folder() { std::filesystem::current_path(previous_); }
  current_folder(const current_folder&) = delete;
  current_folder& operator=(const current_folder&) = delete;

 private:
  std::filesystem::path previous_;
};

class store_test : public ::testing::Test {
 protected:
  store_test() : here_(dir_.path()) {
    dir_.folder("root");
    app = std::make_unique<tool::zentil::shared>();
  }

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

  support::temp_folder dir_;
  current_folder here_;
  std::unique_ptr<tool::zentil::shared> app;
};

}  // namespace zentil_test
