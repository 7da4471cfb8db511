// rn_bench_driver: starts, watches, drives and ends the programs that scripts/bench compares,
// from outside, as another Windows program would. Prints one JSON object per line.
//
//   start <exe> floor|floor-plus|gadget <timeout_ms>   starts the program and returns once it is up
//   objects <pid>                           its GDI and USER object counts
//   modules <pid>                           the DLLs it has loaded, each with its full path
//   cycles <pid> <count> <timeout_ms>       panel open/close, menu open/cancel and settings
//                                           dialog open/OK, <count> times each
//   stop <pid> floor|floor-plus|gadget <timeout_ms>    ends it as its user would
//
// Exit codes: 0 done, 2 timed out, 3 bad arguments or a failing call.

// windows.h first: the other platform headers build on it.
#include <windows.h>
//
#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kOk = 0;
constexpr int kTimeout = 2;
constexpr int kFail = 3;

constexpr wchar_t kFormClass[] = L"RavikN.Form";
constexpr wchar_t kBadgeTitle[] = L"Form1";
constexpr wchar_t kPanelTitle[] = L"操作パネル";
constexpr wchar_t kDialogTitle[] = L"設定";
constexpr wchar_t kMenuClass[] = L"#32768";
constexpr wchar_t kFloorClass[] = L"RavikN.Floor";
constexpr wchar_t kFloorTitle[] = L"Floor";
constexpr wchar_t kFloorPanelTitle[] = L"Floor panel";

// The tray icon's callback carries a mouse message number in place of a position.
constexpr LPARAM kTrayDoubleClick = WM_LBUTTONDBLCLK;
constexpr LPARAM kTrayRightPress = WM_RBUTTONDOWN;
// The gadget's menu: open the panel, settings, a separator, exit.
constexpr int kSettingsItem = 1;
constexpr int kExitItem = 2;  // separators don't take a key press

class Handle {
 public:
  explicit Handle(HANDLE h = nullptr) : h_(h) {}
  ~Handle() {
    if (h_) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HANDLE h_;
};

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerMs;
}

void PrintLine(const std::string& json) {
  std::fwrite(json.data(), 1, json.size(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
}

std::string Field(std::string_view key, const std::string& value) {
  return "\"" + std::string(key) + "\":" + value;
}
std::string Field(std::string_view key, long long value) {
  return Field(key, std::to_string(value));
}
std::string FieldMs(std::string_view key, double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", ms);
  return Field(key, std::string(text));
}
std::string FieldText(std::string_view key, std::string_view value) {
  return Field(key, "\"" + std::string(value) + "\"");
}

int Failure(std::string_view what, int code, long long cycle = -1, std::string_view step = "") {
  PrintLine("{" + FieldText("error", what) + "," + Field("code", code) + "," +
            Field("cycle", cycle) + "," + FieldText("step", step) + "}");
  return code;
}

// Looks until `done` holds, sleeping a millisecond between two looks. A poller that only
// yields keeps one of the machine's two processors busy and slows the very program it
// times (a one-window program took 91-248 ms that way, 50-67 ms with this one).
template <class Done>
bool Await(Done done, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!done()) {
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(1);
  }
  return true;
}

DWORD OwnerPid(HWND hwnd) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  return pid;
}

HWND FindOwned(const wchar_t* cls, const wchar_t* title, DWORD pid) {
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
    if (OwnerPid(h) == pid) return h;
  }
  return nullptr;
}

HWND FindVisibleOwned(const wchar_t* cls, const wchar_t* title, DWORD pid) {
  HWND h = nullptr;
  while ((h = ::FindWindowExW(nullptr, h, cls, title)) != nullptr) {
    if (OwnerPid(h) == pid && ::IsWindowVisible(h)) return h;
  }
  return nullptr;
}

