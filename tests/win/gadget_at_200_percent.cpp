// The gadget on real windows at 200 %. Wine takes its scale once per wineserver,
// so this program has a test of its own, which CTest runs through
// `scripts/wine-dpi 192`: a fresh server at 192 dpi, and 96 again afterwards.
#include <gtest/gtest.h>

#include "gadget_win_fixture.h"

namespace rn::win32::gadget {
namespace {

constexpr int kDpi = 192;
constexpr int kSide = 100;  // 750 twips
constexpr COLORREF kKey = RGB(0, 255, 0);

using AtTwoHundredPercent = GadgetWinTest;

TEST_F(AtTwoHundredPercent, TheBadgeIsTwiceAsLargeCutToTheDoubledDiscAndTheIconStillWorks) {
  {
    const window_dc screen(nullptr);
    ASSERT_EQ(::GetDeviceCaps(screen.get(), LOGPIXELSX), kDpi) << "run through scripts/wine-dpi";
  }
  StartWith(std::nullopt);
  const HWND hwnd = H(badge().hWnd());
  EXPECT_EQ(ScreenRect(badge().hWnd()), (Rect{0, 0, kSide, kSide}));

  // Each of the 40 rows of the disc twice, each pixel twice across.
  const auto rows = RowsOfRegion(hwnd);
  ASSERT_EQ(rows.size(), 80u);
  EXPECT_EQ(rows.begin()->first, 10);
  EXPECT_EQ(rows.rbegin()->first, 89);
  int area = 0;
  int left = kSide;
  int right = 0;
  for (const auto& [y, spans] : rows) {
    SCOPED_TRACE(y);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].first % 2, 0);
    EXPECT_EQ(spans[0].second % 2, 0);
    EXPECT_EQ(spans, rows.at(y % 2 == 0 ? y + 1 : y - 1)) << "rows come in pairs";
    area += spans[0].second - spans[0].first;
    left = std::min(left, spans[0].first);
    right = std::max(right, spans[0].second);
  }
  EXPECT_EQ(area, 4992);
  EXPECT_EQ(left, 10);
  EXPECT_EQ(right, 90);

  // What is on screen inside the outline is the picture, never the key colour,
  // and the corners let the desktop and its clicks through.
  ::UpdateWindow(hwnd);
  const unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(hwnd, region.get()), ERROR);
  {
    const window_dc drawn(hwnd);
    int keyInside = 0;
    for (int y = 0; y < kSide; y += 3) {
      for (int x = 0; x < kSide; x += 3) {
        if (::PtInRegion(region.get(), x, y) && ::GetPixel(drawn.get(), x, y) == kKey) {
          ++keyInside;
        }
      }
    }
    EXPECT_EQ(keyInside, 0);
  }
  EXPECT_EQ(::WindowFromPoint({kSide / 2, kSide / 2}), hwnd);
  for (const POINT corner : {POINT{3, 3}, POINT{kSide - 4, 3}, POINT{3, kSide - 4}}) {
    EXPECT_NE(::WindowFromPoint(corner), hwnd) << corner.x << ", " << corner.y;
  }

  IconMessage(WM_LBUTTONDBLCLK);
  ASSERT_TRUE(Shown(panel().hWnd()));
  RECT client{};
  ::GetClientRect(H(panel().hWnd()), &client);
  EXPECT_EQ(client.right, 700);
  EXPECT_EQ(client.bottom, 112);
  IconMessage(WM_RBUTTONDOWN);
  EXPECT_EQ(user->LastMenuShown().size(), 4u);
}

}  // namespace
}  // namespace rn::win32::gadget
