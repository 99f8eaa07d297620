// The device road of graphics start-up on the recording device: the log, the
// device's creation and its failures, the format table over device
// configurations, the depth surface, the sub back buffer, the buffers and
// dialog-box mode, and the release of everything on fall-back and shut-down.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/graphics/device.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/window.hpp"

namespace {

namespace hl = platform::headless;
namespace dev = platform::device;
using media::gfx::graphics;

class DeviceStart : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        create_window();
        hl::set_device_mode(hl::device_mode::recording);
        blocks_ = media::core::alloc_state.count;
    }
    void TearDown() override
    {
        ShutdownGraphics();
        EXPECT_EQ(dev::live_resources(), 0) << "device resources left alive";
        EXPECT_EQ(hl::device_leaks(), 0) << "resources released with their device";
        EXPECT_EQ(media::core::alloc_state.count, blocks_) << "blocks left allocated";
        DestroyMainWindow();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    // Whether the texts appear in the log in this order.
    ::testing::AssertionResult logged_in_order(const std::vector<std::string>& texts, std::size_t from = 0) const
    {
        const std::string log = read();
        std::size_t at = from;
        for (const std::string& t : texts) {
            const std::size_t found = log.find(t, at);
            if (found == std::string::npos)
                return ::testing::AssertionFailure() << "not logged after " << at << ": " << t << "\n" << log;
            at = found + t.size();
        }
        return ::testing::AssertionSuccess();
    }

    // The transcript's lines that release something.
    static std::vector<std::string> releases()
    {
        std::vector<std::string> out;
        for (const std::string& c : hl::device_call_texts())
            if (c.rfind("Release", 0) == 0)
                out.push_back(c);
        return out;
    }

    // The lines with the resource numbers the device gave cut off.
    static std::vector<std::string> without_serials(std::vector<std::string> lines)
    {
        for (std::string& line : lines) {
            const std::size_t hash = line.rfind(" #");
            if (hash != std::string::npos && line.find_first_not_of("0123456789", hash + 2) == std::string::npos)
                line.erase(hash);
        }
        return lines;
    }

    // The releases of the back buffer and swap chain the transcript shows made.
    static std::vector<std::string> releases_of_back_buffer_and_swap_chain()
    {
        std::vector<std::string> out;
        for (const char* made : {"GetBackBuffer 0 #", "GetSwapChain 0 #"})
            for (const std::string& c : hl::device_call_texts())
                if (c.rfind(made, 0) == 0)
                    out.push_back("Release " + c.substr(c.rfind('#')));
        return out;
    }

    // After a fall-back: the software renderer draws, nothing of the device is held.
    void expect_software_road() const
    {
        EXPECT_EQ(graphics.d3d_in_use, 0);
        EXPECT_EQ(graphics.device, 0);
        EXPECT_EQ(graphics.d3d, 0);
        EXPECT_EQ(graphics.back_buffer, dev::resource::none);
        EXPECT_EQ(graphics.swap_chain, dev::resource::none);
        EXPECT_EQ(graphics.depth_surface, dev::resource::none);
        EXPECT_FALSE(dev::device_exists());
        EXPECT_EQ(dev::live_resources(), 0);
        EXPECT_EQ(hl::device_leaks(), 0);
        EXPECT_TRUE(IsMemImgValid(&graphics.screen_image));
    }

    int blocks_ = 0;
};

