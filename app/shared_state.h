// The state the gadget's parts share for the whole run.
#pragma once

#include "platform/flag.h"
#include "platform/notify_icon.h"

namespace rn {

struct Module1 {
  NotifyIconRecord TrayIconData;
  Flag FrontFlag = kFalse;  // keep the floating window in front of all others
  float PanelLeft = 0;      // where the operation panel opens, twips
  float PanelTop = 0;
};

}  // namespace rn
