#include "analysis/ini_file.h"

#include <cstdio>

namespace analysis {
namespace {

std::u16string addressLine(const char* format, std::uint32_t address) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, format, static_cast<unsigned>(address));
  return std::u16string(text, text + (n > 0 ? n : 0));
}

}  // namespace

bool IniFile::open(const std::u16string& path, std::uint32_t disposition) {
  close();
  if (path.size() >= os::kMaxPath) return false;
  m_handle = m_files.createFile(path, os::kGenericRead | os::kGenericWrite, 0, disposition);
  return isOpen();
}

bool IniFile::create(const std::u16string& path) { return open(path, os::kCreateAlways); }

bool IniFile::openForAppend(const std::u16string& path) {
  if (!open(path, os::kOpenExisting)) return false;
  if (m_files.seekToEnd(m_handle)) return true;
  close();
  return false;
}

bool IniFile::writeLine(std::u16string_view line) {
  if (!isOpen()) return false;
  std::string bytes;
  bytes.reserve((line.size() + 2) * 2);
  const auto put = [&bytes](char16_t c) {  // little-endian whatever the host's byte order
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  };
  for (char16_t c : line) put(c);
  put(u'\r');
  put(u'\n');
  const auto size = static_cast<std::uint32_t>(bytes.size());
  std::uint32_t written = 0;
  return m_files.writeFile(m_handle, bytes.data(), size, &written) && written == size;
}

void IniFile::close() {
  if (isOpen()) m_files.closeFile(m_handle);
  m_handle = os::invalidHandle();
}

std::u16string iniBlockStartLine(std::uint32_t address, bool active) {
  return addressLine(active ? "StartAdrs=0x%08X" : ";StartAdrs=0x%08X", address);
}

std::u16string iniBlockEndLine(std::uint32_t address, bool active) {
  return addressLine(active ? "EndAdrs=0x%08X" : ";EndAdrs=0x%08X", address);
}

}  // namespace analysis
