#pragma once
// A machine profile: the JSON description of a simulated Windows PC (its Windows
// facts, its PCI functions and SiI3132 controllers, the resources its system-information tool reports
// and the faults it has), read and checked whole before anything uses it. A
// profile that is not valid yields an error naming the key path at fault and
// nothing else, so that no machine is ever half described.
//
// The format is documented in docs/machines.md.
#include <array>
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

// A SiI3132 SATA controller: its place on the bus and its register windows (its
// configuration registers follow from them), the flash chip behind it with what it
// holds, its ports' SControl registers, and how Windows lists it.
struct ControllerProfile {
  PciLocation location;
  // 64-bit BARs: an address above 4 GB fills the upper dword (0x14, 0x1C).
  std::uint64_t globalRegisters = 0;  // BAR0 (0x10): 128 bytes, flash command and data registers
  std::uint64_t portRegisters = 0;    // BAR2 (0x18): 32 KiB, the ports' SControl registers
  std::uint8_t revision = 0x01;
  std::uint8_t flashManufacturer = 0xBF;
  std::uint8_t flashDevice = 0xB5;
  std::optional<std::uint32_t> flashChipEraseMs;  // unset: the part's typical time
  // What the chip holds from address 0; empty: a blank (erased) chip. An image
  // described by version and date is built when the profile is read; one in a file
  // is read by loadProfile (profile_source.h), which knows the profile's folder.
  std::vector<std::uint8_t> image;
  std::optional<std::string> imageFile;  // as the profile names it
  std::array<std::uint32_t, 2> sControl{0x00000300, 0x00000300};
  std::string description = "Silicon Image SiI 3132 SATALink Controller";
  std::optional<std::vector<std::string>> hardwareIds;  // unset: as Windows forms them from the registers
  std::optional<std::string> locationText;              // unset: "PCI bus B, device D, function F"
  bool hardwareKey = true;  // whether its device has a hardware key ("Device Parameters")
};

struct WindowsProfile {
  std::u16string directory = u"C:\\Windows";
  std::uint32_t version = 0x0601;                  // "6.1": major in the high byte, minor in the low
  ReportLanguage language = ReportLanguage::English;
  std::optional<std::u16string> comspec;           // COMSPEC; unset: the system folder's cmd.exe
  std::vector<std::string> driverFiles;            // files in <directory>\System32\Drivers
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
  std::vector<ControllerProfile> controllers;
  // The tool's report: io, memory and problemDevices in report order (language
  // and system name as given by windows and systemName).
  SystemReportDescription resources;
  // The language of the report's headings when it is not the user-interface
  // language's (resources.language in the profile).
  std::optional<ReportLanguage> reportLanguage;
  FaultsProfile faults;
  std::vector<std::string> notes;  // what a capture could not read, and why; the machine does not use them
};

struct ProfileError {
  std::string keyPath;  // e.g. pci[1].config."0x10"; empty for the document itself
  std::string message;  // what is wrong, e.g. "not a multiple of 4"
};

// Reads a profile from JSON text. Unknown keys, missing required keys, wrong types
// and values out of range are errors.
std::variant<MachineProfile, ProfileError> parseProfile(std::string_view json);

}  // namespace sim
