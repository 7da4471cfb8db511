// What only the simulated desktop has, for the tests that run the gadget on it:
// the record of the platform calls, injected failures and hooks, the live counts
// behind the leak checks, the scripts and what they refuse, the records of
// icons, menus, addresses and reports, and worlds that share nothing. How the
// desktop itself behaves is the conformance suite's (tests/conformance).
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/sim/world.h"
#include "platform/toolkit.h"

namespace rn::sim {
namespace {

class Silent final : public WindowEvents {};

// A borderless form with the badge in a picture box, like the gadget's shape source.
class PictureForm : public tk::Form {
 public:
  explicit PictureForm(tk::Runtime& rt) : tk::Form(rt, Layout()) {}
  tk::PictureBox box{*this, Box()};

 protected:
  // The gadget's floating window: a left press drags it like a caption.
  void Form_MouseDown(const tk::MouseArgs& args) override {
    if (args.Button != tk::kLeftButton) return;
    runtime().api().ReleaseCapture();
    runtime().api().SendMessageA(hWnd(), win::WmNcLButtonDown, win::HtCaption, 0);
  }

 private:
  static tk::FormLayout Layout() {
    tk::FormLayout layout;
    layout.border = BorderStyle::None;
    layout.clientWidth = layout.clientHeight = 750;
    return layout;
  }
  static tk::ControlLayout Box() {
    tk::ControlLayout layout;
    layout.kind = ControlKind::PictureBox;
    layout.width = layout.height = 150;
    layout.picture = PictureId::ShapeBitmap;
    layout.autoSize = true;
    return layout;
  }
};

class SimWorld : public ::testing::Test {
 protected:
  SimWorld() { form.Load(); }

  struct Copy {
    Handle dc = 0;
    Handle bitmap = 0;
  };
  Copy CopyPicture() {
    const Handle source = form.box.hDC();
    Copy c{api.CreateCompatibleDC(source), api.CreateCompatibleBitmap(source, 50, 50)};
    api.SelectObject(c.dc, c.bitmap);
    api.BitBlt(c.dc, 0, 0, 50, 50, source, 0, 0, win::SrcCopy);
    return c;
  }
  NotifyRecordBytes Record(std::uint32_t flags, std::uint32_t id = 0) {
    NotifyIconRecord r;
    r.cbSize = kNotifyRecordBytes;
    r.hWnd = form.hWnd();
    r.uID = id;
    r.uFlags = flags;
    r.uCallbackMessage = win::WmMouseMove;
    r.hIcon = desktop.LoadPicture(PictureId::TrayIcon).handle;
    r.SetTip(std::u16string(u"Ravik N") + u'\0');
    return ToAnsiForm(r);
  }

