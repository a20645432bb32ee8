// Basic numeric types of the game and the two conversions every layer shares.
#pragma once

#include <cmath>
#include <cstdint>

namespace lr {

using Single = float;
using Integer = int32_t;
using Word = uint16_t;
using Byte = uint8_t;
using Cardinal = uint32_t;

// Rounds half to even (the program never changes the FPU rounding mode).
inline double Round(double value) { return std::nearbyint(value); }

// A Single position to a whole pixel: add (or subtract) a half, round to four decimals
// half-to-even, then truncate. Halves therefore go away from zero, and a value within
// 0.00005 below a half rounds up as well.
Integer RoundPixel(Single value);

// Packs the low byte of each component as Alpha << 24 | Red << 16 | Green << 8 | Blue.
constexpr uint32_t ColorARGB(Integer red, Integer green, Integer blue, Integer alpha) {
  return (static_cast<uint32_t>(alpha & 0xFF) << 24) | (static_cast<uint32_t>(red & 0xFF) << 16) |
         (static_cast<uint32_t>(green & 0xFF) << 8) | static_cast<uint32_t>(blue & 0xFF);
}

}  // namespace lr
