// RoundPixel: the one place a sprite position becomes a pixel.
#include "engine/Types.h"

#include <cstdint>

namespace lr {

Integer RoundPixel(Single value) {
  // The sum is done in double, like the extended-precision arithmetic it stands for; the
  // four-decimal rounding absorbs the float's representation error right below a half.
  const double x = static_cast<double>(value);
  const double shifted = x >= 0 ? x + 0.5 : x - 0.5;
  const double fourDecimals = std::nearbyint(shifted * 10000.0) / 10000.0;
  // Far-off positions saturate instead of overflowing the conversion.
  if (!(fourDecimals == fourDecimals)) return 0;
  if (fourDecimals >= 2147483647.0) return INT32_MAX;
  if (fourDecimals <= -2147483648.0) return INT32_MIN;
  return static_cast<Integer>(std::trunc(fourDecimals));
}

}  // namespace lr
