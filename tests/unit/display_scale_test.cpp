// The gadget at every display scale on the simulated desktop: one logical size,
// the picture spread by nearest neighbour, the outline cut from what is drawn,
// positions in twips with the system's scale, and windows that follow their
// monitor's scale across monitors and back.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "gadget_fixture.h"
#include "platform/scale.h"
#include "settings/settings_file.h"
#include "tray/command_menu.h"
#include "tray/tray_icon.h"

namespace rn::testing {
namespace {

constexpr ColorRef kKey = 0x0000FF00;

struct Outline {
  std::int64_t area = 0;
  Rect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
};

Outline OutlineOf(sim::SimDesktop& desk, HWnd badge) {
  Outline o;
  const auto region = desk.WindowRegion(badge);
  if (!region) return o;
  for (const Rect& r : *region) {
    o.area += std::int64_t{r.Width()} * r.Height();
    o.box = {std::min(o.box.left, r.left), std::min(o.box.top, r.top),
             std::max(o.box.right, r.right), std::max(o.box.bottom, r.bottom)};
  }
  return o;
}

// Every pixel of the badge as drawn is inside its outline exactly when it is not
// the key colour, and the drawn picture fills the window.
int PixelsOffTheOutline(sim::World& world, Form1& badge) {
  sim::RegionObject shape;
  for (const Rect& r : world.desktop().WindowRegion(badge.hWnd()).value_or(std::vector<Rect>{})) {
    shape.parts.push_back({r, 1});
  }
  const Rect b = world.desktop().Find(badge.hWnd())->bounds;
  int off = 0;
  for (std::int32_t y = 0; y < b.Height(); ++y) {
    for (std::int32_t x = 0; x < b.Width(); ++x) {
      const ColorRef drawn = world.api().GetPixel(badge.hDC(), x, y);
      if (drawn == sim::kPictureBoxBack || (drawn != kKey) != shape.Contains({x, y})) ++off;
    }
  }
  return off;
}

struct Scale {
  std::int32_t dpi;
  std::int32_t side;  // the badge, pixels: 750 twips, halves to even
  std::int64_t area;  // its outline, pixels
  std::int32_t from;  // the outline's bounding box, both ways
  std::int32_t to;
};

// At 100 % the disc is 1248 pixels, 5 in from each side; a whole factor k makes
// k x k of each, the others one or two of each pixel.
const Scale kScales[] = {
    {96, 50, 1248, 5, 45},      {120, 62, 1940, 6, 56},   {144, 75, 2808, 7, 67},
    {168, 88, 3836, 9, 79},     {192, 100, 4992, 10, 90}, {216, 112, 6300, 11, 101},
    {288, 150, 11232, 15, 135},
};

class AtEveryScale : public GadgetTest, public ::testing::WithParamInterface<Scale> {
 protected:
  AtEveryScale() : GadgetTest({.screen = {1024, 768, GetParam().dpi}}) {}
  Outline BadgeOutline() { return OutlineOf(desk, badge().hWnd()); }
};

// A second run of the gadget on a world of its own, which shares nothing with the first.
struct NextStart {
  explicit NextStart(std::int32_t dpi, const std::string& ini)
      : world({.screen = {1024, 768, dpi}}) {
    world.files().PutFile(kIniPath, ini);
    program.Start();
  }
  sim::World world;
  Program program{world.desktop(), world.api(), world.files()};
  Rect Badge() { return world.desktop().Find(program.Form1().hWnd())->bounds; }
  std::optional<std::string> Exit() {
    program.Dispatch([&] { RunMenuCommand(program, kExit); });
    return world.files().GetFile(kIniPath);
  }
};

TEST_P(AtEveryScale, EachPixelOfThePictureTakesOneOrTwoScreenPixelsSpreadEvenly) {
  const Scale s = GetParam();
  std::vector<int> taken(50, 0);
  for (std::int32_t x = 0; x < s.side; ++x) ++taken.at(NearestSource(x, s.side, 50));
  const auto [least, most] = std::minmax_element(taken.begin(), taken.end());
  EXPECT_EQ(*least, s.side / 50);
  EXPECT_LE(*most - *least, 1);
  // Spread evenly: the first k source pixels never take half a pixel more or
  // less than k times the ratio.
  int sum = 0;
  for (std::size_t k = 1; k <= taken.size(); ++k) {
    sum += taken[k - 1];
    EXPECT_LE(std::abs(2 * 50 * sum - 2 * static_cast<int>(k) * s.side), 50) << "after " << k;
  }
}

TEST_P(AtEveryScale, TheBadgeKeepsItsLogicalSizeAndIsCutToItsDrawnPicture) {
  const Scale s = GetParam();
  Start();
  const HWnd hwnd = badge().hWnd();
  EXPECT_EQ(Bounds(hwnd), (Rect{0, 0, s.side, s.side}));
  EXPECT_EQ(panel().Picture1.Width(), 750.0f) << "one size in twips at every scale";
  EXPECT_EQ(panel().Picture1.Height(), 750.0f);
  const Outline o = BadgeOutline();
  EXPECT_EQ(o.area, s.area);
  EXPECT_EQ(o.box, (Rect{s.from, s.from, s.to, s.to}));
  // Clicks then reach the badge exactly there: the desktops' rule for a region,
  // which the conformance suite proves.
  EXPECT_EQ(PixelsOffTheOutline(world, badge()), 0);
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_P(AtEveryScale, PositionsAreTwipsThatComeBackToTheSamePixelsAndTheSamePlace) {
  const std::int32_t dpi = GetParam().dpi;
  // Every pixel position of the platform's range survives the round trip.
  for (std::int32_t x = -32768; x <= 32767; ++x) {
    ASSERT_EQ(program.ToPixels(program.ToTwips(x)), x) << "at " << dpi;
  }
  // A badge dragged to a pixel place and saved is back there at the next start,
  // and the file it then writes is the same to the byte.
  Start();
  desk.ScriptDrag(37, 23);
  desk.MouseDown(badge().hWnd(), tk::kLeftButton, 0, 10, 10);
  Command(kExit);
  const std::string written = *Ini();
  NextStart again(dpi, written);
  EXPECT_EQ(again.Badge().left, 37);
  EXPECT_EQ(again.Badge().top, 23);
  EXPECT_EQ(again.Exit(), written);
  // The place a file written at 100 % names is the same logical place here.
  NextStart from96(dpi, "720,450\r\n0,0\r\n#TRUE#\r\n");
  // Within half a pixel: 450 twips are 67.5 pixels at 216 dpi, and halves go to even.
  const float halfPixel = 720.0f / static_cast<float>(dpi) + 0.01f;
  EXPECT_NEAR(from96.program.Form1().Left(), 720.0f, halfPixel);
  EXPECT_NEAR(from96.program.Form1().Top(), 450.0f, halfPixel);
}

// The message number the icon sends comes as a pointer position, in twips at this scale.
TEST_P(AtEveryScale, OnlyTheIconsDoubleClickAndRightPressAct) {
  Start();
  for (const std::uint32_t message : {0x200u, 0x201u, 0x202u, 0x205u}) desk.ClickIcon(message);
  EXPECT_FALSE(PanelShown());
  EXPECT_TRUE(desk.Menus().empty());
  ASSERT_TRUE(desk.ClickIcon(win::WmLButtonDblClk));
  EXPECT_TRUE(PanelShown());
  desk.ScriptMenu(-1);
  ASSERT_TRUE(desk.ClickIcon(win::WmRButtonDown));
  ASSERT_EQ(desk.Menus().size(), 1u);
  EXPECT_EQ(desk.Menus()[0].flags, tk::kPopupRightButton);
}

INSTANTIATE_TEST_SUITE_P(Dpi, AtEveryScale, ::testing::ValuesIn(kScales),
                         [](const auto& info) { return std::to_string(info.param.dpi); });

// ------------------------------------------------------------ per monitor

// The primary monitor at 100 %, a second one to its right at 200 %.
class PerMonitor : public GadgetTest {
 protected:
  static constexpr std::int32_t kRight = 1024;  // where the second monitor begins
  PerMonitor()
      : GadgetTest({.screen = {1024, 768, 96},
                    .otherMonitors = {{{kRight, 0, kRight + 1920, 1080}, 192}}}) {}
  void MoveTo(HWnd form, std::int32_t x, std::int32_t y) {
    const Rect r = Bounds(form);
    desk.SetBounds(form, {x, y, x + r.Width(), y + r.Height()});
  }
  Outline BadgeOutline() { return OutlineOf(desk, badge().hWnd()); }
};

TEST_F(PerMonitor, TheBadgeIsRedrawnAndRecutOnEachMonitorItComesTo) {
  Start();
  DragBadge(kRight + 100, 100);
  const HWnd hwnd = badge().hWnd();
  EXPECT_EQ(Bounds(hwnd), (Rect{kRight + 100, 100, kRight + 200, 200}));
  EXPECT_EQ(BadgeOutline().area, 4992);
  EXPECT_EQ(BadgeOutline().box, (Rect{10, 10, 90, 90}));
  EXPECT_EQ(PixelsOffTheOutline(world, badge()), 0);

  // The icon's messages come to the panel, still on the first monitor, as before.
  ASSERT_TRUE(desk.ClickIcon(win::WmLButtonDblClk));
  EXPECT_TRUE(PanelShown());

  DragBadge(-(kRight + 60), -60);
  EXPECT_EQ(Bounds(hwnd), (Rect{40, 40, 90, 90}));
  EXPECT_EQ(BadgeOutline().area, 1248);
  EXPECT_EQ(PixelsOffTheOutline(world, badge()), 0);
  Command(kExit);
  EXPECT_EQ(world.files().GetFile(kIniPath)->substr(0, 7), "600,600")
      << "a position in twips with the system's scale";
  const sim::LiveCounts live = world.Live();
  EXPECT_EQ(live.dcs + live.bitmaps + live.regions, 0) << live;
  EXPECT_EQ(live.ownedRegions, 1) << "each new outline frees the one before";
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_F(PerMonitor, ThePanelIsLaidOutFromItsTablesOnEachMonitorAndRemembersTwips) {
  Start();
  ASSERT_TRUE(desk.ClickIcon(win::WmLButtonDblClk));
  const HWnd hwnd = panel().hWnd();
  MoveTo(hwnd, kRight + 200, 300);
  EXPECT_EQ(Client(hwnd), (Rect{0, 0, 700, 112}));
  EXPECT_EQ(Bounds(panel().Text1.hWnd()), (Rect{0, 0, 594, 112}));
  EXPECT_EQ(Bounds(panel().Command1.hWnd()), (Rect{600, 4, 696, 52}));
  EXPECT_EQ(Bounds(hwnd).left, kRight + 200) << "where the system put it";

  desk.ClickControl(panel().Command2.hWnd());
  EXPECT_EQ(m.PanelLeft, (kRight + 200) * 15.0f);
  EXPECT_EQ(m.PanelTop, 300 * 15.0f);
  ASSERT_TRUE(desk.ClickIcon(win::WmLButtonDblClk)) << "decoded on the 200 % monitor too";
  EXPECT_EQ(Bounds(hwnd).left, kRight + 200);
  EXPECT_EQ(Client(hwnd), (Rect{0, 0, 700, 112}));

  MoveTo(hwnd, 100, 100);
  EXPECT_EQ(Client(hwnd), (Rect{0, 0, 350, 56}));
  EXPECT_EQ(Bounds(panel().Text1.hWnd()), (Rect{0, 0, 297, 56}));
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_F(PerMonitor, TheDialogFollowsItsMonitorAndAScaleChangedWhileRunning) {
  Start();
  desk.ScriptModal([&] {
    const HWnd hwnd = dialog().hWnd();
    MoveTo(hwnd, kRight + 300, 200);
    EXPECT_EQ(Client(hwnd), (Rect{0, 0, 382, 432}));
    EXPECT_EQ(Bounds(dialog().Image1.hWnd()), (Rect{16, 32, 80, 96}));
    MoveTo(hwnd, 300, 200);
    EXPECT_EQ(Client(hwnd), (Rect{0, 0, 191, 216}));
    EXPECT_EQ(Bounds(dialog().Image1.hWnd()), (Rect{8, 16, 40, 48}));
    desk.RequestClose(hwnd);
  });
  Command(kOpenSettings);
  EXPECT_EQ(desk.PendingModal(), 0u);

  // The user sets the primary monitor to 150 %: the badge there follows; the
  // system's scale, and so every position in twips, stays as the session began.
  desk.SetMonitorDpi(0, 144);
  EXPECT_EQ(Bounds(badge().hWnd()), (Rect{0, 0, 75, 75}));
  EXPECT_EQ(BadgeOutline().area, 2808);
  EXPECT_EQ(program.TwipsPerPixelX(), 15.0f);
  desk.ScriptModal([&] {
    EXPECT_EQ(Client(dialog().hWnd()), (Rect{0, 0, 286, 324})) << "born at its monitor's scale";
    desk.RequestClose(dialog().hWnd());
  });
  Command(kOpenSettings);
  EXPECT_TRUE(desk.Errors().empty());
}

}  // namespace
}  // namespace rn::testing
