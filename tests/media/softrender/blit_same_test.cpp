// The same-size blit: its refusals and named cases as rows, every table loop
// against the generic path on seeded random workloads with guard pixels, and
// the generic path against the independent model.
#include "media/softrender/blit_same.hpp"

#include "blit_reference.hpp"

#include <cstdlib>
#include <functional>
#include <string>

namespace {

using namespace softrender_test;
using media::soft::kind_alpha;
using media::soft::kind_direct;
using media::soft::kind_paletted;

class BlitSame : public Draw {};

constexpr int source_kinds[3][2] = {{1, 0}, {0, 0}, {0, 1}};  // paletted, direct, alpha: {paletted, alpha}

TEST_F(BlitSame, RefusalsLeaveTheDestinationUntouched)
{
    struct row {
        const char* name;
        int dst_format, dst_paletted, dst_alpha, src_format, src_paletted, src_alpha, mode, p;
    };
    const row rows[] = {
        {"16-bit source on 32-bit", 1, 0, 0, 0, 0, 0, 0, 255},
        {"32-bit source on 16-bit", 0, 0, 0, 1, 0, 0, 0, 255},
        {"paletted destination", 1, 1, 0, 1, 0, 0, 0, 255},
        {"alpha destination", 1, 0, 1, 1, 0, 0, 0, 255},
        {"format 2 source", 2, 0, 0, 2, 0, 0, 0, 255},
        {"format 3 source", 3, 0, 0, 3, 0, 0, 0, 255},
        {"mode 5", 1, 0, 0, 1, 0, 0, 5, 128},
        {"mode 6", 0, 0, 0, 0, 0, 0, 6, 128},
        {"mode 7", 1, 0, 0, 1, 1, 0, 7, 128},
        {"mode 8", 1, 0, 0, 1, 0, 1, 8, 128},
        {"mode 9", 1, 0, 0, 1, 0, 0, 9, 128},
        {"mode 12", 1, 0, 0, 1, 0, 0, 12, 128},
        {"mode 200", 0, 0, 0, 0, 0, 1, 200, 128},
        {"mode -1", 1, 0, 0, 1, 0, 0, -1, 128},
        {"mode 1 at 0", 1, 0, 0, 1, 0, 0, 1, 0},
        {"mode 2 at 0", 0, 0, 0, 0, 1, 0, 2, 0},
        {"mode 3 at 0", 1, 0, 0, 1, 0, 1, 3, 0},
    };
    std::mt19937 random(41);
    for (const row& r : rows) {
        image dst(9, 7, r.dst_format, r.dst_paletted, r.dst_alpha), src(5, 4, r.src_format, r.src_paletted, r.src_alpha);
        dst.fill_random(random);
        src.fill_random(random);
        blend(r.mode, r.p);
        const auto before = dst.snapshot();
        for (int flag : {0, 1}) BlitMemImg(&dst, &src, 2, 1, flag, nullptr);
        EXPECT_EQ(dst.snapshot(), before) << r.name;
    }
    // null and unstamped images are refused too
    image dst(4, 4, 1);
    MEMIMG blank{};
    BlitMemImg(&dst, &blank, 0, 0, 0, nullptr);
    BlitMemImg(nullptr, &dst, 0, 0, 0, nullptr);
    BlitMemImg(&blank, &dst, 0, 0, 0, nullptr);
}

TEST_F(BlitSame, ClippedSourceDrawsItsLowerRightPart)
{
    std::mt19937 random(7);
    image dst(16, 12, 1), src(10, 10, 1), weights(10, 10, 2);
    src.fill_random(random);
    weights.fill_random(random);
    dst.fill_random(random);
    BuildBlendImageWeightTable(100, 200);
    blend(1, 77);
    const auto before = pixels_of(dst);
    BlitMemImg(&dst, &src, -3, -4, 0, &weights);
    std::vector<std::uint32_t> want(before.size());
    model_same({1, 77, 0xFFFFFF, false, false}, dst, src, -3, -4, std::addressof(weights), {0, 0, 640, 480}, false, &want);
    // the model reads dst as it is now: rebuild from the snapshot
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x) {
            const std::uint32_t old = before[static_cast<std::size_t>(y * 16 + x)];
            if (x >= 7 || y >= 6) {
                EXPECT_EQ(dst.get(x, y), old) << x << "," << y;
                continue;
            }
            blend_case c{};
            c.mode = 1;
            c.bits = 32;
            c.blend_image = true;
            c.plain = true;
            c.p = 77;
            c.bright = 0xFFFFFF;
            c.s = src.get(x + 3, y + 4);
            c.w = media::soft::blend_tables.weight[weights.at(x + 3, y + 4)[0]];
            c.d = old;
            std::uint32_t expect = old;
            reference_blend(c, &expect);
            EXPECT_EQ(dst.get(x, y), expect) << x << "," << y;
        }
    const auto after = dst.snapshot();
    for (auto [x, y] : {std::pair{-10, 0}, {0, -10}, {640, 0}, {0, 480}, {-20000, -20000}}) {
        state().area = {0, 0, 16, 12};
        if (x == 640) x = 16;
        if (y == 480) y = 12;
        BlitMemImg(&dst, &src, x, y, 0, nullptr);
        EXPECT_EQ(dst.snapshot(), after) << x << "," << y;
    }
}

