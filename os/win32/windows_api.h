#pragma once
// The one way into the Win32 headers for the adapters of os/ and ui/. Lean headers
// (no OLE, sockets or cryptography) and no min/max macros, which would break the
// standard library's std::min and std::max. The common controls' and the device
// setup headers need the base headers first, so they come from here too.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <setupapi.h>

#include <string>
#include <string_view>

namespace os::win32 {

// char16_t and wchar_t are the same 16-bit units on Windows; the program speaks
// char16_t and Win32 wchar_t.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
inline wchar_t* wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
inline const char16_t* utf16(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// The class of the windows the adapters make that need no procedure of their own
// (DefWindowProcW); null when it cannot be registered.
const wchar_t* plainWindowClass();

// A view as the terminated text Win32 wants.
inline std::wstring terminated(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::string terminated(std::string_view text) { return std::string(text); }

}  // namespace os::win32
