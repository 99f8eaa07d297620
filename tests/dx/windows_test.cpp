// Start-up through the wrapper: the settings it leaves, the order of its
// calls, the failure texts, the random seed and the default font.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "media/core/internal.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/internal.hpp"
#include "media/system/window.hpp"

namespace {

using dx_test::wrapper;

struct font_readback {
  std::string face;
  int size, thickness, type, charset;
};

font_readback default_font() {
  const int handle = QueryDefaultFontHandle();
  char face[256] = {};
  font_readback r{};
  EXPECT_EQ(QueryFontHandleInfo(face, &r.size, &r.thickness, handle), 0);
  r.face = face;
  const FONTREC* record = GetFontRecord(handle);
  EXPECT_NE(record, nullptr);
  if (record != nullptr) {
    r.type = record->type;
    r.charset = record->char_set;
  }
  return r;
}

// The exception text of f, or "" when it throws none.
template <class F>
std::string out_of_range_text(F f) {
  try {
    f();
  } catch (const std::out_of_range& e) {
    return e.what();
  }
  return "";
}

TEST_F(wrapper, StartLeavesTheToolsSettingsInTheirOrder) {
  EXPECT_EQ(IsWindowMode(), 1);
  EXPECT_EQ(media::core::window_state.settings.run_when_inactive, 1);
  EXPECT_EQ(media::core::window_state.settings.fpu_preserve, 1);
  const auto& mode = media::gfx::screen_mode;
  EXPECT_EQ(mode.width, 800);
  EXPECT_EQ(mode.height, 600);
  EXPECT_EQ(mode.bits, 32);
  EXPECT_EQ(mode.refresh, 60);
  EXPECT_EQ(media::gfx::draw_state.target, -2);
  for (const auto& entry : std::filesystem::directory_iterator(dx_test::start_folder().path()))
    EXPECT_NE(entry.path().filename().string().rfind("Log", 0), 0u) << "a log file was written: " << entry.path();

  const font_readback font = default_font();
  EXPECT_EQ(font.face, "meiryo");
  EXPECT_EQ(font.size, 20);
  EXPECT_EQ(font.thickness, 9);
  EXPECT_EQ(font.type, 2);
  EXPECT_EQ(font.charset, 1);
  EXPECT_TRUE((ui::default_font_spec() == ui::font_spec{20, "meiryo", 9, 2, 1}));
  EXPECT_EQ(dx::windows::title(), "MediaLayer");

  const std::vector<std::string> order = {
      "SetRunWhenInactive 1",  "EnableFpuPreserve 1",     "SetLogOutputEnabled 0",
      "ChangeWindowMode 1",    "SetScreenMode 800 600 32 60", "ChooseDeviceRendering 0", "InitMediaLayer",
      "SelectDrawTarget -2",   "seed_random",             "SetDefaultFontType 2",
      "SetDefaultFontSize 20", "SetDefaultFontThickness 9", "SetDefaultFontFace meiryo 1",
  };
  const std::vector<std::string>& calls = dx::windows::recorded_calls();
  ASSERT_GE(calls.size(), order.size());
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + static_cast<long>(order.size())), order);
}

TEST_F(wrapper, SecondStartIsRefused) {
  const std::size_t calls = dx::windows::recorded_calls().size();
  EXPECT_EQ(out_of_range_text(dx::windows::initialize), "dx/windows/initialize: dx already initialized");
  EXPECT_EQ(dx::windows::recorded_calls().size(), calls) << "a refused start changed settings";
}

// The started flag stays set after a failed start, so the failure runs in a
// process of its own.
TEST(WrapperFailure, FailedStartThrowsThenEveryLaterCallIsRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        support::temp_folder locks;
        dx_test::prepare_headless(locks);
        platform::headless::fail_next_window_creation();
        platform::headless::set_clock_step(1);
        const std::string first = out_of_range_text(dx::windows::initialize);
        const std::string second = out_of_range_text(dx::windows::initialize);
        const std::string third = out_of_range_text(dx::windows::initialize);
        const bool ok = first == "dx/windows/initialize: dx initialization failure" &&
                        second == "dx/windows/initialize: dx already initialized" && third == second;
        std::fprintf(stderr, "[%s] [%s] [%s]\n", first.c_str(), second.c_str(), third.c_str());
        std::exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0),
      "\\[dx/windows/initialize: dx initialization failure\\] \\[dx/windows/initialize: dx already initialized\\]");
}

TEST_F(wrapper, StartSeedsTheRandomSequenceWithTheTime) {
  const dx_test::start_record& start = dx_test::start_once();
  std::vector<int> expected;
  for (std::time_t t : {start.before, start.after}) {
    plang::seed_random(static_cast<std::uint32_t>(t));
    expected.push_back(plang::next_random());
  }
  EXPECT_TRUE(start.first_random == expected[0] || start.first_random == expected[1])
      << start.first_random << " is neither " << expected[0] << " nor " << expected[1];
}

TEST_F(wrapper, ApplyFontSpecSetsTheDefaultFontAndKeepsTheDescription) {
  const ui::font_spec saved = ui::default_font_spec();
  const ui::font_spec rows[] = {
      {16, "gothic", 6, 0, 1},
      {24, "serif", 4, 2, 0},
      saved,
  };
  for (const ui::font_spec& spec : rows) {
    SCOPED_TRACE(spec.face + " " + std::to_string(spec.size));
    const std::size_t mark = dx::windows::recorded_calls().size();
    dx::windows::apply_font_spec(spec);
    const std::vector<std::string>& calls = dx::windows::recorded_calls();
    const std::vector<std::string> want = {
        "SetDefaultFontType " + std::to_string(spec.type),
        "SetDefaultFontSize " + std::to_string(spec.size),
        "SetDefaultFontThickness " + std::to_string(spec.thickness),
        "SetDefaultFontFace " + spec.face + " " + std::to_string(spec.charset),
    };
    EXPECT_EQ(std::vector<std::string>(calls.begin() + static_cast<long>(mark), calls.end()), want);
    const font_readback font = default_font();
    EXPECT_EQ(font.face, spec.face);
    EXPECT_EQ(font.size, spec.size);
    EXPECT_EQ(font.thickness, spec.thickness);
    EXPECT_EQ(font.type, spec.type);
    EXPECT_EQ(font.charset, spec.charset);
    EXPECT_TRUE(ui::default_font_spec() == spec);
  }
}

}  // namespace
