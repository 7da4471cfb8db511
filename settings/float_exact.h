// The exact integers and float parts that let float text be written shortest and
// read back to the nearest float without any rounding of its own.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

namespace rn::float_text::exact {

// ------------------------------------------------------------ exact integers

// An unsigned integer of fixed capacity, as large as the exact comparisons below
// need: a read value's digits (at most kMaxDigits, 403 bits) times a power of two
// up to 2^150, or a float's midpoint (26 bits) times 10^166. Exceeding it is a
// logic error and stops the program rather than giving a wrong value.
class BigUint {
 public:
  BigUint() = default;
  explicit BigUint(std::uint64_t value) {
    for (; value != 0; value >>= 32) Push(static_cast<std::uint32_t>(value));
  }

  void MultiplyAdd(std::uint32_t factor, std::uint32_t addend = 0) {
    std::uint64_t carry = addend;
    for (int i = 0; i < size_; ++i) {
      carry += static_cast<std::uint64_t>(limbs_[i]) * factor;
      limbs_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0) Push(static_cast<std::uint32_t>(carry));
  }

  void MultiplyByPowerOf5(int exponent) {
    constexpr std::uint32_t kPow5_13 = 1220703125;  // the largest power of 5 in 32 bits
    for (; exponent >= 13; exponent -= 13) MultiplyAdd(kPow5_13);
    std::uint32_t rest = 1;
    for (; exponent > 0; --exponent) rest *= 5;
    MultiplyAdd(rest);
  }

  void MultiplyByPowerOf10(int exponent) {
    for (; exponent >= 9; exponent -= 9) MultiplyAdd(1000000000);
    std::uint32_t rest = 1;
    for (; exponent > 0; --exponent) rest *= 10;
    MultiplyAdd(rest);
  }

  void ShiftLeft(int bits) {
    if (size_ == 0 || bits == 0) return;
    const int whole = bits / 32;
    const int part = bits % 32;
    if (size_ + whole + 1 > kLimbs) std::abort();
    std::uint32_t spill = part == 0 ? 0 : limbs_[size_ - 1] >> (32 - part);
    for (int i = size_ - 1; i >= 0; --i) {
      const std::uint32_t lower = (part == 0 || i == 0) ? 0 : limbs_[i - 1] >> (32 - part);
      limbs_[i + whole] = (limbs_[i] << part) | lower;
    }
    for (int i = 0; i < whole; ++i) limbs_[i] = 0;
    size_ += whole;
    if (spill != 0) Push(spill);
  }

  void Add(const BigUint& other) {
    std::uint64_t carry = 0;
    for (int i = 0; i < size_ || i < other.size_; ++i) {
      carry += static_cast<std::uint64_t>(Limb(i)) + other.Limb(i);
      if (i == size_) Push(0);
      limbs_[i] = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
    if (carry != 0) Push(static_cast<std::uint32_t>(carry));
  }

  // Requires *this >= other.
  void Subtract(const BigUint& other) {
    std::int64_t borrow = 0;
    for (int i = 0; i < size_; ++i) {
      const std::int64_t difference = static_cast<std::int64_t>(limbs_[i]) - other.Limb(i) - borrow;
      borrow = difference < 0 ? 1 : 0;
      limbs_[i] = static_cast<std::uint32_t>(difference + (borrow << 32));
    }
    while (size_ > 0 && limbs_[size_ - 1] == 0) --size_;
  }

  friend int Compare(const BigUint& a, const BigUint& b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (int i = a.size_ - 1; i >= 0; --i) {
      if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
    }
    return 0;
  }

 private:
  static constexpr int kLimbs = 24;

  std::uint32_t Limb(int i) const { return i < size_ ? limbs_[i] : 0; }
  void Push(std::uint32_t limb) {
    if (size_ == kLimbs) std::abort();
    limbs_[size_++] = limb;
  }

  std::array<std::uint32_t, kLimbs> limbs_{};
  int size_ = 0;  // no leading zero limbs; zero has none
};

inline BigUint Sum(BigUint a, const BigUint& b) {
  a.Add(b);
  return a;
}

inline BigUint Shifted(std::uint64_t value, int bits) {
  BigUint result(value);
  result.ShiftLeft(bits);
  return result;
}

// ------------------------------------------------------------ floats as integers

constexpr std::uint32_t kSignBit = 0x80000000u;
constexpr std::uint32_t kLargestFinite = 0x7F7FFFFFu;
constexpr std::uint32_t kInfinity = 0x7F800000u;
constexpr int kMantissaBits = 23;
constexpr int kSmallestExponent = -149;  // of the last mantissa bit of a subnormal

// A positive finite float, bits without the sign, as mantissa * 2^exponent.
struct Binary {
  std::uint32_t mantissa;
  int exponent;
  bool lowerGapIsHalf;  // the first float of a binade: the one below is nearer

  explicit Binary(std::uint32_t bits) {
    const int biased = static_cast<int>(bits >> kMantissaBits);
    const std::uint32_t fraction = bits & ((1u << kMantissaBits) - 1);
    mantissa = biased == 0 ? fraction : fraction | (1u << kMantissaBits);
    exponent = biased == 0 ? kSmallestExponent : biased + kSmallestExponent - 1;
    lowerGapIsHalf = fraction == 0 && biased > 1;
  }
};

}  // namespace rn::float_text::exact
