// UTF-8 (the gadget's text) to UTF-16 (every wide-character call) and back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rn::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system's own words for an error code, in UTF-8, without the line break it
// ends with; a code it has no words for becomes "error N".
std::string SystemMessage(std::uint32_t code);

}  // namespace rn::win32
