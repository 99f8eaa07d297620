// The media layer's random generator: MT19937 seeded through the 69069
// linear congruential generator, with a plain and a paired block step that
// give the same state and outputs.
#pragma once

#include <cstdint>

// Fills the state from the seed, picks the paired step when the processor
// has MMX, and runs one block step; returns 0.
int SeedRandom(std::uint32_t seed);
// One block step: twists the 624 words, writes the 624 tempered outputs and
// sets the next index to 0; the paired step when it was picked. Returns 0.
int RegenerateRandom();
// The same block step two words at a time (SSE2 registers where the
// processor has them, standing in for MMX); returns 0.
int RegenerateRandomMmx();
