#include "platform/rounding.h"

#include <cmath>

#include "platform/errors.h"

namespace rn::tk {

std::int32_t RoundToInt32(double value) {
  // nearbyint honours the current rounding mode, which is round-to-nearest-even
  // unless someone changed it; rounding explicitly keeps this independent of that.
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double rounded = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw RuntimeError(Error::Overflow);
  return static_cast<std::int32_t>(rounded);
}

}  // namespace rn::tk
