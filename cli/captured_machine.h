#pragma once
// What a capture read of a PC (or of a simulated machine), in the terms of a
// machine profile (docs/machines.md), and the profile's JSON text made of it.
// The writer depends on nothing of the simulated machine, so that the Windows
// build writes the same profiles as the native one.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli {

struct CapturedFunction {
  std::uint8_t bus = 0, device = 0, function = 0;
  std::array<std::uint32_t, 64> config{};  // the 64 registers, 0x00 to 0xFC
};

struct CapturedRange {
  std::uint32_t start = 0, end = 0;
  std::string device, status;  // UTF-8
};

struct CapturedProblemDevice {
  std::string device, pnpDeviceId, error;
};

struct CapturedController {
  int index = 0;  // in the library's table
  std::uint8_t bus = 0, device = 0, function = 0;
  std::uint16_t flashId = 0;
  std::optional<std::array<int, 2>> speeds;  // the SPD fields of the ports' SControl registers
  std::string biosVersion, biosDate;         // the chip's texts, when it holds an image they fit
  int biosResult = 0;                        // KX_GetBiosInfo's
  std::string imageFile;                     // with the image read whole: its name beside the profile
  std::optional<std::string> description;
  std::optional<std::vector<std::string>> hardwareIds;
  std::optional<std::string> location;
  bool hardwareKey = true;
};

struct CapturedMachine {
  std::string windowsDirectory;
  std::uint32_t windowsVersion = 0;  // major * 256 + minor
  bool japanese = false;             // the user-interface language
  std::vector<std::string> driverFiles;
  std::optional<std::string> systemName;
  std::vector<CapturedFunction> functions;  // every present function, in bus, device, function order
  std::vector<CapturedController> controllers;
  // The report.
  std::optional<bool> reportJapanese;  // the language of its headings, when it has any
  std::vector<CapturedRange> io, memory;
  std::vector<CapturedProblemDevice> problemDevices;
  std::optional<int> toolExitStatus;  // the system-information tool ended with this (not 0)
  bool toolWroteNoFile = false;       // it ended with 0 and no report was there
  std::vector<std::string> notes;
};

// Replaces the system name and the instance part (after the last backslash) of
// every device ID the capture holds.
void anonymize(CapturedMachine& machine);

// The profile, as the loader reads it. A controller's function is listed among
// the controllers alone, its registers being those the entry gives it.
std::string profileJson(const CapturedMachine& machine);

}  // namespace cli
