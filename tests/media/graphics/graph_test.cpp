// Graph handles and the drawing operations on the software renderer: the
// handle table's sequence, software bodies and their failures, sharing and
// deletion, and the drawing calls on an 800 x 600 x 32 screen read back
// pixel by pixel.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "graph_fixture.hpp"
#include "media/core/log.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/soft_draw.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"

namespace {

using media::gfx::draw_state;
using media::gfx::graphics;

class Graph : public graphics_test::graph_fixture {};

// ---- handles ----

TEST_F(Graph, HandlesCountUpAndAreRefusedOnceDeleted)
{
    const int first = MakeGraphOfSize(4, 4);
    const int second = MakeGraphOfSize(4, 4);
    EXPECT_EQ(first, 0x08000000);
    EXPECT_EQ(second, 0x08010001);
    EXPECT_EQ(IsGraphHandleValid(first), 1);
    EXPECT_EQ(GetGraphRecord(second)->handle, second);
    EXPECT_EQ(GetGraphRecord(first | 0x8000), nullptr);
    EXPECT_EQ(GetGraphRecord(0x10000000), nullptr);  // another kind
    EXPECT_EQ(DeleteGraphHandle(first), 0);
    EXPECT_EQ(DeleteGraphHandle(first), -1);
    EXPECT_EQ(IsGraphHandleValid(first), 0);
    int w = 0;
    EXPECT_EQ(QueryGraphSize(first, &w, nullptr), -1);
    EXPECT_EQ(DrawGraphAt(0, 0, first, 0), -1);
}

TEST_F(Graph, HighWaterIndexFallsPastEmptySlotsAndSlotsComeBackFromZeroAtTheEnd)
{
    std::vector<int> g;
    for (int i = 0; i < 4; ++i) g.push_back(AllocGraphHandle());
    DeleteGraphHandle(g[1]);
    DeleteGraphHandle(g[2]);
    EXPECT_EQ(media::gfx::graphs.high_water(), 4);
    EXPECT_EQ(AllocGraphHandle() & 0xFFFF, 4);  // the holes wait
    DeleteGraphHandle(media::gfx::graphs.handle_at(4));
    DeleteGraphHandle(g[3]);
    EXPECT_EQ(media::gfx::graphs.high_water(), 1);
    DeleteGraphHandle(g[0]);
    EXPECT_EQ(media::gfx::graphs.high_water(), 0);

    // at the end of the table the first empty slot from 0 is taken
    for (int i = 0; i < 32768; ++i) ASSERT_GE(AllocGraphHandle(), 0);
    DeleteGraphHandle(media::gfx::graphs.handle_at(7));
    DeleteGraphHandle(media::gfx::graphs.handle_at(3));
    EXPECT_EQ(AllocGraphHandle() & 0xFFFF, 3);
    EXPECT_EQ(AllocGraphHandle() & 0xFFFF, 7);
}

TEST_F(Graph, TheGraphPastTheLastSlotEndsTheProcess)
{
    EXPECT_EXIT(
        {
            for (int i = 0; i <= 32768; ++i) AllocGraphHandle();
        },
        ::testing::ExitedWithCode(255), "");
    EXPECT_NE(read().find("グラフィックの数が許容量を越えました終了します"), std::string::npos);
}

TEST_F(Graph, LostFlagIsClearedOnRegistrationAndSetByDeletion)
{
    const int g = MakeGraphOfSize(2, 2);
    std::int32_t lost = 7;
    EXPECT_EQ(SetGraphLostFlag(g, &lost), 0);
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(SetGraphLostFlag(-1, &lost), -1);
    DeleteGraphHandle(g);
    EXPECT_EQ(lost, 1);
}

// ---- software bodies ----

TEST_F(Graph, SoftwareBodiesFollowDepthAlphaPaletteAndBlendSettings)
{
    struct row {
        int depth, alpha, paletted, blend;
        int format_index, slot, drawable;
        std::uint32_t transparent;
    };
    media::gfx::settings.transparent_color = 0x102030;
    const row rows[] = {
        {32, 0, 0, 0, 1, 17, 1, 0xFF102030u},
        {32, 1, 0, 0, 1, 18, 1, 0xFF102030u},
        {16, 0, 0, 0, 0, 15, 1, (0x10 >> 3) << 11 | (0x20 >> 2) << 5 | 0x30 >> 3},
        {16, 0, 1, 0, 0, 15, 1, 0xFFFF},
        {32, 0, 0, 1, 2, 17, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.depth * 1000 + r.alpha * 100 + r.paletted * 10 + r.blend);
        SetGraphColorDepth(r.depth);
        media::gfx::settings.graph_blend_image = r.blend;
        const int g = AllocGraphHandle();
        ASSERT_EQ(SetUpGraph(g, 6, 5, r.alpha, r.paletted, 3, -1), 0);
        const GRAPHTEX& body = *GetGraphRecord(g)->body;
        EXPECT_EQ(body.image.base->format_index, r.format_index);
        EXPECT_EQ(body.image.base->paletted, r.paletted);
        EXPECT_EQ(body.image.base->transparent, r.transparent);
        EXPECT_EQ(body.format_slot, r.slot);
        EXPECT_EQ(body.drawable, r.drawable);
        EXPECT_EQ(body.compressed, 0);
        EXPECT_EQ(body.software, 1);
        EXPECT_EQ(body.transparent, 0x102030u);
        EXPECT_EQ(GetGraphRecord(g)->image.width, 6);
        EXPECT_EQ(SelectDrawTarget(g), r.blend ? -1 : 0);
        SelectDrawTarget(-2);
        DeleteGraphHandle(g);
    }
    media::gfx::settings.graph_blend_image = 0;
}

TEST_F(Graph, AFailedSetUpLogsDeletesTheGraphAndFreesEverything)
{
    struct row {
        int passing;  // heap requests that succeed before the failing one
        int blend;
        const char* line;
    };
    const row rows[] = {
        {0, 0, "グラフィックのオリジナル画像データ保存用メモリの確保に失敗しました"},
        {1, 0, "メモリイメージの作成に失敗しました"},
        {2, 0, "メモリイメージの作成に失敗しました"},
        {1, 1, "ブレンド画像用メモリイメージの作成に失敗しました"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.line);
        media::gfx::settings.graph_blend_image = r.blend;
        const int before = media::core::alloc_state.count;
        const int g = AllocGraphHandle();
        media::core::fail_heap_requests_after(r.passing, 1);
        EXPECT_EQ(SetUpGraph(g, 8, 8, 0, 0, 0, -1), -1);
        EXPECT_EQ(IsGraphHandleValid(g), 0);
        EXPECT_EQ(media::core::alloc_state.count, before);
        EXPECT_NE(read().find(r.line), std::string::npos);
    }
    media::gfx::settings.graph_blend_image = 0;
}

TEST_F(Graph, GraphsForImagesTakeAlphaAndPaletteFromTheImage)
{
    IMGBUF rgb{}, gray{}, small{};
    ASSERT_EQ(CreateXRGB8ImageBuffer(5, 4, &rgb), 0);
    ASSERT_EQ(CreateXRGB8ImageBuffer(5, 4, &gray), 0);
    ASSERT_EQ(CreateXRGB8ImageBuffer(4, 4, &small), 0);
    IMGBUF indexed{};
    PIXFMT palette{};
    InitPaletteFormat(&palette);
    ASSERT_EQ(CreateImageBuffer(5, 4, &palette, &indexed), 0);

    const int plain = MakeGraphForImage(&rgb, nullptr);
    ASSERT_GE(plain, 0);
    EXPECT_EQ(GetGraphRecord(plain)->body->has_alpha, 0);
    EXPECT_EQ(GetGraphRecord(plain)->width, 5);
    const int with_alpha = MakeGraphForImage(&rgb, &gray);
    EXPECT_EQ(GetGraphRecord(with_alpha)->body->has_alpha, 1);
    const int paletted = MakeGraphForImage(&indexed, nullptr);
    EXPECT_EQ(GetGraphRecord(paletted)->body->paletted, 1);
    EXPECT_EQ(MakeGraphForImage(&rgb, &small), -1);
    EXPECT_EQ(media::gfx::graphs.count(), 3);

    ReleaseImageBuffer(&rgb);
    ReleaseImageBuffer(&gray);
    ReleaseImageBuffer(&small);
    ReleaseImageBuffer(&indexed);
}

TEST_F(Graph, DerivedGraphsShareTheBodyAndKeepItAlive)
{
    const int g = pattern_graph(64, 10);
    const int d = DeriveGraph(30, 0, 50, 10, g);
    ASSERT_GT(d, 0);
    int w = 0, h = 0;
    EXPECT_EQ(QueryGraphSize(d, &w, &h), 0);
    EXPECT_EQ(w, 34);
    EXPECT_EQ(h, 10);
    EXPECT_EQ(GetGraphRecord(d)->body, GetGraphRecord(g)->body);
    EXPECT_EQ(GetGraphRecord(g)->body->ref_count, 2);
    // building the view again gives the old view's share back
    EXPECT_EQ(BuildGraphDrawTiles(d), 0);
    EXPECT_EQ(GetGraphRecord(g)->image.base->ref_count, 3);  // the body image, g's view and d's
    for (int bad : {-1, 64, 65}) EXPECT_EQ(DeriveGraph(bad, 0, 4, 4, g), -1) << bad;
    for (int bad : {-1, 10}) EXPECT_EQ(DeriveGraph(0, bad, 4, 4, g), -1) << bad;
    EXPECT_EQ(DeriveGraph(0, 0, 4, 4, -1), -1);

    DeleteGraphHandle(g);
    // the derived graph still draws its part of the body: column 30 first
    fill_screen(0);
    ASSERT_EQ(DrawGraphAt(0, 0, d, 0), 0);
    EXPECT_EQ(screen(0, 0), 0x00401Eu);
    EXPECT_EQ(screen(33, 1), 0x40u << 8 | ((63 + 16) & 0xFF));
    EXPECT_EQ(screen(34, 0), 0u);
}

// ---- texture sizes and device formats ----

TEST_F(Graph, SplitTextureLengthCutsEdgesIntoPowersOfTwo)
{
    struct row {
        int length;
        std::vector<int> pieces;
    };
    const row rows[] = {
        {800, {512, 256, 32}}, {600, {1024}}, {300, {512}}, {8, {8}}, {5, {8}}, {0, {8}}, {9, {16}},
    };
    for (const row& r : rows) {
        int sizes[64] = {};
        const int n = SplitTextureLength(r.length, sizes, 0, 2048);
        EXPECT_EQ(std::vector<int>(sizes, sizes + n), r.pieces) << r.length;
        EXPECT_EQ(SplitTextureLength(r.length, nullptr, 0, 2048), n);
    }
    // one texture asked for: 800 fits in one piece of 1024
    int one[4] = {};
    EXPECT_EQ(SplitTextureLength(800, one, 1, 2048), 1);
    EXPECT_EQ(one[0], 1024);
}

TEST_F(Graph, DeviceFormatTableHoldsFourteenRows)
{
    const int codes[] = {20, 21, 22, 23, 24, 25, 26, 27, 29, 30, 31, 32, 33, 35};
    for (int code : codes) EXPECT_NE(GetD3DFormatImageFormat(code), nullptr) << code;
    for (int code : {28, 34, 0, 36, -1}) EXPECT_EQ(GetD3DFormatImageFormat(code), nullptr) << code;
    const PIXFMT* f = GetD3DFormatImageFormat(35);
    EXPECT_EQ(f->color_bits, 32);
    EXPECT_EQ(f->red_mask, 0x3FF00000u);
    EXPECT_EQ(f->alpha_mask, 0xC0000000u);
    EXPECT_EQ(GetD3DFormatImageFormat(23)->green_mask, 0x7E0u);
}

// ---- drawing operations ----

TEST_F(Graph, BoxesAndLinesCoverTheirPixels)
{
    fill_screen(0);
    const std::uint32_t red = PackScreenColor(255, 0, 0);
    ASSERT_EQ(DrawOutlineBox(10, 10, 20, 15, red), 0);
    std::vector<std::pair<int, int>> border;
    for (int y = 10; y < 15; ++y)
        for (int x = 10; x < 20; ++x)
            if (y == 10 || y == 14 || x == 10 || x == 19) border.emplace_back(x, y);
    EXPECT_EQ(painted(0xFF0000), border);

    fill_screen(0);
    ASSERT_EQ(DrawRectangle(20, 15, 10, 10, red, 1), 0);
    EXPECT_EQ(painted(0xFF0000).size(), 50u);
    fill_screen(0);
    ASSERT_EQ(DrawRectangle(10, 10, 20, 15, red, 0), 0);
    EXPECT_EQ(painted(0xFF0000), border);

    for (int thickness : {0, 1}) {
        fill_screen(0);
        ASSERT_EQ(DrawLineSegment(10, 5, 20, 5, red, thickness), 0);
        std::vector<std::pair<int, int>> line;
        for (int x = 10; x < 20; ++x) line.emplace_back(x, 5);
        EXPECT_EQ(painted(0xFF0000), line) << thickness;
    }
    // thick lines go to the triangle fill: corners (10, 3), (20, 3), (10, 6),
    // (20, 6); rows 3 to 5, both end columns
    fill_screen(0);
    EXPECT_EQ(DrawLineSegment(10, 5, 20, 5, red, 3), 0);
    EXPECT_EQ(DrawLineSegment(10, 5, 10, 5, red, 3), 0);
    std::vector<std::pair<int, int>> thick;
    for (int y = 3; y < 6; ++y)
        for (int x = 10; x <= 20; ++x) thick.emplace_back(x, y);
    EXPECT_EQ(painted(0xFF0000), thick);
}

TEST_F(Graph, ThickSlantedLinesAndQuadranglesDraw)
{
    fill_screen(0);
    const std::uint32_t red = PackScreenColor(255, 0, 0);
    ASSERT_EQ(DrawLineSegment(10, 10, 30, 20, red, 5), 0);
    std::int32_t c[8];
    ASSERT_TRUE(media::gfx::thick_line_corners(10, 10, 30, 20, 5, c));
    const int left = std::min({c[0], c[2], c[4], c[6]}), right = std::max({c[0], c[2], c[4], c[6]});
    const int top = std::min({c[1], c[3], c[5], c[7]}), bottom = std::max({c[1], c[3], c[5], c[7]});
    const auto p = painted(0xFF0000);
    for (const auto& [x, y] : p) {
        EXPECT_TRUE(x >= left && x <= right && y >= top && y < bottom) << x << "," << y;
    }
    // the segment itself and one pixel either side of it across
    for (int x = 10; x < 30; ++x)
        for (int dy = -1; dy <= 1; ++dy) EXPECT_EQ(screen(x, 10 + (x - 10) / 2 + dy), 0xFF0000u) << x << " " << dy;

    // a graph onto its own square: each pixel its own texel; the column and
    // row at the graph's width and height are outside the graph
    fill_screen(0);
    const int g = pattern_graph(4, 4);
    ASSERT_GE(g, 0);
    ASSERT_EQ(DrawGraphOnQuadrangle(0, 0, 4, 0, 4, 4, 0, 4, g, 0), 0);
    for (int y = 0; y <= 4; ++y)
        for (int x = 0; x <= 4; ++x)
            EXPECT_EQ(screen(x, y), x < 4 && y < 4 ? 0x004000u | static_cast<std::uint32_t>(x + 16 * y) : 0u) << x << "," << y;
}

// Quadrangles against the plain draw: the graph's own square is the graph
// drawn at its corner, the shared diagonal is drawn twice (seen under mode
// 2), corners truncate, transparent pixels stay out.
TEST_F(Graph, QuadranglesOfAGraphDrawAsTheGraphDoes)
{
    const int g = pattern_graph(8, 8);
    ASSERT_GE(g, 0);
    struct row {
        const char* what;
        float c[8];  // top-left, top-right, bottom-right, bottom-left
        int x, y;    // where DrawGraphAt gives the same picture
    };
    const row rows[] = {
        {"its own square", {10, 10, 18, 10, 18, 18, 10, 18}, 10, 10},
        {"corners truncated toward zero", {10.9f, 10.9f, 18.9f, 10.2f, 18.5f, 18.99f, 10.1f, 18.7f}, 10, 10},
        {"corners just below zero draw at zero", {-0.5f, -0.5f, 8.9f, -0.5f, 8.9f, 8.9f, -0.5f, 8.9f}, 0, 0},
    };
    for (const row& r : rows) {
        fill_screen(0x808080);
        ASSERT_EQ(DrawGraphAt(r.x, r.y, g, 0), 0);
        std::vector<std::uint32_t> want;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) want.push_back(screen(x, y));
        fill_screen(0x808080);
        ASSERT_EQ(DrawGraphOnQuadrangle(r.c[0], r.c[1], r.c[2], r.c[3], r.c[4], r.c[5], r.c[6], r.c[7], g, 0), 0);
        std::vector<std::uint32_t> got;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) got.push_back(screen(x, y));
        EXPECT_EQ(got, want) << r.what;
    }

    // under mode 2 at 255 a graph of blue 1 shows each pixel's count of draws
    const int ones = MakeGraphOfSize(8, 8);
    FillMemImgRect(&GetGraphRecord(ones)->image, nullptr, 0xFF000001u);
    fill_screen(0);
    ASSERT_EQ(SetBlendModeParam(2, 255), 0);
    ASSERT_EQ(DrawGraphOnQuadrangle(10, 10, 18, 10, 18, 18, 10, 18, ones, 0), 0);
    ASSERT_EQ(SetBlendModeParam(0, 255), 0);
    for (int y = 9; y < 20; ++y)
        for (int x = 9; x < 20; ++x) {
            const bool inside = x >= 10 && x < 18 && y >= 10 && y < 18;
            const bool diagonal = inside && x + y == 28 && x > 10;  // (17, 11) .. (11, 17)
            EXPECT_EQ(screen(x, y), inside ? (diagonal ? 2u : 1u) : 0u) << x << "," << y;
        }

    // the transparency flag leaves the settings' transparent colour out
    const int keyed = MakeGraphOfSize(2, 2);
    FillMemImgRect(&GetGraphRecord(keyed)->image, nullptr, PackScreenColor(0, 0, 0));
    const RECT right{1, 0, 2, 2};
    FillMemImgRect(&GetGraphRecord(keyed)->image, &right, PackScreenColor(0, 0, 255));
    fill_screen(0x808080);
    ASSERT_EQ(DrawGraphOnQuadrangle(0, 0, 2, 0, 2, 2, 0, 2, keyed, 1), 0);
    EXPECT_EQ(screen(0, 0), 0x808080u);
    EXPECT_EQ(screen(0, 1), 0x808080u);
    EXPECT_EQ(screen(1, 1), 0x0000FFu);
}

