// The reference device's pixel arithmetic: the blend and alpha-test table,
// the stages and the blend against the test tree's own model on seeded
// random colours, and the narrowing to 16-bit targets.
#include "platform/device/pixel_model.hpp"
#include "platform/device/reference_fixture.hpp"

#include <random>

namespace {

using namespace device_test;
namespace pm = pixel_model;

class ReferencePixels : public reference_device {
protected:
    // One pixel at (5, 5) of the target in the colour, over the clear colour.
    void one_pixel(std::uint32_t clear, std::uint32_t colour)
    {
        ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, clear, 1, 0), 0);
        draw(dev::triangle_list, fvf_coloured, box(5, 5, 6, 6, colour));
    }
};

TEST_F(ReferencePixels, BlendTable)
{
    const std::uint32_t off = 0;
    struct row {
        const char* what;
        std::uint32_t src_factor, dst_factor, op;  // src_factor 0: blending off
        std::uint32_t src, dst, expected;
    };
    const row rows[] = {
        {"alpha 128 over black", dev::blend_srcalpha, dev::blend_invsrcalpha, dev::blendop_add, 0x80C86432u, 0xFF000000u, 0xFF643219u},
        {"alpha 0 keeps the destination", dev::blend_srcalpha, dev::blend_invsrcalpha, dev::blendop_add, 0x00FFFFFFu, 0xFF123456u, 0xFF123456u},
        {"white with INVDESTCOLOR and ZERO inverts", dev::blend_invdestcolor, dev::blend_zero, dev::blendop_add, 0xFFFFFFFFu, 0xFF0AC8FFu, 0xFFF53700u},
        {"grey with INVDESTCOLOR scales the inverse", dev::blend_invdestcolor, dev::blend_zero, dev::blendop_add, 0xFF808080u, 0xFF00FF40u, 0xFF800060u},
        {"REVSUBTRACT gives dest - src, floored at 0", dev::blend_one, dev::blend_one, dev::blendop_revsubtract, 0xFF1E3C14u, 0xFF643214u, 0xFF460000u},
        {"REVSUBTRACT by source alpha", dev::blend_srcalpha, dev::blend_one, dev::blendop_revsubtract, 0x80646464u, 0xFFC8C8C8u, 0xFF969696u},
        {"additive clamps at 255", dev::blend_one, dev::blend_one, dev::blendop_add, 0xFFC80A00u, 0xFF64FF00u, 0xFFFFFF00u},
        {"additive by source alpha", dev::blend_srcalpha, dev::blend_one, dev::blendop_add, 0x40FF8000u, 0xFF102030u, 0xFF504030u},
        {"multiply by the source colour", dev::blend_zero, dev::blend_srccolor, dev::blendop_add, 0xFF808080u, 0xFFC86432u, 0xFF643219u},
        {"destination kept", dev::blend_zero, dev::blend_one, dev::blendop_add, 0xFF808080u, 0xFF123456u, 0xFF123456u},
        {"blending off replaces, alpha bits set", off, off, dev::blendop_add, 0x10ABCDEFu, 0xFF123456u, 0xFFABCDEFu},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        if (r.src_factor == off) {
            ASSERT_EQ(dev::set_render_state(dev::rs_alphablendenable, 0), 0);
        } else {
            blending(r.src_factor, r.dst_factor, r.op);
        }
        one_pixel(r.dst, r.src);
        EXPECT_EQ(back(5, 5), r.expected) << std::hex << back(5, 5);
        EXPECT_EQ(back(6, 5), r.dst) << "one pixel only";
    }
}

