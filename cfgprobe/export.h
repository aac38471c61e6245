#pragma once
// How the library's interface is exported, and the widths it is declared in.
//
// The interface keeps the 32-bit widths of Windows' LONG and ULONG on every build
// (a native `long` is 64 bits), so that a caller's 32-bit output word is never
// overrun and the records keep their sizes.
//
// Exports: in an ELF build the library is compiled with hidden visibility and
// KX_EXPORT marks what leaves it (the extern "C" KX_ functions keep their
// undecorated names). The Windows build names its exports in a module-definition
// file, whose LIBRARY line names the module "Cfgprobe.dll"; there KX_EXPORT exports
// the class members and the static data under the compiler's decorated names while
// the library itself is built (CFGPROBE_BUILDING), and imports them for a caller
// linked with the import library, which must reach the exported data through the
// import table.
#include <cstdint>

#if defined(__ELF__)
#define KX_EXPORT __attribute__((visibility("default")))
#elif defined(CFGPROBE_BUILDING)
#define KX_EXPORT __declspec(dllexport)
#elif defined(_WIN32)
#define KX_EXPORT __declspec(dllimport)
#else
#define KX_EXPORT
#endif

using KxLong = std::int32_t;
using KxULong = std::uint32_t;
