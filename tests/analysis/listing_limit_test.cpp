// One Search lists at most 4,096 blocks: a tiny Space Size in a large window stops
// the listing there with message 707, and the Search ends as it would have.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine_fixture.h"

namespace {

using analysis_test::EngineTest;
using analysis_test::range;

const char* const kMoreBlocksFit = "More blocks fit than were listed. Enter a larger Space Size to see them all.";

struct LimitCase {
  const char* name;
  std::vector<sim::ReportRange> memory;  // inside the window 0xD0000000-0xEFFFFFFF
  std::uint32_t size;
  std::size_t listed;       // blocks in the INI file
  const char* lastListed;   // the last block's StartAdrs line
  bool limitMessage;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class ListingLimit : public EngineTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(ListingLimit, StopsAtTheLimitOnlyWhenAnotherBlockWouldFit) {
  const LimitCase& c = GetParam();
  sim::SystemReportDescription report;
  report.memory = {range(0xD0000000, 0xEFFFFFFF, "PCI bus")};
  report.memory.insert(report.memory.end(), c.memory.begin(), c.memory.end());
  EXPECT_EQ(engine.SearchFreeMemory(writeReport(report), 0xD0000000, 0xEFFFFFFF, c.size - 1), 0);
  const auto lines = iniLines("KB20.ini");
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ((lines.size() - 10) / 2, c.listed);
  EXPECT_EQ(lines[lines.size() - 2], c.lastListed);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("StartAdrs=", 0) == 0; }),
            1);  // one active block
  const std::vector<analysis_test::Shown> expected =
      c.limitMessage ? std::vector<analysis_test::Shown>{{false, os::fromUtf8(kMoreBlocksFit)}}
                     : std::vector<analysis_test::Shown>{};
  EXPECT_EQ(host.shown, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, ListingLimit,
    ::testing::Values(
        // A 256 MB hole cut into 64 KB blocks: exactly 4,096, all listed.
        LimitCase{"ExactlyTheLimit", {range(0xE0000000, 0xEFFFFFFF, "device")}, 0x10000, 4096,
                  ";StartAdrs=0xD0000000", false},
        // Cut into 32 KB blocks: 8,192 fit, the first 4,096 from the top are listed.
        LimitCase{"MoreThanTheLimitInOneHole", {range(0xE0000000, 0xEFFFFFFF, "device")}, 0x8000, 4096,
                  ";StartAdrs=0xD8000000", true},
        // Holes of 3,008 and 5,168 blocks: the first is listed whole, the second's top
        // 1,088 blocks make up the 4,096.
        LimitCase{"TheLimitCountsAcrossHoles", {range(0xDBC00000, 0xDBCFFFFF, "device")}, 0x10000, 4096,
                  ";StartAdrs=0xEBC00000", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ListingLimit, EachSearchCountsAfresh) {
  sim::SystemReportDescription report;
  report.memory = {range(0xD0000000, 0xEFFFFFFF, "PCI bus"), range(0xE0000000, 0xEFFFFFFF, "device")};
  const auto path = writeReport(report);
  EXPECT_EQ(engine.SearchFreeMemory(path, 0xD0000000, 0xEFFFFFFF, 0x7FFF), 0);
  EXPECT_EQ(engine.SearchFreeMemory(path, 0xD0000000, 0xEFFFFFFF, 0x7FFF), 0);
  EXPECT_EQ((iniLines("KB20.ini").size() - 10) / 2, 4096u);
  EXPECT_EQ(host.shown.size(), 2u);
}

}  // namespace