TEST_F(ReferencePixels, AlphaTestTable)
{
    const resource t = texture_of(3, 1, dev::A8R8G8B8, {0x00FF0000u, 0x10FF0000u, 0x11FF0000u});
    ASSERT_EQ(dev::set_texture(0, t), 0);
    stage(0, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse, dev::op_selectarg1, dev::ta_texture, dev::ta_diffuse);
    struct row {
        std::uint32_t enabled, func, ref;
        bool kept[3];  // texels of alpha 0, 16, 17
    };
    const row rows[] = {
        {1, dev::cmp_greater, 16, {false, false, true}},
        {1, dev::cmp_greaterequal, 16, {false, true, true}},
        {1, dev::cmp_greater, 0, {false, true, true}},
        {1, dev::cmp_greaterequal, 0, {true, true, true}},
        {1, dev::cmp_always, 255, {true, true, true}},
        {0, dev::cmp_greater, 255, {true, true, true}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.func << " " << r.ref << " on " << r.enabled);
        ASSERT_EQ(dev::set_render_state(dev::rs_alphatestenable, r.enabled), 0);
        ASSERT_EQ(dev::set_render_state(dev::rs_alphafunc, r.func), 0);
        ASSERT_EQ(dev::set_render_state(dev::rs_alpharef, r.ref), 0);
        clear_black();
        draw(dev::triangle_list, fvf_textured,
             std::vector<textured>{{-0.5f, -0.5f, 0, 1, 0, 0, 0}, {2.5f, -0.5f, 0, 1, 0, 1, 0}, {-0.5f, 0.5f, 0, 1, 0, 0, 1},
                                   {2.5f, 0.5f, 0, 1, 0, 1, 1}, {-0.5f, 0.5f, 0, 1, 0, 0, 1}, {2.5f, -0.5f, 0, 1, 0, 1, 0}});
        for (int x = 0; x < 3; ++x) EXPECT_EQ(back(x, 0), r.kept[x] ? 0xFFFF0000u : 0xFF000000u) << x;
    }
}

// Stages and blending on an A8R8G8B8 target, which keeps the alpha: sixteen
// points a draw, each with its own diffuse, specular and texel.
class ReferenceArithmetic : public ReferencePixels {
protected:
    void SetUp() override
    {
        ReferencePixels::SetUp();
        if (HasFatalFailure()) return;
        rt_ = target(16, 1, dev::A8R8G8B8);
        ASSERT_EQ(dev::set_render_target(rt_), 0);
        for (int s = 0; s < 2; ++s) {
            std::vector<std::uint32_t> texels;
            for (int i = 0; i < 16; ++i) texels.push_back(random());
            textures_[s] = texels;
            ASSERT_EQ(dev::set_texture(s, texture_of(16, 1, dev::A8R8G8B8, texels)), 0);
            ASSERT_EQ(dev::set_texture_stage_state(s, dev::ts_texcoordindex, 0), 0);
        }
    }
    std::uint32_t random() { return static_cast<std::uint32_t>(rng_()); }

    // Draws the points (random colours), returns them; the target's pixels follow.
    std::vector<lit> points()
    {
        std::vector<lit> v;
        for (int i = 0; i < 16; ++i)
            v.push_back({static_cast<float>(i), 0, 0, 1, random(), random(), (i + 0.5f) / 16, 0.5f});
        draw(dev::point_list, fvf_lit, v);
        return v;
    }

    std::mt19937 rng_{20240611u};
    resource rt_ = resource::none;
    std::vector<std::uint32_t> textures_[2];
};

const std::uint32_t ops[] = {dev::op_selectarg1, dev::op_selectarg2, dev::op_modulate, dev::op_modulate2x,
                             dev::op_modulate4x, dev::op_add, dev::op_subtract, dev::op_blenddiffusealpha,
                             dev::op_blendcurrentalpha};
const std::uint32_t args[] = {dev::ta_diffuse, dev::ta_current, dev::ta_texture, dev::ta_tfactor, dev::ta_specular};