// A 64 x 64 graph of all-different colours turned 30 degrees about its
// centre: every changed pixel holds the texel the affine mapping of its
// centre gives (to within the fixed point's rounding at texel edges) and
// lies inside the corners' bounding box.
TEST_F(Graph, ATurnedGraphTakesItsTexelsFromTheAffineMapping)
{
    const int g = MakeGraphOfSize(64, 64);
    MEMIMG& image = GetGraphRecord(g)->image;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const RECT r{x, y, x + 1, y + 1};
            FillMemImgRect(&image, &r, 0xFF000000u | static_cast<std::uint32_t>(x << 16 | y << 8 | 0x80));
        }
    const double angle = 30.0 * 3.14159265358979323846 / 180.0, cs = std::cos(angle), sn = std::sin(angle);
    const double cx = 200, cy = 150;
    float c[8];
    const double local[4][2] = {{-32, -32}, {32, -32}, {32, 32}, {-32, 32}};  // TL, TR, BR, BL
    for (int i = 0; i < 4; ++i) {
        c[2 * i] = static_cast<float>(std::floor(cx + cs * local[i][0] - sn * local[i][1]));
        c[2 * i + 1] = static_cast<float>(std::floor(cy + sn * local[i][0] + cs * local[i][1]));
    }
    fill_screen(0);
    ASSERT_EQ(DrawGraphOnQuadrangle(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], g, 0), 0);
    const float lo_x = std::min({c[0], c[2], c[4], c[6]}), hi_x = std::max({c[0], c[2], c[4], c[6]});
    const float lo_y = std::min({c[1], c[3], c[5], c[7]}), hi_y = std::max({c[1], c[3], c[5], c[7]});
    // the mapping from the corners TL, TR, BL: pixel centre to texel position
    const double ax = c[0] + 0.5, ay = c[1] + 0.5;
    const double ex = c[2] - c[0], ey = c[3] - c[1], fx = c[6] - c[0], fy = c[7] - c[1];
    const double det = ex * fy - ey * fx;
    int changed = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
            const std::uint32_t v = screen(x, y);
            if (v == 0)
                continue;
            ++changed;
            EXPECT_TRUE(x >= lo_x && x <= hi_x && y >= lo_y && y <= hi_y) << x << "," << y;
            const double px = x + 0.5 - ax, py = y + 0.5 - ay;
            const double u = 64 * (px * fy - py * fx) / det, w = 64 * (ex * py - ey * px) / det;
            const int tu = static_cast<int>(v >> 16), tv = static_cast<int>(v >> 8 & 0xFF);
            EXPECT_LE(std::abs(tu - u), 1.5) << x << "," << y;
            EXPECT_LE(std::abs(tv - w), 1.5) << x << "," << y;
        }
    EXPECT_GT(changed, 64 * 64 * 9 / 10);
}