// A 32-bit alpha source of 4 x 2 with run codes; the first row's codes are
// rewritten to say "opaque" for its alpha-100 pixels.
struct run_source {
    image src{4, 2, 1, 0, 1, 0, 1};
    run_source()
    {
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x) src.set(x, y, 0x64000000u | (0x102030u * (x + 1)));
        media::soft::build_run_table(src.m.base);
        src.m.base->runs_valid = 1;
        src.m.base->runs[0] = 0x40 | 3;  // four opaque pixels
        EXPECT_EQ(src.m.base->runs[1], 0xC0);
    }
};

TEST_F(BlitSame, RunTablePathOnlyWithFlagValidTableAndNoClipping)
{
    run_source rs;
    image dst(8, 4, 1);
    auto draw = [&](int flag, int valid, RECT area) {
        std::memset(dst.at(0, 0), 0, static_cast<std::size_t>(dst.m.base->pitch) * 4);
        rs.src.m.base->runs_valid = valid;
        state().area = area;
        BlitMemImg(&dst, &rs.src, 1, 1, flag, nullptr);
        return dst.get(1, 1);
    };
    const std::uint32_t s = rs.src.get(0, 0);
    // run path: the opaque code copies the whole pixel, alpha byte included
    EXPECT_EQ(draw(1, 1, {0, 0, 8, 4}), s);
    // plain path: blended by alpha 100 (the fourth byte of the destination stays 0)
    blend_case c{};
    c.bits = 32;
    c.alpha = c.transparency = c.plain = true;
    c.p = 255;
    c.bright = 0xFFFFFF;
    c.s = s;
    c.a = 100;
    std::uint32_t blended = 0;
    reference_blend(c, &blended);
    ASSERT_NE(blended, s);
    EXPECT_EQ(draw(1, 1, {0, 0, 4, 4}), blended) << "one clipped column";
    EXPECT_EQ(draw(1, 1, {0, 2, 8, 4}), 0u) << "one clipped row leaves row 0 out";
    EXPECT_EQ(draw(1, 0, {0, 0, 8, 4}), blended) << "table not valid";
    EXPECT_EQ(draw(0, 1, {0, 0, 8, 4}), s) << "no flag: mode 0 copies alpha sources whole";
    blend(1, 200);
    EXPECT_NE(draw(0, 1, {0, 0, 8, 4}), draw(1, 1, {0, 0, 8, 4})) << "mode 1: the run path drops the alpha";
}

