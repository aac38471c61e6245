#pragma once
// Writes a system report as the system-information tool writes it for the
// categories the Search asks for: UTF-16LE with a byte-order mark, CR LF line
// ends, a bracketed heading per section ("[I/O]", "[Memory]", "[Problem Devices]",
// or the Japanese ones), a blank line, a TAB-separated column header and one row
// per entry whose every cell ends with a TAB. Rows keep the order they are given
// in, so a description can list ranges unsorted, nested or twice, as real
// machines do.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "os/files.h"

namespace sim {

enum class ReportLanguage { English, Japanese };

struct ReportRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;  // inclusive
  std::string device;     // UTF-8
  std::string status = "OK";
};

struct ReportProblemDevice {
  std::string name;      // UTF-8
  std::string deviceId;  // e.g. "PCI\VEN_1195&DEV_0102&SUBSYS_01021195&REV_01\4&1A2B3C4D&0&00E0"
  std::string errorCode = "This device cannot find enough free resources that it can use. (Code 12)";
};

struct SystemReportDescription {
  ReportLanguage language = ReportLanguage::English;
  std::string systemName = "NORDVALE-PC";
  std::vector<ReportRange> io;
  std::vector<ReportRange> memory;
  std::vector<ReportProblemDevice> problemDevices;
  // The sections the report holds: the tool writes only the categories it is asked for.
  bool hasIo = true, hasMemory = true, hasProblemDevices = true;
};

// The report text, byte-order mark first.
std::u16string systemReportText(const SystemReportDescription& report);
// The same as the file's bytes (UTF-16LE).
std::string systemReportBytes(const SystemReportDescription& report);
// Creates (or empties) the file at a Windows path and writes the report. false
// with os::lastError() when the file cannot be created or written whole.
bool writeSystemReport(os::Files& files, std::u16string_view path, const SystemReportDescription& report);
// The same for bytes given (a report, or the part of one that a tool got to write).
bool writeReportBytes(os::Files& files, std::u16string_view path, std::string_view bytes);

// The section headings the tool writes in each language.
std::u16string_view ioHeading(ReportLanguage language);
std::u16string_view memoryHeading(ReportLanguage language);
std::u16string_view problemDevicesHeading(ReportLanguage language);

}  // namespace sim
