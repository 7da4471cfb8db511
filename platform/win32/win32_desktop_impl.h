// What the desktop's rooms share: the desktop's state, each window's record, and
// the members each room defines. Only the files of the Win32 desktop include it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/win32/display_scale.h"
#include "platform/win32/handles.h"
#include "platform/win32/native.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/window_kinds.h"

namespace rn::win32 {

constexpr int kFirstControlId = 1000;

inline std::wstring WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

// COM on this thread, for the shell, which may hand a URL to an extension. Only
// the home-page link needs it, so the apartment is entered at its first press
// rather than at start-up.
class ComApartment {
 public:
  ComApartment() = default;
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment();

  // Without COM the shell still opens most URLs: a failure here is no failure of the link.
  void Enter();

 private:
  bool entered_ = false;
};

struct Win32Desktop::Impl {
  // The window procedures hold their window through weak_from_this().lock():
  // shared_from_this() can throw bad_weak_ptr, whose library code alone adds
  // 3.5 KB to the executable.
  struct Window : std::enable_shared_from_this<Window> {
    Impl* desktop = nullptr;
    HWND hwnd = nullptr;
    WindowKind kind = WindowKind::Form;
    WindowEvents* events = nullptr;  // null once the window is on its way out
    std::vector<HWND> tabOrder;      // forms
    HWND lastFocus = nullptr;        // forms: where the focus was when they lost the activation
    int dpi = 0;                     // forms: the scale last asked for or given by WM_DPICHANGED
    HFONT font = nullptr;            // own-class controls: what WM_SETFONT gave
    // Controls: the font they get when their form is first shown. Realizing a
    // font loads its file (megabytes for a Japanese one, tens of milliseconds
    // under Wine), which a form that start-up loads hidden need not pay for.
    std::optional<Font> fontRequest;  // none: the message font
    bool fontPending = false;
    Picture picture;  // forms, images and picture boxes: what they paint
    // Picture boxes: the persistent image. Declared so that the selection is
    // undone before the bitmap and the DC go.
    unique_hdc imageDc;
    unique_hbitmap image;
    select_guard imageSelection;
    SIZE imageSize{};
    // The last left press that counted as a single one, for telling a double click.
    bool pressPending = false;
    DWORD pressTime = 0;
    POINT pressAt{};
  };

  struct LoadedPicture {
    unique_hbitmap bitmap;
    unique_hicon icon;
    Picture picture;
  };

  using FontKey = std::tuple<std::wstring, int, int, int>;

  explicit Impl(Options o) : options(o), instance(::GetModuleHandleW(nullptr)) {}

  ~Impl() {
    std::vector<HWND> all;
    for (auto& [hwnd, window] : windows) {
      window->events = nullptr;
      all.push_back(hwnd);
    }
    for (HWND hwnd : all) {
      const std::shared_ptr<Window> window = Lookup(hwnd);
      if (window && window->kind == WindowKind::Form) ::DestroyWindow(hwnd);
    }
    for (HWND hwnd : all) {
      if (windows.count(hwnd) != 0) ::DestroyWindow(hwnd);
    }
    windows.clear();
  }

  ComApartment com;  // first in, so left only after every window has gone
  Options options;
  HINSTANCE instance;
  Win32FileSystem files;
  std::vector<std::string> errors;
  int endRequests = 0;
  std::map<PictureId, LoadedPicture> pictures;
  // Bitmaps drawn at another scale than 100 %, by picture and size.
  std::map<std::tuple<Handle, int, int>, unique_hbitmap> scaledBitmaps;
  std::map<FontKey, unique_hfont> fonts;
  std::map<int, unique_hfont> messageFonts;  // by scale
  unique_hwnd owner;                         // hidden; owns the forms kept out of the task bar
  std::unordered_map<HWND, std::shared_ptr<Window>> windows;
  int nextControlId = kFirstControlId;