TEST_F(BlitSame, SpecialVariantsOnlyOnThePlainPath)
{
    // mode 1 at 128: the plain loop halves and adds, the run path mixes
    image src(3, 1, 1, 0, 0, 0xFFFFFFFF, 1), dst(3, 1, 1), weights(3, 1, 2);
    for (int x = 0; x < 3; ++x) src.set(x, 0, 0x00010101);
    media::soft::build_run_table(src.m.base);
    src.m.base->runs_valid = 1;
    blend(1, 128);
    dst.set(0, 0, 0xAA010101);
    BlitMemImg(&dst, &src, 0, 0, 1, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0xAA010101u) << "run path: (1 x 256 + 0) >> 8 per channel, fourth byte kept";
    src.m.base->runs_valid = 0;
    dst.set(0, 0, 0xAA010101);
    BlitMemImg(&dst, &src, 0, 0, 1, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0u) << "plain path halves: 0 + 0";
    // with a blend image of weight 255 the general rule applies again
    BuildBlendImageWeightTable(0, 0);
    std::memset(weights.at(0, 0), 255, 3);
    dst.set(0, 0, 0xAA010101);
    BlitMemImg(&dst, &src, 0, 0, 1, &weights);
    EXPECT_EQ(dst.get(0, 0), 0xAA010101u);

    // mode 3 at 255, 32-bit: MMX subtracts every byte, the word rule masks the fourth
    blend(3, 255);
    for (int mmx : {1, 0}) {
        media::soft::set_mmx_enabled(mmx);
        src.set(0, 0, 0x90103020);
        dst.set(0, 0, 0x80402010);
        BlitMemImg(&dst, &src, 0, 0, 0, nullptr);
        EXPECT_EQ(dst.get(0, 0), mmx ? 0x00300000u : media::soft::subtract_word32(0x80402010, 0x90103020, 0xFEFEFF));
    }
}

TEST_F(BlitSame, TransparencyRows)
{
    // a 32-bit pixel differing from the transparent colour only in its fourth byte is drawn
    image src(2, 1, 1, 0, 0, 0x00112233), dst(2, 1, 1);
    src.set(0, 0, 0x01112233);
    src.set(1, 0, 0x00112233);
    BlitMemImg(&dst, &src, 0, 0, 1, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x01112233u);
    EXPECT_EQ(dst.get(1, 0), 0u);

    // paletted, transparent index 0: skipped with the flag, entry 0 drawn without
    for (int format : {0, 1}) {
        image pal(3, 1, format, 1, 0, 0), out(3, 1, format);
        auto* entries = static_cast<unsigned char*>(pal.m.base->palette);
        for (int i = 0; i < 1024; ++i) entries[i] = static_cast<unsigned char>(i * 7 + 3);
        const unsigned char idx[3] = {0, 5, 0};
        std::memcpy(pal.at(0, 0), idx, 3);
        auto entry = [&](int i) {
            std::uint32_t v = 0;
            std::memcpy(&v, entries + i * out.bytes(), static_cast<std::size_t>(out.bytes()));
            return v;
        };
        BlitMemImg(&out, &pal, 0, 0, 1, nullptr);
        EXPECT_EQ(pixels_of(out), (std::vector<std::uint32_t>{0, entry(5), 0})) << format;
        BlitMemImg(&out, &pal, 0, 0, 0, nullptr);
        EXPECT_EQ(pixels_of(out), (std::vector<std::uint32_t>{entry(0), entry(5), entry(0)})) << format;
        // an index past the colour count still reads the source's own entry
        pal.m.base->palette_count = 2;
        pal.at(0, 0)[0] = 200;
        BlitMemImg(&out, &pal, 0, 0, 0, nullptr);
        EXPECT_EQ(out.get(0, 0), entry(200)) << format;
    }
}

