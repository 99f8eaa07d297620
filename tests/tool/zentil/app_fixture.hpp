// The application tests' fixtures: the media layer started once per test
// program by the wrapper on the headless backend, with the fake font face (cells 20 high,
// 10 pixels a single-byte character), and a temporary working folder holding
// "extension.hpp", "skin/skin.jpg" and the folder "root", made the current
// folder while the test runs.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "dx/windows.hpp"
#include "media/core/window_services.hpp"
#include "platform/font/font.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "platform/system/instance_lock.hpp"
#include "support/driver.hpp"
#include "support/headless_media.hpp"
#include "support/recording_shell.hpp"
#include "support/temp_folder.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/input.hpp"

namespace zentil_test {

using support::start_media_once;

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

// The bytes of the test program's own skin picture (a 48 x 32 JPEG).
inline std::string skin_bytes() {
  std::string bytes;
  std::ifstream in(ZENTIL_APP_TEST_DATA "/skin.jpg", std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return bytes;
}

// A script whose "main" does nothing.
inline const std::string idle_script = "process main(string path) { }\n";

// A media-layer test: steps cleared, the input snapshot fresh.
class media_test : public ::testing::Test {
 protected:
  media_test() { start_media_once(); }

  void SetUp() override {
    platform::headless::clear_steps();
    platform::headless::set_clock_step(0);
    ui::input::reset();
    for (int i = 0; i < 3; ++i) support::driver::frame(nullptr, nullptr);
    ui::input::reset();
  }

  support::driver drive;
};

// A media-layer test in a fresh working folder, with the recording shell in
// place of the system's.
class app_test : public media_test {
 protected:
  explicit app_test(const std::string& script = idle_script) : here_(dir_.path()) {
    dir_.folder("root");
    dir_.file("skin/skin.jpg", skin_bytes());
    dir_.file("extension.hpp", script);
  }

  // Writes the script as "extension.hpp" and builds the application object
  // on it.
  void build(const std::string& script) {
    dir_.file("extension.hpp", script);
    app = std::make_unique<tool::zentil::shared>();
  }

  support::temp_folder dir_;
  current_folder here_;
  support::recording_shell shell;
  std::unique_ptr<tool::zentil::shared> app;
};

}  // namespace zentil_test
