// rn_probe_host: a window whose looks are known, for the harness's own tests. Solid fill,
// rounded region, a captioned button in a chosen face, a context menu and a tray icon that
// opens the same menu, so that a test can check what the probe and the screenshots say of
// find, children, menus, the tray and pixels against known values.

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <type_traits>

namespace {

struct GdiDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
template <class T>
using Gdi = std::unique_ptr<std::remove_pointer_t<T>, GdiDeleter>;

constexpr COLORREF kHostFill = RGB(0x20, 0x60, 0xC0);
constexpr UINT kHostQuit = 100;
constexpr UINT kHostTray = WM_APP + 1;

NOTIFYICONDATAW HostIcon(HWND h) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = h;
  icon.uID = 1;
  icon.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  icon.uCallbackMessage = kHostTray;
  icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wcsncpy(icon.szTip, L"rn_probe host", 127);
  return icon;
}

LRESULT CALLBACK HostProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case kHostTray:
      if (LOWORD(lp) != WM_RBUTTONUP) return 0;
      POINT at;
      GetCursorPos(&at);
      return HostProc(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(at.x, at.y));
    case WM_CONTEXTMENU: {
      HMENU menu = CreatePopupMenu();
      AppendMenuW(menu, MF_STRING, 101, L"One");
      AppendMenuW(menu, MF_STRING, 102, L"Two");
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, kHostQuit, L"終了");
      SetForegroundWindow(h);
      UINT cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, LOWORD(lp), HIWORD(lp), 0, h,
                                nullptr);
      DestroyMenu(menu);
      if (cmd == kHostQuit) DestroyWindow(h);
      return 0;
    }
    case WM_DESTROY: {
      NOTIFYICONDATAW icon = HostIcon(h);
      Shell_NotifyIconW(NIM_DELETE, &icon);
      PostQuitMessage(0);
      return 0;
    }
  }
  return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 8) {
    fputs("usage: rn_probe_host <title> <x> <y> <w> <h> <button-text> <button-face>\n", stderr);
    return 3;
  }
  ++argv;
  const int x = _wtoi(argv[1]), y = _wtoi(argv[2]), w = _wtoi(argv[3]), hgt = _wtoi(argv[4]);
  const Gdi<HBRUSH> fill(CreateSolidBrush(kHostFill));
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = fill.get();
  wc.lpszClassName = L"RnProbeHost";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, wc.lpszClassName, argv[0], WS_OVERLAPPEDWINDOW, x, y, w, hgt, nullptr,
                           nullptr, wc.hInstance, nullptr);
  if (!h) return 3;
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, argv[6], LF_FACESIZE - 1);
  const Gdi<HFONT> font(CreateFontIndirectW(&lf));
  HWND button = CreateWindowExW(0, L"BUTTON", argv[5], WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20,
                                20, 160, 40, h, reinterpret_cast<HMENU>(1), wc.hInstance, nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  SetWindowRgn(h, CreateRoundRectRgn(0, 0, w + 1, hgt + 1, 40, 40), FALSE);
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  NOTIFYICONDATAW icon = HostIcon(h);
  Shell_NotifyIconW(NIM_ADD, &icon);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}
