#pragma once
// The library's file names are 8-bit text in the system's ANSI code page. A name
// that code page cannot hold would reach the library as a different file (best-fit
// characters or '?'), so it is refused instead.
#include <string>
#include <string_view>

namespace os::win32 {

// text in the ANSI code page, or false when a character has no exact form there.
bool toAnsiCodePage(std::u16string_view text, std::string& ansi);

}  // namespace os::win32
