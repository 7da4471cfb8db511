// The conformance driver of the simulated desktop: the user's acts are its
// driving calls, routed through its own hit test as the system routes input.
#include <algorithm>

#include "platform/sim/world.h"
#include "tests/conformance/driver.h"

namespace rn::conformance {
namespace {

class SimDriver final : public Driver {
 public:
  Desktop& desktop() override { return world_.desktop(); }
  WinApi& api() override { return world_.api(); }
  void Settle() override {}

  void Click(HWnd hwnd, Point at, std::int16_t button, std::int16_t shift) override {
    const Target t = Route(hwnd, at);
    if (t.hwnd == 0) return;
    sim().MouseDown(t.hwnd, button, shift, t.at.x, t.at.y);
    sim().MouseUp(t.hwnd, button, shift, t.at.x, t.at.y);
  }
  void DoubleClick(HWnd hwnd, Point at) override {
    const Target t = Route(hwnd, at);
    if (t.hwnd != 0) sim().DoubleClick(t.hwnd, t.at.x, t.at.y);
  }
  void Drag(HWnd hwnd, Point from, Point by) override {
    const Target t = Route(hwnd, from);
    if (t.hwnd != 0) sim().DragPointer(t.hwnd, t.at.x, t.at.y, by.x, by.y);
  }
  void MovePointer(HWnd hwnd, Point to) override {
    const Target t = Route(hwnd, to);
    if (t.hwnd != 0) sim().PointerMove(t.hwnd, t.at.x, t.at.y);
  }
  void ClickCaption(HWnd form) override { sim().ClickCaption(form); }
  bool ClickCloseBox(HWnd form) override { return sim().RequestClose(form); }
  void Type(HWnd textBox, std::string_view text) override { sim().Type(textBox, text); }
  void Press(Key key) override { sim().PressKey(StrokeOf(key).virtualKey, StrokeOf(key).shift); }
  void NotifyIconMessage(HWnd owner, std::uint32_t id, std::uint32_t mouseMessage) override {
    sim().ClickIcon(owner, id, mouseMessage);
  }

  void DuringModal(std::function<void()> action) override { sim().ScriptModal(std::move(action)); }
  void AnswerMenu(std::int32_t choice) override { sim().ScriptMenu(choice); }
  std::vector<std::string> LastMenuShown() override {
    const auto& menus = sim().Menus();
    const auto shown = std::find_if(menus.rbegin(), menus.rend(),
                                    [](const sim::MenuRecord& m) { return !m.refused; });
    return shown == menus.rend() ? std::vector<std::string>{} : shown->captions;
  }

  HWnd Focus() override { return sim().Focused(); }
  HWnd WindowFromPoint(Point screen) override { return sim().WindowFromPoint(screen); }
  Rect ClientOnScreen(HWnd hwnd) override { return sim().ClientScreenRect(hwnd); }
  bool IsEnabled(HWnd hwnd) override {
    const sim::WindowState* w = sim().Find(hwnd);
    return w && w->enabled;
  }
  bool IsTopmost(HWnd form) override {
    const sim::WindowState* w = sim().Find(form);
    return w && w->topmost;
  }
  std::vector<HWnd> FrontToBack(const std::vector<HWnd>& forms) override {
    std::vector<HWnd> order;
    for (const HWnd h : sim().Forms()) {
      if (std::ranges::find(forms, h) != forms.end()) order.push_back(h);
    }
    return order;
  }
  bool RegionContains(Handle region, Point p) override {
    const sim::RegionObject* r = world_.gdi().FindRegion(region);
    return r && r->Contains(p);
  }
  Handle CaptionIcon(HWnd form) override {
    const sim::WindowState* w = sim().Find(form);
    return w ? w->icon.handle : 0;
  }
  std::optional<Font> FontOf(HWnd control) override {
    const sim::WindowState* w = sim().Find(control);
    return w ? w->font : std::nullopt;
  }
  std::vector<std::string> Reports() override { return sim().Errors(); }
  int EndRequests() override { return sim().EndCount(); }
  std::filesystem::path ArtDirectory() override { return RN_ART_DIR; }

  std::string Folder() override { return world_.options().executableDirectory; }
  std::vector<std::string> List(const std::string& folder) override {
    return world_.files().List(folder);
  }
  void MakeFolder(const std::string& path) override { world_.files().MakeFolder(path); }
  void Lock(const std::string& path, bool locked) override { world_.files().Lock(path, locked); }
  void MakeReadOnly(const std::string& path, bool readOnly) override {
    world_.files().SetReadOnly(path, readOnly);
  }

 private:
  struct Target {
    HWnd hwnd = 0;
    Point at;  // in its client area
  };
  sim::SimDesktop& sim() { return world_.desktop(); }
  // The window a point of `hwnd`'s client area reaches, as the system routes a press.
  Target Route(HWnd hwnd, Point at) {
    const Rect from = sim().ClientScreenRect(hwnd);
    const Point screen{from.left + at.x, from.top + at.y};
    const HWnd target = sim().WindowFromPoint(screen);
    if (target == 0) return {};
    const Rect to = sim().ClientScreenRect(target);
    return {target, {screen.x - to.left, screen.y - to.top}};
  }

  sim::World world_;
};

}  // namespace

std::unique_ptr<Driver> MakeDriver() { return std::make_unique<SimDriver>(); }

}  // namespace rn::conformance
