#include "platform/toolkit.h"

#include <algorithm>
#include <climits>

#include "platform/rounding.h"
#include "platform/window_kinds.h"

namespace rn::tk {

// ---------------------------------------------------------------- Runtime

Runtime::Runtime(Desktop& desktop, WinApi& api, FileSystem& files)
    : desktop_(desktop), api_(api), files_(files) {}

Runtime::~Runtime() = default;

namespace {
// A desktop that cannot tell is at 100 %.
std::int32_t Known(std::int32_t dpi) { return dpi > 0 ? dpi : kDefaultDpi; }
}  // namespace

std::int32_t Runtime::SystemDpi() { return Known(desktop_.Screen().dpi); }

std::int32_t Runtime::WindowDpi(HWnd hwnd) {
  return hwnd == 0 ? SystemDpi() : Known(desktop_.Dpi(hwnd));
}

Twips Runtime::TwipsPerPixelX() {
  return static_cast<float>(kTwipsPerInch) / static_cast<float>(SystemDpi());
}

std::int32_t Runtime::ToPixels(Twips twips) { return TwipsToPixels(twips, SystemDpi()); }
Twips Runtime::ToTwips(std::int32_t pixels) { return PixelsToTwips(pixels, SystemDpi()); }

Twips Runtime::ScreenWidth() { return ToTwips(desktop_.Screen().width); }
Twips Runtime::ScreenHeight() { return ToTwips(desktop_.Screen().height); }
std::string Runtime::AppPath() { return desktop_.ExecutableDirectory(); }

void Runtime::Dispatch(const std::function<void()>& handler) {
  if (ended_) return;
  ++dispatch_depth_;
  try {
    handler();
  } catch (const RuntimeError& e) {
    desktop_.ReportError(e.what());
  } catch (const ProgramEnded&) {
  } catch (const std::exception& e) {
    desktop_.ReportError(e.what());
  }
  if (--dispatch_depth_ == 0) retired_.clear();
}

void Runtime::End() {
  ended_ = true;
  files_.CloseAll();
  desktop_.EndProcess();
  throw ProgramEnded{};
}

void Runtime::Unload(Form& form) { form.DestroyWindows(); }

void Runtime::Retire(std::unique_ptr<Form> form) {
  retired_.push_back(std::move(form));
  if (dispatch_depth_ == 0) retired_.clear();
}

// ---------------------------------------------------------------- Control

Control::Control(Form& form, ControlLayout layout, Control* container)
    : form_(form), layout_(std::move(layout)), container_(container) {
  form_.Register(*this);
}

Control::~Control() { form_.Unregister(*this); }

Runtime& Control::rt() { return form_.runtime(); }
Desktop& Control::desktop() { return form_.runtime().desktop(); }

void Control::Create() {
  const HWnd parent = container_ ? container_->hwnd_ : form_.hWnd();
  ControlWindowSpec request;
  request.kind = layout_.kind;
  request.caption = layout_.caption;
  request.bounds = Place();
  request.font = layout_.font;
  hwnd_ = desktop().CreateControl(parent, request, *this);
}

Rect Control::Place() {
  return {form_.ToPixels(layout_.left), form_.ToPixels(layout_.top),
          form_.ToPixels(layout_.left + layout_.width),
          form_.ToPixels(layout_.top + layout_.height)};
}

void Control::Relayout() {
  if (hwnd_ != 0) desktop().SetBounds(hwnd_, Place());
}

HWnd Control::Window() {
  if (waiting_) form_.MakeWaitingControls();
  return hwnd_;
}

std::pair<int, int> Control::TabKey() const {
  const auto index = [](const Control& c) {
    return c.layout_.tabIndex < 0 ? INT_MAX : c.layout_.tabIndex;
  };
  if (container_ && container_->layout_.kind == ControlKind::UserControl) {
    return {index(*container_), index(*this)};
  }
  return {index(*this), -1};
}

bool Control::Visible() { return waiting_ ? shown_ : desktop().IsVisible(hwnd_); }
void Control::SetVisible(bool visible) {
  if (waiting_) {
    shown_ = visible;
  } else {
    desktop().SetVisible(hwnd_, visible);
  }
}
// Read back from pixels, 750 twips would come back 744 at 120 dpi, and a badge
// sized from them would lose a pixel on a monitor of another scale.
Twips Control::Left() { return Loaded() ? layout_.left : 0; }
Twips Control::Top() { return Loaded() ? layout_.top : 0; }
Twips Control::Width() { return Loaded() ? layout_.width : 0; }
Twips Control::Height() { return Loaded() ? layout_.height : 0; }
void Control::SetFocus() { desktop().SetFocus(Window()); }

void Control::OnClick() {
  rt().Dispatch([this] {
    if (Click) Click();
  });
}

void Control::OnGotFocus() {
  rt().Dispatch([this] {
    if (GotFocus) GotFocus();
  });
}

void PictureBox::Prepare() {
  if (layout_.picture) picture_ = desktop().LoadPicture(*layout_.picture);
  if (layout_.autoSize && picture_) {
    layout_.width = PixelsToTwips(picture_.width, kDefaultDpi);
    layout_.height = PixelsToTwips(picture_.height, kDefaultDpi);
  }
}

void PictureBox::Create() {
  Control::Create();
  if (picture_) desktop().SetPicture(hwnd_, picture_);
}

Rect PictureBox::Place() {
  Rect place = Control::Place();
  if (layout_.autoSize && picture_) {
    place.right = place.left + form_.ToPixels(layout_.width);
    place.bottom = place.top + form_.ToPixels(layout_.height);
  }
  return place;
}

// The persistent image is drawn at the box's scale, so it is drawn anew.
void PictureBox::Relayout() {
  Control::Relayout();
  if (hwnd_ != 0 && picture_) desktop().SetPicture(hwnd_, picture_);
}

void ScaleUnit::SetMode(std::int16_t mode) {
  if (mode != kScaleTwips && mode != kScalePixels) throw RuntimeError(Error::InvalidCall);
  mode_ = mode;
}

float ScaleUnit::Of(std::int32_t pixels, std::int32_t dpi) const {
  return mode_ == kScalePixels ? static_cast<float>(pixels) : PixelsToTwips(pixels, dpi);
}

// The box has no border, so its scale area is its whole rectangle.
float PictureBox::ScaleWidth() {
  return scale_.Of(desktop().GetBounds(Window()).Width(), form_.Dpi());
}
float PictureBox::ScaleHeight() {
  return scale_.Of(desktop().GetBounds(Window()).Height(), form_.Dpi());
}
Handle PictureBox::hDC() { return desktop().PictureDC(Window()); }

std::string TextBox::Text() { return desktop().GetText(Window()); }
void TextBox::SetText(const std::string& text) { desktop().SetText(Window(), text); }

std::int16_t CheckBox::Value() { return static_cast<std::int16_t>(desktop().GetCheck(Window())); }
void CheckBox::SetValue(std::int16_t value) {
  if (value < 0 || value > 2) throw RuntimeError(Error::InvalidCall);
  desktop().SetCheck(Window(), value);
}

void Image::Prepare() {
  if (layout_.picture) picture_ = desktop().LoadPicture(*layout_.picture);
}

void Image::Create() {
  Control::Create();
  if (picture_) desktop().SetPicture(hwnd_, picture_);
}

void Hyperlink::NavigateTo(const std::string& target, const std::string& location,
                           const std::string& frame) {
  // The gadget's container is a plain form, which does not navigate itself, so
  // the request goes to the desktop's browser; a named frame means nothing there.
  (void)frame;
  desktop_.OpenUrl(location.empty() ? target : target + "#" + location);
}

UserControl::UserControl(Form& form, ControlLayout layout, Control* container)
    : Control(form, std::move(layout), container) {}

std::unique_ptr<Hyperlink> UserControl::GetHyperlink() {
  return std::make_unique<Hyperlink>(desktop());
}

// ---------------------------------------------------------------- Form

Form::Form(Runtime& rt, FormLayout layout) : rt_(rt), layout_(std::move(layout)) {
  rt_.forms_.push_back(this);
}

Form::~Form() {
  if (!unloaded_) DestroyWindows();
  std::erase(rt_.forms_, this);
}

void Form::Unregister(Control& control) { std::erase(controls_, &control); }

void Form::Load() {
  // Every form is born on the primary monitor (its start-up place lies there), at
  // the system's scale unless that monitor's scale has changed since.
  const FormWindowSpec request =
      layout_.Measured<std::int32_t>([this](Twips length) { return rt_.ToPixels(length); });
  hwnd_ = rt_.desktop().CreateForm(request, *this);
  if (hwnd_ != 0 && Dpi() != rt_.SystemDpi()) SizeClientFromTable();
  // Members are declared container first, so creation in that order always
  // finds the parent window in place.
  for (Control* control : controls_) {
    control->Prepare();
    if (OutOfSight(*control)) {
      control->waiting_ = true;
    } else {
      control->Create();
    }
  }
  ApplyTabOrder();
  Form_Load();
}

// The panel keeps the badge's picture and the tray's icon below its edge, where
// its fixed client area never shows them: their windows wait until the form is
// shown or something asks for one, and start-up is spared making them (about
// 1 ms each under Wine). Such a control overlaps only what is out of sight too,
// so being made later in the sibling order changes nothing anyone sees.
bool Form::OutOfSight(const Control& control) const {
  const bool contains = std::ranges::any_of(
      controls_, [&](const Control* other) { return other->container_ == &control; });
  if (control.container_ != nullptr || contains) return false;
  const ControlLayout& place = control.layout_;
  return place.left >= layout_.clientWidth || place.top >= layout_.clientHeight ||
         place.left + place.width <= 0 || place.top + place.height <= 0;
}

void Form::MakeWaitingControls() {
  bool made = false;
  for (Control* control : controls_) {
    if (!control->waiting_) continue;
    control->waiting_ = false;
    control->Create();
    if (!control->shown_) rt_.desktop().SetVisible(control->hwnd_, false);
    made = true;
  }
  if (made) ApplyTabOrder();
}

void Form::ApplyTabOrder() {
  std::vector<Control*> stops;
  for (Control* control : controls_) {
    if (FactsOf(KindOf(control->layout_.kind)).tabStop && !control->waiting_) {
      stops.push_back(control);
    }
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const Control* a, const Control* b) { return a->TabKey() < b->TabKey(); });
  std::vector<HWnd> order;
  for (const Control* control : stops) order.push_back(control->hwnd_);
  rt_.desktop().SetTabOrder(hwnd_, order);
}

