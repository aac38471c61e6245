// Machine profiles: what a valid profile yields, and that a faulty one is refused
// whole with the key path at fault.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "sim/profile.h"

namespace {

const std::string kWindows = R"({"directory": "C:\\Windows", "version": "6.1", "language": "en"})";
const std::string kResources = R"({"io": [], "memory": [], "problemDevices": []})";

// A profile from its parts; each defaults to the smallest valid value. more: further
// top-level members, each after a comma.
std::string profile(const std::string& windows = kWindows, const std::string& pci = "[]",
                    const std::string& resources = kResources, const std::string& more = "") {
  return R"({"windows": )" + windows + R"(, "pci": )" + pci + R"(, "resources": )" + resources + more + "}";
}
std::string withWindows(const std::string& windows) { return profile(windows); }
std::string withPci(const std::string& pci) { return profile(kWindows, pci); }
std::string withResources(const std::string& resources) { return profile(kWindows, "[]", resources); }
std::string withMore(const std::string& more) { return profile(kWindows, "[]", kResources, more); }

// A PCI list of one function at 0:0.0 whose config holds an identity and these registers.
std::string pciWith(const std::string& registers) {
  return R"([{"bus": 0, "device": 0, "function": 0, "config": {"0x00": "0x01021195")" + registers + "}}]";
}

// A PCI list of one function at this location (the JSON members bus, device, function).
std::string functionAt(const std::string& location) {
  return "[{" + location + R"(, "config": {"0x00": "0x1"}}])";
}

// Windows of this version and language.
std::string windowsOf(const std::string& version, const std::string& language) {
  return R"({"directory": "C:\\Windows", "version": ")" + version + R"(", "language": ")" + language + R"("})";
}

// Resources whose memory list is this one range.
std::string memoryRange(const std::string& fields) {
  return R"({"io": [], "memory": [{)" + fields + R"(}], "problemDevices": []})";
}

std::string faults(const std::string& fields) { return R"(, "faults": )" + fields; }

struct BadProfile {
  const char* name;
  std::string json;
  const char* keyPath;
  const char* reasonWord;
};

void PrintTo(const BadProfile& c, std::ostream* os) { *os << c.name; }

class BadProfiles : public ::testing::TestWithParam<BadProfile> {};

TEST_P(BadProfiles, AreRefusedWithTheKeyPathAndReason) {
  const BadProfile& c = GetParam();
  const auto result = sim::parseProfile(c.json);
  ASSERT_TRUE(std::holds_alternative<sim::ProfileError>(result)) << c.json;
  const auto& error = std::get<sim::ProfileError>(result);
  EXPECT_EQ(error.keyPath, c.keyPath);
  EXPECT_NE(error.message.find(c.reasonWord), std::string::npos) << error.message;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, BadProfiles,
    ::testing::Values(
        // Not JSON, or not a profile at all.
        BadProfile{"EmptyText", "", "", "end of input"},
        BadProfile{"CutShort", R"({"windows": {"directory": )", "", "line 1, column 27"},
        BadProfile{"TrailingComma", "{\n\"pci\": [],\n}", "", "line 3"},
        BadProfile{"ListAtTop", "[]", "", "object"},
        BadProfile{"KeyGivenTwice", R"({"pci": [], "pci": []})", "pci", "twice"},
        // What the parser last read is quoted with its control characters shown as codes.
        BadProfile{"DeleteCharacterCutShort", "{\"\x7F", "", "last read: '\"<U+007F>'"},
        BadProfile{"C1ControlCutShort", "{\"\xC2\x9B", "", "last read: '\"<U+009B>'"},
        // Unknown and missing keys.
        BadProfile{"UnknownTopLevelKey", withMore(R"(, "colour": "red")"), "colour", "unknown"},
        BadProfile{"UnknownKeyNamedOddly", withMore(R"(, "größe": 1)"), "\"größe\"", "unknown"},
        BadProfile{"UnknownKeyWithControlCharacters", withMore(", \"a\x7F\xC2\x9B\\u0001\": 1"),
                   "\"a\\u007f\\u009b\\u0001\"", "unknown"},
        BadProfile{"UnknownRangeKey", withResources(memoryRange(R"("start": "0x0", "end": "0x1", "device": "d", "size": "0x2")")),
                   "resources.memory[0].size", "unknown"},
        BadProfile{"NoWindows", R"({"pci": [], "resources": {"io": [], "memory": [], "problemDevices": []}})",
                   "windows", "missing"},
        BadProfile{"NoWindowsDirectory", withWindows(R"({"version": "6.1", "language": "en"})"),
                   "windows.directory", "missing"},
        BadProfile{"NoProblemDevices", withResources(R"({"io": [], "memory": []})"),
                   "resources.problemDevices", "missing"},
        BadProfile{"NoRangeDevice", withResources(memoryRange(R"("start": "0x0", "end": "0x1")")),
                   "resources.memory[0].device", "missing"},
        BadProfile{"NoIdentityRegister", withPci(R"([{"bus": 0, "device": 0, "function": 0, "config": {}}])"),
                   "pci[0].config.\"0x00\"", "identity"},
        // Wrong types.
        BadProfile{"DirectoryAsNumber", withWindows(R"({"directory": 42, "version": "6.1", "language": "en"})"),
                   "windows.directory", "string"},
        BadProfile{"PciAsObject", withPci("{}"), "pci", "list"},
        BadProfile{"BusAsString", withPci(functionAt(R"("bus": "3", "device": 0, "function": 0)")),
                   "pci[0].bus", "whole number"},
        BadProfile{"BusAsFraction", withPci(functionAt(R"("bus": 1.5, "device": 0, "function": 0)")),
                   "pci[0].bus", "whole number"},
        BadProfile{"AddressAsNumber", withResources(memoryRange(R"("start": 4096, "end": "0x1FFF", "device": "d")")),
                   "resources.memory[0].start", "0x"},
        BadProfile{"FlagAsText", withMore(faults(R"({"driverFileMissing": "yes"})")),
                   "faults.driverFileMissing", "true or false"},
        BadProfile{"WindowsNull", withWindows("null"), "windows", "object"},
        // Values out of range or malformed.
        BadProfile{"Bus256", withPci(functionAt(R"("bus": 256, "device": 0, "function": 0)")),
                   "pci[0].bus", "0 to 255"},
        BadProfile{"Device32", withPci(functionAt(R"("bus": 0, "device": 32, "function": 0)")),
                   "pci[0].device", "0 to 31"},
        BadProfile{"FunctionNegative", withPci(functionAt(R"("bus": 0, "device": 0, "function": -1)")),
                   "pci[0].function", "0 to 7"},
        BadProfile{"TwoFunctionsInOnePlace",
                   withPci(R"([{"bus": 3, "device": 0, "function": 0, "config": {"0x00": "0x1"}},
                                       {"bus": 3, "device": 0, "function": 0, "config": {"0x00": "0x2"}}])"),
                   "pci[1]", "pci[0]"},
        BadProfile{"OffsetBeyondConfigSpace", withPci(pciWith(R"(, "0x100": "0x1")")),
                   "pci[0].config.\"0x100\"", "0xFC"},
        BadProfile{"OffsetNotMultipleOf4", withPci(pciWith(R"(, "0x12": "0x1")")),
                   "pci[0].config.\"0x12\"", "multiple of 4"},
        BadProfile{"OffsetWithoutPrefix", withPci(pciWith(R"(, "10": "0x1")")), "pci[0].config.\"10\"", "0x"},
        BadProfile{"OneRegisterTwoSpellings", withPci(pciWith(R"(, "0x10": "0x1", "0x010": "0x2")")),
                   "pci[0].config.\"0x10\"", "same register as \"0x010\""},
        BadProfile{"RegisterKeyTwice", withPci(pciWith(R"(, "0x10": "0x1", "0x10": "0x2")")),
                   "pci[0].config.\"0x10\"", "twice"},
        BadProfile{"RegisterOf33Bits", withPci(pciWith(R"(, "0x10": "0x1FFFFFFFF")")),
                   "pci[0].config.\"0x10\"", "32 bits"},
        BadProfile{"NoFunctionVendor", withPci(R"([{"bus": 0, "device": 0, "function": 0, "config": {"0x00": "0xFFFFFFFF"}}])"),
                   "pci[0].config.\"0x00\"", "0xFFFF"},
        BadProfile{"EndOf33Bits", withResources(memoryRange(R"("start": "0x0", "end": "0x100000000", "device": "d")")),
                   "resources.memory[0].end", "32 bits"},
        BadProfile{"StartAboveEnd", withResources(memoryRange(R"("start": "0xF0000000", "end": "0xEFFFFFFF", "device": "d")")),
                   "resources.memory[0].end", "below start"},
        BadProfile{"HexWithoutPrefix", withResources(memoryRange(R"("start": "F0000000", "end": "0xF0000FFF", "device": "d")")),
                   "resources.memory[0].start", "0x"},
        BadProfile{"HexWithJunk", withResources(memoryRange(R"("start": "0xF000000G", "end": "0xF0000FFF", "device": "d")")),
                   "resources.memory[0].start", "0x"},
        BadProfile{"HexPrefixAlone", withResources(memoryRange(R"("start": "0x", "end": "0xF0000FFF", "device": "d")")),
                   "resources.memory[0].start", "0x"},
        BadProfile{"EmptyDeviceName", withResources(memoryRange(R"("start": "0x0", "end": "0x1", "device": "")")),
                   "resources.memory[0].device", "empty"},
        BadProfile{"DeviceNameWithTab", withResources(memoryRange(R"("start": "0x0", "end": "0x1", "device": "a\tb")")),
                   "resources.memory[0].device", "one line"},
        BadProfile{"DescriptionOfTwoLines", withMore(R"(, "description": "one\ntwo")"), "description", "one line"},
        BadProfile{"VersionWithoutMinor", withWindows(windowsOf("6", "en")),
                   "windows.version", "major.minor"},
        BadProfile{"VersionMinor256", withWindows(windowsOf("6.256", "en")),
                   "windows.version", "0 to 255"},
        BadProfile{"LanguageGerman", withWindows(windowsOf("6.1", "de")),
                   "windows.language", "\"en\" or \"ja\""},
        BadProfile{"ToolExitStatusZero", withMore(faults(R"({"systemInfoTool": {"exitStatus": 0}})")),
                   "faults.systemInfoTool.exitStatus", "writesNoFile"},
        BadProfile{"ToolFailsBothWays", withMore(faults(R"({"systemInfoTool": {"exitStatus": 1, "writesNoFile": true}})")),
                   "faults.systemInfoTool", "exclude"},
        BadProfile{"DriverStartErrorZero", withMore(faults(R"({"driverService": {"startError": 0}})")),
                   "faults.driverService.startError", "1 to"},
        BadProfile{"DriverStartErrorOf33Bits", withMore(faults(R"({"driverService": {"startError": 4294967296}})")),
                   "faults.driverService.startError", "4294967295"}),
    [](const ::testing::TestParamInfo<BadProfile>& info) { return std::string(info.param.name); });