TEST_F(Graph, ThickLinesAndQuadrangleOutlinesCoverTheirPixels)
{
    struct row {
        const char* what;
        int x1, y1, x2, y2;
        RECT cover;  // columns and rows, right and bottom exclusive
        std::vector<std::pair<int, int>> twice;
    };
    const row rows[] = {
        {"across", 10, 10, 20, 10, {10, 8, 21, 12}, {{20, 8}, {18, 9}, {15, 10}, {13, 11}}},
        // the diagonal from (8, 10) to (12, 20) is drawn by both triangles
        {"down", 10, 10, 10, 20, {8, 10, 13, 20},
         {{8, 10}, {8, 11}, {9, 12}, {9, 13}, {10, 14}, {10, 15}, {10, 16}, {11, 17}, {11, 18}, {12, 19}}},
    };
    ASSERT_EQ(SetBlendModeParam(2, 255), 0);
    for (const row& r : rows) {
        fill_screen(0);
        ASSERT_EQ(DrawLineSegment(r.x1, r.y1, r.x2, r.y2, 1, 4), 0);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool in = x >= r.cover.left && x < r.cover.right && y >= r.cover.top && y < r.cover.bottom;
                const bool doubled =
                    std::find(r.twice.begin(), r.twice.end(), std::make_pair(x, y)) != r.twice.end();
                EXPECT_EQ(screen(x, y), doubled ? 2u : in ? 1u : 0u) << r.what << " at " << x << "," << y;
            }
    }
    ASSERT_EQ(SetBlendModeParam(0, 255), 0);

    // the outline (fill 0): the lines P0 -> P1 -> P3 -> P2 -> P0 under the
    // current blend parameter, as four one-pixel lines draw them
    const std::int32_t quad[8] = {5, 5, 25, 7, 4, 20, 22, 24};
    ASSERT_EQ(SetBlendModeParam(1, 128), 0);
    fill_screen(0);
    ASSERT_EQ(SoftDrawQuadrangle(quad, 0xFFFFFF, 0), 0);
    std::vector<std::uint32_t> outline;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) outline.push_back(screen(x, y));
    fill_screen(0);
    const int order[5] = {0, 1, 3, 2, 0};
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(DrawLineSegment(quad[2 * order[i]], quad[2 * order[i] + 1], quad[2 * order[i + 1]],
                                  quad[2 * order[i + 1] + 1], 0xFFFFFF, 1),
                  0);
    std::vector<std::uint32_t> lines;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) lines.push_back(screen(x, y));
    ASSERT_EQ(SetBlendModeParam(0, 255), 0);
    EXPECT_EQ(outline, lines);
    // the parameter applies: the outline is drawn, and nowhere in white
    EXPECT_GT(outline.size() - static_cast<std::size_t>(std::count(outline.begin(), outline.end(), 0u)), 40u);
    EXPECT_EQ(std::count(outline.begin(), outline.end(), 0xFFFFFFu), 0);
}

