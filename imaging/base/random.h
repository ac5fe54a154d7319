// The process-wide pseudo-random generator that textures and transitions share: one seed for
// the whole program, so a seeded run repeats exactly.
#pragma once

#include <cstddef>
#include <cstdint>

namespace calmora {

// A uniform integer in 0 .. N - 1; 0 for N <= 0. Every call advances the sequence.
int32_t Random(int32_t N);
// The next count draws of Random(N) into values, in order, advancing the sequence as many
// calls would but claiming it once: for loops of many draws.
void RandomFill(int32_t N, int32_t* values, size_t count);
// Restarts the sequence: the same seed gives the same numbers.
void SetRandomSeed(uint32_t Seed);
uint32_t GetRandomSeed();
// Seeds from the clock.
void Randomize();

}  // namespace calmora
