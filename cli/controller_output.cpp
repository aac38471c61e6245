#include "cli/controller_output.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

namespace cli {
namespace {

const std::map<int, const char*> kMeanings{
    {0, "a register access of the controller failed"},
    {-10, "no file name, or one of 260 characters or more"},
    {-11, "a value out of range"},
    {-15, "the file cannot be written"},
    {-20, "the controller cannot be reached through the access driver"},
    {-21, "the controller's register windows lie above 4 GB, beyond the access driver's addresses"},
    {-100, "no SiI3132 controller found"},
    {-101, "the library is busy with another operation"},
    {-105, "no controller at this index"},
    {-110, "the chip erase failed"},
    {-150, "no memory for the 128 KiB image"},
    {-151, "the chip holds no image: both pointer bytes (0x22, 0x24) are 0xFF"},
    {-160, "the SCSI adapter devices cannot be listed"},
    {-161, "a device's hardware ID or location cannot be read"},
    {-200, "the file cannot be opened"},
    {-201, "no file name"},
    {-202, "the file cannot be read"},
    {-203, "the file cannot be created or opened"},
    {-204, "no record"},
    {-205, "the chip differs from the file"},
    {-300, "the filter driver's service cannot be registered"},
    {-301, "the filter driver TavSCntl.sys is not in the Windows driver folder"},
    {-302, "the filter driver's service cannot be registered (32-bit process)"},
    {-303, "the filter driver TavSCntl64.sys is not in the Windows driver folder (32-bit process)"},
};

std::string format(const char* pattern, int a, int b, int c) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

std::string flashIdText(std::uint16_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(id));
  return text;
}

std::string locationText(const SIIDEVICEINFO& info) {
  return "bus " + std::to_string(info.bBus) + ", device " + std::to_string(info.bDevice) + ", function " +
         std::to_string(info.bFunction);
}

}  // namespace

// The description as recorded: at most its 64 bytes, up to the first zero. When
// the system has no device information for the controller, the library leaves its
// record's description as the search filled the table, all 0xFF bytes: none.
std::string descriptionText(const BIOSPROPERTYDATA& bios) {
  const std::string text(bios.szDescription, strnlen(bios.szDescription, sizeof bios.szDescription));
  return text.find_first_not_of('\xFF') == std::string::npos ? std::string() : text;
}

std::string resultText(int code) {
  const auto it = kMeanings.find(code);
  return std::to_string(code) + " (" + (it == kMeanings.end() ? "an unknown result" : it->second) + ")";
}

std::string linkSpeedText(int spd) {
  switch (spd) {
    case 0:
      return "no limit";
    case 1:
      return "1.5 Gbps";
    case 2:
      return "3.0 Gbps";
  }
  return "SPD " + std::to_string(spd);
}

std::string versionText(const BIOSPROPERTYDATA& bios) {
  return format("%d.%d.%02d", bios.nMajorVersion, bios.nMinorVersion, bios.nRevision);
}

std::string dateText(const BIOSPROPERTYDATA& bios) {
  return format("%02d/%02d/%04d", bios.nMonth, bios.nDay, bios.nYear);
}

std::string biosText(const BIOSPROPERTYDATA& bios, int result) {
  if (result == 1) return versionText(bios) + ", " + dateText(bios);
  if (result == -151) return "none (blank chip)";
  return "unreadable: " + resultText(result);
}

std::string controllersText(const std::vector<ControllerListing>& controllers) {
  if (controllers.empty()) return "no SiI3132 controller found\n";
  std::string text;
  for (const ControllerListing& c : controllers) {
    if (!text.empty()) text += "\n";
    text += "controller " + std::to_string(c.index) + ": " + locationText(c.info) + "\n";
    text += "  flash ID:     " + flashIdText(c.info.wFlashID) + "\n";
    text += "  link speed:   port 0 " + linkSpeedText(c.bios.nPort0Speed) + ", port 1 " +
            linkSpeedText(c.bios.nPort1Speed) + "\n";
    if (c.stored)
      text += "  stored limit: port 0 " + linkSpeedText(c.stored->port0) + ", port 1 " +
              linkSpeedText(c.stored->port1) + " (from the controller's next start)\n";
    text += "  description:  " + descriptionText(c.bios) + "\n";
    text += "  BIOS:         " + biosText(c.bios, c.biosResult) + "\n";
  }
  return text;
}

std::string controllersJson(const std::vector<ControllerListing>& controllers) {
  nlohmann::json list = nlohmann::json::array();
  for (const ControllerListing& c : controllers) {
    nlohmann::json bios = nullptr;
    if (c.biosResult == 1) bios = {{"version", versionText(c.bios)}, {"date", dateText(c.bios)}};
    list.push_back({{"index", c.index},
                    {"bus", c.info.bBus},
                    {"device", c.info.bDevice},
                    {"function", c.info.bFunction},
                    {"flashId", flashIdText(c.info.wFlashID)},
                    {"port0Speed", c.bios.nPort0Speed},
                    {"port1Speed", c.bios.nPort1Speed},
                    {"storedLimits", c.stored ? nlohmann::json{{"port0", c.stored->port0}, {"port1", c.stored->port1}}
                                              : nlohmann::json(nullptr)},
                    {"description", descriptionText(c.bios)},
                    {"bios", bios},
                    {"biosResult", c.biosResult}});
  }
  return nlohmann::json{{"controllers", list}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace cli
