#include "sim/device_setup.h"

#include <cstdio>
#include <cstring>

#include "sim/win_names.h"

namespace sim {
namespace {

std::vector<std::uint8_t> textBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::vector<std::uint8_t> multiTextBytes(const std::vector<std::string>& texts) {
  std::vector<std::uint8_t> bytes;
  for (const std::string& text : texts) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
  }
  bytes.push_back(0);
  if (texts.empty()) bytes.push_back(0);
  return bytes;
}

// REG_SZ as written: the text up to its first zero, or all of it.
std::string textOf(const std::uint8_t* bytes, std::uint32_t size) {
  const auto* chars = reinterpret_cast<const char*>(bytes);
  return std::string(chars, strnlen(chars, size));
}

// REG_MULTI_SZ as written: the strings up to the empty one that ends the list.
std::vector<std::string> multiTextOf(const std::uint8_t* bytes, std::uint32_t size) {
  std::vector<std::string> texts;
  std::uint32_t at = 0;
  while (at < size && bytes[at] != 0) {
    const std::string text = textOf(bytes + at, size - at);
    texts.push_back(text);
    at += static_cast<std::uint32_t>(text.size()) + 1;
  }
  return texts;
}

RegistryKey::iterator findValue(RegistryKey& key, std::string_view name) {
  const std::string folded = foldName(name);
  for (auto it = key.begin(); it != key.end(); ++it)
    if (foldName(it->first) == folded) return it;
  return key.end();
}

std::string hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

}  // namespace

std::optional<std::uint32_t> dwordValue(const RegistryKey& key, std::string_view name) {
  auto& keys = const_cast<RegistryKey&>(key);
  const auto it = findValue(keys, name);
  if (it == keys.end() || it->second.type != os::kRegDword || it->second.data.size() != 4) return std::nullopt;
  std::uint32_t value = 0;
  std::memcpy(&value, it->second.data.data(), 4);
  return value;
}

DeviceNode pciDeviceNode(const PciFunction& function, PciLocation at, std::string description, os::Guid classGuid) {
  const std::uint32_t identity = function.read32(0x00);
  const std::uint32_t classRevision = function.read32(0x08);
  const std::uint32_t subsystem = function.read32(0x2C);
  const std::string base = "PCI\\VEN_" + hex(identity & 0xFFFF, 4) + "&DEV_" + hex(identity >> 16, 4);
  const std::string withSubsystem = base + "&SUBSYS_" + hex(subsystem, 8);
  DeviceNode node;
  node.classGuid = classGuid;
  node.hardwareIds = std::vector<std::string>{withSubsystem + "&REV_" + hex(classRevision & 0xFF, 2), withSubsystem,
                                              base + "&CC_" + hex(classRevision >> 8, 6),
                                              base + "&CC_" + hex(classRevision >> 16, 4)};
  node.instanceId = node.hardwareIds->front() + "\\3&" + hex(at.bus, 2) + "&0&" +
                    hex(static_cast<std::uint32_t>(at.device) << 3 | at.function, 2);
  node.location = "PCI bus " + std::to_string(at.bus) + ", device " + std::to_string(at.device) + ", function " +
                  std::to_string(at.function);
  node.description = std::move(description);
  return node;
}

DeviceNode& DeviceSetup::add(DeviceNode node) {
  std::lock_guard lock(mutex_);
  for (DeviceNode& existing : nodes_) {
    if (existing.instanceId == node.instanceId) {
      existing = std::move(node);
      return existing;
    }
  }
  nodes_.push_back(std::move(node));
  return nodes_.back();
}

DeviceNode* DeviceSetup::find(std::string_view instanceId) {
  std::lock_guard lock(mutex_);
  for (DeviceNode& node : nodes_)
    if (foldName(node.instanceId) == foldName(instanceId)) return &node;
  return nullptr;
}

DeviceNode* DeviceSetup::findPci(PciLocation at) {
  const std::string location = "PCI bus " + std::to_string(at.bus) + ", device " + std::to_string(at.device) +
                               ", function " + std::to_string(at.function);
  std::lock_guard lock(mutex_);
  for (DeviceNode& node : nodes_)
    if (node.location == location) return &node;
  return nullptr;
}

std::vector<DeviceNode> DeviceSetup::nodes() const {
  std::lock_guard lock(mutex_);
  return {nodes_.begin(), nodes_.end()};
}