HWND ChildWithText(HWND parent, std::wstring_view text) {
  struct Search {
    std::wstring_view text;
    HWND found;
  } search{text, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND h, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        wchar_t buffer[64];
        const int n = ::GetWindowTextW(h, buffer, 64);
        if (n > 0 && std::wstring_view(buffer, static_cast<std::size_t>(n)) == s->text) {
          s->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

class Shape {
 public:
  Shape() : region_(::CreateRectRgn(0, 0, 0, 0)) {}
  ~Shape() { ::DeleteObject(region_); }
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape&) = delete;
  bool Cut(HWND hwnd) const {
    const int type = ::GetWindowRgn(hwnd, region_);
    return type == SIMPLEREGION || type == COMPLEXREGION;
  }

 private:
  HRGN region_;
};

// Asks the shell to change nothing about the icon: it says yes only if the icon is there.
bool TrayIconExists(HWND owner) {
  NOTIFYICONDATAW icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = owner;
  icon.uID = 0;
  icon.uFlags = 0;
  return ::Shell_NotifyIconW(NIM_MODIFY, &icon) != FALSE;
}

bool Gone(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

enum class Kind { Floor, FloorPlus, Gadget };

bool ParseKind(std::wstring_view text, Kind& kind) {
  if (text == L"floor")
    kind = Kind::Floor;
  else if (text == L"floor-plus")
    kind = Kind::FloorPlus;
  else if (text == L"gadget")
    kind = Kind::Gadget;
  else
    return false;
  return true;
}

bool ParseNumber(const wchar_t* text, unsigned long& value) {
  wchar_t* end = nullptr;
  value = std::wcstoul(text, &end, 10);
  return end != text && *end == 0;
}

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

// --- start ------------------------------------------------------------------------------

int CmdStart(const std::wstring& exe, Kind kind, DWORD timeoutMs) {
  const std::wstring folder = FolderOf(exe);
  std::wstring commandLine = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION created{};
  Shape shape;
  HWND window = nullptr;
  HWND panel = nullptr;
  long long polls = 0;

  const double t0 = NowMs();
  if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &created)) {
    return Failure("CreateProcess failed", kFail);
  }
  Handle process(created.hProcess);
  Handle thread(created.hThread);
  const DWORD pid = created.dwProcessId;
  const double createdMs = NowMs() - t0;

  // The floor is up when its window is visible. The gadget and the floor-plus are ready
  // when their window is also shaped and the tray icon, whose messages go to the hidden
  // panel, is in the notification area. When each first held tells where the time goes.
  const bool gadget = kind == Kind::Gadget;
  const wchar_t* windowClass = gadget ? kFormClass : kFloorClass;
  const wchar_t* windowTitle = gadget ? kBadgeTitle : kFloorTitle;
  const wchar_t* panelTitle = gadget ? kPanelTitle : kFloorPanelTitle;
  double visibleMs = -1, shapedMs = -1, trayMs = -1;
  const auto first = [&](double& at, bool holds) {
    if (holds && at < 0) at = NowMs() - t0;
    return holds;
  };
  // In the order the programs get there, so that each look costs the wineserver, which
  // the program is waiting on too, as little as it can.
  const auto up = [&] {
    ++polls;
    if (Gone(process.get())) return true;
    if (!window) window = FindOwned(windowClass, windowTitle, pid);
    if (!window || !first(visibleMs, ::IsWindowVisible(window) != FALSE)) return false;
    if (kind == Kind::Floor) return true;
    if (!first(shapedMs, shape.Cut(window))) return false;
    if (!panel) panel = FindOwned(windowClass, panelTitle, pid);
    return first(trayMs, panel && TrayIconExists(panel));
  };
  const bool ready = Await(up, timeoutMs);
  const double readyMs = NowMs() - t0;
  if (Gone(process.get())) return Failure("the program ended during start-up", kFail);
  if (!ready) {
    ::TerminateProcess(process.get(), 1);
    return Failure("the program did not come up in time", kTimeout);
  }
  PrintLine("{" + FieldMs("ready_ms", readyMs) + "," + FieldMs("created_ms", createdMs) + "," +
            FieldMs("visible_ms", visibleMs) + "," + FieldMs("shaped_ms", shapedMs) + "," +
            FieldMs("tray_ms", trayMs) + "," + Field("pid", pid) + "," + Field("polls", polls) +
            "}");
  return kOk;
}

// --- objects ----------------------------------------------------------------------------

// Wine's GetGuiResources counts nothing, but its GDI keeps the same per-process handle
// table as Windows, shared with the process's memory: a live entry has a nonzero type.
struct GdiTableEntry {
  std::uint64_t object;
  std::uint16_t ownerPid;
  std::uint16_t count;
  std::uint16_t unique;
  std::uint8_t type;
  std::uint8_t flags;
  std::uint64_t user;
};
static_assert(sizeof(GdiTableEntry) == 24);
constexpr std::size_t kGdiTableEntries = 0x10000;
constexpr std::size_t kPebGdiTableOffset = 0xF8;

long long GdiTableCount(HANDLE process, std::array<long long, 256>* byType) {
  PROCESS_BASIC_INFORMATION basic{};
  if (::NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic,
                                  nullptr) != 0) {
    return -1;
  }
  std::uint64_t table = 0;
  const auto* peb = reinterpret_cast<const std::uint8_t*>(basic.PebBaseAddress);
  if (!::ReadProcessMemory(process, peb + kPebGdiTableOffset, &table, sizeof table, nullptr) ||
      table == 0) {
    return -1;
  }
  std::vector<GdiTableEntry> entries(kGdiTableEntries);
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(table), entries.data(),
                           entries.size() * sizeof(GdiTableEntry), nullptr)) {
    return -1;
  }
  long long live = 0;
  for (const GdiTableEntry& e : entries) {
    live += e.type != 0 ? 1 : 0;
    if (byType) ++(*byType)[e.type];
  }
  return live;
}

