// Number helpers.
#include "media/core/number.hpp"

#include <cmath>
#include <limits>

namespace {

constexpr std::int32_t int_indefinite = std::numeric_limits<std::int32_t>::min();

std::uint64_t join(std::uint32_t low, std::uint32_t high)
{
    return static_cast<std::uint64_t>(high) << 32 | low;
}

}  // namespace

std::int32_t AbsInt(std::int32_t value)
{
    // in unsigned arithmetic so INT_MIN wraps to itself instead of overflowing
    const std::uint32_t u = static_cast<std::uint32_t>(value);
    return static_cast<std::int32_t>(value < 0 ? 0u - u : u);
}

float AbsFloat(float value)
{
    return value < 0 ? -value : value;
}

float SqrtFloat(float value)
{
    return std::sqrt(value);
}

std::int32_t DoubleToInt(double value)
{
    // A C++ conversion truncates whatever the rounding mode, but is undefined
    // outside the target's range, so that range is tested first (NaN fails).
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return int_indefinite;
    return static_cast<std::int32_t>(value);
}

std::int32_t FloatToInt(float value)
{
    return DoubleToInt(value);  // every float is exact as a double
}

void SinCosFloat(float angle, float* sine, float* cosine)
{
    *sine = std::sin(angle);
    *cosine = std::cos(angle);
}

int MulU64ToU128(const std::uint32_t a[2], const std::uint32_t b[2], std::uint32_t out[4])
{
    // schoolbook multiplication of 32-bit digits, carries in 64 bits
    std::uint32_t r[4] = {0, 0, 0, 0};
    for (int i = 0; i < 2; ++i) {
        std::uint64_t carry = 0;
        for (int j = 0; j < 2; ++j) {
            const std::uint64_t t = static_cast<std::uint64_t>(a[i]) * b[j] + r[i + j] + carry;
            r[i + j] = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
        r[i + 2] = static_cast<std::uint32_t>(carry);
    }
    for (int i = 0; i < 4; ++i)
        out[i] = r[i];
    return 0;
}

int DivU128ByU64(const std::uint32_t dividend[4], const std::uint32_t divisor[2], std::uint32_t out[2])
{
    const std::uint64_t d = join(divisor[0], divisor[1]);
    if (d == 0) {
        out[0] = out[1] = 0;
        return -1;
    }
    const std::uint64_t high = join(dividend[2], dividend[3]);
    const std::uint64_t low = join(dividend[0], dividend[1]);
    // Binary long division: the remainder stays below d, but shifting it left
    // can carry a 65th bit out, which means it certainly exceeds d.
    std::uint64_t remainder = 0;
    std::uint64_t quotient = 0;  // the low 64 bits; the higher ones are dropped
    for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (remainder >> 63) != 0;
        const std::uint64_t next = bit >= 64 ? high >> (bit - 64) & 1 : low >> bit & 1;
        remainder = remainder << 1 | next;
        quotient <<= 1;
        if (carry || remainder >= d) {
            remainder -= d;
            quotient |= 1;
        }
    }
    out[0] = static_cast<std::uint32_t>(quotient);
    out[1] = static_cast<std::uint32_t>(quotient >> 32);
    return 0;
}
