// The board's I/O window and its room, and the memory window with its inner window.
#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace {

using analysis_test::EngineTest;
using analysis_test::range;

class IoWindow : public EngineTest {
 protected:
  std::u16string ioReport(std::vector<sim::ReportRange> io) {
    sim::SystemReportDescription report;
    report.io = std::move(io);
    report.memory = {range(0xF0000000, 0xFFFFFFFF)};
    return writeReport(report);
  }
  std::pair<std::uint32_t, std::uint32_t> window(const std::u16string& report, std::uint32_t address) {
    std::uint32_t start = 7, end = 7;
    EXPECT_EQ(engine.FindIoWindow(report, address, start, end), 0);
    return {start, end};
  }
};

TEST_F(IoWindow, IsTheLargestContainingRange) {
  const auto report = ioReport({range(0xE000, 0xE0FF), range(0x0000, 0xFFFF), range(0xD000, 0xEFFF),
                                range(0x0000, 0x0CF7)});
  EXPECT_EQ(window(report, 0xE010), std::make_pair(0x0000u, 0xFFFFu));
  EXPECT_EQ(window(report, 0xE0FF), std::make_pair(0x0000u, 0xFFFFu));  // an end counts as contained
  EXPECT_EQ(window(report, 0x10000), std::make_pair(0u, 0u));          // outside every range
}

TEST_F(IoWindow, EqualSizesKeepReportOrder) {
  // Two windows of the same size around the address: the stable sort leaves the
  // later one last, on every platform.
  const auto report = ioReport({range(0xD000, 0xDFFF, "first"), range(0xD800, 0xE7FF, "second")});
  EXPECT_EQ(window(report, 0xD900), std::make_pair(0xD800u, 0xE7FFu));
  const auto swapped = ioReport({range(0xD800, 0xE7FF), range(0xD000, 0xDFFF)});
  EXPECT_EQ(window(swapped, 0xD900), std::make_pair(0xD000u, 0xDFFFu));
  // Enough of them that the sort cannot fall back on insertion alone.
  std::vector<sim::ReportRange> many;
  for (std::uint32_t i = 0; i < 40; ++i) many.push_back(range(0x8000 + i * 0x10, 0x8FFF + i * 0x10));
  EXPECT_EQ(window(ioReport(many), 0x8FFF), std::make_pair(0x8270u, 0x926Fu));
}

struct IoRoomCase {
  const char* name;
  std::uint32_t windowStart, windowEnd;
  std::vector<sim::ReportRange> io;
  int result;
};

void PrintTo(const IoRoomCase& c, std::ostream* os) { *os << c.name; }

class IoRoom : public IoWindow, public ::testing::WithParamInterface<IoRoomCase> {};

TEST_P(IoRoom, NeedsThreeWholeFreePages) {
  const IoRoomCase& c = GetParam();
  auto io = c.io;
  io.push_back(range(c.windowStart, c.windowEnd, "the window itself"));
  EXPECT_EQ(engine.CheckIoFreeSpace(ioReport(io), c.windowStart, c.windowEnd, 0x3000), c.result);
}