TEST_F(ReferenceArithmetic, StageOperationsMatchTheModel)
{
    stage(1, dev::op_disable, dev::ta_texture, dev::ta_current, dev::op_disable, dev::ta_texture, dev::ta_current);
    int compared = 0;
    for (std::size_t o = 0; o < std::size(ops); ++o)
        for (std::uint32_t a1 : args)
            for (std::uint32_t a2 : args)
                for (std::uint32_t complement : {0u, static_cast<std::uint32_t>(dev::ta_complement)}) {
                    // colour: the op over (a1 | complement, a2); alpha: another op over (a2, a1 | complement)
                    const pm::stage st{static_cast<int>(ops[o]), static_cast<int>(a1 | complement), static_cast<int>(a2),
                                       static_cast<int>(ops[(o + 4) % std::size(ops)]), static_cast<int>(a2),
                                       static_cast<int>(a1 | complement)};
                    SCOPED_TRACE(testing::Message() << "colour " << st.colour_op << "(" << st.colour1 << ", " << st.colour2
                                                    << ") alpha " << st.alpha_op << "(" << st.alpha1 << ", " << st.alpha2 << ")");
                    stage(0, st.colour_op, st.colour1, st.colour2, st.alpha_op, st.alpha1, st.alpha2);
                    const std::uint32_t factor = random();
                    ASSERT_EQ(dev::set_render_state(dev::rs_texturefactor, factor), 0);
                    const std::vector<lit> v = points();
                    const std::vector<std::uint32_t> got = pixels(rt_);
                    for (int i = 0; i < 16; ++i) {
                        pm::sources in{pm::unpack(v[i].diffuse), pm::unpack(v[i].specular), pm::unpack(factor), {}, {}};
                        const pm::argb want = pm::stages<1>({st}, in, {pm::unpack(textures_[0][i])});
                        ASSERT_EQ(got[static_cast<std::size_t>(i)], pm::pack(want)) << "point " << i;
                        ++compared;
                    }
                }
    EXPECT_EQ(compared, 9 * 5 * 5 * 2 * 16);
}

TEST_F(ReferenceArithmetic, StagesCascadeThroughCurrent)
{
    stage(2, dev::op_disable, dev::ta_texture, dev::ta_current, dev::op_disable, dev::ta_texture, dev::ta_current);
    auto pick = [&](const auto& list) { return list[random() % std::size(list)]; };
    for (int round = 0; round < 200; ++round) {
        std::array<pm::stage, 2> st{};
        for (int s = 0; s < 2; ++s) {
            const std::uint32_t c = random() % 2 ? static_cast<std::uint32_t>(dev::ta_complement) : 0u;
            // the second stage reads CURRENT in one argument
            const std::uint32_t first = s == 1 ? dev::ta_current | c : pick(args) | c;
            st[s] = pm::stage{static_cast<int>(pick(ops)), static_cast<int>(first), static_cast<int>(pick(args)),
                              static_cast<int>(pick(ops)), static_cast<int>(pick(args)), static_cast<int>(first)};
        }
        if (round % 10 == 0) st[1].alpha_op = dev::op_disable;  // the alpha carries on
        if (round % 25 == 0) st[0].colour_op = dev::op_disable;  // the diffuse colour comes through
        SCOPED_TRACE(round);
        for (int s = 0; s < 2; ++s)
            stage(s, st[s].colour_op, st[s].colour1, st[s].colour2, st[s].alpha_op, st[s].alpha1, st[s].alpha2);
        const std::uint32_t factor = random();
        ASSERT_EQ(dev::set_render_state(dev::rs_texturefactor, factor), 0);
        const std::vector<lit> v = points();
        const std::vector<std::uint32_t> got = pixels(rt_);
        for (int i = 0; i < 16; ++i) {
            pm::sources in{pm::unpack(v[i].diffuse), pm::unpack(v[i].specular), pm::unpack(factor), {}, {}};
            const pm::argb want = pm::stages<2>(st, in, {pm::unpack(textures_[0][i]), pm::unpack(textures_[1][i])});
            ASSERT_EQ(got[static_cast<std::size_t>(i)], pm::pack(want)) << "point " << i;
        }
    }
}