TEST_F(DeviceStart, WindowedStartLogsEveryStepOfTheDeviceRoad)
{
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({
        "DirectDraw オブジェクトの取得を行います....  成功\r\n",
        "引き続き初期化処理... 初期化に成功しました\r\n",
        "IDirect3D9 オブジェクトを取得します.... 成功\r\n",
        "IDirect3DDevice9 オブジェクトを取得します.... ハードウエア頂点演算を使用します\r\n",
        "成功\r\n",
        "Driver:headless  Description:recording device\r\n",
        "画面のフォーマットは D3DFMT_X8R8G8B8 です\r\n",
        "Ｚバッファのフォーマットは D3DFMT_D16 です\r\n",
        "16bit カラーフォーマットは D_D3DFMT_R5G6B5 です\r\n",
        "32bit カラーフォーマットは D_D3DFMT_X8R8G8B8 です\r\n",
        "アルファ付き 16bit カラーフォーマットは D_D3DFMT_A4R4G4B4 です\r\n",
        "アルファ付き 32bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です\r\n",
        "アルファテスト用 16bit カラーフォーマットは D_D3DFMT_A1R5G5B5 です\r\n",
        "アルファテスト用 32bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です\r\n",
        "ＤＸＴ１テクスチャフォーマットは使えません\r\n",
        "ＤＸＴ２テクスチャフォーマットは使えません\r\n",
        "ＤＸＴ３テクスチャフォーマットは使えません\r\n",
        "ＤＸＴ４テクスチャフォーマットは使えません\r\n",
        "ＤＸＴ５テクスチャフォーマットは使えません\r\n",
        "描画用 16bit カラーフォーマットは D_D3DFMT_R5G5B5 です\r\n",
        "描画用 32bit カラーフォーマットは D_D3DFMT_X8R8G8B8 です\r\n",
        "描画用アルファ付き 32bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です\r\n",
        "Ｚバッファを作成します.... 成功\r\n",
        "プログラマブルシェーダーを使用しません\r\n",
    }));
    EXPECT_EQ(read().find("Direct3DCreate9"), std::string::npos);
    EXPECT_EQ(graphics.started, 1);
    EXPECT_EQ(graphics.d3d_in_use, 1);
    EXPECT_EQ(IsDeviceInUse(), 1);
    EXPECT_FALSE(IsMemImgValid(&graphics.screen_image));
    EXPECT_EQ(QueryColorBitDepth(), 32);

    // the depth surface covers the screen in powers of two, set and cleared
    EXPECT_EQ(graphics.depth_width, 1024);
    EXPECT_EQ(graphics.depth_height, 1024);
    const dev::resource_desc* depth = dev::describe(graphics.depth_surface);
    ASSERT_NE(depth, nullptr);
    EXPECT_EQ(depth->kind, dev::resource_kind::depth_surface);
    EXPECT_EQ(depth->fmt, dev::D16);
    EXPECT_EQ(dev::current_state().depth_surface, graphics.depth_surface);
    const std::vector<std::string> calls = hl::device_call_texts();
    const auto made = std::find(calls.begin(), calls.end(), "CreateDepthStencilSurface 1024 1024 80 #3");
    ASSERT_NE(made, calls.end());
    ASSERT_GE(calls.end() - made, 3);
    EXPECT_EQ(made[1], "SetDepthStencilSurface #3");
    EXPECT_EQ(made[2], "Clear 1 (0,0,800,600) 0x2 0x0 1 0");

    // the shader-less road stores register 0 of both built-in sets
    EXPECT_EQ(media::gfx::shader_state.in_use, 0);
    EXPECT_EQ(media::gfx::shader_state.vs_constants[0][1], 1.0f);
    EXPECT_EQ(media::gfx::shader_state.ps_constants[0][1], 0.5f);
    EXPECT_EQ(media::gfx::shader_state.ps_constants[0][3], 2.0f);
}

TEST_F(DeviceStart, CreateDeviceIsAskedWithTheScreenAndSettings)
{
    struct create_case {
        const char* name;
        int vs, ps;
        int flip_waits, fpu;
        const char* want;  // the CreateDevice line
        int want_vs2, want_ps2;
    };
    const create_case cases[] = {
        {"no shaders", 0, 0, 1, 0, "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x20", 0, 0},
        {"no wait for the blank", 0, 0, 0, 0, "CreateDevice 800 600 22 windowed 0 0x80000000 lockable 0x20", 0, 0},
        {"shader 2.0 both", 0x200, 0x200, 1, 0, "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x80", 1, 1},
        {"pixel shader below 2.0", 0x300, 0x104, 1, 0, "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x20", 0, 0},
        {"FPU preserve", 0, 0, 1, 1, "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x22", 0, 0},
        {"mixed with FPU preserve", 0x200, 0x300, 1, 1, "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x82", 1, 1},
    };
    for (const create_case& c : cases) {
        SCOPED_TRACE(c.name);
        hl::clear_device_transcript();
        hl::set_device_caps(dev::caps{c.vs, c.ps, true, false, 2048, 2048});
        SetFlipWaitsForVBlank(c.flip_waits);
        media::core::window_state.settings.fpu_preserve = c.fpu;
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_EQ(graphics.d3d_in_use, 1);
        EXPECT_EQ(graphics.vertex_shader2, c.want_vs2);
        EXPECT_EQ(graphics.pixel_shader2, c.want_ps2);
        EXPECT_EQ(media::gfx::shader_state.in_use, 0);
        const std::vector<std::string> calls = without_serials(hl::device_call_texts());
        const std::vector<std::string> head(calls.begin(), calls.begin() + std::min<std::size_t>(calls.size(), 16));
        const std::string present = "Present (0,0,800,600) (0,0,800,600)";
        const std::string clear = "Clear 1 (0,0,800,600) 0x1 0x0 1 0";
        const std::vector<std::string> want = {
            "CreateObject", "GetAdapterDisplayMode", "GetDeviceCaps", c.want,
            "SetRenderState 7 0x1",  // Z on, then the screen primed
            clear, present, clear, present, clear, present, clear,
            "GetBackBuffer 0", "GetSwapChain 0", "GetDeviceCaps", "GetAdapterIdentifier"};
        EXPECT_EQ(head, want);
        const dev::present_params& p = dev::device_params();
        EXPECT_TRUE(p.windowed);
        EXPECT_TRUE(p.lockable_back_buffer);
        ShutdownGraphics();
    }
}

