// Windows, their places on the monitors and the stacking of forms; the hit
// test that routes a point to the window under it.
#include "platform/sim/sim_desktop.h"

#include <algorithm>
#include <array>
#include <tuple>
#include <utility>

#include "platform/scale.h"
#include "platform/sim/world.h"

namespace rn::sim {
namespace {

// The frame the platform draws round a form's client area: how many pixels it
// takes on each side (the caption is in the top). Wine 8's metrics at 96 dpi, as
// the desktop conformance suite measures them, by BorderStyle; the system draws
// them at each monitor's scale. Controls have none.
Rect FrameOf(const WindowState& w) {
  constexpr std::array<Rect, 3> kAt96{{{0, 0, 0, 0}, {3, 22, 3, 3}, {3, 19, 3, 3}}};
  if (w.kind != WindowKind::Form) return {};
  const Rect f = kAt96[static_cast<std::size_t>(w.style.border)];
  return {tk::ScaledLength(f.left, w.dpi), tk::ScaledLength(f.top, w.dpi),
          tk::ScaledLength(f.right, w.dpi), tk::ScaledLength(f.bottom, w.dpi)};
}

Rect Normalized(const Rect& r) {
  return {r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

Rect Constrained(const WindowState& w, Rect bounds) {
  bounds = Normalized(bounds);
  if (w.Captioned()) {
    bounds.right = std::max(bounds.right, bounds.left + kMinCaptionedWidth);
    bounds.bottom = std::max(bounds.bottom, bounds.top + kMinCaptionedHeight);
  }
  return bounds;
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

// The monitor a window overlaps most, else the nearest; the first of equals.
std::int32_t MonitorDpi(const std::vector<Monitor>& monitors, const Rect& bounds) {
  const auto rank = [&](const Monitor& m) {
    return std::tuple(-Overlap(bounds, m.area), Distance(bounds, m.area));
  };
  return std::ranges::min_element(monitors, {}, rank)->dpi;
}

// What the system suggests: the old size times the ratio of the scales, rounded
// half up, from the same top-left corner.
std::int32_t Rescaled(std::int32_t length, std::int32_t to, std::int32_t from) {
  return static_cast<std::int32_t>((std::int64_t{length} * to + from / 2) / from);
}

}  // namespace

SimDesktop::SimDesktop(World& world) : world_(world) {
  const ScreenMetrics screen = world.options().screen;
  monitors_.push_back({{0, 0, screen.width, screen.height}, screen.dpi});
  for (const Monitor& m : world.options().otherMonitors) monitors_.push_back(m);
}

// ---------------------------------------------------------------- the family

HWnd SimDesktop::FormOf(HWnd hwnd) const {
  const WindowState* w = Find(hwnd);
  while (w && w->parent != 0) w = Find(w->parent);
  return w ? w->handle : 0;
}

bool SimDesktop::Within(HWnd hwnd, HWnd ancestor) const {
  for (const WindowState* w = Find(hwnd); w; w = Find(w->parent)) {
    if (w->handle == ancestor) return true;
  }
  return false;
}

bool SimDesktop::OnScreen(HWnd hwnd) const {
  return AllUp(hwnd, [](const WindowState& w) { return w.visible; });
}

bool SimDesktop::EnabledChain(HWnd hwnd) const {
  return AllUp(hwnd, [](const WindowState& w) { return w.enabled; });
}

bool SimDesktop::CanTakeInput(HWnd hwnd) const { return OnScreen(hwnd) && EnabledChain(hwnd); }

// ---------------------------------------------------------------- windows

HWnd SimDesktop::CreateForm(const FormWindowSpec& request, WindowEvents& events) {
  WindowState w{.handle = world_.NewHandle(), .style = request, .events = &events};
  w.text = request.caption;
  // Born on the primary monitor, whose frame it takes.
  w.dpi = monitors_.front().dpi;
  const Rect nc = FrameOf(w);
  const std::int32_t width = std::max(request.clientWidth, 0) + nc.left + nc.right;
  const std::int32_t height = std::max(request.clientHeight, 0) + nc.top + nc.bottom;
  const ScreenMetrics screen = world_.options().screen;
  Point at = request.startUp == StartUpPosition::WindowsDefault ? kDefaultPlace : Point{0, 0};
  if (request.startUp == StartUpPosition::CenterScreen) {
    at = {(screen.width - width) / 2, (screen.height - height) / 2};
  }
  w.bounds = Constrained(w, {at.x, at.y, at.x + width, at.y + height});
  if (request.icon) w.icon = LoadPicture(*request.icon);
  const HWnd h = w.handle;
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
  p->children.insert(p->children.begin(), h);
  windows_.emplace(h, WindowState{.handle = h,
                                  .parent = parent,
                                  .kind = KindOf(request.kind),
                                  .events = &events,
                                  .bounds = Normalized(request.bounds),
                                  .visible = true,
                                  .text = request.caption,
                                  .font = request.font});
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
    for (HWnd* held : {&focus_, &active_, &capture_}) {
      if (*held == h) *held = 0;
    }
    std::erase(z_order_, h);
    windows_.erase(h);
  }
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

void SimDesktop::SetText(HWnd hwnd, const std::string& text) {
  if (WindowState* w = W(hwnd)) w->text = text;
}

std::int32_t SimDesktop::GetCheck(HWnd checkBox) {
  const WindowState* w = Find(checkBox);
  return w && w->kind == WindowKind::CheckBox ? w->check : 0;
}

void SimDesktop::SetCheck(HWnd checkBox, std::int32_t value) {
  WindowState* w = W(checkBox);
  if (w && w->kind == WindowKind::CheckBox && value >= 0 && value <= 2) w->check = value;
}

// ---------------------------------------------------------------- places and monitors

void SimDesktop::SetBounds(HWnd hwnd, const Rect& bounds) {
  if (WindowState* w = W(hwnd)) Resize(*w, bounds);
}

void SimDesktop::Resize(WindowState& w, const Rect& bounds) {
  const Rect old = w.bounds;
  w.bounds = Constrained(w, bounds);
  if (w.pictureDc != 0 && (old.Width() != w.bounds.Width() || old.Height() != w.bounds.Height())) {
    Repaint(w);
  }
  if (w.kind == WindowKind::Form) FollowMonitor(w.handle);
}

Rect SimDesktop::ClientScreenRect(HWnd hwnd) const {
  const WindowState* w = Find(hwnd);
  if (!w) return {};
  // A form's bounds are on the screen, a control's in its parent's client area.
  const Rect origin = w->kind == WindowKind::Form ? Rect{} : ClientScreenRect(w->parent);
  const Rect b = w->bounds;
  const Rect nc = FrameOf(*w);
  return {origin.left + b.left + nc.left, origin.top + b.top + nc.top,
          origin.left + b.right - nc.right, origin.top + b.bottom - nc.bottom};
}

Rect SimDesktop::GetClientRect(HWnd hwnd) {
  const Rect client = ClientScreenRect(hwnd);
  return {0, 0, client.Width(), client.Height()};
}

std::int32_t SimDesktop::Dpi(HWnd hwnd) {
  const WindowState* form = Find(FormOf(hwnd));
  return form ? form->dpi : monitors_.front().dpi;
}

void SimDesktop::FollowMonitor(HWnd form) {
  WindowState* w = W(form);
  if (!w) return;
  const std::int32_t dpi = MonitorDpi(monitors_, w->bounds);
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

// ---------------------------------------------------------------- stacking

void SimDesktop::PlaceFront(HWnd form) {
  WindowState* w = W(form);
  if (!w || w->kind != WindowKind::Form) return;
  std::erase(z_order_, form);
  auto at = z_order_.begin();
  if (!w->topmost) at = std::ranges::find_if(z_order_, [&](HWnd h) { return !W(h)->topmost; });
  z_order_.insert(at, form);
}

void SimDesktop::BringToFront(HWnd hwnd) {
  WindowState* w = W(hwnd);
  if (!w || w->kind == WindowKind::Form) return PlaceFront(hwnd);
  std::vector<HWnd>& siblings = W(w->parent)->children;
  std::erase(siblings, hwnd);
  siblings.insert(siblings.begin(), hwnd);
}

// SetWindowPos's place in the z-order: for a form, `insertAfter` names a band,
// the top of the form's own band, the bottom of all, or the form to go behind.
void SimDesktop::Restack(WindowState& form, HWnd insertAfter) {
  const HWnd h = form.handle;
  if (form.kind != WindowKind::Form) return BringToFront(h);  // among its siblings
  const WindowState* above = Find(insertAfter);
  if (insertAfter == win::HwndTopmost || insertAfter == win::HwndNoTopmost) {
    // No effect on a window that is not topmost.
    if (insertAfter == win::HwndNoTopmost && !form.topmost) return;
    form.topmost = insertAfter == win::HwndTopmost;
    PlaceFront(h);
  } else if (insertAfter == win::HwndTop) {
    PlaceFront(h);
  } else if (insertAfter == win::HwndBottom ||
             (above && above->kind == WindowKind::Form && insertAfter != h)) {
    // Behind the form named, in its band; the bottom is behind every form, out
    // of the topmost band.
    const bool bottom = insertAfter == win::HwndBottom;
    form.topmost = !bottom && above->topmost;
    std::erase(z_order_, h);
    z_order_.insert(bottom ? z_order_.end() : std::ranges::find(z_order_, insertAfter) + 1, h);
  }
}

// ---------------------------------------------------------------- hit testing

// `inParent`: the point in the coordinates `hwnd`'s bounds are given in.
HWnd SimDesktop::Hit(HWnd hwnd, Point inParent) const {
  const WindowState& w = *Find(hwnd);
  if (!w.visible || !Inside(w.bounds, inParent)) return 0;
  const Point inWindow{inParent.x - w.bounds.left, inParent.y - w.bounds.top};
  if (w.region != 0 && !world_.gdi().FindRegion(w.region)->Contains(inWindow)) return 0;
  const Rect nc = FrameOf(w);
  const Point inClient{inWindow.x - nc.left, inWindow.y - nc.top};
  for (HWnd child : w.children) {
    if (const HWnd found = Hit(child, inClient); found != 0) {
      return Find(child)->enabled ? found : hwnd;
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

std::optional<std::vector<Rect>> SimDesktop::WindowRegion(HWnd hwnd) const {
  const WindowState* w = Find(hwnd);
  if (!w || w->region == 0) return std::nullopt;
  return world_.gdi().FindRegion(w->region)->Rects();
}

}  // namespace rn::sim