// Corners no triangle can take: the triangle holding one draws nothing, the
// other draws as usual, and nothing outside the draw area changes.
TEST_F(Graph, QuadranglesWithBadCornersStayInsideTheArea)
{
    const int g = pattern_graph(8, 8);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct row {
        const char* what;
        float bad;
        bool refused;  // the top-left triangle draws nothing
    };
    const row rows[] = {
        {"NaN", nan, true},
        {"infinity", inf, true},
        {"minus infinity", -inf, true},
        {"2^31 - 1", 2147483647.0f, true},
        {"-(2^31 - 1)", -2147483647.0f, true},
        {"a million", 1e6f, false},
        {"minus a million", -1e6f, false},
    };
    fill_screen(0);
    ASSERT_EQ(DrawGraphOnQuadrangle(10, 10, 18, 10, 18, 18, 10, 18, g, 0), 0);
    std::vector<std::uint32_t> sound;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) sound.push_back(screen(x, y));
    for (const row& r : rows) {
        for (int coordinate = 0; coordinate < 2; ++coordinate) {
            float c[8] = {10, 10, 18, 10, 18, 18, 10, 18};
            c[coordinate] = r.bad;  // the top-left corner's x or y
            fill_screen(0);
            SetDrawClipArea(5, 5, 30, 30);
            ASSERT_EQ(DrawGraphOnQuadrangle(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], g, 0), 0);
            SetDrawClipArea(0, 0, 800, 600);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x) {
                    const std::uint32_t v = screen(x, y);
                    if (x < 5 || x >= 30 || y < 5 || y >= 30) {
                        EXPECT_EQ(v, 0u) << r.what << " outside the area at " << x << "," << y;
                        continue;
                    }
                    // the lower-right triangle (TR, BL, BR) draws as in the sound quadrangle
                    const bool lower = x >= 10 && x < 18 && y >= 10 && y < 18 && x + y >= 28;
                    if (lower) {
                        EXPECT_EQ(v, sound[y * 40 + x]) << r.what << " at " << x << "," << y;
                    } else if (r.refused) {
                        EXPECT_EQ(v, 0u) << r.what << " at " << x << "," << y;
                    }
                }
        }
    }
}

