#include "sim/profile.h"

#include <limits>

#include "os/text.h"
#include "sim/profile_controllers.h"
#include "sim/profile_json.h"

namespace sim {
namespace {

using profile_json::Object;
using profile_json::ProfileInvalid;
using profile_json::Value;

// "major.minor", each 0 to 255, as Windows numbers its versions: "6.1" is Windows 7.
std::uint32_t windowsVersion(const Value& value) {
  const std::string text = value.line();
  const std::size_t dot = text.find('.');
  const auto number = [&](std::string_view part) {
    if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string_view::npos)
      value.fail("must be \"major.minor\", such as \"6.1\"");
    const int n = std::stoi(std::string(part));
    if (n > 255) value.fail("major and minor must be 0 to 255");
    return static_cast<std::uint32_t>(n);
  };
  if (dot == std::string::npos) value.fail("must be \"major.minor\", such as \"6.1\"");
  const std::string_view whole(text);
  return number(whole.substr(0, dot)) << 8 | number(whole.substr(dot + 1));
}

ReportLanguage language(const Value& value) {
  const std::string text = value.line();
  if (text == "en") return ReportLanguage::English;
  if (text == "ja") return ReportLanguage::Japanese;
  value.fail("must be \"en\" or \"ja\"");
}

WindowsProfile readWindows(const Value& value) {
  const Object windows = value.object({"directory", "version", "language", "comspec", "driverFiles"});
  WindowsProfile profile;
  profile.directory = os::fromUtf8(windows.required("directory").line());
  profile.version = windowsVersion(windows.required("version"));
  profile.language = language(windows.required("language"));
  if (const auto comspec = windows.optional("comspec")) profile.comspec = os::fromUtf8(comspec->line());
  if (const auto files = windows.optional("driverFiles")) profile.driverFiles = profile_json::readDriverFiles(*files);
  return profile;
}

std::map<std::uint8_t, std::uint32_t> readConfig(const Value& value) {
  std::map<std::uint8_t, std::uint32_t> config;
  std::map<std::uint8_t, std::string> keys;  // offset -> the key that gave it
  for (const auto& [key, register_] : value.entries()) {
    const std::uint32_t offset = profile_json::hexNumber(key, register_.path());
    if (offset > 0xFC) register_.fail("not a register offset: must be \"0x00\" to \"0xFC\"");
    if (offset % 4 != 0) register_.fail("not a multiple of 4");
    // "0x10" and "0x010" are two keys to JSON but one register.
    const auto [given, added] = keys.emplace(static_cast<std::uint8_t>(offset), key);
    if (!added) register_.fail("the same register as \"" + given->second + "\"");
    config[static_cast<std::uint8_t>(offset)] = register_.hex32();
  }
  const auto identity = config.find(0x00);
  if (identity == config.end())
    throw ProfileInvalid{{profile_json::memberPath(value.path(), "0x00"), "missing: the function's identity"}};
  if ((identity->second & 0xFFFF) == 0xFFFF)
    throw ProfileInvalid{{profile_json::memberPath(value.path(), "0x00"), "vendor ID 0xFFFF reads as no function"}};
  return config;
}

std::vector<PciFunctionProfile> readPci(const Value& value) {
  std::vector<PciFunctionProfile> functions;
  std::map<std::uint32_t, std::string> taken;  // location -> the key path that put a function there
  for (const Value& entry : value.list()) {
    const Object fields = entry.object({"bus", "device", "function", "config"});
    PciFunctionProfile function;
    function.location.bus = static_cast<std::uint8_t>(fields.required("bus").integer(0, 255));
    function.location.device = static_cast<std::uint8_t>(fields.required("device").integer(0, 31));
    function.location.function = static_cast<std::uint8_t>(fields.required("function").integer(0, 7));
    const std::uint32_t at = function.location.bus << 8 | function.location.device << 3 | function.location.function;
    if (const auto [it, added] = taken.emplace(at, entry.path()); !added)
      entry.fail("the same bus, device and function as " + it->second);
    function.config = readConfig(fields.required("config"));
    functions.push_back(std::move(function));
  }
  return functions;
}

std::vector<ReportRange> readRanges(const Value& value) {
  std::vector<ReportRange> ranges;
  for (const Value& entry : value.list()) {
    const Object fields = entry.object({"start", "end", "device", "status"});
    ReportRange range;
    range.start = fields.required("start").hex32();
    const Value end = fields.required("end");
    range.end = end.hex32();
    if (range.start > range.end) end.fail("below start");
    range.device = fields.required("device").line();
    if (const auto status = fields.optional("status")) range.status = status->line();
    ranges.push_back(std::move(range));
  }
  return ranges;
}

std::vector<ReportProblemDevice> readProblemDevices(const Value& value) {
  std::vector<ReportProblemDevice> devices;
  for (const Value& entry : value.list()) {
    const Object fields = entry.object({"device", "pnpDeviceId", "error"});
    devices.push_back({fields.required("device").line(), fields.required("pnpDeviceId").line(),
                       fields.required("error").line()});
  }
  return devices;
}

void readResources(const Value& value, MachineProfile& profile) {
  const Object resources = value.object({"language", "io", "memory", "problemDevices"});
  if (const auto headings = resources.optional("language")) profile.reportLanguage = language(*headings);
  SystemReportDescription& report = profile.resources;
  report.io = readRanges(resources.required("io"));
  report.memory = readRanges(resources.required("memory"));
  report.problemDevices = readProblemDevices(resources.required("problemDevices"));
}

FaultsProfile readFaults(const Value& value) {
  const Object faults = value.object({"systemInfoTool", "driverService", "driverFileMissing"});
  FaultsProfile profile;
  if (const auto tool = faults.optional("systemInfoTool")) {
    const Object fields = tool->object({"exitStatus", "writesNoFile"});
    if (const auto status = fields.optional("exitStatus")) {
      const auto exitStatus =
          status->integer(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
      if (exitStatus == 0) status->fail("must not be 0: a tool that ends well without a report is writesNoFile");
      profile.systemInfoToolExitStatus = static_cast<int>(exitStatus);
    }
    if (const auto noFile = fields.optional("writesNoFile")) profile.systemInfoToolWritesNoFile = noFile->flag();
    if (profile.systemInfoToolExitStatus && profile.systemInfoToolWritesNoFile)
      tool->fail("exitStatus and writesNoFile exclude each other");
  }
  if (const auto service = faults.optional("driverService")) {
    const Object fields = service->object({"startError"});
    profile.driverStartError = static_cast<std::uint32_t>(fields.required("startError").integer(1, 0xFFFFFFFF));
  }
  if (const auto missing = faults.optional("driverFileMissing")) profile.driverFileMissing = missing->flag();
  return profile;
}

MachineProfile readProfile(const Value& document) {
  const Object top =
      document.object({"description", "windows", "systemName", "pci", "controllers", "resources", "faults",
                       "notes"});
  MachineProfile profile;
  if (const auto description = top.optional("description")) profile.description = description->line();
  profile.windows = readWindows(top.required("windows"));
  if (const auto name = top.optional("systemName")) profile.resources.systemName = name->line();
  profile.pci = readPci(top.required("pci"));
  if (const auto controllers = top.optional("controllers"))
    profile.controllers = profile_json::readControllers(*controllers, profile.pci);
  readResources(top.required("resources"), profile);
  profile.resources.language = profile.windows.language;
  if (const auto faults = top.optional("faults")) profile.faults = readFaults(*faults);
  if (const auto notes = top.optional("notes"))
    for (const Value& note : notes->list()) profile.notes.push_back(note.line());
  return profile;
}

}  // namespace

std::variant<MachineProfile, ProfileError> parseProfile(std::string_view json) {
  try {
    const nlohmann::json document = profile_json::parseDocument(json);
    return readProfile(Value(document, ""));
  } catch (const ProfileInvalid& invalid) {
    return invalid.error;
  }
}

}  // namespace sim
