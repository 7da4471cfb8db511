// The buttons and keys a mouse message's wParam holds, as the toolkit's Button
// and Shift values, and back. Alt is not among them: the platform tells it apart.
#pragma once

#include <cstdint>

#include "platform/desktop.h"
#include "platform/types.h"

namespace rn {

constexpr std::int16_t ButtonsHeld(std::uint32_t keys) {
  return static_cast<std::int16_t>(((keys & win::MkLButton) ? kLeftButton : 0) |
                                   ((keys & win::MkRButton) ? kRightButton : 0) |
                                   ((keys & win::MkMButton) ? kMiddleButton : 0));
}

constexpr std::int16_t ShiftHeld(std::uint32_t keys) {
  return static_cast<std::int16_t>(((keys & win::MkShift) ? kShiftMask : 0) |
                                   ((keys & win::MkControl) ? kCtrlMask : 0));
}

constexpr std::uint32_t KeysHeld(std::int16_t buttons, std::int16_t shift) {
  return ((buttons & kLeftButton) ? win::MkLButton : 0u) |
         ((buttons & kRightButton) ? win::MkRButton : 0u) |
         ((buttons & kMiddleButton) ? win::MkMButton : 0u) |
         ((shift & kShiftMask) ? win::MkShift : 0u) | ((shift & kCtrlMask) ? win::MkControl : 0u);
}

}  // namespace rn