TEST_F(BlitSame, ModeZeroCopies)
{
    std::mt19937 random(3);
    // 16-bit rows copied whole, an odd last pixel included
    image src(7, 3, 0), dst(9, 5, 0);
    src.fill_random(random);
    dst.fill_random(random);
    const auto before = pixels_of(dst);
    BlitMemImg(&dst, &src, 1, 1, 0, nullptr);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) {
            const bool inside = x >= 1 && x < 8 && y >= 1 && y < 4;
            EXPECT_EQ(dst.get(x, y), inside ? src.get(x - 1, y - 1) : before[static_cast<std::size_t>(y * 9 + x)]);
        }
    // alpha sources: without the flag copied whole; with it 0 skipped, 255 copied, others blended
    for (int format : {0, 1}) {
        image a(3, 1, format, 0, 1), d(3, 1, format);
        const std::uint32_t colour = format == 1 ? 0x00C08040 : 0xA5F3;
        for (int x = 0; x < 3; ++x) {
            const int alpha = x == 0 ? 0 : x == 1 ? 255 : 128;
            a.set(x, 0, format == 1 ? colour | static_cast<std::uint32_t>(alpha) << 24 : colour | alpha << 16);
        }
        const std::uint32_t old = format == 1 ? 0x11223344 : 0x1234;
        for (int x = 0; x < 3; ++x) d.set(x, 0, old);
        BlitMemImg(&d, &a, 0, 0, 0, nullptr);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(d.get(x, 0), format == 1 ? a.get(x, 0) : colour) << format;
        for (int x = 0; x < 3; ++x) d.set(x, 0, old);
        BlitMemImg(&d, &a, 0, 0, 1, nullptr);
        EXPECT_EQ(d.get(0, 0), old);
        EXPECT_EQ(d.get(1, 0), format == 1 ? a.get(1, 0) : colour);
        blend_case c{};
        c.bits = format == 1 ? 32 : 16;
        c.alpha = c.transparency = c.plain = true;
        c.p = 255;
        c.bright = 0xFFFFFF;
        c.s = format == 1 ? a.get(2, 0) : colour;
        c.a = 128;
        c.d = old;
        std::uint32_t want = old;
        reference_blend(c, &want);
        EXPECT_EQ(d.get(2, 0), want) << format;
    }
}

// Rows wide enough for the loops that take several pixels at a time, with
// tails of every length: each mode and flag without modifiers, the loop
// against the generic path (alpha sources with runs of alpha 0 and 255
// between random alphas, sources that hold their transparent colour).
TEST_F(BlitSame, WideRowsMatchTheGenericPath)
{
    std::mt19937 random(5301);
    for (int bits : {16, 32})
        for (int kind = 0; kind < 3; ++kind)
            for (int mode : {0, 1, 2, 3, 4, 10, 11})
                for (int width = 33; width <= 40; ++width)
                    for (int flag : {0, 1}) {
                        const int format = bits == 32 ? 1 : 0;
                        image src(width, 3, format, source_kinds[kind][0], source_kinds[kind][1]);
                        image dst(width + 2, 5, format);
                        src.fill_random(random);
                        if (kind == kind_alpha)
                            for (int y = 0; y < 3; ++y)
                                for (int x = 0; x < width; ++x)
                                    if (random() % 3 != 0) src.at(x, y)[bits == 32 ? 3 : 2] = (x / 5) % 2 ? 0 : 255;
                        int a;
                        bool keyed;
                        std::uint32_t key = source_colour(src, 0, 0, &a, &keyed);
                        if (kind == kind_paletted) key = src.at(0, 0)[0];
                        src.m.base->transparent = key;
                        if (kind != kind_paletted)
                            for (int x = 0; x < width; x += 3) std::memcpy(src.at(x, 1), &key, bits / 8);
                        for (int p : {1, 64, 128, 191, 254, 255}) {
                            if (mode >= 1 && mode <= 3 && p == 0) continue;
                            for (int mmx : {0, 1}) {
                                dst.fill_random(random);
                                const auto before = dst.snapshot();
                                blend(mode, p);
                                media::soft::set_mmx_enabled(mmx);
                                media::soft::force_generic_loops(1);
                                BlitMemImg(&dst, &src, 1, 1, flag, nullptr);
                                const auto generic = dst.snapshot();
                                dst.restore(before);
                                media::soft::force_generic_loops(0);
                                BlitMemImg(&dst, &src, 1, 1, flag, nullptr);
                                ASSERT_EQ(dst.snapshot(), generic)
                                    << "bits " << bits << " kind " << kind << " mode " << mode << " width " << width
                                    << " flag " << flag << " p " << p << " mmx " << mmx;
                            }
                        }
                    }
    media::soft::force_generic_loops(0);
}