void DeviceSetup::failClassDevs(std::uint32_t error) {
  std::lock_guard lock(mutex_);
  classDevsFault_ = error;
}

int DeviceSetup::openSets() const {
  std::lock_guard lock(mutex_);
  return sets_.openCount();
}

int DeviceSetup::openKeys() const {
  std::lock_guard lock(mutex_);
  return keys_.openCount();
}

DeviceNode* DeviceSetup::nodeOf(os::Handle set, const os::DevInfoData* data, std::uint32_t* error) {
  const InfoSet* s = sets_.find(set);
  if (!s) {
    *error = os::kErrorInvalidHandle;
    return nullptr;
  }
  if (!data || data->cbSize != sizeof(os::DevInfoData)) {
    *error = os::kErrorInvalidUserBuffer;
    return nullptr;
  }
  for (std::size_t index : s->nodes)
    if (index + 1 == data->devInst) return &nodes_[index];
  *error = os::kErrorNoSuchDevinst;
  return nullptr;
}

os::Handle DeviceSetup::getClassDevsA(const os::Guid* classGuid, const char*, os::Handle, std::uint32_t flags) {
  std::lock_guard lock(mutex_);
  if (classDevsFault_) return failWith(classDevsFault_, os::invalidHandle());
  const bool allClasses = (flags & os::kDigcfAllClasses) != 0;
  if (!classGuid && !allClasses) return failWith(os::kErrorInvalidParameter, os::invalidHandle());
  InfoSet set;
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    const DeviceNode& node = nodes_[i];
    if (!allClasses && !(node.classGuid == *classGuid)) continue;
    if ((flags & os::kDigcfPresent) && !node.present) continue;
    set.nodes.push_back(i);
  }
  return sets_.open(std::move(set));
}

bool DeviceSetup::enumDeviceInfo(os::Handle set, std::uint32_t index, os::DevInfoData* data) {
  std::lock_guard lock(mutex_);
  const InfoSet* s = sets_.find(set);
  if (!s) return failWith(os::kErrorInvalidHandle, false);
  if (!data || data->cbSize != sizeof(os::DevInfoData)) return failWith(os::kErrorInvalidUserBuffer, false);
  if (index >= s->nodes.size()) return failWith(os::kErrorNoMoreItems, false);
  data->classGuid = nodes_[s->nodes[index]].classGuid;
  data->devInst = static_cast<std::uint32_t>(s->nodes[index] + 1);
  data->reserved = 0;
  return true;
}

bool DeviceSetup::getDeviceRegistryPropertyA(os::Handle set, os::DevInfoData* data, std::uint32_t property,
                                             std::uint32_t* type, std::uint8_t* buffer, std::uint32_t size,
                                             std::uint32_t* required) {
  std::lock_guard lock(mutex_);
  std::uint32_t error = 0;
  DeviceNode* node = nodeOf(set, data, &error);
  if (!node) return failWith(error, false);
  if (const auto fault = node->propertyReadFaults.find(property); fault != node->propertyReadFaults.end())
    return failWith(fault->second, false);
  std::optional<std::vector<std::uint8_t>> value;
  std::uint32_t valueType = os::kRegSz;
  switch (property) {
    case os::kSpdrpDeviceDesc:
      if (node->description) value = textBytes(*node->description);
      break;
    case os::kSpdrpLocationInformation:
      if (node->location) value = textBytes(*node->location);
      break;
    case os::kSpdrpHardwareId:
      valueType = os::kRegMultiSz;
      if (node->hardwareIds) value = multiTextBytes(*node->hardwareIds);
      break;
    case os::kSpdrpLowerFilters:
      valueType = os::kRegMultiSz;
      if (node->lowerFilters) value = multiTextBytes(*node->lowerFilters);
      break;
    default:
      if (property > 0x25) return failWith(os::kErrorInvalidRegProperty, false);
      break;  // a property this machine keeps for no device
  }
  if (!value) return failWith(os::kErrorInvalidData, false);
  const auto needed = static_cast<std::uint32_t>(value->size());
  if (required) *required = needed;
  if (!buffer || size < needed) return failWith(os::kErrorInsufficientBuffer, false);
  std::memcpy(buffer, value->data(), needed);
  if (type) *type = valueType;
  return true;
}