TEST_F(Graph, ThickLineCornersLieHalfTheThicknessEitherSide)
{
    std::int32_t c[8];
    ASSERT_TRUE(media::gfx::thick_line_corners(10, 5, 20, 5, 4, c));
    EXPECT_EQ(std::vector<std::int32_t>(c, c + 8), (std::vector<std::int32_t>{10, 3, 20, 3, 10, 7, 20, 7}));
    ASSERT_TRUE(media::gfx::thick_line_corners(0, 0, 0, 10, 6, c));
    EXPECT_EQ(std::vector<std::int32_t>(c, c + 8), (std::vector<std::int32_t>{3, 0, 3, 10, -3, 0, -3, 10}));
    // a point has no normal: no corners (the plain division gives NaN)
    EXPECT_FALSE(media::gfx::thick_line_corners(4, 4, 4, 4, 3, c));

    const std::int32_t quad[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    MEMIMG_VERTEX t[2][3];
    media::gfx::quad_triangles(quad, 16, 8, t);
    EXPECT_EQ(t[0][1].x, 3);
    EXPECT_EQ(t[0][1].u, 16);
    EXPECT_EQ(t[0][2].v, 8);
    EXPECT_EQ(t[1][0].x, 3);
    EXPECT_EQ(t[1][2].x, 7);
    EXPECT_EQ(t[1][2].u, 16);
    EXPECT_EQ(t[1][2].v, 8);
}

TEST_F(Graph, GraphsDrawUnscaledStretchedMirroredAndInPart)
{
    const int g = pattern_graph(4, 3);
    auto source = [](int x, int y) { return 0x4000u | static_cast<std::uint32_t>(x + 16 * y); };
    fill_screen(0);
    ASSERT_EQ(DrawGraphAt(5, 6, g, 0), 0);
    EXPECT_EQ(screen(5, 6), source(0, 0));
    EXPECT_EQ(screen(8, 8), source(3, 2));
    EXPECT_EQ(screen(9, 8), 0u);

    fill_screen(0);
    ASSERT_EQ(DrawGraphStretched(0, 0, 8, 6, g, 0), 0);
    EXPECT_EQ(screen(7, 5), source(3, 2));
    EXPECT_EQ(screen(1, 1), source(0, 0));
    fill_screen(0);
    ASSERT_EQ(DrawGraphStretchedF(0.9f, 0.9f, 8.7f, 6.2f, g, 0), 0);
    EXPECT_EQ(screen(7, 5), source(3, 2));
    EXPECT_EQ(screen(8, 5), 0u);

    fill_screen(0);
    ASSERT_EQ(DrawGraphMirrored(10, 0, g, 0), 0);
    EXPECT_EQ(screen(10, 0), source(3, 0));
    EXPECT_EQ(screen(13, 2), source(0, 2));

    // the part (1, 1, 2, 2) at (20, 20): nothing else, and the area comes back
    SetDrawClipArea(0, 0, 800, 600);
    fill_screen(0);
    ASSERT_EQ(DrawGraphPart(20, 20, 1, 1, 2, 2, g, 0, 0), 0);
    EXPECT_EQ(painted(source(1, 1), 0, 0, 40, 40).size(), 1u);
    EXPECT_EQ(screen(20, 20), source(1, 1));
    EXPECT_EQ(screen(21, 21), source(2, 2));
    int count = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) count += screen(x, y) != 0;
    EXPECT_EQ(count, 4);
    EXPECT_EQ(draw_state.area.right, 800);
    fill_screen(0);
    ASSERT_EQ(DrawGraphPart(20, 20, 1, 1, 2, 2, g, 0, 1), 0);
    EXPECT_EQ(screen(20, 20), source(2, 1));
    EXPECT_EQ(screen(21, 21), source(1, 2));
    EXPECT_EQ(screen(19, 20), 0u);
    EXPECT_EQ(screen(22, 20), 0u);
    EXPECT_EQ(DrawGraphPart(20, 20, 1, 1, 2, 2, -1, 0, 1), -1);
    EXPECT_EQ(draw_state.area.right, 800);

    // a quadrangle goes to the triangle fill; caller vertices draw nothing
    // on the software renderer
    fill_screen(0);
    EXPECT_EQ(DrawGraphOnQuadrangle(0, 0, 4, 0, 4, 3, 0, 3, g, 0), 0);
    EXPECT_EQ(screen(0, 0), source(0, 0));
    EXPECT_EQ(screen(3, 2), source(3, 2));
    fill_screen(0);
    const PRIMVERTEX v[3] = {};
    EXPECT_EQ(DrawPrimitiveVertices(v, 3, 4, -5, 0, 0), 0);
    EXPECT_EQ(DrawPrimitiveVertices(v, 3, 4, g, 0, 0), 0);
    EXPECT_EQ(DrawPrimitiveVertices(v, 3, 4, 12345, 0, 0), -1);
    EXPECT_TRUE(painted(source(0, 0), 0, 0, 10, 10).empty());
}

