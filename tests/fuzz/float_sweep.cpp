// The multi-million round trip the unit tests cannot afford under the Debug
// sanitizer build: every finite float (`all`) or COUNT patterns spread over
// them, plus the edges and every window position in whole and half twips.
// Exits non-zero and names the first values whose text breaks a rule or does
// not read back bit for bit.
//
//   float_sweep [all | COUNT] [threads]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "number_text.h"

namespace rn::fuzz {
namespace {

struct Totals {
  std::mutex mutex;
  std::uint64_t checked = 0;
  std::uint64_t failed = 0;
  std::vector<std::string> first;
  void Take(RoundTrip& trip) {
    trip.Flush();
    const std::lock_guard lock(mutex);
    checked += trip.checked();
    failed += trip.failed();
    for (const std::string& f : trip.firstFailures()) {
      if (first.size() < 20) first.push_back(f);
    }
  }
};

void SweepRange(std::uint64_t begin, std::uint64_t end, Totals& totals) {
  RoundTrip trip;
  for (std::uint64_t bits = begin; bits < end; ++bits) {
    const auto b = static_cast<std::uint32_t>(bits);
    if (FiniteBits(b)) trip.Add(FromBits(b));
  }
  totals.Take(trip);
}

void SweepPositions(Totals& totals) {
  RoundTrip trip(RoundTrip::Reader::Position);
  std::uint64_t tooLong = 0;
  EveryPositionTwip([&](float value) {
    trip.Add(value);
    if (SignificantDigits(FormatNumber(value)) > 7) ++tooLong;
  });
  totals.Take(trip);
  if (tooLong != 0) {
    const std::lock_guard lock(totals.mutex);
    totals.failed += tooLong;
    totals.first.push_back(std::to_string(tooLong) + " twip values with more than 7 digits");
  }
}

}  // namespace
}  // namespace rn::fuzz

int main(int argc, char** argv) {
  using namespace rn::fuzz;
  const std::string what = argc > 1 ? argv[1] : "100000000";
  const unsigned threads = argc > 2 ? static_cast<unsigned>(std::atoi(argv[2]))
                                    : std::max(1u, std::thread::hardware_concurrency());
  Totals totals;
  std::vector<std::thread> workers;
  if (what == "all") {
    constexpr std::uint64_t kAll = std::uint64_t{1} << 32;
    for (unsigned t = 0; t < threads; ++t) {
      workers.emplace_back(SweepRange, kAll * t / threads, kAll * (t + 1) / threads,
                           std::ref(totals));
    }
  } else {
    const std::uint64_t count = std::strtoull(what.c_str(), nullptr, 10);
    workers.emplace_back([count, &totals] {
      RoundTrip trip;
      SpreadOverAllFloats(count, [&](float v) { trip.Add(v); });
      EdgeFloats(1000, [&](float v) { trip.Add(v); });
      totals.Take(trip);
    });
  }
  workers.emplace_back(SweepPositions, std::ref(totals));
  for (std::thread& w : workers) w.join();

  std::printf("float sweep (%s): %llu finite values written and read back, %llu failures\n",
              what.c_str(), static_cast<unsigned long long>(totals.checked),
              static_cast<unsigned long long>(totals.failed));
  for (const std::string& f : totals.first) std::printf("  %s\n", f.c_str());
  return totals.failed == 0 ? 0 : 1;
}