// Every window of the process: top-level ones with their descendants, and message-only ones.
long long WindowCount(DWORD pid) {
  struct Count {
    DWORD pid;
    long long windows;
  } count{pid, 0};
  const auto addTree = [](HWND h, Count& c) {
    if (OwnerPid(h) != c.pid) return;
    ++c.windows;
    ::EnumChildWindows(
        h,
        [](HWND, LPARAM p) -> BOOL {
          ++reinterpret_cast<Count*>(p)->windows;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&c));
  };
  std::vector<HWND> tops;
  ::EnumWindows(
      [](HWND h, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tops));
  HWND h = nullptr;
  while ((h = ::FindWindowExW(HWND_MESSAGE, h, nullptr, nullptr)) != nullptr) tops.push_back(h);
  for (HWND top : tops) addTree(top, count);
  return count.windows;
}

int CmdObjects(DWORD pid) {
  Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return Failure("cannot open the process", kFail);
  long long gdi = ::GetGuiResources(process.get(), GR_GDIOBJECTS);
  long long user = ::GetGuiResources(process.get(), GR_USEROBJECTS);
  // A process with a window has GDI objects: zero means the call is not implemented.
  const bool counted = gdi != 0;
  std::array<long long, 256> byType{};
  if (!counted) gdi = GdiTableCount(process.get(), &byType);
  // By kind, Wine's type numbers: 1 DC, 4 region, 5 surface, 8 palette, 9 bitmap, 10 font,
  // 16 brush, 48 pen, 65 memory DC.
  std::string kinds;
  for (std::size_t t = 1; t < byType.size(); ++t) {
    if (byType[t] == 0) continue;
    kinds += (kinds.empty() ? "\"" : ",\"") + std::to_string(t) + "\":" + std::to_string(byType[t]);
  }
  const long long windows = WindowCount(pid);
  DWORD handles = 0;
  if (!::GetProcessHandleCount(process.get(), &handles)) handles = 0;
  PrintLine("{" + Field("gdi", gdi) + "," +
            FieldText("gdi_source", counted ? "GetGuiResources" : "handle table") + "," +
            Field("gdi_kinds", "{" + kinds + "}") + "," + Field("user", counted ? user : -1) + "," +
            Field("windows", windows) + "," +
            Field("kernel_handles", static_cast<long long>(handles)) + "}");
  return gdi < 0 ? kFail : kOk;
}

// --- modules ----------------------------------------------------------------------------

