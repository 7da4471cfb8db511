// The simulated graphics objects: pictures, memory DCs, copies, pixel reads,
// regions, the ownership rules behind the leak counters, and the call record.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "forms/art/artwork.h"
#include "platform/sim/world.h"
#include "platform/toolkit.h"

namespace rn::sim {
namespace {

art::Image Badge() {
  return art::DecodeBmp(art::ReadFileBytes(std::filesystem::path(RN_ART_DIR) / "badge.bmp"));
}

tk::FormLayout Borderless() {
  tk::FormLayout layout;
  layout.caption = "Pictures";
  layout.border = BorderStyle::None;
  return layout;
}

// Outside the client area and sized by its picture, like the gadget's shape source.
tk::ControlLayout BadgeBox() {
  tk::ControlLayout layout;
  layout.kind = ControlKind::PictureBox;
  layout.top = 1500;
  layout.width = layout.height = 150;
  layout.tabIndex = 0;
  layout.picture = PictureId::ShapeBitmap;
  layout.autoSize = true;
  return layout;
}

class PictureForm : public tk::Form {
 public:
  explicit PictureForm(tk::Runtime& rt) : tk::Form(rt, Borderless()) {}
  tk::PictureBox box{*this, BadgeBox()};
};

class SimGdiTest : public ::testing::Test {
 protected:
  SimGdiTest() { form.Load(); }

  // The gadget's way to a bitmap it can read: a memory DC and a bitmap, both
  // compatible with the picture box, and a copy of the picture.
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

  void ExpectPixelsOf(Handle dc, const art::Image& image) {
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        ASSERT_EQ(api.GetPixel(dc, x, y), image.At(x, y)) << "at " << x << "," << y;
      }
    }
  }

  World world;
  SimApi& api = world.api();
  tk::Runtime rt{world.desktop(), world.api()};
  PictureForm form{rt};
  const art::Image badge = Badge();
};

TEST_F(SimGdiTest, PictureBoxDcHoldsTheBadgeWhileItsFormWasNeverShown) {
  ASSERT_FALSE(form.Visible());
  const Handle dc = form.box.hDC();
  ASSERT_NE(dc, 0u);
  EXPECT_EQ(dc, form.box.hDC()) << "one persistent image per box";
  EXPECT_EQ(form.box.Picture().width, 50);
  EXPECT_EQ(form.box.Picture().height, 50);
  EXPECT_EQ(world.desktop().GetBounds(form.box.hWnd()).Width(), 50) << "auto-sized to the picture";
  EXPECT_EQ(api.GetPixel(dc, 0, 0), 0x0000FF00u);
  ExpectPixelsOf(dc, badge);
  EXPECT_EQ(api.GetPixel(dc, 50, 0), win::ClrInvalid);
  EXPECT_EQ(api.GetPixel(dc, 0, -1), win::ClrInvalid);
  EXPECT_NE(api.LastDllError(), 0u);
}

TEST_F(SimGdiTest, PicturesAreLoadedOncePerDesktop) {
  SimDesktop& desktop = world.desktop();
  const Picture again = desktop.LoadPicture(PictureId::ShapeBitmap);
  EXPECT_EQ(again.handle, form.box.Picture().handle);
  const Picture tray = desktop.LoadPicture(PictureId::TrayIcon);
  const Picture dialog = desktop.LoadPicture(PictureId::DialogIcon);
  EXPECT_NE(tray.handle, dialog.handle);
  EXPECT_EQ(dialog.width, 32);
  EXPECT_EQ(dialog.height, 32);
  World other;
  EXPECT_NE(other.desktop().LoadPicture(PictureId::DialogIcon).handle, 0u);
  EXPECT_EQ(world.Live(), LiveCounts{.windows = 2}) << "pictures are the desktop's, not leaks";
}

TEST_F(SimGdiTest, CopyThroughAMemoryDcKeepsEveryPixel) {
  const Copy c = CopyPicture();
  ASSERT_NE(c.dc, 0u);
  ASSERT_NE(c.bitmap, 0u);
  EXPECT_EQ(api.CallNames(),
            (std::vector<std::string>{"CreateCompatibleDC", "CreateCompatibleBitmap",
                                      "SelectObject", "BitBlt"}));
  EXPECT_EQ(api.Calls()[2].result, world.gdi().StockBitmap()) << "a fresh DC holds the stock";
  EXPECT_EQ(api.Calls()[3].result, 1);
  ExpectPixelsOf(c.dc, badge);
}

TEST_F(SimGdiTest, BitmapCompatibleWithAFreshMemoryDcIsMonochrome) {
  const Handle dc = api.CreateCompatibleDC(form.box.hDC());
  const Handle mono = api.CreateCompatibleBitmap(dc, 50, 50);
  api.SelectObject(dc, mono);
  api.BitBlt(dc, 0, 0, 50, 50, form.box.hDC(), 0, 0, win::SrcCopy);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const ColorRef expected = badge.At(x, y) == 0xFFFFFFu ? 0xFFFFFFu : 0u;
      ASSERT_EQ(api.GetPixel(dc, x, y), expected) << "at " << x << "," << y;
    }
  }
}

