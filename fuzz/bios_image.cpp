#include "fuzz/bios_image.h"

#include "os/platform.h"

namespace fuzz {

std::vector<std::uint8_t> asImage(std::vector<std::uint8_t> bytes) {
  bytes.resize(kImageBytes, 0xFF);
  return bytes;
}

BiosVersion versionOf(const std::vector<std::uint8_t>& image, bool fromChip) {
  const std::size_t v = image.at(0x22), d = image.at(0x24);
  if (v == 0xFF && d == 0xFF) return {-151};
  const auto digit = [&](std::size_t at) {
    const int value = static_cast<int>(image.at(at)) - '0';
    return fromChip ? (value & 0xFF) : value;
  };
  BiosVersion out{1};
  out.major = digit(v);
  out.minor = digit(v + 2);
  out.revision = digit(v + 4) * 10 + digit(v + 5);
  out.month = digit(d) * 10 + digit(d + 1);
  out.day = digit(d + 3) * 10 + digit(d + 4);
  out.year = digit(d + 6) * 1000 + digit(d + 7) * 100 + digit(d + 8) * 10 + digit(d + 9);
  return out;
}

bool sameVersion(const BiosVersion& expected, const BIOSPROPERTYDATA& data) {
  return data.nMajorVersion == expected.major && data.nMinorVersion == expected.minor &&
         data.nRevision == expected.revision && data.nYear == expected.year && data.nMonth == expected.month &&
         data.nDay == expected.day;
}

std::optional<std::vector<std::uint8_t>> readMachineFile(const char* name) {
  os::Files& files = *os::platform().files;
  const os::Handle file = files.createFileA(name, os::kGenericRead, 0, os::kOpenExisting);
  if (!os::isValid(file)) return std::nullopt;
  std::vector<std::uint8_t> bytes(kImageBytes + 1);
  std::uint32_t read = 0;
  const bool done = files.readFile(file, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &read);
  files.closeFile(file);
  if (!done) return std::nullopt;
  bytes.resize(read);
  return bytes;
}

}  // namespace fuzz
