#pragma once
// The access library as the program binds it at run time: its file name and the
// signatures of the three entries it looks up by name. Only plain integers and
// one 32-bit output word cross between program and library.
#include <cstdint>
#include <string_view>

#include "os/types.h"

namespace app {

constexpr std::u16string_view kLibraryFile = u"Cfgprobe64.Dll";
constexpr const char* kInitLibraryEntry = "KX_InitLibrary";
constexpr const char* kExitLibraryEntry = "KX_ExitLibrary";
constexpr const char* kGetPciConfigEntry = "KX_GetPCIConfig";

// KX_InitLibrary: 1 when the library is ready.
using InitLibraryFunction = int(OS_WINAPI*)();
// KX_ExitLibrary: result not used.
using ExitLibraryFunction = int(OS_WINAPI*)();
// KX_GetPCIConfig(identity, match, offset, value): 1 when the function was found
// and its register written to *value, 0 when none was found (value untouched).
using GetPciConfigFunction = int(OS_WINAPI*)(std::int32_t identity, std::int32_t match, std::int32_t offset,
                                             std::uint32_t* value);

}  // namespace app
