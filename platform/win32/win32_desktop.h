// The real desktop: native windows and controls for the forms toolkit, their
// events, keyboard navigation, pictures, menus, message loops and the rest of
// what the toolkit asks of a desktop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/desktop.h"

struct tagMSG;  // MSG, without the platform headers

namespace rn::win32 {

struct Win32DesktopOptions {
  // EndProcess ends the process; when false it is counted and returns.
  bool exitOnEnd = true;
  // ReportError shows a blocking message box; when false the text is kept.
  bool errorsToMessageBox = true;
};

class Win32Desktop final : public Desktop {
 public:
  using Options = Win32DesktopOptions;

  explicit Win32Desktop(Options options = {});
  Win32Desktop(const Win32Desktop&) = delete;
  Win32Desktop& operator=(const Win32Desktop&) = delete;
  // Destroys the windows still open.
  ~Win32Desktop() override;

  HWnd CreateForm(const FormWindowSpec& request, WindowEvents& events) override;
  HWnd CreateControl(HWnd parent, const ControlWindowSpec& request, WindowEvents& events) override;
  void SetTabOrder(HWnd form, const std::vector<HWnd>& order) override;
  void DestroyWindow(HWnd hwnd) override;

  Rect GetBounds(HWnd hwnd) override;
  void SetBounds(HWnd hwnd, const Rect& bounds) override;
  Rect GetClientRect(HWnd hwnd) override;
  std::int32_t Dpi(HWnd hwnd) override;
  bool IsVisible(HWnd hwnd) override;
  void SetVisible(HWnd hwnd, bool visible) override;
  void SetEnabled(HWnd hwnd, bool enabled) override;
  void BringToFront(HWnd hwnd) override;
  void SetFocus(HWnd hwnd) override;

  std::string GetText(HWnd hwnd) override;
  void SetText(HWnd hwnd, const std::string& text) override;
  std::int32_t GetCheck(HWnd checkBox) override;
  void SetCheck(HWnd checkBox, std::int32_t value) override;

  Picture LoadPicture(PictureId id) override;
  void SetPicture(HWnd hwnd, const Picture& picture) override;
  Handle PictureDC(HWnd hwnd) override;

  std::int32_t TrackPopupMenu(HWnd owner, const std::vector<std::string>& captions,
                              std::uint32_t flags) override;
  void RunModalLoop(const std::function<bool()>& done) override;

  void ReportError(const std::string& message) override;
  void OpenUrl(const std::string& url) override;
  ScreenMetrics Screen() override;
  std::string ExecutableDirectory() override;
  FileSystem& Files() override;
  void EndProcess() override;

  // The program's main loop. Returns WM_QUIT's exit code, or 0 as soon as no
  // form of this desktop is left (at once if there is none).
  int RunMessageLoop();
  // What every message loop does before translating and dispatching a message:
  // Tab and Shift+Tab move the focus along the form's tab order. True when the
  // message was used up.
  bool PreTranslate(tagMSG& message);

  // What was recorded instead of shown or done, per the options.
  const std::vector<std::string>& ReportedErrors() const;
  int EndProcessRequests() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The folder part of a module path: no trailing separator but at a drive's
// root ("C:\"). Exposed for its tests.
std::wstring DirectoryOfModule(const std::wstring& modulePath);

}  // namespace rn::win32
