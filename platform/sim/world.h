// One simulated desktop: its windows, graphics objects, notification area,
// files and the record of every platform call, shared by the rn::Desktop and
// the rn::WinApi that the toolkit is given. Each test makes its own:
//
//   sim::World world;
//   tk::Runtime rt(world.desktop(), world.api(), world.files());
//
// world.desktop() plays the user (MouseDown, ClickControl, PressTab, ClickIcon,
// ...), takes scripts for drags, menus and modal loops, and shows the windows;
// world.api() holds the call record and injects failures; world.files() is the
// disk; world.Live() counts what is alive, for leak checks. Nothing is global,
// so any number of worlds can live side by side.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/sim/gdi.h"
#include "platform/sim/sim_api.h"
#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_files.h"

namespace rn::sim {

struct WorldOptions {
  ScreenMetrics screen{1024, 768, 96};  // the primary monitor, and the system's scale
  std::vector<Monitor> otherMonitors = {};
  std::string executableDirectory = "C:\\Program Files\\Ravik N";  // UTF-8
  std::filesystem::path artDirectory = {};                         // empty: the shipped pictures
};

// What is alive now. The desktop's own objects (pictures, picture boxes'
// images, the stock bitmap) are not counted; regions that windows own are
// counted apart from those still the gadget's to delete.
struct LiveCounts {
  int windows = 0;
  int dcs = 0;
  int bitmaps = 0;
  int regions = 0;
  int ownedRegions = 0;
  int menus = 0;
  int fileStreams = 0;
  friend bool operator==(const LiveCounts&, const LiveCounts&) = default;
};
std::ostream& operator<<(std::ostream& out, const LiveCounts& counts);

class World {
 public:
  explicit World(WorldOptions options = {});
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  SimDesktop& desktop() { return desktop_; }
  SimApi& api() { return api_; }
  SimFiles& files() { return files_; }
  Gdi& gdi() { return gdi_; }
  const WorldOptions& options() const { return options_; }
  LiveCounts Live() const;

  // Window and graphics handles come from one sequence, so no two objects of
  // any kind share a handle; in steps of four, like the platform's, so an
  // off-by-one handle is never valid.
  Handle NewHandle() { return next_handle_ += 4; }

 private:
  WorldOptions options_;
  Handle next_handle_ = 0x00010000;
  Gdi gdi_;
  SimFiles files_;
  SimDesktop desktop_;
  SimApi api_;
};

}  // namespace rn::sim
