// What every part of the simulated desktop leans on: finding an object by its
// handle or path, and telling whether a point lies in a rectangle.
#pragma once

#include "platform/types.h"

namespace rn::sim {

// The object `key` names, or null; const as `map` is.
template <class Map, class Key>
auto Found(Map& map, const Key& key) -> decltype(&map.find(key)->second) {
  const auto it = map.find(key);
  return it == map.end() ? nullptr : &it->second;
}

// Right and bottom edges lie outside, as everywhere on the platform.
constexpr bool Inside(const Rect& r, Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace rn::sim
