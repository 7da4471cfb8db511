#include "platform/notify_icon.h"

#include <algorithm>

namespace rn {
namespace {

void PutU32(NotifyRecordBytes& out, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const NotifyRecordBytes& in, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t{in[offset + i]} << (8 * i);
  return value;
}

constexpr std::size_t kTipOffset = 24;

}  // namespace

void NotifyIconRecord::SetTip(std::u16string_view text) {
  szTip.fill(u' ');
  std::copy_n(text.begin(), std::min(text.size(), szTip.size()), szTip.begin());
}

NotifyRecordBytes ToAnsiForm(const NotifyIconRecord& record) {
  NotifyRecordBytes out{};
  PutU32(out, 0, record.cbSize);
  PutU32(out, 4, record.hWnd);
  PutU32(out, 8, record.uID);
  PutU32(out, 12, record.uFlags);
  PutU32(out, 16, record.uCallbackMessage);
  PutU32(out, 20, record.hIcon);
  for (std::size_t i = 0; i < kNotifyTipChars; ++i) {
    const char16_t c = record.szTip[i];
    out[kTipOffset + i] = c < 0x80 ? static_cast<std::uint8_t>(c) : std::uint8_t{'?'};
  }
  return out;
}

NotifyAnsiFields FromAnsiForm(const NotifyRecordBytes& bytes) {
  NotifyAnsiFields f{GetU32(bytes, 0),
                     GetU32(bytes, 4),
                     GetU32(bytes, 8),
                     GetU32(bytes, 12),
                     GetU32(bytes, 16),
                     GetU32(bytes, 20),
                     {}};
  std::copy_n(bytes.begin() + kTipOffset, kNotifyTipChars, f.szTip.begin());
  return f;
}

bool IsNotifyIconCallback(std::uint32_t wParam, std::uint32_t lParam, std::uint32_t iconId) {
  constexpr std::uint32_t kFirstMouseMessage = 0x0200;  // WM_MOUSEMOVE
  constexpr std::uint32_t kLastMouseMessage = 0x020E;   // WM_MOUSEHWHEEL
  return wParam == iconId && (lParam >> 16) == 0 && lParam >= kFirstMouseMessage &&
         lParam <= kLastMouseMessage;
}

}  // namespace rn