TEST_F(DeviceStart, DeviceCreationFailuresEndOnTheSoftwareRoad)
{
    // a first failure is retried with software vertex processing
    hl::set_device_caps(dev::caps{0x200, 0x200, true, false, 2048, 2048});
    hl::fail_device_call(hl::device_op::create_device, 1);
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"IDirect3DDevice9 オブジェクトを取得します.... ソフトウエア頂点演算を使用します\r\n", "成功\r\n"}));
    EXPECT_EQ(graphics.d3d_in_use, 1);
    EXPECT_EQ(graphics.shader2, 0);
    EXPECT_EQ(graphics.vertex_shader2, 0);
    const std::vector<std::string> calls = hl::device_call_texts();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x80 failed"),
              calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "CreateDevice 800 600 22 windowed 0 0x1 lockable 0x20"),
              calls.end());
    ShutdownGraphics();

    // both attempts fail: the device of the off mode is never made
    hl::set_device_mode(hl::device_mode::off);
    std::size_t before = read().size();
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"IDirect3DDevice9 オブジェクトを取得します.... Direct3DDevice9 の作成に失敗しました\r\n"}, before));
    expect_software_road();
    ShutdownGraphics();

    hl::set_device_mode(hl::device_mode::recording);
    hl::fail_device_call(hl::device_op::create_object, 1);
    before = read().size();
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"IDirect3D9 オブジェクトを取得します.... IDirect3D9 オブジェクトの取得に失敗しました\r\n"}, before));
    EXPECT_EQ(read().find("IDirect3DDevice9", before), std::string::npos);
    expect_software_road();
}

TEST_F(DeviceStart, BackBufferTakesTheDesktopFormat)
{
    struct desktop_case {
        const char* name;
        dev::format adapter;
        int want_bits;
        const char* want_line;
        int want_slot11;
        const char* want_slot11_line;
    };
    const desktop_case cases[] = {
        {"32 bits", dev::X8R8G8B8, 32, "画面のフォーマットは D3DFMT_X8R8G8B8 です", dev::X1R5G5B5,
         "描画用 16bit カラーフォーマットは D_D3DFMT_R5G5B5 です"},
        {"16 bits although 32 asked", dev::R5G6B5, 16, "画面のフォーマットは D3DFMT_R5G6B5 です", dev::R5G6B5,
         "描画用 16bit カラーフォーマットは D3DFMT_R5G6B5 です"},
        {"15 bits", dev::X1R5G5B5, 16, "画面のフォーマットは D3DFMT_X1R5G5B5 です", dev::X1R5G5B5,
         "描画用 16bit カラーフォーマットは D_D3DFMT_R5G5B5 です"},
        {"one-bit alpha desktop", dev::A1R5G5B5, 16, "バックバッファが対応していないフォーマット 25 です", dev::X1R5G5B5,
         "描画用 16bit カラーフォーマットは D_D3DFMT_R5G5B5 です"},
    };
    for (const desktop_case& c : cases) {
        SCOPED_TRACE(c.name);
        media::gfx::screen_mode.bits = 32;
        hl::set_adapter_format(c.adapter);
        const std::size_t before = read().size();
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_EQ(graphics.d3d_in_use, 1);
        EXPECT_EQ(graphics.back_buffer_format, c.adapter);
        EXPECT_EQ(dev::device_params().back_buffer_format, c.adapter);
        EXPECT_EQ(QueryColorBitDepth(), c.want_bits);
        EXPECT_EQ(graphics.formats.slot[11], c.want_slot11);
        EXPECT_TRUE(logged_in_order({c.want_line, c.want_slot11_line}, before));
        // the screen's depth picks the render-target and alpha-test formats
        EXPECT_EQ(graphics.formats.slot[14], graphics.formats.slot[c.want_bits == 32 ? 12 : 11]);
        EXPECT_EQ(graphics.formats.slot[15], graphics.formats.slot[c.want_bits == 32 ? 5 : 4]);
        ShutdownGraphics();
    }
}

