#pragma once
// The machine's device tree as SetupAPI shows it: device nodes in enumeration
// order, each with its setup class, whether it is present, its registry
// properties (hardware IDs, location text, description, lower filters) and the
// values of its hardware and driver keys. Properties and values are plain data,
// so that a machine description can give them and a saved machine can keep them.
// Calls answer with SetupAPI's and the registry's own error codes; a property
// read can be made to fail with any error.
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "os/device_setup.h"
#include "sim/handle_table.h"
#include "sim/pci_bus.h"

namespace sim {

struct RegistryValue {
  std::uint32_t type = os::kRegDword;
  std::vector<std::uint8_t> data;
  friend bool operator==(const RegistryValue&, const RegistryValue&) = default;
};
// Value names as first written; the calls look them up without regard to case.
using RegistryKey = std::map<std::string, RegistryValue>;

// The value as a REG_DWORD, or nothing when it is missing or of another type.
std::optional<std::uint32_t> dwordValue(const RegistryKey& key, std::string_view name);

struct DeviceNode {
  std::string instanceId;  // unique, e.g. PCI\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01\3&0&18
  os::Guid classGuid = os::kGuidDevClassScsiAdapter;
  bool present = true;
  std::optional<std::vector<std::string>> hardwareIds;  // most specific first
  std::optional<std::string> location;                 // "PCI bus 3, device 0, function 0"
  std::optional<std::string> description;
  std::optional<std::vector<std::string>> lowerFilters;
  RegistryKey hardwareKey;  // DIREG_DEV
  // Whether the hardware key exists (the device's "Device Parameters" key, which
  // Windows makes for an installed PCI device): without it a DIREG_DEV open fails.
  bool hasHardwareKey = true;
  RegistryKey driverKey;    // DIREG_DRV
  // Faults: reading the property fails with the error.
  std::map<std::uint32_t, std::uint32_t> propertyReadFaults;
};

// The node Windows makes for a PCI function: hardware IDs from its identity,
// subsystem, revision and class registers, and its location text.
DeviceNode pciDeviceNode(const PciFunction& function, PciLocation at, std::string description,
                         os::Guid classGuid = os::kGuidDevClassScsiAdapter);

class DeviceSetup final : public os::DeviceSetup {
 public:
  // Adds a node at the end of the enumeration order (a node of the same instance
  // ID is replaced in its place) and returns it for further set-up.
  DeviceNode& add(DeviceNode node);
  // The node of that instance ID, or nullptr. Nodes stay where they are.
  DeviceNode* find(std::string_view instanceId);
  // The node whose location text names that PCI function, or nullptr.
  DeviceNode* findPci(PciLocation at);
  std::vector<DeviceNode> nodes() const;

  // Fault: getting a device information set fails with error (0 clears).
  void failClassDevs(std::uint32_t error);
  int openSets() const;  // device information sets not yet destroyed
  int openKeys() const;  // registry keys not yet closed

  os::Handle getClassDevsA(const os::Guid* classGuid, const char* enumerator, os::Handle parent,
                           std::uint32_t flags) override;
  bool enumDeviceInfo(os::Handle set, std::uint32_t index, os::DevInfoData* data) override;
  bool getDeviceRegistryPropertyA(os::Handle set, os::DevInfoData* data, std::uint32_t property, std::uint32_t* type,
                                  std::uint8_t* buffer, std::uint32_t size, std::uint32_t* required) override;
  bool setDeviceRegistryPropertyA(os::Handle set, os::DevInfoData* data, std::uint32_t property,
                                  const std::uint8_t* buffer, std::uint32_t size) override;
  os::Handle openDevRegKey(os::Handle set, os::DevInfoData* data, std::uint32_t scope, std::uint32_t hardwareProfile,
                           std::uint32_t keyType, std::uint32_t access) override;
  bool destroyDeviceInfoList(os::Handle set) override;
  std::int32_t regSetValueExA(os::Handle key, const char* name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override;
  std::int32_t regQueryValueExA(os::Handle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* size) override;
  std::int32_t regCloseKey(os::Handle key) override;

 private:
  struct InfoSet {
    std::vector<std::size_t> nodes;  // indexes into nodes_
  };
  struct OpenKey {
    RegistryKey* values = nullptr;  // nodes stay where they are
    std::uint32_t access = 0;
  };

  DeviceNode* nodeOf(os::Handle set, const os::DevInfoData* data, std::uint32_t* error);

  mutable std::mutex mutex_;
  std::deque<DeviceNode> nodes_;
  HandleTable<InfoSet> sets_{HandleKind::DeviceInfoSet};
  HandleTable<OpenKey> keys_{HandleKind::RegistryKey};
  std::uint32_t classDevsFault_ = 0;
};

}  // namespace sim
