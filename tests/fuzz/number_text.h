// The rules the settings file's numbers are written by, and the floats worth
// writing, shared by the unit test's sweep and the exhaustive one in the fuzz
// build (scripts/fuzz --sweep).
#pragma once

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/errors.h"
#include "settings/float_text.h"
#include "settings/settings_text.h"

namespace rn::fuzz {

// Empty when `text` is how the settings file writes `value`, else the broken rule:
// ASCII digits, one "." and one exponent at most, "-" only as the sign of the
// number or of its exponent, no trailing zeros in a fraction, no leading zeros,
// and no point in a whole value written without an exponent.
inline std::string BrokenTextRule(std::string_view text, float value) {
  if (text.empty()) return "empty";
  for (const char c : text) {
    const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e';
    if (!allowed) return "a character other than a digit, '.', 'e' or a sign";
  }
  const std::size_t e = text.find('e');
  if (e != std::string_view::npos && text.find('e', e + 1) != std::string_view::npos) {
    return "two exponents";
  }
  std::string_view mantissa = text.substr(0, e);
  const std::string_view exponent = e == std::string_view::npos ? "" : text.substr(e + 1);
  if (mantissa.starts_with('-')) mantissa.remove_prefix(1);
  if (mantissa.find_first_of("-+") != std::string_view::npos) return "a sign inside the number";
  const std::size_t point = mantissa.find('.');
  const std::string_view whole = mantissa.substr(0, point);
  if (whole.empty()) return "no digit before the point";
  if (whole.size() > 1 && whole.front() == '0') return "a leading zero";
  if (point != std::string_view::npos) {
    const std::string_view fraction = mantissa.substr(point + 1);
    if (fraction.empty()) return "a point with no fraction";
    if (fraction.find('.') != std::string_view::npos) return "two points";
    if (fraction.back() == '0') return "a trailing zero in the fraction";
    if (e == std::string_view::npos && value == std::trunc(value))
      return "a point in a whole value";
  }
  if (e != std::string_view::npos) {
    std::string_view digits = exponent;
    if (digits.starts_with('-') || digits.starts_with('+')) digits.remove_prefix(1);
    if (digits.empty()) return "an exponent without digits";
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) {
      return "a sign inside the exponent";
    }
  }
  return {};
}

// Digits of the mantissa without the leading zeros of a value below one.
inline int SignificantDigits(std::string_view text) {
  const std::string_view mantissa = text.substr(0, text.find('e'));
  int digits = 0;
  bool leading = true;
  for (const char c : mantissa) {
    if (c < '0' || c > '9') continue;
    if (leading && c == '0') continue;
    leading = false;
    ++digits;
  }
  return digits;
}

inline float FromBits(std::uint32_t bits) { return std::bit_cast<float>(bits); }
inline std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

// The C++ library's <charconv>, exact and spared by the test builds, as the
// oracle for the program's own float text: the shortest text it writes...
inline std::string LibraryText(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// ...and what the program's reader must say of a text: the library's float
// where it takes the whole text as a finite number, out of range where it says
// so of the whole text, invalid for anything else.
struct Verdict {
  float_text::ParseResult result;
  float value;
};

inline Verdict LibraryVerdict(std::string_view text) {
  using float_text::ParseResult;
  float value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ptr != end) return {ParseResult::Invalid, 0};
  if (ec == std::errc::result_out_of_range) return {ParseResult::OutOfRange, 0};
  if (ec != std::errc{} || !std::isfinite(value)) return {ParseResult::Invalid, 0};
  return {ParseResult::Ok, value};
}

inline constexpr std::uint32_t kSign = 0x8000'0000u;
inline constexpr std::uint32_t kExponent = 0x7F80'0000u;
inline constexpr std::uint32_t kLargestFinite = 0x7F7F'FFFFu;
inline constexpr std::uint32_t kSmallestNormal = 0x0080'0000u;
inline constexpr float kMaxPositionTwips = 491505.0f;

inline bool FiniteBits(std::uint32_t bits) { return (bits & kExponent) != kExponent; }

