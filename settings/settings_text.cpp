#include "settings/settings_text.h"

#include <cmath>
#include <string_view>

#include "platform/errors.h"
#include "settings/float_text.h"

namespace rn {
namespace {

// Longer than any value the writer produces (the longest float text is about 15
// characters); a longer one is damage, and is not read to its end.
constexpr std::size_t kMaxValueChars = 64;

// The platform's coordinates are 16-bit in its messages; at the usual 15 twips
// a pixel that is this many twips.
constexpr float kMaxPositionTwips = 32767.0f * 15.0f;

constexpr std::string_view kTrueText = "#TRUE#";
constexpr std::string_view kFalseText = "#FALSE#";

bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool EndsValue(int c) { return c == ',' || c == '\r' || c == '\n'; }

// Consumes the delimiter after a value: a comma, or a line end of CR, LF or CR LF.
void SkipDelimiter(tk::TextReader& in) {
  const int c = in.Get();
  if (c == '\r' && in.Peek() == '\n') in.Get();
}

std::string ReadField(tk::TextReader& in) {
  while (IsBlank(in.Peek())) in.Get();
  if (in.Peek() == tk::TextReader::kEnd) throw tk::RuntimeError(tk::Error::InputPastEnd);
  std::string text;
  for (int c = in.Peek(); c != tk::TextReader::kEnd && !EndsValue(c); c = in.Peek()) {
    if (text.size() == kMaxValueChars)
      throw tk::RuntimeError(tk::Error::TypeMismatch, "value too long");
    text.push_back(static_cast<char>(in.Get()));
  }
  SkipDelimiter(in);
  while (!text.empty() && IsBlank(text.back())) text.pop_back();
  return text;
}

float ParseNumber(std::string_view text) {
  float value = 0;
  switch (float_text::Parse(text, value)) {
    case float_text::ParseResult::Ok: return value;
    case float_text::ParseResult::OutOfRange: throw tk::RuntimeError(tk::Error::Overflow);
    case float_text::ParseResult::Invalid: break;
  }
  throw tk::RuntimeError(tk::Error::TypeMismatch, std::string(text));
}

}  // namespace

std::string FormatNumber(float value) { return float_text::Format(value); }

std::string FormatFlag(Flag flag) { return std::string(flag == kFalse ? kFalseText : kTrueText); }

float ReadNumber(tk::TextReader& in) { return ParseNumber(ReadField(in)); }

float ReadPosition(tk::TextReader& in) {
  const float value = ReadNumber(in);
  if (std::fabs(value) > kMaxPositionTwips) throw tk::RuntimeError(tk::Error::Overflow);
  return value;
}

Flag ReadFlag(tk::TextReader& in) {
  const std::string text = ReadField(in);
  if (text == kTrueText) return kTrue;
  if (text == kFalseText) return kFalse;
  return ParseNumber(text) == 0 ? kFalse : kTrue;
}

void SkipByteOrderMark(tk::TextReader& in) { in.Skip("\xEF\xBB\xBF"); }

}  // namespace rn
