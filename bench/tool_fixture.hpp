// The tool benchmarks' working folder, made with a fixed seed: "root" with
// 10,000 entries (5,000 folders, 5,000 files; names of 8 to 120 characters,
// a fifth with Japanese characters and then at most 80 characters, a few
// with characters code page 932 lacks, every name within 255 bytes of
// UTF-8), "system.txt" linking 1,000 tags to 20 folders each and one tag to
// 5,000 folders, "skin/skin.jpg", a picture in "wallpaper" and
// "extension.hpp". Other sizes scale the same way: entries / 2 folders and
// files, entries / 10 tags of 20 folders each, one tag on every folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace bench_fixture {

constexpr int folder_count = 5000;
constexpr int file_count = 5000;
constexpr int tag_count = 1000;
constexpr int folders_per_tag = 20;
constexpr unsigned seed = 69;
constexpr int default_entries = folder_count + file_count;

// The 10,000 entry names in the order they are made (folders first), the
// same on every call.
const std::vector<std::wstring>& entry_names();
// The same rule for another count of entries (the first half folders).
std::vector<std::wstring> entry_names(int entries);

// Makes the working folder at folder (which must not exist yet) with that
// many entries in "root" (even, at least 2); throws on any failure.
void make(const std::string& folder, int entries = default_entries);

// The fixture made in a fresh temporary folder and made current, with a lock
// folder of its own (ZENTIL_LOCK_DIR) beside it; the previous current folder
// is restored and everything removed at destruction.
class workspace {
 public:
  workspace();
  ~workspace();
  workspace(const workspace&) = delete;
  workspace& operator=(const workspace&) = delete;

  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path folder_;
};

}  // namespace bench_fixture
