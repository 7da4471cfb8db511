// What the simulated desktop models and this suite cannot prove on Windows,
// because Wine under the test display cannot be put in that state; built into
// the unit tests only:
//  - a screen of another size or scale: the Wine session has one 1024 x 768
//    display at 96 dpi for the whole run (a scale is set for the whole prefix);
//  - a full disk;
//  - a folder the user may not write to: Wine keeps no access rights of its
//    own, and the tests may run as root, whom no Unix permission stops;
//  - a folder removed while a file in it is being written, which Windows does
//    not let go;
//  - a second popup menu while one is open: Windows refuses it
//    (ERROR_POPUP_ALREADY_ACTIVE); Wine 8 opens it inside the first and cancels both;
//  - regions of no polygons or of an unknown fill mode: Windows refuses them,
//    Wine 8 makes a region of either;
//  - the notification record's size, which the Win32 desktop replaces with the
//    native record's own.
// The simulation also refuses outlines that are not rows of rectangles, which
// Windows takes; the gadget never makes one.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/sim/world.h"
#include "platform/toolkit.h"
#include "tests/conformance/conformance.h"
#include "tests/conformance/failing_files.h"

namespace rn::sim {
namespace {

using conformance::ErrorOf;

constexpr const char* kDir = "C:\\Program Files\\Ravik N";
constexpr const char* kPath = "C:\\Program Files\\Ravik N\\Ravik.ini";
constexpr const char* kOld = "Left=120\r\nTop=240\r\n";

class Silent final : public WindowEvents {};

TEST(SimOnly, AScreenOfAnotherSizeAndScaleSizesAndCentresForms) {
  World world({.screen = {800, 600, 120}});
  tk::Runtime rt(world.desktop(), world.api(), world.files());
  tk::FormLayout layout;
  layout.border = BorderStyle::None;
  layout.clientWidth = 1440;  // an inch
  layout.clientHeight = 720;
  tk::Form form(rt, layout);
  form.Load();
  EXPECT_EQ(world.desktop().GetBounds(form.hWnd()), (Rect{0, 0, 120, 60}));
  EXPECT_FLOAT_EQ(rt.ScreenWidth(), 800 * 12.0f);
  FormWindowSpec centred;
  centred.startUp = StartUpPosition::CenterScreen;
  centred.clientWidth = 200;
  centred.clientHeight = 100;
  Silent silent;
  // The frame grows with the scale too: 4 pixels a side and a 28-pixel top at 120 dpi.
  EXPECT_EQ(world.desktop().GetBounds(world.desktop().CreateForm(centred, silent)),
            (Rect{296, 234, 504, 366}));
}

class SimOnlyFiles : public ::testing::Test {
 protected:
  SimOnlyFiles() { files.PutFile(kPath, kOld); }
  tk::Error WriteSettings() { return conformance::WriteThroughANumber(files, kPath); }
  void ExpectTheOldFileAlone() {
    EXPECT_EQ(files.GetFile(kPath), kOld);
    EXPECT_EQ(files.List(kDir), std::vector<std::string>{"Ravik.ini"});
    EXPECT_EQ(files.OpenStreams(), 0);
  }
  World world;
  SimFiles& files = world.files();
};

TEST_F(SimOnlyFiles, AFullDiskFailsTheWriteWhereverItFillsAndLeavesTheOldFile) {
  constexpr std::string_view kWritten = "Left=999\r\nTop=999\r\n";
  for (std::size_t room = 0; room < kWritten.size(); ++room) {
    files.DiskFullAfter(room);
    EXPECT_EQ(WriteSettings(), tk::Error::DiskFull) << room;
    ExpectTheOldFileAlone();
  }
  files.DiskFullAfter(10);
  auto first = files.OpenOutput("A.txt");
  auto second = files.OpenOutput("B.txt");
  first->Write("123456");
  EXPECT_EQ(ErrorOf([&] { second->Write("12345"); }), tk::Error::DiskFull)
      << "the disk fills for all outputs together";
  files.ClearFaults();
  files.DiskFullAfter(kWritten.size());
  EXPECT_EQ(WriteSettings(), tk::Error::None) << "room enough, to the byte";
  EXPECT_EQ(files.GetFile(kPath), std::string(kWritten));
}

TEST_F(SimOnlyFiles, NothingCanBeWrittenIntoAReadOnlyFolder) {
  files.SetReadOnlyFolder(kDir);
  EXPECT_EQ(WriteSettings(), tk::Error::PermissionDenied);
  ExpectTheOldFileAlone();
}

TEST_F(SimOnlyFiles, ACommitIntoAFolderThatWentAwayFailsAndLeavesNothing) {
  files.MakeFolder("C:\\Data");
  auto out = files.OpenOutput("C:\\Data\\New.ini");
  out->Write("x");
  files.Remove("C:\\Data");
  EXPECT_EQ(ErrorOf([&] { out->Commit(); }), tk::Error::PathNotFound);
  EXPECT_FALSE(files.Exists("C:\\Data\\New.ini"));
}

TEST(SimOnly, AMenuOpenedWhileAnotherIsOpenIsRefused) {
  World world;
  SimDesktop& desktop = world.desktop();
  Silent silent;
  const HWnd owner = desktop.CreateForm({}, silent);
  std::int32_t inner = 5;
  desktop.ScriptMenu([&] {
    desktop.ScriptMenu(0);
    inner = desktop.TrackPopupMenu(owner, {"x"}, 0);
    return 1;
  });
  EXPECT_EQ(desktop.TrackPopupMenu(owner, {"a", "b"}, 0), 1);
  EXPECT_EQ(inner, -1);
  ASSERT_EQ(desktop.Menus().size(), 2u);
  EXPECT_TRUE(desktop.Menus()[1].refused);
  EXPECT_EQ(world.Live().menus, 0);
}

TEST(SimOnly, RegionsOfNoPolygonsAnUnknownFillModeOrAnotherShapeAreRefused) {
  World world;
  SimApi& api = world.api();
  const std::vector<Point> square{{0, 0}, {4, 0}, {4, 1}, {0, 1}};
  const std::vector<Point> slanted{{0, 0}, {4, 1}, {4, 2}, {0, 1}};
  const std::vector<Point> ell{{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
  const std::int32_t four = 4;
  const std::int32_t six = 6;
  EXPECT_EQ(api.CreatePolyPolygonRgn(square.data(), &four, 0, win::Winding), 0u);
  EXPECT_EQ(api.CreatePolyPolygonRgn(square.data(), &four, 1, 7), 0u);
  EXPECT_EQ(api.CreatePolyPolygonRgn(slanted.data(), &four, 1, win::Winding), 0u);
  EXPECT_EQ(api.CreatePolyPolygonRgn(ell.data(), &six, 1, win::Winding), 0u);
  EXPECT_NE(api.LastDllError(), 0u);
  EXPECT_EQ(world.Live().regions, 0);
}

TEST(SimOnly, ANotifyRecordOfAnotherSizeIsRefused) {
  World world;
  Silent silent;
  NotifyIconRecord r;
  r.cbSize = 80;
  r.hWnd = world.desktop().CreateForm({}, silent);
  EXPECT_EQ(world.api().Shell_NotifyIconA(win::NimAdd, ToAnsiForm(r)), 0);
  EXPECT_TRUE(world.desktop().Icons().empty());
}

}  // namespace
}  // namespace rn::sim