// The format of every slot and its log line over device configurations; a
// change of support is the opposite of the device's default.
TEST_F(DeviceStart, FormatTableFollowsWhatTheDeviceAccepts)
{
    struct support {
        dev::format fmt;
        std::uint32_t usage;
        bool on;
    };
    struct table_case {
        const char* name;
        int desktop_bits;
        std::vector<support> changes;
        bool device;                             // false: the software road
        std::vector<std::pair<int, int>> slots;  // slot, format: where the default device differs
        std::vector<std::string> lines;          // in the log, in this order
    };
    constexpr std::uint32_t rt = dev::usage_render_target;
    // the default device on a 32-bit desktop
    const int defaults[16] = {dev::R5G6B5,   dev::X8R8G8B8, dev::A4R4G4B4, dev::A8R8G8B8, dev::A1R5G5B5, dev::A8R8G8B8,
                              dev::A1R5G5B5, dev::A8R8G8B8, dev::A8R8G8B8, dev::A8R8G8B8, dev::A8R8G8B8, dev::X1R5G5B5,
                              dev::X8R8G8B8, dev::A8R8G8B8, dev::X8R8G8B8, dev::A8R8G8B8};
    const table_case cases[] = {
        {"default device", 32, {}, true, {},
         {"ＤＸＴ１テクスチャフォーマットは使えません\r\n", "ＤＸＴ５テクスチャフォーマットは使えません\r\n"}},
        {"block formats offered", 32,
         {{dev::DXT1, 0, true}, {dev::DXT2, 0, true}, {dev::DXT3, 0, true}, {dev::DXT4, 0, true}, {dev::DXT5, 0, true}},
         true,
         {{6, dev::DXT1}, {7, dev::DXT2}, {8, dev::DXT3}, {9, dev::DXT4}, {10, dev::DXT5}},
         {"ＤＸＴ１テクスチャフォーマットは D_D3DFMT_DXT1 です\r\n", "ＤＸＴ２テクスチャフォーマットは D_D3DFMT_DXT2 です\r\n",
          "ＤＸＴ３テクスチャフォーマットは D_D3DFMT_DXT3 です\r\n", "ＤＸＴ４テクスチャフォーマットは D_D3DFMT_DXT4 です\r\n",
          "ＤＸＴ５テクスチャフォーマットは D_D3DFMT_DXT5 です\r\n"}},
        {"no R5G6B5 texture", 32, {{dev::R5G6B5, 0, false}}, true, {{0, dev::X1R5G5B5}},
         {"16bit カラーフォーマットは D_D3DFMT_X1R5G5B5 です\r\n"}},
        {"no X8R8G8B8 texture: slot 0 repeated", 32, {{dev::X8R8G8B8, 0, false}}, true, {{1, dev::R5G6B5}},
         {"16bit カラーフォーマットは D_D3DFMT_R5G6B5 です\r\n", "32bit カラーフォーマットは D_D3DFMT_R5G6B5 です\r\n"}},
        {"X1R5G5B5 the only plain texture", 32, {{dev::R5G6B5, 0, false}, {dev::X8R8G8B8, 0, false}}, true,
         {{0, dev::X1R5G5B5}, {1, dev::X1R5G5B5}},
         {"16bit カラーフォーマットは D_D3DFMT_X1R5G5B5 です\r\n", "32bit カラーフォーマットは D_D3DFMT_X1R5G5B5 です\r\n"}},
        {"no A4R4G4B4 texture", 32, {{dev::A4R4G4B4, 0, false}}, true, {{2, dev::A8R8G8B8}},
         {"アルファ付き 16bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です\r\n"}},
        {"no A8R8G8B8 texture", 32, {{dev::A8R8G8B8, 0, false}}, true,
         {{3, dev::A4R4G4B4}, {5, dev::A1R5G5B5}, {7, dev::A4R4G4B4}, {8, dev::A4R4G4B4}, {9, dev::A4R4G4B4},
          {10, dev::A4R4G4B4}, {15, dev::A1R5G5B5}},
         {"アルファ付き 32bit カラーフォーマットは D_D3DFMT_A4R4G4B4 です\r\n",
          "アルファテスト用 32bit カラーフォーマットは D_D3DFMT_A1R5G5B5 です\r\n"}},
        {"no A1R5G5B5 texture", 32, {{dev::A1R5G5B5, 0, false}}, true, {{4, dev::A8R8G8B8}, {6, dev::A8R8G8B8}},
         {"アルファテスト用 16bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です\r\n", "ＤＸＴ１テクスチャフォーマットは使えません\r\n"}},
        {"A4R4G4B4 the only alpha texture", 32, {{dev::A1R5G5B5, 0, false}, {dev::A8R8G8B8, 0, false}}, true,
         {{3, dev::A4R4G4B4}, {4, dev::A4R4G4B4}, {5, dev::A4R4G4B4}, {6, dev::A4R4G4B4}, {7, dev::A4R4G4B4},
          {8, dev::A4R4G4B4}, {9, dev::A4R4G4B4}, {10, dev::A4R4G4B4}, {15, dev::A4R4G4B4}},
         {"アルファテスト用 16bit カラーフォーマットは D_D3DFMT_A4R4G4B4 です\r\n",
          "アルファテスト用 32bit カラーフォーマットは D_D3DFMT_A4R4G4B4 です\r\n"}},
        {"no X1R5G5B5 target", 32, {{dev::X1R5G5B5, rt, false}}, true, {{11, dev::R5G6B5}},
         {"描画用 16bit カラーフォーマットは D_D3DFMT_R5G6B5 です\r\n"}},
        {"no 16-bit target", 32, {{dev::X1R5G5B5, rt, false}, {dev::R5G6B5, rt, false}}, true, {{11, dev::X8R8G8B8}},
         {"描画用 16bit カラーフォーマットは D_D3DFMT_X8R8G8B8 です\r\n"}},
        {"no X8R8G8B8 target", 32, {{dev::X8R8G8B8, rt, false}}, true, {{12, dev::R5G6B5}, {14, dev::R5G6B5}},
         {"描画用 32bit カラーフォーマットは D3DFMT_R5G6B5 です\r\n"}},
        {"X1R5G5B5 the only plain target", 32, {{dev::X8R8G8B8, rt, false}, {dev::R5G6B5, rt, false}}, true,
         {{12, dev::X1R5G5B5}, {14, dev::X1R5G5B5}},
         {"描画用 16bit カラーフォーマットは D_D3DFMT_R5G5B5 です\r\n", "描画用 32bit カラーフォーマットは D3DFMT_R5G5B5 です\r\n"}},
        {"no plain target", 32, {{dev::X8R8G8B8, rt, false}, {dev::R5G6B5, rt, false}, {dev::X1R5G5B5, rt, false}},
         true, {{11, 0}, {12, 0}, {14, 0}},
         {"使用できる描画用 16bit カラーフォーマットがありませんでした\r\n",
          "使用できる描画用 32bit カラーフォーマットがありませんでした\r\n",
          "描画用アルファ付き 32bit カラーフォーマットは D_D3DFMT_A8R8G8B8 です\r\n"}},
        {"no A8R8G8B8 target", 32, {{dev::A8R8G8B8, rt, false}}, true, {{13, dev::A4R4G4B4}},
         {"描画用アルファ付き 32bit カラーフォーマットは D3DFMT_A4R4G4B4 です\r\n"}},
        {"no alpha target", 32, {{dev::A8R8G8B8, rt, false}, {dev::A4R4G4B4, rt, false}}, true, {{13, 0}},
         {"使用できる描画用アルファ付き 32bit カラーフォーマットがありませんでした\r\n", "Ｚバッファを作成します.... 成功\r\n"}},
        {"16-bit desktop", 16, {}, true, {{11, dev::R5G6B5}, {14, dev::R5G6B5}, {15, dev::A1R5G5B5}},
         {"描画用 16bit カラーフォーマットは D3DFMT_R5G6B5 です\r\n"}},
        {"16-bit desktop without an R5G6B5 target", 16, {{dev::R5G6B5, rt, false}}, true,
         {{11, dev::X1R5G5B5}, {14, dev::X1R5G5B5}, {15, dev::A1R5G5B5}},
         {"描画用 16bit カラーフォーマットは D3DFMT_R5G5B5 です\r\n"}},
        {"no 16-bit colour", 32, {{dev::R5G6B5, 0, false}, {dev::X1R5G5B5, 0, false}}, false, {},
         {"使用できる 16bit カラーフォーマットが見つかりませんでした\r\n"}},
        {"no 16-bit alpha", 32, {{dev::A4R4G4B4, 0, false}, {dev::A8R8G8B8, 0, false}}, false, {},
         {"32bit カラーフォーマットは D_D3DFMT_X8R8G8B8 です\r\n",
          "使用できるアルファ付き 16bit カラーフォーマットが見つかりませんでした\r\n"}},
    };
    for (const table_case& c : cases) {
        SCOPED_TRACE(c.name);
        hl::set_desktop({1024, 768, c.desktop_bits, 60});
        for (const support& s : c.changes)
            hl::set_device_format_support(s.fmt, s.usage, s.on);
        const std::size_t before = read().size();
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_TRUE(logged_in_order(c.lines, before));
        if (c.device) {
            EXPECT_EQ(graphics.d3d_in_use, 1);
            int want[16];
            std::copy(defaults, defaults + 16, want);
            for (const auto& [slot, fmt] : c.slots)
                want[slot] = fmt;
            EXPECT_EQ(std::vector<int>(graphics.formats.slot, graphics.formats.slot + 16), std::vector<int>(want, want + 16));
            EXPECT_EQ(graphics.formats.slot[16], dev::D16);
        } else {
            expect_software_road();
            EXPECT_EQ(read().find("Ｚバッファを作成します", before), std::string::npos);
        }
        ShutdownGraphics();
        for (const support& s : c.changes)
            hl::set_device_format_support(s.fmt, s.usage, !s.on);
    }
}

