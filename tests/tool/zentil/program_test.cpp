// Whole-program runs: start-up on the root screen, the window's close (and
// SIGTERM) as the normal end with "system.txt" written back, nested screens
// closing in turn, and the wallpaper.
#include <gtest/gtest.h>
#include <signal.h>
#include <zlib.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tool/zentil/program_run.hpp"

namespace {

using zentil_test::program_run;
using zentil_test::rgb_image;

// The saved form of a store: "<root>", the lines given, "</root>", CR LF
// between them and none at the end.
std::string saved(const std::vector<std::string>& tag_lines) {
  std::string out = "<root>\r\n";
  for (const std::string& line : tag_lines) out += line + "\r\n";
  return out + "</root>";
}

bool has_line(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines)
    if (line == wanted) return true;
  return false;
}

// The text of a "strings" line ("x y text").
std::vector<std::string> texts(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    const std::size_t first = line.find(' ');
    const std::size_t second = first == std::string::npos ? first : line.find(' ', first + 1);
    out.push_back(second == std::string::npos ? line : line.substr(second + 1));
  }
  return out;
}

TEST(Program, StartsOnTheRootScreenInAWindowNamedZentilAndEndsAtTheClose) {
  program_run run;
  const std::string scenario = "report " + run.out("report.txt") + "\nstrings " + run.out("first.txt") + "\n";
  ASSERT_EQ(run.run(scenario), 0) << run.standard_error();
  // the first frame shows the root screen
  const std::vector<std::string> first = texts(run.strings("first.txt"));
  EXPECT_TRUE(has_line(first, "directory > " + run.at("root"))) << testing::PrintToString(first);
  EXPECT_TRUE(has_line(first, "empty directory")) << testing::PrintToString(first);
  EXPECT_EQ(program_run::read(run.out("report.txt")), "frames 1\nafter close 0\ntitle zentil\n");
  // "<root></root>" is enough to start, and an empty store is saved so
  EXPECT_EQ(run.bytes("system.txt"), "<root></root>");
  EXPECT_EQ(run.listing(), (std::vector<std::string>{"extension.hpp", "root", "system.txt"}));
  EXPECT_TRUE(run.opened(0).empty());
}

TEST(Program, TheNormalEndRewritesTheDatabaseDroppingLinksToFoldersGone) {
  program_run run;
  run.folder("root/x");
  const std::string root = run.at("root");
  run.file("system.txt", "<root><tag><value>a</value><path><value>" + root + "/x</value><value>" + root +
                             "/gone</value></path></tag><tag><value>b</value><path><value>" + root +
                             "/gone</value></path></tag></root>");
  ASSERT_EQ(run.run("frames 2\n"), 0) << run.standard_error();
  EXPECT_EQ(run.bytes("system.txt"), saved({"\t<tag>", "\t\t<value>a</value>", "\t\t<path>",
                                            "\t\t\t<value>" + root + "/x</value>", "\t\t</path>", "\t</tag>"}));
  EXPECT_EQ(run.listing(), (std::vector<std::string>{"extension.hpp", "root", "system.txt"}));
}

TEST(Program, TheCloseEndsThreeNestedScreensInTurnAndNoFrameFollowsIt) {
  program_run run;
  run.folder("root/a/b/c");
  const std::string scenario = "report " + run.out("report.txt") +
                               "\n"
                               "press 28\n"   // opens a
                               "frames 1\n"
                               "press 28\n"   // opens b
                               "frames 1\n"
                               "strings " + run.out("inner.txt") + "\n";
  ASSERT_EQ(run.run(scenario), 0) << run.standard_error();
  const std::vector<std::string> inner = texts(run.strings("inner.txt"));
  EXPECT_TRUE(has_line(inner, "directory > " + run.at("root") + "/a/b")) << testing::PrintToString(inner);
  const std::string report = program_run::read(run.out("report.txt"));
  EXPECT_NE(report.find("\nafter close 0\n"), std::string::npos) << report;
  EXPECT_EQ(run.bytes("system.txt"), "<root></root>");
  EXPECT_EQ(run.listing(), (std::vector<std::string>{"extension.hpp", "root", "system.txt"}));
}

// A delete that stops part-way: the message box that tells it reaches the
// report, naming the entry it stopped at; what is left stays on disk.
TEST(Program, ADeleteThatStopsPartWayIsToldInTheReport) {
  program_run run;
  run.folder("root/a");
  run.file("root/a/inner.txt", "i");
  const std::string a = run.at("root") + "/a";
  const std::string scenario = "report " + run.out("report.txt") +
                               "\n"
                               "answer yes\n"
                               "fail-delete 2\n"  // the second removal: "a" itself, after "a/inner.txt"
                               "press 211\n"
                               "frames 2\n";
  ASSERT_EQ(run.run(scenario), 0) << run.standard_error();
  const std::string report = program_run::read(run.out("report.txt"));
  EXPECT_NE(report.find("\nmessage Delete: The delete failed; what is left stays. / the removal failed part-way at " +
                        a + ": Permission denied\n"),
            std::string::npos)
      << report;
  EXPECT_TRUE(std::filesystem::is_directory(a));
  EXPECT_FALSE(std::filesystem::exists(a + "/inner.txt"));
}

