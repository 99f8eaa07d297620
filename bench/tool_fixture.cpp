// The seeded working folder of the tool benchmarks.
#include "bench/tool_fixture.hpp"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <stdexcept>

#include "platform/fs/filesystem.hpp"
#include "tool/prepare/picture.hpp"
#include "tool/prepare/prepare.hpp"
#include "tool/zentil/shared.hpp"

namespace bench_fixture {
namespace {

namespace fs = std::filesystem;

// The bytes of the UTF-8 form of a name.
std::size_t utf8_bytes(const std::wstring& name) {
  std::size_t n = 0;
  for (wchar_t c : name) n += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  return n;
}

std::vector<std::wstring> make_names(int total) {
  const std::wstring latin = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _-.()";
  const std::wstring japanese =
      L"あいうえおかきくけこさしすせそたちつてとなにぬねのアイウエオカキクケコ写真旅行音楽資料日本語漢字"
      L"東京大阪京都春夏秋冬山川海空月火水木金土";
  // characters code page 932 lacks: they show as '?'
  const std::wstring foreign = L"\u00e9\u00fc\u00f1\u0107\u4e02";
  std::mt19937 random(seed);
  std::set<std::wstring> seen;
  std::vector<std::wstring> names;
  const int folders = total / 2;
  while (static_cast<int>(names.size()) < total) {
    const int index = static_cast<int>(names.size());
    const bool with_japanese = index % 5 == 0;
    const bool with_foreign = index % 97 == 0;
    const int longest = with_japanese ? 80 : 120;
    const int length = 8 + static_cast<int>(random() % static_cast<unsigned>(longest - 8 + 1));
    std::wstring name;
    for (int c = 0; c < length; ++c) {
      if (with_japanese && random() % 2 == 0)
        name += japanese[random() % japanese.size()];
      else
        name += latin[random() % latin.size()];
    }
    if (with_foreign) name[random() % name.size()] = foreign[random() % foreign.size()];
    // no leading or trailing space or dot, which some tools trim
    if (name.front() == L' ' || name.front() == L'.') name.front() = L'x';
    if (name.back() == L' ' || name.back() == L'.') name.back() = L'y';
    if (index >= folders) name.replace(name.size() - 4, 4, L".txt");
    if (utf8_bytes(name) > 255 || !seen.insert(name).second) continue;
    names.push_back(name);
  }
  return names;
}

// A w x h baseline JPEG of a smooth pattern, encoded as the prepared
// working folder's pictures are.
void write_jpeg(const fs::path& path, int width, int height, int shift) {
  tool::prepare::picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<std::size_t>(width) * height * 3);
  unsigned char* at = p.rgb.data();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x, at += 3) {
      at[0] = static_cast<unsigned char>((x + shift) * 255 / width);
      at[1] = static_cast<unsigned char>(y * 255 / height);
      at[2] = static_cast<unsigned char>((x + y + shift) & 0xFF);
    }
  std::string error;
  const tool::prepare::bytes file = tool::prepare::jpeg_file(p, 90, &error);
  if (file.empty()) throw std::runtime_error(error);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

const std::vector<std::wstring>& entry_names() {
  static const std::vector<std::wstring> names = make_names(default_entries);
  return names;
}

std::vector<std::wstring> entry_names(int entries) {
  return entries == default_entries ? entry_names() : make_names(entries);
}

void make(const std::string& folder, int entries) {
  if (entries < 2 || entries % 2 != 0) throw std::runtime_error("the entry count must be even and at least 2");
  if (fs::exists(folder)) throw std::runtime_error(folder + " exists already");
  fs::create_directories(folder);
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  try {
    fs::create_directories("skin");
    fs::create_directories("wallpaper");
    fs::create_directories("root");
    write_jpeg("skin/skin.jpg", 800, 600, 0);
    write_jpeg("wallpaper/evening.jpg", 800, 600, 97);
    {
      std::ofstream out("extension.hpp", std::ios::binary);
      out << tool::prepare::extension_text;
    }
    tool::zentil::shared store;
    const std::vector<std::wstring> names = entry_names(entries);
    const int folder_total = entries / 2;
    const int tag_total = std::max(1, entries / 10);
    std::vector<std::wstring> folders;
    for (int i = 0; i < entries; ++i) {
      const std::wstring path = store.root_folder + L"/" + names[static_cast<std::size_t>(i)];
      if (i < folder_total) {
        if (!platform::fs::create_folder(path)) throw std::runtime_error("cannot make a folder");
        folders.push_back(path);
      } else if (!platform::fs::append_file(path, "entry\n", 6)) {
        throw std::runtime_error("cannot write a file");
      }
    }
    std::mt19937 random(seed + 1);
    for (int t = 0; t < tag_total; ++t)
      for (int k = 0; k < folders_per_tag; ++k)
        store.link_tag(folders[random() % folders.size()], L"\u30bf\u30b0" + std::to_wstring(t));
    for (const std::wstring& path : folders) store.link_tag(path, L"\u5168\u90e8");
    store.save_tag_database(L"system.txt");
  } catch (...) {
    fs::current_path(previous);
    throw;
  }
  fs::current_path(previous);
}

workspace::workspace() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "zentil-bench-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  folder_ = std::filesystem::path(pattern) / "work";
  make(folder_.string());
  std::filesystem::create_directories(folder_.parent_path() / "lock");
  ::setenv("ZENTIL_LOCK_DIR", (folder_.parent_path() / "lock").c_str(), 1);
  std::filesystem::current_path(folder_);
}

workspace::~workspace() {
  std::filesystem::current_path(previous_);
  std::error_code ec;
  std::filesystem::remove_all(folder_.parent_path(), ec);
}

}  // namespace bench_fixture
