#include "sim/system_facts.h"

#include <cstring>

namespace sim {
namespace {

template <typename Char, typename Text>
std::uint32_t copyOut(const Text& text, Char* buffer, std::uint32_t size) {
  const auto length = static_cast<std::uint32_t>(text.size());
  if (!buffer || size <= length) return length + 1;
  for (std::uint32_t i = 0; i < length; ++i) buffer[i] = static_cast<Char>(text[i]);
  buffer[length] = Char{};
  return length;
}

// The ANSI form: characters outside 8 bits become '?', as a code-page conversion does.
std::string narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

bool equalFolded(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

}  // namespace

std::uint32_t SystemFacts::getWindowsDirectory(char16_t* buffer, std::uint32_t size) {
  if (!windowsDirectory) {
    os::setLastError(os::kErrorPathNotFound);
    return 0;
  }
  return copyOut(*windowsDirectory, buffer, size);
}

std::uint32_t SystemFacts::getWindowsDirectoryA(char* buffer, std::uint32_t size) {
  if (!windowsDirectory) {
    os::setLastError(os::kErrorPathNotFound);
    return 0;
  }
  return copyOut(narrow(*windowsDirectory), buffer, size);
}

std::uint32_t SystemFacts::getCurrentDirectory(std::uint32_t size, char16_t* buffer) {
  return copyOut(currentDirectory, buffer, size);
}

std::uint32_t SystemFacts::getCurrentDirectoryA(std::uint32_t size, char* buffer) {
  return copyOut(narrow(currentDirectory), buffer, size);
}

bool SystemFacts::getEnvironmentVariable(std::u16string_view name, std::u16string* value) {
  for (const auto& [key, v] : environment) {
    if (!equalFolded(key, name)) continue;
    if (value) *value = v;
    return true;
  }
  os::setLastError(os::kErrorEnvVarNotFound);
  return false;
}

}  // namespace sim
