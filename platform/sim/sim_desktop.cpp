#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "platform/mouse_keys.h"
#include "platform/picture_decoder.h"
#include "platform/scale.h"
#include "platform/sim/world.h"

namespace rn::sim {
namespace {

// What a window of the toolkit makes of a mouse-move message. It cannot tell
// which icon a message comes from, so it takes the one of identifier 0.
MouseInput DecodeMove(std::uint32_t wParam, std::uint32_t lParam) {
  MouseInput in;
  in.button = ButtonsHeld(wParam);
  in.shift = ShiftHeld(wParam);
  in.x = static_cast<std::int16_t>(lParam & 0xFFFF);
  in.y = static_cast<std::int16_t>(lParam >> 16);
  in.fromNotifyIcon = IsNotifyIconCallback(wParam, lParam, 0);
  return in;
}

bool IsButton(WindowKind kind) { return FactsOf(kind).button; }

bool TakesFocusOnPress(WindowKind kind, std::int16_t button) {
  const WindowKindFacts& facts = FactsOf(kind);
  return facts.focusOnAnyPress || (button == kLeftButton && facts.focusOnLeftPress);
}

Rect Normalized(const Rect& r) {
  return {r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

std::int64_t Overlap(const Rect& a, const Rect& b) {
  const std::int64_t width = std::int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
  const std::int64_t height = std::int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

// How far apart two rectangles lie, squared; 0 when they touch or overlap.
std::int64_t Distance(const Rect& a, const Rect& b) {
  const std::int64_t dx =
      std::max<std::int64_t>({0, std::int64_t{b.left} - a.right, std::int64_t{a.left} - b.right});
  const std::int64_t dy =
      std::max<std::int64_t>({0, std::int64_t{b.top} - a.bottom, std::int64_t{a.top} - b.bottom});
  return dx * dx + dy * dy;
}

// What the system suggests: the old size times the ratio of the scales, rounded
// half up, from the same top-left corner.
std::int32_t Rescaled(std::int32_t length, std::int32_t to, std::int32_t from) {
  return static_cast<std::int32_t>((std::int64_t{length} * to + from / 2) / from);
}

bool Inside(const Rect& r, Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

NonClient NonClientOf(BorderStyle border, std::int32_t dpi) {
  const NonClient at100 = NonClientOf(border);
  return {tk::ScaledLength(at100.left, dpi), tk::ScaledLength(at100.top, dpi),
          tk::ScaledLength(at100.right, dpi), tk::ScaledLength(at100.bottom, dpi)};
}

SimDesktop::SimDesktop(World& world) : world_(world) {
  const ScreenMetrics screen = world.options().screen;
  monitors_.push_back({{0, 0, screen.width, screen.height}, screen.dpi});
  for (const Monitor& m : world.options().otherMonitors) monitors_.push_back(m);
}

// ---------------------------------------------------------------- lookups

WindowState* SimDesktop::W(HWnd hwnd) {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

const WindowState* SimDesktop::W(HWnd hwnd) const {
  const auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

const WindowState* SimDesktop::Find(HWnd hwnd) const { return W(hwnd); }

HWnd SimDesktop::FindByText(std::string_view text) const {
  for (const auto& [handle, w] : windows_) {
    if (w.text == text) return handle;
  }
  return 0;
}

std::vector<HWnd> SimDesktop::Forms() const { return z_order_; }

HWnd SimDesktop::FormOf(HWnd hwnd) const {
  const WindowState* w = W(hwnd);
  while (w && w->parent != 0) w = W(w->parent);
  return w ? w->handle : 0;
}

bool SimDesktop::Within(HWnd hwnd, HWnd ancestor) const {
  for (const WindowState* w = W(hwnd); w; w = W(w->parent)) {
    if (w->handle == ancestor) return true;
  }
  return false;
}

bool SimDesktop::OnScreen(HWnd hwnd) const {
  const WindowState* w = W(hwnd);
  if (!w) return false;
  for (; w; w = W(w->parent)) {
    if (!w->visible) return false;
  }
  return true;
}

bool SimDesktop::EnabledChain(HWnd hwnd) const {
  for (const WindowState* w = W(hwnd); w; w = W(w->parent)) {
    if (!w->enabled) return false;
  }
  return true;
}

bool SimDesktop::CanTakeInput(HWnd hwnd) const { return OnScreen(hwnd) && EnabledChain(hwnd); }

Rect SimDesktop::ScreenRect(HWnd hwnd) const {
  const WindowState* w = W(hwnd);
  if (!w) return {};
  if (w->kind == WindowKind::Form) return w->bounds;
  const Rect parent = ClientScreenRect(w->parent);
  return {parent.left + w->bounds.left, parent.top + w->bounds.top, parent.left + w->bounds.right,
          parent.top + w->bounds.bottom};
}

Rect SimDesktop::ClientScreenRect(HWnd hwnd) const {
  const WindowState* w = W(hwnd);
  if (!w) return {};
  const Rect outer = ScreenRect(hwnd);
  if (w->kind != WindowKind::Form) return outer;
  const NonClient nc = NonClientOf(w->style.border, w->dpi);
  return {outer.left + nc.left, outer.top + nc.top, outer.right - nc.right,
          outer.bottom - nc.bottom};
}

std::optional<std::vector<Rect>> SimDesktop::WindowRegion(HWnd hwnd) const {
  const WindowState* w = W(hwnd);
  if (!w || w->region == 0) return std::nullopt;
  return world_.gdi().FindRegion(w->region)->Rects();
}

// `inParent`: the point in the coordinates `hwnd`'s bounds are given in.
HWnd SimDesktop::Hit(HWnd hwnd, Point inParent) const {
  const WindowState& w = *W(hwnd);
  if (!w.visible || !Inside(w.bounds, inParent)) return 0;
  const Point inWindow{inParent.x - w.bounds.left, inParent.y - w.bounds.top};
  if (w.region != 0 && !world_.gdi().FindRegion(w.region)->Contains(inWindow)) return 0;
  const NonClient nc = w.kind == WindowKind::Form ? NonClientOf(w.style.border, w.dpi) : kNoFrame;
  const Point inClient{inWindow.x - nc.left, inWindow.y - nc.top};
  for (HWnd child : w.children) {
    if (const HWnd found = Hit(child, inClient); found != 0) {
      return W(child)->enabled ? found : hwnd;
    }
  }
  return FactsOf(w.kind).letsPointerThrough ? 0 : hwnd;
}

HWnd SimDesktop::WindowFromPoint(Point screen) const {
  for (HWnd form : z_order_) {
    if (const HWnd found = Hit(form, screen); found != 0) return found;
  }
  return 0;
}

// ---------------------------------------------------------------- windows

HWnd SimDesktop::CreateForm(const FormWindowSpec& request, WindowEvents& events) {
  const HWnd h = world_.NewHandle();
  WindowState w;
  w.handle = h;
  w.style = request;
  w.events = &events;
  w.text = request.caption;
  // Born on the primary monitor, whose frame it takes.
  w.dpi = monitors_.front().dpi;
  const NonClient nc = NonClientOf(request.border, w.dpi);
  const std::int32_t width = std::max(request.clientWidth, 0) + nc.left + nc.right;
  const std::int32_t height = std::max(request.clientHeight, 0) + nc.top + nc.bottom;
  const ScreenMetrics screen = world_.options().screen;
  Point at{0, 0};
  if (request.startUp == StartUpPosition::CenterScreen) {
    at = {(screen.width - width) / 2, (screen.height - height) / 2};
  } else if (request.startUp == StartUpPosition::WindowsDefault) {
    at = kDefaultPlace;
  }
  w.bounds = Constrained(w, {at.x, at.y, at.x + width, at.y + height});
  if (request.icon) w.icon = LoadPicture(*request.icon);
  windows_.emplace(h, std::move(w));
  z_order_.push_back(h);
  PlaceFront(h);
  return h;
}

HWnd SimDesktop::CreateControl(HWnd parent, const ControlWindowSpec& request,
                               WindowEvents& events) {
  WindowState* p = W(parent);
  if (!p) return 0;
  const HWnd h = world_.NewHandle();
  p->children.push_back(h);
  WindowState w;
  w.handle = h;
  w.parent = parent;
  w.kind = KindOf(request.kind);
  w.events = &events;
  w.bounds = Normalized(request.bounds);
  w.visible = true;
  w.text = request.caption;
  w.font = request.font;
  windows_.emplace(h, std::move(w));
  return h;
}

void SimDesktop::SetTabOrder(HWnd form, const std::vector<HWnd>& order) {
  if (WindowState* w = W(form); w && w->kind == WindowKind::Form) w->tabOrder = order;
}

void SimDesktop::DestroyWindow(HWnd hwnd) {
  if (!W(hwnd)) return;
  LoseFocus(hwnd, Loss::Destroyed);
  WindowState* root = W(hwnd);
  if (!root) return;  // a focus handler destroyed it already
  if (root->parent != 0) std::erase(W(root->parent)->children, hwnd);
  std::vector<HWnd> doomed{hwnd};
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    const WindowState& w = *W(doomed[i]);
    doomed.insert(doomed.end(), w.children.begin(), w.children.end());
  }
  for (HWnd h : doomed) {
    WindowState& w = *W(h);
    if (w.region != 0) world_.gdi().DeleteOwnedRegion(w.region);
    if (w.pictureDc != 0) world_.gdi().RemovePictureDc(w.pictureDc);
    if (focus_ == h) focus_ = 0;
    if (active_ == h) active_ = 0;
    if (capture_ == h) capture_ = 0;
    std::erase(z_order_, h);
    windows_.erase(h);
  }
}

Rect SimDesktop::GetBounds(HWnd hwnd) {
  const WindowState* w = W(hwnd);
  return w ? w->bounds : Rect{};
}

Rect SimDesktop::Constrained(const WindowState& w, Rect bounds) const {
  bounds = Normalized(bounds);
  if (w.kind == WindowKind::Form && w.style.border != BorderStyle::None) {
    bounds.right = std::max(bounds.right, bounds.left + kMinCaptionedWidth);
    bounds.bottom = std::max(bounds.bottom, bounds.top + kMinCaptionedHeight);
  }
  return bounds;
}

void SimDesktop::Resize(WindowState& w, const Rect& bounds) {
  const Rect old = w.bounds;
  w.bounds = Constrained(w, bounds);
  if (w.pictureDc != 0 && (old.Width() != w.bounds.Width() || old.Height() != w.bounds.Height())) {
    Repaint(w);
  }
  if (w.kind == WindowKind::Form) FollowMonitor(w.handle);
}

void SimDesktop::SetBounds(HWnd hwnd, const Rect& bounds) {
  if (WindowState* w = W(hwnd)) Resize(*w, bounds);
}

Rect SimDesktop::GetClientRect(HWnd hwnd) {
  const Rect client = ClientScreenRect(hwnd);
  return {0, 0, client.Width(), client.Height()};
}

std::int32_t SimDesktop::Dpi(HWnd hwnd) {
  const WindowState* form = W(FormOf(hwnd));
  return form ? form->dpi : monitors_.front().dpi;
}

std::int32_t SimDesktop::MonitorDpi(const Rect& bounds) const {
  const Monitor* best = &monitors_.front();
  std::int64_t most = 0;
  for (const Monitor& m : monitors_) {
    if (const std::int64_t overlap = Overlap(bounds, m.area); overlap > most) {
      most = overlap;
      best = &m;
    }
  }
  if (most == 0) {
    for (const Monitor& m : monitors_) {
      if (Distance(bounds, m.area) < Distance(bounds, best->area)) best = &m;
    }
  }
  return best->dpi;
}

void SimDesktop::FollowMonitor(HWnd form) {
  WindowState* w = W(form);
  if (!w) return;
  const std::int32_t dpi = MonitorDpi(w->bounds);
  if (dpi == w->dpi) return;
  const Rect b = w->bounds;
  const std::int32_t from = std::exchange(w->dpi, dpi);
  w->bounds = {b.left, b.top, b.left + Rescaled(b.Width(), dpi, from),
               b.top + Rescaled(b.Height(), dpi, from)};
  if (w->pictureDc != 0) Repaint(*w);
  Raise(form, [](WindowEvents& e) { e.OnDpiChanged(); });
}

void SimDesktop::SetMonitorDpi(std::size_t monitor, std::int32_t dpi) {
  if (monitor >= monitors_.size() || dpi <= 0) return;
  monitors_[monitor].dpi = dpi;
  for (HWnd form : Forms()) FollowMonitor(form);
}

bool SimDesktop::IsVisible(HWnd hwnd) {
  const WindowState* w = W(hwnd);
  return w && w->visible;
}

void SimDesktop::SetVisible(HWnd hwnd, bool visible) {
  WindowState* w = W(hwnd);
  if (!w || w->visible == visible) return;
  w->visible = visible;
  if (!visible) {
    w->lastFocus = 0;  // a form shown again starts afresh at its first stop
    LoseFocus(hwnd, Loss::Hidden);
  } else if (w->kind == WindowKind::Form) {
    Activate(hwnd);
  }
}

void SimDesktop::SetEnabled(HWnd hwnd, bool enabled) {
  WindowState* w = W(hwnd);
  if (!w || w->enabled == enabled) return;
  w->enabled = enabled;
  if (!enabled) LoseFocus(hwnd, Loss::Disabled);
}

void SimDesktop::PlaceFront(HWnd form) {
  WindowState* w = W(form);
  if (!w || w->kind != WindowKind::Form) return;
  std::erase(z_order_, form);
  auto at = z_order_.begin();
  if (!w->topmost) {
    at = std::ranges::find_if(z_order_, [&](HWnd h) { return !W(h)->topmost; });
  }
  z_order_.insert(at, form);
}

void SimDesktop::BringToFront(HWnd hwnd) {
  WindowState* w = W(hwnd);
  if (!w) return;
  if (w->kind == WindowKind::Form) {
    PlaceFront(hwnd);
    return;
  }
  std::vector<HWnd>& siblings = W(w->parent)->children;
  std::erase(siblings, hwnd);
  siblings.insert(siblings.begin(), hwnd);
}

std::string SimDesktop::GetText(HWnd hwnd) {
  const WindowState* w = W(hwnd);
  return w ? w->text : std::string{};
}

void SimDesktop::SetText(HWnd hwnd, const std::string& text) {
  if (WindowState* w = W(hwnd)) w->text = text;
}

std::int32_t SimDesktop::GetCheck(HWnd checkBox) {
  const WindowState* w = W(checkBox);
  return w && w->kind == WindowKind::CheckBox ? w->check : 0;
}

void SimDesktop::SetCheck(HWnd checkBox, std::int32_t value) {
  WindowState* w = W(checkBox);
  if (w && w->kind == WindowKind::CheckBox && value >= 0 && value <= 2) {
    w->check = value;
  }
}

// ---------------------------------------------------------------- focus

void SimDesktop::ChangeFocus(HWnd to) {
  // The platform tells a window it got the focus only when the focus moves.
  if (to == focus_) return;
  focus_ = to;
  if (to == 0) return;
  active_ = FormOf(to);
  Raise(to, [](WindowEvents& e) { e.OnGotFocus(); });
}

bool SimDesktop::FocusWindow(HWnd hwnd) {
  if (!CanTakeInput(hwnd)) return false;
  if (active_ != FormOf(hwnd)) PlaceFront(FormOf(hwnd));
  ChangeFocus(hwnd);
  return true;
}

// Shown and enabled up to the form, whose own state does not count: a form on
// its way to the screen already has a first stop.
HWnd SimDesktop::FirstStop(HWnd form) const {
  const WindowState* f = W(form);
  if (!f) return 0;
  for (HWnd h : f->tabOrder) {
    if (h == form || !Within(h, form)) continue;
    const WindowState* w = W(h);
    while (w->handle != form && w->visible && w->enabled) w = W(w->parent);
    if (w->handle == form) return h;
  }
  return 0;
}

void SimDesktop::Activate(HWnd form, bool evenHidden) {
  if (active_ == form || !EnabledChain(form) || (!evenHidden && !OnScreen(form))) return;
  if (WindowState* previous = W(active_); previous && previous->kind == WindowKind::Form) {
    previous->lastFocus = focus_ != 0 && Within(focus_, active_) && focus_ != active_ ? focus_ : 0;
  }
  active_ = form;
  PlaceFront(form);
  // Coming back to a form puts the focus where it was; the platform tells that
  // control it got the focus, as for any other arrival.
  WindowState* w = W(form);
  const HWnd last = std::exchange(w->lastFocus, 0);
  if (last != 0 && Within(last, form) && CanTakeInput(last)) {
    ChangeFocus(last);
    return;
  }
  const HWnd stop = FirstStop(form);
  ChangeFocus(stop != 0 ? stop : form);
}

void SimDesktop::ActivateNext(HWnd except) {
  for (HWnd form : std::vector<HWnd>(z_order_)) {
    if (form != except && CanTakeInput(form)) {
      Activate(form);
      return;
    }
  }
  focus_ = 0;
  active_ = 0;
}

void SimDesktop::LoseFocus(HWnd hwnd, Loss why) {
  const bool hadFocus = focus_ != 0 && Within(focus_, hwnd);
  if (!hadFocus && active_ != hwnd) return;
  const WindowState& w = *W(hwnd);
  if (why == Loss::Disabled) {
    if (hadFocus) focus_ = 0;  // a disabled window cannot keep the focus
  } else if (w.kind == WindowKind::Form) {
    ActivateNext(hwnd);
  } else if (CanTakeInput(w.parent)) {
    ChangeFocus(w.parent);  // the platform hands the focus back to the parent
  } else {
    focus_ = 0;
  }
}

void SimDesktop::SetFocus(HWnd hwnd) {
  if (!W(hwnd) || !EnabledChain(hwnd)) return;
  if (const HWnd form = FormOf(hwnd); active_ != form) Activate(form, true);
  if (W(hwnd) && EnabledChain(hwnd)) ChangeFocus(hwnd);
}

void SimDesktop::FocusForClick(HWnd hwnd, std::int16_t button) {
  const WindowState* w = W(hwnd);
  if (!w) return;
  if (TakesFocusOnPress(w->kind, button)) {
    FocusWindow(hwnd);
  } else {
    Activate(FormOf(hwnd));
  }
}

// ---------------------------------------------------------------- pictures

Picture SimDesktop::LoadPicture(PictureId id) {
  if (const auto it = pictures_.find(id); it != pictures_.end()) return it->second;
  const std::filesystem::path& dir = world_.options().artDirectory;
  Picture picture;
  if (id == PictureId::ShapeBitmap) {
    const art::Image image = art::DecodeBmp(art::ReadFileBytes(dir / "badge.bmp"));
    picture = {world_.gdi().AddPicture(image), image.width, image.height};
  } else {
    const char* file = id == PictureId::TrayIcon ? "tray.ico" : "dialog.ico";
    const art::Image image = art::DecodeIco(art::ReadFileBytes(dir / file));
    picture = {world_.gdi().AddIcon(image), image.width, image.height};
  }
  pictures_.emplace(id, picture);
  return picture;
}

void SimDesktop::Repaint(WindowState& w) {
  const Rect client = GetClientRect(w.handle);
  world_.gdi().PaintPictureDc(w.pictureDc, client.Width(), client.Height(), kPictureBoxBack,
                              w.picture.handle, Dpi(w.handle));
}

void SimDesktop::SetPicture(HWnd hwnd, const Picture& picture) {
  WindowState* w = W(hwnd);
  if (!w) return;
  w->picture = picture;
  if (w->pictureDc != 0) Repaint(*w);
}

Handle SimDesktop::PictureDC(HWnd hwnd) {
  WindowState* w = W(hwnd);
  if (!w || !FactsOf(w->kind).keepsImage) return 0;
  if (w->pictureDc == 0) {
    w->pictureDc = world_.gdi().AddPictureDc();
    Repaint(*w);
  }
  return w->pictureDc;
}

// ---------------------------------------------------------------- menus, loops, reports

std::int32_t SimDesktop::TrackPopupMenu(HWnd owner, const std::vector<std::string>& captions,
                                        std::uint32_t flags) {
  const std::size_t index = menus_.size();
  menus_.push_back({owner, captions, flags, -1, false});
  // One popup menu at a time, and only for a window that exists.
  if (!W(owner) || live_menus_ > 0) {
    menus_[index].refused = true;
    return -1;
  }
  if (captions.empty() || menu_script_.empty()) return -1;
  const std::function<std::int32_t()> script = std::move(menu_script_.front());
  menu_script_.pop_front();
  ++live_menus_;
  struct Closes {
    int& live;
    ~Closes() { --live; }
  } closes{live_menus_};
  const std::int32_t chosen = script();
  const bool valid =
      chosen == -1 || (chosen >= 0 && static_cast<std::size_t>(chosen) < captions.size() &&
                       captions[static_cast<std::size_t>(chosen)] != "-");
  if (!valid) {
    throw std::logic_error("TrackPopupMenu: the script chose item " + std::to_string(chosen) +
                           ", which the user cannot choose from " +
                           std::to_string(captions.size()) + " items");
  }
  menus_[index].chosen = chosen;
  return chosen;
}

void SimDesktop::ScriptMenu(std::int32_t choice) {
  menu_script_.push_back([choice] { return choice; });
}

void SimDesktop::ScriptMenu(std::function<std::int32_t()> whileOpen) {
  menu_script_.push_back(std::move(whileOpen));
}

void SimDesktop::ScriptModal(std::function<void()> action) {
  modal_script_.push_back(std::move(action));
}

void SimDesktop::ScriptDrag(std::int32_t dx, std::int32_t dy, std::function<void()> during) {
  drags_.push_back({{dx, dy}, std::move(during)});
}

void SimDesktop::RunModalLoop(const std::function<bool()>& done) {
  ++modal_depth_;
  struct Leaves {
    int& depth;
    ~Leaves() { --depth; }
  } leaves{modal_depth_};
  while (!done()) {
    if (modal_script_.empty()) {
      throw std::logic_error(
          "RunModalLoop: the modal loop waits for the user, but no scripted action is left "
          "(queue them with ScriptModal before the modal form is shown)");
    }
    const std::function<void()> action = std::move(modal_script_.front());
    modal_script_.pop_front();
    action();
  }
}

void SimDesktop::ReportError(const std::string& message) { errors_.push_back(message); }

void SimDesktop::OpenUrl(const std::string& url) {
  if (url_failure_) throw tk::RuntimeError(*url_failure_, url);
  // The shell opens a path on a drive only if something is there.
  const bool onDrive = url.size() > 2 && url[1] == ':' && (url[2] == '\\' || url[2] == '/');
  if (onDrive && !world_.files().Exists(url)) {
    throw tk::RuntimeError(tk::Error::FileNotFound, url + ": cannot open it");
  }
  urls_.push_back(url);
}

ScreenMetrics SimDesktop::Screen() { return world_.options().screen; }

std::string SimDesktop::ExecutableDirectory() { return world_.options().executableDirectory; }

FileSystem& SimDesktop::Files() { return world_.files(); }

void SimDesktop::EndProcess() { ++end_count_; }

// ---------------------------------------------------------------- the user

bool SimDesktop::MouseDown(HWnd hwnd, std::int16_t button, std::int16_t shift, std::int32_t x,
                           std::int32_t y) {
  if (!CanTakeInput(hwnd)) return false;
  FocusForClick(hwnd, button);
  if (!CanTakeInput(hwnd)) return true;  // a focus handler took it away
  release_taken_ = false;
  capture_ = hwnd;
  if (!FactsOf(W(hwnd)->kind).standard) {
    Raise(hwnd, [&](WindowEvents& e) { e.OnMouseDown({button, shift, x, y, false}); });
  }
  return true;
}

bool SimDesktop::MouseUp(HWnd hwnd, std::int16_t button, std::int16_t shift, std::int32_t x,
                         std::int32_t y) {
  if (release_taken_) {
    release_taken_ = false;
    return false;
  }
  if (!CanTakeInput(hwnd)) return false;
  const bool pressed = capture_ == hwnd;
  if (pressed) capture_ = 0;
  const WindowState& w = *W(hwnd);
  if (!FactsOf(w.kind).standard) {
    Raise(hwnd, [&](WindowEvents& e) { e.OnMouseUp({button, shift, x, y, false}); });
  } else if (pressed && button == kLeftButton && IsButton(w.kind)) {
    PushButton(hwnd);
  }
  return true;
}

void SimDesktop::PushButton(HWnd hwnd) {
  // Toggled before the click, so that the handler sees the new value; a grey
  // box turns unchecked.
  if (WindowState* w = W(hwnd); w->kind == WindowKind::CheckBox) w->check = w->check == 0 ? 1 : 0;
  Raise(hwnd, [](WindowEvents& e) { e.OnClick(); });
}

bool SimDesktop::DragPointer(HWnd hwnd, std::int32_t x, std::int32_t y, std::int32_t dx,
                             std::int32_t dy) {
  drags_.push_front({{dx, dy}, {}});
  const std::size_t pending = drags_.size();
  if (!MouseDown(hwnd, kLeftButton, 0, x, y)) {
    drags_.pop_front();
    return false;
  }
  if (drags_.size() == pending) {  // no move loop: the window hears the move
    drags_.pop_front();
    PointerMove(hwnd, x + dx, y + dy, kLeftButton);
  }
  MouseUp(hwnd, kLeftButton, 0, x + dx, y + dy);
  return true;
}

bool SimDesktop::DoubleClick(HWnd hwnd, std::int32_t x, std::int32_t y) {
  if (!MouseDown(hwnd, kLeftButton, 0, x, y)) return false;
  MouseUp(hwnd, kLeftButton, 0, x, y);
  if (!CanTakeInput(hwnd)) return true;
  Raise(hwnd, [](WindowEvents& e) { e.OnDblClick(); });
  MouseUp(hwnd, kLeftButton, 0, x, y);
  return true;
}

bool SimDesktop::PointerMove(HWnd hwnd, std::int32_t x, std::int32_t y, std::int16_t buttonsHeld,
                             std::int16_t shift) {
  if (!CanTakeInput(hwnd)) return false;
  const std::uint32_t wParam = KeysHeld(buttonsHeld, shift);
  const std::uint32_t lParam =
      (static_cast<std::uint32_t>(x) & 0xFFFF) | ((static_cast<std::uint32_t>(y) & 0xFFFF) << 16);
  const MouseInput in = DecodeMove(wParam, lParam);
  Raise(hwnd, [&](WindowEvents& e) { e.OnMouseMove(in); });
  return true;
}

bool SimDesktop::ClickControl(HWnd hwnd) {
  const WindowState* w = W(hwnd);
  if (!w || w->kind == WindowKind::Form || !CanTakeInput(hwnd)) return false;
  const std::int32_t x = w->bounds.Width() / 2;
  const std::int32_t y = w->bounds.Height() / 2;
  MouseDown(hwnd, kLeftButton, 0, x, y);
  MouseUp(hwnd, kLeftButton, 0, x, y);
  return true;
}

bool SimDesktop::Focus(HWnd hwnd) { return FocusWindow(hwnd); }

bool SimDesktop::PressTab(bool shift) {
  const HWnd form = FormOf(focus_);
  if (form == 0) return false;
  std::vector<HWnd> stops;
  for (HWnd h : W(form)->tabOrder) {
    if (h != form && Within(h, form) && CanTakeInput(h)) stops.push_back(h);
  }
  if (stops.empty()) return false;
  const auto at = std::ranges::find(stops, focus_);
  const auto n = static_cast<std::ptrdiff_t>(stops.size());
  std::ptrdiff_t next = 0;
  if (at == stops.end()) {
    next = shift ? n - 1 : 0;
  } else {
    next = ((at - stops.begin()) + (shift ? n - 1 : 1)) % n;
  }
  ChangeFocus(stops[static_cast<std::size_t>(next)]);
  return true;
}

bool SimDesktop::PressKey(std::uint32_t virtualKey, std::int16_t shift) {
  if (active_ == 0) return false;
  switch (virtualKey) {
    case win::VkTab: return PressTab((shift & kShiftMask) != 0);
    case win::VkSpace:
      if (const WindowState* w = W(focus_); w && IsButton(w->kind)) PushButton(focus_);
      return true;
    case win::VkF4: return (shift & kAltMask) == 0 || PressAltF4(active_);
    default: return true;
  }
}

bool SimDesktop::ClickCaption(HWnd form) {
  const WindowState* w = W(form);
  if (!w || w->kind != WindowKind::Form || w->style.border == BorderStyle::None ||
      !CanTakeInput(form)) {
    return false;
  }
  Activate(form);
  return true;
}

bool SimDesktop::Type(HWnd hwnd, std::string_view text) {
  const WindowState* w = W(hwnd);
  if (!w || w->kind != WindowKind::TextBox || !CanTakeInput(hwnd)) return false;
  FocusWindow(hwnd);
  if (WindowState* after = W(hwnd)) after->text += text;
  return true;
}

bool SimDesktop::RequestClose(HWnd hwnd) {
  const WindowState* w = W(hwnd);
  if (!w || w->kind != WindowKind::Form || !w->style.closeBox ||
      w->style.border == BorderStyle::None || !CanTakeInput(hwnd)) {
    return false;
  }
  Raise(hwnd, [](WindowEvents& e) { e.OnCloseRequest(); });
  return true;
}

bool SimDesktop::PressAltF4(HWnd hwnd) {
  const WindowState* w = W(hwnd);
  if (!w || w->kind != WindowKind::Form || !CanTakeInput(hwnd)) return false;
  Raise(hwnd, [](WindowEvents& e) { e.OnCloseRequest(); });
  return true;
}

void SimDesktop::EndSession() {
  std::vector<HWnd> forms;
  for (const auto& [hwnd, w] : windows_) {
    if (w.kind == WindowKind::Form) forms.push_back(hwnd);
  }
  for (const HWnd form : forms) Raise(form, [](WindowEvents& e) { e.OnSessionEnd(); });
}

bool SimDesktop::ClickIcon(std::uint32_t mouseMessage) {
  if (icons_.size() != 1) {
    throw std::logic_error("ClickIcon: the notification area holds " +
                           std::to_string(icons_.size()) +
                           " icons; name the one meant by owner and id");
  }
  return ClickIcon(icons_.front().owner, icons_.front().id, mouseMessage);
}

bool SimDesktop::ClickIcon(HWnd owner, std::uint32_t id, std::uint32_t mouseMessage) {
  const auto icon = std::ranges::find_if(
      icons_, [&](const NotifyIcon& i) { return i.owner == owner && i.id == id; });
  if (icon == icons_.end()) return false;
  // The toolkit's windows turn only the mouse-move message into an event.
  if (!(icon->flags & win::NifMessage) || icon->callbackMessage != win::WmMouseMove) return false;
  if (!W(owner)) return false;
  // The icon's message comes whatever the window's state: hidden, disabled
  // behind a modal form, or in the middle of a modal loop.
  const MouseInput in = DecodeMove(id, mouseMessage);
  Raise(owner, [&](WindowEvents& e) { e.OnMouseMove(in); });
  return true;
}

// ---------------------------------------------------------------- platform operations

Outcome SimDesktop::ApiSetWindowPos(HWnd hwnd, HWnd insertAfter, std::int32_t x, std::int32_t y,
                                    std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
  WindowState* w = W(hwnd);
  if (!w) return {0, err::kInvalidWindowHandle};
  Rect b = w->bounds;
  if (!(flags & win::SwpNoMove)) b = {x, y, x + b.Width(), y + b.Height()};
  if (!(flags & win::SwpNoSize))
    b = {b.left, b.top, b.left + std::max(cx, 0), b.top + std::max(cy, 0)};
  Resize(*w, b);
  if (!(flags & win::SwpNoZOrder)) {
    if (w->kind != WindowKind::Form) {
      BringToFront(hwnd);
    } else if (insertAfter == win::HwndTopmost) {
      w->topmost = true;
      PlaceFront(hwnd);
    } else if (insertAfter == win::HwndNoTopmost) {
      // No effect on a window that is not topmost.
      if (w->topmost) {
        w->topmost = false;
        PlaceFront(hwnd);
      }
    } else if (insertAfter == win::HwndTop) {
      PlaceFront(hwnd);
    } else if (insertAfter == win::HwndBottom) {
      w->topmost = false;
      std::erase(z_order_, hwnd);
      z_order_.push_back(hwnd);
    } else if (const WindowState* above = W(insertAfter);
               above && above->kind == WindowKind::Form && insertAfter != hwnd) {
      w->topmost = above->topmost;
      std::erase(z_order_, hwnd);
      z_order_.insert(std::ranges::find(z_order_, insertAfter) + 1, hwnd);
    }
  }
  if (flags & win::SwpShowWindow) {
    w->visible = true;
  } else if (flags & win::SwpHideWindow) {
    SetVisible(hwnd, false);
  }
  // Last: it can raise events, which may change anything.
  if (!(flags & win::SwpNoActivate) && W(hwnd) && W(hwnd)->kind == WindowKind::Form) Activate(hwnd);
  return {1, 0};
}

Outcome SimDesktop::ApiSendMessage(HWnd hwnd, std::uint32_t message, std::uint32_t wParam,
                                   std::int32_t lParam) {
  (void)lParam;
  if (!W(hwnd)) return {0, err::kInvalidWindowHandle};
  if (message != win::WmNcLButtonDown || wParam != win::HtCaption) return {0, 0};
  // The move loop: it holds the mouse until the button goes up, and that
  // release is its own.
  capture_ = hwnd;
  if (!drags_.empty()) {
    const Drag drag = std::move(drags_.front());
    drags_.pop_front();
    if (drag.during) drag.during();
    if (WindowState* w = W(hwnd)) {
      Resize(*w, {w->bounds.left + drag.offset.x, w->bounds.top + drag.offset.y,
                  w->bounds.right + drag.offset.x, w->bounds.bottom + drag.offset.y});
    }
  }
  capture_ = 0;
  release_taken_ = true;
  return {0, 0};
}

Outcome SimDesktop::ApiReleaseCapture() {
  capture_ = 0;
  return {1, 0};
}

Outcome SimDesktop::ApiSetWindowRgn(HWnd hwnd, Handle region) {
  WindowState* w = W(hwnd);
  if (!w) return {0, err::kInvalidWindowHandle};
  if (region == w->region) return {1, 0};
  if (region != 0) {
    if (const std::uint32_t error = world_.gdi().Adopt(region, hwnd); error != 0) {
      return {0, error};
    }
  }
  // The window frees the region it had.
  if (w->region != 0) world_.gdi().DeleteOwnedRegion(w->region);
  w->region = region;
  return {1, 0};
}

Outcome SimDesktop::ApiNotifyIcon(std::uint32_t message, const NotifyRecordBytes& bytes) {
  const NotifyAnsiFields f = FromAnsiForm(bytes);
  if (f.cbSize != kNotifyRecordBytes) return {0, err::kInvalidParameter};
  const auto icon = std::ranges::find_if(
      icons_, [&](const NotifyIcon& i) { return i.owner == f.hWnd && i.id == f.uID; });
  const auto apply = [&](NotifyIcon& i) {
    i.flags |= f.uFlags;
    if (f.uFlags & win::NifMessage) i.callbackMessage = f.uCallbackMessage;
    if (f.uFlags & win::NifIcon) i.icon = f.hIcon;
    if (f.uFlags & win::NifTip) {
      const auto end = std::ranges::find(f.szTip, '\0');
      i.tip.assign(f.szTip.begin(), end);
    }
  };
  switch (message) {
    case win::NimAdd: {
      if (icon != icons_.end()) return {0, err::kInvalidParameter};
      NotifyIcon added{f.hWnd, f.uID, 0, 0, 0, {}};
      apply(added);
      icons_.push_back(std::move(added));
      return {1, 0};
    }
    case win::NimModify:
      if (icon == icons_.end()) return {0, err::kInvalidParameter};
      apply(*icon);
      return {1, 0};
    case win::NimDelete:
      if (icon == icons_.end()) return {0, err::kInvalidParameter};
      icons_.erase(icon);
      return {1, 0};
    default: return {0, err::kInvalidParameter};
  }
}

}  // namespace rn::sim
