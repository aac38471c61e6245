#pragma once
// What a fuzz target expects of BIOS images, worked out on its own rather than
// taken from the library: an image as the library holds it (a file's first 131072
// bytes, erased flash beyond a short file's end), the version and date its
// pointers at 0x22 and 0x24 lead to, and a file as the machine's file system
// gives it to any program.
#include <cstdint>
#include <optional>
#include <vector>

#include "cfgprobe/cfgprobe.h"

namespace fuzz {

constexpr std::size_t kImageBytes = 131072;

// The first 131072 bytes of bytes, and erased flash (0xFF) after a shorter one.
std::vector<std::uint8_t> asImage(std::vector<std::uint8_t> bytes);

// The result of reading version and date out of an image (1, or -151 when both
// pointers are erased) and the six fields. A file's digits are signed distances
// from '0'; a chip's are first reduced to 8 bits.
struct BiosVersion {
  int result = 0;
  int major = 0, minor = 0, revision = 0, year = 0, month = 0, day = 0;
};
BiosVersion versionOf(const std::vector<std::uint8_t>& image, bool fromChip);
bool sameVersion(const BiosVersion& expected, const BIOSPROPERTYDATA& data);

// Up to 131073 bytes of the file a program opens by that name on the installed
// machine (read access, no sharing, existing files only), or nothing when it
// cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readMachineFile(const char* name);

}  // namespace fuzz