TEST(Program, ASecondInstanceIsRefusedAndSigtermEndsTheFirstNormally) {
  program_run first, second;
  const pid_t running = first.start("dump " + first.out("up.png") + "\nlimit 1000000\nframes 1000000\n");
  // up once its first frame is dumped (a bound, generous for the slowest
  // sanitizer build on a loaded machine)
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(300);
  while (!std::filesystem::exists(first.out("up.png")) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_TRUE(std::filesystem::exists(first.out("up.png"))) << first.standard_error();

  EXPECT_EQ(program_run::wait(second.start("frames 1\n", first.lock())), 255) << second.standard_error();
  EXPECT_EQ(second.bytes("log.txt"), "dx/windows/initialize: dx initialization failure");
  EXPECT_EQ(second.opened(), (std::vector<std::string>{second.at("log.txt")}));
  EXPECT_EQ(second.bytes("system.txt"), "<root></root>");

  ASSERT_EQ(::kill(running, SIGTERM), 0);
  EXPECT_EQ(program_run::wait(running), 0) << first.standard_error();
  EXPECT_EQ(first.bytes("log.txt"), "<missing>");
  EXPECT_EQ(first.bytes("system.txt"), "<root></root>");
}

// A script whose "main" never ends holds the frame: the frame cap and SIGTERM
// still end the run normally. (The deadline only keeps a hang from holding
// the suite; a run that ends takes a few seconds.)
TEST(Program, AScriptThatNeverEndsGivesWayToTheFrameCapAndToSigterm) {
  struct hold_case {
    const char* what;
    std::string limit;
    bool terminate;
  } cases[] = {{"the frame cap", "limit 40\n", false}, {"SIGTERM", "limit 1000000\n", true}};
  for (const hold_case& c : cases) {
    program_run run;
    run.file("root/b.txt", "text");
    run.file("extension.hpp", "process main(string path) { using::open(path); int i = 0; while (true) { i += 1; } }\n");
    const pid_t pid =
        run.start(c.limit + "report " + run.out("report.txt") + "\npress 208\nframes 1\npress 28\nframes 1000000\n");
    // the script has started once the stand-in records its open
    EXPECT_EQ(run.opened().size(), 1u) << c.what;
    if (c.terminate) ASSERT_EQ(::kill(pid, SIGTERM), 0);
    int status = -3;
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(300);
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
      int raw = 0;
      if (::waitpid(pid, &raw, WNOHANG) == pid) {
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        break;
      }
    }
    if (status == -3) {
      ::kill(pid, SIGKILL);
      program_run::wait(pid);
    }
    EXPECT_EQ(status, 0) << c.what << "\n" << run.standard_error();
    EXPECT_EQ(run.bytes("log.txt"), "<missing>") << c.what;
    EXPECT_NE(program_run::read(run.out("report.txt")).find("frames "), std::string::npos) << c.what;
  }
}

// ---- wallpaper ----

constexpr int free_x = 750, free_y = 300;  // a pixel away from every widget
const std::uint32_t candidates[] = {0xE01010, 0x10E010, 0x1010E0};

// A PNG whose header claims a picture of width x height.
std::string png_claiming(std::uint32_t width, std::uint32_t height) {
  std::string file = zentil_test::png_bytes(zentil_test::solid(2, 2, 0x808080));
  // IHDR's data starts at byte 16: width, height, big-endian; its CRC follows
  // the 13 bytes of data
  for (int i = 0; i < 4; ++i) {
    file[16 + i] = static_cast<char>(width >> (24 - 8 * i));
    file[20 + i] = static_cast<char>(height >> (24 - 8 * i));
  }
  const std::uint32_t crc = static_cast<std::uint32_t>(
      ::crc32(0, reinterpret_cast<const Bytef*>(file.data() + 12), 17));
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
  return file;
}

// Three pictures of different sizes; the skin solid `skin` (a JPEG).
void three_pictures(const program_run& run, std::uint32_t skin) {
  run.file("wallpaper/red.png", zentil_test::png_bytes(zentil_test::solid(40, 30, candidates[0])));
  run.file("wallpaper/green.png", zentil_test::png_bytes(zentil_test::solid(17, 13, candidates[1])));
  run.file("wallpaper/blue.png", zentil_test::png_bytes(zentil_test::solid(64, 48, candidates[2])));
  run.file("skin/skin.jpg", zentil_test::jpeg_bytes(zentil_test::solid(80, 60, skin)));
}

