// The forms as loaded: window properties, control places, fonts, tab order.
#include <gtest/gtest.h>

#include "gadget_fixture.h"

namespace rn::testing {
namespace {

using Layout = GadgetTest;

Rect ClientOf(const sim::WindowState& w) {
  const sim::NonClient nc = sim::NonClientOf(w.style.border);
  return {0, 0, w.bounds.Width() - nc.left - nc.right, w.bounds.Height() - nc.top - nc.bottom};
}

TEST_F(Layout, FormsHaveTheirWindowProperties) {
  Start();
  const sim::WindowState& f1 = Window(badge().hWnd());
  EXPECT_EQ(f1.style.caption, "Form1");
  EXPECT_EQ(f1.style.border, BorderStyle::None);
  EXPECT_FALSE(f1.style.showInTaskbar);

  const sim::WindowState& f2 = Window(panel().hWnd());
  EXPECT_EQ(f2.style.caption, "操作パネル");
  EXPECT_EQ(f2.style.border, BorderStyle::FixedToolWindow);
  EXPECT_FALSE(f2.style.showInTaskbar);
  EXPECT_FALSE(f2.style.minButton || f2.style.maxButton);
  EXPECT_EQ(ClientOf(f2), (Rect{0, 0, 350, 56}));

  const sim::WindowState& f3 = Window(dialog().hWnd());
  EXPECT_EQ(f3.style.caption, "設定");
  EXPECT_EQ(f3.style.border, BorderStyle::FixedSingle);
  EXPECT_TRUE(f3.style.closeBox);
  EXPECT_FALSE(f3.style.minButton || f3.style.maxButton);
  EXPECT_TRUE(f3.style.showInTaskbar);
  EXPECT_EQ(f3.style.icon, PictureId::DialogIcon);
  EXPECT_NE(f3.icon.handle, 0u);
  EXPECT_EQ(ClientOf(f3), (Rect{0, 0, 191, 216}));
}

TEST_F(Layout, TheDialogOpensCentredEveryTime) {
  Start();
  for (int round = 0; round < 2; ++round) {
    const Rect r = Bounds(dialog().hWnd());
    EXPECT_EQ(r.left, (1024 - r.Width()) / 2);
    EXPECT_EQ(r.top, (768 - r.Height()) / 2);
    desk.SetBounds(dialog().hWnd(), {0, 0, r.Width(), r.Height()});  // moved away
    program.Unload(dialog());
  }
}

TEST_F(Layout, PanelControlsSitWhereTheTablesPutThem) {
  Start();
  const auto px = [](int twips) { return twips / kTwipsPerPixel; };
  EXPECT_EQ(Bounds(panel().Text1.hWnd()), (Rect{0, 0, px(4455), px(840)}));
  EXPECT_EQ(Bounds(panel().Command1.hWnd()), (Rect{px(4500), px(30), px(5220), px(390)}));
  EXPECT_EQ(Bounds(panel().Command2.hWnd()), (Rect{px(4500), px(450), px(5220), px(810)}));
  EXPECT_EQ(Window(panel().Command1.hWnd()).text, "Clear");
  EXPECT_EQ(Window(panel().Command2.hWnd()).text, "Close");
  const auto font = Window(panel().Text1.hWnd()).font;
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->face, "ＭＳ 明朝");
  EXPECT_EQ(font->points, 36);
  EXPECT_EQ(font->weight, 400);
  EXPECT_EQ(font->charset, 128);
}

TEST_F(Layout, ThePictureCarriersLieBelowThePanelsClientArea) {
  Start();
  const Rect picture = Bounds(panel().Picture1.hWnd());
  EXPECT_EQ(picture, (Rect{16, 64, 66, 114})) << "exactly the bitmap's 50 x 50 pixels";
  EXPECT_GE(Bounds(panel().Image1.hWnd()).top, 56);
  EXPECT_GE(picture.top, 56);
  EXPECT_EQ(panel().Image1.Picture().width, 32);
}

TEST_F(Layout, ThePictureBoxHoldsTheBitmapWhileThePanelWasNeverShown) {
  Start();
  const Handle dc = panel().Picture1.hDC();
  EXPECT_EQ(api.GetPixel(dc, 0, 0), 0x0000FF00u) << "the key colour";
  EXPECT_NE(api.GetPixel(dc, 25, 25), 0x0000FF00u) << "inside the badge";
}

TEST_F(Layout, DialogControlsSitInTheirFramesWithTheirFonts) {
  Start();
  const auto px = [](int twips) { return twips / kTwipsPerPixel; };
  EXPECT_EQ(Window(dialog().Check1.hWnd()).parent, dialog().Frame1.hWnd());
  EXPECT_EQ(Bounds(dialog().Check1.hWnd()), (Rect{px(360), px(240), px(2175), px(615)}));
  EXPECT_EQ(Window(dialog().Check1.hWnd()).text, "常に手前に表示");
  EXPECT_EQ(Window(dialog().Frame2.hWnd()).text, "バージョン情報");
  EXPECT_EQ(Window(dialog().Label1.hWnd()).text, "Ravik N");
  EXPECT_EQ(Window(dialog().Label1.hWnd()).font->face, "ＭＳ Ｐゴシック");
  EXPECT_EQ(Window(dialog().Label1.hWnd()).font->points, 12);
  EXPECT_EQ(Window(dialog().Label2.hWnd()).text, "Ver 1.00");
  EXPECT_EQ(Window(dialog().Label4.hWnd()).text, "In");
  EXPECT_EQ(Window(dialog().Label5.hWnd()).text, "Morvelプロジェクト");
  EXPECT_EQ(Window(dialog().Label5.hWnd()).font->weight, 700);
  EXPECT_EQ(Window(dialog().Image1.hWnd()).picture.handle, Window(dialog().hWnd()).icon.handle);
  const HWnd go = dialog().UserControl11.Command1.hWnd();
  EXPECT_EQ(Window(go).text, "Go HomePage");
  EXPECT_EQ(Window(go).parent, dialog().UserControl11.hWnd());
  EXPECT_EQ(Window(dialog().UserControl11.hWnd()).parent, dialog().Frame2.hWnd());
  // The button lies wholly inside its user control.
  const Rect inner = Bounds(go);
  const Rect outer = Bounds(dialog().UserControl11.hWnd());
  EXPECT_LE(inner.right, outer.Width());
  EXPECT_LE(inner.bottom, outer.Height());
}

TEST_F(Layout, TabVisitsTheCheckBoxOkAndTheLinkInThatOrder) {
  Start();
  std::vector<std::string> visited;
  desk.ScriptModal([&] {
    for (int i = 0; i < 4; ++i) {
      visited.push_back(Window(desk.Focused()).text);
      desk.PressTab();
    }
    desk.RequestClose(dialog().hWnd());
  });
  program.Dispatch([&] { dialog().Show(tk::kModal); });
  EXPECT_EQ(visited,
            (std::vector<std::string>{"常に手前に表示", "OK", "Go HomePage", "常に手前に表示"}));
  EXPECT_TRUE(desk.Errors().empty());
}

TEST_F(Layout, ThePanelsTabOrderStartsAtTheTextBoxOnceThePictureIsHidden) {
  Start();
  program.Dispatch([&] { panel().Show(); });
  EXPECT_EQ(desk.Focused(), panel().Text1.hWnd());
  desk.PressTab();
  EXPECT_EQ(desk.Focused(), panel().Command1.hWnd());
  desk.PressTab();
  EXPECT_EQ(desk.Focused(), panel().Command2.hWnd());
}

}  // namespace
}  // namespace rn::testing