  // Registers the named class of the gadget's own, once; a system class needs none.
  void RegisterOwnClass(const wchar_t* name);
  unsigned registeredClasses = 0;  // a bit for each of the gadget's own classes
  // The common controls (and the DLL that brings them) come with the first
  // standard control: the badge, a window of the gadget's own, goes on screen
  // without them.
  void InitCommonControls();
  bool commonControls = false;
  // Whether a control overlaps another child of the same parent.
  bool OverlapsASibling(HWND control, HWND parent) const;
  std::shared_ptr<Window> Lookup(HWnd handle) const { return Lookup(ToHwnd(handle)); }
  std::shared_ptr<Window> Lookup(HWND hwnd) const {
    if (hwnd == nullptr) return nullptr;
    const auto found = windows.find(hwnd);
    return found == windows.end() ? nullptr : found->second;
  }
  void Forget(Window& window) {
    if (window.hwnd == nullptr) return;
    ::SetWindowLongPtrW(window.hwnd, GWLP_USERDATA, 0);
    windows.erase(window.hwnd);
    window.hwnd = nullptr;
    window.events = nullptr;
  }
  HWND Owner();
  HFONT MessageFont(int dpi);
  HFONT FontFor(const Font& font, int dpi);
  void GiveFont(Window& control);
  void GiveFontsOnFirstShow(HWND form);
  // The screen, asked once: each question is a round trip to the display
  // server (about half a millisecond under Wine) and start-up converts twips
  // dozens of times. Forgotten when the display or a scale changes.
  const ScreenMetrics& Screen();
  void ScreenChanged() { screen.reset(); }
  std::optional<ScreenMetrics> screen;
  // The system scale: the primary monitor's, which twips positions follow.
  int Dpi() { return Screen().dpi; }
  // The scale of the monitor under the window's form. A form's scale changes
  // only with WM_DPICHANGED, which records it, so the system is asked once per
  // form: each question is a round trip under Wine, and every width and height
  // the toolkit converts needs it. Windows 8.1 tells it only through WM_DPICHANGED.
  int DpiOf(HWND hwnd) {
    const HWND form = ::GetAncestor(hwnd, GA_ROOT);
    const std::shared_ptr<Window> known = Lookup(form);
    if (known && known->dpi > 0) return known->dpi;
    const int dpi = WindowDpi(form);
    if (dpi <= 0) return Dpi();
    if (known) known->dpi = dpi;
    return dpi;
  }
  void FollowScale(Window& form, const RECT& suggested);
  // Pictures are bitmaps (the badge) or icons; either sits at the top left, at
  // the size its own pixels make at `dpi`.
  void DrawPicture(HDC dc, const Picture& picture, int dpi);

  // Events reach the toolkit here; nothing it throws goes further.
  template <class F>
  void Raise(Window& window, F&& f) {
    if (window.events == nullptr) return;
    try {
      f(*window.events);
    } catch (const std::exception& e) {
      Report(e.what());
    } catch (...) {
      Report("An unexpected error ended an event.");
    }
  }
  void Report(const std::string& message);

  struct FormFrame {
    DWORD style;
    DWORD exStyle;
    HWND owner;
  };
  FormFrame FrameOf(const FormWindowSpec& request);
  static POINT StartPlace(StartUpPosition startUp, int width, int height);

  LRESULT OnMessage(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMouse(Window& window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> OnFormMessage(Window& form, UINT message, WPARAM wParam, LPARAM lParam);
  bool IsSecondPress(Window& window);
  LRESULT DoubleClick(Window& window);
  LRESULT MouseDown(Window& window, std::int16_t button, WPARAM wParam, LPARAM lParam);
  LRESULT MouseUp(Window& window, std::int16_t button, WPARAM wParam, LPARAM lParam);
  void Clicked(HWND control);
  void FocusFirstStop(Window& form);
  // Coming back to a form puts the focus where it was, and that control gets
  // its got-focus as for any other arrival.
  void RestoreFocus(Window& form);
  void MoveFocus(Window& form, bool backward);
  void EraseForm(Window& window, HDC dc);
  void PaintFrame(Window& window);
  void PaintImage(Window& window);
  void PaintPictureBox(Window& window);
  void BuildImage(Window& window, int width, int height, const Picture* picture);
  void BuildClientImage(Window& window);
  void BuildPictureBoxImage(Window& window);
  void DropImage(Window& window);
  void Dispatch(MSG& message, Win32Desktop& desktop);
  bool AnyForm() const {
    return std::any_of(windows.begin(), windows.end(),
                       [](const auto& w) { return w.second->kind == WindowKind::Form; });
  }

  // How this desktop makes and paints each kind of window; what both desktops
  // share about a kind is in FactsOf.
  struct KindRow {
    const wchar_t* className;
    DWORD style;  // beyond what every control has
    DWORD exStyle;
    void (Impl::*paint)(Window& window);  // null: the class paints itself
  };
  static const KindRow& RowOf(WindowKind kind);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR data);
};

}  // namespace rn::win32
