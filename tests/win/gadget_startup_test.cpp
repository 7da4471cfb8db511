// Start-up on real windows: the defaults or the settings file, the topmost band,
// the place, the size and the outline cut from the badge bitmap.
#include <gtest/gtest.h>

#include "gadget_win_fixture.h"
#include "settings/settings_file.h"

namespace rn::win32::gadget {
namespace {

using StartUp = GadgetWinTest;

TEST_F(StartUp, WithoutAFileTheBadgeIsTopmostAtTheOriginAndThePanelCentred) {
  ASSERT_FALSE(ini.Read().has_value());
  Start();
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{0, 0, 50, 50}));
  EXPECT_TRUE(Shown(badge().hWnd()));
  EXPECT_TRUE(Topmost(badge().hWnd()));
  EXPECT_EQ(m.FrontFlag, kTrue);

  // Half the screen less half the panel's outer size, as the system measures them.
  const Rect outer = ScreenRect(panel().hWnd());
  EXPECT_EQ(m.PanelLeft, (::GetSystemMetrics(SM_CXSCREEN) - outer.Width()) * kTwipsPerPixel / 2.0f);
  EXPECT_EQ(m.PanelTop, (::GetSystemMetrics(SM_CYSCREEN) - outer.Height()) * kTwipsPerPixel / 2.0f);

  EXPECT_FALSE(ini.Read().has_value()) << "start-up never creates the file";
  EXPECT_FALSE(Shown(panel().hWnd()));
  EXPECT_FALSE(program.Form3Loaded());
  EXPECT_TRUE(desktop.ReportedErrors().empty());
  EXPECT_EQ(desktop.EndProcessRequests(), 0);
}

TEST_F(StartUp, TheSettingsFileIsTheOneBesideTheProgram) {
  EXPECT_EQ(Widen(SettingsPath(program)), ini.Path());
}

TEST_F(StartUp, TheOutlineIsTheDiscOfTheBadgeBitmap) {
  Start();
  const auto rows = RowsOfRegion(H(badge().hWnd()));
  ASSERT_EQ(rows.size(), 40u);
  EXPECT_EQ(rows.begin()->first, 5);
  EXPECT_EQ(rows.rbegin()->first, 44);
  int area = 0;
  for (const auto& [y, spans] : rows) {
    SCOPED_TRACE(y);
    ASSERT_EQ(spans.size(), 1u) << "a disc has one run per row";
    // Symmetric about the bitmap's centre line.
    EXPECT_EQ(spans[0].first + spans[0].second, 50);
    area += spans[0].second - spans[0].first;
  }
  EXPECT_EQ(rows.at(5)[0], std::make_pair(21, 29));
  EXPECT_EQ(rows.at(44)[0], std::make_pair(21, 29));
  EXPECT_EQ(rows.at(24)[0], std::make_pair(5, 45));
  EXPECT_EQ(rows.at(25)[0], std::make_pair(5, 45));
  EXPECT_EQ(area, 1248) << "the pixel count the artwork was drawn to";
}

TEST_F(StartUp, TheOutlineFollowsThePixelsThatDifferFromTheCorner) {
  Start();
  const HWND hwnd = H(badge().hWnd());
  const unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(hwnd, region.get()), ERROR);
  // Read back from the bitmap the panel carries, independently of the scan.
  const HDC picture = FromHandle<HDC>(panel().Picture1.hDC());
  const COLORREF key = ::GetPixel(picture, 0, 0);
  int mismatches = 0;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const bool inside = ::GetPixel(picture, x, y) != key;
      if (inside != (::PtInRegion(region.get(), x, y) != FALSE)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(StartUp, TheBadgeShowsItsBitmapWithinTheOutline) {
  Start();
  const HWND hwnd = H(badge().hWnd());
  ::UpdateWindow(hwnd);
  const unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(hwnd, region.get()), ERROR);
  const HDC picture = FromHandle<HDC>(panel().Picture1.hDC());
  const HDC screen = ::GetDC(hwnd);
  int compared = 0;
  int differing = 0;
  for (int y = 0; y < 50; y += 2) {
    for (int x = 0; x < 50; x += 2) {
      if (!::PtInRegion(region.get(), x, y)) continue;
      ++compared;
      if (::GetPixel(screen, x, y) != ::GetPixel(picture, x, y)) ++differing;
    }
  }
  ::ReleaseDC(hwnd, screen);
  EXPECT_GT(compared, 250);
  EXPECT_EQ(differing, 0);
}

TEST_F(StartUp, ClicksOutsideTheOutlinePassThroughTheBadge) {
  StartWith("720,450\r\n0,0\r\n#TRUE#\r\n");  // at (48, 30)
  const HWND hwnd = H(badge().hWnd());
  EXPECT_EQ(::WindowFromPoint({48 + 25, 30 + 25}), hwnd);
  EXPECT_EQ(::WindowFromPoint({48 + 25, 30 + 5}), hwnd) << "the top row of the disc";
  EXPECT_NE(::WindowFromPoint({48 + 25, 30 + 4}), hwnd);
  EXPECT_NE(::WindowFromPoint({48 + 2, 30 + 2}), hwnd) << "a corner";
  EXPECT_NE(::WindowFromPoint({48 + 47, 30 + 47}), hwnd);
}

TEST_F(StartUp, AFolderNamedLikeTheFileIsLikeAMissingFile) {
  ini.MakeFolder();
  Start();
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{0, 0, 50, 50}));
  EXPECT_EQ(m.FrontFlag, kTrue);
  EXPECT_GT(m.PanelLeft, 0);
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

TEST_F(StartUp, AFileWithAFalseFlagPlacesTheBadgeOutsideTheBand) {
  StartWith("720,450\r\n527.5,336\r\n#FALSE#\r\n");
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{48, 30, 98, 80}));
  EXPECT_FALSE(Topmost(badge().hWnd()));
  EXPECT_TRUE(Shown(badge().hWnd()));
  EXPECT_EQ(m.FrontFlag, kFalse);
  EXPECT_EQ(m.PanelLeft, 527.5f);
  EXPECT_EQ(m.PanelTop, 336.0f);
  EXPECT_EQ(ini.Read(), "720,450\r\n527.5,336\r\n#FALSE#\r\n") << "reading changes nothing";
  EXPECT_TRUE(desktop.ReportedErrors().empty());
}

TEST_F(StartUp, AFileWithATrueFlagPutsTheBadgeInTheBand) {
  StartWith("720,450\r\n527.5,336\r\n#TRUE#\r\n");
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{48, 30, 98, 80}));
  EXPECT_TRUE(Topmost(badge().hWnd()));
  EXPECT_EQ(m.FrontFlag, kTrue);
}

TEST_F(StartUp, AReadOnlyFileIsReadAllTheSame) {
  ini.Write("1500,-300\r\n30,45\r\n#FALSE#\r\n");
  ini.SetReadOnly();
  Start();
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{100, -20, 150, 30}))
      << "beyond the screen's edge, restored there";
  EXPECT_FALSE(Topmost(badge().hWnd()));
  EXPECT_EQ(m.PanelLeft, 30.0f);
}

}  // namespace
}  // namespace rn::win32::gadget