std::uint32_t first_frame_pixel(program_run& run, int x, int y) {
  EXPECT_EQ(run.run("dump " + run.out("first.png") + "\n"), 0) << run.standard_error();
  const rgb_image frame = zentil_test::read_png(run.out("first.png"));
  EXPECT_EQ(frame.width, 800);
  EXPECT_EQ(frame.height, 600);
  return frame.width == 800 ? frame.at(x, y) : 0xDEADBEEF;
}

int channel(std::uint32_t c, int shift) { return static_cast<int>(c >> shift & 0xFF); }

TEST(Wallpaper, OneOfThreePicturesStretchedOverTheScreenWithBlackSkinPixelsLeavingIt) {
  program_run run;
  three_pictures(run, 0x000000);
  const std::uint32_t pixel = first_frame_pixel(run, free_x, free_y);
  EXPECT_TRUE(pixel == candidates[0] || pixel == candidates[1] || pixel == candidates[2]) << std::hex << pixel;
  // the stretch covers the corners too
  const rgb_image frame = zentil_test::read_png(run.out("first.png"));
  ASSERT_EQ(frame.width, 800);
  EXPECT_EQ(frame.at(799, 300), pixel);
  EXPECT_EQ(frame.at(799, 1), pixel);
}

TEST(Wallpaper, TheSkinIsBlendedAt191OverTheChosenPicture) {
  program_run bare;  // the skin over no wallpaper: its share alone
  bare.file("skin/skin.jpg", zentil_test::jpeg_bytes(zentil_test::solid(80, 60, 0x6090C0)));
  const std::uint32_t skin_share = first_frame_pixel(bare, free_x, free_y);
  ASSERT_NE(skin_share, 0u);
  program_run run;
  three_pictures(run, 0x6090C0);
  const std::uint32_t pixel = first_frame_pixel(run, free_x, free_y);
  bool matched = false;
  for (const std::uint32_t w : candidates) {
    bool all = true;
    for (int shift : {16, 8, 0}) {
      const int expected = channel(skin_share, shift) + channel(w, shift) * (255 - 191) / 255;
      all = all && std::abs(channel(pixel, shift) - expected) <= 2;
    }
    matched = matched || all;
  }
  EXPECT_TRUE(matched) << std::hex << pixel << " over skin share " << skin_share;
}

TEST(Wallpaper, AnEntryThatIsNoReadablePictureLeavesTheWallpaperEmptyAndTheRunGoesOn) {
  const std::string png = zentil_test::png_bytes(zentil_test::solid(8, 8, candidates[0]));
  struct row {
    const char* what;
    std::function<void(const program_run&)> prepare;
  } rows[] = {
      {"a folder chosen", [](const program_run& r) { r.folder("wallpaper/sub"); }},
      {"an empty folder", [](const program_run& r) { r.folder("wallpaper"); }},
      {"no folder", [](const program_run&) {}},
      {"an oversized header",
       [](const program_run& r) { r.file("wallpaper/huge.png", png_claiming(1000000, 1000000)); }},
      {"a PNG cut short", [png](const program_run& r) { r.file("wallpaper/cut.png", png.substr(0, png.size() / 2)); }},
      {"a name code page 932 lacks", [png](const program_run& r) { r.file("wallpaper/caf\xC3\xA9.png", png); }},
  };
  for (const row& r : rows) {
    program_run run;
    r.prepare(run);
    run.file("skin/skin.jpg", zentil_test::jpeg_bytes(zentil_test::solid(80, 60, 0x000000)));
    EXPECT_EQ(first_frame_pixel(run, free_x, free_y), 0u) << r.what;
    EXPECT_EQ(run.bytes("log.txt"), "<missing>") << r.what;
  }
}

TEST(Wallpaper, AJpegCutShortIsShownWithItsMissingEndFilled) {
  program_run run;
  // the top half one colour, the bottom half noise, so that most of the file
  // is the bottom's scan data and the cut falls there
  rgb_image picture = zentil_test::solid(128, 128, 0xC83028);
  std::uint32_t noise = 12345;
  for (std::size_t i = picture.rgb.size() / 2; i < picture.rgb.size(); ++i) {
    noise = noise * 1103515245 + 12345;
    picture.rgb[i] = static_cast<std::uint8_t>(noise >> 16);
  }
  const std::string jpeg = zentil_test::jpeg_bytes(picture);
  run.file("wallpaper/cut.jpg", jpeg.substr(0, jpeg.size() * 3 / 4));
  run.file("skin/skin.jpg", zentil_test::jpeg_bytes(zentil_test::solid(80, 60, 0x000000)));
  // the top rows of the picture arrived whole
  const std::uint32_t top = first_frame_pixel(run, free_x, 2);
  for (int shift : {16, 8, 0})
    EXPECT_NEAR(channel(top, shift), channel(0xC83028, shift), 4) << std::hex << top;
}

}  // namespace