// A device that makes no colour format at all stops at slot 0.
TEST_F(DeviceStart, DeviceWithoutAnyFormatEndsOnTheSoftwareRoad)
{
    for (const dev::format f : {dev::A8R8G8B8, dev::X8R8G8B8, dev::R5G6B5, dev::X1R5G5B5, dev::A1R5G5B5, dev::A4R4G4B4})
        for (const std::uint32_t usage : {std::uint32_t{0}, std::uint32_t{dev::usage_render_target}})
            hl::set_device_format_support(f, usage, false);
    ASSERT_EQ(StartGraphics(), 0);
    EXPECT_TRUE(logged_in_order({"Ｚバッファのフォーマットは D3DFMT_D16 です\r\n",
                                 "使用できる 16bit カラーフォーマットが見つかりませんでした\r\n"}));
    EXPECT_EQ(read().find("32bit カラーフォーマットは"), std::string::npos);
    expect_software_road();
    ShutdownGraphics();
    EXPECT_EQ(media::core::alloc_state.count, blocks_);
}

TEST_F(DeviceStart, CapabilitiesGiveTheMaximumTextureSizeAndFlags)
{
    struct caps_case {
        dev::caps caps;
        int want_max, want_blend_op;
    };
    const caps_case cases[] = {
        {{0, 0, true, false, 2048, 2048}, 2048, 1},
        {{0, 0, false, false, 0, 0}, 256, 0},
        {{0, 0, true, false, 0, 1024}, 256, 1},
        {{0, 0, true, false, 4096, 1024}, 1024, 1},
        {{0, 0, true, false, 128, 0}, 128, 1},
    };
    for (const caps_case& c : cases) {
        SCOPED_TRACE(c.want_max);
        hl::set_device_caps(c.caps);
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_EQ(graphics.max_texture_size, c.want_max);
        EXPECT_EQ(graphics.blend_op, c.want_blend_op);
        ShutdownGraphics();
    }
}

