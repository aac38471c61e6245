#pragma once
// What the controller commands print: the library's result codes in words, link
// speeds, BIOS versions and dates, and the controller listing in text or JSON.
#include <optional>
#include <string>
#include <vector>

#include "cfgprobe/cfgprobe.h"
#include "cli/stored_link_limits.h"

namespace cli {

// "-205 (the chip differs from the file)": a result code of the library with its meaning.
std::string resultText(int code);

// An SPD value of SControl: "no limit", "1.5 Gbps", "3.0 Gbps", else "SPD n".
std::string linkSpeedText(int spd);

struct ControllerListing {
  int index = 0;
  SIIDEVICEINFO info{};
  BIOSPROPERTYDATA bios{};
  int biosResult = 0;  // KX_GetBiosInfo: 1, -151 (blank chip), 0 (a register access failed)
  // The limits stored for the controller's next start; the record's speeds are
  // those in effect. Nothing when the system has no device for it.
  std::optional<StoredLinkLimits> stored;
};

// "7.3.15, 10/27/2010"; "none (blank chip)" or "unreadable (...)" when there is no version.
// A record's description as text: up to its first zero, empty when the library had
// none to give (its bytes still the table's fill of 0xFF).
std::string descriptionText(const BIOSPROPERTYDATA& bios);
std::string biosText(const BIOSPROPERTYDATA& bios, int result);
std::string versionText(const BIOSPROPERTYDATA& bios);
std::string dateText(const BIOSPROPERTYDATA& bios);

// Labelled text: one paragraph per controller.
std::string controllersText(const std::vector<ControllerListing>& controllers);
// {"controllers": [...]}
std::string controllersJson(const std::vector<ControllerListing>& controllers);

}  // namespace cli