void Form::DestroyWindows() {
  EndModal();
  if (hwnd_ != 0) rt_.desktop().DestroyWindow(hwnd_);
  hwnd_ = 0;
  for (Control* control : controls_) {
    control->hwnd_ = 0;
    control->waiting_ = false;
  }
  unloaded_ = true;
}

Rect Form::Bounds() { return held_ ? *held_ : rt_.desktop().GetBounds(hwnd_); }

void Form::SetBounds(const Rect& bounds) {
  if (batching_) {
    held_ = bounds;
  } else {
    rt_.desktop().SetBounds(hwnd_, bounds);
  }
}

Form::BoundsBatch::BoundsBatch(Form& form) : form_(form) { form_.batching_ = true; }

Form::BoundsBatch::~BoundsBatch() {
  form_.batching_ = false;
  if (!form_.held_) return;
  const Rect bounds = *form_.held_;
  form_.held_.reset();
  form_.SetBounds(bounds);
}

std::int32_t Form::Dpi() { return rt_.WindowDpi(hwnd_); }
std::int32_t Form::ToPixels(Twips length) { return TwipsToPixels(length, Dpi()); }
Twips Form::ToTwips(std::int32_t pixels) { return PixelsToTwips(pixels, Dpi()); }

Twips Form::Left() { return rt_.ToTwips(Bounds().left); }
Twips Form::Top() { return rt_.ToTwips(Bounds().top); }
Twips Form::Width() { return ToTwips(Bounds().Width()); }
Twips Form::Height() { return ToTwips(Bounds().Height()); }