TEST_F(DeviceStart, TextureEdgesSplitAtTheDeviceMaximum)
{
    struct split_case {
        int device_max;
        int length;
        std::vector<int> want;
    };
    const split_case cases[] = {
        {2048, 800, {512, 256, 32}},
        {2048, 600, {1024}},
        {256, 800, {256, 256, 256, 32}},
        {256, 600, {256, 256, 64, 16, 8}},
    };
    for (const split_case& c : cases) {
        SCOPED_TRACE(std::to_string(c.device_max) + " " + std::to_string(c.length));
        hl::set_device_caps(dev::caps{0, 0, true, false, c.device_max, c.device_max});
        ASSERT_EQ(StartGraphics(), 0);
        int sizes[16] = {};
        const int n = SplitTextureLength(c.length, sizes, 0, graphics.max_texture_size);
        EXPECT_EQ(std::vector<int>(sizes, sizes + n), c.want);
        ShutdownGraphics();
    }
}

// Every fall-back after the device was made gives back its back buffer and
// swap chain before the device, which then finds nothing alive.
TEST_F(DeviceStart, FallBackAfterTheDeviceReleasesAllItHolds)
{
    struct fall_case {
        const char* name;
        void (*arrange)();
        const char* want;
    };
    const fall_case cases[] = {
        {"no depth format", [] { hl::set_device_depth_formats({}); },
         "使用できる Zバッファフォーマットが見つかりませんでした\r\n"},
        {"no 16-bit colour format",
         [] {
             hl::set_device_format_support(dev::R5G6B5, 0, false);
             hl::set_device_format_support(dev::X1R5G5B5, 0, false);
         },
         "使用できる 16bit カラーフォーマットが見つかりませんでした\r\n"},
        {"depth surface refused", [] { hl::fail_device_call(hl::device_op::create_depth_stencil_surface, 1); },
         "Ｚバッファを作成します.... Ｚバッファの作成に失敗しました\r\n"},
    };
    for (const fall_case& c : cases) {
        SCOPED_TRACE(c.name);
        hl::clear_device_transcript();
        c.arrange();
        const std::size_t before = read().size();
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_TRUE(logged_in_order({c.want}, before));
        expect_software_road();
        std::vector<std::string> want = releases_of_back_buffer_and_swap_chain();
        ASSERT_EQ(want.size(), 2u);
        want.insert(want.end(), {"ReleaseDevice", "ReleaseObject"});
        EXPECT_EQ(releases(), want);
        ShutdownGraphics();
        hl::set_device_depth_formats({dev::D16, dev::D24X8, dev::D32});
        hl::set_device_format_support(dev::R5G6B5, 0, true);
        hl::set_device_format_support(dev::X1R5G5B5, 0, true);
    }
}