std::string Utf8(std::wstring_view text) {
  const int length = static_cast<int>(text.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(std::max(needed, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), needed, nullptr, nullptr);
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

int CmdModules(DWORD pid) {
  Handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
  if (!process) return Failure("cannot open the process", kFail);
  std::vector<HMODULE> modules(64);
  for (;;) {
    const auto bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
    DWORD needed = 0;
    if (!::EnumProcessModulesEx(process.get(), modules.data(), bytes, &needed, LIST_MODULES_ALL)) {
      return Failure("cannot list the modules", kFail);
    }
    const bool complete = needed <= bytes;
    modules.resize(needed / sizeof(HMODULE));
    if (complete) break;
  }
  std::string list;
  for (HMODULE module : modules) {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = ::GetModuleFileNameExW(process.get(), module, path, MAX_PATH * 2);
    if (length == 0) continue;
    list += (list.empty() ? "" : ",") + JsonString(Utf8(std::wstring_view(path, length)));
  }
  PrintLine("{" + Field("modules", "[" + list + "]") + "}");
  return kOk;
}

// --- cycles -----------------------------------------------------------------------------

class Gadget {
 public:
  Gadget(DWORD pid, DWORD timeoutMs) : pid_(pid), timeoutMs_(timeoutMs) {}

  bool Find() {
    panel_ = FindOwned(kFormClass, kPanelTitle, pid_);
    return panel_ != nullptr;
  }

  // Where the last step failed, for the report.
  const char* failed = "";
  // Menus that closed by themselves before they read the keys, and were opened again.
  long long retries = 0;

  bool PanelOpenClose() {
    if (!Post(panel_, WM_MOUSEMOVE, 0, kTrayDoubleClick, "post to the panel")) return false;
    if (!Wait([&] { return ::IsWindowVisible(panel_) != FALSE; }, "panel to open")) return false;
    const HWND close = ChildWithText(panel_, L"Close");
    if (!close) return Fail("no Close button");
    if (!Post(close, BM_CLICK, 0, 0, "post to Close")) return false;
    if (!Wait([&] { return !::IsWindowVisible(panel_); }, "panel to close")) return false;
    // The panel's going hands the foreground to the next window, Wine's tray in another
    // process; a menu opened before that is over would be closed by it.
    HWND next = nullptr;
    if (!Wait([&] { return (next = ::GetForegroundWindow()) != nullptr && next != panel_; },
              "foreground to move on")) {
      return false;
    }
    return Answers(next) ? true : Fail("foreground window to answer");
  }

  bool MenuOpenCancel() {
    HWND menu = nullptr;
    if (!OpenMenu(menu)) return false;
    // Fails only if the menu has already closed by itself.
    ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return Wait([&] { return !MenuAround(); }, "menu to close");
  }

  bool SettingsOpenOk() {
    HWND dialog = nullptr;
    const auto shown = [&] {
      return Answers() && (dialog = FindVisibleOwned(kFormClass, kDialogTitle, pid_)) != nullptr;
    };
    if (!ChooseUntil(kSettingsItem, shown, "settings dialog to open")) return false;
    const HWND ok = ChildWithText(dialog, L"OK");
    if (!ok) return Fail("no OK button");
    if (!Post(ok, BM_CLICK, 0, 0, "post to OK")) return false;
    return Wait([&] { return !::IsWindowVisible(dialog); }, "settings dialog to close");
  }

  bool Exit(HANDLE process) {
    const auto ended = [&] { return ::WaitForSingleObject(process, timeoutMs_) == WAIT_OBJECT_0; };
    return ChooseUntil(kExitItem, ended, "the gadget to end");
  }

 private:
  static constexpr int kAttempts = 10;
  static constexpr DWORD kQuietMs = 1000;

  bool Fail(const char* what) {
    failed = what;
    return false;
  }
  bool Post(HWND h, UINT message, WPARAM wParam, LPARAM lParam, const char* what) {
    return ::PostMessageW(h, message, wParam, lParam) ? true : Fail(what);
  }
  template <class Done>
  bool Wait(Done done, const char* what) {
    return Await(done, timeoutMs_) ? true : Fail(what);
  }
  // A sent message is answered only from inside a message loop.
  bool Answers(HWND h) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs_, &ignored) != 0;
  }
  bool Answers() { return Answers(panel_); }
  // The menu window goes when the menu's own message loop is over: a request posted
  // before then would be read by that loop instead of the gadget's.
  bool MenuAround() { return FindOwned(kMenuClass, nullptr, pid_) != nullptr; }
  // A menu that a late focus change closes at once can come and go between two looks:
  // after a quiet while without one, the press is posted again.
  bool OpenMenu(HWND& menu) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      if (attempt > 0) ++retries;
      if (!Post(panel_, WM_MOUSEMOVE, 0, kTrayRightPress, "post to the panel")) return false;
      if (Await([&] { return (menu = FindVisibleOwned(kMenuClass, nullptr, pid_)) != nullptr; },
                std::min(timeoutMs_, kQuietMs))) {
        return true;
      }
    }
    return Fail("menu to open");
  }
  // The menu's own keyboard handling: the first Down selects the first item. False if the
  // menu went before it had them all.
  bool Choose(HWND menu, int item) {
    // Once the menu answers, its loop runs and reads the keys.
    if (!Answers(menu)) return false;
    for (int i = 0; i <= item; ++i) {
      if (!::PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0)) return false;
    }
    return ::PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0) != FALSE;
  }
  // When a form hides, Wine activates the next window, here the tray of another process,
  // and that program's late focus change can close a menu opened just after, before it
  // has read the keys: then the menu is opened again.
  template <class Chosen>
  bool ChooseUntil(int item, Chosen chosen, const char* what) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      HWND menu = nullptr;
      if (!OpenMenu(menu)) return false;
      const bool keysIn = Choose(menu, item);
      if (!Wait([&] { return !MenuAround(); }, "menu to close")) return false;
      if (keysIn && chosen()) return true;
      ++retries;
    }
    return Fail(what);
  }

  DWORD pid_;
  DWORD timeoutMs_;
  HWND panel_ = nullptr;
};

