// The forms toolkit: forms with one lazily loaded instance each, their controls,
// events on the one UI thread, twips, the screen, the application's folder and
// the numbered files. It runs on whichever Desktop it is given.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/errors.h"
#include "platform/file_numbers.h"
#include "platform/scale.h"
#include "platform/winapi.h"

namespace rn::tk {

class Form;
class Control;

// Mouse event arguments, X and Y in the form's scale (twips).
struct MouseArgs {
  std::int16_t Button = 0;
  std::int16_t Shift = 0;
  Twips X = 0;
  Twips Y = 0;
  bool FromNotifyIcon = false;
};

using rn::kLeftButton;
using rn::kRightButton;
inline constexpr std::int16_t kModal = 1;
inline constexpr std::int16_t kScaleTwips = 1;
inline constexpr std::int16_t kScalePixels = 3;
inline constexpr std::uint32_t kPopupRightButton = 2;

using FormLayout = FormSpec<Twips>;

struct ControlLayout {
  ControlKind kind = ControlKind::Label;
  std::string caption;
  Twips left = 0;
  Twips top = 0;
  Twips width = 0;
  Twips height = 0;
  int tabIndex = -1;  // -1: no place in the tab order (images)
  std::optional<Font> font;
  std::optional<PictureId> picture;
  bool autoSize = false;  // a picture box that takes exactly its picture's size
};

class Runtime {
 public:
  Runtime(Desktop& desktop, WinApi& api, FileSystem& files);
  Runtime(const Runtime&) = delete;
  Runtime& operator=(const Runtime&) = delete;
  virtual ~Runtime();

  Desktop& desktop() { return desktop_; }
  WinApi& api() { return api_; }
  FileNumbers& Files() { return files_; }

  // Screen, with the system's factor (platform/scale.h)
  Twips ScreenWidth();
  Twips ScreenHeight();
  Twips TwipsPerPixelX();
  // The executable's folder; ends in a separator only at a drive's root.
  std::string AppPath();

  // Runs one event handler: a run-time error ends it and is reported; nothing
  // escapes. Forms unloaded during the event are destroyed once it is over.
  void Dispatch(const std::function<void()>& handler);
  // The toolkit's error report, for a handler that tells the user itself.
  void ReportError(const std::string& message) { desktop_.ReportError(message); }
  bool Ended() const { return ended_; }
  [[noreturn]] void End();

  // Hides and destroys the form's windows; the instance goes once the current
  // event is over, so a form may unload itself from its own handler.
  void Unload(Form& form);
  void Retire(std::unique_ptr<Form> form);

  // The two places scales are read. Positions on the desktop convert with the
  // system's scale, so that one twip position is one place whichever monitor it
  // falls on; lengths in a window with the scale of the monitor it stands on.
  std::int32_t SystemDpi();
  std::int32_t WindowDpi(HWnd hwnd);

  // Positions: screen pixels and twips, with the system's scale.
  std::int32_t ToPixels(Twips twips);
  Twips ToTwips(std::int32_t pixels);

 private:
  Desktop& desktop_;
  WinApi& api_;
  FileNumbers files_;
  int dispatch_depth_ = 0;
  bool ended_ = false;
  std::vector<std::unique_ptr<Form>> retired_;
  friend class Form;
  std::vector<Form*> forms_;  // every live instance, for modal forms to disable the others
};

// One form class, one instance: the first use creates and loads it hidden, and
// a use after Unload loads a fresh one.
template <class F>
class FormRef {
 public:
  explicit FormRef(std::function<std::unique_ptr<F>()> make) : make_(std::move(make)) {}
  F& operator()(Runtime& rt) {
    if (form_ && form_->Unloaded()) rt.Retire(std::move(form_));
    if (!form_) {
      form_ = make_();
      form_->Load();
    }
    return *form_;
  }
  bool Loaded() const { return form_ && !form_->Unloaded(); }

 private:
  std::function<std::unique_ptr<F>()> make_;
  std::unique_ptr<F> form_;
};

// The unit of a form's or picture box's own scale (ScaleWidth, ScaleHeight).
class ScaleUnit {
 public:
  std::int16_t Mode() const { return mode_; }
  void SetMode(std::int16_t mode);
  // `pixels` of a window at `dpi`, in this unit.
  float Of(std::int32_t pixels, std::int32_t dpi) const;

