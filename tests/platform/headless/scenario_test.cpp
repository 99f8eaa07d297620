// Scenario files of whole-program runs: lines refused with their number,
// steps applied frame by frame as the pump sees them, the boundary effects
// (PNG dump, the frame's strings, answers, fault switch, close) and the close
// when the steps run out or the frame cap is reached.
#include "platform/fs/filesystem.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/scenario.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "platform/window/backend_fixture.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using platform::event_kind;

std::string read_bytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

int strings_taken = 0;
std::string frame_strings()
{
    return "frame " + std::to_string(++strings_taken) + "\n";
}

class Scenario : public ::testing::Test {
 protected:
    void SetUp() override
    {
        support::select_window_backend("headless");
        ASSERT_EQ(platform::video_start(), 0);
        platform::window_spec spec;
        spec.width = 4;
        spec.height = 2;
        ASSERT_EQ(platform::create_window(spec), 0) << platform::error();
        ASSERT_EQ(platform::open_display(), 0) << platform::error();
        ASSERT_EQ(platform::accept_drops(true), 0);
        support::drain_events();
        strings_taken = 0;
    }
    void TearDown() override
    {
        platform::destroy_window();
        platform::headless::reset();
    }

    // Frames as a program's loop runs them: present (a frame boundary), then
    // every record waiting; the records of each frame, up to the close.
    std::vector<std::vector<platform::event>> run(int limit = 100)
    {
        std::vector<std::vector<platform::event>> frames;
        std::vector<std::uint32_t> pixels(8, 0x00FF8040);
        platform::pixel_view view;
        view.pixels = pixels.data();
        view.width = 4;
        view.height = 2;
        view.pitch = 16;
        view.bits = 32;
        view.red_mask = 0xFF0000;
        view.green_mask = 0xFF00;
        view.blue_mask = 0xFF;
        for (int i = 0; i < limit; ++i) {
            EXPECT_EQ(platform::present(view, {0, 0, 4, 2}, {0, 0, 4, 2}), 0) << platform::error();
            std::vector<platform::event>& records = frames.emplace_back();
            platform::event e;
            while (platform::pump_event(e) == 1) records.push_back(e);
            for (const platform::event& r : records)
                if (r.kind == event_kind::close) return frames;
        }
        ADD_FAILURE() << "no close within " << limit << " frames";
        return frames;
    }
};

