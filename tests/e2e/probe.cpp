// rn_probe: the black-box driver of the end-to-end tests. It runs in the gadget's Wine prefix,
// looks at the gadget's windows the way another Windows program would, and prints one JSON
// object per line (UTF-8, LF) so that the Python harness can parse it without guessing.
//
// Exit codes: 0 done, 1 nothing matched, 2 timed out, 3 bad arguments or a failing call.

#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kNone = 1;
constexpr int kTimeout = 2;
constexpr int kUsage = 3;

// --- RAII for the few handle kinds the probe holds ---------------------------------------

struct GdiDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
template <class T>
using Gdi = std::unique_ptr<std::remove_pointer_t<T>, GdiDeleter>;

struct HandleDeleter {
  void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleDeleter>;

class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() { ReleaseDC(nullptr, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// --- text ---------------------------------------------------------------------------------

std::string Utf8(std::wstring_view w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring WindowText(HWND h) {
  wchar_t buf[512];
  int n = GetWindowTextW(h, buf, 512);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ClassName(HWND h) {
  wchar_t buf[256];
  int n = GetClassNameW(h, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ImagePath(DWORD pid) {
  Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return {};
  wchar_t buf[MAX_PATH * 2];
  DWORD n = MAX_PATH * 2;
  if (!QueryFullProcessImageNameW(process.get(), 0, buf, &n)) return {};
  return std::wstring(buf, n);
}

// --- one JSON object per line -------------------------------------------------------------

class Json {
 public:
  Json& Num(std::string_view k, long long v) { return Raw(k, std::to_string(v)); }
  Json& Bool(std::string_view k, bool v) { return Raw(k, v ? "true" : "false"); }
  Json& Str(std::string_view k, std::wstring_view v) { return Raw(k, Quote(Utf8(v))); }
  Json& Rect(std::string_view k, const RECT& r) {
    return Raw(k, "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
                      std::to_string(r.right) + "," + std::to_string(r.bottom) + "]");
  }
  Json& Raw(std::string_view k, const std::string& v) {
    out_ += out_.size() > 1 ? ",\"" : "\"";
    out_ += k;
    out_ += "\":";
    out_ += v;
    return *this;
  }
  void Print() {
    out_ += "}\n";
    fwrite(out_.data(), 1, out_.size(), stdout);
    fflush(stdout);
  }

 private:
  static std::string Quote(const std::string& s) {
    std::string q = "\"";
    for (unsigned char c : s) {
      if (c == '"' || c == '\\') {
        q += '\\';
        q += static_cast<char>(c);
      } else if (c < 0x20) {
        char esc[8];
        snprintf(esc, sizeof esc, "\\u%04x", c);
        q += esc;
      } else {
        q += static_cast<char>(c);
      }
    }
    return q + "\"";
  }
  std::string out_ = "{";
};

void PrintWindow(HWND h) {
  RECT window{}, client{};
  GetWindowRect(h, &window);
  GetClientRect(h, &client);
  MapWindowPoints(h, nullptr, reinterpret_cast<POINT*>(&client), 2);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  LONG_PTR exstyle = GetWindowLongPtrW(h, GWL_EXSTYLE);
  Json()
      .Num("hwnd", reinterpret_cast<intptr_t>(h))
      .Num("pid", pid)
      .Bool("visible", IsWindowVisible(h))
      .Rect("rect", window)
      .Rect("client", client)
      .Num("style", static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)))
      .Num("exstyle", static_cast<DWORD>(exstyle))
      .Bool("topmost", (exstyle & WS_EX_TOPMOST) != 0)
      .Str("class", ClassName(h))
      .Str("title", WindowText(h))
      .Str("image", ImagePath(pid))
      .Print();
}

// --- argument parsing ---------------------------------------------------------------------

bool ParseInt(const wchar_t* s, long long& out) {
  wchar_t* end = nullptr;
  out = *s == L'-' ? wcstoll(s, &end, 0) : static_cast<long long>(wcstoull(s, &end, 0));
  return end != s && *end == 0;
}

bool ParseHwnd(const wchar_t* s, HWND& out) {
  long long v = 0;
  if (!ParseInt(s, v)) return false;
  out = reinterpret_cast<HWND>(static_cast<intptr_t>(v));
  return IsWindow(out);
}

// Message names the journeys use, so that tests read "WM_CLOSE" rather than 16;
// "WM_APP+3" and plain numbers work too.
bool ParseMessage(const wchar_t* s, UINT& out) {
  static const struct {
    const wchar_t* name;
    UINT value;
  } kNames[] = {
      {L"WM_NULL", WM_NULL},           {L"WM_CLOSE", WM_CLOSE},
      {L"WM_QUIT", WM_QUIT},           {L"WM_KEYDOWN", WM_KEYDOWN},
      {L"WM_KEYUP", WM_KEYUP},         {L"WM_CHAR", WM_CHAR},
      {L"WM_COMMAND", WM_COMMAND},     {L"WM_SYSCOMMAND", WM_SYSCOMMAND},
      {L"WM_TIMER", WM_TIMER},         {L"WM_MOUSEMOVE", WM_MOUSEMOVE},
      {L"WM_LBUTTONDOWN", WM_LBUTTONDOWN}, {L"WM_LBUTTONUP", WM_LBUTTONUP},
      {L"WM_LBUTTONDBLCLK", WM_LBUTTONDBLCLK}, {L"WM_RBUTTONDOWN", WM_RBUTTONDOWN},
      {L"WM_RBUTTONUP", WM_RBUTTONUP}, {L"WM_CONTEXTMENU", WM_CONTEXTMENU},
      {L"WM_USER", WM_USER},           {L"WM_APP", WM_APP},
  };
  std::wstring_view text(s);
  long long offset = 0;
  if (size_t plus = text.find(L'+'); plus != std::wstring_view::npos) {
    std::wstring rest(text.substr(plus + 1));
    if (!ParseInt(rest.c_str(), offset)) return false;
    text = text.substr(0, plus);
  }
  for (const auto& n : kNames) {
    if (text == n.name) {
      out = n.value + static_cast<UINT>(offset);
      return true;
    }
  }
  long long v = 0;
  std::wstring number(text);
  if (!ParseInt(number.c_str(), v)) return false;
  out = static_cast<UINT>(v + offset);
  return true;
}

// --- finding windows ----------------------------------------------------------------------

std::vector<HWND> TopLevels() {
  std::vector<HWND> all;
  EnumWindows(
      [](HWND h, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&all));
  return all;
}

// Exact caption match; a visible window wins over hidden ones of the same name, because a
// program may keep a hidden twin (a message-only helper, a cached dialog).
HWND FindByTitle(std::wstring_view title) {
  HWND hidden = nullptr;
  for (HWND h : TopLevels()) {
    if (WindowText(h) != title) continue;
    if (IsWindowVisible(h)) return h;
    if (!hidden) hidden = h;
  }
  return hidden;
}

// --- subcommands --------------------------------------------------------------------------

int CmdFind(const wchar_t* title) {
  HWND h = FindByTitle(title);
  if (!h) return kNone;
  PrintWindow(h);
  return kOk;
}

int CmdList() {
  for (HWND h : TopLevels()) PrintWindow(h);
  return kOk;
}

int CmdWait(const wchar_t* title, std::wstring_view state, long long timeout_ms) {
  if (state != L"visible" && state != L"hidden" && state != L"gone") return kUsage;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  for (;;) {
    HWND h = FindByTitle(title);
    bool reached = state == L"gone" ? h == nullptr
                   : h == nullptr   ? false
                                    : (IsWindowVisible(h) != FALSE) == (state == L"visible");
    if (reached) {
      if (h) PrintWindow(h);
      else Json().Bool("gone", true).Print();
      return kOk;
    }
    if (GetTickCount64() >= deadline) return kTimeout;
    Sleep(20);
  }
}

int CmdRegion(HWND h) {
  Gdi<HRGN> rgn(CreateRectRgn(0, 0, 0, 0));
  int type = GetWindowRgn(h, rgn.get());
  static const wchar_t* kTypes[] = {L"none", L"null", L"simple", L"complex"};
  std::string rects = "[";
  if (type == SIMPLEREGION || type == COMPLEXREGION) {
    DWORD size = GetRegionData(rgn.get(), 0, nullptr);
    std::vector<char> buf(size);
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    if (size && GetRegionData(rgn.get(), size, data)) {
      const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
      for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        if (i) rects += ",";
        rects += "[" + std::to_string(r[i].left) + "," + std::to_string(r[i].top) + "," +
                 std::to_string(r[i].right) + "," + std::to_string(r[i].bottom) + "]";
      }
    }
  }
  Json()
      .Num("hwnd", reinterpret_cast<intptr_t>(h))
      .Str("type", kTypes[type >= 0 && type <= 3 ? type : 0])
      .Raw("rects", rects + "]")
      .Print();
  return kOk;
}

int CmdChildren(HWND parent) {
  std::vector<HWND> kids;
  EnumChildWindows(
      parent,
      [](HWND h, LPARAM p) {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&kids));
  for (HWND h : kids) {
    RECT r{};
    GetWindowRect(h, &r);
    Json()
        .Num("hwnd", reinterpret_cast<intptr_t>(h))
        .Num("parent", reinterpret_cast<intptr_t>(GetParent(h)))
        .Num("id", GetDlgCtrlID(h))
        .Str("class", ClassName(h))
        .Str("text", WindowText(h))
        .Rect("rect", r)
        .Bool("visible", IsWindowVisible(h))
        .Bool("enabled", IsWindowEnabled(h))
        .Print();
  }
  return kOk;
}

int CmdForeground() {
  HWND h = GetForegroundWindow();
  if (!h) return kNone;
  PrintWindow(h);
  return kOk;
}

int CmdMenu() {
  constexpr UINT kGetHmenu = 0x01E1;  // MN_GETHMENU; not in every MinGW header set
  int shown = 0;
  for (HWND h : TopLevels()) {
    if (ClassName(h) != L"#32768" || !IsWindowVisible(h)) continue;
    RECT r{};
    GetWindowRect(h, &r);
    DWORD_PTR menu = 0;
    SendMessageTimeoutW(h, kGetHmenu, 0, 0, SMTO_ABORTIFHUNG, 2000, &menu);
    int count = menu ? GetMenuItemCount(reinterpret_cast<HMENU>(menu)) : -1;
    Json()
        .Num("hwnd", reinterpret_cast<intptr_t>(h))
        .Rect("rect", r)
        .Num("items", count)
        .Print();
    ++shown;
  }
  return shown ? kOk : kNone;
}

int CmdMessage(bool send, int argc, wchar_t** argv) {
  HWND h{};
  UINT msg{};
  long long wp = 0, lp = 0;
  if (argc < 4 || !ParseHwnd(argv[0], h) || !ParseMessage(argv[1], msg) || !ParseInt(argv[2], wp) ||
      !ParseInt(argv[3], lp))
    return kUsage;
  if (!send) {
    BOOL ok = PostMessageW(h, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
    Json().Bool("ok", ok).Print();
    return ok ? kOk : kUsage;
  }
  DWORD_PTR result = 0;
  LRESULT ok = SendMessageTimeoutW(h, msg, static_cast<WPARAM>(wp), static_cast<LPARAM>(lp),
                                   SMTO_ABORTIFHUNG, 5000, &result);
  Json().Bool("ok", ok != 0).Num("result", static_cast<long long>(result)).Print();
  return ok ? kOk : kTimeout;
}

// Places a window without activating it, for journeys that need a known starting position
// rather than a drag.
int CmdMove(int argc, wchar_t** argv) {
  HWND h{};
  long long x = 0, y = 0, w = 0, hgt = 0;
  if ((argc != 3 && argc != 5) || !ParseHwnd(argv[0], h) || !ParseInt(argv[1], x) ||
      !ParseInt(argv[2], y) || (argc == 5 && (!ParseInt(argv[3], w) || !ParseInt(argv[4], hgt))))
    return kUsage;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (argc == 3 ? SWP_NOSIZE : 0);
  BOOL ok = SetWindowPos(h, nullptr, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                         static_cast<int>(hgt), flags);
  Json().Bool("ok", ok).Print();
  return ok ? kOk : kUsage;
}

int CmdDpi() {
  ScreenDc dc;
  Json()
      .Num("logpixelsx", GetDeviceCaps(dc.get(), LOGPIXELSX))
      .Num("logpixelsy", GetDeviceCaps(dc.get(), LOGPIXELSY))
      .Num("width", GetSystemMetrics(SM_CXSCREEN))
      .Num("height", GetSystemMetrics(SM_CYSCREEN))
      .Print();
  return kOk;
}

// Which face GDI really picks for a requested name and how many characters of `text` it has
// no glyph for: a missing font replacement shows up as missing glyphs, not as an error.
int CmdFont(const wchar_t* face, std::wstring_view text) {
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  Gdi<HFONT> font(CreateFontIndirectW(&lf));
  ScreenDc dc;
  Selected selected(dc.get(), font.get());
  wchar_t realized[LF_FACESIZE]{};
  GetTextFaceW(dc.get(), LF_FACESIZE, realized);
  std::vector<WORD> glyphs(text.size());
  GetGlyphIndicesW(dc.get(), text.data(), static_cast<int>(text.size()), glyphs.data(),
                   GGI_MARK_NONEXISTING_GLYPHS);
  long long missing = 0;
  for (WORD g : glyphs) missing += g == 0xFFFF ? 1 : 0;
  Json()
      .Str("requested", face)
      .Str("face", realized)
      .Num("chars", static_cast<long long>(text.size()))
      .Num("missing", missing)
      .Print();
  return kOk;
}

int CmdKill(long long pid) {
  Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid)));
  if (!process) return kNone;
  BOOL ok = TerminateProcess(process.get(), 1);
  Json().Bool("ok", ok).Print();
  return ok ? kOk : kUsage;
}

// --- host: a known window for the harness's own tests -------------------------------------
// Solid fill, rounded region, a captioned button in a chosen face, a context menu and a tray
// icon that opens the same menu, so that a test can check find, region, children, menu,
// drag, tray and pixels against known values.

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

int CmdHost(int argc, wchar_t** argv) {
  long long x = 0, y = 0, w = 0, hgt = 0;
  if (argc < 7 || !ParseInt(argv[1], x) || !ParseInt(argv[2], y) || !ParseInt(argv[3], w) ||
      !ParseInt(argv[4], hgt))
    return kUsage;
  Gdi<HBRUSH> fill(CreateSolidBrush(kHostFill));
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = fill.get();
  wc.lpszClassName = L"RnProbeHost";
  RegisterClassW(&wc);
  HWND h = CreateWindowExW(0, wc.lpszClassName, argv[0], WS_OVERLAPPEDWINDOW, static_cast<int>(x),
                           static_cast<int>(y), static_cast<int>(w), static_cast<int>(hgt), nullptr,
                           nullptr, wc.hInstance, nullptr);
  if (!h) return kUsage;
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, argv[6], LF_FACESIZE - 1);
  Gdi<HFONT> font(CreateFontIndirectW(&lf));
  HWND button = CreateWindowExW(0, L"BUTTON", argv[5], WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20,
                                160, 40, h, reinterpret_cast<HMENU>(1), wc.hInstance, nullptr);
  SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  SetWindowRgn(h, CreateRoundRectRgn(0, 0, static_cast<int>(w) + 1, static_cast<int>(hgt) + 1, 40, 40),
               FALSE);
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

int Usage() {
  fputs(
      "usage: rn_probe find <title> | list | wait <title> visible|hidden|gone <timeout_ms>\n"
      "       | region <hwnd> | children <hwnd> | menu | foreground\n"
      "       | post|send <hwnd> <msg> <wparam> <lparam>\n"
      "       | move <hwnd> <x> <y> [<w> <h>]\n"
      "       | dpi | font <face> <text> | kill <pid>\n"
      "       | host <title> <x> <y> <w> <h> <button-text> <button-face>\n",
      stderr);
  return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // LF line ends whatever the stream is; Python reads the lines as UTF-8.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return Usage();
  const std::wstring_view cmd = argv[1];
  const int n = argc - 2;
  wchar_t** args = argv + 2;
  long long v = 0;
  HWND h{};
  if (cmd == L"find" && n == 1) return CmdFind(args[0]);
  if (cmd == L"list" && n == 0) return CmdList();
  if (cmd == L"wait" && n == 3 && ParseInt(args[2], v)) return CmdWait(args[0], args[1], v);
  if (cmd == L"region" && n == 1 && ParseHwnd(args[0], h)) return CmdRegion(h);
  if (cmd == L"children" && n == 1 && ParseHwnd(args[0], h)) return CmdChildren(h);
  if (cmd == L"menu" && n == 0) return CmdMenu();
  if (cmd == L"foreground" && n == 0) return CmdForeground();
  if (cmd == L"post" || cmd == L"send") return CmdMessage(cmd == L"send", n, args);
  if (cmd == L"move") return CmdMove(n, args);
  if (cmd == L"dpi" && n == 0) return CmdDpi();
  if (cmd == L"font" && n == 2) return CmdFont(args[0], args[1]);
  if (cmd == L"kill" && n == 1 && ParseInt(args[0], v)) return CmdKill(v);
  if (cmd == L"host") return CmdHost(n, args);
  return Usage();
}
