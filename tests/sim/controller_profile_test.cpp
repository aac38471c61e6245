// The controllers of a machine profile: what an entry yields with and without its
// optional keys, the image built from a version and a date, and the entries that
// are refused with their key path.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "sim/profile.h"

namespace {

const std::string kBase =
    R"("windows": {"directory": "C:\\Windows", "version": "6.1", "language": "en"},
       "resources": {"io": [], "memory": [], "problemDevices": []})";

std::string withControllers(const std::string& controllers, const std::string& pci = "[]") {
  return "{" + kBase + R"(, "pci": )" + pci + R"(, "controllers": )" + controllers + "}";
}

// One controller at 4:0.0 with its windows and these further members.
std::string controller(const std::string& more = "") {
  return R"([{"bus": 4, "device": 0, "function": 0, "globalRegisters": "0xF7C08000",
              "portRegisters": "0xF7C00000")" +
         more + "}]";
}

sim::MachineProfile parsed(const std::string& json) {
  auto result = sim::parseProfile(json);
  if (auto* error = std::get_if<sim::ProfileError>(&result)) {
    ADD_FAILURE() << error->keyPath << ": " << error->message;
    return {};
  }
  return std::get<sim::MachineProfile>(result);
}

TEST(ControllerProfile, LeftOutKeysGiveAControllerWithABlankChipAndWindowsOwnNames) {
  const sim::MachineProfile p = parsed(withControllers(controller()));
  ASSERT_EQ(p.controllers.size(), 1u);
  const sim::ControllerProfile& c = p.controllers[0];
  EXPECT_EQ(c.location.bus, 4);
  EXPECT_EQ(c.globalRegisters, 0xF7C08000u);
  EXPECT_EQ(c.portRegisters, 0xF7C00000u);
  EXPECT_EQ(c.flashManufacturer, 0xBF);
  EXPECT_EQ(c.flashDevice, 0xB5);
  EXPECT_TRUE(c.image.empty());
  EXPECT_FALSE(c.imageFile);
  EXPECT_EQ(c.sControl[0], 0x300u);
  EXPECT_EQ(c.sControl[1], 0x300u);
  EXPECT_EQ(c.description, "Silicon Image SiI 3132 SATALink Controller");
  EXPECT_FALSE(c.hardwareIds);
  EXPECT_FALSE(c.locationText);
  EXPECT_TRUE(c.hardwareKey);
  EXPECT_TRUE(p.windows.driverFiles.empty());
}

TEST(ControllerProfile, WindowsAbove4GAndADeviceWithoutItsHardwareKey) {
  const sim::ControllerProfile c = parsed(withControllers(R"([{"bus": 4, "device": 0, "function": 0,
      "globalRegisters": "0x4F7C08000", "portRegisters": "0x00000004F7C00000", "hardwareKey": false}])"))
                                       .controllers.at(0);
  EXPECT_EQ(c.globalRegisters, 0x4F7C08000u);
  EXPECT_EQ(c.portRegisters, 0x4F7C00000u);
  EXPECT_FALSE(c.hardwareKey);
}

TEST(ControllerProfile, EveryKeyArrives) {
  const std::string json = withControllers(controller(R"x(, "revision": 2,
      "flash": {"manufacturer": "0x1F", "device": "0x07", "image": "images/sii.bin"},
      "sControl": ["0x00000310", "0x00000320"], "description": "SATA card",
      "hardwareIds": ["PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_02", "PCI\\VEN_1095&DEV_3132"],
      "location": "PCI bus 4, device 0, function 0 (slot 2)")x"));
  const sim::ControllerProfile c = parsed(json).controllers.at(0);
  EXPECT_EQ(c.revision, 2);
  EXPECT_EQ(c.flashManufacturer, 0x1F);
  EXPECT_EQ(c.flashDevice, 0x07);
  EXPECT_EQ(c.imageFile, "images/sii.bin");
  EXPECT_TRUE(c.image.empty());  // read by the loader, which knows the profile's folder
  EXPECT_EQ(c.sControl[0], 0x310u);
  EXPECT_EQ(c.sControl[1], 0x320u);
  EXPECT_EQ(c.description, "SATA card");
  EXPECT_EQ(c.hardwareIds,
            (std::vector<std::string>{"PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_02", "PCI\\VEN_1095&DEV_3132"}));
  EXPECT_EQ(c.locationText, "PCI bus 4, device 0, function 0 (slot 2)");
}

TEST(ControllerProfile, ImageOfAVersionAndDateHoldsThemWhereThePointerBytesLead) {
  const sim::ControllerProfile c =
      parsed(withControllers(controller(R"(, "flash": {"image": {"version": "7.3.15", "date": "10/27/2010"}})")))
          .controllers.at(0);
  ASSERT_EQ(c.image.size(), 131072u);
  const auto text = [&](std::size_t at, std::size_t n) {
    return std::string(c.image.begin() + at, c.image.begin() + at + n);
  };
  EXPECT_EQ(c.image[0], 0x55);
  EXPECT_EQ(c.image[1], 0xAA);
  EXPECT_EQ(text(c.image[0x22], 6), "7.3.15");
  EXPECT_EQ(text(c.image[0x24], 10), "10/27/2010");
  // An option ROM's bytes add up to 0 over its length (512-byte units at offset 2).
  unsigned sum = 0;
  for (std::size_t i = 0; i < c.image[2] * 512u; ++i) sum += c.image[i];
  EXPECT_EQ(sum % 256, 0u);
  EXPECT_EQ(c.image.back(), 0xFF);  // beyond the ROM the chip stays erased
}

TEST(ControllerProfile, DriverFilesAreFileNames) {
  const std::string json = "{" + std::string(R"("windows": {"directory": "C:\\Windows", "version": "6.1",
      "language": "en", "driverFiles": ["TavSCntl.sys", "other.sys"]}, "pci": [],
      "resources": {"io": [], "memory": [], "problemDevices": []}})");
  EXPECT_EQ(parsed(json).windows.driverFiles, (std::vector<std::string>{"TavSCntl.sys", "other.sys"}));
}

