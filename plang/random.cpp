// The linear congruential generator behind next_random.
#include "plang/random.hpp"

namespace plang {
namespace {

std::uint32_t& state() {
  static std::uint32_t s = 1;
  return s;
}

}  // namespace

void seed_random(std::uint32_t seed) { state() = seed; }

int next_random() {
  std::uint32_t& s = state();
  s = s * 214013u + 2531011u;
  return static_cast<int>((s >> 16) & 0x7FFFu);
}

}  // namespace plang
