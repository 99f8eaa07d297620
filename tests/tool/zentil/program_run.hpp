// Whole-program runs of the built `zentil` (its path comes from CMake as
// ZENTIL_PROGRAM): each run in a temporary working folder, on the headless
// backend driven by a scenario file, with its own instance-lock folder and a
// stand-in xdg-open first on PATH that records its arguments. Tests read the
// exit status, the files left, the stand-in's record, dumped frames and the
// strings of a frame.
#pragma once

#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_folder.hpp"
#include "tool/prepare/picture.hpp"

extern char** environ;

namespace zentil_test {

// A picture: 8-bit RGB, rows top to bottom.
struct rgb_image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  std::uint32_t at(int x, int y) const {
    const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
  }
};

inline rgb_image solid(int width, int height, std::uint32_t colour) {
  rgb_image image{width, height, {}};
  for (int i = 0; i < width * height; ++i) {
    image.rgb.push_back(static_cast<std::uint8_t>(colour >> 16));
    image.rgb.push_back(static_cast<std::uint8_t>(colour >> 8));
    image.rgb.push_back(static_cast<std::uint8_t>(colour));
  }
  return image;
}

// Encoded through the prepare tool's encoders; empty when encoding fails.
inline std::string encoded(const rgb_image& image, bool png) {
  tool::prepare::picture p;
  p.width = image.width;
  p.height = image.height;
  p.rgb.assign(image.rgb.begin(), image.rgb.end());
  std::string error;
  const tool::prepare::bytes file = png ? tool::prepare::png_file(p, &error) : tool::prepare::jpeg_file(p, 95, &error);
  return std::string(file.begin(), file.end());
}
inline std::string png_bytes(const rgb_image& image) { return encoded(image, true); }
inline std::string jpeg_bytes(const rgb_image& image) { return encoded(image, false); }

// A PNG as the program dumps it; empty (width 0) when it cannot be read.
inline rgb_image read_png(const std::string& name) {
  rgb_image image;
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) return image;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return rgb_image{};
  }
  png_init_io(png, file);
  png_read_info(png, info);
  if (png_get_color_type(png, info) != PNG_COLOR_TYPE_RGB || png_get_bit_depth(png, info) != 8) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return image;
  }
  image.width = static_cast<int>(png_get_image_width(png, info));
  image.height = static_cast<int>(png_get_image_height(png, info));
  image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
  for (int y = 0; y < image.height; ++y)
    png_read_row(png, image.rgb.data() + static_cast<std::size_t>(y) * image.width * 3, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(file);
  return image;
}

// Layout of one run's folder: work/ (the current folder), lock/, bin/xdg-open
// (the stand-in), out/ (dumps), opened.txt (the stand-in's record, one line
// per call: its arguments joined by spaces), scenario.txt, stderr.txt and
// leaks.supp (the leak checker's suppressions).
class program_run {
 public:
  // The working folder starts with what a run needs: "system.txt" holding
  // "<root></root>", an "extension.hpp" whose "main" opens its path, and the
  // folder "root".
  program_run() {
    top_.folder("work/root");
    top_.folder("lock");
    top_.folder("out");
    top_.file("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + top_.at("opened.txt") + "'\n");
    ::chmod(top_.at("bin/xdg-open").c_str(), 0755);
    // fontconfig's own state, which the program leaves to the end of the
    // process, is no leak of ours
    top_.file("leaks.supp", "leak:libfontconfig.so\n");
    file("system.txt", "<root></root>");
    file("extension.hpp", "process main(string path) { using::open(path); }\n");
  }

  std::string work() const { return top_.at("work"); }
  std::string at(const std::string& name) const { return top_.at("work/" + name); }
  std::string out(const std::string& name) const { return top_.at("out/" + name); }
  std::string lock() const { return top_.at("lock"); }
  void file(const std::string& name, const std::string& bytes) const { top_.file("work/" + name, bytes); }
  void folder(const std::string& name) const { top_.folder("work/" + name); }

  // The bytes of a file of the working folder; "<missing>" when there is none.
  std::string bytes(const std::string& name) const { return read(at(name)); }
  std::string standard_error() const { return read(top_.at("stderr.txt")); }

  // Starts the program on the scenario; lock_folder: another run's, to share
  // its instance lock.
  pid_t start(const std::string& scenario, const std::string& lock_folder = "") {
    top_.file("scenario.txt", scenario);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string v = *e;
      if (v.rfind("ZENTIL_", 0) == 0 || v.rfind("PATH=", 0) == 0 || v.rfind("LSAN_OPTIONS=", 0) == 0) continue;
      env.push_back(v);
    }
    const char* path = std::getenv("PATH");
    env.push_back("PATH=" + top_.at("bin") + ":" + (path ? path : "/usr/bin:/bin"));
    env.push_back("LSAN_OPTIONS=suppressions=" + top_.at("leaks.supp") + ":print_suppressions=0");
    env.push_back("ZENTIL_PLATFORM=headless");
    env.push_back("ZENTIL_SCENARIO=" + top_.at("scenario.txt"));
    env.push_back("ZENTIL_LOCK_DIR=" + (lock_folder.empty() ? lock() : lock_folder));
    std::vector<char*> envp;
    for (std::string& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    const std::string program = ZENTIL_PROGRAM;
    const std::string err = top_.at("stderr.txt");
    const std::string dir = work();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(120);
      if (!std::freopen(err.c_str(), "w", stderr)) ::_exit(121);
      if (!std::freopen("/dev/null", "w", stdout)) ::_exit(122);
      char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
      ::execve(program.c_str(), argv, envp.data());
      ::_exit(123);
    }
    return pid;
  }

  // The exit status (-1 for a signal).
  static int wait(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int run(const std::string& scenario) { return wait(start(scenario)); }

  // The stand-in's calls. It runs detached, so its record may come a little
  // after the program ended: wait for want lines (0: a short look only).
  std::vector<std::string> opened(std::size_t want = 1) const {
    std::vector<std::string> lines;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(want ? 30 : 1);
    do {
      lines.clear();
      std::ifstream in(top_.at("opened.txt"), std::ios::binary);
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      if (want && lines.size() >= want) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < until);
    return lines;
  }

  // The lines of a "strings" file of out/.
  std::vector<std::string> strings(const std::string& name) const {
    std::vector<std::string> lines;
    std::istringstream in(read(out(name)));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The names in the working folder, sorted.
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(work())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string read(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  support::temp_folder top_;
};

// The tag elements of a database file, sorted: the order of tags in the
// file carries no meaning.
inline std::vector<std::string> tag_elements(const std::string& file) {
  std::vector<std::string> tags;
  for (std::size_t at = file.find("\t<tag>"); at != std::string::npos; at = file.find("\t<tag>", at + 1)) {
    const std::size_t end = file.find("</tag>", at);
    tags.push_back(file.substr(at, end == std::string::npos ? end : end + 6 - at));
  }
  std::sort(tags.begin(), tags.end());
  return tags;
}

// One tag element as the database writes it.
inline std::string tag_element(const std::string& name, const std::vector<std::string>& paths) {
  std::string e = "\t<tag>\r\n\t\t<value>" + name + "</value>\r\n\t\t<path>";
  if (!paths.empty()) {
    e += "\r\n";
    for (const std::string& p : paths) e += "\t\t\t<value>" + p + "</value>\r\n";
    e += "\t\t";
  }
  return e + "</path>\r\n\t</tag>";
}

}  // namespace zentil_test