struct BadController {
  const char* name;
  std::string json;
  const char* keyPath;
  const char* reasonWord;
};

void PrintTo(const BadController& c, std::ostream* os) { *os << c.name; }

class BadControllers : public ::testing::TestWithParam<BadController> {};

TEST_P(BadControllers, AreRefusedWithTheKeyPathAndReason) {
  const BadController& c = GetParam();
  const auto result = sim::parseProfile(c.json);
  ASSERT_TRUE(std::holds_alternative<sim::ProfileError>(result)) << c.json;
  const auto& error = std::get<sim::ProfileError>(result);
  EXPECT_EQ(error.keyPath, c.keyPath);
  EXPECT_NE(error.message.find(c.reasonWord), std::string::npos) << error.message;
}

const std::string kSecond = R"({"bus": 5, "device": 0, "function": 0, "globalRegisters": "0xF7B08000",
                                "portRegisters": "0xF7B00000"})";

INSTANTIATE_TEST_SUITE_P(
    Profile, BadControllers,
    ::testing::Values(
        BadController{"NotAList", withControllers("{}"), "controllers", "list"},
        BadController{"UnknownKey", withControllers(controller(R"(, "bar4": "0x1")")), "controllers[0].bar4",
                      "unknown key"},
        BadController{"MissingWindow",
                      withControllers(R"([{"bus": 4, "device": 0, "function": 0, "globalRegisters": "0xF7C08000"}])"),
                      "controllers[0].portRegisters", "missing"},
        BadController{"DeviceOutOfRange", withControllers(R"([{"bus": 4, "device": 32, "function": 0}])"),
                      "controllers[0].device", "0 to 31"},
        BadController{"UnalignedGlobalWindow", withControllers(R"([{"bus": 4, "device": 0, "function": 0,
             "globalRegisters": "0xF7C08040", "portRegisters": "0xF7C00000"}])"),
                      "controllers[0].globalRegisters", "multiple of 0x80"},
        BadController{"WindowBeyond64Bits", withControllers(R"([{"bus": 4, "device": 0, "function": 0,
             "globalRegisters": "0x1F7C0800000000000", "portRegisters": "0xF7C00000"}])"),
                      "controllers[0].globalRegisters", "64 bits"},
        BadController{"PortWindowAtZero", withControllers(R"([{"bus": 4, "device": 0, "function": 0,
             "globalRegisters": "0xF7C08000", "portRegisters": "0x0"}])"),
                      "controllers[0].portRegisters", "non-zero"},
        BadController{"WindowsOverlapEachOther", withControllers(R"([{"bus": 4, "device": 0, "function": 0,
             "globalRegisters": "0xF7C00080", "portRegisters": "0xF7C00000"}])"),
                      "controllers[0].portRegisters", "overlaps the window of controllers[0].globalRegisters"},
        BadController{"WindowOverlapsAnotherController",
                      withControllers("[" + kSecond + R"(, {"bus": 6, "device": 0, "function": 0,
             "globalRegisters": "0xF7B04000", "portRegisters": "0xF7A00000"}])"),
                      "controllers[1].globalRegisters", "controllers[0].portRegisters"},
        BadController{
            "PlaceOfAPciFunction",
            withControllers(controller(), R"([{"bus": 4, "device": 0, "function": 0, "config": {"0x00": "0x1"}}])"),
            "controllers[0]", "the same bus, device and function as pci[0]"},
        BadController{"TwoAtOnePlace", withControllers("[" + kSecond + ", " + kSecond + "]"), "controllers[1]",
                      "controllers[0]"},
        BadController{"ManufacturerBeyondAByte", withControllers(controller(R"(, "flash": {"manufacturer": "0x1BF"})")),
                      "controllers[0].flash.manufacturer", "8 bits"},
        BadController{"DeviceCodeNotHex", withControllers(controller(R"(, "flash": {"device": 181})")),
                      "controllers[0].flash.device", "hexadecimal"},
        BadController{
            "VersionOfWrongShape",
            withControllers(controller(R"(, "flash": {"image": {"version": "7.3.5", "date": "10/27/2010"}})")),
            "controllers[0].flash.image.version", "two digits"},
        BadController{
            "DateOfWrongShape",
            withControllers(controller(R"(, "flash": {"image": {"version": "7.3.15", "date": "2010-10-27"}})")),
            "controllers[0].flash.image.date", "month/day/year"},
        BadController{"ImageWithoutDate", withControllers(controller(R"(, "flash": {"image": {"version": "7.3.15"}})")),
                      "controllers[0].flash.image.date", "missing"},
        BadController{"OneSControlValue", withControllers(controller(R"(, "sControl": ["0x300"])")),
                      "controllers[0].sControl", "two values"},
        BadController{"NoHardwareIds", withControllers(controller(R"(, "hardwareIds": [])")),
                      "controllers[0].hardwareIds", "at least one"},
        BadController{"DescriptionOfTwoLines", withControllers(controller(R"(, "description": "a\nb")")),
                      "controllers[0].description", "one line"},
        BadController{"DriverFileInAFolder", "{" + std::string(R"("windows": {"directory": "C:\\Windows",
             "version": "6.1", "language": "en", "driverFiles": ["x\\TavSCntl.sys"]}, "pci": [],
             "resources": {"io": [], "memory": [], "problemDevices": []}})"),
                      "windows.driverFiles[0]", "without a folder"}));

}  // namespace
