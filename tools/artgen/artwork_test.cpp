// The shipped pictures are checked through the decoder and raw bytes, never
// through the sheets, so a mistake in the encoder cannot vouch for itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/picture_decoder.h"
#include "tools/artgen/sheet.h"

namespace rn::art {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kArtDir = RN_ART_DIR;

constexpr std::uint32_t kKeyGreen = Rgb(0, 255, 0);
constexpr std::uint32_t kLightBlue = Rgb(124, 146, 232);
constexpr std::uint32_t kBlack = Rgb(0, 0, 0);
constexpr std::uint32_t kWhite = Rgb(255, 255, 255);
constexpr std::uint32_t kBlue = Rgb(0, 0, 255);
constexpr std::uint32_t kSilver = Rgb(192, 192, 192);
constexpr std::uint32_t kYellow = Rgb(255, 255, 0);
constexpr std::uint32_t kGrey = Rgb(128, 128, 128);
constexpr std::uint32_t kDarkRed = Rgb(128, 0, 0);
constexpr std::uint32_t kDarkCyan = Rgb(0, 128, 128);

std::uint32_t Le(const Bytes& b, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return v;
}

struct Span {
  int first;
  int last;
  bool operator==(const Span&) const = default;
};

// Horizontal runs of pixels in row y that satisfy `in`.
std::vector<Span> RunsInRow(const Image& img, int y, const std::function<bool(int, int)>& in) {
  std::vector<Span> runs;
  for (int x = 0; x < img.width; ++x) {
    if (!in(x, y)) continue;
    if (!runs.empty() && runs.back().last == x - 1) {
      runs.back().last = x;
    } else {
      runs.push_back({x, x});
    }
  }
  return runs;
}

std::map<std::uint32_t, int> CountColours(const Image& img) {
  std::map<std::uint32_t, int> counts;
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      if (img.OpaqueAt(x, y)) ++counts[img.At(x, y)];
    }
  }
  return counts;
}

// A colour the picture must use; kDrawn when its count has no exact target.
struct Expected {
  const char* name;
  std::uint32_t colour;
  int count;
};
constexpr int kDrawn = -1;

// Prints measured against target, then holds the picture to the table: exact
// counts where given, every kDrawn colour present, nothing outside the table.
void ExpectCounts(const char* title, const Image& img, const std::vector<Expected>& table) {
  std::map<std::uint32_t, int> counts = CountColours(img);
  std::cout << title << ": colour, measured, target\n";
  for (const Expected& e : table) {
    const int n = counts[e.colour];
    std::cout << "  " << e.name << " " << n << " "
              << (e.count == kDrawn ? std::string("-") : std::to_string(e.count)) << "\n";
    if (e.count == kDrawn) {
      EXPECT_GT(n, 0) << title << " lacks " << e.name;
    } else {
      EXPECT_EQ(n, e.count) << title << ": " << e.name;
    }
    counts.erase(e.colour);
  }
  for (const auto& [colour, n] : counts) {
    EXPECT_EQ(n, 0) << title << " has pixels of unexpected colour " << std::hex << colour;
  }
}

TEST(ShippedArt, IsExactlyWhatTheGeneratorWritesFromTheSheets) {
  const std::vector<artgen::Product> products = artgen::BuildArt(kArtDir);
  ASSERT_EQ(products.size(), 3u);
  for (const artgen::Product& p : products) {
    EXPECT_EQ(p.bytes, ReadFileBytes(kArtDir / p.file_name)) << p.file_name << " is stale";
  }
}

TEST(BadgeBitmap, HeadersPaletteAndPadding) {
  const Bytes b = ReadFileBytes(kArtDir / "badge.bmp");
  ASSERT_EQ(b.size(), 3678u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  const std::vector<std::pair<std::size_t, std::uint32_t>> fields32 = {
      {2, 3678}, {6, 0},     {10, 1078}, {14, 40},   {18, 50},  {22, 50},
      {30, 0},   {34, 2600}, {38, 2834}, {42, 2834}, {46, 256}, {50, 256}};
  for (const auto& [at, want] : fields32) EXPECT_EQ(Le(b, at, 4), want) << "offset " << at;
  EXPECT_EQ(Le(b, 26, 2), 1u);  // planes
  EXPECT_EQ(Le(b, 28, 2), 8u);  // bits per pixel

  std::vector<bool> used(256, false);
  for (int row = 0; row < 50; ++row) {
    for (int x = 0; x < 52; ++x) {
      const std::uint8_t v = b[1078 + row * 52 + x];
      if (x < 50) {
        used[v] = true;
      } else {
        EXPECT_EQ(v, 0) << "row padding must be zero";
      }
    }
  }
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(b[54 + i * 4 + 3], 0) << "reserved byte of palette entry " << i;
    if (!used[i]) {
      EXPECT_EQ(Le(b, 54 + i * 4, 4), 0u) << "unused palette entry " << i;
    }
  }
}

