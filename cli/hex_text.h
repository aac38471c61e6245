#pragma once
// Addresses as the tool writes them: "0x%08X".
#include <cstdint>
#include <cstdio>
#include <string>

namespace cli {

inline std::string hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

}  // namespace cli