TEST(Profile, DeepNestingIsRefusedWhereItGoesTooDeep) {
  // Far deeper than any stack would take if the document were built or walked recursively.
  const std::string json = R"({"pci": )" + std::string(200000, '[') + std::string(200000, ']') + "}";
  const auto result = sim::parseProfile(json);
  ASSERT_TRUE(std::holds_alternative<sim::ProfileError>(result));
  const auto& error = std::get<sim::ProfileError>(result);
  EXPECT_EQ(error.keyPath.rfind("pci[0][0][0]", 0), 0u) << error.keyPath;
  EXPECT_NE(error.message.find("nested deeper"), std::string::npos) << error.message;
}

TEST(Profile, HugeDocumentIsRefusedBeforeParsing) {
  const std::string json = withMore(R"(, "description": ")" + std::string(5 * 1024 * 1024, 'x') + "\"");
  const auto result = sim::parseProfile(json);
  ASSERT_TRUE(std::holds_alternative<sim::ProfileError>(result));
  EXPECT_EQ(std::get<sim::ProfileError>(result).keyPath, "");
  EXPECT_NE(std::get<sim::ProfileError>(result).message.find("larger than 4 MiB"), std::string::npos);
}

TEST(Profile, EveryFieldArrives) {
  const auto result = sim::parseProfile(R"json({
    "description": "Every key set",
    "systemName": "開発-PC",
    "windows": {"directory": "D:\\OS\\ウィンドウズ", "version": "5.1", "language": "ja", "comspec": "D:\\Tools\\sh.exe"},
    "pci": [
      {"bus": 255, "device": 31, "function": 7, "config": {"0x00": "0x01021195", "0xFC": "0xffffffff", "0x94": "0X01021195"}},
      {"bus": 3, "device": 0, "function": 0, "config": {"0x00": "0x02E01217", "0x020": "0x00000000"}}
    ],
    "resources": {
      "io": [{"start": "0x0000E000", "end": "0x0000E0FF", "device": "Nordvale KB20", "status": "Disabled"}],
      "memory": [{"start": "0x0", "end": "0xFFFFFFFF", "device": "PCI バス"},
                 {"start": "0xF2000000", "end": "0xF2000000", "device": "one byte"}],
      "problemDevices": [{"device": "不明なデバイス", "pnpDeviceId": "PCI\\VEN_1195&DEV_0102", "error": "(コード 12)"}]
    },
    "faults": {"systemInfoTool": {"exitStatus": -1}, "driverService": {"startError": 1058}, "driverFileMissing": true}
  })json");
  ASSERT_TRUE(std::holds_alternative<sim::MachineProfile>(result)) << std::get<sim::ProfileError>(result).message;
  const auto& p = std::get<sim::MachineProfile>(result);
  EXPECT_EQ(p.description, "Every key set");
  EXPECT_EQ(p.windows.directory, u"D:\\OS\\ウィンドウズ");
  EXPECT_EQ(p.windows.version, 0x0501u);
  EXPECT_EQ(p.windows.language, sim::ReportLanguage::Japanese);
  EXPECT_EQ(p.windows.comspec, std::u16string(u"D:\\Tools\\sh.exe"));

  ASSERT_EQ(p.pci.size(), 2u);
  EXPECT_EQ(p.pci[0].location.bus, 255);
  EXPECT_EQ(p.pci[0].location.device, 31);
  EXPECT_EQ(p.pci[0].location.function, 7);
  EXPECT_EQ(p.pci[0].config, (std::map<std::uint8_t, std::uint32_t>{{0x00, 0x01021195}, {0x94, 0x01021195}, {0xFC, 0xFFFFFFFF}}));
  EXPECT_EQ(p.pci[1].location.bus, 3);
  EXPECT_EQ(p.pci[1].config, (std::map<std::uint8_t, std::uint32_t>{{0x00, 0x02E01217}, {0x20, 0}}));

  const sim::SystemReportDescription& r = p.resources;
  EXPECT_EQ(r.language, sim::ReportLanguage::Japanese);
  EXPECT_EQ(r.systemName, "開発-PC");
  ASSERT_EQ(r.io.size(), 1u);
  EXPECT_EQ(r.io[0].start, 0xE000u);
  EXPECT_EQ(r.io[0].end, 0xE0FFu);
  EXPECT_EQ(r.io[0].device, "Nordvale KB20");
  EXPECT_EQ(r.io[0].status, "Disabled");
  ASSERT_EQ(r.memory.size(), 2u);
  EXPECT_EQ(r.memory[0].end, 0xFFFFFFFFu);
  EXPECT_EQ(r.memory[0].device, "PCI バス");
  EXPECT_EQ(r.memory[0].status, "OK");
  EXPECT_EQ(r.memory[1].start, 0xF2000000u);
  EXPECT_EQ(r.memory[1].end, 0xF2000000u);
  ASSERT_EQ(r.problemDevices.size(), 1u);
  EXPECT_EQ(r.problemDevices[0].name, "不明なデバイス");
  EXPECT_EQ(r.problemDevices[0].deviceId, "PCI\\VEN_1195&DEV_0102");
  EXPECT_EQ(r.problemDevices[0].errorCode, "(コード 12)");

  EXPECT_EQ(p.faults.systemInfoToolExitStatus, -1);
  EXPECT_FALSE(p.faults.systemInfoToolWritesNoFile);
  EXPECT_EQ(p.faults.driverStartError, 1058u);
  EXPECT_TRUE(p.faults.driverFileMissing);
}

TEST(Profile, LeftOutOptionalKeysMeanAHealthyMachine) {
  const auto result = sim::parseProfile(withMore(faults(R"({"systemInfoTool": {"writesNoFile": true}})")));
  ASSERT_TRUE(std::holds_alternative<sim::MachineProfile>(result)) << std::get<sim::ProfileError>(result).message;
  const auto& p = std::get<sim::MachineProfile>(result);
  EXPECT_EQ(p.description, "");
  EXPECT_EQ(p.windows.comspec, std::nullopt);
  EXPECT_EQ(p.resources.systemName, "NORDVALE-PC");
  EXPECT_EQ(p.resources.language, sim::ReportLanguage::English);
  EXPECT_TRUE(p.pci.empty());
  EXPECT_TRUE(p.faults.systemInfoToolWritesNoFile);
  EXPECT_EQ(p.faults.systemInfoToolExitStatus, std::nullopt);
  EXPECT_EQ(p.faults.driverStartError, std::nullopt);
  EXPECT_FALSE(p.faults.driverFileMissing);
}

}  // namespace