// Every family, mode and flag on seeded random workloads: the table's loop
// and the generic path give the same bytes, nothing outside the clipped
// rectangle changes, and the generic path matches the model.
TEST_F(BlitSame, LoopsMatchTheGenericPathAndTheModel)
{
    std::mt19937 random(4103);
    const int widths[] = {1, 2, 3, 5, 7, 8, 13};
    long cases = 0;
    for (int bits : {16, 32})
        for (int kind = 0; kind < 3; ++kind)
            for (bool runs : {false, true})
                for (int mode : {0, 1, 2, 3, 4, 10, 11})
                    for (int axes = 0; axes < 16; ++axes) {
                        const bool with_blend = axes & 1, bright = axes & 2, flag = (axes & 4) || runs, mmx = axes & 8;
                        const int format = bits == 32 ? 1 : 0;
                        const int sw = widths[random() % 7], sh = 1 + static_cast<int>(random() % 6);
                        image src(sw, sh, format, source_kinds[kind][0], source_kinds[kind][1], 0, runs ? 1 : 0);
                        image dst(24, 14, format), weights(sw, sh, 2);
                        src.fill_random(random);
                        weights.fill_random(random);
                        if (kind == kind_alpha)
                            for (int y = 0; y < sh; ++y)
                                for (int x = 0; x < sw; ++x)
                                    if (random() % 2) src.at(x, y)[bits == 32 ? 3 : 2] = random() % 2 ? 0 : 255;
                        // a transparent colour that occurs
                        int a;
                        bool keyed;
                        std::uint32_t key = source_colour(src, static_cast<int>(random() % sw), 0, &a, &keyed);
                        if (kind == kind_paletted) key = src.at(0, 0)[0];
                        src.m.base->transparent = key;
                        if (kind != kind_paletted && random() % 3 == 0)
                            for (int x = 0; x < sw; x += 2) std::memcpy(src.at(x, sh - 1), &key, bits / 8);
                        if (runs) {
                            media::soft::build_run_table(src.m.base);
                            src.m.base->runs_valid = 1;
                        }
                        const RECT area{2, 3, 21, 11};
                        const int x = runs ? 2 + static_cast<int>(random() % (20 - sw)) : -8 + static_cast<int>(random() % 30);
                        const int y = runs ? 3 + static_cast<int>(random() % 9) % std::max(1, 9 - sh)
                                           : -6 + static_cast<int>(random() % 18);
                        const int ps[] = {1, 127, 128, 129, 254, 255, static_cast<int>(random() % 256)};
                        for (int p : ps) {
                            if (mode >= 1 && mode <= 3 && p == 0) continue;
                            BuildBlendImageWeightTable(static_cast<int>(random() % 256), static_cast<int>(random() % 256));
                            dst.fill_random(random);
                            const auto before = dst.snapshot();
                            const auto before_pixels = pixels_of(dst);
                            blend(mode, p);
                            state().area = area;
                            std::uint32_t bright_word = bright ? static_cast<std::uint32_t>(random()) & 0xFFFFFF : 0xFFFFFF;
                            if (bright && bright_word == 0xFFFFFF) bright_word = 0x7F80FF;
                            state().draw_bright = bright_word;
                            media::soft::set_mmx_enabled(mmx);
                            media::soft::force_generic_loops(1);
                            BlitMemImg(&dst, &src, x, y, flag, with_blend ? &weights : nullptr);
                            const auto generic = pixels_of(dst);
                            dst.restore(before);
                            media::soft::force_generic_loops(0);
                            BlitMemImg(&dst, &src, x, y, flag, with_blend ? &weights : nullptr);
                            const auto loop = pixels_of(dst);
                            const std::string what = "bits " + std::to_string(bits) + " kind " + std::to_string(kind) +
                                                     " runs " + std::to_string(runs) + " mode " + std::to_string(mode) +
                                                     " axes " + std::to_string(axes) + " p " + std::to_string(p) +
                                                     " at " + std::to_string(x) + "," + std::to_string(y) + " size " +
                                                     std::to_string(sw) + "x" + std::to_string(sh);
                            ASSERT_EQ(loop, generic) << what;
                            dst.restore(before);
                            std::vector<std::uint32_t> want(before_pixels.size());
                            const bool run_path = runs && flag;
                            model_same({mode, p, bright_word, mmx, flag}, dst, src, x, y, with_blend ? std::addressof(weights) : nullptr,
                                       area, run_path, &want);
                            ASSERT_EQ(generic, want) << what;
                            ++cases;
                        }
                    }
    EXPECT_GT(cases, 0);
}

