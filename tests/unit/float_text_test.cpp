// Our float text against the C++ library's <charconv>: every written text must
// be the library's, and every read must give the library's float or verdict,
// here where the texts are hardest; texts of any shape are the fuzz tier's
// (tests/fuzz/settings_reader_fuzz.cpp), which compares the two the same way.
#include "settings/float_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "tests/fuzz/number_text.h"

namespace rn::float_text {
namespace {

using fuzz::Bits;
using fuzz::LibraryText;
using fuzz::LibraryVerdict;
using fuzz::Verdict;

void ExpectFormatsLikeTheLibrary(float value) {
  ASSERT_EQ(Format(value), LibraryText(value)) << "bits " << std::hex << Bits(value);
}

void ExpectParsesLikeTheLibrary(const std::string& text) {
  const Verdict expected = LibraryVerdict(text);
  float value = 0;
  ASSERT_EQ(Parse(text, value), expected.result) << '"' << text << '"';
  if (expected.result == ParseResult::Ok) {
    ASSERT_EQ(Bits(value), Bits(expected.value)) << '"' << text << '"';
  }
}

// Floats spread over all patterns are the round-trip sweep's, which checks the
// library's text too (reliability_roundtrip_test.cpp).
TEST(FloatTextFormat, MatchesTheLibraryWhereShortestTextIsHardest) {
  // Subnormals, the first normals, the largest floats, and both zeros.
  for (std::uint32_t bits = 0; bits < 20000; ++bits) {
    ExpectFormatsLikeTheLibrary(std::bit_cast<float>(bits));
    ExpectFormatsLikeTheLibrary(std::bit_cast<float>(0x00800000u + bits - 10000));
    ExpectFormatsLikeTheLibrary(-std::bit_cast<float>(0x7F7FFFFFu - bits));
  }
  // Powers of two and of ten and their neighbours: the lopsided intervals, and
  // where the choice between plain and exponent turns.
  for (int exponent = -149; exponent <= 127; ++exponent) {
    const float power = std::ldexp(1.0f, exponent);
    ExpectFormatsLikeTheLibrary(power);
    ExpectFormatsLikeTheLibrary(std::nextafter(power, 0.0f));
    ExpectFormatsLikeTheLibrary(std::nextafter(power, 1e38f));
  }
  for (int exponent = -45; exponent <= 38; ++exponent) {
    const float power = std::pow(10.0f, static_cast<float>(exponent));
    for (const float value : {power, 9.5f * power, 1.5f * power, 123456.7f * power}) {
      if (!std::isfinite(value)) continue;
      ExpectFormatsLikeTheLibrary(value);
      ExpectFormatsLikeTheLibrary(std::nextafter(value, 0.0f));
    }
  }
}

TEST(FloatTextFormat, WholeValuesShowTheirOwnDigits) {
  EXPECT_EQ(Format(240823472.0f), "240823472");
  EXPECT_EQ(Format(1e7f), "1e+07");
  EXPECT_EQ(Format(100.0f), "100");
  EXPECT_EQ(Format(0.0001f), "1e-04");
  EXPECT_EQ(Format(0.001f), "0.001");
  EXPECT_EQ(Format(-0.0f), "-0");
  EXPECT_EQ(Format(-std::numeric_limits<float>::infinity()), "-inf");
  EXPECT_EQ(Format(std::numeric_limits<float>::quiet_NaN()), "nan");
}

// The hardest texts: a float's exact midpoint with its neighbour (which rounds
// to the even one), and a hair either side of it.
TEST(FloatTextParse, MatchesTheLibraryAtAndAroundMidpoints) {
  std::mt19937 random(13);
  for (int i = 0; i < 30000; ++i) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()) & 0x7F7FFFFFu);
    // Exact in a double, and written out exactly with 120 digits.
    const double midpoint =
        (static_cast<double>(value) + std::nextafter(value, std::numeric_limits<float>::max())) / 2;
    char buffer[200];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, midpoint, std::chars_format::scientific, 120);
    std::string mantissa(buffer, written.ptr);
    const std::string exponent = mantissa.substr(mantissa.find('e'));
    mantissa.erase(mantissa.find('e'));
    while (mantissa.back() == '0') mantissa.pop_back();
    ExpectParsesLikeTheLibrary(mantissa + exponent);
    ExpectParsesLikeTheLibrary(mantissa + std::string(150, '0') + "1" + exponent);
    if (mantissa.back() != '0') {
      --mantissa.back();
      ExpectParsesLikeTheLibrary(mantissa + std::string(150, '9') + exponent);
    }
  }
}

TEST(FloatTextParse, TheEdgesOfTheRange) {
  for (const char* text :
       {"3.4028235e38",
        "3.40282356779733661637539395458142568447e38",  // just below
        "3.40282356779733661637539395458142568448e38",  // ties up: too big
        "1e39",
        "1e-45",
        "7.1e-46",
        "7.00649232162408535461864791644958065640130970938257885878534141944895541342930"
        "300743319094181060791015625e-46",  // half the smallest: ties down to zero
        "7.00649232162408535461864791644958065640130970938257885878534141944895541342930"
        "300743319094181060791015626e-46",  // a hair more: the smallest
        "1e-46",
        "-1e-50",
        "0e999999999999",
        "-0.000",
        "1e99999999999",
        "1e-99999999999",
        "00000000000000000000000000000000000000001",
        ".5",
        "1.",
        ".",
        "-",
        "+1",
        "1e",
        "1e+",
        "inf",
        "nan",
        "0x1p3",
        "1,5"}) {
    ExpectParsesLikeTheLibrary(text);
  }
}

TEST(FloatTextParse, LongTextsAreExactAndCheap) {
  float value = 0;
  EXPECT_EQ(Parse(std::string(100000, '9'), value), ParseResult::OutOfRange);
  const std::string tiny = "0." + std::string(44, '0') + std::string(100000, '7');
  ExpectParsesLikeTheLibrary(tiny);
  // 16777217 lies halfway between two floats and goes to the even one; a digit
  // far beyond any the floats need still tips it.
  const std::string zeros(100000, '0');
  EXPECT_EQ(Parse("16777217", value), ParseResult::Ok);
  EXPECT_EQ(value, 16777216.0f);
  EXPECT_EQ(Parse("16777217." + zeros, value), ParseResult::Ok);
  EXPECT_EQ(value, 16777216.0f);
  EXPECT_EQ(Parse("16777217." + zeros + "1", value), ParseResult::Ok);
  EXPECT_EQ(value, 16777218.0f);
}

}  // namespace
}  // namespace rn::float_text
