// The least a Win32 program can do to put a window on screen and wait: the yardstick the
// gadget's start-up, memory and size are measured against. Built with the gadget's own
// toolchain and flags, so that what differs is what the gadget itself adds.
//
// Built a second time with RN_FLOOR_PLUS, it also does what the system asks of any program
// that shows the gadget's kind of window: the same DLLs, the common controls version 6
// (its manifest), a region and a notification icon. What the gadget costs
// beyond that is its own work.
#include <windows.h>
//
#ifdef RN_FLOOR_PLUS
#include <commctrl.h>
#include <shellapi.h>
#endif

namespace {

constexpr wchar_t kClass[] = L"RavikN.Floor";

#ifdef RN_FLOOR_PLUS
NOTIFYICONDATAW TrayIcon(HWND hwnd) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = hwnd;
  icon.uID = 0;
  icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = WM_MOUSEMOVE;
  icon.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  lstrcpynW(icon.szTip, L"Floor", 64);
  return icon;
}
#endif

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
#ifdef RN_FLOOR_PLUS
    NOTIFYICONDATAW icon = TrayIcon(hwnd);
    ::Shell_NotifyIconW(NIM_DELETE, &icon);
#endif
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
#ifdef RN_FLOOR_PLUS
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&controls);
#endif
  WNDCLASSW wc{};
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kClass;
  if (!::RegisterClassW(&wc)) return 1;
  // The badge's size and place, so that both put the same pixels on screen.
  const HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClass, L"Floor", WS_POPUP,
                                      0, 0, 50, 50, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
#ifdef RN_FLOOR_PLUS
  ::SetWindowRgn(hwnd, ::CreateEllipticRgn(0, 0, 51, 51), FALSE);
  NOTIFYICONDATAW icon = TrayIcon(hwnd);
  ::Shell_NotifyIconW(NIM_ADD, &icon);
#endif
  ::ShowWindow(hwnd, SW_SHOW);
  ::UpdateWindow(hwnd);
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
