#pragma once
// Small rules the simulated Windows components share: object and service names
// compare without regard to ASCII case, and a failing call sets the thread's last
// error and returns its failure value.
#include <cstdint>
#include <string>
#include <string_view>

#include "os/types.h"

namespace sim {

inline std::string foldName(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

template <typename T>
T failWith(std::uint32_t error, T value) {
  os::setLastError(error);
  return value;
}

}  // namespace sim
