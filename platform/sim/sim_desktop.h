// The simulated desktop: windows with places, z-order, focus, regions and
// pictures, a notification area, popup menus and modal loops, all in memory.
// A test plays the user through the driving calls below; the desktop answers
// only the way the platform would, through each window's WindowEvents.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop.h"
#include "platform/errors.h"
#include "platform/notify_icon.h"
#include "platform/sim/basics.h"
#include "platform/sim/gdi.h"
#include "platform/window_kinds.h"

namespace rn::sim {

class World;

// Where a new form's outer rectangle goes: CenterScreen halves the free space
// (rounding down), WindowsDefault takes this place, Manual the screen's origin.
inline constexpr Point kDefaultPlace{0, 0};
// A form with a caption is never smaller than this (the platform's minimum
// tracking size), however it is made or placed.
inline constexpr std::int32_t kMinCaptionedWidth = 116;
inline constexpr std::int32_t kMinCaptionedHeight = 27;
// What a picture box or form shows where its picture does not reach or is transparent.
inline constexpr ColorRef kPictureBoxBack = 0x00F0F0F0;

// A monitor: its place on the desktop, in pixels, and its scale.
struct Monitor {
  Rect area;
  std::int32_t dpi = 96;
};

struct WindowState {
  HWnd handle = 0;
  HWnd parent = 0;  // 0 for a form
  WindowKind kind = WindowKind::Form;
  FormWindowSpec style{};  // forms only, as created
  WindowEvents* events = nullptr;
  Rect bounds{};  // a form's outer rectangle on screen; a control's in its parent's client area
  bool visible = false;
  bool enabled = true;
  bool topmost = false;
  std::string text{};
  std::int32_t check = 0;
  std::optional<Font> font{};
  Picture picture{};      // SetPicture
  Picture icon{};         // a form's caption icon
  std::int32_t dpi = 96;  // forms: the scale they were last told of
  Handle region = 0;
  Handle pictureDc = 0;
  std::vector<HWnd> children{};  // front first; the last created is in front
  std::vector<HWnd> tabOrder{};  // forms
  HWnd lastFocus = 0;            // forms: where the focus was when they lost the activation
  bool Captioned() const { return kind == WindowKind::Form && style.border != BorderStyle::None; }
};

struct NotifyIcon {
  HWnd owner = 0;
  std::uint32_t id = 0;
  std::uint32_t flags = 0;
  std::uint32_t callbackMessage = 0;
  Handle icon = 0;
  std::string tip;  // up to the first NUL
};

struct MenuRecord {
  HWnd owner = 0;
  std::vector<std::string> captions;
  std::uint32_t flags = 0;
  std::int32_t chosen = -1;
  bool refused = false;  // no owner, or another menu was open
};

// Focus follows the platform: showing a form, pressing it, or SetWindowPos
// without SWP_NOACTIVATE activates it, and activation focuses its first tab
// stop that can take the focus, else the form itself. SetFocus refuses only a
// window that is disabled or in a disabled parent: a hidden one takes the
// focus, and its form is activated first even when hidden. A hidden or
// destroyed focused control hands the focus to its parent; a disabled one
// leaves none; when the active form goes, the next shown and enabled form in
// z-order is activated. OnGotFocus is raised only when the focus really moves.
//
// Monitors: the primary is the screen at (0, 0); others lie where the world
// puts them. A form takes the scale of the monitor it overlaps most (the nearest
// if none); when that changes, it gets the size scaled from its top-left corner,
// as the system suggests, and then hears OnDpiChanged.
//
// A script that cannot go on (a modal loop with nothing left to do, a menu
// choice no user could make) throws std::logic_error; inside an event handler
// the toolkit turns that into a reported error, so check Errors() too.
class SimDesktop : public Desktop {
 public:
  explicit SimDesktop(World& world);
  SimDesktop(const SimDesktop&) = delete;
  SimDesktop& operator=(const SimDesktop&) = delete;

  // ------------------------------------------------------------ rn::Desktop
  HWnd CreateForm(const FormWindowSpec& request, WindowEvents& events) override;
  HWnd CreateControl(HWnd parent, const ControlWindowSpec& request, WindowEvents& events) override;
  void SetTabOrder(HWnd form, const std::vector<HWnd>& order) override;
  void DestroyWindow(HWnd hwnd) override;
  Rect GetBounds(HWnd hwnd) override { return Of(hwnd, &WindowState::bounds); }
  void SetBounds(HWnd hwnd, const Rect& bounds) override;
  Rect GetClientRect(HWnd hwnd) override;
  std::int32_t Dpi(HWnd hwnd) override;
  // The window's own flag, whatever its parent's.
  bool IsVisible(HWnd hwnd) override { return Of(hwnd, &WindowState::visible); }
  void SetVisible(HWnd hwnd, bool visible) override;
  void SetEnabled(HWnd hwnd, bool enabled) override;
  void BringToFront(HWnd hwnd) override;
  void SetFocus(HWnd hwnd) override;
  std::string GetText(HWnd hwnd) override { return Of(hwnd, &WindowState::text); }
  void SetText(HWnd hwnd, const std::string& text) override;
  std::int32_t GetCheck(HWnd checkBox) override;
  void SetCheck(HWnd checkBox, std::int32_t value) override;
  Picture LoadPicture(PictureId id) override;
  void SetPicture(HWnd hwnd, const Picture& picture) override;
  Handle PictureDC(HWnd hwnd) override;
  std::int32_t TrackPopupMenu(HWnd owner, const std::vector<std::string>& captions,
                              std::uint32_t flags) override;
  void RunModalLoop(const std::function<bool()>& done) override;
  void ReportError(const std::string& message) override { errors_.push_back(message); }
  void OpenUrl(const std::string& url) override;
  ScreenMetrics Screen() override;
  std::string ExecutableDirectory() override;
  FileSystem& Files() override;
  void EndProcess() override { ++end_count_; }

