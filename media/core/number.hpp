// Number helpers of the media layer: absolute values, square root, float to
// integer truncation that ignores the rounding mode, and the 128-bit
// arithmetic of the microsecond clock.
#pragma once

#include <cstdint>

// The absolute value; INT_MIN, which has none, stays INT_MIN.
std::int32_t AbsInt(std::int32_t value);
// The value negated when below 0.
float AbsFloat(float value);
float SqrtFloat(float value);
// Truncation toward zero whatever the rounding mode. NaN and values outside
// the 32-bit range give INT_MIN (0x80000000), the processor's own answer.
std::int32_t FloatToInt(float value);
std::int32_t DoubleToInt(double value);
// Sine and cosine of one angle in radians.
void SinCosFloat(float angle, float* sine, float* cosine);

// Unsigned 64-bit values are two 32-bit words and 128-bit values four, low
// word first.
// out = a * b; returns 0.
int MulU64ToU128(const std::uint32_t a[2], const std::uint32_t b[2], std::uint32_t out[4]);
// out = the low 64 bits of dividend / divisor; returns 0. A divisor of 0 sets
// out to 0 and returns -1.
int DivU128ByU64(const std::uint32_t dividend[4], const std::uint32_t divisor[2], std::uint32_t out[2]);
