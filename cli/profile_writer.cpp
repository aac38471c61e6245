// A captured machine as a machine profile: the keys of docs/machines.md in their
// documented order, registers and addresses as "0x..." strings, the controllers'
// functions among the controllers only.
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "cli/captured_machine.h"
#include "cli/hex_text.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::uint32_t kMemoryBarTypeMask = 0x6;
constexpr std::uint32_t kMemoryBar64 = 0x4;
constexpr std::uint32_t kBarAddressMask = 0xFFFFFFF0;
constexpr std::uint64_t kGlobalWindowSize = 0x80;
constexpr std::uint64_t kPortWindowSize = 0x8000;

std::string hex(std::uint64_t value, int digits) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

std::uint32_t placeOf(std::uint8_t bus, std::uint8_t device, std::uint8_t function) {
  return static_cast<std::uint32_t>(bus) << 8 | static_cast<std::uint32_t>(device) << 3 | function;
}

// A 64-bit memory BAR at index (of the 64 registers) and the next one: the address
// it decodes; a 32-bit one has no upper dword.
std::uint64_t barAddress(const CapturedFunction& f, int index) {
  const std::uint32_t low = f.config[index];
  const std::uint64_t high = (low & kMemoryBarTypeMask) == kMemoryBar64 ? f.config[index + 1] : 0;
  return high << 32 | (low & kBarAddressMask);
}

Json configOf(const CapturedFunction& f) {
  Json config = Json::object();
  for (int i = 0; i < 64; ++i)
    if (i == 0 || f.config[i] != 0) config[hex(static_cast<std::uint32_t>(i * 4), 2)] = hex(f.config[i], 8);
  return config;
}

Json rangesOf(const std::vector<CapturedRange>& ranges) {
  Json list = Json::array();
  for (const CapturedRange& r : ranges) {
    Json row{{"start", hex8(r.start)}, {"end", hex8(r.end)}, {"device", r.device}};
    if (r.status != "OK") row["status"] = r.status;
    list.push_back(std::move(row));
  }
  return list;
}

// The controller's entry, or nothing when its registers cannot describe one (a
// window the firmware left unassigned): then its function is listed as it reads.
std::optional<Json> controllerOf(const CapturedController& c, const CapturedFunction& f) {
  const std::uint64_t global = barAddress(f, 4), port = barAddress(f, 6);
  if (global == 0 || global % kGlobalWindowSize != 0 || port == 0 || port % kPortWindowSize != 0) return std::nullopt;
  Json entry{{"bus", c.bus},
             {"device", c.device},
             {"function", c.function},
             {"globalRegisters", hex(global, 8)},
             {"portRegisters", hex(port, 8)},
             {"revision", f.config[2] & 0xFF}};
  Json flash{{"manufacturer", hex(c.flashId >> 8, 2)}, {"device", hex(c.flashId & 0xFF, 2)}};
  if (!c.imageFile.empty())
    flash["image"] = c.imageFile;
  else if (!c.biosVersion.empty())
    flash["image"] = Json{{"version", c.biosVersion}, {"date", c.biosDate}};
  entry["flash"] = std::move(flash);
  if (c.speeds)
    entry["sControl"] =
        Json::array({hex(0x300u | ((*c.speeds)[0] & 0xF) << 4, 8), hex(0x300u | ((*c.speeds)[1] & 0xF) << 4, 8)});
  if (c.description) entry["description"] = *c.description;
  if (c.hardwareIds) entry["hardwareIds"] = *c.hardwareIds;
  if (c.location) entry["location"] = *c.location;
  if (!c.hardwareKey) entry["hardwareKey"] = false;
  return entry;
}

// One line: {"key": value, ...} and [a, b], as the profiles in the docs are written.
std::string oneLine(const Json& value) {
  const auto text = [](const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); };
  if (!value.is_structured() || value.empty()) return text(value);
  std::string line = value.is_object() ? "{" : "[";
  for (auto it = value.begin(); it != value.end(); ++it) {
    if (it != value.begin()) line += ", ";
    if (value.is_object()) line += text(Json(it.key())) + ": ";
    line += oneLine(*it);
  }
  return line + (value.is_object() ? "}" : "]");
}