TEST(BadgeBitmap, OutlineIsTheCentredDisc) {
  const Image img = DecodeBmp(ReadFileBytes(kArtDir / "badge.bmp"));
  ASSERT_EQ(img.width, 50);
  ASSERT_EQ(img.height, 50);
  ASSERT_EQ(img.At(0, 0), kKeyGreen);
  const auto figure = [&](int x, int y) { return img.At(x, y) != img.At(0, 0); };

  int figure_pixels = 0;
  int rows_with_runs = 0;
  for (int y = 0; y < 50; ++y) {
    const std::vector<Span> runs = RunsInRow(img, y, figure);
    if (y < 5 || y > 44) {
      EXPECT_TRUE(runs.empty()) << "row " << y;
      continue;
    }
    ASSERT_EQ(runs.size(), 1u) << "row " << y;
    ++rows_with_runs;
    EXPECT_GE(runs[0].first, 5);
    EXPECT_LE(runs[0].last, 44);
    if (y == 5 || y == 44) {
      EXPECT_EQ(runs[0], (Span{21, 28})) << "row " << y;
    }
    if (y >= 21 && y <= 28) {
      EXPECT_EQ(runs[0], (Span{5, 44})) << "row " << y;
    }
    for (int x = 0; x < 50; ++x) {
      figure_pixels += figure(x, y);
      EXPECT_EQ(figure(x, y), figure(49 - x, y)) << x << "," << y;
      EXPECT_EQ(figure(x, y), figure(x, 49 - y)) << x << "," << y;
    }
  }
  EXPECT_EQ(rows_with_runs, 40);
  EXPECT_EQ(figure_pixels, 1248);
}

TEST(BadgeBitmap, KeyGreenIsOnlyOutsideAndNothingElseIsGreen) {
  const Image img = DecodeBmp(ReadFileBytes(kArtDir / "badge.bmp"));
  // Every key pixel must be reachable from the border through key pixels;
  // one enclosed by the badge would punch a hole in the window.
  std::vector<bool> reached(img.pixels.size(), false);
  std::vector<std::pair<int, int>> todo = {{0, 0}};
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= img.width || y >= img.height) continue;
    if (reached[y * img.width + x] || img.At(x, y) != kKeyGreen) continue;
    reached[y * img.width + x] = true;
    todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
  }
  for (int y = 0; y < img.height; ++y) {
    for (int x = 0; x < img.width; ++x) {
      const std::uint32_t c = img.At(x, y);
      const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      if (c == kKeyGreen) {
        EXPECT_TRUE(reached[y * img.width + x]) << "enclosed key pixel at " << x << "," << y;
      } else {
        EXPECT_FALSE(g > r && g > b) << "a green inside the badge at " << x << "," << y;
      }
    }
  }
}

TEST(BadgeBitmap, ColourCountsMeetTheirTargets) {
  ExpectCounts("badge.bmp", DecodeBmp(ReadFileBytes(kArtDir / "badge.bmp")),
               {{"key-green", kKeyGreen, 1252},
                {"light-blue", kLightBlue, 617},
                {"black", kBlack, 301},
                {"white", kWhite, 223},
                {"blue", kBlue, 32},
                {"silver", kSilver, 29},
                {"yellow", kYellow, 22},
                {"grey", kGrey, 22},
                {"dark-red", kDarkRed, 2}});
}

class IconFile : public ::testing::TestWithParam<const char*> {};

