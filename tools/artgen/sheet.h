// The drawings behind forms/art are kept as text sheets (one character per
// pixel plus a legend) so that a change to a picture is a reviewable diff; this
// library turns a sheet into the exact bytes the gadget ships.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rn::artgen {

enum class Format { kBmp8, kIco4 };

// An icon sheet yields two icons; the tray one swaps the inks that name a tray index.
enum class Variant { kDialog, kTray };

struct Ink {
  int index = 0;
  std::optional<int> tray_index;
  bool clear = false;  // icons only: transparent, written as index 0 with the mask bit set
};

using Rgb = std::array<std::uint8_t, 3>;

struct Sheet {
  Format format = Format::kBmp8;
  int width = 0;
  int height = 0;
  std::vector<std::optional<Rgb>> palette;  // by index; unlisted entries are written as zeros
  std::map<char, Ink> inks;
  std::vector<std::string> grid;  // top row first

  const Ink& InkAt(int x, int y) const { return inks.at(grid[y][x]); }
};

// Throws std::runtime_error as "<name>:<line>: <why>" for anything it cannot
// take literally, including a grid that disagrees with its own outline line.
Sheet ParseSheet(std::string_view text, std::string_view name);

std::vector<std::uint8_t> EncodeBmp8(const Sheet& sheet);
std::vector<std::uint8_t> EncodeIco4(const Sheet& sheet, Variant variant);

struct Product {
  std::string file_name;
  std::vector<std::uint8_t> bytes;
};

// badge.bmp from badge.txt, dialog.ico and tray.ico from icon.txt.
std::vector<Product> BuildArt(const std::filesystem::path& art_dir);

}  // namespace rn::artgen
