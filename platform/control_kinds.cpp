#include "platform/control_kinds.h"

#include <array>
#include <cstddef>

namespace rn {
namespace {

// In the order of ControlKind.
constexpr std::array<ControlKindFacts, 8> kKinds{{
    // kind                      tab    button standard left   any    through
    {ControlKind::PictureBox, true, false, false, true, true, false},
    {ControlKind::TextBox, true, false, true, true, false, false},
    {ControlKind::CommandButton, true, true, true, true, false, false},
    {ControlKind::CheckBox, true, true, true, true, false, false},
    {ControlKind::Frame, false, false, false, false, false, false},
    {ControlKind::Label, false, false, true, false, false, true},
    {ControlKind::Image, false, false, false, false, false, false},
    {ControlKind::UserControl, false, false, false, false, false, false},
}};

constexpr bool InOrder() {
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
  }
  return true;
}
static_assert(InOrder());

}  // namespace

const ControlKindFacts& FactsOf(ControlKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

}  // namespace rn
