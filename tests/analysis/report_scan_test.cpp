// Reading the report: lines, sections, range lines, and reports that are not
// what they should be.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/range_line.h"
#include "analysis/report_lines.h"
#include "analysis/report_scan.h"
#include "engine_fixture.h"

namespace {

using analysis::ReportLine;
using analysis::ReportLines;
using analysis_test::EngineTest;
using analysis_test::range;
using analysis_test::utf16le;

std::vector<std::u16string> linesOf(std::u16string_view text) {
  std::vector<std::u16string> lines;
  ReportLines reader(text);
  for (ReportLine line; reader.next(line);) lines.emplace_back(line.text);
  return lines;
}

struct SplitCase {
  const char* name;
  std::u16string text;
  std::vector<std::u16string> lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class LineSplitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(LineSplitting, FollowsCrLf) { EXPECT_EQ(linesOf(GetParam().text), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Texts, LineSplitting,
    ::testing::Values(
        SplitCase{"twoLines", u"a\r\nb\r\n", {u"a", u"b"}},
        SplitCase{"emptyLinesGiveNothing", u"a\r\n\r\n\r\nb\r\n", {u"a", u"b"}},
        SplitCase{"noCrLfNoLine", u"a\r\nlast", {u"a"}},
        SplitCase{"loneCrAndLfAreText", u"a\rb\nc\r\n", {u"a\rb\nc"}},
        SplitCase{"crBeforeCrLf", u"a\r\r\nb\r\n", {u"a\r", u"b"}},
        SplitCase{"nulEndsTheText", std::u16string(u"ab\0cd\r\nx\r\n", 10), {u"ab", u"x"}},
        SplitCase{"bomStaysInTheFirstLine", u"\xFEFFhead\r\n", {u"\xFEFFhead"}},
        SplitCase{"onlyCr", u"only CR\ronly CR\r", {}}, SplitCase{"empty", u"", {}},
        SplitCase{"longerLines", u"abcdefghijklmnop\r\nqrstuvwxyz0123456789\r\n",
                  {u"abcdefghijklmnop", u"qrstuvwxyz0123456789"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportLinesTest, MarksHeaderLinesOnlyForBracketsBeforeANul) {
  const std::u16string text(u"[I/O]\r\nx[\r\nab\0[\r\nplain\r\n", 24);
  ReportLines reader(text);
  std::vector<bool> headers;
  for (ReportLine line; reader.next(line);) headers.push_back(line.hasBracket);
  EXPECT_EQ(headers, (std::vector<bool>{true, true, false, false}));
}

struct RangeCase {
  const char* name;
  const char16_t* line;
  bool accepted;
  std::uint32_t start, end, size;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class RangeLines : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeLines, Parse) {
  analysis::RangeLineParser parser;
  analysis::ResourceRange r;
  const RangeCase& c = GetParam();
  ASSERT_EQ(parser.parse(c.line, r), c.accepted);
  if (!c.accepted) return;
  EXPECT_EQ(r.start, c.start);
  EXPECT_EQ(r.end, c.end);
  EXPECT_EQ(r.size, c.size);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RangeLines,
    ::testing::Values(
        RangeCase{"plain", u"0xFED00000-0xFED003FF\tHPET\tOK\t", true, 0xFED00000, 0xFED003FF, 0x3FF},
        RangeCase{"blanksAroundHyphen", u"0xFED00000 - 0xFED003FF\tHPET\tOK\t", true, 0xFED00000, 0xFED003FF, 0x3FF},
        RangeCase{"leadingZeros", u"0x000A0000-0x000BFFFF\tVGA\t", true, 0xA0000, 0xBFFFF, 0x1FFFF},
        RangeCase{"startOverflows", u"0xFFFFFFFF0-0x1\tx\t", true, 0xFFFFFFFF, 1, 2},
        RangeCase{"backwards", u"0x1000-0x0FFF\tbackwards\t", true, 0x1000, 0xFFF, 0xFFFFFFFF},
        RangeCase{"hyphenPastTheTab", u"0x\t-zz\t", false, 0, 0, 0},
        RangeCase{"endWithoutDigits", u"0xA-zz\tx\t", true, 0xA, 0, 0xFFFFFFF6},
        RangeCase{"noTab", u"0xFED00000-0xFED003FF HPET OK", false, 0, 0, 0},
        RangeCase{"upperCaseX", u"0XFED00000-0XFED003FF\tHPET\t", false, 0, 0, 0},
        RangeCase{"leadingBlank", u" 0xFED00000-0xFED003FF\tHPET\t", false, 0, 0, 0},
        RangeCase{"noHyphen", u"0xFED00000\tHPET\t", false, 0, 0, 0},
        RangeCase{"columnHeadings", u"Resource\tDevice\tStatus\t", false, 0, 0, 0},
        RangeCase{"header", u"[Memory]", false, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Records every line a scan hands on, with its section.
class Recorder final : public analysis::ReportLineSink {
 public:
  bool onLine(analysis::Section section, std::u16string_view line) override {
    seen.emplace_back(section, std::u16string(line));
    return true;
  }
  std::vector<std::pair<analysis::Section, std::u16string>> seen;
};

using ReportScan = EngineTest;

TEST_F(ReportScan, HandsOnOnlyTheWantedSectionsWithTheirHeaders) {
  const std::u16string text =
      u"\xFEFF" u"System Name: X\r\n[I/O]\r\n\r\nResource\tDevice\t\r\n0x1-0x2\ta\t\r\n"
      u"[Memory]\r\n0x3-0x4\tb\t\r\n[Other] and [Problem Devices]\r\nline\r\n[Unknown]\r\n0x5-0x6\tc\t\r\n";
  std::string bytes;
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  const auto report = writeRaw(bytes);
  const analysis::SectionTitle titles[] = {{u"[Memory]", analysis::Section::Memory},
                                           {u"[Problem Devices]", analysis::Section::ProblemDevices}};
  Recorder recorder;
  ASSERT_TRUE(analysis::scanReport(os::hostFiles(), report, titles, recorder));
  using analysis::Section;
  const std::vector<std::pair<Section, std::u16string>> expected{
      {Section::Memory, u"[Memory]"},
      {Section::Memory, u"0x3-0x4\tb\t"},
      {Section::ProblemDevices, u"[Other] and [Problem Devices]"},
      {Section::ProblemDevices, u"line"}};
  EXPECT_EQ(recorder.seen, expected);
}

// Where a header line begins and whether it is one, outside the wanted sections
// (where the scan passes from bracket to bracket) and inside them alike.
struct HeaderCase {
  const char* name;
  std::u16string text;
  std::vector<std::u16string> memoryLines;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

class HeaderLines : public EngineTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(HeaderLines, OpenSectionsOnlyWhenTheyAreHeaders) {
  std::string bytes;
  for (char16_t c : GetParam().text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  const analysis::SectionTitle titles[] = {{u"[Memory]", analysis::Section::Memory}};
  Recorder recorder;
  ASSERT_TRUE(analysis::scanReport(os::hostFiles(), writeRaw(bytes), titles, recorder));
  std::vector<std::u16string> lines;
  for (const auto& [section, line] : recorder.seen) lines.push_back(line);
  EXPECT_EQ(lines, GetParam().memoryLines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, HeaderLines,
    ::testing::Values(
        HeaderCase{"loneCrBeforeTitle", u"x\r\nab\r[Memory]\r\n0x1-0x2\t\r\n", {u"ab\r[Memory]", u"0x1-0x2\t"}},
        HeaderCase{"bracketAfterNulIsNoHeader", std::u16string(u"ab\0[Memory]\r\n0x1-0x2\t\r\n", 23), {}},
        HeaderCase{"nulAfterTitleKeepsHeader", std::u16string(u"[Memory]\0x\r\n0x1-0x2\t\r\n", 23),
                   {u"[Memory]", u"0x1-0x2\t"}},
        HeaderCase{"headerAfterEmptyLines", u"\r\n\r\n[Memory]\r\n\r\n0x1-0x2\t\r\n", {u"[Memory]", u"0x1-0x2\t"}},
        HeaderCase{"titleOnUnterminatedLastLine", u"a\r\n[Memory]", {}},
        HeaderCase{"bracketInRowEndsSection", u"[Memory]\r\n0x1-0x2\t[x]\r\n0x3-0x4\t\r\n", {u"[Memory]"}},
        HeaderCase{"secondBracketInNonHeaderLine", u"zz\r\nq[r\r\n[Memory] [\r\n0x1-0x2\t\r\n",
                   {u"[Memory] [", u"0x1-0x2\t"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportScan, EmptyLineBeforeTheFirstRangeAndJapaneseHeadings) {
  sim::SystemReportDescription report;
  report.language = sim::ReportLanguage::Japanese;
  report.memory = {range(0xC0000000, 0xFEBFFFFF, "PCI バス")};
  const auto path = writeReport(report);
  std::uint32_t start = 0, end = 0;

  host.lang = resources::Language::Japanese;
  ASSERT_EQ(engine.FindMemoryWindow(path, 0xD0000000, start, end), 0);
  EXPECT_EQ(start, 0xC0000000u);
  EXPECT_EQ(end, 0xFEBFFFFFu);

  host.lang = resources::Language::English;  // "[Memory]" is not in a Japanese report
  ASSERT_EQ(engine.FindMemoryWindow(path, 0xD0000000, start, end), 0);
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 0u);
}

TEST_F(ReportScan, StopsAtTheTwoHundredFiftySixthRecord) {
  sim::SystemReportDescription report;
  for (std::uint32_t i = 0; i < 300; ++i) report.memory.push_back(range(0x100000 * i, 0xFFFFFFFF));
  report.problemDevices = {analysis_test::problem("PCI\\VEN_1195&DEV_0102&SUBSYS_01021195\\0")};
  const auto path = writeReport(report);
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(path, 0xFFFFFFFF, start, end), 0);
  EXPECT_EQ(engine.rangeTable().count(), 256u);
  EXPECT_EQ(start, 0u);  // the largest of the first 256
  EXPECT_EQ(engine.rangeTable()[0].start, 0x100000u * 255);  // the smallest read is the 256th line

  // With the table full the problem devices after the memory section are not seen.
  engine.m_innerWindowStart = engine.m_innerWindowEnd = 0;
  EXPECT_EQ(engine.SearchFreeMemory(path, 0, 0xFFFFFFFF, 0xFFFFF), 0);
}

// Reports that are broken in one way or another: never a crash, and the result
// the scan defines (103 only when the file cannot be opened or read).
struct BadReport {
  const char* name;
  std::string bytes;
  bool present;
};

void PrintTo(const BadReport& c, std::ostream* os) { *os << c.name; }

class BadReports : public EngineTest, public ::testing::WithParamInterface<BadReport> {};

TEST_P(BadReports, GiveNothingOrNotOpenable) {
  const BadReport& bad = GetParam();
  const auto path = bad.present ? writeRaw(bad.bytes) : this->path("missing.txt");
  std::uint32_t start = 1, end = 1;
  const int expected = bad.present ? 0 : 103;
  EXPECT_EQ(engine.FindIoWindow(path, 0x1000, start, end), expected);
  EXPECT_EQ(start | end, 0u);
  EXPECT_EQ(engine.CheckIoFreeSpace(path, 0, 0xFFFF, 0x3000), bad.present ? 105 : 103);
  EXPECT_EQ(engine.FindMemoryWindow(path, 0xF0000000, start, end), expected);
  EXPECT_EQ(start | end, 0u);
  EXPECT_EQ(engine.SearchFreeMemory(path, 0xF0000000, 0xFFFFFFFF, 0x5FFFFF), expected);
  EXPECT_EQ(resultText(), "");
  EXPECT_FALSE(exists("KB20.ini"));
  EXPECT_TRUE(host.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadReports,
    ::testing::Values(
        BadReport{"missing", "", false}, BadReport{"empty", "", true},
        BadReport{"eightBit", "[Memory]\r\n0xF0000000-0xFFFFFFFF\tx\t\r\n0xF1000000-0xF1FFFFFF\ty\t\r\n", true},
        BadReport{"oddLength", utf16le("[Memory]\r\n0xF0000000-0xFFFFFFFF\tx\t\r\n").substr(1), true},
        BadReport{"nulLaden", std::string(4096, '\0'), true},
        BadReport{"crOnly", utf16le("[Memory]\r0xF0000000-0xFFFFFFFF\tx\t\r0xF1000000-0xF1FFFFFF\ty\t\r"), true},
        BadReport{"nulCutsRangeLines",
                  utf16le("[Memory]\r\n") + std::string(2, '\0') + utf16le("0xF0000000-0xFFFFFFFF\tx\t\r\n"), true},
        BadReport{"headingsOnly",
                  utf16le("\xEF\xBB\xBF[I/O]\r\n\r\nResource\tDevice\tStatus\t\r\n[Memory]\r\n\r\n"
                          "Resource\tDevice\tStatus\t\r\n[Problem Devices]\r\n\r\n"),
                  true},
        BadReport{"utf8WithItsByteOrderMark", "\xEF\xBB\xBF[Memory]\r\n0xF0000000-0xFFFFFFFF\tx\t\r\n", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportScan, OneMegabyteLinesAreReadLikeAnyOther) {
  const std::string junk(1 << 20, 'A');
  const auto path = writeRaw(utf16le("[Memory]\r\n0x" + junk + "\r\n0xF0000000-0xF0FFFFFF" + std::string(1 << 20, ' ') +
                                     "\tx\t\r\n0xC0000000-0xFFFFFFFF\t" + junk + "\t\r\n"));
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(path, 0xF0000000, start, end), 0);
  EXPECT_EQ(start, 0xC0000000u);
  EXPECT_EQ(end, 0xFFFFFFFFu);
  EXPECT_EQ(engine.m_innerWindowStart, 0xF0000000u);
  EXPECT_EQ(engine.m_innerWindowEnd, 0xF0FFFFFFu);
}

TEST_F(ReportScan, ReportWithoutByteOrderMarkReadsTheSame) {
  sim::SystemReportDescription report;
  report.memory = {range(0xF0000000, 0xFFFFFFFF)};
  const std::string bytes = sim::systemReportBytes(report);
  ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  const auto path = writeRaw(bytes.substr(2));
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(path, 0xF8000000, start, end), 0);
  EXPECT_EQ(start, 0xF0000000u);
  EXPECT_EQ(end, 0xFFFFFFFFu);
}

TEST_F(ReportScan, OddLastByteIsIgnored) {
  const auto path = writeRaw(utf16le("[Memory]\r\n0xF0000000-0xFFFFFFFF\tx\t\r\n") + "Z");
  std::uint32_t start = 0, end = 0;
  ASSERT_EQ(engine.FindMemoryWindow(path, 0xF8000000, start, end), 0);
  EXPECT_EQ(start, 0xF0000000u);
}

TEST_F(ReportScan, PathsOf260CharactersDoNotOpen) {
  const std::u16string longPath = host.directory + u"/" + std::u16string(259 - host.directory.size(), u'r');
  ASSERT_EQ(longPath.size(), 260u);
  std::uint32_t start = 0, end = 0;
  EXPECT_EQ(engine.FindMemoryWindow(longPath, 0, start, end), 103);
}

// A file back end that reports a length beyond 32 bits for every file.
class HugeFiles final : public os::Files {
 public:
  os::Handle createFile(std::u16string_view p, std::uint32_t a, std::uint32_t s, std::uint32_t d) override {
    return os::hostFiles().createFile(p, a, s, d);
  }
  bool readFile(os::Handle f, void* b, std::uint32_t n, std::uint32_t* r) override {
    return os::hostFiles().readFile(f, b, n, r);
  }
  bool fileSize(os::Handle f, std::uint64_t* size) override {
    if (!os::hostFiles().fileSize(f, size)) return false;
    *size += 0x100000000ull;
    return true;
  }
  bool closeFile(os::Handle f) override { return os::hostFiles().closeFile(f); }
};

TEST_F(ReportScan, LengthBeyond32BitsIsNotReadable) {
  sim::SystemReportDescription report;
  report.memory = {range(0xF0000000, 0xFFFFFFFF)};
  const auto path = writeReport(report);
  HugeFiles files;
  analysis::Engine huge(host, files);
  std::uint32_t start = 0, end = 0;
  EXPECT_EQ(huge.FindMemoryWindow(path, 0xF8000000, start, end), 103);
  EXPECT_EQ(start | end, 0u);
  // The file was closed again: the host back end opens it exclusively.
  EXPECT_EQ(engine.FindMemoryWindow(path, 0xF8000000, start, end), 0);
  EXPECT_EQ(start, 0xF0000000u);
}

// Another program has the report open without sharing: every operation finds it
// not openable (the Search then shows 502) until that program lets it go.
TEST_F(ReportScan, ReportOpenElsewhereWithoutSharingIsNotOpenable) {
  sim::SystemReportDescription report;
  report.memory = {range(0xF0000000, 0xFFFFFFFF), range(0xF1000000, 0xF1FFFFFF)};
  const auto path = writeReport(report);
  const os::Handle held = os::hostFiles().createFile(path, os::kGenericRead, 0, os::kOpenExisting);
  ASSERT_TRUE(os::isValid(held));
  std::uint32_t start = 1, end = 1;
  EXPECT_EQ(engine.FindIoWindow(path, 0x1000, start, end), 103);
  EXPECT_EQ(engine.CheckIoFreeSpace(path, 0, 0xFFFF, 0x3000), 103);
  EXPECT_EQ(engine.FindMemoryWindow(path, 0xF8000000, start, end), 103);
  EXPECT_EQ(start | end, 0u);
  EXPECT_EQ(engine.SearchFreeMemory(path, 0xF0000000, 0xFFFFFFFF, 0x5FFFFF), 103);
  EXPECT_FALSE(exists("KB20.ini"));
  os::hostFiles().closeFile(held);
  EXPECT_EQ(engine.FindMemoryWindow(path, 0xF8000000, start, end), 0);
  EXPECT_EQ(start, 0xF0000000u);
}

}  // namespace
