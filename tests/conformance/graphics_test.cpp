// The pictures a desktop loads and keeps, the memory DCs and bitmaps the gadget
// reads them through, and the regions it outlines its window with.
#include "platform/picture_decoder.h"
#include "platform/toolkit.h"
#include "tests/conformance/conformance.h"

namespace rn::conformance {
namespace {

class DesktopPictures : public DesktopTest {
 protected:
  DesktopPictures() {
    box = Control(form, "box", ControlKind::PictureBox, {0, 100, 50, 150});
    desktop.SetPicture(box, desktop.LoadPicture(PictureId::ShapeBitmap));
  }

  struct Copy {
    Handle dc = 0;
    Handle bitmap = 0;
    Handle replaced = 0;
  };
  // The gadget's way to a bitmap it can read: a memory DC and a bitmap, both
  // compatible with the picture box, and a copy of the picture.
  Copy CopyPicture() {
    const Handle source = desktop.PictureDC(box);
    Copy c{api.CreateCompatibleDC(source), api.CreateCompatibleBitmap(source, 50, 50)};
    c.replaced = api.SelectObject(c.dc, c.bitmap);
    EXPECT_NE(api.BitBlt(c.dc, 0, 0, 50, 50, source, 0, 0, win::SrcCopy), 0);
    return c;
  }
  void ExpectPixels(Handle dc, const std::function<ColorRef(int, int)>& expected) {
    for (int y = 0; y < badge.height; ++y) {
      for (int x = 0; x < badge.width; ++x) {
        ASSERT_EQ(api.GetPixel(dc, x, y), expected(x, y)) << "at " << x << "," << y;
      }
    }
  }
  ColorRef Badge(int x, int y) const { return badge.At(x, y); }