TEST_F(Graph, TransparentPixelsOfTheSettingsColourAreLeftOut)
{
    const int g = MakeGraphOfSize(2, 1);
    MEMIMG& image = GetGraphRecord(g)->image;
    FillMemImgRect(&image, nullptr, PackScreenColor(0, 0, 0));
    const RECT right{1, 0, 2, 1};
    FillMemImgRect(&image, &right, PackScreenColor(0, 0, 255));
    fill_screen(0x808080);
    ASSERT_EQ(DrawGraphAt(0, 0, g, 1), 0);
    EXPECT_EQ(screen(0, 0), 0x808080u);
    EXPECT_EQ(screen(1, 0), 0x0000FFu);
    ASSERT_EQ(DrawGraphAt(0, 0, g, 0), 0);
    EXPECT_EQ(screen(0, 0), 0u);
}

// The entry sequence, in its order, for the operations with a graph.
TEST_F(Graph, EntrySequenceDecidesInOrder)
{
    const int g = pattern_graph(8, 8);
    const int small_blend = [] {
        media::gfx::settings.graph_blend_image = 1;
        const int b = MakeGraphOfSize(4, 4);
        media::gfx::settings.graph_blend_image = 0;
        return b;
    }();
    enum state { plain, not_running, locked, empty_area, blend_too_small };
    struct row {
        state s;
        int graph;
        int at, stretched, box;
    };
    const row rows[] = {
        {plain, 0, 0, 0, 0},
        {plain, 0x7FFFFFFF, -1, -1, 0},
        {not_running, 0, -1, 0, 0},
        {locked, 0x7FFFFFFF, 0, 0, 0},
        {empty_area, 0x7FFFFFFF, 0, 0, 0},
        {blend_too_small, 0, -1, -1, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(static_cast<int>(r.s));
        const int graph = r.graph == 0 ? g : r.graph;
        switch (r.s) {
        case not_running: media::core::window_state.started = 0; break;
        case locked: draw_state.locked = 1; break;
        case empty_area: SetDrawClipArea(10, 10, 10, 50); break;
        case blend_too_small: ASSERT_EQ(SetBlendGraph(small_blend, 0, 0), 0); break;
        default: break;
        }
        EXPECT_EQ(DrawGraphAt(0, 0, graph, 0), r.at);
        EXPECT_EQ(DrawGraphStretched(0, 0, 3, 3, graph, 0), r.stretched);
        EXPECT_EQ(DrawGraphStretchedF(0, 0, 3, 3, graph, 0), r.stretched);
        EXPECT_EQ(DrawGraphOnQuadrangle(0, 0, 3, 0, 3, 3, 0, 3, graph, 0), r.stretched);
        EXPECT_EQ(DrawFilledBox(0, 0, 3, 3, 0), r.box);
        EXPECT_EQ(DrawLineSegment(0, 0, 3, 3, 0, 1), r.box);
        media::core::window_state.started = 1;
        draw_state.locked = 0;
        SetDrawClipArea(0, 0, 800, 600);
        SetBlendGraph(-1, 0, 0);
    }
    // a blend graph that covers the graph is accepted
    const int big_blend = [] {
        media::gfx::settings.graph_blend_image = 1;
        const int b = MakeGraphOfSize(8, 8);
        media::gfx::settings.graph_blend_image = 0;
        return b;
    }();
    ASSERT_EQ(SetBlendGraph(big_blend, 10, 20), 0);
    EXPECT_EQ(draw_state.blend_image, &GetGraphRecord(big_blend)->body->image);
    EXPECT_EQ(CheckBlendGraphCovers(GetGraphRecord(g)), 0);
    EXPECT_EQ(CheckBlendGraphCovers(GetGraphRecord(g)), 0);
    EXPECT_EQ(DrawGraphAt(0, 0, g, 0), 0);
    EXPECT_EQ(SetBlendGraph(0x7FFFFFFF, 0, 0), -1);
    // deleting the blend graph lets go of it
    DeleteGraphHandle(big_blend);
    EXPECT_EQ(draw_state.blend_graph, -1);
    EXPECT_EQ(draw_state.blend_image, nullptr);
    SetBlendGraph(-1, 0, 0);
    EXPECT_EQ(CheckBlendGraphCovers(GetGraphRecord(g)), -1);
}

TEST_F(Graph, TheInactiveWaitPumpsUntilTheWindowIsBack)
{
    media::core::window_state.settings.run_when_inactive = 0;
    media::core::window_state.active = 0;
    platform::os_event back = event(platform::event_kind::focus_gained);
    push(back);
    EXPECT_EQ(DrawFilledBox(0, 0, 2, 2, 0), 0);
    EXPECT_EQ(media::core::window_state.active, 1);
}

TEST_F(Graph, GraphTargetsTakeTheDrawingAndTheirOwnArea)
{
    SetDrawClipArea(10, 20, 30, 40);
    const int same = MakeGraphOfSize(800, 600);
    const int other = MakeGraphOfSize(40, 30);
    ASSERT_EQ(SelectDrawTarget(same), 0);
    EXPECT_EQ(draw_state.area.right, 30);  // the screen's size: the area stays
    ASSERT_EQ(SelectDrawTarget(other), 0);
    EXPECT_EQ(draw_state.area.left, 0);
    EXPECT_EQ(draw_state.area.right, 40);
    EXPECT_EQ(draw_state.area.bottom, 30);
    EXPECT_EQ(draw_state.target_image, &GetGraphRecord(other)->image);

    fill_screen(0);
    const MEMIMG& image = GetGraphRecord(other)->image;
    FillMemImgRect(&GetGraphRecord(other)->image, nullptr, 0xFF000000u);
    ASSERT_EQ(DrawFilledBox(2, 2, 100, 100, PackScreenColor(0, 255, 0)), 0);
    EXPECT_EQ(pixel(image, 39, 29), 0x00FF00u);
    EXPECT_EQ(pixel(image, 1, 1), 0u);
    EXPECT_EQ(screen(2, 2), 0u);
    graphics.background[0] = 255;
    ASSERT_EQ(ClearDrawTarget(), 0);
    graphics.background[0] = 0;
    EXPECT_EQ(pixel(image, 1, 1), 0xFF0000u);
    EXPECT_EQ(screen(2, 2), 0u);
    int w = 0, h = 0;
    EXPECT_EQ(QueryGraphSize(-4, &w, &h), 0);
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);

    for (int refused : {-1, -6, 0x7FFFFFFF}) EXPECT_EQ(SelectDrawTarget(refused), -1);
    // deleting the target hands the drawing back to the screen
    DeleteGraphHandle(other);
    EXPECT_EQ(draw_state.target, -2);
    EXPECT_EQ(draw_state.target_image, &graphics.screen_image);
    EXPECT_EQ(draw_state.area.right, 800);
}

