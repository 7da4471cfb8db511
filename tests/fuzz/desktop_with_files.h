// The simulated desktop with another file system in its place, for files the
// in-memory one cannot hold (a gigabyte made up as it is read) and faults it
// cannot make (one chosen step of the exit's write failing, or the disk looked
// at between two steps). Everything else goes to the simulated desktop, so the
// gadget runs exactly as on it:
//
//   sim::World world;
//   DesktopWithFiles desktop(world.desktop(), myFiles);
//   Program program(desktop, world.api());
#pragma once

#include "tests/desktop_wrapper.h"

namespace rn::fuzz {

class DesktopWithFiles : public testing::DesktopWrapper {
 public:
  DesktopWithFiles(Desktop& desktop, FileSystem& files) : DesktopWrapper(desktop), files_(files) {}
  FileSystem& Files() override { return files_; }

 private:
  FileSystem& files_;
};

}  // namespace rn::fuzz
