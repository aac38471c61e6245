#include "sim/machine_state.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <system_error>

#include "sim/machine.h"

namespace sim {
namespace {

using nlohmann::json;

constexpr int kFormat = 1;

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (std::uint8_t b : bytes) text += {kDigits[b >> 4], kDigits[b & 0xF]};
  return text;
}

// Thrown for a state that is well-formed JSON but not what this file writes.
struct NotAState {
  std::string why;
};

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw NotAState{"a byte string holds something other than hexadecimal digits"};
}

std::vector<std::uint8_t> bytesOf(const std::string& text) {
  if (text.size() % 2 != 0) throw NotAState{"a byte string has an odd number of digits"};
  std::vector<std::uint8_t> bytes(text.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(hexDigit(text[2 * i]) << 4 | hexDigit(text[2 * i + 1]));
  return bytes;
}

json keyJson(const RegistryKey& key) {
  json values = json::object();
  for (const auto& [name, value] : key) values[name] = {{"type", value.type}, {"data", hexBytes(value.data)}};
  return values;
}

RegistryKey keyOf(const json& values) {
  RegistryKey key;
  for (const auto& [name, value] : values.items())
    key[name] = RegistryValue{value.at("type").get<std::uint32_t>(), bytesOf(value.at("data").get<std::string>())};
  return key;
}

template <typename T>
json optionalJson(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

template <typename T>
std::optional<T> optionalOf(const json& value) {
  if (value.is_null()) return std::nullopt;
  return value.get<T>();
}

json stateOf(Machine& m) {
  json controllers = json::array();
  for (SiI3132& c : m.controllers)
    controllers.push_back({{"bus", c.location().bus},
                           {"device", c.location().device},
                           {"function", c.location().function},
                           {"sControl", {c.sControl(0), c.sControl(1)}},
                           {"flash", hexBytes(c.flash().contents())}});
  json devices = json::array();
  for (const DeviceNode& node : m.setup.nodes())
    devices.push_back({{"instanceId", node.instanceId},
                       {"description", optionalJson(node.description)},
                       {"lowerFilters", optionalJson(node.lowerFilters)},
                       {"hardwareKey", keyJson(node.hardwareKey)},
                       {"driverKey", keyJson(node.driverKey)}});
  json services = json::array();
  for (const ServiceManager::Service& s : m.services.services()) {
    if (s.markedForDelete) continue;  // gone once its last handle closes
    services.push_back({{"name", s.name},
                        {"displayName", s.displayName},
                        {"type", s.type},
                        {"startType", s.startType},
                        {"errorControl", s.errorControl},
                        {"imagePath", s.imagePath},
                        {"loadOrderGroup", s.loadOrderGroup}});
  }
  return {{"format", kFormat}, {"controllers", controllers}, {"devices", devices}, {"services", services}};
}

struct SavedController {
  PciLocation at;
  std::vector<std::uint8_t> flash;
  std::array<std::uint32_t, 2> sControl{};
};
struct SavedDevice {
  std::string instanceId;
  std::optional<std::string> description;
  std::optional<std::vector<std::string>> lowerFilters;
  RegistryKey hardwareKey, driverKey;
};
struct SavedState {
  std::vector<SavedController> controllers;
  std::vector<SavedDevice> devices;
  std::vector<ServiceManager::Service> services;
};

// Reads the whole state before any of it is applied, so that one that is not
// valid leaves the machine as its profile made it.
SavedState read(const json& state) {
  if (!state.is_object() || state.value("format", 0) != kFormat) throw NotAState{"not a state of this format"};
  SavedState saved;
  for (const json& c : state.at("controllers")) {
    SavedController& controller = saved.controllers.emplace_back();
    controller.at = {c.at("bus").get<std::uint8_t>(), c.at("device").get<std::uint8_t>(),
                     c.at("function").get<std::uint8_t>()};
    controller.flash = bytesOf(c.at("flash").get<std::string>());
    if (controller.flash.size() != JedecFlash::kSize) throw NotAState{"a flash chip's contents are not 128 KiB"};
    controller.sControl = c.at("sControl").get<std::array<std::uint32_t, 2>>();
  }
  for (const json& d : state.at("devices"))
    saved.devices.push_back({d.at("instanceId").get<std::string>(), optionalOf<std::string>(d.at("description")),
                             optionalOf<std::vector<std::string>>(d.at("lowerFilters")), keyOf(d.at("hardwareKey")),
                             keyOf(d.at("driverKey"))});
  for (const json& s : state.at("services")) {
    ServiceManager::Service& service = saved.services.emplace_back();
    service.name = s.at("name").get<std::string>();
    service.displayName = s.at("displayName").get<std::string>();
    service.type = s.at("type").get<std::uint32_t>();
    service.startType = s.at("startType").get<std::uint32_t>();
    service.errorControl = s.at("errorControl").get<std::uint32_t>();
    service.imagePath = s.at("imagePath").get<std::string>();
    service.loadOrderGroup = s.at("loadOrderGroup").get<std::string>();
  }
  return saved;
}

void apply(Machine& m, const SavedState& saved) {
  for (const SavedController& c : saved.controllers) {
    SiI3132* controller = m.findSiI3132(c.at);
    if (!controller) continue;  // no longer on the machine's bus
    controller->flash().load(c.flash);
    for (int port = 0; port < 2; ++port) controller->setSControl(port, c.sControl[port]);
  }
  for (const SavedDevice& d : saved.devices) {
    DeviceNode* node = m.setup.find(d.instanceId);
    if (!node) continue;  // a device the machine no longer has
    node->description = d.description;
    node->lowerFilters = d.lowerFilters;
    node->hardwareKey = d.hardwareKey;
    node->driverKey = d.driverKey;
  }
  for (const ServiceManager::Service& s : saved.services) m.services.registerService(s);
}

}  // namespace

std::optional<std::string> loadMachineState(Machine& machine, const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return std::nullopt;
  const std::string refused = file.string() + ": not a machine state this tool wrote (";
  const std::string advice = "); --reset starts the machine again from its profile";
  std::ifstream in(file, std::ios::binary);
  if (!in) return file.string() + ": cannot be read";
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  try {
    apply(machine, read(json::parse(text)));
  } catch (const json::exception& e) {
    return refused + e.what() + advice;
  } catch (const NotAState& e) {
    return refused + e.why + advice;
  }
  return std::nullopt;
}

std::optional<std::string> saveMachineState(Machine& machine, const std::filesystem::path& file) {
  std::filesystem::path temporary = file;
  temporary += ".part";
  std::error_code ec;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << stateOf(machine).dump(1) << '\n';
    out.close();
    if (!out) {
      std::filesystem::remove(temporary, ec);
      return file.string() + ": the machine's state cannot be written";
    }
  }
  std::filesystem::rename(temporary, file, ec);
  if (ec) {
    const std::string why = ec.message();
    std::filesystem::remove(temporary, ec);
    return file.string() + ": the machine's state cannot be written (" + why + ")";
  }
  return std::nullopt;
}

}  // namespace sim