TEST_F(Graph, LockCopyAndFill)
{
    fill_screen(0x123456);
    const RECT whole_width{0, 0, 800, 1};
    IMGBUF d{};
    ASSERT_EQ(LockDrawScreen(&whole_width, &d), 0);
    EXPECT_EQ(d.width, 800);
    EXPECT_EQ(d.height, 1);
    EXPECT_EQ(d.pitch, graphics.screen_image.base->pitch);
    EXPECT_EQ(d.pixels, graphics.screen_image.pixels);
    EXPECT_EQ(d.format.color_bits, 32);
    EXPECT_EQ(UnlockDrawScreen(), 0);
    const RECT inner{3, 2, 5, 4};
    ASSERT_EQ(LockDrawScreen(&inner, &d), 0);
    EXPECT_EQ(d.pixels, static_cast<unsigned char*>(graphics.screen_image.pixels) +
                            2 * graphics.screen_image.base->pitch + 3 * 4);
    UnlockDrawScreen();
    for (const RECT& bad : {RECT{0, 0, 801, 1}, RECT{-1, 0, 5, 5}, RECT{5, 0, 5, 5}, RECT{0, 0, 5, 601}})
        EXPECT_EQ(LockDrawScreen(&bad, &d), -1);

    const int g = MakeGraphOfSize(4, 3);
    const int small = MakeGraphOfSize(3, 3);
    FillMemImgRect(&GetGraphRecord(small)->image, nullptr, 0xFF000000u);
    EXPECT_EQ(CopyScreenRectToGraph(0, 0, 4, 3, small), -1);
    EXPECT_EQ(pixel(GetGraphRecord(small)->image, 0, 0), 0u);
    EXPECT_EQ(CopyScreenRectToGraph(0, 0, 4, 3, 0x7FFFFFFF), -1);
    const RECT dot{2, 1, 3, 2};
    FillMemImgRect(&graphics.screen_image, &dot, 0xFFABCDEFu);
    ASSERT_EQ(CopyScreenRectToGraph(0, 0, 4, 3, g), 0);
    EXPECT_EQ(pixel(GetGraphRecord(g)->image, 2, 1), 0xABCDEFu);
    EXPECT_EQ(pixel(GetGraphRecord(g)->image, 3, 2), 0x123456u);

    ASSERT_EQ(FillGraphColor(g, 300, -5, 128, 0), 0);
    EXPECT_EQ(pixel(GetGraphRecord(g)->image, 0, 0), 0xFF0080u);
    EXPECT_EQ(FillGraphColor(-1, 0, 0, 0, 0), -1);
    // a 16-bit graph on the 32-bit screen takes a 16-bit value
    SetGraphColorDepth(16);
    const int g16 = MakeGraphOfSize(2, 2);
    SetGraphColorDepth(0);
    ASSERT_EQ(FillGraphColor(g16, 0, 255, 0, 0), 0);
    EXPECT_EQ(pixel(GetGraphRecord(g16)->image, 1, 1), 0x07E0u);
}

}  // namespace
