#include "platform/toolkit.h"

#include <algorithm>
#include <climits>

#include "platform/rounding.h"

namespace rn::tk {

// ---------------------------------------------------------------- Runtime

Runtime::Runtime(Desktop& desktop, WinApi& api)
    : desktop_(desktop), api_(api), files_(desktop.Files()) {}

Runtime::~Runtime() = default;

Twips Runtime::TwipsPerPixelX() {
  constexpr float kTwipsPerInch = 1440.0f;
  return kTwipsPerInch / static_cast<float>(desktop_.Screen().dpi);
}

std::int32_t Runtime::ToPixels(Twips twips) {
  return RoundToInt32(static_cast<double>(twips) / TwipsPerPixelX());
}

Twips Runtime::ToTwips(std::int32_t pixels) {
  return static_cast<Twips>(pixels) * TwipsPerPixelX();
}

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
  request.bounds = {rt().ToPixels(layout_.left), rt().ToPixels(layout_.top),
                    rt().ToPixels(layout_.left + layout_.width),
                    rt().ToPixels(layout_.top + layout_.height)};
  request.font = layout_.font;
  hwnd_ = desktop().CreateControl(parent, request, *this);
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

bool Control::Visible() { return desktop().IsVisible(hwnd_); }
void Control::SetVisible(bool visible) { desktop().SetVisible(hwnd_, visible); }
Twips Control::Left() { return rt().ToTwips(desktop().GetBounds(hwnd_).left); }
Twips Control::Top() { return rt().ToTwips(desktop().GetBounds(hwnd_).top); }
Twips Control::Width() { return rt().ToTwips(desktop().GetBounds(hwnd_).Width()); }
Twips Control::Height() { return rt().ToTwips(desktop().GetBounds(hwnd_).Height()); }
void Control::SetFocus() { desktop().SetFocus(hwnd_); }

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

void PictureBox::Create() {
  if (layout_.picture) picture_ = desktop().LoadPicture(*layout_.picture);
  Control::Create();
  if (layout_.autoSize && picture_) {
    Rect bounds = desktop().GetBounds(hwnd_);
    bounds.right = bounds.left + picture_.width;
    bounds.bottom = bounds.top + picture_.height;
    desktop().SetBounds(hwnd_, bounds);
  }
  if (picture_) desktop().SetPicture(hwnd_, picture_);
}

void PictureBox::SetScaleMode(std::int16_t mode) {
  if (mode != kScaleTwips && mode != kScalePixels) throw RuntimeError(Error::InvalidCall);
  scale_mode_ = mode;
}

float PictureBox::ToScale(std::int32_t pixels) {
  return scale_mode_ == kScalePixels ? static_cast<float>(pixels) : rt().ToTwips(pixels);
}

// The box has no border, so its scale area is its whole rectangle.
float PictureBox::ScaleWidth() { return ToScale(desktop().GetBounds(hwnd_).Width()); }
float PictureBox::ScaleHeight() { return ToScale(desktop().GetBounds(hwnd_).Height()); }
Handle PictureBox::hDC() { return desktop().PictureDC(hwnd_); }

std::string TextBox::Text() { return desktop().GetText(hwnd_); }
void TextBox::SetText(const std::string& text) { desktop().SetText(hwnd_, text); }

std::int16_t CheckBox::Value() { return static_cast<std::int16_t>(desktop().GetCheck(hwnd_)); }
void CheckBox::SetValue(std::int16_t value) {
  if (value < 0 || value > 2) throw RuntimeError(Error::InvalidCall);
  desktop().SetCheck(hwnd_, value);
}

void Image::Create() {
  if (layout_.picture) picture_ = desktop().LoadPicture(*layout_.picture);
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
  FormWindowSpec request;
  request.caption = layout_.caption;
  request.border = layout_.border;
  request.closeBox = layout_.closeBox;
  request.minButton = layout_.minButton;
  request.maxButton = layout_.maxButton;
  request.showInTaskbar = layout_.showInTaskbar;
  request.startUp = layout_.startUp;
  request.clientWidth = rt_.ToPixels(layout_.clientWidth);
  request.clientHeight = rt_.ToPixels(layout_.clientHeight);
  request.icon = layout_.icon;
  hwnd_ = rt_.desktop().CreateForm(request, *this);
  // Members are declared container first, so creation in that order always
  // finds the parent window in place.
  for (Control* control : controls_) control->Create();

  std::vector<Control*> stops;
  for (Control* control : controls_) {
    switch (control->layout_.kind) {
      case ControlKind::TextBox:
      case ControlKind::CommandButton:
      case ControlKind::CheckBox:
      case ControlKind::PictureBox: stops.push_back(control); break;
      default: break;
    }
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const Control* a, const Control* b) { return a->TabKey() < b->TabKey(); });
  std::vector<HWnd> order;
  for (const Control* control : stops) order.push_back(control->hwnd_);
  rt_.desktop().SetTabOrder(hwnd_, order);

  Form_Load();
}

void Form::DestroyWindows() {
  EndModal();
  if (hwnd_ != 0) rt_.desktop().DestroyWindow(hwnd_);
  hwnd_ = 0;
  for (Control* control : controls_) control->hwnd_ = 0;
  unloaded_ = true;
}

Rect Form::Bounds() { return rt_.desktop().GetBounds(hwnd_); }
void Form::SetBounds(const Rect& bounds) { rt_.desktop().SetBounds(hwnd_, bounds); }

Twips Form::Left() { return rt_.ToTwips(Bounds().left); }
Twips Form::Top() { return rt_.ToTwips(Bounds().top); }
Twips Form::Width() { return rt_.ToTwips(Bounds().Width()); }
Twips Form::Height() { return rt_.ToTwips(Bounds().Height()); }

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
  Rect b = Bounds();
  SetBounds({b.left, b.top, b.left + rt_.ToPixels(value), b.bottom});
}

void Form::SetHeight(Twips value) {
  Rect b = Bounds();
  SetBounds({b.left, b.top, b.right, b.top + rt_.ToPixels(value)});
}

bool Form::Visible() { return rt_.desktop().IsVisible(hwnd_); }
void Form::SetVisible(bool visible) {
  if (!visible) EndModal();
  rt_.desktop().SetVisible(hwnd_, visible);
}

void Form::SetPicture(const rn::Picture& picture) {
  picture_ = picture;
  rt_.desktop().SetPicture(hwnd_, picture);
}

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

MouseArgs Form::ToArgs(const MouseInput& input) {
  return {input.button, input.shift, rt_.ToTwips(input.x), rt_.ToTwips(input.y),
          input.fromNotifyIcon};
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

}  // namespace rn::tk
