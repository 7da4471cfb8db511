// The forms as loaded: the layout tables reach the windows at every scale; the
// pictures, the centring and the tab order, which the tables do not say.
#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>

#include "gadget_fixture.h"

namespace rn::testing {
namespace {

using Layout = GadgetTest;

auto Fields(const Font& f) { return std::tie(f.face, f.points, f.weight, f.charset); }

// A control's window beside the table it was made from, and the window it must sit in.
struct Placed {
  tk::Control& control;
  const tk::ControlLayout& table;
  HWnd parent;
};

void ExpectFormFromTable(sim::SimDesktop& desk, tk::Form& form, const tk::FormLayout& table) {
  SCOPED_TRACE(table.caption);
  const FormWindowSpec& made = desk.Find(form.hWnd())->style;
  EXPECT_EQ(made.caption, table.caption);
  EXPECT_EQ(made.border, table.border);
  EXPECT_EQ(made.closeBox, table.closeBox);
  EXPECT_EQ(made.minButton, table.minButton);
  EXPECT_EQ(made.maxButton, table.maxButton);
  EXPECT_EQ(made.showInTaskbar, table.showInTaskbar);
  EXPECT_EQ(made.icon, table.icon);
}

void ExpectClientFromTable(sim::SimDesktop& desk, tk::Form& form, const tk::FormLayout& table) {
  EXPECT_EQ(desk.GetClientRect(form.hWnd()),
            (Rect{0, 0, form.ToPixels(table.clientWidth), form.ToPixels(table.clientHeight)}))
      << table.caption;
}

void ExpectControlsFromTables(sim::SimDesktop& desk, tk::Form& form,
                              std::initializer_list<Placed> controls) {
  for (const Placed& c : controls) {
    const tk::ControlLayout& t = c.table;
    SCOPED_TRACE(t.caption.empty() ? std::to_string(t.left) + "," + std::to_string(t.top)
                                   : t.caption);
    const sim::WindowState& w = *desk.Find(c.control.hWnd());
    EXPECT_EQ(w.bounds, (Rect{form.ToPixels(t.left), form.ToPixels(t.top),
                              form.ToPixels(t.left + t.width), form.ToPixels(t.top + t.height)}));
    EXPECT_EQ(w.parent, c.parent);
    EXPECT_EQ(w.kind, KindOf(t.kind));
    EXPECT_EQ(w.text, t.caption);
    ASSERT_EQ(w.font.has_value(), t.font.has_value());
    if (t.font) {
      EXPECT_EQ(Fields(*w.font), Fields(*t.font));
    }
  }
}

// The tables are the one statement of the forms: what reaches the windows is
// checked against them at the system's scale and at twice it.
TEST(LayoutTables, ReachTheWindowsThroughTheToolkitsConversion) {
  for (const std::int32_t dpi : {96, 192}) {
    SCOPED_TRACE(dpi);
    sim::World world({.screen = {1024, 768, dpi}});
    sim::SimDesktop& desk = world.desktop();
    Program program(desk, world.api(), world.files());
    program.Start();
    ExpectFormFromTable(desk, program.Form1(), layout::kForm1);

    Form2& f2 = program.Form2();
    ExpectFormFromTable(desk, f2, layout::kForm2);
    ExpectClientFromTable(desk, f2, layout::kForm2);
    namespace p = layout::form2;
    ExpectControlsFromTables(desk, f2,
                             {{f2.Text1, p::Text1, f2.hWnd()},
                              {f2.Command1, p::Command1, f2.hWnd()},
                              {f2.Command2, p::Command2, f2.hWnd()},
                              {f2.Picture1, p::Picture1, f2.hWnd()},
                              {f2.Image1, p::Image1, f2.hWnd()}});

    Form3& f3 = program.Form3();
    ExpectFormFromTable(desk, f3, layout::kForm3);
    ExpectClientFromTable(desk, f3, layout::kForm3);
    namespace d = layout::form3;
    const HWnd frame2 = f3.Frame2.hWnd();
    ExpectControlsFromTables(
        desk, f3,
        {{f3.Frame1, d::Frame1, f3.hWnd()},
         {f3.Check1, d::Check1, f3.Frame1.hWnd()},
         {f3.Frame2, d::Frame2, f3.hWnd()},
         {f3.Image1, d::Image1, frame2},
         {f3.Label1, d::Label1, frame2},
         {f3.Label2, d::Label2, frame2},
         {f3.Label4, d::Label4, frame2},
         {f3.Label5, d::Label5, frame2},
         {f3.UserControl11, d::UserControl11, frame2},
         {f3.UserControl11.Command1, layout::user_control1::Command1, f3.UserControl11.hWnd()},
         {f3.Command1, d::Command1, f3.hWnd()}});
  }
}

TEST_F(Layout, TheDialogShowsTheIconItCarriesAndTheLinkLiesInsideItsControl) {
  Start();
  EXPECT_NE(Window(dialog().hWnd()).icon.handle, 0u);
  EXPECT_EQ(Window(dialog().Image1.hWnd()).picture.handle, Window(dialog().hWnd()).icon.handle);
  const Rect inner = Bounds(dialog().UserControl11.Command1.hWnd());
  const Rect outer = Bounds(dialog().UserControl11.hWnd());
  EXPECT_LE(inner.right, outer.Width());
  EXPECT_LE(inner.bottom, outer.Height());
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

TEST_F(Layout, ThePictureCarriersLieBelowThePanelsClientArea) {
  Start();
  const Rect picture = Bounds(panel().Picture1.hWnd());
  EXPECT_EQ(picture, (Rect{16, 64, 66, 114})) << "exactly the bitmap's 50 x 50 pixels";
  EXPECT_GE(Bounds(panel().Image1.hWnd()).top, 56);
  EXPECT_GE(picture.top, 56);
  EXPECT_EQ(panel().Image1.Picture().width, 32);
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

// A box inside the client area and one below its edge, which comes first in
// the tab order: the second one's window is made only when the form is shown.
tk::ControlLayout TextBoxAt(tk::Twips top, int tabIndex) {
  tk::ControlLayout layout;
  layout.kind = ControlKind::TextBox;
  layout.top = top;
  layout.width = 1500;
  layout.height = 300;
  layout.tabIndex = tabIndex;
  return layout;
}

tk::FormLayout ClientOf(tk::Twips width, tk::Twips height) {
  tk::FormLayout layout;
  layout.clientWidth = width;
  layout.clientHeight = height;
  return layout;
}

class BoxBelowTheEdge : public tk::Form {
 public:
  explicit BoxBelowTheEdge(tk::Runtime& rt) : tk::Form(rt, ClientOf(1500, 600)) {}
  tk::TextBox inside{*this, TextBoxAt(0, 1)};
  tk::TextBox below{*this, TextBoxAt(600, 0)};
};

TEST(ControlsOutOfSight, TakeTheirPlaceInTheTabOrderWhenTheFormIsShown) {
  sim::World w;
  tk::Runtime rt{w.desktop(), w.api(), w.files()};
  BoxBelowTheEdge form{rt};
  form.Load();
  rt.Dispatch([&] { form.Show(); });
  EXPECT_EQ(w.desktop().Focused(), form.below.hWnd());
  w.desktop().PressTab();
  EXPECT_EQ(w.desktop().Focused(), form.inside.hWnd());
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