void Form::SetLeft(Twips value) {
  Rect b = Bounds();
  const std::int32_t left = rt_.ToPixels(value);
  SetBounds({left, b.top, left + b.Width(), b.bottom});
}

void Form::SetTop(Twips value) {
  Rect b = Bounds();
  const std::int32_t top = rt_.ToPixels(value);
  SetBounds({b.left, top, b.right, top + b.Height()});
}

void Form::SetWidth(Twips value) {
  MakeWaitingControls();
  Rect b = Bounds();
  SetBounds({b.left, b.top, b.left + ToPixels(value), b.bottom});
  width_ = value;
}

void Form::SetHeight(Twips value) {
  MakeWaitingControls();
  Rect b = Bounds();
  SetBounds({b.left, b.top, b.right, b.top + ToPixels(value)});
  height_ = value;
}

// The frame keeps whatever size the system gives it at this scale.
void Form::SizeClientFromTable() {
  const Rect b = Bounds();
  const Rect client = rt_.desktop().GetClientRect(hwnd_);
  SetBounds({b.left, b.top, b.right - client.Width() + ToPixels(layout_.clientWidth),
             b.bottom - client.Height() + ToPixels(layout_.clientHeight)});
}

void Form::Relayout() {
  if (hwnd_ == 0) return;
  if (!width_ || !height_) SizeClientFromTable();
  const Rect b = Bounds();
  SetBounds({b.left, b.top, width_ ? b.left + ToPixels(*width_) : b.right,
             height_ ? b.top + ToPixels(*height_) : b.bottom});
  for (Control* control : controls_) control->Relayout();
}