// Cases a bug or a fuzzer found: {what, source format, kind, mode, p, flag, x, y}.
TEST_F(BlitSame, Regressions)
{
    struct row {
        const char* what;
        int format, kind, mode, p, flag, x, y;
    };
    const row rows[] = {
        {"a position near the 32-bit limit", 1, kind_direct, 0, 255, 0, 2147483600, 5},
        {"a position near the negative limit", 0, kind_direct, 2, 255, 1, -2147483647, -2147483647},
    };
    std::mt19937 random(9);
    for (const row& r : rows) {
        image src(60, 4, r.format, source_kinds[r.kind][0], source_kinds[r.kind][1]), dst(8, 8, r.format);
        src.fill_random(random);
        dst.fill_random(random);
        blend(r.mode, r.p);
        const auto before = dst.snapshot();
        BlitMemImg(&dst, &src, r.x, r.y, r.flag, nullptr);
        EXPECT_EQ(dst.snapshot(), before) << r.what;
    }
}

}  // namespace

namespace {

TEST_F(BlitSame, ModeOneAtFullParameterIsModeZeroInEveryFamily)
{
    std::mt19937 random(255);
    for (int format : {0, 1})
        for (int kind = 0; kind < 3; ++kind)
            for (int axes = 0; axes < 8; ++axes) {
                const bool runs = axes & 1, with_blend = axes & 2, bright = axes & 4;
                image src(5, 3, format, source_kinds[kind][0], source_kinds[kind][1], 0, 1), dst(9, 6, format),
                    weights(5, 3, 2);
                src.fill_random(random);
                weights.fill_random(random);
                dst.fill_random(random);
                src.m.base->transparent = kind == kind_paletted ? src.at(1, 1)[0] : src.get(1, 1);
                media::soft::build_run_table(src.m.base);
                src.m.base->runs_valid = runs;
                state().draw_bright = bright ? 0x80FF40 : 0xFFFFFF;
                const auto before = dst.snapshot();
                for (int flag : {0, 1}) {
                    dst.restore(before);
                    blend(0, 17);
                    BlitMemImg(&dst, &src, 2, 1, flag, with_blend ? &weights : nullptr);
                    const auto zero = dst.snapshot();
                    dst.restore(before);
                    blend(1, 255);
                    BlitMemImg(&dst, &src, 2, 1, flag, with_blend ? &weights : nullptr);
                    EXPECT_EQ(dst.snapshot(), zero) << format << " " << kind << " " << axes << " " << flag;
                }
            }
}

}  // namespace

