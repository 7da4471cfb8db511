// The text of the settings file: how each value is written and read back.
#pragma once

#include <string>

#include "platform/file_numbers.h"
#include "platform/flag.h"

namespace rn {

// Decimal with "." whatever the user's locale, no sign but a leading "-" (an exponent,
// needed only far beyond any position, carries its own), no point in a
// whole value, no trailing zeros: the shortest text that reads back to the same
// float, which for whole and half twips is at most 7 significant digits.
std::string FormatNumber(float value);
std::string FormatFlag(Flag flag);  // "#TRUE#" or "#FALSE#"

// Each reads one value: blanks before it are skipped, and a comma or a line end
// ends it. A value that cannot be taken raises a run-time error having consumed
// at most the value's own text: the next read starts after it, or, for a value
// longer than any valid one, after its first 64 characters.
float ReadNumber(tk::TextReader& in);
// A number that stands for a window position: it also has to lie within the
// platform's coordinates.
float ReadPosition(tk::TextReader& in);
// "#TRUE#", "#FALSE#", or a number (0 false, anything else true).
Flag ReadFlag(tk::TextReader& in);
// Editors put a UTF-8 byte-order mark before a file saved as UTF-8; the writer
// never does. Skipped at the start, it leaves the first value readable.
void SkipByteOrderMark(tk::TextReader& in);

}  // namespace rn
