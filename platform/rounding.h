// Every conversion of a floating-point value to a 32-bit integer goes through here:
// nearest integer, halves to even, and an Overflow run-time error for values that
// have no 32-bit integer (NaN, infinities, out of range) instead of undefined behaviour.
#pragma once

#include <cstdint>

namespace rn::tk {

std::int32_t RoundToInt32(double value);

}  // namespace rn::tk
