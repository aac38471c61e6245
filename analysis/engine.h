#pragma once
// The resource analysis engine: reads a saved system report, finds the board's
// I/O and memory windows, cuts the free holes of the memory window into blocks,
// lists them in the host's result box and writes the board's INI file.
//
// The main dialog owns one Engine and forwards its operations to it; the
// command-line tool hosts one the same way. The engine knows nothing of any user
// interface: it reaches the result box, the message boxes, the checked board and
// the current directory through its EngineHost, and files through os::Files.
//
// Every operation opens, reads whole and closes the report itself; only the path
// passes between them. The members below are the state that outlives one
// operation, kept here as the dialog keeps it.
#include <cstdint>
#include <string>

#include "analysis/engine_host.h"
#include "analysis/range_table.h"
#include "analysis/result_codes.h"
#include "os/files.h"

namespace analysis {

struct BoardProfile;

// The I/O room the Search asks CheckIoFreeSpace for: three 4 KB pages.
constexpr std::uint32_t kRequiredIoSpace = 0x3000;

class Engine {
 public:
  Engine(EngineHost& host, os::Files& files);

  // The largest "[I/O]" range that contains ioAddress. windowStart/windowEnd are set
  // to 0 first and stay 0 when no range contains it. Returns 0 when the report was
  // read (window found or not), 103 when it cannot be opened or read.
  int FindIoWindow(const std::u16string& reportPath, std::uint32_t ioAddress, std::uint32_t& windowStart,
                   std::uint32_t& windowEnd);

  // Whether the I/O ranges inside the window leave a hole of requiredSize bytes in
  // whole 4 KB pages. Returns 0 when one does, 105 when none does (also when the
  // window holds no other range), 103 when the report cannot be opened or read.
  int CheckIoFreeSpace(const std::u16string& reportPath, std::uint32_t windowStart, std::uint32_t windowEnd,
                       std::uint32_t requiredSize);

  // The largest "[Memory]" range that contains address; the next smaller one (or
  // the same one when it is alone) becomes the inner window. Outputs are set to 0
  // first. Returns 0 when the report was read, 103 when it cannot be opened or
  // read (inner window then unchanged, as when no range contains the address).
  int FindMemoryWindow(const std::u16string& reportPath, std::uint32_t address, std::uint32_t& windowStart,
                       std::uint32_t& windowEnd);

  // Lists the blocks of sizeMinusOne + 1 bytes that fit the holes of the memory
  // window and, for KB20 and KB40, writes the INI file "<current dir>\KBx0.ini".
  // Returns 104 when a problem-device line names one of the checked board's
  // devices, else 103 when the report cannot be read or the INI file cannot be
  // created, else 0; 110 when an INI write failed (see result_codes.h).
  int SearchFreeMemory(const std::u16string& reportPath, std::uint32_t windowStart, std::uint32_t windowEnd,
                       std::uint32_t sizeMinusOne);

  // Cuts one hole into blocks from the top down after shrinking it to whole 1 MB
  // units; appends each block to the result box and, when m_iniPath is set, to the
  // INI file. Returns 1 when at least one block was listed, -1 when none fits, 103
  // after showing message 703 when the INI file cannot be opened, 110 after
  // showing message 706 when an INI write failed, 2 when the Search has listed
  // its most blocks (kMaxListedBlocks) and another would fit.
  int ListFreeBlocks(std::uint32_t holeFirst, std::uint32_t holeLast, std::uint32_t sizeMinusOne);

  // Shows the message of an engine result code in an application message box
  // (700 to 705 for 100 to 105, 9999 for any other code).
  void ShowResultError(int code);

  // The range table the last operation filled (for tests and diagnostics).
  const RangeTable& rangeTable() const { return m_ranges; }
  // Whether the last SearchFreeMemory created the INI file at m_iniPath and every
  // write to it succeeded, so that a host can tell the user where it is.
  bool iniFileWritten() const { return m_iniWritten; }

  std::uint32_t m_innerWindowStart = 0;
  std::uint32_t m_innerWindowEnd = 0;
  std::u16string m_iniPath;       // empty: no INI file is written
  int m_firstBlockPending = 0;    // 1 while the next INI block is the active one

 private:
  // Shows message id of the table in the host's language in an application message box.
  void showMessage(std::uint16_t id);
  int prepareIniFile(const BoardProfile& profile);

  EngineHost& m_host;
  os::Files& m_files;
  RangeTable m_ranges;
  bool m_iniWritten = false;
  std::uint32_t m_blocksListed = 0;  // by the current SearchFreeMemory
  // The last INI preparation had no current directory: m_iniPath names no file of
  // ours and is never opened.
  bool m_iniFolderUnknown = false;
};

}  // namespace analysis
