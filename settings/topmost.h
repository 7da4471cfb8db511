// The topmost switch: puts a window into the desktop's topmost band or takes it
// out, keeping its place and size and showing it. Callers keep the flag.
#pragma once

#include <cstdint>

#include "platform/winapi.h"

namespace rn {

// -1 when the window manager accepted the change, 0 when it refused.
std::int32_t SetTopmost(WinApi& api, HWnd hwnd);
std::int32_t ClearTopmost(WinApi& api, HWnd hwnd);

}  // namespace rn
