// The window class of every form: what another program finds the gadget's
// windows by, as the benchmark's driver does.
#pragma once

namespace rn::win32 {

inline constexpr wchar_t kFormClass[] = L"RavikN.Form";

}  // namespace rn::win32
