// Fuzzes the whole start-up on the simulated desktop with the bytes of the
// settings file, then ends the gadget and starts it again from what it wrote:
// whatever the file held, the badge is shown, nothing is reported or leaked,
// and the written file restores exactly the state the damaged one produced.
#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/badge_form.h"
#include "app/program.h"
#include "fuzz_check.h"
#include "platform/sim/world.h"
#include "tray/command_menu.h"

namespace rn::fuzz {
namespace {

constexpr const char* kFolder = "C:\\Program Files\\Ravik N";
constexpr const char* kIniPath = "C:\\Program Files\\Ravik N\\RN.ini";

struct State {
  Rect badge;
  bool topmost = false;
  std::uint32_t panelLeft = 0;
  std::uint32_t panelTop = 0;
  Flag flag = kFalse;
  bool operator==(const State&) const = default;
};

struct Started {
  sim::World world;
  Program program{world.desktop(), world.api(), world.files()};
  explicit Started(std::string_view ini) {
    // The shape scan makes thousands of calls each start; nothing here reads them.
    world.api().SetRecording(false);
    world.files().PutFile(kIniPath, ini);
    program.Start();
  }
  State Now() {
    const sim::WindowState* w = world.desktop().Find(program.Form1().hWnd());
    RN_CHECK(w != nullptr);
    return {w->bounds, w->topmost, std::bit_cast<std::uint32_t>(program.module1.PanelLeft),
            std::bit_cast<std::uint32_t>(program.module1.PanelTop), program.module1.FrontFlag};
  }
};

// What is alive after a start-up that went well; no file makes it any other.
sim::LiveCounts ExpectedLive() {
  static const sim::LiveCounts live = Started("720,450\r\n527.5,336\r\n#TRUE#\r\n").world.Live();
  return live;
}

}  // namespace
}  // namespace rn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rn;
  using namespace rn::fuzz;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const sim::LiveCounts expectedLive = ExpectedLive();

  std::string written;
  State before;
  {
    Started first(bytes);
    sim::World& world = first.world;
    const sim::WindowState* badge = world.desktop().Find(first.program.Form1().hWnd());
    RN_CHECK(badge != nullptr && badge->visible);
    before = first.Now();
    RN_CHECK(before.flag == kTrue || before.flag == kFalse);
    RN_CHECK(before.topmost == (before.flag == kTrue));
    RN_CHECK(world.desktop().Errors().empty());
    RN_CHECK(world.Live() == expectedLive);
    RN_CHECK(world.files().GetFile(kIniPath) == std::optional<std::string>(bytes));

    first.program.Dispatch([&] { RunMenuCommand(first.program, kExit); });
    RN_CHECK(world.desktop().Errors().empty());
    RN_CHECK(world.desktop().EndCount() == 1);
    RN_CHECK(world.Live().fileStreams == 0);
    RN_CHECK(world.files().List(kFolder).size() == 1);
    const std::optional<std::string> file = world.files().GetFile(kIniPath);
    RN_CHECK(file.has_value());
    written = *file;
  }

  Started again(written);
  RN_CHECK(again.world.desktop().Errors().empty());
  RN_CHECK(again.Now() == before);
  return 0;
}
