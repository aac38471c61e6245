#include "cli/option_rom.h"

#include <cstdint>
#include <cstdio>
#include <numeric>

namespace cli {
namespace {

constexpr std::uint16_t kVendor = 0x1095;
constexpr std::uint16_t kDevice = 0x3132;
constexpr std::size_t kLengthUnit = 512;
constexpr std::size_t kLengthAt = 2;
constexpr std::size_t kDataPointerAt = 0x18;
constexpr std::size_t kDataIdentityBytes = 8;  // "PCIR", vendor, device

std::uint16_t le16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) |
                                    static_cast<std::uint8_t>(bytes[at + 1]) << 8);
}

std::string hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

}  // namespace

std::optional<std::string> optionRomProblem(std::string_view bytes) {
  if (bytes.size() < 2 || bytes[0] != '\x55' || bytes[1] != '\xAA') return "no 0x55 0xAA at offset 0";
  if (bytes.size() <= kLengthAt) return "no image length at offset 2";
  // One byte of 512-byte units cannot name more than 130560 bytes, so the image
  // always fits the 128 KiB chip; only the file can be too short for it.
  const std::size_t length = static_cast<std::uint8_t>(bytes[kLengthAt]) * kLengthUnit;
  if (length == 0) return "an image length of 0 (offset 2)";
  if (length > bytes.size())
    return "an image length of " + std::to_string(length) + " bytes (offset 2), longer than the file's " +
           std::to_string(bytes.size());
  const std::string_view image = bytes.substr(0, length);
  const unsigned sum = std::accumulate(image.begin(), image.end(), 0u,
                                       [](unsigned total, char c) { return total + static_cast<std::uint8_t>(c); });
  if (sum % 256 != 0)
    return "the " + std::to_string(length) + " bytes of the image add up to " + hex(sum % 256, 2) +
           " modulo 256, not 0 (bad checksum)";
  const std::size_t data = le16(image, kDataPointerAt);
  if (data + kDataIdentityBytes > length)
    return "the pointer at 0x18 (" + hex(static_cast<unsigned>(data), 4) + ") leads outside the " +
           std::to_string(length) + "-byte image";
  if (image.substr(data, 4) != "PCIR")
    return "no \"PCIR\" at " + hex(static_cast<unsigned>(data), 4) + ", where the pointer at 0x18 leads";
  const std::uint16_t vendor = le16(image, data + 4);
  const std::uint16_t device = le16(image, data + 6);
  if (vendor != kVendor || device != kDevice)
    return "its PCI data structure names vendor " + hex(vendor, 4) + ", device " + hex(device, 4) +
           ", not the SiI3132 (vendor 0x1095, device 0x3132)";
  return std::nullopt;
}

}  // namespace cli
