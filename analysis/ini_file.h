#pragma once
// The board's INI file as the free-space search writes it: UTF-16LE without a
// byte-order mark, every line its characters followed by CR LF, no NUL. Opened
// without sharing; a path of 260 or more characters does not open.
#include <cstdint>
#include <string>
#include <string_view>

#include "os/files.h"

namespace analysis {

class IniFile {
 public:
  explicit IniFile(os::Files& files) : m_files(files) {}
  ~IniFile() { close(); }
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  // Creates the file for reading and writing (an existing one is emptied).
  bool create(const std::u16string& path);
  // Opens an existing file for reading and writing and moves to its end.
  bool openForAppend(const std::u16string& path);
  bool isOpen() const { return os::isValid(m_handle); }
  // Writes the line and CR LF in one write; false when the write fails or is short.
  bool writeLine(std::u16string_view line);
  void close();

 private:
  bool open(const std::u16string& path, std::uint32_t disposition);

  os::Files& m_files;
  os::Handle m_handle = os::invalidHandle();
};

// "StartAdrs=0x%08X" / "EndAdrs=0x%08X", commented out with ";" when not active.
std::u16string iniBlockStartLine(std::uint32_t address, bool active);
std::u16string iniBlockEndLine(std::uint32_t address, bool active);

}  // namespace analysis
