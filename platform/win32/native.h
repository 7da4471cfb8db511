// The one place the Win32 headers come in, and the one pair of conversions
// between the gadget's 32-bit handles and the platform's pointer-sized ones.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

// clang-format off
#include <windows.h>
// The ones below build on windows.h.
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
// clang-format on

#include <cstdint>

#include "platform/types.h"

namespace rn::win32 {

// Window, DC, bitmap, region and icon handles have 32 significant bits on
// 64-bit Windows: dropping the upper half loses nothing...
inline Handle ToHandle(const void* handle) {
  return static_cast<Handle>(reinterpret_cast<std::uintptr_t>(handle));
}

// ...and the platform widens them back by sign extension, so (HWND)-1 survives.
template <class H>
H FromHandle(Handle handle) {
  return reinterpret_cast<H>(static_cast<INT_PTR>(static_cast<std::int32_t>(handle)));
}

inline HWND ToHwnd(HWnd handle) { return FromHandle<HWND>(handle); }

}  // namespace rn::win32
