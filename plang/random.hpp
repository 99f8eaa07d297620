// The program's one pseudo-random sequence: the `rand` methods of integer
// values draw from it and the toolkit seeds it at start-up.
#pragma once

#include <cstdint>

namespace plang {

// Restarts the sequence; before any call it runs as if seeded with 1.
void seed_random(std::uint32_t seed);

// The next number, 0..32767: state = state * 214013 + 2531011, then bits 16..30
// of the state.
int next_random();

}  // namespace plang
