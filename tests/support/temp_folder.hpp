// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the test. Names given to it are relative, narrow
// and written to disk as they are.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace support {

class temp_folder {
 public:
  temp_folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zentil-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    path_ = std::filesystem::path(pattern).lexically_normal().string();
  }
  ~temp_folder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  temp_folder(const temp_folder&) = delete;
  temp_folder& operator=(const temp_folder&) = delete;

  // The folder's complete path, without a trailing '/'.
  const std::string& path() const { return path_; }
  std::wstring wpath() const { return std::wstring(path_.begin(), path_.end()); }
  std::string at(const std::string& name) const { return path_ + "/" + name; }

  void folder(const std::string& name) const { std::filesystem::create_directories(at(name)); }
  // Folders on the way are made as needed.
  void file(const std::string& name, const std::string& bytes = "") const {
    std::filesystem::create_directories(std::filesystem::path(at(name)).parent_path());
    std::ofstream out(at(name), std::ios::binary);
    out << bytes;
    ASSERT_TRUE(out.good()) << name;
  }

 private:
  std::string path_;
};

}  // namespace support
