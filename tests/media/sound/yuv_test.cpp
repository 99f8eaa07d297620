// YUV to RGB: the tables' values, pixels of the table rule and of the
// floating-point rule for 4:2:2 and 4:4:4 frames, and the copies into the
// three YUV surface layouts.
#include "movie_fixture.hpp"

namespace {

using media::snd::THEORA_FRAMESLOT;
using media::snd::yuv_tables;
using movie_test::reference_pixel;

using Yuv = movie_test::movie;

// Planes filled by a test: per-sample functions over the luma and chroma sizes.
struct planes {
    int yw, yh, cw, ch;
    std::vector<std::uint8_t> y, u, v;
    THEORA_FRAMESLOT slot{};

    planes(int luma_w, int luma_h, int chroma_w, int chroma_h)
        : yw(luma_w), yh(luma_h), cw(chroma_w), ch(chroma_h),
          // strides wider than the planes, as the decoder gives them
          y((yw + 8) * yh), u((cw + 4) * ch), v((cw + 4) * ch)
    {
        slot.y = y.data();
        slot.u = u.data();
        slot.v = v.data();
        slot.y_width = yw;
        slot.y_height = yh;
        slot.y_stride = yw + 8;
        slot.c_width = cw;
        slot.c_height = ch;
        slot.c_stride = cw + 4;
    }
    void fill(int Y, int U, int V)
    {
        std::fill(y.begin(), y.end(), static_cast<std::uint8_t>(Y));
        std::fill(u.begin(), u.end(), static_cast<std::uint8_t>(U));
        std::fill(v.begin(), v.end(), static_cast<std::uint8_t>(V));
    }
    void set_chroma(int col, int row, int U, int V)
    {
        u[row * slot.c_stride + col] = static_cast<std::uint8_t>(U);
        v[row * slot.c_stride + col] = static_cast<std::uint8_t>(V);
    }
};

struct rgb {
    int r, g, b;
    bool operator==(const rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// Converts into a fresh image and reads one pixel; alpha must be 255.
rgb converted(const THEORA_FRAMESLOT& slot, int x, int y)
{
    IMGBUF image{};
    EXPECT_EQ(CreateXRGB8ImageBuffer(slot.y_width, slot.y_height, &image), 0);
    media::snd::convert_slot_to_rgb(slot, &image);
    const auto* p = static_cast<const std::uint8_t*>(image.pixels) + y * image.pitch + x * 4;
    const rgb out{p[2], p[1], p[0]};
    EXPECT_EQ(p[3], 255);
    ReleaseImageBuffer(&image);
    return out;
}

TEST_F(Yuv, TablesStartAndStepAsTheirCoefficients)
{
    const struct {
        const char* name;
        const std::int32_t* table;
        std::int32_t first, step;
    } rows[] = {
        {"Y", yuv_tables.y, -305120, 19070},        {"Cr to R", yuv_tables.cr_r, -3346944, 26148},
        {"Cr to G", yuv_tables.cr_g, 1704960, -13320}, {"Cb to B", yuv_tables.cb_b, -4231936, 33062},
        {"Cb to G", yuv_tables.cb_g, 819968, -6406},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.table[0], row.first) << row.name;
        for (int i = 1; i < 256; ++i)
            ASSERT_EQ(row.table[i] - row.table[i - 1], row.step) << row.name << " at " << i;
    }
    const struct {
        int index, value;
    } clamps[] = {{-512, 0}, {-1, 0}, {0, 0}, {128, 128}, {255, 255}, {256, 255}, {767, 255}};
    for (const auto& c : clamps)
        EXPECT_EQ(yuv_tables.clamp[c.index - media::snd::YUV_CLAMP_LOW], c.value) << c.index;
    EXPECT_EQ(sizeof yuv_tables.clamp, 1280u);
}

TEST_F(Yuv, TablePixels)
{
    const struct {
        int y, u, v;
        rgb expected;
    } rows[] = {
        {16, 128, 128, {0, 0, 0}},
        {235, 128, 128, {254, 254, 254}},  // 19070 x 219 / 16384 truncates to 254
        {16, 100, 180, {82, 0, 0}},
        {100, 100, 180, {180, 66, 41}},
        {120, 160, 96, {69, 134, 185}},
        {180, 60, 200, {255, 158, 53}},
        {255, 128, 255, {255, 174, 255}},  // red saturates
        {0, 128, 0, {0, 85, 0}},           // red clamps to 0
    };
    for (const auto& row : rows) {
        planes p(2, 2, 1, 1);
        p.fill(row.y, row.u, row.v);
        EXPECT_EQ(converted(p.slot, 1, 1), row.expected) << row.y << ", " << row.u << ", " << row.v;
        std::uint8_t ref[4];
        reference_pixel(row.y, row.u, row.v, ref);
        EXPECT_EQ((rgb{ref[2], ref[1], ref[0]}), row.expected) << "reference rule";
    }
}

TEST_F(Yuv, EachTwoByTwoBlockTakesItsOwnChroma)
{
    planes p(4, 4, 2, 2);
    p.fill(100, 128, 128);
    p.set_chroma(0, 0, 100, 180);
    p.set_chroma(1, 0, 160, 96);
    p.set_chroma(0, 1, 60, 200);
    p.set_chroma(1, 1, 128, 128);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            std::uint8_t ref[4];
            const int cu = p.u[(y / 2) * p.slot.c_stride + x / 2], cv = p.v[(y / 2) * p.slot.c_stride + x / 2];
            reference_pixel(100, cu, cv, ref);
            EXPECT_EQ(converted(p.slot, x, y), (rgb{ref[2], ref[1], ref[0]})) << x << ", " << y;
        }
    const rgb corners[] = {converted(p.slot, 1, 0), converted(p.slot, 2, 1), converted(p.slot, 0, 3), converted(p.slot, 3, 2)};
    EXPECT_EQ(corners[0], (rgb{180, 66, 41}));
    EXPECT_EQ(corners[3], (rgb{97, 97, 97}));
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_FALSE(corners[a] == corners[b]) << "blocks " << a << " and " << b;
}

// 4:2:2 and 4:4:4 frames take chroma at their own ratios: the left half grey
// chroma, the right half (60, 200).
TEST_F(Yuv, FloatPathAddressesChromaByThePlanesRatios)
{
    const struct {
        const char* layout;
        int cw, ch;
    } rows[] = {{"4:4:4", 16, 16}, {"4:2:2", 8, 16}};
    for (const auto& row : rows) {
        planes p(16, 16, row.cw, row.ch);
        p.fill(180, 128, 128);
        for (int cy = 0; cy < row.ch; ++cy)
            for (int cx = row.cw / 2; cx < row.cw; ++cx)
                p.set_chroma(cx, cy, 60, 200);
        EXPECT_EQ(converted(p.slot, 12, 2), (rgb{255, 158, 53})) << row.layout;
        EXPECT_EQ(converted(p.slot, 3, 13), (rgb{190, 190, 190})) << row.layout;
        EXPECT_EQ(converted(p.slot, 15, 15), (rgb{255, 158, 53})) << row.layout;
    }
}

TEST_F(Yuv, FloatRuleTruncatesThenClamps)
{
    const struct {
        int y, u, v;
        rgb expected;
    } rows[] = {
        {16, 128, 128, {0, 0, 0}},
        {235, 128, 128, {254, 254, 254}},
        {180, 60, 200, {255, 158, 53}},
        {255, 128, 255, {255, 174, 255}},
        {0, 128, 0, {0, 85, 0}},  // y = -18.6: green -18.6 + 104.1 truncates to 85
    };
    for (const auto& row : rows) {
        planes p(2, 2, 2, 2);  // 4:4:4 takes the floating-point rule
        p.fill(row.y, row.u, row.v);
        EXPECT_EQ(converted(p.slot, 0, 1), row.expected) << row.y << ", " << row.u << ", " << row.v;
    }
}

// A 64 x 48 4:2:0 frame into an area of pitch 80.
TEST_F(Yuv, SurfaceLayouts)
{
    planes p(64, 48, 32, 24);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            p.y[y * p.slot.y_stride + x] = static_cast<std::uint8_t>(x + y * 3);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            p.set_chroma(x, y, 100 + x + y, 10 + x * 2 + y);
    const int pitch = 80;
    const auto y_at = [&](int x, int y) { return p.y[y * p.slot.y_stride + x]; };
    const auto u_at = [&](int x, int y) { return p.u[y * p.slot.c_stride + x]; };
    const auto v_at = [&](int x, int y) { return p.v[y * p.slot.c_stride + x]; };

    std::vector<std::uint8_t> area(pitch * 48 * 2, 0xEE);
    ASSERT_EQ(media::snd::copy_slot_to_surface(p.slot, media::snd::FOURCC_YV12, area.data(), pitch), 1);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(area[y * pitch + x], y_at(x, y)) << "Y " << x << ", " << y;
    const int v_base = 48 * pitch, u_base = v_base + 24 * (pitch / 2);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(area[v_base + y * 40 + x], v_at(x, y)) << "V " << x << ", " << y;
            ASSERT_EQ(area[u_base + y * 40 + x], u_at(x, y)) << "U " << x << ", " << y;
        }
    EXPECT_EQ(area[64], 0xEE) << "bytes past a row stay";
    EXPECT_EQ(area[u_base + 24 * 40], 0xEE) << "nothing past the U plane";