bool DeviceSetup::setDeviceRegistryPropertyA(os::Handle set, os::DevInfoData* data, std::uint32_t property,
                                             const std::uint8_t* buffer, std::uint32_t size) {
  std::lock_guard lock(mutex_);
  std::uint32_t error = 0;
  DeviceNode* node = nodeOf(set, data, &error);
  if (!node) return failWith(error, false);
  if (!buffer && size != 0) return failWith(os::kErrorInvalidUserBuffer, false);
  const bool remove = !buffer;
  switch (property) {
    case os::kSpdrpDeviceDesc:
      node->description = remove ? std::nullopt : std::optional(textOf(buffer, size));
      return true;
    case os::kSpdrpLowerFilters:
      node->lowerFilters = remove ? std::nullopt : std::optional(multiTextOf(buffer, size));
      return true;
    default:
      return failWith(os::kErrorInvalidRegProperty, false);
  }
}

os::Handle DeviceSetup::openDevRegKey(os::Handle set, os::DevInfoData* data, std::uint32_t scope, std::uint32_t,
                                      std::uint32_t keyType, std::uint32_t access) {
  std::lock_guard lock(mutex_);
  std::uint32_t error = 0;
  DeviceNode* node = nodeOf(set, data, &error);
  if (!node) return failWith(error, os::invalidHandle());
  if ((scope != os::kDicsFlagGlobal && scope != os::kDicsFlagConfigSpecific) ||
      (keyType != os::kDiregDev && keyType != os::kDiregDrv))
    return failWith(os::kErrorInvalidFlags, os::invalidHandle());
  // SetupDiOpenDevRegKey opens; it never creates the key.
  if (keyType == os::kDiregDev && !node->hasHardwareKey) return failWith(os::kErrorKeyDoesNotExist, os::invalidHandle());
  return keys_.open(OpenKey{keyType == os::kDiregDev ? &node->hardwareKey : &node->driverKey, access});
}

bool DeviceSetup::destroyDeviceInfoList(os::Handle set) {
  std::lock_guard lock(mutex_);
  if (!sets_.close(set)) return failWith(os::kErrorInvalidHandle, false);
  return true;
}

std::int32_t DeviceSetup::regSetValueExA(os::Handle key, const char* name, std::uint32_t type,
                                         const std::uint8_t* data, std::uint32_t size) {
  std::lock_guard lock(mutex_);
  const OpenKey* opened = keys_.find(key);
  if (!opened) return static_cast<std::int32_t>(os::kErrorInvalidHandle);
  if (!(opened->access & os::kKeySetValue)) return static_cast<std::int32_t>(os::kErrorAccessDenied);
  if (!data && size != 0) return static_cast<std::int32_t>(os::kErrorInvalidParameter);
  const std::string valueName = name ? name : "";
  RegistryKey& values = *opened->values;
  RegistryValue value{type, std::vector<std::uint8_t>(data, data + size)};
  if (const auto it = findValue(values, valueName); it != values.end())
    it->second = std::move(value);
  else
    values[valueName] = std::move(value);
  return 0;
}

std::int32_t DeviceSetup::regQueryValueExA(os::Handle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                                           std::uint32_t* size) {
  std::lock_guard lock(mutex_);
  const OpenKey* opened = keys_.find(key);
  if (!opened) return static_cast<std::int32_t>(os::kErrorInvalidHandle);
  if (!(opened->access & os::kKeyQueryValue)) return static_cast<std::int32_t>(os::kErrorAccessDenied);
  const auto it = findValue(*opened->values, name ? name : "");
  if (it == opened->values->end()) return static_cast<std::int32_t>(os::kErrorFileNotFound);
  if (type) *type = it->second.type;
  const auto needed = static_cast<std::uint32_t>(it->second.data.size());
  if (!size) return data ? static_cast<std::int32_t>(os::kErrorInvalidParameter) : 0;
  const std::uint32_t room = *size;
  *size = needed;
  if (!data) return 0;
  if (room < needed) return static_cast<std::int32_t>(os::kErrorMoreData);
  std::memcpy(data, it->second.data.data(), needed);
  return 0;
}

std::int32_t DeviceSetup::regCloseKey(os::Handle key) {
  std::lock_guard lock(mutex_);
  return keys_.close(key) ? 0 : static_cast<std::int32_t>(os::kErrorInvalidHandle);
}

}  // namespace sim
