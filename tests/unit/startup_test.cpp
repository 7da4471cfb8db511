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

TEST_F(StartUp, PlacesTheWindowWhereTheFileSays) {
  StartWith("720,450\r\n527.5,336\r\n#TRUE#\r\n");
  EXPECT_EQ(Bounds(badge().hWnd()), (Rect{48, 30, 98, 80}));
  EXPECT_TRUE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(m.PanelLeft, 527.5f);
  EXPECT_EQ(m.PanelTop, 336.0f);
  EXPECT_EQ(Ini(), "720,450\r\n527.5,336\r\n#TRUE#\r\n") << "reading changes nothing";
}

TEST_F(StartUp, AFalseFlagTakesTheWindowOutOfTheBandAndUnchecksTheDialog) {
  StartWith("0,0\r\n0,0\r\n#FALSE#\r\n");
  EXPECT_FALSE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(dialog().Check1.Value(), 0);
  EXPECT_EQ(api.CallsNamed("SetWindowPos").front().args[1],
            static_cast<std::int64_t>(win::HwndNoTopmost));
}

TEST_F(StartUp, AnEmptyFileIsReadNotDefaulted) {
  StartWith("");
  EXPECT_EQ(Bounds(badge().hWnd()).left, 0);
  EXPECT_EQ(Bounds(badge().hWnd()).top, 0);
  EXPECT_EQ(m.PanelLeft, 0);
  EXPECT_EQ(m.PanelTop, 0);
  EXPECT_EQ(m.FrontFlag, kFalse);
  EXPECT_FALSE(Window(badge().hWnd()).topmost);
  EXPECT_TRUE(Window(badge().hWnd()).visible);
}

TEST_F(StartUp, AFileWithTheFirstLineOnlyKeepsThePositionOnly) {
  StartWith("1500,-300\r\n");
  EXPECT_EQ(Bounds(badge().hWnd()).left, 100);
  EXPECT_EQ(Bounds(badge().hWnd()).top, -20) << "beyond the screen edge, restored there";
  EXPECT_EQ(m.PanelLeft, 0);
  EXPECT_EQ(m.FrontFlag, kFalse);
}

TEST_F(StartUp, OneValuePerLineReadsTheSame) {
  StartWith("720\n450\n527.5\n336\n#TRUE#\n");
  EXPECT_EQ(Bounds(badge().hWnd()).left, 48);
  EXPECT_EQ(m.PanelLeft, 527.5f);
  EXPECT_EQ(m.FrontFlag, kTrue);
}

TEST_F(StartUp, APositionFarOffScreenIsAppliedUnchanged) {
  StartWith("150000,-90000\r\n0,0\r\n#TRUE#\r\n");
  EXPECT_EQ(Bounds(badge().hWnd()).left, 10000);
  EXPECT_EQ(Bounds(badge().hWnd()).top, -6000);
}

TEST_F(StartUp, DamagedValuesFailTheirOwnUnitOnly) {
  struct Case {
    const char* ini;
    Rect badge;
    float panelLeft, panelTop;
    Flag flag;
  };
  const Case cases[] = {
      // Reading goes on right after the value that failed, so the values shift.
      {"nan,450\r\n30,45\r\n#TRUE#\r\n", {0, 0, 50, 50}, 450, 30, kTrue},
      {"720,1e39\r\n30,45\r\n#TRUE#\r\n", {48, 0, 98, 50}, 30, 45, kTrue},
      {"9e9,0\r\n30,45\r\n#TRUE#\r\n", {0, 0, 50, 50}, 0, 30, kTrue},
      {"720,450\r\n30,45\r\n#true#\r\n", {48, 30, 98, 80}, 30, 45, kFalse},
      {"720,450\r\n30,45\r\n-1\r\n", {48, 30, 98, 80}, 30, 45, kTrue},
      {std::string("\x00\x01\xff\xfe", 4).c_str(), {0, 0, 50, 50}, 0, 0, kFalse},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    sim::World w;
    w.files().PutFile(kIniPath, c.ini);
    Program p(w.desktop(), w.api(), w.files());
    p.Start();
    EXPECT_EQ(w.desktop().Find(p.Form1().hWnd())->bounds, c.badge);
    EXPECT_EQ(p.module1.PanelLeft, c.panelLeft);
    EXPECT_EQ(p.module1.PanelTop, c.panelTop);
    EXPECT_EQ(p.module1.FrontFlag, c.flag);
    EXPECT_TRUE(w.desktop().Find(p.Form1().hWnd())->visible);
    EXPECT_TRUE(w.desktop().Errors().empty()) << "resume-next reports nothing";
  }
}

TEST_F(StartUp, AFileThatCannotBeOpenedIsLikeAMissingOne) {
  files.PutFile(kIniPath, "720,450\r\n0,0\r\n#FALSE#\r\n");
  files.Lock(kIniPath);
  Start();
  EXPECT_EQ(Bounds(badge().hWnd()).left, 0);
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_GT(m.PanelLeft, 0);
}

