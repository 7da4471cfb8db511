// The least a Win32 program can do to put a window on screen and wait: the yardstick the
// gadget's start-up, memory and size are measured against. Built with the gadget's own
// toolchain and flags, so that what differs is what the gadget itself adds; DPI-aware through
// the gadget's manifest, so that at every scale it draws what the gadget draws.
//
// Built a second time with RN_FLOOR_PLUS, it also does, in the gadget's order, the work
// that no program showing the gadget's kind of window can avoid: the same DLLs, bound the
// same way (delay-loaded), the common controls version 6 (its manifest), and after the
// topmost window is shown a hidden window with an edit box and two buttons, a region and
// a notification icon. What the gadget costs beyond that is its own work.
#include <windows.h>
//
#ifdef RN_FLOOR_PLUS
#include <commctrl.h>
#include <shellapi.h>
#endif

#include "bench/floor.h"

namespace {

using bench::kFloorClass;
using bench::kFloorPanelTitle;
using bench::kFloorTitle;

#ifdef RN_FLOOR_PLUS
// The hidden window that owns the notification icon, as the gadget's panel does.
HWND panel = nullptr;

NOTIFYICONDATAW TrayIcon() {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = panel;
  icon.uID = 0;
  icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = WM_MOUSEMOVE;
  icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"Floor", 64);
  return icon;
}

// The gadget's panel, reduced to what costs: a window with a text box and two buttons.
HWND MakePanel(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
  const HWND made =
      ::CreateWindowExW(WS_EX_TOOLWINDOW, kFloorClass, kFloorPanelTitle, WS_CAPTION | WS_SYSMENU, 0,
                        0, 300, 200, nullptr, nullptr, instance, nullptr);
  if (!made) return nullptr;
  const DWORD child = WS_CHILD | WS_VISIBLE;
  ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", child | ES_LEFT | ES_AUTOHSCROLL, 8, 8, 270,
                    100, made, nullptr, instance, nullptr);
  ::CreateWindowExW(0, L"BUTTON", L"Clear", child | BS_PUSHBUTTON, 8, 120, 80, 24, made, nullptr,
                    instance, nullptr);
  ::CreateWindowExW(0, L"BUTTON", L"Close", child | BS_PUSHBUTTON, 100, 120, 80, 24, made, nullptr,
                    instance, nullptr);
  return made;
}
#endif

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
#ifdef RN_FLOOR_PLUS
    if (hwnd == panel) return 0;
    NOTIFYICONDATAW icon = TrayIcon();
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
#endif
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kFloorClass;
  if (!::RegisterClassW(&wc)) return 1;
  // The badge's size at the screen's scale, and its place, so that both put the same pixels on
  // screen.
  const int side = ::MulDiv(50, static_cast<int>(::GetDpiForSystem()), USER_DEFAULT_SCREEN_DPI);
  const HWND hwnd =
      ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kFloorClass, kFloorTitle, WS_POPUP, 0, 0,
                        side, side, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
#ifdef RN_FLOOR_PLUS
  panel = MakePanel(instance);
  ::SetWindowRgn(hwnd, ::CreateEllipticRgn(0, 0, side + 1, side + 1), TRUE);
  NOTIFYICONDATAW icon = TrayIcon();
  ::Shell_NotifyIconW(NIM_ADD, &icon);
#endif
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
