// Start-up on the simulated desktop: settings or defaults, the band, the place,
// the size and picture, the outline and the tray icon.
#include <gtest/gtest.h>

#include <stdexcept>

#include "gadget_fixture.h"
#include "settings/settings_file.h"
#include "settings/settings_text.h"
#include "tests/desktop_wrapper.h"

namespace rn::testing {
namespace {

using StartUp = GadgetTest;

TEST_F(StartUp, WithoutAFileUsesTheDefaultsAndWritesNothing) {
  Start();
  EXPECT_EQ(Bounds(badge().hWnd()), (Rect{0, 0, 50, 50}));
  EXPECT_TRUE(Window(badge().hWnd()).visible);
  EXPECT_TRUE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(m.FrontFlag, kTrue);
  // Centred: half the screen less half the panel, read from the panel itself.
  const Rect panelRect = Bounds(panel().hWnd());
  EXPECT_EQ(m.PanelLeft, 1024 * 15 / 2.0f - panelRect.Width() * 15 / 2.0f);
  EXPECT_EQ(m.PanelTop, 768 * 15 / 2.0f - panelRect.Height() * 15 / 2.0f);
  EXPECT_FALSE(Ini().has_value()) << "start-up never creates the file";
  EXPECT_FALSE(Window(panel().hWnd()).visible);
  EXPECT_FALSE(Window(panel().Picture1.hWnd()).visible);
  EXPECT_FALSE(program.Form3Loaded());
  EXPECT_TRUE(desk.Errors().empty());
}

TEST(StartUpOnAnOddScreen, HalfTwipDefaultsAreKeptAndWrittenWithTheirFraction) {
  sim::World w({.screen = {1023, 767, 96}});
  Program p(w.desktop(), w.api(), w.files());
  p.Start();
  const Rect panel = w.desktop().Find(p.Form2().hWnd())->bounds;
  EXPECT_EQ(p.module1.PanelLeft, 1023 * 7.5f - panel.Width() * 7.5f);
  EXPECT_NE(p.module1.PanelLeft, static_cast<float>(static_cast<int>(p.module1.PanelLeft)));
  SaveSettings(p);
  const std::string ini = *w.files().GetFile(kIniPath);
  const std::string line2 = ini.substr(ini.find("\r\n") + 2);
  EXPECT_EQ(line2.substr(0, line2.find(',')), FormatNumber(p.module1.PanelLeft));
  EXPECT_NE(line2.find(".5,"), std::string::npos) << ini;
}

TEST_F(StartUp, AFalseFlagTakesTheWindowOutOfTheBand) {
  StartWith("0,0\r\n0,0\r\n#FALSE#\r\n");
  EXPECT_FALSE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(api.CallsNamed("SetWindowPos").front().args[1],
            static_cast<std::int64_t>(win::HwndNoTopmost));
}

TEST_F(StartUp, AReadOnlyFileIsReadAllTheSame) {
  files.PutFile(kIniPath, "1500,-300\r\n30,45\r\n#FALSE#\r\n");
  files.SetReadOnly(kIniPath);
  Start();
  EXPECT_EQ(Bounds(badge().hWnd()), (Rect{100, -20, 150, 30}));
  EXPECT_FALSE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(m.PanelLeft, 30.0f);
}

TEST_F(StartUp, ShowsTheWindowBeforePlacingSizingAndShapingIt) {
  Rect atSwitch{};
  bool shownAtRegion = false;
  api.OnCall("SetWindowPos", [&] { atSwitch = Bounds(badge().hWnd()); });
  api.OnCall("CreateCompatibleDC", [&] { shownAtRegion = Window(badge().hWnd()).visible; });
  StartWith("720,450\r\n0,0\r\n#TRUE#\r\n");
  EXPECT_EQ(api.CallNames().front(), "SetWindowPos");
  EXPECT_EQ(atSwitch.left, sim::kDefaultPlace.x) << "not yet placed";
  EXPECT_EQ(atSwitch.Width(), 4680 / 15) << "not yet sized to the picture";
  EXPECT_TRUE(shownAtRegion);
}

TEST_F(StartUp, TakesItsSizeAndPictureFromThePictureBox) {
  Start();
  EXPECT_EQ(Bounds(badge().hWnd()).Width(), 50);
  EXPECT_EQ(Bounds(badge().hWnd()).Height(), 50);
  EXPECT_EQ(badge().Picture().handle, panel().Picture1.Picture().handle);
  EXPECT_EQ(Window(badge().hWnd()).picture.handle, panel().Picture1.Picture().handle);
  EXPECT_EQ(panel().Picture1.ScaleMode(), tk::kScalePixels);
}

TEST_F(StartUp, ShapingMakesItsCallsInOrderAndReleasesEverything) {
  Start();
  std::vector<std::string> names = api.CallNames();
  std::erase(names, "GetPixel");
  const std::vector<std::string> expected = {"SetWindowPos",
                                             "CreateCompatibleDC",
                                             "CreateCompatibleBitmap",
                                             "SelectObject",
                                             "BitBlt",
                                             "CreatePolyPolygonRgn",
                                             "DeleteDC",
                                             "DeleteObject",
                                             "SetWindowRgn",
                                             "Shell_NotifyIconA"};
  ASSERT_EQ(names, expected);
  EXPECT_EQ(api.CountOf("GetPixel"), 50u * 50u + 1u);
  const auto region = api.CallsNamed("CreatePolyPolygonRgn").front();
  EXPECT_EQ(region.args, (std::vector<std::int64_t>{40, win::Winding}));
  const auto blit = api.CallsNamed("BitBlt").front();
  EXPECT_EQ(blit.args[3], 50);
  EXPECT_EQ(blit.args[8], win::SrcCopy);
  EXPECT_EQ(api.CallsNamed("SetWindowRgn").front().args[2], -1) << "redraw";
  const sim::LiveCounts live = world.Live();
  EXPECT_EQ(live.dcs, 0);
  EXPECT_EQ(live.bitmaps, 0);
  EXPECT_EQ(live.regions, 0);
  EXPECT_EQ(live.ownedRegions, 1);
}

TEST_F(StartUp, AddsTheTrayIconWithItsRecord) {
  Start();
  const auto calls = api.CallsNamed("Shell_NotifyIconA");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].args[0], win::NimAdd);
  const NotifyAnsiFields f = FromAnsiForm(*calls[0].record);
  EXPECT_EQ(f.cbSize, 88u);
  EXPECT_EQ(f.hWnd, panel().hWnd());
  EXPECT_EQ(f.uID, 0u);
  EXPECT_EQ(f.uFlags, 7u);
  EXPECT_EQ(f.uCallbackMessage, 512u);
  EXPECT_EQ(f.hIcon, panel().Image1.Picture().handle);
  EXPECT_NE(f.hIcon, 0u);
  ASSERT_EQ(desk.Icons().size(), 1u);
  EXPECT_EQ(desk.Icons()[0].tip, "Ravik N");
}

