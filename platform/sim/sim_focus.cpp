// Keyboard focus and activation: where the focus goes when a form is shown,
// pressed, left and come back to, when its holder goes, and along the tab order.
#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/sim/sim_desktop.h"

namespace rn::sim {

void SimDesktop::ChangeFocus(HWnd to) {
  // The platform tells a window it got the focus only when the focus moves.
  if (to == focus_) return;
  focus_ = to;
  if (to == 0) return;
  active_ = FormOf(to);
  Raise(to, [](WindowEvents& e) { e.OnGotFocus(); });
}

bool SimDesktop::Focus(HWnd hwnd) {
  if (!CanTakeInput(hwnd)) return false;
  if (active_ != FormOf(hwnd)) PlaceFront(FormOf(hwnd));
  ChangeFocus(hwnd);
  return true;
}

void SimDesktop::SetFocus(HWnd hwnd) {
  if (!EnabledChain(hwnd)) return;
  if (const HWnd form = FormOf(hwnd); active_ != form) Activate(form, true);
  if (EnabledChain(hwnd)) ChangeFocus(hwnd);
}

// Shown and enabled up to the form, whose own state does not count: a form on
// its way to the screen already has a first stop.
HWnd SimDesktop::FirstStop(HWnd form) const {
  const WindowState* f = Find(form);
  if (!f) return 0;
  const auto usable = [&](const WindowState& w) {
    return w.handle == form || (w.visible && w.enabled);
  };
  for (HWnd h : f->tabOrder) {
    if (h != form && Within(h, form) && AllUp(h, usable)) return h;
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
  const HWnd last = std::exchange(W(form)->lastFocus, 0);
  if (last != 0 && Within(last, form) && CanTakeInput(last)) return ChangeFocus(last);
  const HWnd stop = FirstStop(form);
  ChangeFocus(stop != 0 ? stop : form);
}

void SimDesktop::ActivateNext(HWnd except) {
  for (HWnd form : Forms()) {
    if (form != except && CanTakeInput(form)) return Activate(form);
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

void SimDesktop::FocusForClick(HWnd hwnd, std::int16_t button) {
  const WindowState* w = Find(hwnd);
  if (!w) return;
  const WindowKindFacts& facts = FactsOf(w->kind);
  if (facts.focusOnAnyPress || (button == kLeftButton && facts.focusOnLeftPress)) {
    Focus(hwnd);
  } else {
    Activate(FormOf(hwnd));
  }
}

bool SimDesktop::PressTab(bool shift) {
  const HWnd form = FormOf(focus_);
  if (form == 0) return false;
  std::vector<HWnd> stops;
  std::ranges::copy_if(W(form)->tabOrder, std::back_inserter(stops),
                       [&](HWnd h) { return h != form && Within(h, form) && CanTakeInput(h); });
  if (stops.empty()) return false;
  const auto n = static_cast<std::ptrdiff_t>(stops.size());
  const std::ptrdiff_t at = std::ranges::find(stops, focus_) - stops.begin();  // n: on none
  const std::ptrdiff_t next = at == n ? (shift ? n - 1 : 0) : (at + (shift ? n - 1 : 1)) % n;
  ChangeFocus(stops[static_cast<std::size_t>(next)]);
  return true;
}

}  // namespace rn::sim
