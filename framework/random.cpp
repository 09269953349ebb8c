// The shared random generator (random.h).
#include "framework/random.h"

#include <cstdint>

int bb_random_Seed = 0;

namespace {
constexpr uint32_t kMultiplier = 1664525u;
constexpr uint32_t kIncrement = 1013904223u;
}  // namespace

void bb_random_Step() {
    bb_random_Seed = int32_t(uint32_t(bb_random_Seed) * kMultiplier + kIncrement);
}

float bb_random_Rnd() {
    bb_random_Step();
    // A logical shift: the top 24 bits, so the value fits a float exactly.
    return float(uint32_t(bb_random_Seed) >> 8) / 16777216.0f;
}

float bb_random_Rnd3(float r) { return r * bb_random_Rnd(); }

float bb_random_Rnd2(float lo, float hi) { return lo + (hi - lo) * bb_random_Rnd(); }