 private:
  std::int16_t mode_ = kScaleTwips;
};

class Control : protected WindowEvents {
 public:
  Control(Form& form, ControlLayout layout, Control* container = nullptr);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  // Its window, made now if it was still waiting for one.
  HWnd hWnd() { return Window(); }
  const ControlLayout& layout() const { return layout_; }
  bool Visible();
  void SetVisible(bool visible);
  // The place and size its table gives it, in twips, whatever pixels they make
  // at the scale of its monitor; 0 until it is loaded or if its window failed.
  Twips Left();
  Twips Top();
  Twips Width();
  Twips Height();
  void SetFocus();

  std::function<void()> Click;
  std::function<void()> GotFocus;

 protected:
  friend class Form;
  // Takes what its window will show before the window is made: a box that takes
  // its picture's size needs the picture to know its own.
  virtual void Prepare() {}
  virtual void Create();
  HWnd Window();
  bool Loaded() const { return hwnd_ != 0 || waiting_; }
  // The pixels its twips make at its form's present scale, in its parent.
  virtual Rect Place();
  // Takes its place again after its form came to another scale.
  virtual void Relayout();
  void OnClick() override;
  void OnGotFocus() override;
  Form& form() { return form_; }
  Runtime& rt();
  Desktop& desktop();
  // (tab index of the outermost container that orders its own children, own index)
  std::pair<int, int> TabKey() const;

  Form& form_;
  ControlLayout layout_;
  Control* container_;
  HWnd hwnd_ = 0;
  // Loaded, with its window not made yet: its form cannot show it.
  bool waiting_ = false;
  bool shown_ = true;  // its Visible while it waits
};

class PictureBox : public Control {
 public:
  using Control::Control;
  std::int16_t ScaleMode() const { return scale_.Mode(); }
  void SetScaleMode(std::int16_t mode) { scale_.SetMode(mode); }
  float ScaleWidth();
  float ScaleHeight();
  Handle hDC();
  rn::Picture Picture() const { return picture_; }

 protected:
  void Prepare() override;
  void Create() override;
  // A box that takes its picture's size takes its twips (its own pixels at 100 %).
  Rect Place() override;
  void Relayout() override;

 private:
  ScaleUnit scale_;
  rn::Picture picture_;
};

class TextBox : public Control {
 public:
  using Control::Control;
  std::string Text();
  void SetText(const std::string& text);
};

class CommandButton : public Control {
 public:
  using Control::Control;
};

class CheckBox : public Control {
 public:
  using Control::Control;
  std::int16_t Value();
  void SetValue(std::int16_t value);
};

class Frame : public Control {
 public:
  using Control::Control;
};

class Label : public Control {
 public:
  using Control::Control;
};

class Image : public Control {
 public:
  using Control::Control;
  rn::Picture Picture() const { return picture_; }

 protected:
  void Prepare() override;
  void Create() override;

 private:
  rn::Picture picture_;
};

// The navigation service every user control has.
class Hyperlink {
 public:
  explicit Hyperlink(Desktop& desktop) : desktop_(desktop) {}
  void NavigateTo(const std::string& target, const std::string& location = {},
                  const std::string& frame = {});

 private:
  Desktop& desktop_;
};

// A user control is a container of its own controls, which take their places in
// the form's tab order at the user control's place.
class UserControl : public Control {
 public:
  UserControl(Form& form, ControlLayout layout, Control* container = nullptr);
  std::unique_ptr<Hyperlink> GetHyperlink();
};

class MenuItemArray {
 public:
  explicit MenuItemArray(std::vector<std::string> captions) : captions_(std::move(captions)) {}
  const std::vector<std::string>& captions() const { return captions_; }
  std::function<void(std::int16_t index)> Click;

 private:
  std::vector<std::string> captions_;
};

// A top-level menu used only as a popup.
struct Menu {
  std::string caption;
  MenuItemArray& items;
};

class Form : protected WindowEvents {
 public:
  Form(Runtime& rt, FormLayout layout);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form();

