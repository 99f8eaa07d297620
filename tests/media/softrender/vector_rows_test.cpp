// The row loops of each vector width (SSE2 and, where the processor has it,
// AVX2) against the generic path: the box fill of every mode, the alpha
// source with the transparency flag, the copy and mode 1 with and without
// it, and the scaled copy of both pixel sizes, over widths 1 to 67, unaligned starts, clipped starts, alpha
// patterns of runs and single pixels, and plain and mirrored scales.
#include "draw_fixture.hpp"

#include "media/softrender/blit_same.hpp"
#include "media/softrender/blit_scaled.hpp"
#include "media/softrender/box.hpp"
#include "media/softrender/vector_rows.hpp"

#include <cstdlib>
#include <utility>

namespace {

using namespace softrender_test;

class VectorRows : public Draw {
protected:
    // the sets this processor runs
    static std::vector<int> sets()
    {
        std::vector<int> out{media::soft::vectors_sse2};
        if (media::soft::avx2_present()) out.push_back(media::soft::vectors_avx2);
        return out;
    }
};

TEST_F(VectorRows, ForcingASet)
{
    EXPECT_TRUE(media::soft::force_vector_set(media::soft::vectors_sse2));
    EXPECT_EQ(media::soft::vector_set_in_use(), media::soft::vectors_sse2);
    EXPECT_EQ(media::soft::force_vector_set(media::soft::vectors_avx2), media::soft::avx2_present());
    EXPECT_FALSE(media::soft::force_vector_set(7));
    EXPECT_TRUE(media::soft::force_vector_set(media::soft::vectors_by_processor));
    media::soft::reset_state();
    EXPECT_EQ(media::soft::vector_set_in_use() == media::soft::vectors_avx2,
              media::soft::avx2_present() && std::getenv("ZENTIL_SOFTRENDER_VECTORS") == nullptr);
}

TEST_F(VectorRows, BoxesMatchTheGenericPath)
{
    std::mt19937 random(8601);
    for (int set : sets())
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int width = 1; width <= 67; ++width) {
                ASSERT_TRUE(media::soft::force_vector_set(set));
                // three spare columns: starts 0 to 3 pixels in, pitches off 16 bytes
                image img(width + 3, 3, 1);
                img.fill_random(random);
                const auto before = img.snapshot();
                const int left = static_cast<int>(random() % 4);
                const RECT r{left, 0, left + width, 3};
                blend(mode, mode == 2 && width % 2 ? 255 : 1 + static_cast<int>(random() % 254));
                state().draw_bright = width % 3 ? 0xFFFFFF : static_cast<std::uint32_t>(random()) & 0xFFFFFF;
                // colours whose bytes carry and whose bits 0 are set
                const std::uint32_t colour = width % 4 == 1 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(random());
                media::soft::force_generic_loops(1);
                DrawMemImgBox(&img, &r, colour);
                const auto generic = img.snapshot();
                img.restore(before);
                media::soft::force_generic_loops(0);
                DrawMemImgBox(&img, &r, colour);
                ASSERT_EQ(img.snapshot(), generic) << "set " << set << " mode " << mode << " width " << width;
            }
}

TEST_F(VectorRows, AlphaSourcesMatchTheGenericPath)
{
    std::mt19937 random(8602);
    // the alpha of pixel x: runs of 0, 255 and random values of a length,
    // or random values throughout
    const auto alpha_of = [&](int pattern, int x) -> unsigned char {
        if (pattern == 0) return static_cast<unsigned char>(random());
        const int run = x / pattern;
        return run % 3 == 0 ? 0 : run % 3 == 1 ? 255 : static_cast<unsigned char>(random());
    };
    for (int set : sets())
        for (int pattern : {0, 1, 3, 8, 9, 16})
            for (int width = 1; width <= 67; ++width) {
                ASSERT_TRUE(media::soft::force_vector_set(set));
                image src(width + 2, 3, 1, 0, 1);
                image dst(width + 5, 4, 1);
                src.fill_random(random);
                for (int y = 0; y < 3; ++y)
                    for (int x = 0; x < width + 2; ++x) src.at(x, y)[3] = alpha_of(pattern, x);
                dst.fill_random(random);
                const auto before = dst.snapshot();
                // a start left of the image clips the source's first columns
                const int at = static_cast<int>(random() % 6) - 2;
                media::soft::force_generic_loops(1);
                BlitMemImg(&dst, &src, at, 1, 1, nullptr);
                const auto generic = dst.snapshot();
                dst.restore(before);
                media::soft::force_generic_loops(0);
                BlitMemImg(&dst, &src, at, 1, 1, nullptr);
                ASSERT_EQ(dst.snapshot(), generic) << "set " << set << " pattern " << pattern << " width " << width;
            }
}

