// What the forms toolkit needs of a desktop: native windows and controls, their
// places in pixels, pictures, menus, modal loops, the error report, the browser,
// the screen, the executable's folder and the file system. The real Win32 desktop
// and the simulated one implement it; the gadget never sees it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

namespace rn {

// The toolkit's Button and Shift values of a mouse event.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

// A check box's Value.
inline constexpr std::int32_t kUnchecked = 0;
inline constexpr std::int32_t kChecked = 1;
inline constexpr std::int32_t kGrayed = 2;

// Input reported by a window, in pixels of its client area; Button and Shift as above.
struct MouseInput {
  std::int16_t button = 0;
  std::int16_t shift = 0;
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool fromNotifyIcon = false;  // the notification icon's callback, not a pointer move
};

// A window reports what happens to it through this; every call is an event that
// the toolkit dispatches to the gadget's handlers.
class WindowEvents {
 public:
  virtual void OnMouseDown(const MouseInput&) {}
  virtual void OnMouseUp(const MouseInput&) {}
  virtual void OnMouseMove(const MouseInput&) {}
  virtual void OnDblClick() {}
  virtual void OnClick() {}
  virtual void OnGotFocus() {}
  // The user asked the window to close (its close box). The window stays until
  // the toolkit hides or destroys it.
  virtual void OnCloseRequest() {}
  // The user is shutting down or signing out, and nothing cancelled it: the
  // process ends once every top-level window has heard this.
  virtual void OnSessionEnd() {}
  // A form now stands on a monitor of another scale, or its monitor's scale
  // changed. The desktop has already given it the place and size the system
  // suggests and its controls' fonts at the new scale; the rest of the layout is
  // the toolkit's.
  virtual void OnDpiChanged() {}

 protected:
  ~WindowEvents() = default;
};

enum class BorderStyle { None, FixedSingle, FixedToolWindow };
enum class StartUpPosition { Manual, CenterScreen, WindowsDefault };
enum class PictureId { ShapeBitmap, TrayIcon, DialogIcon };

struct Font {
  std::string face;  // UTF-8
  double points = 9;
  int weight = 400;
  int charset = 128;
};

// A form's look and client size: the toolkit lays forms out in twips, and a
// desktop makes them in pixels.
template <class Length>
struct FormSpec {
  std::string caption;  // UTF-8
  BorderStyle border = BorderStyle::FixedSingle;
  bool closeBox = true;
  bool minButton = false;
  bool maxButton = false;
  bool showInTaskbar = false;
  StartUpPosition startUp = StartUpPosition::Manual;
  Length clientWidth = 0;
  Length clientHeight = 0;
  std::optional<PictureId> icon;

  // The same form with its client size in other units.
  template <class To, class Convert>
  FormSpec<To> Measured(Convert convert) const {
    return {caption,
            border,
            closeBox,
            minButton,
            maxButton,
            showInTaskbar,
            startUp,
            convert(clientWidth),
            convert(clientHeight),
            icon};
  }
};
using FormWindowSpec = FormSpec<std::int32_t>;

enum class ControlKind {
  PictureBox,
  TextBox,
  CommandButton,
  CheckBox,
  Frame,
  Label,
  Image,
  UserControl
};

struct ControlWindowSpec {
  ControlKind kind = ControlKind::Label;
  std::string caption;  // UTF-8
  Rect bounds;          // pixels, in the parent's client area
  std::optional<Font> font;
};

// A picture's own pixels are its size at 100 %; drawn at another scale it takes
// the pixels its twips make there (platform/scale.h).
struct Picture {
  Handle handle = 0;  // a bitmap or an icon, owned by the desktop for the whole run
  std::int32_t width = 0;
  std::int32_t height = 0;
  explicit operator bool() const { return handle != 0; }
};

struct ScreenMetrics {
  std::int32_t width = 0;  // pixels, of the primary monitor
  std::int32_t height = 0;
  // The system's scale: the primary monitor's when the session began. It stays
  // the same while the session lasts, whatever the monitors do.
  std::int32_t dpi = 96;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // Creates a hidden top-level window. `events` outlives the window.
  virtual HWnd CreateForm(const FormWindowSpec& request, WindowEvents& events) = 0;
  // Creates a child control, visible within its (possibly hidden) parent.
  virtual HWnd CreateControl(HWnd parent, const ControlWindowSpec& request,
                             WindowEvents& events) = 0;
  // The order in which Tab and Shift+Tab move the focus among a form's controls
  // (each a descendant of the form); invisible and disabled ones are skipped. When
  // the form is shown, the focus goes to the first that can take it; when it is
  // activated again, back where it was, and that control is told it got the focus.
  virtual void SetTabOrder(HWnd form, const std::vector<HWnd>& order) = 0;
  // Destroys the window and its children. Handles of windows that are gone are
  // ignored by every call that takes a window.
  virtual void DestroyWindow(HWnd hwnd) = 0;