    const struct {
        const char* name;
        std::uint32_t format;
        int yl, u, yr, v;  // byte positions in each 4-byte pair
    } packed[] = {{"YUY2", media::snd::FOURCC_YUY2, 0, 1, 2, 3}, {"UYVY", media::snd::FOURCC_UYVY, 1, 0, 3, 2}};
    for (const auto& layout : packed) {
        std::fill(area.begin(), area.end(), 0xEE);
        ASSERT_EQ(media::snd::copy_slot_to_surface(p.slot, layout.format, area.data(), 160), 1);
        for (int y = 0; y < 48; ++y)
            for (int pair = 0; pair < 32; ++pair) {
                const std::uint8_t* out = &area[y * 160 + pair * 4];
                ASSERT_EQ(out[layout.yl], y_at(pair * 2, y)) << layout.name;
                ASSERT_EQ(out[layout.yr], y_at(pair * 2 + 1, y)) << layout.name;
                ASSERT_EQ(out[layout.u], u_at(pair, y / 2)) << layout.name;
                ASSERT_EQ(out[layout.v], v_at(pair, y / 2)) << layout.name;
            }
    }
}

TEST_F(Yuv, SurfaceCopiesOnlyHalfChroma)
{
    const struct {
        int cw, ch;
    } rows[] = {{64, 48}, {32, 48}};
    std::vector<std::uint8_t> area(80 * 48 * 2, 0xEE);
    for (const auto& row : rows) {
        planes p(64, 48, row.cw, row.ch);
        p.fill(1, 2, 3);
        for (std::uint32_t format : {media::snd::FOURCC_YV12, media::snd::FOURCC_YUY2, media::snd::FOURCC_UYVY})
            EXPECT_EQ(media::snd::copy_slot_to_surface(p.slot, format, area.data(), 80), 0);
    }
    EXPECT_TRUE(std::all_of(area.begin(), area.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

}  // namespace
