// The simulated window manager: placement and frames, the topmost band, hit
// testing through regions and controls, caption drags, destruction.
#include <gtest/gtest.h>

#include "platform/sim/world.h"
#include "platform/toolkit.h"

namespace rn::sim {
namespace {

constexpr std::uint32_t kKeepPlace = win::SwpNoSize | win::SwpNoMove;
constexpr std::uint32_t kNoActivate = 0x0010;

class Silent final : public WindowEvents {};

FormWindowSpec Look(BorderStyle border, StartUpPosition startUp, std::int32_t width,
                    std::int32_t height) {
  FormWindowSpec look;
  look.border = border;
  look.startUp = startUp;
  look.clientWidth = width;
  look.clientHeight = height;
  return look;
}

ControlWindowSpec Child(ControlKind kind, Rect bounds) {
  ControlWindowSpec look;
  look.kind = kind;
  look.bounds = bounds;
  return look;
}

class SimWindowTest : public ::testing::Test {
 protected:
  // A borderless form, shown, at `at`.
  HWnd Shown(Rect at) {
    const HWnd h = desktop.CreateForm(
        Look(BorderStyle::None, StartUpPosition::Manual, at.Width(), at.Height()), silent);
    desktop.SetBounds(h, at);
    desktop.SetVisible(h, true);
    return h;
  }
  // A region of one rectangle, in window coordinates.
  Handle Region(Rect r) {
    const std::vector<Point> pts{
        {r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    const std::int32_t count = 4;
    return api.CreatePolyPolygonRgn(pts.data(), &count, 1, win::Winding);
  }

  World world;
  SimDesktop& desktop = world.desktop();
  SimApi& api = world.api();
  Silent silent;
};

TEST_F(SimWindowTest, FormsArePlacedWithTheirFrameWhereTheirStartUpSays) {
  const HWnd centred = desktop.CreateForm(
      Look(BorderStyle::FixedSingle, StartUpPosition::CenterScreen, 200, 100), silent);
  EXPECT_EQ(desktop.GetBounds(centred), (Rect{409, 319, 615, 448}));
  EXPECT_EQ(desktop.ClientScreenRect(centred), (Rect{412, 345, 612, 445}));

  const HWnd tool = desktop.CreateForm(
      Look(BorderStyle::FixedToolWindow, StartUpPosition::WindowsDefault, 100, 50), silent);
  EXPECT_EQ(desktop.GetBounds(tool), (Rect{26, 26, 132, 99}));
  EXPECT_EQ(desktop.ClientScreenRect(tool), (Rect{29, 46, 129, 96}));

  const HWnd bare =
      desktop.CreateForm(Look(BorderStyle::None, StartUpPosition::Manual, 30, 40), silent);
  EXPECT_EQ(desktop.GetBounds(bare), (Rect{0, 0, 30, 40}));
  EXPECT_EQ(desktop.ClientScreenRect(bare), desktop.GetBounds(bare));

  World small({.screen = {800, 600, 96}});
  const HWnd there = small.desktop().CreateForm(
      Look(BorderStyle::FixedSingle, StartUpPosition::CenterScreen, 200, 100), silent);
  EXPECT_EQ(small.desktop().GetBounds(there).left, 297);
}

TEST_F(SimWindowTest, ControlsAreVisibleInAHiddenFormButNotOnScreen) {
  const HWnd form =
      desktop.CreateForm(Look(BorderStyle::FixedSingle, StartUpPosition::Manual, 100, 100), silent);
  const HWnd frame = desktop.CreateControl(form, Child(ControlKind::Frame, {5, 5, 90, 90}), silent);
  const HWnd button =
      desktop.CreateControl(frame, Child(ControlKind::CommandButton, {10, 20, 40, 30}), silent);
  EXPECT_FALSE(desktop.IsVisible(form));
  EXPECT_TRUE(desktop.IsVisible(button));
  EXPECT_FALSE(desktop.OnScreen(button));
  desktop.SetVisible(form, true);
  EXPECT_TRUE(desktop.OnScreen(button));
  EXPECT_EQ(desktop.ScreenRect(button), (Rect{3 + 5 + 10, 26 + 5 + 20, 3 + 5 + 40, 26 + 5 + 30}));
  desktop.SetVisible(frame, false);
  EXPECT_TRUE(desktop.IsVisible(button));
  EXPECT_FALSE(desktop.OnScreen(button));
}

TEST_F(SimWindowTest, ToolkitSizesFollowTheScreensDpi) {
  World large({.screen = {1024, 768, 120}});
  tk::Runtime rt(large.desktop(), large.api());
  tk::FormLayout layout;
  layout.border = BorderStyle::None;
  layout.clientWidth = 1440;  // an inch
  layout.clientHeight = 720;
  tk::Form form(rt, layout);
  form.Load();
  EXPECT_EQ(large.desktop().GetBounds(form.hWnd()), (Rect{0, 0, 120, 60}));
  EXPECT_FLOAT_EQ(rt.ScreenWidth(), 1024 * 12.0f);
  EXPECT_EQ(rt.AppPath(), "C:\\Program Files\\Ravik N");
}

TEST_F(SimWindowTest, TheTopmostBandComesFirstWhateverWasActivatedLater) {
  const HWnd a = Shown({0, 0, 100, 100});
  const HWnd b = Shown({50, 50, 150, 150});
  EXPECT_EQ(desktop.WindowFromPoint({60, 60}), b) << "the later shown is in front";

  EXPECT_EQ(api.SetWindowPos(a, win::HwndTopmost, 7, 7, 1, 1, kKeepPlace | win::SwpShowWindow), 1);
  EXPECT_EQ(desktop.GetBounds(a), (Rect{0, 0, 100, 100})) << "place and size are kept";
  EXPECT_TRUE(desktop.Find(a)->topmost);
  EXPECT_EQ(desktop.WindowFromPoint({60, 60}), a);

  desktop.BringToFront(b);
  const HWnd c = Shown({50, 50, 150, 150});
  EXPECT_EQ(desktop.WindowFromPoint({60, 60}), a) << "nothing outside the band gets ahead";
  EXPECT_EQ(desktop.Forms(), (std::vector<HWnd>{a, c, b}));

  EXPECT_EQ(api.SetWindowPos(a, win::HwndNoTopmost, 0, 0, 0, 0, kKeepPlace | kNoActivate), 1);
  EXPECT_FALSE(desktop.Find(a)->topmost);
  EXPECT_EQ(desktop.Forms(), (std::vector<HWnd>{a, c, b})) << "first of the others";
  EXPECT_EQ(api.SetWindowPos(b, win::HwndNoTopmost, 0, 0, 0, 0, kKeepPlace | kNoActivate), 1);
  EXPECT_EQ(desktop.Forms(), (std::vector<HWnd>{a, c, b})) << "no effect on a non-topmost one";
}

TEST_F(SimWindowTest, ShowingThroughSetWindowPosShowsAHiddenForm) {
  const HWnd form =
      desktop.CreateForm(Look(BorderStyle::None, StartUpPosition::Manual, 10, 10), silent);
  EXPECT_EQ(desktop.WindowFromPoint({5, 5}), 0u);
  api.SetWindowPos(form, win::HwndTopmost, 0, 0, 0, 0, kKeepPlace | win::SwpShowWindow);
  EXPECT_TRUE(desktop.IsVisible(form));
  EXPECT_EQ(desktop.WindowFromPoint({5, 5}), form);
  EXPECT_EQ(api.SetWindowPos(form, 0, 40, 50, 20, 30, 0), 1);
  EXPECT_EQ(desktop.GetBounds(form), (Rect{40, 50, 60, 80}));
}

TEST_F(SimWindowTest, PointsInARegionsCutAwayPartFallThroughToTheWindowBelow) {
  const HWnd below = Shown({0, 0, 200, 200});
  const HWnd shaped = Shown({100, 100, 150, 150});
  ASSERT_EQ(api.SetWindowRgn(shaped, Region({0, 0, 10, 50}), 1), 1);
  EXPECT_EQ(desktop.WindowFromPoint({105, 120}), shaped);
  EXPECT_EQ(desktop.WindowFromPoint({110, 120}), below) << "the region is in window coordinates";
  EXPECT_EQ(desktop.WindowFromPoint({200, 120}), 0u);
  EXPECT_EQ(desktop.WindowRegion(shaped), (std::vector<Rect>{{0, 0, 10, 50}}));

  ASSERT_EQ(api.SetWindowRgn(shaped, 0, 1), 1);
  EXPECT_EQ(desktop.WindowFromPoint({110, 120}), shaped) << "no region: the whole rectangle";
  EXPECT_FALSE(desktop.WindowRegion(shaped).has_value());
  EXPECT_EQ(world.Live().ownedRegions, 0);
}

TEST_F(SimWindowTest, PointsFindTheControlUnlessItIsStaticHiddenOrDisabled) {
  const HWnd form = Shown({0, 0, 100, 100});
  const HWnd button =
      desktop.CreateControl(form, Child(ControlKind::CommandButton, {0, 0, 20, 20}), silent);
  const HWnd label =
      desktop.CreateControl(form, Child(ControlKind::Label, {30, 0, 50, 20}), silent);
  const HWnd frame =
      desktop.CreateControl(form, Child(ControlKind::Frame, {0, 40, 60, 100}), silent);
  const HWnd inFrame =
      desktop.CreateControl(frame, Child(ControlKind::CheckBox, {0, 0, 10, 10}), silent);
  EXPECT_EQ(desktop.WindowFromPoint({5, 5}), button);
  EXPECT_EQ(desktop.WindowFromPoint({35, 5}), form);
  EXPECT_NE(label, 0u);
  EXPECT_EQ(desktop.WindowFromPoint({5, 45}), inFrame);
  EXPECT_EQ(desktop.WindowFromPoint({30, 70}), form);
  desktop.SetEnabled(button, false);
  EXPECT_EQ(desktop.WindowFromPoint({5, 5}), form);
  desktop.SetEnabled(frame, false);
  EXPECT_EQ(desktop.WindowFromPoint({5, 45}), form);
  desktop.SetEnabled(button, true);
  desktop.SetVisible(button, false);
  EXPECT_EQ(desktop.WindowFromPoint({5, 5}), form);
}

TEST_F(SimWindowTest, AWindowOwnsItsRegionAndFreesTheOneItReplaces) {
  const HWnd form = Shown({0, 0, 50, 50});
  const HWnd other = Shown({0, 0, 50, 50});
  const Handle first = Region({0, 0, 5, 5});
  const Handle second = Region({0, 0, 9, 9});
  EXPECT_EQ(world.Live().regions, 2);
  ASSERT_EQ(api.SetWindowRgn(form, first, 1), 1);
  EXPECT_EQ(world.Live().regions, 1);
  EXPECT_EQ(world.Live().ownedRegions, 1);
  EXPECT_EQ(api.DeleteObject(first), 0) << "the window's region is not the gadget's to delete";
  ASSERT_EQ(api.SetWindowRgn(form, second, 1), 1);
  EXPECT_EQ(world.gdi().FindRegion(first), nullptr);
  EXPECT_EQ(api.SetWindowRgn(other, second, 1), 0) << "one owner at a time";
  EXPECT_EQ(api.SetWindowRgn(other, 0xBAD0, 1), 0);
  desktop.DestroyWindow(form);
  EXPECT_EQ(world.gdi().FindRegion(second), nullptr);
  EXPECT_EQ(world.Live(), LiveCounts{.windows = 1});
}

TEST_F(SimWindowTest, DestroyingAFormTakesItsControlsAndImagesAndLeavesHandlesHarmless) {
  const HWnd form = Shown({0, 0, 100, 100});
  const HWnd frame = desktop.CreateControl(form, Child(ControlKind::Frame, {0, 0, 50, 50}), silent);
  const HWnd box =
      desktop.CreateControl(frame, Child(ControlKind::PictureBox, {0, 0, 10, 10}), silent);
  ASSERT_NE(desktop.PictureDC(box), 0u);
  api.SetWindowRgn(form, Region({0, 0, 1, 1}), 1);
  desktop.Focus(box);
  ASSERT_EQ(desktop.LiveWindows(), 3);

  desktop.DestroyWindow(form);
  EXPECT_EQ(world.Live(), LiveCounts{});
  EXPECT_EQ(desktop.Focused(), 0u);
  EXPECT_EQ(desktop.Forms(), std::vector<HWnd>{});
  for (HWnd gone : {form, frame, box}) {
    EXPECT_EQ(desktop.GetBounds(gone), Rect{});
    EXPECT_FALSE(desktop.IsVisible(gone));
    EXPECT_EQ(desktop.GetText(gone), "");
    desktop.SetText(gone, "x");
    desktop.SetBounds(gone, {1, 2, 3, 4});
    desktop.SetVisible(gone, true);
    desktop.SetFocus(gone);
    desktop.DestroyWindow(gone);
    EXPECT_EQ(desktop.PictureDC(gone), 0u);
    EXPECT_EQ(desktop.CreateControl(gone, Child(ControlKind::Label, {}), silent), 0u);
    EXPECT_EQ(api.SetWindowPos(gone, win::HwndTopmost, 0, 0, 0, 0, kKeepPlace), 0);
    EXPECT_EQ(api.LastDllError(), err::kInvalidWindowHandle);
    EXPECT_EQ(api.SendMessageA(gone, win::WmNcLButtonDown, win::HtCaption, 0), 0);
    EXPECT_EQ(api.SetWindowRgn(gone, 0, 1), 0);
  }
  EXPECT_EQ(world.Live(), LiveCounts{});
}

// The gadget's floating window: pressing it anywhere drags it like a caption.
class Floating : public tk::Form {
 public:
  explicit Floating(tk::Runtime& rt) : tk::Form(rt, Layout()) {}
  int ups = 0;

 protected:
  static tk::FormLayout Layout() {
    tk::FormLayout layout;
    layout.border = BorderStyle::None;
    layout.clientWidth = layout.clientHeight = 750;
    layout.startUp = StartUpPosition::WindowsDefault;
    return layout;
  }
  void Form_MouseDown(const tk::MouseArgs& args) override {
    if (args.Button != tk::kLeftButton) return;
    runtime().api().ReleaseCapture();
    runtime().api().SendMessageA(hWnd(), win::WmNcLButtonDown, win::HtCaption, 0);
  }
  void Form_MouseUp(const tk::MouseArgs&) override { ++ups; }
};

TEST_F(SimWindowTest, CaptionDragMovesByTheScriptedOffsetAndKeepsTheRelease) {
  tk::Runtime rt(desktop, api);
  Floating form(rt);
  form.Load();
  form.SetVisible(true);
  const HWnd h = form.hWnd();
  HWnd captureDuringLoop = 0;
  desktop.ScriptDrag(30, -5, [&] { captureDuringLoop = desktop.Capture(); });

  EXPECT_TRUE(desktop.MouseDown(h, tk::kLeftButton, 0, 10, 10));
  EXPECT_EQ(desktop.GetBounds(h), (Rect{56, 21, 106, 71}));
  EXPECT_EQ(captureDuringLoop, h);
  EXPECT_EQ(desktop.Capture(), 0u);
  EXPECT_EQ(api.CallNames(), (std::vector<std::string>{"ReleaseCapture", "SendMessageA"}));
  EXPECT_EQ(api.Calls()[0].result, 1);
  EXPECT_EQ(api.Calls()[1].args, (std::vector<std::int64_t>{h, 0xA1, 2, 0}));
  EXPECT_EQ(api.Calls()[1].result, 0);
  EXPECT_FALSE(desktop.MouseUp(h, tk::kLeftButton, 0, 10, 10)) << "the move loop had it";
  EXPECT_EQ(form.ups, 0);

  EXPECT_TRUE(desktop.MouseDown(h, tk::kLeftButton, 0, 10, 10));
  EXPECT_EQ(desktop.GetBounds(h), (Rect{56, 21, 106, 71})) << "no drag scripted: no move";
  EXPECT_TRUE(desktop.MouseDown(h, tk::kRightButton, 0, 10, 10));
  EXPECT_TRUE(desktop.MouseUp(h, tk::kRightButton, 0, 10, 10));
  EXPECT_EQ(form.ups, 1);
}

TEST_F(SimWindowTest, TwoWorldsShareNothing) {
  World other;
  const HWnd here = Shown({0, 0, 10, 10});
  const HWnd there =
      other.desktop().CreateForm(Look(BorderStyle::None, StartUpPosition::Manual, 10, 10), silent);
  EXPECT_EQ(here, there) << "each world counts its own handles";
  other.desktop().DestroyWindow(there);
  EXPECT_TRUE(desktop.IsVisible(here));
  EXPECT_EQ(other.Live(), LiveCounts{});
}

}  // namespace
}  // namespace rn::sim
