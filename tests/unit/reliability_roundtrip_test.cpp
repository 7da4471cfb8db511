// Millions of floats written as the settings file writes them: each text keeps
// the file's rules and reads back bit for bit. The sweep over all 2^32
// patterns is too slow for the Debug sanitizer build and runs in the fuzz
// build instead (scripts/fuzz --sweep all).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/errors.h"
#include "settings/settings_text.h"
#include "tests/fuzz/number_text.h"

namespace rn {
namespace {

using fuzz::RoundTrip;

void ExpectNoFailures(const RoundTrip& trip) {
  EXPECT_EQ(trip.failed(), 0u);
  for (const std::string& failure : trip.firstFailures()) ADD_FAILURE() << failure;
}

TEST(RoundTripSweep, FloatsSpreadEvenlyOverAllBitPatterns) {
  RoundTrip trip;
  fuzz::SpreadOverAllFloats(1'000'000, [&](float value) { trip.Add(value); });
  trip.Flush();
  ExpectNoFailures(trip);
  // About 1 in 256 patterns is an infinity or a NaN and is left out.
  EXPECT_GT(trip.checked(), 990'000u);
}

TEST(RoundTripSweep, ZerosSubnormalsAndTheLargestValues) {
  RoundTrip trip;
  fuzz::EdgeFloats(1000, [&](float value) { trip.Add(value); });
  trip.Flush();
  ExpectNoFailures(trip);
  EXPECT_GT(trip.checked(), 300'000u);
}

TEST(RoundTripSweep, EveryWholeAndHalfTwipPositionInAtMostSevenDigits) {
  RoundTrip trip(RoundTrip::Reader::Position);
  int longest = 0;
  fuzz::EveryPositionTwip([&](float value) {
    trip.Add(value);
    longest = std::max(longest, fuzz::SignificantDigits(FormatNumber(value)));
  });
  trip.Flush();
  ExpectNoFailures(trip);
  EXPECT_EQ(trip.checked(), 2u * (2u * 491'505u + 1u)) << "both signs of every half twip";
  EXPECT_LE(longest, 7);
}

TEST(RoundTripSweep, TheFirstFloatBeyondTheCoordinatesIsNoPosition) {
  const float limit = fuzz::kMaxPositionTwips;
  for (const float beyond : {std::nextafter(limit, std::numeric_limits<float>::max()),
                             -std::nextafter(limit, std::numeric_limits<float>::max())}) {
    RoundTrip trip(RoundTrip::Reader::Position);
    trip.Add(beyond);
    trip.Flush();
    ASSERT_EQ(trip.failed(), 1u) << FormatNumber(beyond);
    EXPECT_NE(trip.firstFailures()[0].find("Overflow"), std::string::npos);
  }
}

// The sweeps above pass only if the rule check can fail: each text here
// breaks one rule, and each is still a number the reader would take.
TEST(RoundTripRules, EachBrokenRuleIsCaught) {
  const std::pair<const char*, float> broken[] = {
      {"1.50", 1.5f},  {"2.0", 2.0f},      {"+1", 1.0f},           {"05", 5.0f},    {"1 ", 1.0f},
      {"1,5", 1.5f},   {"1\r", 1.0f},      {".5", 0.5f},           {"1.", 1.0f},    {"1-2", 1.0f},
      {"--1", -1.0f},  {"1e", 1.0f},       {"1e+-3", 1e-3f},       {"1e3e3", 1e3f}, {"0x1p3", 8.0f},
      {"1.5.5", 1.5f}, {"12.0e3", 1.2e4f}, {"\xef\xbc\x91", 1.0f},
  };
  for (const auto& [text, value] : broken) {
    EXPECT_NE(fuzz::BrokenTextRule(text, value), "") << text;
  }
  for (const auto& [text, value] : {std::pair{"0", 0.0f},
                                    {"-0", -0.0f},
                                    {"527.5", 527.5f},
                                    {"1e+10", 1e10f},
                                    {"1e-45", 1e-45f},
                                    {"-3.4028235e+38", -3.4028235e38f},
                                    {"0.001", 0.001f}}) {
    EXPECT_EQ(fuzz::BrokenTextRule(text, value), "") << text;
  }
}

}  // namespace
}  // namespace rn
