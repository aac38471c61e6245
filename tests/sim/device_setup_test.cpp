// The simulated device setup classes and registry answer as SetupAPI does: sizes
// asked for by a failing call, the errors of a missing property and of the end of
// the list, and keys that carry the access they were opened with.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sim/device_setup.h"

namespace {

class SimDeviceSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::PciFunction function(0x31321095);
    function.set32(0x08, 0x01800001);
    function.set32(0x2C, 0x31321095);
    setup.add(sim::pciDeviceNode(function, {3, 0, 0}, "Silicon Image SiI 3132 SATALink Controller"));
    sim::DeviceNode gone = sim::pciDeviceNode(function, {4, 0, 0}, "gone");
    gone.present = false;
    setup.add(gone);
    sim::DeviceNode other;
    other.instanceId = "ROOT\\OTHER\\0000";
    other.classGuid = os::Guid{1, 2, 3, {}};
    setup.add(other);
    sim::DeviceNode bare;
    bare.instanceId = "ROOT\\SCSIADAPTER\\0000";  // no properties at all
    setup.add(bare);
    set = setup.getClassDevsA(&os::kGuidDevClassScsiAdapter, nullptr, nullptr, os::kDigcfPresent);
    ASSERT_TRUE(os::isValid(set));
  }
  void TearDown() override { setup.destroyDeviceInfoList(set); }

  os::DevInfoData device(std::uint32_t index) {
    os::DevInfoData data;
    EXPECT_TRUE(setup.enumDeviceInfo(set, index, &data));
    return data;
  }

  sim::DeviceSetup setup;
  os::Handle set = nullptr;
};

TEST_F(SimDeviceSetup, PresentDevicesOfTheClassInOrderThenNoMoreItems) {
  os::DevInfoData data;
  EXPECT_TRUE(setup.enumDeviceInfo(set, 0, &data));
  EXPECT_TRUE(setup.enumDeviceInfo(set, 1, &data));
  EXPECT_FALSE(setup.enumDeviceInfo(set, 2, &data));
  EXPECT_EQ(os::lastError(), os::kErrorNoMoreItems);
  data.cbSize = 4;
  EXPECT_FALSE(setup.enumDeviceInfo(set, 0, &data));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidUserBuffer);
}

TEST_F(SimDeviceSetup, HardwareIdsAreAMultiStringSizedByTheFailingCall) {
  os::DevInfoData data = device(0);
  std::uint32_t required = 0;
  EXPECT_FALSE(setup.getDeviceRegistryPropertyA(set, &data, os::kSpdrpHardwareId, nullptr, nullptr, 0, &required));
  EXPECT_EQ(os::lastError(), os::kErrorInsufficientBuffer);
  const std::string expected = std::string("PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01") + '\0' +
                               "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095" + '\0' + "PCI\\VEN_1095&DEV_3132&CC_018000" +
                               '\0' + "PCI\\VEN_1095&DEV_3132&CC_0180" + '\0' + '\0';
  ASSERT_EQ(required, expected.size());
  std::string buffer(required, 'x');
  auto* bytes = reinterpret_cast<std::uint8_t*>(buffer.data());
  EXPECT_FALSE(setup.getDeviceRegistryPropertyA(set, &data, os::kSpdrpHardwareId, nullptr, bytes, required - 1, nullptr));
  EXPECT_EQ(buffer, std::string(required, 'x'));  // left as it was
  std::uint32_t type = 0;
  ASSERT_TRUE(setup.getDeviceRegistryPropertyA(set, &data, os::kSpdrpHardwareId, &type, bytes, required, nullptr));
  EXPECT_EQ(type, os::kRegMultiSz);
  EXPECT_EQ(buffer, expected);
}