// What fits in a line of kWidth characters stays on one. The rest takes a line
// per member, but for an object's plain members, which share lines as they fit
// (a function's place, a run of registers); nested members are indented by two.
constexpr std::size_t kWidth = 110;
void laidOut(const Json& value, std::size_t indent, std::string& out) {
  const std::string line = oneLine(value);
  if (indent + line.size() <= kWidth || !value.is_structured() || value.empty()) {
    out += line;
    return;
  }
  out += value.is_object() ? "{" : "[";
  std::size_t column = kWidth;  // where the current line has got to; full: start a new one
  for (auto it = value.begin(); it != value.end(); ++it) {
    const bool last = std::next(it) == value.end();
    std::string member =
        value.is_object() ? Json(it.key()).dump(-1, ' ', false, Json::error_handler_t::replace) + ": " : "";
    const bool shares = value.is_object() && !it->is_structured();
    if (shares) member += oneLine(*it);
    if (!shares || column + 1 + member.size() + 1 > kWidth) {
      out += "\n" + std::string(indent + 2, ' ');
      column = indent + 2;
    } else {
      out += " ";
      ++column;
    }
    out += member;
    column += member.size();
    if (!shares) {
      laidOut(*it, indent + 2, out);
      column = kWidth;
    }
    if (!last) out += ",", ++column;
  }
  out += "\n" + std::string(indent, ' ') + (value.is_object() ? "}" : "]");
}

}  // namespace

void anonymize(CapturedMachine& machine) {
  if (machine.systemName) machine.systemName = "CAPTURED-PC";
  std::map<std::string, std::string> instances;  // each instance part its own stand-in
  for (CapturedProblemDevice& d : machine.problemDevices) {
    const std::size_t slash = d.pnpDeviceId.rfind('\\');
    if (slash == std::string::npos) continue;
    const std::string instance = d.pnpDeviceId.substr(slash + 1);
    const auto [it, added] = instances.emplace(instance, "0&00000000&0&" + hex(instances.size() + 1, 2).substr(2));
    d.pnpDeviceId = d.pnpDeviceId.substr(0, slash + 1) + it->second;
  }
}

std::string profileJson(const CapturedMachine& m) {
  Json profile;
  profile["description"] = "Captured by spanfinder capture" + (m.systemName ? " from " + *m.systemName : "");
  Json windows{
      {"directory", m.windowsDirectory},
      {"version", std::to_string(m.windowsVersion >> 8 & 0xFF) + "." + std::to_string(m.windowsVersion & 0xFF)},
      {"language", m.japanese ? "ja" : "en"}};
  if (!m.driverFiles.empty()) windows["driverFiles"] = m.driverFiles;
  profile["windows"] = std::move(windows);
  if (m.systemName) profile["systemName"] = *m.systemName;

  std::map<std::uint32_t, Json> controllers;
  for (const CapturedController& c : m.controllers)
    for (const CapturedFunction& f : m.functions)
      if (placeOf(f.bus, f.device, f.function) == placeOf(c.bus, c.device, c.function))
        if (auto entry = controllerOf(c, f)) controllers.emplace(placeOf(c.bus, c.device, c.function), *entry);
  Json pci = Json::array();
  for (const CapturedFunction& f : m.functions)
    if (!controllers.count(placeOf(f.bus, f.device, f.function)))
      pci.push_back(Json{{"bus", f.bus}, {"device", f.device}, {"function", f.function}, {"config", configOf(f)}});
  profile["pci"] = std::move(pci);
  if (!controllers.empty()) {
    Json list = Json::array();
    for (auto& [place, entry] : controllers) list.push_back(std::move(entry));
    profile["controllers"] = std::move(list);
  }

  Json resources;
  if (m.reportJapanese && *m.reportJapanese != m.japanese) resources["language"] = *m.reportJapanese ? "ja" : "en";
  resources["io"] = rangesOf(m.io);
  resources["memory"] = rangesOf(m.memory);
  Json problems = Json::array();
  for (const CapturedProblemDevice& d : m.problemDevices)
    problems.push_back(Json{{"device", d.device}, {"pnpDeviceId", d.pnpDeviceId}, {"error", d.error}});
  resources["problemDevices"] = std::move(problems);
  profile["resources"] = std::move(resources);

  if (m.toolExitStatus)
    profile["faults"] = Json{{"systemInfoTool", Json{{"exitStatus", *m.toolExitStatus}}}};
  else if (m.toolWroteNoFile)
    profile["faults"] = Json{{"systemInfoTool", Json{{"writesNoFile", true}}}};
  if (!m.notes.empty()) profile["notes"] = m.notes;
  std::string text;
  laidOut(profile, 0, text);
  return text + "\n";
}

}  // namespace cli
