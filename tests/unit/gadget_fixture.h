// A gadget on a fresh simulated desktop, for the tests of what it does.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/badge_form.h"
#include "app/program.h"
#include "forms/panel_form.h"
#include "forms/settings_dialog.h"
#include "platform/sim/world.h"

namespace rn::testing {

inline constexpr std::int32_t kTwipsPerPixel = 15;  // the simulated screen's 96 dpi
inline constexpr const char* kIniPath = "C:\\Program Files\\Ravik N\\RN.ini";

class GadgetTest : public ::testing::Test {
 protected:
  sim::World world;
  sim::SimDesktop& desk = world.desktop();
  sim::SimApi& api = world.api();
  sim::SimFiles& files = world.files();
  Program program{desk, api, files};
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
  std::optional<std::string> Ini() { return files.GetFile(kIniPath); }
};

}  // namespace rn::testing