TEST_F(Scenario, BadLinesAreRefusedWithTheirNumberAndNothingIsQueued)
{
    struct row {
        const char* text;
        const char* error;
    } rows[] = {
        {"press 28\nprss 28\n", "line 2: unknown step 'prss'"},
        {"press\n", "line 1: expects one key code"},
        {"press 0\n", "line 1: no key carries key code 0"},
        {"press 28x\n", "line 1: expects one key code"},
        {"click 10\n", "line 1: expects x and y"},
        {"# note\n\nframes -1\n", "line 3: negative frame count"},
        {"wheel 99999999999\n", "line 1: expects one number"},
        {"type a\\q\n", "line 1: bad escape in the text"},
        {"dump\n", "line 1: expects a file name"},
        {"answer maybe\n", "line 1: expects yes, no or fail"},
        {"limit 0\n", "line 1: expects a frame count above 0"},
        {"close now\n", "line 1: takes nothing"},
        {"fail-save -1\n", "line 1: expects a byte count"},
        {"fail-delete 0\n", "line 1: expects an entry number"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(platform::headless::load_scenario(r.text), -1) << r.text;
        EXPECT_STREQ(platform::error(), r.error) << r.text;
        EXPECT_TRUE(platform::headless::steps_done()) << r.text;
        EXPECT_FALSE(platform::headless::scenario_running()) << r.text;
    }
}

TEST_F(Scenario, StepsReachThePumpFrameByFrameThenTheWindowCloses)
{
    ASSERT_EQ(platform::headless::load_scenario("# Enter, then a typed word with Backspace\r\n"
                                                "press 28\n"
                                                "type a\\bc\n"
                                                "click 2 1\n"
                                                "drop /tmp/one\t/tmp/two words\n"),
              0)
        << platform::error();
    const auto frames = run();
    std::vector<std::string> seen;  // the kinds, frame by frame
    for (const auto& records : frames) {
        std::string kinds;
        for (const platform::event& e : records) {
            switch (e.kind) {
            case event_kind::key_down: kinds += "D"; break;
            case event_kind::key_up: kinds += "U"; break;
            case event_kind::text: kinds += "t"; break;
            case event_kind::mouse_move: kinds += "m"; break;
            case event_kind::button_down: kinds += "b"; break;
            case event_kind::button_up: kinds += "u"; break;
            case event_kind::drop: kinds += "p"; break;
            case event_kind::close: kinds += "C"; break;
            default: kinds += "?"; break;
            }
        }
        seen.push_back(kinds);
    }
    // Enter down, up; a, Backspace, c; click down, up; the drop; then the close
    EXPECT_EQ(seen, (std::vector<std::string>{"D", "U", "tDUt", "mb", "u", "p", "C"}));
    const platform::event& drop = frames[5][0];
    EXPECT_EQ(drop.names, (std::vector<std::wstring>{L"/tmp/one", L"/tmp/two words"}));
    EXPECT_EQ(frames[2][0].text, L"a");
    EXPECT_EQ(frames[2][3].text, L"c");
}

TEST_F(Scenario, BoundaryEffectsRunInTurnWithTheSteps)
{
    support::temp_folder dir;
    platform::headless::set_frame_strings_source(frame_strings);
    const std::string script = "frames 2\n"
                               "dump " + dir.at("frame one.png") + "\n"
                               "strings " + dir.at("strings.txt") + "\n"
                               "answer yes\n"
                               "answer fail\n"
                               "fail-save 3\n";
    ASSERT_EQ(platform::headless::load_scenario(script), 0) << platform::error();
    const auto frames = run();
    // two empty frames, the dump and the strings at the third and fourth
    // boundaries, answers and the fault after them; the close comes at the
    // boundary of the last effect
    EXPECT_EQ(frames.size(), 7u);
    const std::string png = read_bytes(dir.at("frame one.png"));
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(read_bytes(dir.at("strings.txt")), "frame 4\n");
    EXPECT_EQ(platform::ask_yes_no(L"delete", L"sure?"), 1);
    EXPECT_EQ(platform::ask_yes_no(L"delete", L"sure?"), -1);
    EXPECT_EQ(platform::ask_yes_no(L"delete", L"sure?"), 0);  // none left: No
#if ZENTIL_TEST_HOOKS
    EXPECT_FALSE(platform::fs::replace_file(dir.wpath() + L"/saved.txt", "0123456789"));
    EXPECT_TRUE(platform::fs::replace_file(dir.wpath() + L"/saved.txt", "0123456789"));
#endif
}

TEST_F(Scenario, TheFrameCapAndTheCloseStepEndARunThatWouldNotEnd)
{
    ASSERT_EQ(platform::headless::load_scenario("limit 5\nframes 50\n"), 0);
    EXPECT_EQ(run().size(), 5u);
    platform::headless::reset();
    SetUp();
    ASSERT_EQ(platform::headless::load_scenario("frames 1\nclose\nframes 50\n"), 0);
    EXPECT_EQ(run().size(), 2u);
    // an empty scenario closes at the first boundary
    platform::headless::reset();
    SetUp();
    ASSERT_EQ(platform::headless::load_scenario(""), 0);
    EXPECT_EQ(run().size(), 1u);
}

TEST(ScenarioFile, AFileThatCannotBeReadOrParsedEndsTheProcessWithStatusTwo)
{
    support::temp_folder dir;
    dir.file("bad.txt", "press 28\njump\n");
    EXPECT_EXIT(
        {
            ::setenv("ZENTIL_SCENARIO", dir.at("bad.txt").c_str(), 1);
            platform::headless::load_scenario_from_environment();
            std::exit(0);
        },
        ::testing::ExitedWithCode(2), "line 2: unknown step 'jump'");
    EXPECT_EXIT(
        {
            ::setenv("ZENTIL_SCENARIO", dir.at("missing.txt").c_str(), 1);
            platform::headless::load_scenario_from_environment();
            std::exit(0);
        },
        ::testing::ExitedWithCode(2), "cannot be read");
}

}  // namespace