TEST_F(DeviceStart, DepthFormatIsTheFirstTheDeviceAccepts)
{
    struct depth_case {
        std::vector<dev::format> accepted;
        dev::format want;
        const char* line;
    };
    const depth_case cases[] = {
        {{dev::D16, dev::D24X8, dev::D32}, dev::D16, "Ｚバッファのフォーマットは D3DFMT_D16 です\r\n"},
        {{dev::D32, dev::D24X8}, dev::D24X8, "Ｚバッファのフォーマットは D3DFMT_D24X8 です\r\n"},
        {{dev::D32}, dev::D32, "Ｚバッファのフォーマットは D3DFMT_D32 です\r\n"},
    };
    for (const depth_case& c : cases) {
        SCOPED_TRACE(c.line);
        hl::set_device_depth_formats(c.accepted);
        const std::size_t before = read().size();
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_TRUE(logged_in_order({c.line, "Ｚバッファを作成します.... 成功\r\n"}, before));
        EXPECT_EQ(graphics.formats.slot[16], c.want);
        const dev::resource_desc* depth = dev::describe(graphics.depth_surface);
        ASSERT_NE(depth, nullptr);
        EXPECT_EQ(depth->fmt, c.want);
        ShutdownGraphics();
    }
}

// A device made again gives back what the old one held before it goes.
TEST_F(DeviceStart, RecreatingTheDeviceReleasesWhatTheOldOneHeld)
{
    ASSERT_EQ(StartGraphics(), 0);
    ASSERT_EQ(CreateSubBackBuffer(), 0);
    hl::clear_device_transcript();
    ASSERT_EQ(CreateD3DDevice(), 0);
    ASSERT_EQ(CreateZBuffer(), 0);
    EXPECT_EQ(hl::device_leaks(), 0);
    EXPECT_EQ(dev::live_resources(), 3);  // back buffer, swap chain, depth surface
    const std::vector<std::string> want = {"Release #3", "Release #4", "Release #1", "Release #2", "ReleaseDevice"};
    EXPECT_EQ(releases(), want);
}

TEST_F(DeviceStart, SubBackBufferIsAScreenSizedRenderTarget)
{
    EXPECT_EQ(CreateSubBackBuffer(), -1);  // no device yet
    ASSERT_EQ(StartGraphics(), 0);
    ASSERT_EQ(CreateSubBackBuffer(), 0);
    const dev::resource_desc* sub = dev::describe(graphics.sub_back_buffer);
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->kind, dev::resource_kind::render_target);
    EXPECT_EQ(sub->width, 800);
    EXPECT_EQ(sub->height, 600);
    EXPECT_EQ(sub->fmt, dev::X8R8G8B8);
    EXPECT_FALSE(sub->lockable);
    // a second one replaces the first
    const int alive = dev::live_resources();
    ASSERT_EQ(CreateSubBackBuffer(), 0);
    EXPECT_EQ(dev::live_resources(), alive);

    hl::fail_device_call(hl::device_op::create_render_target, 1);
    EXPECT_EQ(CreateSubBackBuffer(), -1);
    EXPECT_TRUE(logged_in_order({"サブバックバッファの作成に失敗しました\r\n"}));
    EXPECT_EQ(graphics.sub_back_buffer, dev::resource::none);

    // shut-down releases depth surface, sub back buffer, back buffer, swap
    // chain, device and object in that order
    ASSERT_EQ(CreateSubBackBuffer(), 0);
    hl::clear_device_transcript();
    ShutdownGraphics();
    const std::vector<std::string> want = {"Release #3", "Release #6", "Release #1", "Release #2", "ReleaseDevice",
                                           "ReleaseObject"};
    EXPECT_EQ(releases(), want);
}

