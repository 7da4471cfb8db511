// The names the floor's windows go by, for the floor and the driver that finds them.
#pragma once

namespace bench {

inline constexpr wchar_t kFloorClass[] = L"RavikN.Floor";
inline constexpr wchar_t kFloorTitle[] = L"Floor";
inline constexpr wchar_t kFloorPanelTitle[] = L"Floor panel";

}  // namespace bench
