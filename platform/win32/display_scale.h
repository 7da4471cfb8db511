// The Win32 side of the display scale: the per-monitor calls, looked up when
// first needed (Windows before 10 version 1607 lacks them, and so may a Wine),
// and pictures drawn for 100 % copied at another size by the nearest-neighbour
// rule the simulated desktop draws with.
#pragma once

#include <cstdint>

#include "platform/win32/handles.h"
#include "platform/win32/native.h"

namespace rn::win32 {

// The scale of the monitor a window stands on; 0 where the system cannot say.
std::int32_t WindowDpi(HWND hwnd);

// The system scale, which twips follow; 0 where the system cannot say.
std::int32_t SystemDpi();

// The message font (the one standard controls use) as the system makes it at
// `dpi`; where it can only make it at its own scale, `systemDpi`, the height is
// scaled from that.
bool MessageFontAt(std::int32_t dpi, std::int32_t systemDpi, LOGFONTW& font);

// A 32-bit bitmap of width x height that keeps every colour drawn on it, made
// without the screen's DC (borrowing that costs 0.7 ms under Wine); its pixels
// are at `bits` when asked for. Null if the system refuses it.
unique_hbitmap TrueColourBitmap(std::int32_t width, std::int32_t height, void** bits = nullptr);

// A 32-bit copy of `source` spread over width x height pixels; null if the
// system refuses any step.
unique_hbitmap ScaledBitmap(HBITMAP source, std::int32_t width, std::int32_t height);

}  // namespace rn::win32
