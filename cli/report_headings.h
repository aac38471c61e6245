#pragma once
// What a report's section headings say, read with the engine's own report scan:
// the language the report was written in, and why it gave no memory window.
#include <cstdint>
#include <optional>
#include <string>

#include "os/files.h"
#include "resources/messages.h"

namespace cli {

// The language of the report's first memory or problem-device heading (the I/O
// heading is the same in both); nothing when it has neither, or cannot be read.
std::optional<resources::Language> reportHeadingLanguage(os::Files& files, const std::u16string& reportPath);

// Why the report at reportPath gave no memory window for memoryAddress when its
// headings were looked for in the language headings: the headings looked for and
// those found, or the number of memory ranges none of which holds the address.
// One sentence in UTF-8, without the tool's name or the file's; for example
//   no memory window: no range of the "[Memory]" section holds 0x10000000 (it lists 6)
std::string noMemoryWindowReason(os::Files& files, const std::u16string& reportPath, resources::Language headings,
                                 std::uint32_t memoryAddress);

}  // namespace cli