class StartUpWithAFailingCall : public GadgetTest,
                                public ::testing::WithParamInterface<const char*> {};

// A run-time error in the middle of start-up is abandoned, never reported.
TEST_P(StartUpWithAFailingCall, StillShowsTheBadgeAndAddsTheIcon) {
  const std::string failing = GetParam();
  failingApi.FailAlways(failing);
  StartWith(kSettings);
  EXPECT_GT(failingApi.Failures(), 0) << "the call is made, and fails";
  const HWnd hwnd = badge().hWnd();
  EXPECT_TRUE(Window(hwnd).visible);
  EXPECT_EQ(Bounds(hwnd), (Rect{48, 30, 98, 80}));
  EXPECT_EQ(Window(hwnd).topmost, failing != "SetWindowPos");
  EXPECT_EQ(m.FrontFlag, kTrue) << "the flag stays what the file said";
  EXPECT_EQ(desk.Icons().size(), failing == "Shell_NotifyIconA" ? 0u : 1u);
  EXPECT_TRUE(desk.Errors().empty());
  const sim::LiveCounts live = world.Live();
  if (failing != "DeleteDC" && failing != "DeleteObject") {
    EXPECT_EQ(live.dcs, 0);
    EXPECT_EQ(live.bitmaps, 0);
  }
  EXPECT_EQ(live.regions, 0) << "a region is never left unowned";
  for (const char* decisive : {"CreateCompatibleDC", "CreatePolyPolygonRgn", "SetWindowRgn"}) {
    if (failing != decisive) continue;
    EXPECT_FALSE(desk.WindowRegion(hwnd).has_value());
    EXPECT_EQ(desk.WindowFromPoint({50, 32}), hwnd) << "the window keeps its rectangle";
  }
}

