// The notification-icon record and the 88-byte form in which it crosses to the
// notification area, whatever the bitness of the build.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/types.h"

namespace rn {

inline constexpr std::size_t kNotifyTipChars = 64;
inline constexpr std::size_t kNotifyRecordBytes = 88;
using NotifyRecordBytes = std::array<std::uint8_t, kNotifyRecordBytes>;

struct NotifyIconRecord {
  std::uint32_t cbSize = 0;
  HWnd hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  Handle hIcon = 0;
  std::array<char16_t, kNotifyTipChars> szTip{};  // the toolkit's wide, fixed-length text

  // Places `text` left-aligned in the fixed field, cut to its length, padded with spaces.
  void SetTip(std::u16string_view text);
};

// The ANSI form: six little-endian 32-bit fields, then the tip one byte a character.
// The tip is plain ASCII; anything else would not survive the ANSI code page
// unchanged, so it becomes '?' rather than a byte of another meaning.
NotifyRecordBytes ToAnsiForm(const NotifyIconRecord& record);

// The fields of an ANSI form, for the backends that hand it to the platform.
struct NotifyAnsiFields {
  std::uint32_t cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon;
  std::array<char, kNotifyTipChars> szTip;
};
NotifyAnsiFields FromAnsiForm(const NotifyRecordBytes& bytes);

// The icon's callback reuses the mouse-move message number. The two are told
// apart where they arrive: the icon's message carries the icon's identifier (0)
// where a pointer move carries its button state, and a mouse message number
// where a pointer move carries its coordinates. A move with no button held on
// the top row, at an x that is also a mouse message number, still looks alike.
bool IsNotifyIconCallback(std::uint32_t wParam, std::uint32_t lParam, std::uint32_t iconId);

}  // namespace rn
