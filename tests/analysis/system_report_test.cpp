// The report writer the tests and the simulated system-information tool use: the
// tool's layout, and headings that are the ones the engine looks for.
#include <gtest/gtest.h>

#include "os/text.h"
#include "resources/messages.h"
#include "sim/system_report.h"

namespace {

TEST(SystemReport, WritesTheToolsLayout) {
  sim::SystemReportDescription report;
  report.io = {{0x0000, 0x0CF7, "PCI bus", "OK"}};
  report.memory = {{0xF7E00000, 0xF7E03FFF, "Nordvale KB20", "OK"}, {0xA0000, 0xBFFFF, "PCI bus", "OK"}};
  report.problemDevices = {{"PCI Device", "PCI\\VEN_1195&DEV_0102", "Code 28"}};
  const std::string bytes = sim::systemReportBytes(report);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.size() % 2, 0u);
  EXPECT_EQ(os::toUtf8(sim::systemReportText(report).substr(1)),
            "System Name: NORDVALE-PC\r\n\r\n"
            "[I/O]\r\n\r\nResource\tDevice\tStatus\t\r\n0x00000000-0x00000CF7\tPCI bus\tOK\t\r\n\r\n"
            "[Memory]\r\n\r\nResource\tDevice\tStatus\t\r\n0xF7E00000-0xF7E03FFF\tNordvale KB20\tOK\t\r\n"
            "0x000A0000-0x000BFFFF\tPCI bus\tOK\t\r\n\r\n"
            "[Problem Devices]\r\n\r\nDevice\tPNP Device ID\tError Code\t\r\nPCI Device\tPCI\\VEN_1195&DEV_0102\tCode 28\t\r\n");
}

TEST(SystemReport, HeadingsAreTheEnginesSectionTitles) {
  const std::pair<sim::ReportLanguage, resources::Language> languages[] = {
      {sim::ReportLanguage::English, resources::Language::English},
      {sim::ReportLanguage::Japanese, resources::Language::Japanese}};
  for (const auto& [tool, table] : languages) {
    EXPECT_EQ(sim::ioHeading(tool), resources::loadMessage(resources::msg::kIoHeading, table));
    EXPECT_EQ(sim::memoryHeading(tool), resources::loadMessage(resources::msg::kMemoryHeading, table));
    EXPECT_EQ(sim::problemDevicesHeading(tool), resources::loadMessage(resources::msg::kProblemHeading, table));
  }
  EXPECT_EQ(os::toUtf8(sim::memoryHeading(sim::ReportLanguage::Japanese)), "[メモリ]");
  EXPECT_EQ(os::toUtf8(sim::problemDevicesHeading(sim::ReportLanguage::Japanese)), "[問題のあるデバイス]");
}

}  // namespace
