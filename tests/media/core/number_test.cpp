// Number helpers: truncation under every rounding mode and for values with no
// 32-bit answer; 128-bit products and quotients against the compiler's own
// 128-bit integers.
#include "media/core/number.hpp"

#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <limits>
#include <random>

namespace {

class RoundingMode : public ::testing::Test {
protected:
    void TearDown() override { std::fesetround(FE_TONEAREST); }
};

TEST_F(RoundingMode, TruncationIgnoresTheRoundingMode)
{
    const int modes[] = {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        std::int32_t expected;
    } doubles[] = {
        {2.9, 2},
        {-2.9, -2},
        {-1.7, -1},
        {0.5, 0},
        {-0.5, 0},
        {2147483647.9, INT_MAX},
        {-2147483648.9, INT_MIN},
        {2147483648.0, INT_MIN},
        {-2147483649.0, INT_MIN},
        {1e300, INT_MIN},
        {nan, INT_MIN},
        {inf, INT_MIN},
        {-inf, INT_MIN},
    };
    const struct {
        float value;
        std::int32_t expected;
    } floats[] = {
        {-1.7f, -1},
        {2.9f, 2},
        {2147483520.0f, 2147483520},  // the largest float below 2^31
        {2147483648.0f, INT_MIN},
        {-2147483648.0f, INT_MIN},
        {std::numeric_limits<float>::quiet_NaN(), INT_MIN},
        {-std::numeric_limits<float>::infinity(), INT_MIN},
    };
    for (int mode : modes) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (const auto& r : doubles) {
            volatile double v = r.value;  // kept out of constant folding
            EXPECT_EQ(DoubleToInt(v), r.expected) << r.value << " mode " << mode;
        }
        for (const auto& r : floats) {
            volatile float v = r.value;
            EXPECT_EQ(FloatToInt(v), r.expected) << r.value << " mode " << mode;
        }
    }
}

TEST(Number, AbsoluteValuesAndRoots)
{
    EXPECT_EQ(AbsInt(-5), 5);
    EXPECT_EQ(AbsInt(5), 5);
    EXPECT_EQ(AbsInt(INT_MIN), INT_MIN);
    EXPECT_EQ(AbsFloat(-2.5f), 2.5f);
    EXPECT_EQ(AbsFloat(2.5f), 2.5f);
    EXPECT_EQ(SqrtFloat(6.25f), 2.5f);
    float s = 0, c = 0;
    SinCosFloat(0.5f, &s, &c);
    EXPECT_FLOAT_EQ(s, std::sin(0.5f));
    EXPECT_FLOAT_EQ(c, std::cos(0.5f));
}

using u128 = unsigned __int128;

void split(std::uint64_t v, std::uint32_t out[2])
{
    out[0] = static_cast<std::uint32_t>(v);
    out[1] = static_cast<std::uint32_t>(v >> 32);
}

u128 join4(const std::uint32_t w[4])
{
    return static_cast<u128>(w[3]) << 96 | static_cast<u128>(w[2]) << 64 | static_cast<u128>(w[1]) << 32 | w[0];
}

TEST(Number, ProductOfTheLargestValues)
{
    const std::uint32_t max[2] = {0xFFFFFFFFu, 0xFFFFFFFFu};
    std::uint32_t product[4];
    EXPECT_EQ(MulU64ToU128(max, max, product), 0);
    EXPECT_EQ(product[0], 0x00000001u);
    EXPECT_EQ(product[1], 0u);
    EXPECT_EQ(product[2], 0xFFFFFFFEu);
    EXPECT_EQ(product[3], 0xFFFFFFFFu);
    std::uint32_t quotient[2];
    EXPECT_EQ(DivU128ByU64(product, max, quotient), 0);
    EXPECT_EQ(quotient[0], 0xFFFFFFFFu);
    EXPECT_EQ(quotient[1], 0xFFFFFFFFu);
}

TEST(Number, ProductsAndQuotientsMatch128BitIntegers)
{
    std::mt19937_64 gen(20100711);
    for (int i = 0; i < 2000; ++i) {
        // mix full-width values with short ones, and divisors that need the
        // 65th remainder bit (top bit set)
        const std::uint64_t a = gen() >> (i % 3 == 0 ? gen() % 64 : 0);
        const std::uint64_t b = gen() >> (i % 5 == 0 ? gen() % 64 : 0);
        std::uint64_t d = gen() >> (gen() % 64);
        if (i % 7 == 0)
            d |= std::uint64_t{1} << 63;
        if (d == 0)
            d = 1;
        std::uint32_t wa[2], wb[2], wd[2], product[4], quotient[2];
        split(a, wa);
        split(b, wb);
        split(d, wd);
        MulU64ToU128(wa, wb, product);
        ASSERT_TRUE(join4(product) == static_cast<u128>(a) * b) << a << " * " << b;
        DivU128ByU64(product, wd, quotient);
        const std::uint64_t expected = static_cast<std::uint64_t>(join4(product) / d);
        ASSERT_EQ(static_cast<std::uint64_t>(quotient[1]) << 32 | quotient[0], expected) << a << " * " << b << " / " << d;
    }
}

TEST(Number, DivisionByZeroIsRefused)
{
    const std::uint32_t dividend[4] = {1, 2, 3, 4};
    const std::uint32_t zero[2] = {0, 0};
    std::uint32_t quotient[2] = {7, 7};
    EXPECT_EQ(DivU128ByU64(dividend, zero, quotient), -1);
    EXPECT_EQ(quotient[0], 0u);
    EXPECT_EQ(quotient[1], 0u);
}

}  // namespace