TEST_F(ReferenceArithmetic, BlendingMatchesTheModel)
{
    untextured();
    const std::uint32_t factors[] = {dev::blend_zero, dev::blend_one, dev::blend_srccolor, dev::blend_srcalpha,
                                     dev::blend_invsrcalpha, dev::blend_invdestcolor};
    for (std::uint32_t op : {dev::blendop_add, dev::blendop_revsubtract})
        for (std::uint32_t fs : factors)
            for (std::uint32_t fd : factors) {
                SCOPED_TRACE(testing::Message() << "op " << op << " source " << fs << " destination " << fd);
                blending(fs, fd, op);
                std::vector<std::uint32_t> before;
                for (int i = 0; i < 16; ++i) before.push_back(random());
                paint(rt_, [&](int x, int) { return before[static_cast<std::size_t>(x)]; });
                const std::vector<lit> v = points();
                const std::vector<std::uint32_t> got = pixels(rt_);
                for (int i = 0; i < 16; ++i) {
                    const pm::argb want = pm::blend(static_cast<int>(fs), static_cast<int>(fd), static_cast<int>(op),
                                                    pm::unpack(v[i].diffuse), pm::unpack(before[static_cast<std::size_t>(i)]));
                    ASSERT_EQ(got[static_cast<std::size_t>(i)], pm::pack(want)) << "point " << i;
                }
            }
}

// Each channel kept by its top bits, unused bits set; blending reads the
// target widened first.
TEST_F(ReferencePixels, SixteenBitTargetsNarrowEachChannel)
{
    enum fill_kind { clear_only, fill_only, drawn, added, alpha_blended };
    struct row {
        dev::format fmt;
        fill_kind how;
        std::uint32_t first, colour;  // first: the clear (or fill) colour; colour: the one drawn over it
        std::uint32_t expected;
    };
    const row rows[] = {
        {dev::R5G6B5, clear_only, 0xFF808080u, 0, 0x8410},
        {dev::R5G6B5, fill_only, 0xFF808080u, 0, 0x8410},
        {dev::X1R5G5B5, clear_only, 0x00123456u, 0, 0x88CA},
        {dev::X1R5G5B5, fill_only, 0x00123456u, 0, 0x88CA},
        {dev::A4R4G4B4, clear_only, 0x8F123456u, 0, 0x8135},
        {dev::R5G6B5, drawn, 0xFF000000u, 0xFF804020u, 0x8204},
        {dev::X1R5G5B5, drawn, 0xFF000000u, 0xFF804020u, 0xC104},
        {dev::A4R4G4B4, drawn, 0xFF000000u, 0x80804020u, 0x8842},
        {dev::R5G6B5, drawn, 0xFF000000u, 0xFFFFFFFFu, 0xFFFF},
        {dev::X1R5G5B5, drawn, 0xFF000000u, 0x00070307u, 0x8000},
        {dev::R5G6B5, added, 0xFF808080u, 0xFF0A0A0Au, 0x8C71},
        {dev::X1R5G5B5, added, 0xFF808080u, 0xFF0A0A0Au, 0xC631},
        {dev::A4R4G4B4, alpha_blended, 0xFF00FF00u, 0x80FF0000u, 0xB870},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.fmt << " " << r.how << " " << std::hex << r.colour);
        const resource rt = target(8, 8, r.fmt);
        ASSERT_EQ(dev::set_render_target(rt), 0);
        if (r.how == fill_only) {
            ASSERT_EQ(dev::color_fill(rt, nullptr, r.first), 0);
        } else {
            ASSERT_EQ(dev::clear(0, nullptr, dev::clear_target, r.first, 1, 0), 0);
        }
        if (r.how == added) blending(dev::blend_one, dev::blend_one);
        else if (r.how == alpha_blended) blending(dev::blend_srcalpha, dev::blend_invsrcalpha);
        else ASSERT_EQ(dev::set_render_state(dev::rs_alphablendenable, 0), 0);
        if (r.how >= drawn) draw(dev::triangle_list, fvf_coloured, box(2, 2, 3, 3, r.colour));
        EXPECT_EQ(get(rt, 2, 2), r.expected) << std::hex << get(rt, 2, 2);
        ASSERT_EQ(dev::set_render_target(back_), 0);
    }
}

}  // namespace