  // ------------------------------------------------------------ looking on
  const WindowState* Find(HWnd hwnd) const { return Found(windows_, hwnd); }  // null once gone
  std::vector<HWnd> Forms() const { return z_order_; }  // front to back, the topmost band first
  int LiveWindows() const { return static_cast<int>(windows_.size()); }
  HWnd Focused() const { return focus_; }
  HWnd Active() const { return active_; }  // the form the keyboard belongs to
  HWnd Capture() const { return capture_; }
  bool OnScreen(HWnd hwnd) const;      // it and all its ancestors are visible
  bool CanTakeInput(HWnd hwnd) const;  // on screen, and it and its ancestors enabled
  Rect ClientScreenRect(HWnd hwnd) const;
  // The deepest visible window under a screen point, honouring regions and the
  // topmost band. Labels, images and frames let the point through to what is
  // below them, as the platform's static controls do; a disabled control
  // yields its parent.
  HWnd WindowFromPoint(Point screen) const;
  // The rectangles of the region the window owns, in window coordinates; none
  // if it has no region (it is then its whole rectangle).
  std::optional<std::vector<Rect>> WindowRegion(HWnd hwnd) const;
  const std::vector<NotifyIcon>& Icons() const { return icons_; }

  // ------------------------------------------------------------ the user
  // Each returns whether the window took the input: a hidden or disabled
  // window (or one in a hidden or disabled form) takes none. Coordinates are
  // client pixels; button and shift follow rn::MouseInput. A press focuses the
  // text box, button or check box it lands on (left button) or the picture box
  // (any button), and activates the form; the platform's own controls keep
  // presses and releases to themselves, and a left press and release on a
  // button or check box is its click (a check box takes its new value first).
  bool MouseDown(HWnd hwnd, std::int16_t button, std::int16_t shift, std::int32_t x,
                 std::int32_t y);
  // The release after a caption drag belongs to the move loop, so that one is
  // not delivered.
  bool MouseUp(HWnd hwnd, std::int16_t button, std::int16_t shift, std::int32_t x, std::int32_t y);
  // Left button: down, up, double-click, up.
  bool DoubleClick(HWnd hwnd, std::int32_t x = 0, std::int32_t y = 0);
  // Left button: down at (x, y), a move by (dx, dy) with the button held, up.
  // When the press starts a caption drag, the window travels with the pointer
  // and the release is the move loop's.
  bool DragPointer(HWnd hwnd, std::int32_t x, std::int32_t y, std::int32_t dx, std::int32_t dy);
  // `buttonsHeld` as MouseInput's button (1 left, 2 right, 4 middle), encoded in
  // the move message as the platform does; a move along y = 0 with no button
  // held is therefore indistinguishable from the icon's callback.
  bool PointerMove(HWnd hwnd, std::int32_t x, std::int32_t y, std::int16_t buttonsHeld = 0,
                   std::int16_t shift = 0);
  // A left press and release in the middle of a control (see MouseDown).
  bool ClickControl(HWnd hwnd);
  bool Focus(HWnd hwnd);
  // Moves the focus along its form's tab order, skipping what cannot take it.
  bool PressTab(bool shift = false);
  // A key pressed and released where the keyboard is; shift as MouseInput's.
  // Tab moves the focus; Space presses the focused button or check box; Alt+F4
  // asks the active form to close; Enter and Escape press nothing, since no
  // button is a default or cancel button.
  bool PressKey(std::uint32_t virtualKey, std::int16_t shift = 0);
  // A press on a form's caption: the form is activated, its client area hears nothing.
  bool ClickCaption(HWnd form);
  // Focuses a text box and appends `text` at its end.
  bool Type(HWnd hwnd, std::string_view text);
  // The close box (forms with a caption and a close box).
  bool RequestClose(HWnd hwnd);
  // Alt+F4 on a form that has the keyboard: a close request even without a close box.
  bool PressAltF4(HWnd hwnd);
  // The user shuts down or signs out and nothing cancels it: every form, shown
  // or hidden, enabled or not, hears that the session ends.
  void EndSession();
  // The user sets a monitor's scale; the system's scale stays as it was.
  void SetMonitorDpi(std::size_t monitor, std::int32_t dpi);
  // A mouse message on the one notification icon, or on the icon given.
  bool ClickIcon(std::uint32_t mouseMessage);
  bool ClickIcon(HWnd owner, std::uint32_t id, std::uint32_t mouseMessage);