  const art::Image badge = art::DecodeBmp(art::ReadFileBytes(user.ArtDirectory() / "badge.bmp"));
  HWnd form = Form("form", Request(BorderStyle::None, 100, 200));
  HWnd box = 0;
};

using DesktopRegions = DesktopTest;

TEST_F(DesktopPictures, EachPictureIsLoadedOnceInItsOwnSize) {
  const Picture shape = desktop.LoadPicture(PictureId::ShapeBitmap);
  const Picture tray = desktop.LoadPicture(PictureId::TrayIcon);
  const Picture dialog = desktop.LoadPicture(PictureId::DialogIcon);
  EXPECT_EQ((std::vector<std::int32_t>{shape.width, shape.height, tray.width, tray.height,
                                       dialog.width, dialog.height}),
            (std::vector<std::int32_t>{50, 50, 32, 32, 32, 32}));
  EXPECT_NE(tray.handle, dialog.handle);
  EXPECT_EQ(desktop.LoadPicture(PictureId::ShapeBitmap).handle, shape.handle);
}

TEST_F(DesktopPictures, TheToolkitsPictureBoxTakesItsPicturesSize) {
  tk::Runtime rt(desktop, api, desktop.Files());
  tk::FormLayout layout;
  layout.border = BorderStyle::None;
  layout.clientWidth = layout.clientHeight = 3000;
  tk::Form owner(rt, layout);
  tk::ControlLayout boxLayout;
  boxLayout.kind = ControlKind::PictureBox;
  boxLayout.top = 1500;
  boxLayout.width = boxLayout.height = 150;
  boxLayout.picture = PictureId::ShapeBitmap;
  boxLayout.autoSize = true;
  tk::PictureBox sized(owner, boxLayout);
  owner.Load();
  EXPECT_EQ(desktop.GetBounds(sized.hWnd()), (Rect{0, 100, 50, 150}));
  EXPECT_EQ(api.GetPixel(sized.hDC(), 49, 49), Badge(49, 49));
}

TEST_F(DesktopPictures, APictureBoxHoldsItsPictureInAMemoryDcBeforeItIsEverShown) {
  ASSERT_FALSE(desktop.IsVisible(form));
  const Handle dc = desktop.PictureDC(box);
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(desktop.PictureDC(box), dc) << "one image per box";
  EXPECT_EQ(api.GetPixel(dc, 0, 0), 0x0000FF00u) << "the key colour, exactly";
  ExpectPixels(dc, [&](int x, int y) { return Badge(x, y); });
  EXPECT_EQ(api.GetPixel(dc, 50, 0), win::ClrInvalid);
  EXPECT_EQ(api.GetPixel(dc, 0, -1), win::ClrInvalid);
}

TEST_F(DesktopPictures, ACopyThroughAMemoryDcKeepsEveryPixel) {
  const Copy c = CopyPicture();
  ASSERT_NE(c.dc, 0u);
  ASSERT_NE(c.bitmap, 0u);
  EXPECT_NE(c.replaced, 0u) << "a fresh DC holds the stock bitmap";
  ExpectPixels(c.dc, [&](int x, int y) { return Badge(x, y); });
}

TEST_F(DesktopPictures, ABitmapMadeForAFreshMemoryDcIsBlackAndWhite) {
  const Handle source = desktop.PictureDC(box);
  const Handle dc = api.CreateCompatibleDC(source);
  api.SelectObject(dc, api.CreateCompatibleBitmap(dc, 50, 50));
  api.BitBlt(dc, 0, 0, 50, 50, source, 0, 0, win::SrcCopy);
  ExpectPixels(dc, [&](int x, int y) { return Badge(x, y) == 0xFFFFFFu ? 0xFFFFFFu : 0u; });
}

TEST_F(DesktopPictures, CopiesAreClippedToTheBitmapsAndOverlapsAreNotSmeared) {
  const Copy c = CopyPicture();
  EXPECT_NE(api.BitBlt(c.dc, 10, 7, 500, 500, c.dc, 0, 0, win::SrcCopy), 0);
  ExpectPixels(
      c.dc, [&](int x, int y) { return x >= 10 && y >= 7 ? Badge(x - 10, y - 7) : Badge(x, y); });
  EXPECT_NE(api.BitBlt(c.dc, 60, 0, 5, 5, desktop.PictureDC(box), 0, 0, win::SrcCopy), 0)
      << "all outside: nothing to copy, and no harm";
  EXPECT_NE(api.BitBlt(c.dc, 0, 0, 5, 5, desktop.PictureDC(box), -20, 0, win::SrcCopy), 0);
  EXPECT_EQ(api.GetPixel(c.dc, 0, 0), Badge(0, 0));
}

TEST_F(DesktopPictures, ABitmapIsInOneDcAtATimeAndFreedAfterIt) {
  const Copy c = CopyPicture();
  const Handle other = api.CreateCompatibleDC(0);
  EXPECT_EQ(api.SelectObject(other, c.bitmap), 0u) << "selected elsewhere already";
  EXPECT_NE(api.DeleteDC(other), 0);
  EXPECT_EQ(api.SelectObject(c.dc, c.replaced), c.bitmap);
  EXPECT_NE(api.DeleteDC(c.dc), 0);
  EXPECT_NE(api.DeleteObject(c.bitmap), 0);
  EXPECT_EQ(api.DeleteObject(c.bitmap), 0) << "a second delete finds nothing";
  EXPECT_EQ(api.GetPixel(c.dc, 0, 0), win::ClrInvalid);

  const Copy early = CopyPicture();
  EXPECT_NE(api.DeleteObject(early.bitmap), 0) << "put off while it is selected";
  EXPECT_EQ(api.GetPixel(early.dc, 0, 0), Badge(0, 0));
  EXPECT_NE(api.DeleteDC(early.dc), 0);
  EXPECT_EQ(api.DeleteObject(early.bitmap), 0) << "gone with its DC";
  EXPECT_EQ(api.CreateCompatibleBitmap(desktop.PictureDC(box), 0, 5), c.replaced)
      << "an empty size gets the stock bitmap";
  EXPECT_NE(api.DeleteObject(c.replaced), 0) << "which survives being deleted";
  const Handle dc = api.CreateCompatibleDC(0);
  EXPECT_EQ(api.SelectObject(dc, api.CreateCompatibleBitmap(dc, 1, 1)), c.replaced);
}

// Rows of a shape, one four-point polygon per run of pixels, as the gadget makes them.
struct Rows {
  std::vector<Point> points;
  std::vector<std::int32_t> counts;
  Rows& Run(std::int32_t from, std::int32_t to, std::int32_t row) {
    points.insert(points.end(), {{from, row}, {to, row}, {to, row + 1}, {from, row + 1}});
    counts.push_back(4);
    return *this;
  }
  Handle Create(WinApi& api, std::int32_t mode = win::Winding) {
    return api.CreatePolyPolygonRgn(points.data(), counts.data(),
                                    static_cast<std::int32_t>(counts.size()), mode);
  }
};

TEST_F(DesktopRegions, ARegionHoldsItsRowsButNotTheirRightAndBottomEdges) {
  const Handle region = Rows().Run(2, 5, 0).Run(0, 7, 1).Run(3, 4, 2).Create(api);
  ASSERT_NE(region, 0u);
  EXPECT_TRUE(user.RegionContains(region, {2, 0}));
  EXPECT_TRUE(user.RegionContains(region, {0, 1}));
  EXPECT_FALSE(user.RegionContains(region, {1, 0}));
  EXPECT_FALSE(user.RegionContains(region, {5, 0})) << "the right edge is outside";
  EXPECT_FALSE(user.RegionContains(region, {3, 3})) << "the bottom edge is outside";
  EXPECT_NE(api.DeleteObject(region), 0);
}

TEST_F(DesktopRegions, OverlapsFollowTheFillMode) {
  constexpr std::int32_t kAlternate = 1;
  Rows rows;
  rows.Run(0, 4, 0).Run(2, 6, 0);
  const Handle winding = rows.Create(api, win::Winding);
  const Handle alternate = rows.Create(api, kAlternate);
  EXPECT_TRUE(user.RegionContains(winding, {3, 0}));
  EXPECT_FALSE(user.RegionContains(alternate, {3, 0}));
  EXPECT_TRUE(user.RegionContains(alternate, {1, 0}));
  // Drawn the other way round, a rectangle winds the other way and cancels.
  const std::vector<Point> both{{0, 0}, {4, 0}, {4, 1}, {0, 1}, {0, 0}, {0, 1}, {4, 1}, {4, 0}};
  const std::vector<std::int32_t> counts{4, 4};
  const Handle cancelled = api.CreatePolyPolygonRgn(both.data(), counts.data(), 2, win::Winding);
  EXPECT_FALSE(user.RegionContains(cancelled, {1, 0}));
}

TEST_F(DesktopRegions, AWindowOwnsTheRegionItIsGiven) {
  const HWnd form = Shown("form", {0, 0, 50, 50});
  const HWnd other = Shown("other", {100, 0, 150, 50});
  const Handle region = Rows().Run(0, 5, 0).Create(api);
  ASSERT_NE(api.SetWindowRgn(form, region, 1), 0);
  EXPECT_EQ(api.DeleteObject(region), 0) << "the window's, no longer the gadget's to delete";
  EXPECT_EQ(api.SetWindowRgn(other, region, 1), 0) << "one owner at a time";
  EXPECT_EQ(api.SetWindowRgn(other, 0xBAD0, 1), 0) << "no region at all";
  EXPECT_EQ(user.WindowFromPoint({110, 20}), other);
}

}  // namespace
}  // namespace rn::conformance
