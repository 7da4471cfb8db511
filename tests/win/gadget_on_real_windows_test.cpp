// The gadget on real windows, for what the simulated desktop cannot show: the
// outline the system keeps for the badge, and the message box the user reads.
// Everything else the gadget does is tested on the simulated desktop
// (tests/unit), which the conformance suite proves alike: fonts realized as the
// tables say, and the focus given back when a form is activated again.
#include <gtest/gtest.h>

#include <functional>
#include <string_view>

#include "gadget_win_fixture.h"

namespace rn::win32::gadget {
namespace {

constexpr const char* kSettings = "720,450\r\n3000,2000\r\n#TRUE#\r\n";

using OnRealWindows = GadgetWinTest;

TEST_F(OnRealWindows, TheOutlineReadBackIsThePixelsOfTheBitmapThatDifferFromItsCorner) {
  StartWith(std::nullopt);
  const HWND hwnd = H(badge().hWnd());
  const auto rows = RowsOfRegion(hwnd);
  ASSERT_EQ(rows.size(), 40u);
  int area = 0;
  for (const auto& [y, spans] : rows) {
    for (const auto& [left, right] : spans) area += right - left;
  }
  EXPECT_EQ(area, 1248) << "the pixel count the artwork was drawn to";

  // Read back from the bitmap the panel carries, independently of the scan.
  const unique_hrgn region(::CreateRectRgn(0, 0, 0, 0));
  ASSERT_NE(::GetWindowRgn(hwnd, region.get()), ERROR);
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

// The user reads the report in a message box, which holds the exit until it is
// acknowledged.
class ShowingErrors : public GadgetWinTest {
 protected:
  ShowingErrors() : GadgetWinTest(/*errorsToMessageBox=*/true) {}
};

std::string StaticTexts(HWND dialog) {
  std::string texts;
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[16]{};
    ::GetClassNameW(child, name, 16);
    if (std::wstring_view(name) != L"Static") continue;
    wchar_t text[512]{};
    ::GetWindowTextW(child, text, 512);
    texts += Narrow(text) + "\n";
  }
  return texts;
}

TEST_F(ShowingErrors, AnExitThatCannotSaveNamesTheFileInAMessageBoxAndWaitsForIt) {
  StartWith(kSettings);
  ini.SetReadOnly();
  std::string caption, text;
  int endsWhileShown = -1;
  bool badgeShownWhileShown = false;
  std::function<void()> answer = [&] {
    const HWND box = OpenMessageBox();
    if (box == nullptr) return user->DuringModal(answer);
    wchar_t title[64]{};
    ::GetWindowTextW(box, title, 64);
    caption = Narrow(title);
    text = StaticTexts(box);
    endsWhileShown = user->EndRequests();
    badgeShownWhileShown = Shown(badge().hWnd());
    ::SendMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
  };
  user->DuringModal(answer);
  Command(kExit);
  EXPECT_EQ(caption, "Ravik N");
  EXPECT_NE(text.find(Narrow(ini.Path().wstring())), std::string::npos) << text;
  EXPECT_EQ(endsWhileShown, 0) << "the exit waits for the user";
  EXPECT_TRUE(badgeShownWhileShown);
  EXPECT_EQ(user->EndRequests(), 1);
  EXPECT_FALSE(Shown(badge().hWnd()));
  EXPECT_EQ(ini.Read(), kSettings);
  EXPECT_TRUE(user->Reports().empty()) << "shown, not recorded";
}

}  // namespace
}  // namespace rn::win32::gadget
