// Starting a program and timing it until it is up, seen from outside.

// The driver's header first: it brings windows.h, which the other platform headers need.
#include "bench/driver.h"
//
#include <shellapi.h>

namespace bench {
namespace {

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

std::wstring FolderOf(const std::wstring& path) {
  const std::size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

}  // namespace

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

}  // namespace bench
