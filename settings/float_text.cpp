#include "settings/float_text.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <iterator>

#include "settings/float_exact.h"

#include "settings/float_exact.h"

namespace rn::float_text {
namespace {

using namespace exact;

// ------------------------------------------------------------ writing

struct Digits {
  std::array<char, 12> digit{};  // a float never needs more than 9
  int count = 0;
  int exponent = 0;  // of the first digit: d.ddd * 10^exponent
};

// The shortest digits inside the interval of values that read back to the float,
// generated one at a time with exact integers (Steele & White's free-format
// algorithm as Burger & Dybvig state it): value = r / s, and the distances to the
// interval's ends are mPlus / s and mMinus / s, all scaled by the same 10^k.
Digits ShortestDigits(std::uint32_t bits) {
  const Binary b(bits);
  // Ties read back to the even mantissa, so its interval includes its ends.
  const bool inclusive = b.mantissa % 2 == 0;
  const int half = b.lowerGapIsHalf ? 1 : 0;
  BigUint r, s, mPlus, mMinus;
  if (b.exponent >= 0) {
    r = Shifted(b.mantissa, b.exponent + 1 + half);
    s = Shifted(2, half);
    mPlus = Shifted(1, b.exponent + half);
    mMinus = Shifted(1, b.exponent);
  } else {
    r = Shifted(b.mantissa, 1 + half);
    s = Shifted(1, 1 - b.exponent + half);
    mPlus = BigUint(1u << half);
    mMinus = BigUint(1);
  }
  const auto beyondTop = [&](const BigUint& top) {
    const int c = Compare(top, s);
    return inclusive ? c >= 0 : c > 0;
  };

  // k: the least power of ten above the interval's upper end. 78913 / 2^18 is
  // just below log10(2): the estimate is off by one at most, which the loops mend.
  const int binaryExponent = b.exponent + std::bit_width(b.mantissa) - 1;
  int k = (binaryExponent * 78913 >> 18) + 1;
  if (k >= 0) {
    s.MultiplyByPowerOf10(k);
  } else {
    r.MultiplyByPowerOf10(-k);
    mPlus.MultiplyByPowerOf10(-k);
    mMinus.MultiplyByPowerOf10(-k);
  }
  const auto topTimes10 = [&] {
    BigUint top = Sum(r, mPlus);
    top.MultiplyAdd(10);
    return top;
  };
  while (beyondTop(Sum(r, mPlus))) {
    s.MultiplyAdd(10);
    ++k;
  }
  while (!beyondTop(topTimes10())) {
    r.MultiplyAdd(10);
    mPlus.MultiplyAdd(10);
    mMinus.MultiplyAdd(10);
    --k;
  }

  Digits out;
  out.exponent = k - 1;
  for (;;) {
    r.MultiplyAdd(10);
    mPlus.MultiplyAdd(10);
    mMinus.MultiplyAdd(10);
    char digit = 0;
    for (; Compare(r, s) >= 0; ++digit) r.Subtract(s);
    const int low = Compare(r, mMinus);
    const bool lowEnough = inclusive ? low <= 0 : low < 0;  // this prefix is in the interval
    const bool highEnough = beyondTop(Sum(r, mPlus));       // so is the prefix one up
    if (lowEnough && highEnough) {
      // Both: the nearer one, the even one on a tie.
      const int twice = Compare(Sum(r, r), s);
      if (twice > 0 || (twice == 0 && digit % 2 == 1)) ++digit;
    } else if (highEnough) {
      ++digit;  // never 10: the previous prefix would have ended the digits
    }
    out.digit[out.count++] = static_cast<char>('0' + digit);
    if (lowEnough || highEnough) return out;
  }
}

// A float's decimal exponent lies within -45..38: always two digits.
void AppendExponent(std::string& out, int exponent) {
  out += 'e';
  out += exponent < 0 ? '-' : '+';
  const int magnitude = std::abs(exponent);
  out += static_cast<char>('0' + magnitude / 10);
  out += static_cast<char>('0' + magnitude % 10);
}

// The exact value of a whole float below 2^64.
void AppendWhole(std::string& out, std::uint32_t bits) {
  const Binary b(bits);
  std::uint64_t whole = b.exponent >= 0 ? std::uint64_t{b.mantissa} << b.exponent
                                        : std::uint64_t{b.mantissa} >> -b.exponent;
  char text[20];
  char* first = std::end(text);
  do {
    *--first = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  out.append(first, std::end(text));
}

// printf's %f or %e for the float `bits` with its shortest digits, whichever is
// shorter. %f is chosen only up to 14 digits, so a whole value is below 2^64.
void AppendDecimal(std::string& out, std::uint32_t bits) {
  const Digits d = ShortestDigits(bits);
  const std::string_view digits(d.digit.data(), static_cast<std::size_t>(d.count));
  const int lastDigitExponent = d.exponent - d.count + 1;
  const int plainLength = lastDigitExponent >= 0 ? d.count + lastDigitExponent
                          : d.exponent >= 0      ? d.count + 1
                                                 : 2 - lastDigitExponent;
  const int scientificLength = d.count + (d.count > 1 ? 1 : 0) + 4;
  if (scientificLength < plainLength) {
    out += digits[0];
    if (d.count > 1) {
      out += '.';
      out += digits.substr(1);
    }
    AppendExponent(out, d.exponent);
  } else if (lastDigitExponent >= 0) {
    // %f shows a whole value's own digits rather than the shortest ones padded
    // with zeros: 240823472, not 240823470.
    AppendWhole(out, bits);
  } else if (d.exponent >= 0) {
    out += digits.substr(0, static_cast<std::size_t>(d.exponent) + 1);
    out += '.';
    out += digits.substr(static_cast<std::size_t>(d.exponent) + 1);
  } else {
    out += "0.";
    out.append(static_cast<std::size_t>(-d.exponent - 1), '0');
    out += digits;
  }
}

// ------------------------------------------------------------ reading

// Digits kept exactly; any further ones only matter for being zero or not. No
// midpoint between two floats has more than 113 significant digits, so a value
// cut after 120 with a final 1 for "something nonzero follows" rounds alike.
constexpr int kMaxDigits = 120;

// A parsed decimal: digits * 10^exponent.
struct Decimal {
  BigUint digits;
  int count = 0;              // significant digits in `digits`, the first not zero
  int exponent = 0;           // of the last digit
  std::uint64_t leading = 0;  // the first 19 digits, for a first estimate
  int leadingCount = 0;

  void Append(int digit) {
    digits.MultiplyAdd(10, static_cast<std::uint32_t>(digit));
    ++count;
    if (leadingCount < 19) {
      leading = leading * 10 + static_cast<std::uint64_t>(digit);
      ++leadingCount;
    }
  }
};

// Compares digits * 10^exponent with mantissa * 2^binaryExponent, exactly.
int CompareWithBinary(const Decimal& d, std::uint64_t mantissa, int binaryExponent) {
  BigUint a = d.digits;
  BigUint b(mantissa);
  if (d.exponent >= 0) {
    a.MultiplyByPowerOf5(d.exponent);
  } else {
    b.MultiplyByPowerOf5(-d.exponent);
  }
  const int twos = d.exponent - binaryExponent;
  if (twos > 0) {
    a.ShiftLeft(twos);
  } else {
    b.ShiftLeft(-twos);
  }
  return Compare(a, b);
}

// A first guess within an ulp or two, from the leading digits in double precision.
std::uint32_t EstimateBits(const Decimal& d) {
  double value = static_cast<double>(d.leading);
  int exponent = d.exponent + (d.count - d.leadingCount);
  for (; exponent > 0; --exponent) value *= 10;
  for (; exponent < 0; ++exponent) value /= 10;
  const float guess = static_cast<float>(value);
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(guess);
  return bits > kLargestFinite ? kLargestFinite : bits;
}

// The float nearest to a positive decimal, found by stepping from the estimate
// until the value lies between the float's midpoints with its neighbours.
ParseResult Round(const Decimal& d, std::uint32_t& bits) {
  bits = EstimateBits(d);
  for (;;) {
    const Binary b(bits);
    const int up = CompareWithBinary(d, 2 * std::uint64_t{b.mantissa} + 1, b.exponent - 1);
    if (up > 0 || (up == 0 && bits % 2 == 1)) {
      if (bits == kLargestFinite) return ParseResult::OutOfRange;
      ++bits;
      continue;
    }
    if (bits == 0) return ParseResult::OutOfRange;  // not zero, yet nearer zero than anything
    const int down = b.lowerGapIsHalf
                         ? CompareWithBinary(d, 4 * std::uint64_t{b.mantissa} - 1, b.exponent - 2)
                         : CompareWithBinary(d, 2 * std::uint64_t{b.mantissa} - 1, b.exponent - 1);
    if (down < 0 || (down == 0 && bits % 2 == 1)) {
      --bits;
      continue;
    }
    return ParseResult::Ok;
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads [-]digits[.digits][e[+|-]digits] to the text's end.
bool ParseSyntax(std::string_view text, bool& negative, Decimal& d) {
  std::size_t i = 0;
  negative = i < text.size() && text[i] == '-';
  if (negative) ++i;
  bool sticky = false;  // a nonzero digit beyond kMaxDigits
  int mantissaDigits = 0;
  const auto take = [&](bool fraction) {
    const int digit = text[i++] - '0';
    ++mantissaDigits;
    if (d.count == 0 && digit == 0) {
      if (fraction) --d.exponent;
    } else if (d.count < kMaxDigits) {
      d.Append(digit);
      if (fraction) --d.exponent;
    } else {
      sticky = sticky || digit != 0;
      if (!fraction) ++d.exponent;
    }
  };
  while (i < text.size() && IsDigit(text[i])) take(false);
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) take(true);
  }
  if (mantissaDigits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    const bool negativeExponent = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i == text.size() || !IsDigit(text[i])) return false;
    // Far beyond any float either way: saturate rather than overflow.
    int exponent = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      exponent = exponent > 100000 ? exponent : exponent * 10 + (text[i] - '0');
    }
    d.exponent += negativeExponent ? -exponent : exponent;
  }
  if (sticky) {
    d.Append(1);
    --d.exponent;
  }
  return i == text.size();
}

}  // namespace

std::string Format(float value) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
  std::string out;
  if (bits & kSignBit) out += '-';
  const std::uint32_t magnitude = bits & ~kSignBit;
  if (magnitude > kLargestFinite) {
    out += magnitude == kInfinity ? "inf" : "nan";
  } else if (magnitude == 0) {
    out += '0';
  } else {
    AppendDecimal(out, magnitude);
  }
  return out;
}

ParseResult Parse(std::string_view text, float& value) {
  bool negative = false;
  Decimal d;
  if (!ParseSyntax(text, negative, d)) return ParseResult::Invalid;
  std::uint32_t bits = 0;
  if (d.count > 0) {
    // The value lies in [10^(lead - 1), 10^lead): settle the far ones at once,
    // which also keeps the exact integers within their capacity.
    const int lead = d.count + d.exponent;
    if (lead > 39 || lead < -45) return ParseResult::OutOfRange;
    const ParseResult rounded = Round(d, bits);
    if (rounded != ParseResult::Ok) return rounded;
  }
  value = std::bit_cast<float>(negative ? bits | kSignBit : bits);
  return ParseResult::Ok;
}

}  // namespace rn::float_text