TEST_P(IconFile, HeadersAndTransparentIndexZero) {
  const Bytes b = ReadFileBytes(kArtDir / GetParam());
  ASSERT_EQ(b.size(), 766u);
  const std::vector<std::tuple<std::size_t, int, std::uint32_t>> fields = {
      {0, 2, 0},   {2, 2, 1},   {4, 2, 1},  {6, 1, 32},   {7, 1, 32},  {8, 1, 16},
      {9, 1, 0},   {10, 2, 0},  {12, 2, 0}, {14, 4, 744}, {18, 4, 22}, {22, 4, 40},
      {26, 4, 32}, {30, 4, 64}, {34, 2, 1}, {36, 2, 4},   {38, 4, 0},  {42, 4, 640},
      {46, 4, 0},  {50, 4, 0},  {54, 4, 0}, {58, 4, 0}};
  for (const auto& [at, n, want] : fields) EXPECT_EQ(Le(b, at, n), want) << "offset " << at;
  constexpr std::size_t kColour = 22 + 40 + 64, kMask = kColour + 512;
  for (int row = 0; row < 32; ++row) {
    for (int x = 0; x < 32; ++x) {
      const bool clear = (b[kMask + row * 4 + x / 8] >> (7 - x % 8)) & 1;
      const int index = (b[kColour + row * 16 + x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
      if (clear) {
        EXPECT_EQ(index, 0) << "transparent pixel " << x << " of stored row " << row;
      }
    }
  }
}

TEST_P(IconFile, MaskIsTheBadge) {
  const Image img = DecodeIco(ReadFileBytes(kArtDir / GetParam()));
  ASSERT_EQ(img.width, 32);
  ASSERT_EQ(img.height, 32);
  const auto opaque = [&](int x, int y) { return img.OpaqueAt(x, y); };
  int count = 0, left = 32, right = -1;
  for (int y = 0; y < 32; ++y) {
    const std::vector<Span> runs = RunsInRow(img, y, opaque);
    if (y < 3 || y > 28) {
      EXPECT_TRUE(runs.empty()) << "row " << y;
      continue;
    }
    ASSERT_EQ(runs.size(), 1u) << "row " << y;
    left = std::min(left, runs[0].first);
    right = std::max(right, runs[0].last);
    count += runs[0].last - runs[0].first + 1;
  }
  EXPECT_EQ(count, 520);
  EXPECT_EQ(left, 3);
  EXPECT_EQ(right, 28);
}

INSTANTIATE_TEST_SUITE_P(BothIcons, IconFile, ::testing::Values("dialog.ico", "tray.ico"));

// The drawing's colours other than the field, whose counts the icons leave free.
std::vector<Expected> IconColours(std::vector<Expected> field) {
  for (const Expected& e : std::vector<Expected>{{"black", kBlack, kDrawn},
                                                 {"white", kWhite, kDrawn},
                                                 {"blue", kBlue, kDrawn},
                                                 {"silver", kSilver, kDrawn},
                                                 {"yellow", kYellow, kDrawn},
                                                 {"grey", kGrey, kDrawn},
                                                 {"dark-red", kDarkRed, 1}}) {
    field.push_back(e);
  }
  return field;
}

TEST(DialogIcon, ColoursOfTheBadge) {
  ExpectCounts("dialog.ico", DecodeIco(ReadFileBytes(kArtDir / "dialog.ico")),
               IconColours({{"light-blue", kLightBlue, 245}}));
}

TEST(TrayIcon, IsTheDialogIconWithItsFieldDarkCyan) {
  const Image dialog = DecodeIco(ReadFileBytes(kArtDir / "dialog.ico"));
  const Image tray = DecodeIco(ReadFileBytes(kArtDir / "tray.ico"));
  ASSERT_EQ(tray.opaque, dialog.opaque);
  int recoloured = 0;
  for (std::size_t i = 0; i < tray.pixels.size(); ++i) {
    if (!dialog.opaque[i] || tray.pixels[i] == dialog.pixels[i]) continue;
    EXPECT_EQ(dialog.pixels[i], kLightBlue) << "pixel " << i;
    EXPECT_EQ(tray.pixels[i], kDarkCyan) << "pixel " << i;
    ++recoloured;
  }
  EXPECT_EQ(recoloured, 244);
  ExpectCounts("tray.ico", tray,
               IconColours({{"light-blue", kLightBlue, 1}, {"dark-cyan", kDarkCyan, 244}}));
}

}  // namespace
}  // namespace rn::art
