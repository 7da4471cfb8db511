// One desktop per test, the windows the test makes on it, and one log of their
// events in the order the desktop raised them.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/errors.h"
#include "tests/conformance/driver.h"

namespace rn::conformance {

using Log = std::vector<std::string>;

// Pointer moves go to a list of their own: a real pointer makes more of them
// than a test asks for.
class Events final : public WindowEvents {
 public:
  Events(Log& log, std::string name) : log_(log), name_(std::move(name)) {}

  std::vector<MouseInput> moves;
  std::function<void(const MouseInput&)> whenPressed;
  std::function<void()> whenClicked;

  void OnMouseDown(const MouseInput& in) override {
    log_.push_back(Mouse("down", in));
    if (whenPressed) whenPressed(in);
  }
  void OnMouseUp(const MouseInput& in) override { log_.push_back(Mouse("up", in)); }
  void OnMouseMove(const MouseInput& in) override { moves.push_back(in); }
  void OnDblClick() override { log_.push_back(name_ + " double"); }
  void OnClick() override {
    log_.push_back(name_ + " click");
    if (whenClicked) whenClicked();
  }
  void OnGotFocus() override { log_.push_back(name_ + " focus"); }
  void OnCloseRequest() override { log_.push_back(name_ + " close"); }

 private:
  std::string Mouse(const char* what, const MouseInput& in) const {
    return name_ + " " + what + " " + std::to_string(in.button) + "/" + std::to_string(in.shift) +
           " " + std::to_string(in.x) + "," + std::to_string(in.y);
  }
  Log& log_;
  std::string name_;
};

// The run-time error a step raises, None if it raises none.
inline tk::Error ErrorOf(const std::function<void()>& step, std::string* what = nullptr) {
  try {
    step();
  } catch (const tk::RuntimeError& e) {
    if (what) *what = e.what();
    return e.error();
  }
  return tk::Error::None;
}

inline FormWindowSpec Request(BorderStyle border, std::int32_t clientWidth,
                              std::int32_t clientHeight,
                              StartUpPosition startUp = StartUpPosition::Manual) {
  FormWindowSpec request;
  request.caption = "Conformance";
  request.border = border;
  request.clientWidth = clientWidth;
  request.clientHeight = clientHeight;
  request.startUp = startUp;
  return request;
}

class DesktopTest : public ::testing::Test {
 protected:
  HWnd Form(const std::string& name, const FormWindowSpec& request) {
    Events& e = events_.emplace_back(log_, name);
    const HWnd h = desktop.CreateForm(request, e);
    by_handle_[h] = &e;
    return h;
  }
  HWnd Control(HWnd parent, const std::string& name, ControlKind kind, Rect bounds,
               const std::string& caption = {}, std::optional<Font> font = {}) {
    Events& e = events_.emplace_back(log_, name);
    ControlWindowSpec request;
    request.kind = kind;
    request.caption = caption;
    request.bounds = bounds;
    request.font = std::move(font);
    const HWnd h = desktop.CreateControl(parent, request, e);
    by_handle_[h] = &e;
    return h;
  }
  // A borderless form, shown at `at` (screen pixels).
  HWnd Shown(const std::string& name, Rect at) {
    const HWnd h = Form(name, Request(BorderStyle::None, at.Width(), at.Height()));
    desktop.SetBounds(h, at);
    desktop.SetVisible(h, true);
    return h;
  }
  Events& Of(HWnd hwnd) { return *by_handle_.at(hwnd); }
  Log TakeLog() {
    user.Settle();
    return std::exchange(log_, {});
  }

  // Declared first, so that every window is gone before its events are.
  Log log_;
  std::deque<Events> events_;
  std::map<HWnd, Events*> by_handle_;
  std::unique_ptr<Driver> driver_ = MakeDriver();
  Driver& user = *driver_;
  Desktop& desktop = user.desktop();
  WinApi& api = user.api();
};

}  // namespace rn::conformance
