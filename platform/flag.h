// The toolkit's boolean: 16 bits, true is -1 and false 0, and it never holds another value.
#pragma once

#include <cstdint>

namespace rn {

using Flag = std::int16_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

}  // namespace rn