  World world;
  SimDesktop& desktop = world.desktop();
  SimApi& api = world.api();
  tk::Runtime rt{desktop, api, desktop.Files()};
  PictureForm form{rt};
};

TEST_F(SimWorld, TheRecordKeepsEveryCallWithItsArgumentsAndResultAndTheDragItsScript) {
  form.SetVisible(true);
  const HWnd h = form.hWnd();
  HWnd captureDuringLoop = 0;
  desktop.ScriptDrag(30, -5, [&] { captureDuringLoop = desktop.Capture(); });
  api.ClearCalls();
  EXPECT_TRUE(desktop.MouseDown(h, tk::kLeftButton, 0, 10, 10));
  EXPECT_EQ(desktop.GetBounds(h), (Rect{30, -5, 80, 45}));
  EXPECT_EQ(captureDuringLoop, h) << "the move loop holds the mouse";
  EXPECT_EQ(api.CallNames(), (std::vector<std::string>{"ReleaseCapture", "SendMessageA"}));
  EXPECT_EQ(api.Calls()[1].args, (std::vector<std::int64_t>{h, 0xA1, 2, 0}));
  EXPECT_EQ(api.Calls()[1].result, 0);
  EXPECT_FALSE(desktop.MouseUp(h, tk::kLeftButton, 0, 10, 10));
  EXPECT_TRUE(desktop.MouseDown(h, tk::kLeftButton, 0, 10, 10));
  EXPECT_EQ(desktop.GetBounds(h), (Rect{30, -5, 80, 45})) << "no drag scripted: no move";

  const std::vector<Point> points{{0, 0}, {4, 0}, {4, 1}, {0, 1}};
  const std::int32_t count = 4;
  api.CreatePolyPolygonRgn(points.data(), &count, 1, win::Winding);
  EXPECT_EQ(api.CallsNamed("CreatePolyPolygonRgn").front().args,
            (std::vector<std::int64_t>{1, win::Winding}));
  api.SetRecording(false);
  api.GetPixel(form.box.hDC(), 0, 0);
  EXPECT_EQ(api.CountOf("GetPixel"), 0u);
}

TEST_F(SimWorld, HooksRunAsTheCallBeginsAndTheirCallsComeAfterIt) {
  api.ClearCalls();
  api.OnCall("DeleteDC", [&] { api.GetPixel(0, 0, 0); });
  const Handle dc = api.CreateCompatibleDC(0);
  api.DeleteDC(dc);
  EXPECT_EQ(api.CallNames(),
            (std::vector<std::string>{"CreateCompatibleDC", "DeleteDC", "GetPixel"}));
  EXPECT_EQ(api.Calls()[1].result, 1);
  EXPECT_EQ(api.Calls()[2].result, std::int64_t{win::ClrInvalid});
  EXPECT_EQ(api.LastDllError(), 0u) << "the outer call's error is the last";
}

TEST_F(SimWorld, TheLiveCountsSeeALeakButNotTheDesktopsOwnObjects) {
  api.SetRecording(false);
  for (int i = 0; i < 200; ++i) {
    const Copy c = CopyPicture();
    ASSERT_EQ(api.DeleteDC(c.dc), 1);
    ASSERT_EQ(api.DeleteObject(c.bitmap), 1);
  }
  desktop.LoadPicture(PictureId::DialogIcon);
  EXPECT_EQ(world.Live(), LiveCounts{.windows = 2}) << "pictures and images are the desktop's";
  const Copy leaked = CopyPicture();
  EXPECT_EQ(api.DeleteDC(leaked.dc), 1);
  EXPECT_EQ(world.Live(), (LiveCounts{.windows = 2, .bitmaps = 1}));
  EXPECT_EQ(api.CreateCompatibleBitmap(form.box.hDC(), 0, 5), world.gdi().StockBitmap());
  EXPECT_EQ(world.Live().bitmaps, 1) << "the stock bitmap is never a leak";
  // Windows would let the gadget free them and fail later; here it is refused at once.
  EXPECT_EQ(api.DeleteDC(form.box.hDC()), 0);
  EXPECT_EQ(api.DeleteObject(form.box.Picture().handle), 0);

  const std::vector<Point> points{{0, 0}, {4, 0}, {4, 1}, {0, 1}};
  const std::int32_t count = 4;
  const Handle region = api.CreatePolyPolygonRgn(points.data(), &count, 1, win::Winding);
  EXPECT_EQ(world.Live().regions, 1);
  ASSERT_EQ(api.SetWindowRgn(form.hWnd(), region, 1), 1);
  EXPECT_EQ(world.Live().regions, 0);
  EXPECT_EQ(world.Live().ownedRegions, 1);
  EXPECT_EQ(desktop.WindowRegion(form.hWnd()), (std::vector<Rect>{{0, 0, 4, 1}}));
  rt.Unload(form);
  EXPECT_EQ(world.Live(), (LiveCounts{.bitmaps = 1})) << "the form took its image and region";
}

TEST_F(SimWorld, ScriptsThatCannotGoOnAreTestErrors) {
  tk::Form modal(rt, tk::FormLayout{});
  modal.Load();
  EXPECT_THROW(modal.Show(tk::kModal), std::logic_error);
  EXPECT_EQ(desktop.ModalDepth(), 0);
  tk::Form another(rt, tk::FormLayout{});
  another.Load();
  rt.Dispatch([&] { another.Show(tk::kModal); });
  ASSERT_EQ(desktop.Errors().size(), 1u);
  EXPECT_NE(desktop.Errors()[0].find("RunModalLoop"), std::string::npos);

  desktop.ScriptMenu(1);
  EXPECT_THROW(desktop.TrackPopupMenu(form.hWnd(), {"a", "-", "b"}, 0), std::logic_error)
      << "a separator cannot be chosen";
  EXPECT_EQ(world.Live().menus, 0);

  EXPECT_THROW(desktop.ClickIcon(win::WmLButtonDblClk), std::logic_error) << "no icon";
  api.Shell_NotifyIconA(win::NimAdd, Record(win::NifIcon));
  EXPECT_FALSE(desktop.ClickIcon(win::WmLButtonDblClk)) << "an icon without a callback";
  api.Shell_NotifyIconA(win::NimAdd, Record(win::NifMessage, 1));
  EXPECT_THROW(desktop.ClickIcon(win::WmLButtonDblClk), std::logic_error) << "which one?";
  EXPECT_FALSE(desktop.Type(form.box.hWnd(), "x")) << "only a text box is typed into";
}

TEST_F(SimWorld, IconsMenusAddressesAndReportsAreRecorded) {
  ASSERT_EQ(
      api.Shell_NotifyIconA(win::NimAdd, Record(win::NifMessage | win::NifIcon | win::NifTip)), 1);
  ASSERT_EQ(desktop.Icons().size(), 1u);
  EXPECT_EQ(desktop.Icons()[0].tip, "Ravik N");
  EXPECT_EQ(desktop.Icons()[0].icon, desktop.LoadPicture(PictureId::TrayIcon).handle);
  EXPECT_EQ(api.CallsNamed("Shell_NotifyIconA").front().record,
            Record(win::NifMessage | win::NifIcon | win::NifTip));

  desktop.ScriptMenu(2);
  EXPECT_EQ(desktop.TrackPopupMenu(form.hWnd(), {"a", "-", "b"}, tk::kPopupRightButton), 2);
  ASSERT_EQ(desktop.Menus().size(), 1u);
  EXPECT_EQ(desktop.Menus()[0].owner, form.hWnd());
  EXPECT_EQ(desktop.Menus()[0].flags, tk::kPopupRightButton);
  EXPECT_EQ(desktop.Menus()[0].chosen, 2);

  tk::Hyperlink link(desktop);
  link.NavigateTo("https://example.org/ravik", "about");
  EXPECT_EQ(desktop.Urls(), std::vector<std::string>{"https://example.org/ravik#about"});
  EXPECT_THROW(link.NavigateTo("C:\\nowhere.html"), tk::RuntimeError) << "no such file";
}

TEST_F(SimWorld, TheDiskHasOneDriveGivesReadsInThePiecesAskedForAndCountsItsStreams) {
  SimFiles& files = world.files();
  files.PutFile("Ravik.ini", "0123456789");
  EXPECT_THROW(files.OpenInput("D:\\Ravik.ini"), tk::RuntimeError);
  files.SetReadChunk(3);
  const std::unique_ptr<InputStream> in = files.OpenInput("Ravik.ini");
  char buffer[8];
  EXPECT_EQ(in->Read(buffer, sizeof(buffer)), 3u);
  EXPECT_EQ(files.OpenStreams(), 1);
  const std::unique_ptr<OutputStream> out = files.OpenOutput("Other.ini");
  out->Commit();
  EXPECT_THROW(out->Write("late"), std::logic_error) << "a gadget's fault, not the disk's";
  EXPECT_EQ(files.OpenStreams(), 2);
}

TEST(SimWorlds, TwoWorldsShareNothing) {
  World one;
  World other;
  Silent silent;
  const HWnd here = one.desktop().CreateForm({}, silent);
  const HWnd there = other.desktop().CreateForm({}, silent);
  EXPECT_EQ(here, there) << "each world counts its own handles";
  other.desktop().DestroyWindow(there);
  EXPECT_EQ(one.Live().windows, 1);
  EXPECT_EQ(other.Live(), LiveCounts{});
}

}  // namespace
}  // namespace rn::sim
