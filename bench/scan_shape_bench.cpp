// How fast the badge's outline is cut: rn::ScanShape over the shipped bitmap, over the
// badge as drawn at 200 % (100 x 100, each pixel doubled both ways by the desktops'
// nearest-neighbour rule), and over a large generated picture with many short runs, in
// pixels per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/shape.h"
#include "platform/picture_decoder.h"
#include "platform/scale.h"

namespace {

constexpr rn::ColorRef kKey = rn::art::Rgb(0xFF, 0x00, 0xFF);
constexpr rn::ColorRef kInk = rn::art::Rgb(0x20, 0x40, 0x80);

struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<rn::ColorRef> pixels;
  rn::ColorRef At(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

Picture Badge() {
  const rn::art::Image image =
      rn::art::DecodeBmp(rn::art::ReadFileBytes(std::filesystem::path(RN_ART_DIR) / "badge.bmp"));
  return {image.width, image.height, image.pixels};
}

Picture BadgeAt(std::int32_t dpi) {
  const Picture badge = Badge();
  const std::int32_t width = rn::tk::ScaledLength(badge.width, dpi);
  const std::int32_t height = rn::tk::ScaledLength(badge.height, dpi);
  return {width, height, rn::ScaleNearest(badge.pixels, badge.width, badge.height, width, height)};
}

// Runs of 2 to 9 pixels whose length and phase change from row to row, so that neighbouring
// rows differ and a row of 2000 pixels holds a few hundred runs.
Picture ManyRuns(std::int32_t side) {
  Picture picture{side, side, {}};
  picture.pixels.resize(static_cast<std::size_t>(side) * static_cast<std::size_t>(side));
  for (std::int32_t y = 0; y < side; ++y) {
    const std::int32_t run = 2 + (y * 7) % 8;
    for (std::int32_t x = 0; x < side; ++x) {
      const bool ink = ((x + y) / run) % 2 == 1;
      picture.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(side) +
                     static_cast<std::size_t>(x)] = ink ? kInk : kKey;
    }
  }
  picture.pixels[0] = kKey;  // the top-left pixel names the transparent colour
  return picture;
}

void Scan(benchmark::State& state, const Picture& picture) {
  const rn::PixelReader reader = [&picture](std::int32_t x, std::int32_t y) {
    return picture.At(x, y);
  };
  std::int32_t rectangles = 0;
  for (auto _ : state) {
    rn::ShapeScan scan = rn::ScanShape(static_cast<float>(picture.width),
                                       static_cast<float>(picture.height), reader);
    rectangles = scan.Polygons();
    benchmark::DoNotOptimize(scan.ShapePoints.data());
    benchmark::ClobberMemory();
  }
  const auto pixels = static_cast<std::int64_t>(picture.width) * picture.height;
  state.SetItemsProcessed(state.iterations() * pixels);
  state.counters["rectangles"] = rectangles;
}

void BM_ScanShape_Badge(benchmark::State& state) {
  static const Picture badge = Badge();
  Scan(state, badge);
}
BENCHMARK(BM_ScanShape_Badge);

void BM_ScanShape_Badge200(benchmark::State& state) {
  static const Picture badge = BadgeAt(192);
  Scan(state, badge);
}
BENCHMARK(BM_ScanShape_Badge200);

void BM_ScanShape_2000x2000(benchmark::State& state) {
  static const Picture large = ManyRuns(2000);
  Scan(state, large);
}
BENCHMARK(BM_ScanShape_2000x2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
