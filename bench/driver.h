// What the bench driver's commands share: the windows they look for, the JSON lines they
// print, and waiting without taking the processor from the programs they time.
#pragma once

// windows.h first: the other platform headers build on it.
#include <windows.h>

#include <string>
#include <string_view>

#include "bench/floor.h"
#include "platform/win32/form_class.h"

namespace bench {

constexpr int kOk = 0;
constexpr int kTimeout = 2;
constexpr int kFail = 3;

using rn::win32::kFormClass;
constexpr wchar_t kBadgeTitle[] = L"Form1";
constexpr wchar_t kPanelTitle[] = L"操作パネル";
constexpr wchar_t kDialogTitle[] = L"設定";
constexpr wchar_t kMenuClass[] = L"#32768";

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

double NowMs();
void PrintLine(const std::string& json);
std::string Field(std::string_view key, const std::string& value);
std::string Field(std::string_view key, long long value);
std::string FieldMs(std::string_view key, double ms);
// A JSON string: quotes and backslashes escaped.
std::string Quoted(std::string_view text);
std::string FieldText(std::string_view key, std::string_view value);
int Failure(std::string_view what, int code, long long cycle = -1, std::string_view step = "");

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

DWORD OwnerPid(HWND hwnd);
HWND FindOwned(const wchar_t* cls, const wchar_t* title, DWORD pid);
HWND FindVisibleOwned(const wchar_t* cls, const wchar_t* title, DWORD pid);
HWND ChildWithText(HWND parent, std::wstring_view text);

enum class Kind { Floor, FloorPlus, Gadget };

// The commands, one a file.
int CmdStart(const std::wstring& exe, Kind kind, DWORD timeoutMs);
int CmdObjects(DWORD pid);
int CmdModules(DWORD pid);
int CmdCycles(DWORD pid, unsigned long count, DWORD timeoutMs);
int CmdStop(DWORD pid, Kind kind, DWORD timeoutMs);

}  // namespace bench
