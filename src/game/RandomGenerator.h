// The one random generator of the game: a 32-bit linear congruential generator whose exact
// sequence online peers rely on (same seed, same level, same start positions).
#pragma once

#include <cstdint>

#include "engine/Types.h"

namespace lr {

class TRandomGenerator {
 public:
  uint32_t RandomState = 0;

  // A value in 0..n-1: the state steps first, then the upper half of state × n is taken.
  Integer Random(Integer n) {
    RandomState = RandomState * 134775813u + 1u;
    return static_cast<Integer>((static_cast<uint64_t>(RandomState) * static_cast<uint32_t>(n)) >> 32);
  }

  // Seeds from the time of day: ((h * 60 + m) * 60 + s) * 1000 + ms since midnight UTC.
  void SeedFromMilliseconds(uint32_t millisecondsOfDay) { RandomState = millisecondsOfDay; }
};

}  // namespace lr