INSTANTIATE_TEST_SUITE_P(
    Windows, IoRoom,
    ::testing::Values(
        IoRoomCase{"holeBetweenOfThreePages", 0x1000, 0xFFFF, {range(0x1000, 0x1FFF), range(0x5000, 0xFFFF)}, 0},
        IoRoomCase{"holeRoundedToTwoPages", 0x1000, 0x7FFF, {range(0x1000, 0x1FFF), range(0x4800, 0x7FFF)}, 105},
        IoRoomCase{"trailingHoleAfterRoundedOne", 0x1000, 0xFFFF, {range(0x1000, 0x1FFF), range(0x4800, 0x5FFF)}, 0},
        IoRoomCase{"twoSinglePages", 0xD000, 0xFFFF, {range(0xE000, 0xEFFF)}, 105},
        IoRoomCase{"leadingSixPages", 0x1000, 0x8FFF, {range(0x7000, 0x7FFF)}, 0},
        IoRoomCase{"hole0x2FFF", 0x0000, 0xFFFF, {range(0x0000, 0x0FFF), range(0x3FFF, 0xFFFF)}, 105},
        IoRoomCase{"hole0x3000Unaligned", 0x0000, 0xFFFF, {range(0x0000, 0x17FF), range(0x4800, 0xFFFF)}, 105},
        IoRoomCase{"onlyTheWindow", 0x1000, 0xFFFF, {}, 105},
        IoRoomCase{"stickingOutIsIgnored", 0x1000, 0x8FFF, {range(0x0800, 0x5FFF), range(0x6000, 0x9000)}, 105},
        // Nested records: the trailing hole starts above the outer record's end,
        // not above the inner one's, and 0x9000 to 0xFFFF still qualifies.
        IoRoomCase{"nestedTrailing", 0x1000, 0xFFFF,
                   {range(0x1000, 0x1FFF), range(0x2000, 0x8FFF), range(0x3000, 0x3FFF)}, 0},
        IoRoomCase{"nestedHidesHole", 0x1000, 0x9FFF,
                   {range(0x1000, 0x1FFF), range(0x2000, 0x8FFF), range(0x3000, 0x3FFF), range(0x9000, 0x9FFF)},
                   105},
        IoRoomCase{"duplicatedRows", 0x0000, 0xFFFF,
                   {range(0x4000, 0xFFFF), range(0x0000, 0x0FFF), range(0x4000, 0xFFFF), range(0x0000, 0x0FFF)}, 0},
        IoRoomCase{"topOfTheSpaceNeverWraps", 0xFFFF0000, 0xFFFFFFFF,
                   {range(0xFFFF0000, 0xFFFFCFFF), range(0xFFFFF000, 0xFFFFFFFF)}, 105}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IoWindow, MissingReport) {
  std::uint32_t start = 1, end = 1;
  EXPECT_EQ(engine.FindIoWindow(path("none.txt"), 0x1000, start, end), 103);
  EXPECT_EQ(start | end, 0u);
  EXPECT_EQ(engine.CheckIoFreeSpace(path("none.txt"), 0x1000, 0xFFFF, 0x3000), 103);
}

class MemoryWindow : public EngineTest {
 protected:
  std::u16string memoryReport(std::vector<sim::ReportRange> memory) {
    sim::SystemReportDescription report;
    report.memory = std::move(memory);
    return writeReport(report);
  }
};

TEST_F(MemoryWindow, LargestAndNextLargestContainingRanges) {
  const auto report = memoryReport({range(0xA0000, 0xBFFFF), range(0xF7E00000, 0xF7E03FFF),
                                    range(0xC0000000, 0xFEBFFFFF), range(0xF7E00000, 0xF7EFFFFF)});
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(report, 0xF7E00000, start, end), 0);
  EXPECT_EQ(start, 0xC0000000u);
  EXPECT_EQ(end, 0xFEBFFFFFu);
  EXPECT_EQ(engine.m_innerWindowStart, 0xF7E00000u);
  EXPECT_EQ(engine.m_innerWindowEnd, 0xF7EFFFFFu);

  // Only one range contains the address: it is the inner window too.
  ASSERT_EQ(engine.FindMemoryWindow(report, 0xFEBFFFFF, start, end), 0);
  EXPECT_EQ(start, 0xC0000000u);
  EXPECT_EQ(engine.m_innerWindowStart, 0xC0000000u);
  EXPECT_EQ(engine.m_innerWindowEnd, 0xFEBFFFFFu);

  // None does, or the report is gone: window 0 to 0, inner window kept.
  ASSERT_EQ(engine.FindMemoryWindow(report, 0xFF000000, start, end), 0);
  EXPECT_EQ(start | end, 0u);
  EXPECT_EQ(engine.FindMemoryWindow(path("none.txt"), 0xF7E00000, start, end), 103);
  EXPECT_EQ(start | end, 0u);
  EXPECT_EQ(engine.m_innerWindowStart, 0xC0000000u);
  EXPECT_EQ(engine.m_innerWindowEnd, 0xFEBFFFFFu);
}

TEST_F(MemoryWindow, DuplicatedLargestRowsGiveWindowAndEqualInnerWindow) {
  const auto report = memoryReport({range(0xC0000000, 0xFEBFFFFF, "PCI bus"), range(0xE0000000, 0xEFFFFFFF),
                                    range(0xC0000000, 0xFEBFFFFF, "PCI bus")});
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(report, 0xE0000000, start, end), 0);
  EXPECT_EQ(start, 0xC0000000u);
  EXPECT_EQ(engine.m_innerWindowStart, 0xC0000000u);
  EXPECT_EQ(engine.m_innerWindowEnd, 0xFEBFFFFFu);
}

}  // namespace