INSTANTIATE_TEST_SUITE_P(EachCall, StartUpWithAFailingCall,
                         ::testing::Values("SetWindowPos", "CreateCompatibleDC",
                                           "CreateCompatibleBitmap", "SelectObject", "BitBlt",
                                           "GetPixel", "CreatePolyPolygonRgn", "DeleteDC",
                                           "DeleteObject", "SetWindowRgn", "Shell_NotifyIconA"));

// The platform refuses the n-th window, control or picture the gadget asks for,
// as the real desktop does when it runs out of handles.
class CreationFailingDesktop : public DesktopWrapper {
 public:
  CreationFailingDesktop(Desktop& inner, int failing) : DesktopWrapper(inner), failing_(failing) {}
  HWnd CreateForm(const FormWindowSpec& request, WindowEvents& events) override {
    Count();
    return DesktopWrapper::CreateForm(request, events);
  }
  HWnd CreateControl(HWnd parent, const ControlWindowSpec& request, WindowEvents& events) override {
    Count();
    return DesktopWrapper::CreateControl(parent, request, events);
  }
  Picture LoadPicture(PictureId id) override {
    Count();
    return DesktopWrapper::LoadPicture(id);
  }
  bool Failed() const { return made_ > failing_; }

 private:
  void Count() {
    if (made_++ == failing_) throw std::runtime_error("the platform refused");
  }
  int failing_;
  int made_ = 0;
};

TEST(StartUpWithACreationRefused, ShowsTheBadgeAndAddsTheIconWheneverTheBadgeExists) {
  for (const bool withFile : {true, false}) {
    for (int failing = 0;; ++failing) {
      SCOPED_TRACE(::testing::Message() << (withFile ? "with" : "without") << " a file, creation "
                                        << failing << " refused");
      sim::World world;
      if (withFile) world.files().PutFile(kIniPath, kSettings);
      CreationFailingDesktop desktop(world.desktop(), failing);
      Program program(desktop, world.api(), world.files());
      program.Start();
      if (!desktop.Failed()) break;
      const HWnd badge = program.Form1().hWnd();
      if (failing == 0) {
        EXPECT_EQ(badge, 0u) << "the start-up form itself";
        EXPECT_EQ(world.desktop().Errors().size(), 1u) << "is the toolkit's to report";
        continue;
      }
      ASSERT_NE(badge, 0u);
      EXPECT_TRUE(world.desktop().Find(badge)->visible);
      EXPECT_EQ(world.desktop().Find(badge)->bounds.left, withFile ? 48 : 0);
      EXPECT_EQ(world.desktop().Icons().size(), 1u);
      EXPECT_EQ(program.module1.FrontFlag, kTrue);
      EXPECT_TRUE(world.desktop().Errors().empty()) << "start-up resumes silently";
    }
  }
}

}  // namespace
}  // namespace rn::testing