  HWnd hWnd() const { return hwnd_; }
  bool Unloaded() const { return unloaded_; }
  Runtime& runtime() { return rt_; }

  Twips Left();
  Twips Top();
  Twips Width();
  Twips Height();
  void SetLeft(Twips value);
  void SetTop(Twips value);
  void SetWidth(Twips value);
  void SetHeight(Twips value);
  // Moves and resizes made while a batch lives reach the window as one change
  // when it ends, and the form reads back what they set: each change of a
  // shown window is a round of messages and a redraw. One batch at a time.
  class BoundsBatch {
   public:
    explicit BoundsBatch(Form& form);
    ~BoundsBatch();
    BoundsBatch(const BoundsBatch&) = delete;
    BoundsBatch& operator=(const BoundsBatch&) = delete;

   private:
    Form& form_;
  };
  bool Visible();
  void SetVisible(bool visible);
  rn::Picture Picture() const { return picture_; }
  void SetPicture(const rn::Picture& picture);
  // The form's client area as drawn, picture and all, and its size in the
  // form's scale unit; mouse coordinates come in that unit too.
  Handle hDC();
  std::int16_t ScaleMode() const { return scale_.Mode(); }
  void SetScaleMode(std::int16_t mode) { scale_.SetMode(mode); }
  float ScaleWidth();
  float ScaleHeight();
  // The scale of the monitor the form stands on, in dots per inch, and lengths
  // in the form at that scale.
  std::int32_t Dpi();
  std::int32_t ToPixels(Twips length);
  Twips ToTwips(std::int32_t pixels);

  void Show(std::int16_t modal = 0);
  void PopupMenu(Menu& menu, std::uint32_t flags = 0);
  void ZOrder();

  // Creates the windows, then raises Load.
  void Load();

 protected:
  virtual void Form_Load() {}
  virtual void Form_MouseDown(const MouseArgs&) {}
  virtual void Form_MouseUp(const MouseArgs&) {}
  virtual void Form_MouseMove(const MouseArgs&) {}
  virtual void Form_DblClick() {}
  virtual void Form_GotFocus() {}
  // The close box: by default the form unloads.
  virtual void Form_QueryClose();
  // The Windows session is ending; the process goes right after.
  virtual void Form_SessionEnd() {}
  // The form came to a monitor of another scale and has been laid out again
  // from its tables.
  virtual void Form_DpiChanged() {}

 private:
  friend class Control;
  void Register(Control& control) { controls_.push_back(&control); }
  void Unregister(Control& control);
  bool OutOfSight(const Control& control) const;
  // Before the form is shown or made larger, either of which may bring them
  // into sight.
  void MakeWaitingControls();
  void ApplyTabOrder();
  void DestroyWindows();
  // A modal form keeps the others disabled until it is hidden or unloaded, and
  // gives them back before it goes, so the activation stays with the gadget.
  void DisableForModal();
  void EnableAfterModal();
  void EndModal();
  friend class Runtime;
  MouseArgs ToArgs(const MouseInput& input);
  Rect Bounds();
  void SetBounds(const Rect& bounds);
  void SizeClientFromTable();
  void Relayout();

  void OnMouseDown(const MouseInput& input) override;
  void OnMouseUp(const MouseInput& input) override;
  void OnMouseMove(const MouseInput& input) override;
  void OnDblClick() override;
  void OnGotFocus() override;
  void OnCloseRequest() override;
  void OnSessionEnd() override;
  void OnDpiChanged() override;

  Runtime& rt_;
  FormLayout layout_;
  std::vector<Control*> controls_;
  HWnd hwnd_ = 0;
  bool unloaded_ = false;
  rn::Picture picture_;
  ScaleUnit scale_;
  // The outer size a program gave the form, kept in twips for every scale; until
  // then it is sized by its table's client area.
  std::optional<Twips> width_;
  std::optional<Twips> height_;
  bool batching_ = false;
  std::optional<Rect> held_;           // the bounds a batch has set and not yet applied
  int modal_disables_ = 0;             // nested modal forms each disable this one once
  std::vector<Form*> disabled_by_me_;  // while this form is shown modally
};

}  // namespace rn::tk
