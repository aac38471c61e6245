#pragma once
// Conversions between the program's UTF-16 text, UTF-8 (host paths, terminal
// output) and the library's 8-bit text. Invalid sequences become U+FFFD.
#include <string>
#include <string_view>

namespace os {

std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view text);

// text with a to z and the Latin-1 letters (U+00E0 to U+00FE but U+00F7) in upper
// case, and every other unit as it is.
std::u16string upperCaseLatin1(std::u16string_view text);

}  // namespace os
