// The state the gadget's parts share for the whole run.
#pragma once

#include <cstdint>

#include "platform/notify_icon.h"

namespace rn {

// A 16-bit boolean: true is -1, false 0, and it never holds another value.
using Flag = std::int16_t;
inline constexpr Flag kTrue = -1;
inline constexpr Flag kFalse = 0;

struct Module1 {
  NotifyIconRecord TrayIconData;
  Flag FrontFlag = kFalse;  // keep the floating window in front of all others
  float PanelLeft = 0;      // where the operation panel opens, twips
  float PanelTop = 0;
};

}  // namespace rn