int CmdCycles(DWORD pid, unsigned long count, DWORD timeoutMs) {
  Gadget gadget(pid, timeoutMs);
  if (!gadget.Find()) return Failure("no panel window", kFail);
  double panel = 0, menu = 0, settings = 0;
  for (unsigned long i = 0; i < count; ++i) {
    const auto cycle = static_cast<long long>(i);
    double t = NowMs();
    if (!gadget.PanelOpenClose()) return Failure(gadget.failed, kTimeout, cycle, "PanelOpenClose");
    panel += NowMs() - t;
    t = NowMs();
    if (!gadget.MenuOpenCancel()) return Failure(gadget.failed, kTimeout, cycle, "MenuOpenCancel");
    menu += NowMs() - t;
    t = NowMs();
    if (!gadget.SettingsOpenOk()) return Failure(gadget.failed, kTimeout, cycle, "SettingsOpenOk");
    settings += NowMs() - t;
  }
  const double n = count ? static_cast<double>(count) : 1.0;
  PrintLine("{" + Field("cycles", static_cast<long long>(count)) + "," +
            FieldMs("panel_ms", panel / n) + "," + FieldMs("menu_ms", menu / n) + "," +
            FieldMs("settings_ms", settings / n) + "," + Field("menu_retries", gadget.retries) +
            "}");
  return kOk;
}

// --- stop -------------------------------------------------------------------------------

int CmdStop(DWORD pid, Kind kind, DWORD timeoutMs) {
  Handle process(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
  if (!process) return Failure("cannot open the process", kFail);
  bool ended = false;
  if (kind != Kind::Gadget) {
    const HWND window = FindOwned(kFloorClass, kFloorTitle, pid);
    ended = window && ::PostMessageW(window, WM_CLOSE, 0, 0) &&
            ::WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
  } else {
    Gadget gadget(pid, timeoutMs);
    ended = gadget.Find() && gadget.Exit(process.get());
  }
  if (!ended) {
    ::TerminateProcess(process.get(), 1);
    ::WaitForSingleObject(process.get(), timeoutMs);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.get(), &code);
  PrintLine("{" + Field("ended", ended ? "true" : "false") + "," +
            Field("exit_code", static_cast<long long>(code)) + "}");
  return ended ? kOk : kTimeout;
}

int Usage() {
  std::fputs(
      "usage: rn_bench_driver start <exe> floor|floor-plus|gadget <timeout_ms>\n"
      "       | objects <pid> | modules <pid> | cycles <pid> <count> <timeout_ms>\n"
      "       | stop <pid> floor|floor-plus|gadget <timeout_ms>\n",
      stderr);
  return kFail;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 3) return Usage();
  const std::wstring_view command = argv[1];
  unsigned long pid = 0, count = 0, timeout = 0;
  Kind kind{};
  if (command == L"start" && argc == 5 && ParseKind(argv[3], kind) && ParseNumber(argv[4], timeout))
    return CmdStart(argv[2], kind, timeout);
  if (command == L"objects" && argc == 3 && ParseNumber(argv[2], pid)) return CmdObjects(pid);
  if (command == L"modules" && argc == 3 && ParseNumber(argv[2], pid)) return CmdModules(pid);
  if (command == L"cycles" && argc == 5 && ParseNumber(argv[2], pid) &&
      ParseNumber(argv[3], count) && ParseNumber(argv[4], timeout))
    return CmdCycles(pid, count, timeout);
  if (command == L"stop" && argc == 5 && ParseNumber(argv[2], pid) && ParseKind(argv[3], kind) &&
      ParseNumber(argv[4], timeout))
    return CmdStop(pid, kind, timeout);
  return Usage();
}