TEST_F(StartUp, AReadOnlyFileIsReadAllTheSame) {
  files.PutFile(kIniPath, "1500,-300\r\n30,45\r\n#FALSE#\r\n");
  files.SetReadOnly(kIniPath);
  Start();
  EXPECT_EQ(Bounds(badge().hWnd()), (Rect{100, -20, 150, 30}));
  EXPECT_FALSE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(m.PanelLeft, 30.0f);
}

TEST_F(StartUp, AFolderNamedLikeTheFileIsLikeAMissingFile) {
  files.MakeFolder(kIniPath);
  Start();
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_TRUE(Window(badge().hWnd()).visible);
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

TEST_F(StartUp, CutsTheBadgeOutlineFromTheBitmap) {
  Start();
  const auto region = desk.WindowRegion(badge().hWnd());
  ASSERT_TRUE(region.has_value());
  ASSERT_EQ(region->size(), 40u);
  EXPECT_EQ(region->front(), (Rect{21, 5, 29, 6}));
  EXPECT_EQ(region->back(), (Rect{21, 44, 29, 45}));
  for (std::size_t row = 0; row < region->size(); ++row) {
    EXPECT_EQ((*region)[row].top, static_cast<int>(row) + 5);
  }
  const HWnd hwnd = badge().hWnd();
  EXPECT_EQ(desk.WindowFromPoint({25, 25}), hwnd);
  EXPECT_NE(desk.WindowFromPoint({2, 2}), hwnd) << "a corner lets clicks through";
  EXPECT_NE(desk.WindowFromPoint({47, 47}), hwnd);
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
  EXPECT_EQ(names, expected);
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
  EXPECT_EQ(std::string(f.szTip.data(), 8), std::string("Ravik N\0", 8));
  EXPECT_EQ(std::string(f.szTip.data() + 8, 56), std::string(56, ' '));
  ASSERT_EQ(desk.Icons().size(), 1u);
  EXPECT_EQ(desk.Icons()[0].tip, "Ravik N");
}

class StartUpWithAFailingCall : public GadgetTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(StartUpWithAFailingCall, StillShowsTheBadgeAndAddsTheIcon) {
  api.FailAlways(GetParam());
  Start();
  EXPECT_TRUE(Window(badge().hWnd()).visible);
  EXPECT_EQ(Bounds(badge().hWnd()).Width(), 50);
  EXPECT_EQ(desk.Icons().size(), std::string(GetParam()) == "Shell_NotifyIconA" ? 0u : 1u);
  EXPECT_TRUE(desk.Errors().empty());
  const sim::LiveCounts live = world.Live();
  if (std::string(GetParam()) != "DeleteDC" && std::string(GetParam()) != "DeleteObject") {
    EXPECT_EQ(live.dcs, 0);
    EXPECT_EQ(live.bitmaps, 0);
  }
  EXPECT_EQ(live.regions, 0) << "a region is never left unowned";
}

INSTANTIATE_TEST_SUITE_P(EachCall, StartUpWithAFailingCall,
                         ::testing::Values("SetWindowPos", "CreateCompatibleDC",
                                           "CreateCompatibleBitmap", "SelectObject", "BitBlt",
                                           "GetPixel", "CreatePolyPolygonRgn", "DeleteDC",
                                           "DeleteObject", "SetWindowRgn", "Shell_NotifyIconA"));

using StartUpWithoutAnOutline = StartUpWithAFailingCall;

TEST_P(StartUpWithoutAnOutline, TheWindowKeepsItsRectangle) {
  api.FailAlways(GetParam());
  Start();
  EXPECT_FALSE(desk.WindowRegion(badge().hWnd()).has_value());
  EXPECT_EQ(desk.WindowFromPoint({2, 2}), badge().hWnd());
  EXPECT_EQ(world.Live().regions, 0);
}

INSTANTIATE_TEST_SUITE_P(CallsThatDecideIt, StartUpWithoutAnOutline,
                         ::testing::Values("CreateCompatibleDC", "CreatePolyPolygonRgn",
                                           "SetWindowRgn"));

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
      if (withFile) world.files().PutFile(kIniPath, "720,450\r\n3000,2000\r\n#TRUE#\r\n");
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

TEST_F(StartUp, ARefusedBandSwitchLeavesTheRestRunning) {
  // A run-time error in the middle of start-up is abandoned, never reported.
  api.FailAlways("SetWindowPos");
  StartWith("720,450\r\n0,0\r\n#TRUE#\r\n");
  EXPECT_FALSE(Window(badge().hWnd()).topmost);
  EXPECT_EQ(Bounds(badge().hWnd()).left, 48);
  EXPECT_EQ(m.FrontFlag, kTrue) << "the flag stays what the file said";
}

}  // namespace
}  // namespace rn::testing
