// Driving the gadget as its user would: the panel, the menu, the settings dialog, the exit.
#include <algorithm>

#include "bench/driver.h"

namespace bench {
namespace {

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
    // Gone, not only hidden: OK unloads the dialog, and windows counted between its hiding
    // and its destruction would read as a leak.
    return Wait([&] { return !::IsWindow(dialog); }, "settings dialog to be unloaded");
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

}  // namespace

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

}  // namespace bench
