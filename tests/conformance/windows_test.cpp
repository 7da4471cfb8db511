// Where forms go, how they stack, what a point on the screen hits, how a caption
// drag moves a window, and what is left of a window's handle once it is gone.
#include <algorithm>
#include <tuple>

#include "tests/conformance/conformance.h"

namespace rn::conformance {
namespace {

constexpr std::uint32_t kKeepPlace = win::SwpNoMove | win::SwpNoSize;
constexpr std::uint32_t kSwpNoActivate = 0x0010;
constexpr std::uint32_t kInvalidWindowHandle = 1400;

using DesktopPlacement = DesktopTest;
using DesktopStacking = DesktopTest;
using DesktopHitTest = DesktopTest;
using DesktopPointer = DesktopTest;
using DesktopWindows = DesktopTest;

// The frame a form's border style adds round its client area, left, top, right
// and bottom, in pixels at 96 dpi (Wine 8's metrics).
struct Frame {
  BorderStyle border;
  Rect insets;
};

TEST_F(DesktopPlacement, TheOuterRectangleIsTheClientAreaInItsFrame) {
  for (const Frame& f :
       {Frame{BorderStyle::None, {0, 0, 0, 0}}, Frame{BorderStyle::FixedSingle, {3, 22, 3, 3}},
        Frame{BorderStyle::FixedToolWindow, {3, 19, 3, 3}}}) {
    const HWnd form = Form("form", Request(f.border, 200, 100));
    const Rect outer = desktop.GetBounds(form);
    const Rect client = user.ClientOnScreen(form);
    EXPECT_EQ(outer.left, 0) << "Manual starts at the screen's origin";
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(client.Width(), 200);
    EXPECT_EQ(client.Height(), 100);
    EXPECT_EQ((Rect{client.left - outer.left, client.top - outer.top, outer.right - client.right,
                    outer.bottom - client.bottom}),
              f.insets)
        << "border style " << static_cast<int>(f.border);
    desktop.DestroyWindow(form);
  }
}

TEST_F(DesktopPlacement, ACaptionedFormIsNeverSmallerThanTheSystemsMinimum) {
  for (const BorderStyle border : {BorderStyle::FixedSingle, BorderStyle::FixedToolWindow}) {
    const HWnd form = Form("form", Request(border, 20, 10, StartUpPosition::WindowsDefault));
    const Rect made = desktop.GetBounds(form);
    EXPECT_EQ(made.left, 0) << "WindowsDefault places at the origin, as Manual does";
    EXPECT_EQ(made.top, 0);
    EXPECT_EQ(made.Width(), 116);
    desktop.SetBounds(form, {100, 50, 110, 55});
    EXPECT_EQ(desktop.GetBounds(form), (Rect{100, 50, 216, 77}));
    desktop.DestroyWindow(form);
  }
  const HWnd bare =
      Form("bare", Request(BorderStyle::None, 20, 10, StartUpPosition::WindowsDefault));
  EXPECT_EQ(desktop.GetBounds(bare), (Rect{0, 0, 20, 10}));
  EXPECT_NE(api.SetWindowPos(bare, 0, 10, 10, 5, 5, 0), 0);
  EXPECT_EQ(desktop.GetBounds(bare), (Rect{10, 10, 15, 15}));
}

// Changes with the centring fix: today the Win32 desktop centres on the work area.
TEST_F(DesktopPlacement, CenterScreenCentresTheOuterRectangleOnTheWholeScreen) {
  const HWnd form =
      Form("dialog", Request(BorderStyle::FixedSingle, 200, 100, StartUpPosition::CenterScreen));
  const Rect r = desktop.GetBounds(form);
  const ScreenMetrics screen = desktop.Screen();
  EXPECT_EQ(r.left, (screen.width - r.Width()) / 2);
  EXPECT_EQ(r.top, (screen.height - r.Height()) / 2);
}

TEST_F(DesktopPlacement, ControlsKeepTheirOwnVisibilityAndTheirPlaceInTheirParent) {
  const HWnd form = Form("form", Request(BorderStyle::FixedSingle, 200, 100));
  const HWnd frame = Control(form, "frame", ControlKind::Frame, {5, 5, 90, 90});
  const HWnd button = Control(frame, "button", ControlKind::CommandButton, {10, 20, 40, 30});
  EXPECT_FALSE(desktop.IsVisible(form));
  EXPECT_TRUE(desktop.IsVisible(button)) << "visible within a hidden form";
  EXPECT_EQ(desktop.GetBounds(button), (Rect{10, 20, 40, 30}));

  desktop.SetBounds(form, {100, 50, 306, 175});
  desktop.SetVisible(form, true);
  EXPECT_EQ(desktop.GetBounds(form), (Rect{100, 50, 306, 175}));
  EXPECT_EQ(desktop.GetBounds(button), (Rect{10, 20, 40, 30})) << "the form moved, not the button";
  const Rect client = user.ClientOnScreen(form);
  EXPECT_EQ(user.ClientOnScreen(button),
            (Rect{client.left + 15, client.top + 25, client.left + 45, client.top + 35}));
  desktop.SetVisible(frame, false);
  EXPECT_TRUE(desktop.IsVisible(button)) << "its own flag, whatever its parent's";
  desktop.SetBounds(button, {0, 0, 8, 9});
  EXPECT_EQ(desktop.GetBounds(button), (Rect{0, 0, 8, 9}));
}

TEST_F(DesktopPlacement, AFormShowsItsIconAndItsControlsTheirFontsAndTexts) {
  FormWindowSpec request = Request(BorderStyle::FixedSingle, 200, 100);
  request.icon = PictureId::DialogIcon;
  const HWnd form = Form("form", request);
  const Font mincho{"ＭＳ 明朝", 9, 700, 128};
  const HWnd label = Control(form, "label", ControlKind::Label, {0, 0, 90, 20}, "文字", mincho);
  const HWnd frame = Control(form, "frame", ControlKind::Frame, {0, 30, 90, 90}, "枠", mincho);
  const HWnd plain = Control(form, "plain", ControlKind::Label, {100, 0, 190, 20}, "ラベル");
  desktop.SetVisible(form, true);
  EXPECT_EQ(user.CaptionIcon(form), desktop.LoadPicture(PictureId::DialogIcon).handle);
  for (const HWnd control : {label, frame}) {
    const std::optional<Font> font = user.FontOf(control);
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(std::tie(font->face, font->points, font->weight, font->charset),
              std::tie(mincho.face, mincho.points, mincho.weight, mincho.charset));
  }
  EXPECT_FALSE(user.FontOf(plain).has_value()) << "the system's message font";
  EXPECT_EQ(desktop.GetText(plain), "ラベル");
  EXPECT_EQ(desktop.GetText(frame), "枠");
}

TEST_F(DesktopPlacement, SetWindowPosShowsMovesAndSizes) {
  const HWnd form = Form("form", Request(BorderStyle::None, 10, 10));
  EXPECT_NE(api.SetWindowPos(form, win::HwndTopmost, 7, 7, 1, 1, kKeepPlace | win::SwpShowWindow),
            0);
  EXPECT_TRUE(desktop.IsVisible(form));
  EXPECT_EQ(desktop.GetBounds(form), (Rect{0, 0, 10, 10})) << "place and size are kept";
  EXPECT_NE(api.SetWindowPos(form, 0, 40, 50, 20, 30, 0), 0);
  EXPECT_EQ(desktop.GetBounds(form), (Rect{40, 50, 60, 80}));
  EXPECT_TRUE(user.IsTopmost(form)) << "the top of the band is still in it";
}

TEST_F(DesktopStacking, TheTopmostBandStaysInFrontOfWhateverIsActivatedLater) {
  const HWnd a = Shown("a", {0, 0, 100, 100});
  const HWnd b = Shown("b", {50, 50, 150, 150});
  EXPECT_EQ(user.WindowFromPoint({60, 60}), b) << "the later shown is in front";

  EXPECT_NE(api.SetWindowPos(a, win::HwndTopmost, 0, 0, 0, 0, kKeepPlace | win::SwpShowWindow), 0);
  EXPECT_TRUE(user.IsTopmost(a));
  EXPECT_EQ(user.WindowFromPoint({60, 60}), a);
  desktop.BringToFront(b);
  const HWnd c = Shown("c", {50, 50, 150, 150});
  EXPECT_EQ(user.WindowFromPoint({60, 60}), a) << "nothing outside the band gets ahead";
  EXPECT_EQ(user.FrontToBack({a, b, c}), (std::vector<HWnd>{a, c, b}));

  EXPECT_NE(api.SetWindowPos(a, win::HwndNoTopmost, 0, 0, 0, 0, kKeepPlace | kSwpNoActivate), 0);
  EXPECT_FALSE(user.IsTopmost(a));
  EXPECT_EQ(user.FrontToBack({a, b, c}), (std::vector<HWnd>{a, c, b})) << "first of the others";
  EXPECT_NE(api.SetWindowPos(b, win::HwndNoTopmost, 0, 0, 0, 0, kKeepPlace | kSwpNoActivate), 0);
  EXPECT_EQ(user.FrontToBack({a, b, c}), (std::vector<HWnd>{a, c, b}))
      << "no effect on a window outside the band";
}

Handle RectRegion(WinApi& api, Rect r) {
  const Point points[] = {
      {r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
  const std::int32_t count = 4;
  return api.CreatePolyPolygonRgn(points, &count, 1, win::Winding);
}

TEST_F(DesktopHitTest, PointsOutsideAWindowsRegionReachTheWindowBelow) {
  const HWnd below = Shown("below", {0, 0, 200, 200});
  const HWnd shaped = Shown("shaped", {100, 100, 150, 150});
  ASSERT_NE(api.SetWindowRgn(shaped, RectRegion(api, {0, 0, 10, 50}), 1), 0);
  EXPECT_EQ(user.WindowFromPoint({105, 120}), shaped);
  EXPECT_EQ(user.WindowFromPoint({110, 120}), below) << "the region is in window coordinates";
  EXPECT_EQ(user.WindowFromPoint({200, 120}), 0u);

  ASSERT_NE(api.SetWindowRgn(shaped, 0, 1), 0);
  EXPECT_EQ(user.WindowFromPoint({110, 120}), shaped) << "no region: the whole rectangle";
}

TEST_F(DesktopHitTest, PointsFindTheControlUnlessItIsALabelHiddenOrDisabled) {
  const HWnd form = Shown("form", {0, 0, 100, 100});
  const HWnd button = Control(form, "button", ControlKind::CommandButton, {0, 0, 20, 20});
  Control(form, "label", ControlKind::Label, {30, 0, 50, 20}, "label");
  const HWnd image = Control(form, "image", ControlKind::Image, {60, 0, 80, 20});
  const HWnd frame = Control(form, "frame", ControlKind::Frame, {0, 40, 60, 100});
  const HWnd inFrame = Control(frame, "check", ControlKind::CheckBox, {0, 0, 10, 10});
  const HWnd later = Control(form, "later", ControlKind::CommandButton, {15, 0, 25, 20});
  EXPECT_EQ(user.WindowFromPoint({5, 5}), button);
  EXPECT_EQ(user.WindowFromPoint({17, 5}), later) << "a control lies above those made before it";
  EXPECT_EQ(user.WindowFromPoint({35, 5}), form) << "a label lets the point through";
  EXPECT_EQ(user.WindowFromPoint({65, 5}), image);
  EXPECT_EQ(user.WindowFromPoint({5, 45}), inFrame);
  EXPECT_EQ(user.WindowFromPoint({30, 70}), frame);
  desktop.SetEnabled(button, false);
  EXPECT_EQ(user.WindowFromPoint({5, 5}), form);
  desktop.SetEnabled(frame, false);
  EXPECT_EQ(user.WindowFromPoint({5, 45}), form);
  desktop.SetEnabled(button, true);
  desktop.SetVisible(button, false);
  EXPECT_EQ(user.WindowFromPoint({5, 5}), form);
}

TEST_F(DesktopPointer, ACaptionDragMovesTheWindowAndKeepsTheReleaseForItself) {
  const HWnd badge = Shown("badge", {300, 200, 350, 250});
  std::vector<std::int32_t> results;
  Of(badge).whenPressed = [&](const MouseInput& in) {
    if (in.button != 1) return;
    results.push_back(api.ReleaseCapture());
    results.push_back(api.SendMessageA(badge, win::WmNcLButtonDown, win::HtCaption, 0));
  };
  TakeLog();
  user.Drag(badge, {25, 25}, {20, 10});
  EXPECT_EQ(desktop.GetBounds(badge), (Rect{320, 210, 370, 260}));
  EXPECT_EQ(results, (std::vector<std::int32_t>{1, 0}));
  EXPECT_EQ(TakeLog(), Log{"badge down 1/0 25,25"}) << "the move loop had the release";

  user.Click(badge, {5, 6}, 2);
  EXPECT_EQ(TakeLog(), (Log{"badge down 2/0 5,6", "badge up 2/0 5,6"}));
  user.DoubleClick(badge, {25, 25});
  EXPECT_EQ(TakeLog(), (Log{"badge down 1/0 25,25", "badge double", "badge up 1/0 25,25"}))
      << "the second press is the double click and starts no drag";
}

TEST_F(DesktopWindows, AWindowThatIsGoneIsIgnoredByEveryCall) {
  const HWnd form = Shown("form", {0, 0, 100, 100});
  const HWnd frame = Control(form, "frame", ControlKind::Frame, {0, 0, 50, 50});
  const HWnd box = Control(frame, "box", ControlKind::PictureBox, {0, 0, 10, 10});
  ASSERT_NE(desktop.PictureDC(box), 0u);
  ASSERT_NE(api.SetWindowRgn(form, RectRegion(api, {0, 0, 1, 1}), 1), 0);
  TakeLog();
  desktop.SetFocus(box);
  desktop.DestroyWindow(form);
  EXPECT_EQ(user.Focus(), 0u);
  for (const HWnd gone : {form, frame, box}) {
    EXPECT_EQ(desktop.GetBounds(gone), Rect{});
    EXPECT_FALSE(desktop.IsVisible(gone));
    EXPECT_EQ(desktop.GetText(gone), "");
    desktop.SetText(gone, "x");
    desktop.SetBounds(gone, {1, 2, 3, 4});
    desktop.SetVisible(gone, true);
    desktop.SetEnabled(gone, true);
    desktop.SetFocus(gone);
    desktop.BringToFront(gone);
    desktop.DestroyWindow(gone);
    EXPECT_EQ(desktop.PictureDC(gone), 0u);
    EXPECT_EQ(desktop.CreateControl(gone, ControlWindowSpec{}, Of(form)), 0u);
    EXPECT_EQ(desktop.TrackPopupMenu(gone, {"x"}, 0), -1);
    EXPECT_EQ(api.SetWindowPos(gone, win::HwndTopmost, 0, 0, 0, 0, kKeepPlace), 0);
    EXPECT_EQ(api.LastDllError(), kInvalidWindowHandle);
    EXPECT_EQ(api.SendMessageA(gone, win::WmNcLButtonDown, win::HtCaption, 0), 0);
    EXPECT_EQ(api.LastDllError(), kInvalidWindowHandle);
    EXPECT_EQ(api.SetWindowRgn(gone, 0, 1), 0);
  }
  EXPECT_EQ(user.Focus(), 0u);
  EXPECT_EQ(TakeLog(), Log{"box focus"}) << "nothing of the windows that are gone";
}

}  // namespace
}  // namespace rn::conformance