TEST_F(DeviceStart, BuffersAndDialogBoxModeNeedTheDevice)
{
    EXPECT_EQ(CreateDeviceVertexBuffer(64, 0, dev::fvf_xyzrhw | dev::fvf_diffuse, dev::pool_managed), dev::resource::none);
    EXPECT_EQ(CreateDeviceIndexBuffer(64, 0, dev::INDEX16, dev::pool_managed), dev::resource::none);
    EXPECT_EQ(ResetDialogBoxMode(1), 0);
    EXPECT_EQ(SetDeviceDialogBoxMode(1), -1);

    ASSERT_EQ(StartGraphics(), 0);
    const dev::resource vertices = CreateDeviceVertexBuffer(64, 0, dev::fvf_xyzrhw | dev::fvf_diffuse, dev::pool_managed);
    ASSERT_NE(vertices, dev::resource::none);
    EXPECT_EQ(dev::describe(vertices)->kind, dev::resource_kind::vertex_buffer);
    EXPECT_EQ(dev::describe(vertices)->width, 64);
    const dev::resource indices = CreateDeviceIndexBuffer(32, 0, dev::INDEX16, dev::pool_default);
    ASSERT_NE(indices, dev::resource::none);
    EXPECT_EQ(dev::describe(indices)->kind, dev::resource_kind::index_buffer);
    // what the device refuses gives none
    EXPECT_EQ(CreateDeviceVertexBuffer(-8, 0, 0, dev::pool_managed), dev::resource::none);
    EXPECT_EQ(CreateDeviceIndexBuffer(32, 0, dev::D16, dev::pool_managed), dev::resource::none);
    EXPECT_EQ(CreateDeviceIndexBuffer(32, 0, dev::INDEX16, 7), dev::resource::none);
    dev::release(vertices);
    dev::release(indices);

    hl::clear_device_transcript();
    ASSERT_EQ(dev::begin_scene(), 0);
    EXPECT_EQ(SetDeviceDialogBoxMode(1), 0);
    EXPECT_FALSE(dev::current_state().in_scene);
    EXPECT_EQ(ResetDialogBoxMode(1), 0);
    EXPECT_EQ(ResetDialogBoxMode(0), 0);
    const std::vector<std::string> want = {"BeginScene", "EndScene", "SetDialogBoxMode 1", "SetDialogBoxMode 0",
                                           "SetDialogBoxMode 1", "SetDialogBoxMode 0"};
    EXPECT_EQ(hl::device_call_texts(), want);
}

TEST_F(DeviceStart, StartAndStopTakeEachRoadInTurn)
{
    const hl::device_mode modes[] = {hl::device_mode::recording, hl::device_mode::off, hl::device_mode::recording,
                                     hl::device_mode::off};
    for (const hl::device_mode mode : modes) {
        const bool device = mode == hl::device_mode::recording;
        SCOPED_TRACE(device ? "recording" : "off");
        hl::set_device_mode(mode);
        ASSERT_EQ(StartGraphics(), 0);
        EXPECT_EQ(graphics.d3d_in_use, device ? 1 : 0);
        EXPECT_EQ(IsMemImgValid(&graphics.screen_image), !device);
        EXPECT_EQ(dev::device_exists(), device);
        ASSERT_EQ(ShutdownGraphics(), 0);
        EXPECT_FALSE(dev::object_exists());
        EXPECT_EQ(dev::live_resources(), 0);
        EXPECT_EQ(hl::device_leaks(), 0);
        EXPECT_EQ(media::core::alloc_state.count, blocks_);
        EXPECT_FALSE(platform::display_open());
    }
}

TEST_F(DeviceStart, LongIdentifierTextsAreCutInTheLog)
{
    hl::set_adapter_identifier(std::string(3000, 'd'), std::string(5000, 'x'));
    ASSERT_EQ(StartGraphics(), 0);
    const std::string log = read();
    const std::size_t at = log.find("Driver:ddd");
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - at, 1022u);
    EXPECT_EQ(log.find("Description:", at), std::string::npos);
    EXPECT_TRUE(logged_in_order({"画面のフォーマットは D3DFMT_X8R8G8B8 です\r\n"}, end));
}

}  // namespace