  // ------------------------------------------------------------ scripts
  // The next caption drag moves its window by (dx, dy), running `during`
  // while the move loop runs. Without one a drag moves nothing.
  void ScriptDrag(std::int32_t dx, std::int32_t dy, std::function<void()> during = {}) {
    drags_.push_back({{dx, dy}, std::move(during)});
  }
  // The next popup menu returns `choice` (-1: cancelled), or whatever
  // `whileOpen` returns, run while the menu is open. Without one: -1.
  void ScriptMenu(std::int32_t choice) {
    ScriptMenu([choice] { return choice; });
  }
  void ScriptMenu(std::function<std::int32_t()> whileOpen) {
    menu_script_.push_back(std::move(whileOpen));
  }
  // The actions the next modal loops run, one at a time, until each loop is done.
  void ScriptModal(std::function<void()> action) { modal_script_.push_back(std::move(action)); }
  std::size_t PendingModal() const { return modal_script_.size(); }
  int ModalDepth() const { return modal_depth_; }
  const std::vector<MenuRecord>& Menus() const { return menus_; }
  int LiveMenus() const { return live_menus_; }

  // ------------------------------------------------------------ records
  const std::vector<std::string>& Errors() const { return errors_; }
  const std::vector<std::string>& Urls() const { return urls_; }  // opened ones
  int EndCount() const { return end_count_; }

 private:
  friend class SimApi;
  enum class Loss { Hidden, Destroyed, Disabled };
  struct Drag {
    Point offset;
    std::function<void()> during;
  };

  // The platform operations SimApi forwards to the window manager.
  Outcome ApiSetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                          std::int32_t cx, std::int32_t cy, std::uint32_t flags);
  Outcome ApiSendMessage(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                         std::int32_t lParam);
  Outcome ApiReleaseCapture();
  Outcome ApiSetWindowRgn(HWnd hwnd, Handle region);
  Outcome ApiNotifyIcon(std::uint32_t message, const NotifyRecordBytes& bytes);

  WindowState* W(HWnd hwnd) { return Found(windows_, hwnd); }
  // What a window holds, or what a window that is gone reads as.
  template <class T>
  T Of(HWnd hwnd, T WindowState::*member) const {
    const WindowState* w = Find(hwnd);
    return w ? w->*member : T{};
  }
  template <class Event>
  void Raise(HWnd hwnd, Event&& event) {
    if (WindowState* w = W(hwnd); w && w->events) event(*w->events);
  }
  // Whether `hwnd` exists and it and each of its ancestors pass `test`.
  template <class Test>
  bool AllUp(HWnd hwnd, Test&& test) const {
    if (!Find(hwnd)) return false;
    for (const WindowState* w = Find(hwnd); w; w = Find(w->parent)) {
      if (!test(*w)) return false;
    }
    return true;
  }
  HWnd FormOf(HWnd hwnd) const;
  bool Within(HWnd hwnd, HWnd ancestor) const;
  bool EnabledChain(HWnd hwnd) const;
  void PlaceFront(HWnd form);
  void Restack(WindowState& form, HWnd insertAfter);
  void ChangeFocus(HWnd to);
  HWnd FirstStop(HWnd form) const;
  void Activate(HWnd form, bool evenHidden = false);
  void ActivateNext(HWnd except);
  void LoseFocus(HWnd hwnd, Loss why);
  void FocusForClick(HWnd hwnd, std::int16_t button);
  void PushButton(HWnd hwnd);
  void Repaint(WindowState& w);
  void Resize(WindowState& w, const Rect& bounds);
  void FollowMonitor(HWnd form);
  HWnd Hit(HWnd hwnd, Point inParent) const;

  World& world_;
  std::vector<Monitor> monitors_;
  std::map<HWnd, WindowState> windows_;
  std::vector<HWnd> z_order_;  // forms, front first, topmost ones ahead of the rest
  HWnd focus_ = 0;
  HWnd active_ = 0;
  HWnd capture_ = 0;
  bool release_taken_ = false;
  std::map<PictureId, Picture> pictures_;
  std::vector<NotifyIcon> icons_;
  std::deque<Drag> drags_;
  std::deque<std::function<std::int32_t()>> menu_script_;
  std::deque<std::function<void()>> modal_script_;
  std::vector<MenuRecord> menus_;
  int live_menus_ = 0;
  int modal_depth_ = 0;
  std::vector<std::string> errors_;
  std::vector<std::string> urls_;
  int end_count_ = 0;
};

}  // namespace rn::sim
