#pragma once
// A machine profile: the JSON description of a simulated Windows PC (its Windows
// facts, its PCI functions, the resources its system-information tool reports
// and the faults it has), read and checked whole before anything uses it. A
// profile that is not valid yields an error naming the key path at fault and
// nothing else, so that no machine is ever half described.
//
// The format is documented in docs/machines.md.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "sim/pci_bus.h"
#include "sim/system_report.h"

namespace sim {

struct PciFunctionProfile {
  PciLocation location;
  // Register offset (a multiple of 4, 0x00 to 0xFC) to its 32-bit value; registers
  // not given read 0.
  std::map<std::uint8_t, std::uint32_t> config;
};

struct WindowsProfile {
  std::u16string directory = u"C:\\Windows";
  std::uint32_t version = 0x0601;                  // "6.1": major in the high byte, minor in the low
  ReportLanguage language = ReportLanguage::English;
  std::optional<std::u16string> comspec;           // COMSPEC; unset: the system folder's cmd.exe
};

struct FaultsProfile {
  // The system-information tool writes nothing and ends with this status.
  std::optional<int> systemInfoToolExitStatus;
  // The system-information tool ends with 0 but writes no report.
  bool systemInfoToolWritesNoFile = false;
  // Every start of the access driver's service fails with this Windows error code.
  std::optional<std::uint32_t> driverStartError;
  // Cfgprobe64.sys is not beside the program.
  bool driverFileMissing = false;
};

struct MachineProfile {
  std::string description;  // one line, for `spanfinder machines`
  WindowsProfile windows;
  std::vector<PciFunctionProfile> pci;
  // The tool's report: io, memory and problemDevices in report order (language
  // and system name as given by windows and systemName).
  SystemReportDescription resources;
  FaultsProfile faults;
};

struct ProfileError {
  std::string keyPath;  // e.g. pci[1].config."0x10"; empty for the document itself
  std::string message;  // what is wrong, e.g. "not a multiple of 4"
};

// Reads a profile from JSON text. Unknown keys, missing required keys, wrong types
// and values out of range are errors.
std::variant<MachineProfile, ProfileError> parseProfile(std::string_view json);

}  // namespace sim