TEST_F(SimGdiTest, OverlappingCopyWithinOneBitmapIsClippedAndUnsmeared) {
  const Copy c = CopyPicture();
  EXPECT_EQ(api.BitBlt(c.dc, 10, 7, 500, 500, c.dc, 0, 0, win::SrcCopy), 1);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 50; ++x) {
      const ColorRef expected = (x >= 10 && y >= 7) ? badge.At(x - 10, y - 7) : badge.At(x, y);
      ASSERT_EQ(api.GetPixel(c.dc, x, y), expected) << "at " << x << "," << y;
    }
  }
  // Entirely outside either bitmap: nothing to copy, and no harm.
  EXPECT_EQ(api.BitBlt(c.dc, 60, 0, 5, 5, form.box.hDC(), 0, 0, win::SrcCopy), 1);
  EXPECT_EQ(api.BitBlt(c.dc, 0, 0, 5, 5, form.box.hDC(), -20, 0, win::SrcCopy), 1);
  EXPECT_EQ(api.GetPixel(c.dc, 0, 0), badge.At(0, 0));
}

TEST_F(SimGdiTest, ObjectsAreFreedOnlyByTheirKeeperAndInOrder) {
  const Copy c = CopyPicture();
  // Still selected: the platform refuses, and the bitmap lives on.
  EXPECT_EQ(api.DeleteObject(c.bitmap), 0);
  EXPECT_NE(api.LastDllError(), 0u);
  EXPECT_EQ(world.Live().bitmaps, 1);
  // Selected elsewhere already: a bitmap is in one DC at a time.
  const Handle other = api.CreateCompatibleDC(0);
  EXPECT_EQ(api.SelectObject(other, c.bitmap), 0u);
  EXPECT_EQ(api.DeleteDC(other), 1);
  // The desktop's own objects are not the gadget's to free.
  EXPECT_EQ(api.DeleteDC(form.box.hDC()), 0);
  EXPECT_EQ(api.DeleteObject(form.box.Picture().handle), 0);
  // The gadget's order: the DC first, which frees the bitmap for deletion.
  EXPECT_EQ(api.DeleteDC(c.dc), 1);
  EXPECT_EQ(api.LastDllError(), 0u);
  EXPECT_EQ(api.DeleteObject(c.bitmap), 1);
  EXPECT_EQ(api.DeleteObject(c.bitmap), 0) << "a second delete finds nothing";
  EXPECT_EQ(api.GetPixel(c.dc, 0, 0), win::ClrInvalid);
  EXPECT_EQ(api.SelectObject(c.dc, form.box.Picture().handle), 0u);
  EXPECT_EQ(api.DeleteObject(world.gdi().StockBitmap()), 1) << "the stock object survives";
  EXPECT_EQ(world.Live(), LiveCounts{.windows = 2});
}

TEST_F(SimGdiTest, CountersSeeALeakAmongManyCleanCycles) {
  api.SetRecording(false);
  for (int i = 0; i < 200; ++i) {
    const Copy c = CopyPicture();
    ASSERT_EQ(api.DeleteDC(c.dc), 1);
    ASSERT_EQ(api.DeleteObject(c.bitmap), 1);
  }
  EXPECT_TRUE(api.Calls().empty());
  api.SetRecording(true);
  EXPECT_EQ(world.Live(), LiveCounts{.windows = 2});
  const Copy leaked = CopyPicture();
  EXPECT_EQ(api.DeleteDC(leaked.dc), 1);
  EXPECT_EQ(world.Live(), (LiveCounts{.windows = 2, .bitmaps = 1}));
  EXPECT_EQ(api.CreateCompatibleBitmap(form.box.hDC(), 0, 5), world.gdi().StockBitmap())
      << "an empty size gets the stock bitmap, which is never a leak";
  EXPECT_EQ(world.Live().bitmaps, 1);
}

// Rows of the gadget's shape: one four-point polygon per run of pixels.
struct Rows {
  std::vector<Point> points;
  std::vector<std::int32_t> counts;
  void Run(std::int32_t from, std::int32_t to, std::int32_t row) {
    points.insert(points.end(), {{from, row}, {to, row}, {to, row + 1}, {from, row + 1}});
    counts.push_back(4);
  }
  Handle Create(SimApi& api, std::int32_t mode = win::Winding) {
    return api.CreatePolyPolygonRgn(points.data(), counts.data(),
                                    static_cast<std::int32_t>(counts.size()), mode);
  }
};

