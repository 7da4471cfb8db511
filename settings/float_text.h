// Floats to decimal text and back, exactly and whatever the locale.
//
// Our own rather than the C++ library's <charconv>, whose float code would be two
// fifths of the program's size; these two need only integer arithmetic.
#pragma once

#include <string>
#include <string_view>

namespace rn::float_text {

// The shortest text that reads back to the same float, the nearest of those if
// there are two, as plain decimal or with an exponent ("1e+07", "1.5e-05"),
// whichever is shorter (plain on a tie). "-" for a negative value, "-0" too;
// "inf" and "nan", which Parse refuses, for the others.
std::string Format(float value);

enum class ParseResult {
  Ok,
  Invalid,     // not the whole of [-]digits[.digits][e[+|-]digits] (".5" and "1." count)
  OutOfRange,  // beyond the largest float, or so small but not zero that it rounds to zero
};

// The float nearest to the text's value, ties to the even one.
ParseResult Parse(std::string_view text, float& value);

}  // namespace rn::float_text