bool Form::Visible() { return rt_.desktop().IsVisible(hwnd_); }
void Form::SetVisible(bool visible) {
  if (!visible) EndModal();
  if (visible) MakeWaitingControls();
  rt_.desktop().SetVisible(hwnd_, visible);
}

void Form::SetPicture(const rn::Picture& picture) {
  picture_ = picture;
  rt_.desktop().SetPicture(hwnd_, picture);
}

Handle Form::hDC() { return rt_.desktop().PictureDC(hwnd_); }

float Form::ScaleWidth() { return scale_.Of(rt_.desktop().GetClientRect(hwnd_).Width(), Dpi()); }
float Form::ScaleHeight() { return scale_.Of(rt_.desktop().GetClientRect(hwnd_).Height(), Dpi()); }

void Form::Show(std::int16_t modal) {
  if (modal != kModal) {
    SetVisible(true);
    return;
  }
  if (Visible()) throw RuntimeError(Error::InvalidProcedureState);
  for (Form* other : rt_.forms_) {
    if (other != this && other->hwnd_ != 0) {
      other->DisableForModal();
      disabled_by_me_.push_back(other);
    }
  }
  struct EndModalOnExit {
    Form& form;
    ~EndModalOnExit() { form.EndModal(); }
  } endModal{*this};
  SetVisible(true);
  rt_.desktop().RunModalLoop([this] { return rt_.Ended() || unloaded_ || !Visible(); });
}

void Form::DisableForModal() {
  if (modal_disables_++ == 0 && hwnd_ != 0) rt_.desktop().SetEnabled(hwnd_, false);
}

void Form::EnableAfterModal() {
  if (--modal_disables_ == 0 && hwnd_ != 0) rt_.desktop().SetEnabled(hwnd_, true);
}

void Form::EndModal() {
  std::vector<Form*> disabled = std::move(disabled_by_me_);
  disabled_by_me_.clear();
  for (Form* other : disabled) {
    // A form unloaded meanwhile is gone from the runtime's list.
    if (std::ranges::find(rt_.forms_, other) != rt_.forms_.end()) other->EnableAfterModal();
  }
}

void Form::PopupMenu(Menu& menu, std::uint32_t flags) {
  const std::int32_t chosen = rt_.desktop().TrackPopupMenu(hwnd_, menu.items.captions(), flags);
  if (chosen >= 0 && menu.items.Click) menu.items.Click(static_cast<std::int16_t>(chosen));
}

void Form::ZOrder() { rt_.desktop().BringToFront(hwnd_); }

void Form::Form_QueryClose() { rt_.Unload(*this); }

// Twips with the system's scale, the one the tray icon's decoder divides by: the
// message the icon carries as a coordinate comes back whole on any monitor.
MouseArgs Form::ToArgs(const MouseInput& input) {
  const auto scaled = [&](std::int32_t v) {
    return scale_.Mode() == kScalePixels ? static_cast<float>(v) : rt_.ToTwips(v);
  };
  return {input.button, input.shift, scaled(input.x), scaled(input.y), input.fromNotifyIcon};
}

void Form::OnMouseDown(const MouseInput& input) {
  rt_.Dispatch([&] { Form_MouseDown(ToArgs(input)); });
}
void Form::OnMouseUp(const MouseInput& input) {
  rt_.Dispatch([&] { Form_MouseUp(ToArgs(input)); });
}
void Form::OnMouseMove(const MouseInput& input) {
  rt_.Dispatch([&] { Form_MouseMove(ToArgs(input)); });
}
void Form::OnDblClick() {
  rt_.Dispatch([&] { Form_DblClick(); });
}
void Form::OnGotFocus() {
  rt_.Dispatch([&] { Form_GotFocus(); });
}
void Form::OnCloseRequest() {
  rt_.Dispatch([&] { Form_QueryClose(); });
}
void Form::OnSessionEnd() {
  rt_.Dispatch([&] { Form_SessionEnd(); });
}
void Form::OnDpiChanged() {
  rt_.Dispatch([&] {
    Relayout();
    Form_DpiChanged();
  });
}

}  // namespace rn::tk
