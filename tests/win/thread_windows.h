// The windows a test's user answers on this thread: an open popup menu, read
// and answered with keys, and an open message box.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/native.h"
#include "platform/win32/text.h"

namespace rn::win32 {

// A visible top-level window of this thread with the given class, if any.
inline HWND ThreadWindow(const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    HWND found;
  } search{className, nullptr};
  ::EnumThreadWindows(
      ::GetCurrentThreadId(),
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t name[32]{};
        ::GetClassNameW(hwnd, name, 32);
        if (std::wstring_view(name) != s->className || !::IsWindowVisible(hwnd)) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The open popup menu, and the open message box.
inline HWND OpenMenu() { return ThreadWindow(L"#32768"); }
inline HWND OpenMessageBox() { return ThreadWindow(L"#32770"); }

inline std::vector<std::string> MenuCaptions(HWND menuWindow) {
  std::vector<std::string> captions;
  const auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  const int count = menu ? ::GetMenuItemCount(menu) : 0;
  for (int i = 0; i < count; ++i) {
    if (::GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) {
      captions.emplace_back("-");
      continue;
    }
    wchar_t text[64]{};
    ::GetMenuStringW(menu, i, text, 64, MF_BYPOSITION);
    captions.push_back(Narrow(text));
  }
  return captions;
}

inline void PostKey(HWND target, WPARAM key) {
  ::PostMessageW(target, WM_KEYDOWN, key, 1);
  ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

}  // namespace rn::win32
