// What a desktop conformance test does from outside the platform interfaces: it
// plays the user (pointer, keys, the close box, the notification icon), acts
// inside the loops the desktop runs (modal forms, popup menus), and looks at
// what the system decides (focus, hit tests, z-order, regions, fonts, files).
// One driver runs the simulated desktop, the other real windows under Wine; the
// tests are the same, so where the two desktops differ a test fails.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"
#include "platform/winapi.h"

namespace rn::conformance {

enum class Key { Tab, ShiftTab, Enter, Escape, Space, AltF4 };

// The platform's key and the shift keys held with it (as rn::MouseInput's).
struct Stroke {
  std::uint32_t virtualKey;
  std::int16_t shift;
};
constexpr Stroke StrokeOf(Key key) {
  switch (key) {
    case Key::Tab: return {win::VkTab, 0};
    case Key::ShiftTab: return {win::VkTab, 1};
    case Key::Enter: return {win::VkReturn, 0};
    case Key::Escape: return {win::VkEscape, 0};
    case Key::Space: return {win::VkSpace, 0};
    case Key::AltF4: return {win::VkF4, 4};
  }
  return {0, 0};
}

class Driver {
 public:
  virtual ~Driver() = default;

  virtual Desktop& desktop() = 0;
  virtual WinApi& api() = 0;
  // Lets the system finish what the last calls set going (the real one answers
  // some of them later); every look and every act of the user settles first.
  virtual void Settle() = 0;

  // ------------------------------------------------------------ the user
  // Points are in the client area of `hwnd`; the system decides which window
  // they reach. Button and shift follow rn::MouseInput.
  virtual void Click(HWnd hwnd, Point at, std::int16_t button = 1, std::int16_t shift = 0) = 0;
  virtual void DoubleClick(HWnd hwnd, Point at) = 0;
  // Presses the left button at `from`, moves the pointer by `by` and releases.
  virtual void Drag(HWnd hwnd, Point from, Point by) = 0;
  virtual void MovePointer(HWnd hwnd, Point to) = 0;
  // A click on the middle of a control.
  void ClickControl(HWnd control);
  // Switching to a form by its caption, as a user comes back to a window.
  virtual void ClickCaption(HWnd form) = 0;
  // False when the form has no close box to click.
  virtual bool ClickCloseBox(HWnd form) = 0;
  // Clicks into the text box after its text and types.
  virtual void Type(HWnd textBox, std::string_view text) = 0;
  virtual void Press(Key key) = 0;
  // What the notification area sends an icon's owner for a mouse message on it.
  virtual void NotifyIconMessage(HWnd owner, std::uint32_t id, std::uint32_t mouseMessage) = 0;

  // ------------------------------------------------------------ inside loops
  // The next modal loops run these actions, one at a time.
  virtual void DuringModal(std::function<void()> action) = 0;
  // The next popup menu is answered with this item (-1: the user cancels); a
  // menu nobody answers is cancelled.
  virtual void AnswerMenu(std::int32_t choice) = 0;
  // The captions of the last menu shown, "-" for a separator.
  virtual std::vector<std::string> LastMenuShown() = 0;

  // ------------------------------------------------------------ looking on
  virtual HWnd Focus() = 0;
  virtual HWnd WindowFromPoint(Point screen) = 0;
  virtual Rect ClientOnScreen(HWnd hwnd) = 0;
  virtual bool IsEnabled(HWnd hwnd) = 0;
  virtual bool IsTopmost(HWnd form) = 0;
  // The given forms, front first.
  virtual std::vector<HWnd> FrontToBack(const std::vector<HWnd>& forms) = 0;
  virtual bool RegionContains(Handle region, Point p) = 0;
  // The icon a form shows in its caption.
  virtual Handle CaptionIcon(HWnd form) = 0;
  // The font a control draws with; none for the system's message font.
  virtual std::optional<Font> FontOf(HWnd control) = 0;
  virtual std::vector<std::string> Reports() = 0;
  virtual int EndRequests() = 0;
  // Where the shipped pictures are, for comparing what the desktop shows.
  virtual std::filesystem::path ArtDirectory() = 0;

  // ------------------------------------------------------------ files
  // An empty folder of the test's own, which is also the current directory.
  virtual std::string Folder() = 0;
  // The names in a folder, in case-insensitive order.
  virtual std::vector<std::string> List(const std::string& folder) = 0;
  virtual void MakeFolder(const std::string& path) = 0;
  // Another program holds the file open and shares nothing, or lets it go.
  virtual void Lock(const std::string& path, bool locked) = 0;
  virtual void MakeReadOnly(const std::string& path, bool readOnly) = 0;
};

inline void Driver::ClickControl(HWnd control) {
  const Rect r = desktop().GetBounds(control);
  Click(control, {r.Width() / 2, r.Height() / 2});
}

// The driver of the desktop this test program runs on.
std::unique_ptr<Driver> MakeDriver();

}  // namespace rn::conformance