TEST_F(VectorRows, BlendedCopiesMatchTheGenericPath)
{
    std::mt19937 random(8603);
    for (int set : sets())
        for (int mode : {0, 1})
            for (int flag : {0, 1})
                for (int width = 1; width <= 67; ++width) {
                    ASSERT_TRUE(media::soft::force_vector_set(set));
                    image src(width + 2, 3, 1);
                    image dst(width + 5, 4, 1);
                    src.fill_random(random);
                    src.m.base->transparent = src.get(0, 0);
                    // keyed pixels alone, in runs of eight and beyond
                    for (int y = 0; y < 3; ++y)
                        for (int x = 0; x < width + 2; ++x)
                            if ((x / (1 + y * 8)) % 2 == 0) src.set(x, y, src.m.base->transparent);
                    dst.fill_random(random);
                    const auto before = dst.snapshot();
                    int p = 1 + static_cast<int>(random() % 254);
                    if (p == 128) p = 129;
                    blend(mode, p);
                    const int at = static_cast<int>(random() % 6) - 2;
                    media::soft::force_generic_loops(1);
                    BlitMemImg(&dst, &src, at, 1, flag, nullptr);
                    const auto generic = dst.snapshot();
                    dst.restore(before);
                    media::soft::force_generic_loops(0);
                    BlitMemImg(&dst, &src, at, 1, flag, nullptr);
                    ASSERT_EQ(dst.snapshot(), generic)
                        << "set " << set << " mode " << mode << " flag " << flag << " width " << width;
                }
}

TEST_F(VectorRows, ScaledCopiesMatchTheGenericPath)
{
    std::mt19937 random(8604);
    for (int set : sets())
        for (int format : {0, 1})
            for (bool mirrored : {false, true})
                for (int width = 1; width <= 67; ++width) {
                    ASSERT_TRUE(media::soft::force_vector_set(set));
                    const int source_width = 1 + static_cast<int>(random() % 90);
                    image src(source_width, 5, format);
                    image dst(width + 5, 6, format);
                    src.fill_random(random);
                    dst.fill_random(random);
                    const auto before = dst.snapshot();
                    const int left = static_cast<int>(random() % 6) - 2;
                    RECT r{left, 1, left + width, 5};
                    if (mirrored) std::swap(r.left, r.right);
                    media::soft::force_generic_loops(1);
                    BlitMemImgScaled(&dst, &src, &r, 0, nullptr);
                    const auto generic = dst.snapshot();
                    dst.restore(before);
                    media::soft::force_generic_loops(0);
                    BlitMemImgScaled(&dst, &src, &r, 0, nullptr);
                    ASSERT_EQ(dst.snapshot(), generic)
                        << "set " << set << " format " << format << " width " << width << " from " << source_width;
                }
    // a view drawn into its own body, the rows overlapping: the pixel order
    // of the generic path, whose reads see the pixels already written
    for (int set : sets())
        for (int format : {0, 1})
            for (int shift : {-9, -3, -1, 1, 3, 9}) {
                ASSERT_TRUE(media::soft::force_vector_set(set));
                image img(80, 4, format);
                img.fill_random(random);
                const auto before = img.snapshot();
                MEMIMG view{};
                MakeSubMemImg(&view, &img.m, 20, 0, 30, 4);
                const RECT r{20 + shift, 0, 20 + shift + 45, 4};
                media::soft::force_generic_loops(1);
                BlitMemImgScaled(&img, &view, &r, 0, nullptr);
                const auto generic = img.snapshot();
                img.restore(before);
                media::soft::force_generic_loops(0);
                BlitMemImgScaled(&img, &view, &r, 0, nullptr);
                EXPECT_EQ(img.snapshot(), generic) << "set " << set << " format " << format << " shift " << shift;
                ReleaseMemImg(&view);
            }
}

}  // namespace