// `count` bit patterns spread evenly over all 2^32 by a stride coprime with
// 2^32 (so none repeats), the non-finite ones left out.
inline void SpreadOverAllFloats(std::uint64_t count, const std::function<void(float)>& visit) {
  constexpr std::uint32_t kStride = 0x9E37'79B9u;  // odd, and far from any power of two
  std::uint32_t bits = 0x1234'5678u;
  for (std::uint64_t i = 0; i < count; ++i, bits += kStride) {
    if (FiniteBits(bits)) visit(FromBits(bits));
  }
}

// Both signs of zero, the subnormals and normals at their meeting point and at
// the ends, the largest values, and `near` patterns beside each of those.
inline void EdgeFloats(std::uint32_t near, const std::function<void(float)>& visit) {
  const auto both = [&](std::uint32_t bits) {
    visit(FromBits(bits));
    visit(FromBits(bits | kSign));
  };
  for (std::uint32_t i = 0; i < near; ++i) {
    both(i);                        // zero and the smallest subnormals
    both(kSmallestNormal - 1 - i);  // the largest subnormals
    both(kSmallestNormal + i);      // the smallest normals
    both(kLargestFinite - i);       // the largest values
  }
  for (int exponent = -45; exponent <= 38; ++exponent) {
    const float power = std::pow(10.0f, static_cast<float>(exponent));
    if (!std::isfinite(power) || power == 0) continue;
    for (std::uint32_t i = 0; i < near && i <= Bits(power); ++i) {
      both(Bits(power) - i);
      if (Bits(power) + i <= kLargestFinite) both(Bits(power) + i);
    }
  }
}

// Every whole and half twip a window position can take, both signs.
inline void EveryPositionTwip(const std::function<void(float)>& visit) {
  for (std::int32_t halves = 0; halves <= 2 * 491505; ++halves) {
    const float value = static_cast<float>(halves) / 2.0f;
    visit(value);
    visit(-value);
  }
}

// Writes values as the settings file does, checks each text against the
// rules, and reads them back in batches through one reader, as one long file
// with the values separated by commas and line ends alike.
class RoundTrip {
 public:
  enum class Reader { Number, Position };
  explicit RoundTrip(Reader reader = Reader::Number) : reader_(reader) {}

  void Add(float value) {
    const std::string text = FormatNumber(value);
    if (const std::string broken = BrokenTextRule(text, value); !broken.empty()) {
      Failure(text + ": " + broken);
    }
    if (text != LibraryText(value)) Failure(text + ": the library writes " + LibraryText(value));
    batch_ += text;
    batch_ += (expected_.size() % 2 == 0) ? "," : "\r\n";
    expected_.push_back(Bits(value));
    if (expected_.size() == kBatch) Flush();
  }

  void Flush() {
    tk::TextReader in(std::make_unique<MemoryInput>(batch_));
    for (const std::uint32_t bits : expected_) {
      try {
        const float back = reader_ == Reader::Position ? ReadPosition(in) : ReadNumber(in);
        if (Bits(back) != bits) Failure(FormatNumber(FromBits(bits)) + ": read back differently");
      } catch (const tk::RuntimeError& e) {
        Failure(FormatNumber(FromBits(bits)) + ": " + e.what());
      }
    }
    checked_ += expected_.size();
    batch_.clear();
    expected_.clear();
  }

  std::uint64_t checked() const { return checked_; }
  std::uint64_t failed() const { return failed_; }
  const std::vector<std::string>& firstFailures() const { return first_failures_; }

 private:
  static constexpr std::size_t kBatch = 4096;
  void Failure(std::string what) {
    if (++failed_ <= 20) first_failures_.push_back(std::move(what));
  }

  Reader reader_;
  std::string batch_;
  std::vector<std::uint32_t> expected_;
  std::uint64_t checked_ = 0;
  std::uint64_t failed_ = 0;
  std::vector<std::string> first_failures_;
};

}  // namespace rn::fuzz
