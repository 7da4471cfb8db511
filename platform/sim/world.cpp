#include "platform/sim/world.h"

#include <ostream>

namespace rn::sim {

World::World(WorldOptions options)
    : options_(std::move(options)),
      gdi_([this] { return NewHandle(); }),
      files_(options_.executableDirectory),
      desktop_(*this),
      api_(*this) {
  if (options_.artDirectory.empty()) options_.artDirectory = RN_ART_DIR;
}

LiveCounts World::Live() const {
  return {desktop_.LiveWindows(), gdi_.LiveDcs(),       gdi_.LiveBitmaps(),  gdi_.LiveRegions(),
          gdi_.OwnedRegions(),    desktop_.LiveMenus(), files_.OpenStreams()};
}

std::ostream& operator<<(std::ostream& out, const LiveCounts& c) {
  return out << "{windows " << c.windows << ", dcs " << c.dcs << ", bitmaps " << c.bitmaps
             << ", regions " << c.regions << ", owned regions " << c.ownedRegions << ", menus "
             << c.menus << ", file streams " << c.fileStreams << "}";
}

}  // namespace rn::sim