TEST_F(SimGdiTest, RegionKeepsTheRowRectanglesItWasGiven) {
  Rows rows;
  rows.Run(2, 5, 0);
  rows.Run(0, 7, 1);
  rows.Run(3, 4, 2);
  const Handle region = rows.Create(api);
  ASSERT_NE(region, 0u);
  const RegionObject& r = *world.gdi().FindRegion(region);
  EXPECT_EQ(r.Rects(), (std::vector<Rect>{{2, 0, 5, 1}, {0, 1, 7, 2}, {3, 2, 4, 3}}));
  EXPECT_TRUE(r.Contains({2, 0}));
  EXPECT_FALSE(r.Contains({5, 0})) << "the right edge is outside";
  EXPECT_FALSE(r.Contains({3, 3})) << "the bottom edge is outside";
  EXPECT_EQ(api.CallsNamed("CreatePolyPolygonRgn").front().args,
            (std::vector<std::int64_t>{3, win::Winding}));
  EXPECT_EQ(world.Live().regions, 1);
  EXPECT_EQ(api.DeleteObject(region), 1);
  EXPECT_EQ(world.Live().regions, 0);
}

TEST_F(SimGdiTest, OverlapsFollowTheFillMode) {
  Rows rows;
  rows.Run(0, 4, 0);
  rows.Run(2, 6, 0);
  const RegionObject& winding = *world.gdi().FindRegion(rows.Create(api, win::Winding));
  const RegionObject& alternate = *world.gdi().FindRegion(rows.Create(api, 1));
  EXPECT_TRUE(winding.Contains({3, 0}));
  EXPECT_FALSE(alternate.Contains({3, 0}));
  EXPECT_TRUE(alternate.Contains({1, 0}));
  // Drawn the other way round, a rectangle winds the other way and cancels.
  const std::vector<Point> both{{0, 0}, {4, 0}, {4, 1}, {0, 1}, {0, 0}, {0, 1}, {4, 1}, {4, 0}};
  const std::vector<std::int32_t> counts{4, 4};
  const Handle cancelled = api.CreatePolyPolygonRgn(both.data(), counts.data(), 2, win::Winding);
  EXPECT_FALSE(world.gdi().FindRegion(cancelled)->Contains({1, 0}));
}

TEST_F(SimGdiTest, RegionsRefuseWhatTheyCannotHold) {
  const std::vector<Point> slanted{{0, 0}, {4, 1}, {4, 2}, {0, 1}};
  const std::vector<std::int32_t> four{4};
  EXPECT_EQ(api.CreatePolyPolygonRgn(slanted.data(), four.data(), 1, win::Winding), 0u);
  EXPECT_NE(api.LastDllError(), 0u);
  const std::vector<Point> ell{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
  const std::vector<std::int32_t> six{6};
  EXPECT_EQ(api.CreatePolyPolygonRgn(ell.data(), six.data(), 1, win::Winding), 0u);
  EXPECT_EQ(api.CreatePolyPolygonRgn(ell.data(), six.data(), 0, win::Winding), 0u);
  EXPECT_EQ(api.CreatePolyPolygonRgn(ell.data(), six.data(), 1, 7), 0u);
  EXPECT_EQ(world.Live().regions, 0);
}

TEST_F(SimGdiTest, InjectedFailuresReturnThePlatformsFailureAndDoNothing) {
  api.FailNext("CreateCompatibleDC");
  EXPECT_EQ(api.CreateCompatibleDC(0), 0u);
  EXPECT_EQ(api.LastDllError(), err::kGeneralFailure);
  EXPECT_TRUE(api.Calls().back().injected);
  EXPECT_EQ(world.Live().dcs, 0);
  const Handle dc = api.CreateCompatibleDC(0);
  EXPECT_NE(dc, 0u) << "only the next call failed";
  EXPECT_EQ(api.LastDllError(), 0u);

  api.FailAlways("GetPixel", 1234);
  EXPECT_EQ(api.GetPixel(form.box.hDC(), 0, 0), win::ClrInvalid);
  EXPECT_EQ(api.GetPixel(form.box.hDC(), 0, 0), win::ClrInvalid);
  EXPECT_EQ(api.LastDllError(), 1234u);
  api.ClearFailures();
  EXPECT_EQ(api.GetPixel(form.box.hDC(), 0, 0), badge.At(0, 0));

  api.FailNext("DeleteDC", 2);
  EXPECT_EQ(api.DeleteDC(dc), 0);
  EXPECT_EQ(api.DeleteDC(dc), 0);
  EXPECT_EQ(world.Live().dcs, 1) << "a failed delete leaks";
  EXPECT_EQ(api.DeleteDC(dc), 1);
  EXPECT_THROW(api.FailNext("GetPixels"), std::invalid_argument);
}

TEST_F(SimGdiTest, HooksRunAsTheCallBeginsAndTheirCallsComeAfterIt) {
  api.OnCall("DeleteDC", [&] { api.GetPixel(0, 0, 0); });
  const Handle dc = api.CreateCompatibleDC(0);
  api.DeleteDC(dc);
  EXPECT_EQ(api.CallNames(),
            (std::vector<std::string>{"CreateCompatibleDC", "DeleteDC", "GetPixel"}));
  EXPECT_EQ(api.Calls()[1].result, 1);
  EXPECT_EQ(api.Calls()[2].result, std::int64_t{win::ClrInvalid});
  EXPECT_EQ(api.LastDllError(), 0u) << "the outer call's error is the last";
  EXPECT_EQ(api.CountOf("GetPixel"), 1u);
}

}  // namespace
}  // namespace rn::sim
