// A gadget on a fresh simulated desktop, for the tests of what it does.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/badge_form.h"
#include "app/program.h"
#include "forms/panel_form.h"
#include "forms/settings_dialog.h"
#include "platform/sim/world.h"
#include "tests/desktop_wrapper.h"
#include "tests/unit/failing_api.h"
#include "tray/command_menu.h"

namespace rn::testing {

inline constexpr std::int32_t kTwipsPerPixel = 15;  // the simulated screen's 96 dpi
inline constexpr const char* kFolder = "C:\\Program Files\\Ravik N";
inline constexpr const char* kIniPath = "C:\\Program Files\\Ravik N\\RN.ini";
// Badge at 48, 30 pixels, panel at 200, 133, in front.
inline const std::string kSettings = "720,450\r\n3000,2000\r\n#TRUE#\r\n";

// What the gadget stands on: the simulated desktop, with the faults a test asks for.
class FaultingDesktop : public testing::DesktopWrapper {
 public:
  using DesktopWrapper::DesktopWrapper;
  std::optional<tk::Error> refusedUrl;  // the shell cannot open a page

  void OpenUrl(const std::string& url) override {
    if (refusedUrl) throw tk::RuntimeError(*refusedUrl, url);
    DesktopWrapper::OpenUrl(url);
  }
};

class GadgetTest : public ::testing::Test {
 protected:
  explicit GadgetTest(sim::WorldOptions options = {}) : world(std::move(options)) {}

  sim::World world;
  sim::SimDesktop& desk = world.desktop();
  sim::SimApi& api = world.api();
  sim::SimFiles& files = world.files();
  FaultingDesktop faults{desk};
  FailingApi failingApi{api};
  Program program{faults, failingApi, files};
  Module1& m = program.module1;

  void Start() { program.Start(); }
  void StartWith(const std::string& ini) {
    files.PutFile(kIniPath, ini);
    Start();
  }
  Form1& badge() { return program.Form1(); }
  Form2& panel() { return program.Form2(); }
  Form3& dialog() { return program.Form3(); }
  const sim::WindowState& Window(HWnd hwnd) {
    const sim::WindowState* w = desk.Find(hwnd);
    if (!w) throw std::logic_error("no such window");
    return *w;
  }
  Rect Bounds(HWnd hwnd) { return Window(hwnd).bounds; }
  Rect Client(HWnd hwnd) { return desk.GetClientRect(hwnd); }
  std::optional<std::string> Ini() { return files.GetFile(kIniPath); }

  bool PanelShown() { return Window(panel().hWnd()).visible; }
  bool DialogShown() { return program.Form3Loaded() && Window(dialog().hWnd()).visible; }
  Point PanelPlace() { return {Bounds(panel().hWnd()).left, Bounds(panel().hWnd()).top}; }
  void MovePanelTo(std::int32_t x, std::int32_t y) {
    const Rect r = Bounds(panel().hWnd());
    desk.SetBounds(panel().hWnd(), {x, y, x + r.Width(), y + r.Height()});
  }
  // A menu choice, as the toolkit raises it.
  void Command(std::int16_t index) {
    program.Dispatch([&] { RunMenuCommand(program, index); });
  }
  void DragBadge(std::int32_t dx, std::int32_t dy) {
    desk.ScriptDrag(dx, dy);
    desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 25, 25);
  }
  void RightClickBadge() { desk.MouseUp(badge().hWnd(), tk::kRightButton, 0, 25, 25); }
};

}  // namespace rn::testing