namespace {

// The switch is off after the reset; the environment variable, read once,
// forces the generic path whatever the switch says.
TEST_F(BlitSame, GenericPathSwitchAndEnvironment)
{
    const char* outside = std::getenv("ZENTIL_GENERIC_SOFTRENDER");
    const std::string saved = outside != nullptr ? outside : "";
    ::unsetenv("ZENTIL_GENERIC_SOFTRENDER");
    media::soft::reset_state();
    EXPECT_FALSE(media::soft::generic_loops_forced());
    media::soft::force_generic_loops(1);
    EXPECT_TRUE(media::soft::generic_loops_forced());
    media::soft::reset_state();
    EXPECT_FALSE(media::soft::generic_loops_forced());

    ::setenv("ZENTIL_GENERIC_SOFTRENDER", "1", 1);
    media::soft::reset_state();
    EXPECT_TRUE(media::soft::generic_loops_forced());
    media::soft::force_generic_loops(0);
    EXPECT_TRUE(media::soft::generic_loops_forced());
    ::unsetenv("ZENTIL_GENERIC_SOFTRENDER");
    EXPECT_TRUE(media::soft::generic_loops_forced()) << "read once";
    media::soft::reset_state();
    EXPECT_FALSE(media::soft::generic_loops_forced());
    if (outside != nullptr) ::setenv("ZENTIL_GENERIC_SOFTRENDER", saved.c_str(), 1);
    media::soft::reset_state();
}

}  // namespace

namespace {

// Every key with software arithmetic has its loop (the random workloads
// compare these with the generic path); the run-table path has none without
// the flag.
TEST_F(BlitSame, EveryKeyHasALoop)
{
    using namespace media::soft;
    for (int kind = 0; kind < 3; ++kind)
        for (int mode : table_modes)
            for (int axes = 0; axes < 8; ++axes) {
                const blit_key key{32, kind, mode, (axes & 1) != 0, (axes & 2) != 0, (axes & 4) != 0, false};
                const int i = key.index();
                EXPECT_NE(find_same_loop_32(i), nullptr) << i;
                EXPECT_NE(find_same_loop_16(i), nullptr) << i;
                EXPECT_EQ(find_same_run_loop_32(i) != nullptr, key.transparency) << i;
                EXPECT_EQ(find_same_run_loop_16(i) != nullptr, key.transparency) << i;
                EXPECT_NE(find_scaled_loop_32(i), nullptr) << i;
                EXPECT_NE(find_scaled_loop_16(i), nullptr) << i;
                // distinct keys, distinct loops
                if (i > 0) {
                    EXPECT_NE(find_same_loop_32(i), find_same_loop_32(i - 1)) << i;
                }
            }
    EXPECT_EQ(find_same_loop_32(blit_keys), nullptr);
    EXPECT_EQ(find_scaled_loop_16(-1), nullptr);
    EXPECT_EQ(mode_slot(5), -1);
    EXPECT_EQ(mode_slot(12), -1);
}

}  // namespace

namespace {

// A blend image smaller than the source would be read past its end, and a
// view's rows are not the run table's: both are handled without reading
// outside the images.
TEST_F(BlitSame, BlendImageAndRunTableMustFitTheSource)
{
    image src(4, 3, 1), dst(6, 6, 1), small(4, 2, 2);
    std::memset(src.at(0, 0), 0x40, static_cast<std::size_t>(src.m.base->pitch) * 3);
    const auto before = dst.snapshot();
    BlitMemImg(&dst, &src, 0, 0, 0, &small);
    EXPECT_EQ(dst.snapshot(), before) << "a blend image smaller than the source";

    run_source rs;
    MEMIMG view{};
    MakeSubMemImg(&view, &rs.src.m, 0, 0, 4, 1);
    ASSERT_EQ(view.valid, MEMIMG_VALID);
    image out(4, 1, 1);
    BlitMemImg(&out, &view, 0, 0, 1, nullptr);
    EXPECT_NE(out.get(0, 0), rs.src.get(0, 0)) << "a view takes the plain path: alpha 100 is blended";
    EXPECT_EQ(out.get(0, 0) >> 24, 0u);
    ReleaseMemImg(&view);
}

}  // namespace
