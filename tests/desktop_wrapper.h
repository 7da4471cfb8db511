// A desktop that forwards every call to another one, for the tests' fault
// injection: a subclass overrides the one or two calls it makes fail or
// replace, and the gadget runs on the rest exactly as on the desktop inside.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace rn::testing {

class DesktopWrapper : public Desktop {
 public:
  explicit DesktopWrapper(Desktop& inner) : d_(inner) {}

  HWnd CreateForm(const FormWindowSpec& request, WindowEvents& events) override {
    return d_.CreateForm(request, events);
  }
  HWnd CreateControl(HWnd parent, const ControlWindowSpec& request, WindowEvents& events) override {
    return d_.CreateControl(parent, request, events);
  }
  void SetTabOrder(HWnd form, const std::vector<HWnd>& order) override {
    d_.SetTabOrder(form, order);
  }
  void DestroyWindow(HWnd hwnd) override { d_.DestroyWindow(hwnd); }
  Rect GetBounds(HWnd hwnd) override { return d_.GetBounds(hwnd); }
  void SetBounds(HWnd hwnd, const Rect& bounds) override { d_.SetBounds(hwnd, bounds); }
  Rect GetClientRect(HWnd hwnd) override { return d_.GetClientRect(hwnd); }
  std::int32_t Dpi(HWnd hwnd) override { return d_.Dpi(hwnd); }
  bool IsVisible(HWnd hwnd) override { return d_.IsVisible(hwnd); }
  void SetVisible(HWnd hwnd, bool visible) override { d_.SetVisible(hwnd, visible); }
  void SetEnabled(HWnd hwnd, bool enabled) override { d_.SetEnabled(hwnd, enabled); }
  void BringToFront(HWnd hwnd) override { d_.BringToFront(hwnd); }
  void SetFocus(HWnd hwnd) override { d_.SetFocus(hwnd); }
  std::string GetText(HWnd hwnd) override { return d_.GetText(hwnd); }
  void SetText(HWnd hwnd, const std::string& text) override { d_.SetText(hwnd, text); }
  std::int32_t GetCheck(HWnd checkBox) override { return d_.GetCheck(checkBox); }
  void SetCheck(HWnd checkBox, std::int32_t value) override { d_.SetCheck(checkBox, value); }
  Picture LoadPicture(PictureId id) override { return d_.LoadPicture(id); }
  void SetPicture(HWnd hwnd, const Picture& picture) override { d_.SetPicture(hwnd, picture); }
  Handle PictureDC(HWnd hwnd) override { return d_.PictureDC(hwnd); }
  std::int32_t TrackPopupMenu(HWnd owner, const std::vector<std::string>& captions,
                              std::uint32_t flags) override {
    return d_.TrackPopupMenu(owner, captions, flags);
  }
  void RunModalLoop(const std::function<bool()>& done) override { d_.RunModalLoop(done); }
  void ReportError(const std::string& message) override { d_.ReportError(message); }
  void OpenUrl(const std::string& url) override { d_.OpenUrl(url); }
  ScreenMetrics Screen() override { return d_.Screen(); }
  std::string ExecutableDirectory() override { return d_.ExecutableDirectory(); }
  FileSystem& Files() override { return d_.Files(); }
  void EndProcess() override { d_.EndProcess(); }

 private:
  Desktop& d_;
};

}  // namespace rn::testing
