#pragma once
// Windows compares names of files, programs, properties and version values
// without regard to ASCII letter case; the simulated machine keys them by this form.
#include <string>
#include <string_view>

namespace sim {

inline std::u16string foldCase(std::u16string_view text) {
  std::u16string folded(text);
  for (auto& c : folded)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return folded;
}

}  // namespace sim