TEST_F(SimDeviceSetup, LocationTextAndMissingProperties) {
  os::DevInfoData data = device(0);
  char text[256] = {};
  ASSERT_TRUE(setup.getDeviceRegistryPropertyA(set, &data, os::kSpdrpLocationInformation, nullptr,
                                               reinterpret_cast<std::uint8_t*>(text), sizeof text, nullptr));
  EXPECT_STREQ(text, "PCI bus 3, device 0, function 0");
  EXPECT_FALSE(setup.getDeviceRegistryPropertyA(set, &data, os::kSpdrpLowerFilters, nullptr,
                                                reinterpret_cast<std::uint8_t*>(text), sizeof text, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidData);
  os::DevInfoData bare = device(1);
  EXPECT_FALSE(setup.getDeviceRegistryPropertyA(set, &bare, os::kSpdrpHardwareId, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidData);
}

TEST_F(SimDeviceSetup, LowerFiltersAndDescriptionCanBeSetAndRemoved) {
  os::DevInfoData data = device(0);
  const char filters[] = "TavSCntl\0";  // with the literal's own zero: the list's end
  ASSERT_TRUE(setup.setDeviceRegistryPropertyA(set, &data, os::kSpdrpLowerFilters,
                                               reinterpret_cast<const std::uint8_t*>(filters), sizeof filters));
  sim::DeviceNode* node = setup.findPci({3, 0, 0});
  ASSERT_TRUE(node->lowerFilters);
  EXPECT_EQ(*node->lowerFilters, std::vector<std::string>{"TavSCntl"});
  ASSERT_TRUE(setup.setDeviceRegistryPropertyA(set, &data, os::kSpdrpLowerFilters, nullptr, 0));
  EXPECT_FALSE(node->lowerFilters);
  const char description[] = "Renamed";
  ASSERT_TRUE(setup.setDeviceRegistryPropertyA(set, &data, os::kSpdrpDeviceDesc,
                                               reinterpret_cast<const std::uint8_t*>(description), sizeof description));
  EXPECT_EQ(node->description, "Renamed");
  EXPECT_FALSE(setup.setDeviceRegistryPropertyA(set, &data, os::kSpdrpHardwareId,
                                                reinterpret_cast<const std::uint8_t*>(description), sizeof description));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidRegProperty);
}

TEST_F(SimDeviceSetup, KeysCarryTheirAccessAndValueNamesIgnoreCase) {
  os::DevInfoData data = device(0);
  const std::uint32_t two = 2;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&two);
  const os::Handle reader = setup.openDevRegKey(set, &data, os::kDicsFlagGlobal, 0, os::kDiregDev, os::kKeyRead);
  ASSERT_TRUE(os::isValid(reader));
  EXPECT_EQ(setup.regSetValueExA(reader, "Port0", os::kRegDword, bytes, 4), static_cast<std::int32_t>(os::kErrorAccessDenied));
  const os::Handle writer = setup.openDevRegKey(set, &data, os::kDicsFlagGlobal, 0, os::kDiregDev, os::kKeyWrite);
  EXPECT_EQ(setup.regSetValueExA(writer, "Port0", os::kRegDword, bytes, 4), 0);
  EXPECT_EQ(setup.regSetValueExA(writer, "PORT0", os::kRegDword, bytes, 4), 0);
  std::uint32_t value = 0, size = sizeof value, type = 0;
  EXPECT_EQ(setup.regQueryValueExA(reader, "port0", &type, reinterpret_cast<std::uint8_t*>(&value), &size), 0);
  EXPECT_EQ(value, 2u);
  EXPECT_EQ(setup.regQueryValueExA(writer, "port0", &type, reinterpret_cast<std::uint8_t*>(&value), &size),
            static_cast<std::int32_t>(os::kErrorAccessDenied));
  const sim::RegistryKey& key = setup.findPci({3, 0, 0})->hardwareKey;
  EXPECT_EQ(key.size(), 1u);
  EXPECT_EQ(sim::dwordValue(key, "Port0"), 2u);
  EXPECT_EQ(setup.openKeys(), 2);
  EXPECT_EQ(setup.regCloseKey(reader), 0);
  EXPECT_EQ(setup.regCloseKey(writer), 0);
  EXPECT_EQ(setup.regCloseKey(writer), static_cast<std::int32_t>(os::kErrorInvalidHandle));
  EXPECT_FALSE(os::isValid(setup.openDevRegKey(set, &data, os::kDicsFlagGlobal, 0, 7, os::kKeyWrite)));
  EXPECT_EQ(os::lastError(), os::kErrorInvalidFlags);
}

TEST_F(SimDeviceSetup, PropertyReadFaultAndClassListFault) {
  setup.findPci({3, 0, 0})->propertyReadFaults[os::kSpdrpHardwareId] = os::kErrorGenFailure;
  os::DevInfoData data = device(0);
  EXPECT_FALSE(setup.getDeviceRegistryPropertyA(set, &data, os::kSpdrpHardwareId, nullptr, nullptr, 0, nullptr));
  EXPECT_EQ(os::lastError(), os::kErrorGenFailure);
  setup.failClassDevs(os::kErrorNotEnoughMemory);
  EXPECT_FALSE(os::isValid(setup.getClassDevsA(&os::kGuidDevClassScsiAdapter, nullptr, nullptr, os::kDigcfPresent)));
  EXPECT_EQ(os::lastError(), os::kErrorNotEnoughMemory);
  EXPECT_EQ(setup.openSets(), 1);
}

}  // namespace
