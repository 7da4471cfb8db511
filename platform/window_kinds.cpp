#include "platform/window_kinds.h"

#include <array>
#include <cstddef>

namespace rn {
namespace {

// In the order of WindowKind.
constexpr std::array<WindowKindFacts, 9> kKinds{{
    // kind                     tab    button standard left   any    through image
    {WindowKind::Form, false, false, false, false, false, false, true},
    {WindowKind::PictureBox, true, false, false, true, true, false, true},
    {WindowKind::TextBox, true, false, true, true, false, false, false},
    {WindowKind::CommandButton, true, true, true, true, false, false, false},
    {WindowKind::CheckBox, true, true, true, true, false, false, false},
    {WindowKind::Frame, false, false, false, false, false, false, false},
    {WindowKind::Label, false, false, true, false, false, true, false},
    {WindowKind::Image, false, false, false, false, false, false, false},
    {WindowKind::UserControl, false, false, false, false, false, false, false},
}};

constexpr bool InOrder() {
  for (std::size_t i = 0; i < kKinds.size(); ++i) {
    if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
  }
  return true;
}
static_assert(InOrder());
static_assert(KindOf(ControlKind::PictureBox) == WindowKind::PictureBox &&
              KindOf(ControlKind::UserControl) == WindowKind::UserControl);

}  // namespace

const WindowKindFacts& FactsOf(WindowKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

}  // namespace rn