  // A form's outer rectangle in screen pixels; a control's in its parent's client area.
  virtual Rect GetBounds(HWnd hwnd) = 0;
  virtual void SetBounds(HWnd hwnd, const Rect& bounds) = 0;
  // The area inside a window's frame, in its own pixels: (0, 0) at its top left.
  virtual Rect GetClientRect(HWnd hwnd) = 0;
  // The scale, in dots per inch, of the monitor a form stands on, and so of its
  // controls; 96 is 100 %. A form that comes to another hears OnDpiChanged.
  virtual std::int32_t Dpi(HWnd hwnd) = 0;
  virtual bool IsVisible(HWnd hwnd) = 0;
  virtual void SetVisible(HWnd hwnd, bool visible) = 0;
  virtual void SetEnabled(HWnd hwnd, bool enabled) = 0;
  virtual void BringToFront(HWnd hwnd) = 0;
  virtual void SetFocus(HWnd hwnd) = 0;

  virtual std::string GetText(HWnd hwnd) = 0;  // UTF-8
  virtual void SetText(HWnd hwnd, const std::string& text) = 0;
  virtual std::int32_t GetCheck(HWnd checkBox) = 0;  // 0, 1 or 2
  virtual void SetCheck(HWnd checkBox, std::int32_t value) = 0;

  // Pictures live as long as the desktop.
  virtual Picture LoadPicture(PictureId id) = 0;
  // A form's background, a picture box's persistent image, an image control's
  // picture. Each is drawn at its window's scale: bitmaps by nearest neighbour
  // (platform/scale.h), icons by the platform at the image control's size.
  virtual void SetPicture(HWnd hwnd, const Picture& picture) = 0;
  // The device context that holds a picture box's persistent image, drawn or not,
  // or a form's: its client area as it is drawn on screen, picture and all.
  virtual Handle PictureDC(HWnd hwnd) = 0;

  // Shows a popup menu at the pointer and returns the index of the chosen item,
  // or -1 when none was chosen. A caption "-" is a separator. Flag 2 lets the
  // right button choose items as well.
  virtual std::int32_t TrackPopupMenu(HWnd owner, const std::vector<std::string>& captions,
                                      std::uint32_t flags) = 0;
  // Handles events until `done` holds (a modal form was hidden or unloaded).
  virtual void RunModalLoop(const std::function<bool()>& done) = 0;

  virtual void ReportError(const std::string& message) = 0;  // blocks until acknowledged
  virtual void OpenUrl(const std::string& url) = 0;          // throws tk::RuntimeError
  virtual ScreenMetrics Screen() = 0;
  virtual std::string ExecutableDirectory() = 0;  // UTF-8, no trailing separator but at a root
  virtual FileSystem& Files() = 0;
  // Ends the process at once. A desktop that cannot (a test) returns, and the
  // toolkit unwinds the handler instead.
  virtual void EndProcess() = 0;
};

}  // namespace rn
