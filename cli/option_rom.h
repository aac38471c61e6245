#pragma once
// Whether a file holds an option ROM for the SiI3132 controller, the only thing
// bios write puts into its flash chip unless told otherwise: the expansion ROM
// header (0x55 0xAA at 0, the length in 512-byte units at 2), bytes of that length
// that add up to 0 modulo 256, and the PCI data structure that the 16-bit pointer
// at 0x18 leads to, inside the image: "PCIR", vendor 0x1095, device 0x3132.
#include <optional>
#include <string>
#include <string_view>

namespace cli {

// The first rule bytes break, in words ("no 0x55 0xAA at offset 0", ...); nothing
// when they hold such an image.
std::optional<std::string> optionRomProblem(std::string_view bytes);

}  // namespace cli
