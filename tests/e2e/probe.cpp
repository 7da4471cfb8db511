// rn_probe: the black-box driver of the end-to-end tests. It runs in the gadget's Wine prefix,
// looks at the gadget's windows the way another Windows program would, and prints one JSON
// object per line (UTF-8, LF) so that the Python harness can parse it without guessing.
//
// Exit codes: 0 done, 1 nothing matched, 2 timed out, 3 bad arguments or a failing call.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

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
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
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
      if (h)
        PrintWindow(h);
      else
        Json().Bool("gone", true).Print();
      return kOk;
    }
    if (GetTickCount64() >= deadline) return kTimeout;
    Sleep(20);
  }
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
        .Str("class", ClassName(h))
        .Str("text", WindowText(h))
        .Rect("rect", r)
        .Bool("visible", IsWindowVisible(h))
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
  int shown = 0;
  for (HWND h : TopLevels()) {
    if (ClassName(h) != L"#32768" || !IsWindowVisible(h)) continue;
    RECT r{};
    GetWindowRect(h, &r);
    Json().Num("hwnd", reinterpret_cast<intptr_t>(h)).Rect("rect", r).Print();
    ++shown;
  }
  return shown ? kOk : kNone;
}

int CmdMessage(bool send, int argc, wchar_t** argv) {
  HWND h{};
  long long msg = 0, wp = 0, lp = 0;
  if (argc < 4 || !ParseHwnd(argv[0], h) || !ParseInt(argv[1], msg) || !ParseInt(argv[2], wp) ||
      !ParseInt(argv[3], lp))
    return kUsage;
  if (!send) {
    BOOL ok =
        PostMessageW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp), static_cast<LPARAM>(lp));
    Json().Bool("ok", ok).Print();
    return ok ? kOk : kUsage;
  }
  DWORD_PTR result = 0;
  LRESULT ok = SendMessageTimeoutW(h, static_cast<UINT>(msg), static_cast<WPARAM>(wp),
                                   static_cast<LPARAM>(lp), SMTO_ABORTIFHUNG, 5000, &result);
  Json().Bool("ok", ok != 0).Num("result", static_cast<long long>(result)).Print();
  return ok ? kOk : kTimeout;
}

// Places a window without activating it, for journeys that need a known starting position
// rather than a drag.
int CmdMove(int argc, wchar_t** argv) {
  HWND h{};
  long long x = 0, y = 0;
  if (argc != 3 || !ParseHwnd(argv[0], h) || !ParseInt(argv[1], x) || !ParseInt(argv[2], y))
    return kUsage;
  BOOL ok = SetWindowPos(h, nullptr, static_cast<int>(x), static_cast<int>(y), 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
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

int Usage() {
  fputs(
      "usage: rn_probe find <title> | list | wait <title> visible|hidden|gone <timeout_ms>\n"
      "       | children <hwnd> | menu | foreground\n"
      "       | post|send <hwnd> <msg> <wparam> <lparam>\n"
      "       | move <hwnd> <x> <y>\n"
      "       | dpi | font <face> <text> | kill <pid>\n",
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
  if (cmd == L"children" && n == 1 && ParseHwnd(args[0], h)) return CmdChildren(h);
  if (cmd == L"menu" && n == 0) return CmdMenu();
  if (cmd == L"foreground" && n == 0) return CmdForeground();
  if (cmd == L"post" || cmd == L"send") return CmdMessage(cmd == L"send", n, args);
  if (cmd == L"move") return CmdMove(n, args);
  if (cmd == L"dpi" && n == 0) return CmdDpi();
  if (cmd == L"font" && n == 2) return CmdFont(args[0], args[1]);
  if (cmd == L"kill" && n == 1 && ParseInt(args[0], v)) return CmdKill(v);
  return Usage();
}
