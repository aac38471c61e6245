// Which language spanfinder analyze speaks and reads: messages follow the
// environment, headings the report, an explicit --language both; and what it
// says when the report gave no memory window.
#include <sstream>

#include "cli_fixture.h"

namespace {

using namespace cli_test;
using sim::ReportLanguage;

class AnalyzeLanguage : public ToolTest {};

struct LanguageCase {
  const char* name;
  ReportLanguage report;
  const char* environment;
  std::vector<std::string> options;
  int status;
  std::string stdoutEnd;   // the output's last line
  std::string stderrText;  // REPORT stands for the report's path
};

void PrintTo(const LanguageCase& c, std::ostream* os) { *os << c.name; }

class Languages : public AnalyzeLanguage, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(Languages, MessagesFollowTheUserAndHeadingsTheReport) {
  const LanguageCase& c = GetParam();
  auto description = machine();
  description.language = c.report;
  // A problem device of the board, so that the completion message comes alone.
  description.problemDevices = {{"Nordvale KA10", "PCI\\VEN_1217&DEV_02E0&SUBSYS_51011195&REV_01\\4&1", "Code 12"}};
  const std::string path = report(description);
  auto options = c.options;
  options.insert(options.end(), {"--board", "KA10", "--memory-address", "F2000000"});
  std::vector<std::string> launcher{"env", "-u", "LC_ALL", "-u", "LC_MESSAGES", "-u", "LANG"};
  std::istringstream variables(c.environment);
  for (std::string variable; variables >> variable;) launcher.push_back(variable);
  const ToolRun run = this->run(analyze(path, options), launcher);
  EXPECT_EQ(run.status, c.status);
  ASSERT_GE(run.out.size(), c.stdoutEnd.size()) << run.out;
  EXPECT_EQ(run.out.substr(run.out.size() - c.stdoutEnd.size()), c.stdoutEnd) << run.out;
  EXPECT_EQ(run.err, replaced(c.stderrText, "REPORT", path));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Languages,
    ::testing::Values(
        LanguageCase{"japaneseReportEnglishUser", ReportLanguage::Japanese, "LANG=en_US.UTF-8", {}, 0,
                     "\n503: Analysis was completed.\n", ""},
        LanguageCase{"englishReportJapaneseUser", ReportLanguage::English, "LANG=ja_JP.UTF-8", {}, 0,
                     "\n503: 解析が完了しました。\n", ""},
        LanguageCase{"japaneseReportJapaneseUser", ReportLanguage::Japanese, "LANG=ja_JP.UTF-8", {}, 0,
                     "\n503: 解析が完了しました。\n", ""},
        LanguageCase{"lcAllBeforeLang", ReportLanguage::English, "LC_ALL=ja_JP.UTF-8 LANG=en_US.UTF-8", {}, 0,
                     "\n503: 解析が完了しました。\n", ""},
        LanguageCase{"lcMessagesBeforeLang", ReportLanguage::Japanese, "LC_MESSAGES=C LANG=ja_JP.UTF-8", {}, 0,
                     "\n503: Analysis was completed.\n", ""},
        LanguageCase{"givenLanguageIgnoresCase", ReportLanguage::Japanese, "LANG=en_US.UTF-8", {"--language", "JA"},
                     0, "\n503: 解析が完了しました。\n", ""},
        // A given language is the headings' too: the report's are not found.
        LanguageCase{"givenEnglishOnJapaneseReport", ReportLanguage::Japanese, "LANG=ja_JP.UTF-8",
                     {"--language", "en"}, 1, "Memory window: none\n",
                     "spanfinder: REPORT: no memory window: the report has no \"[Memory]\" heading; looked for "
                     "\"[I/O]\", \"[Memory]\" and \"[Problem Devices]\", found \"[I/O]\", \"[メモリ]\" and "
                     "\"[問題のあるデバイス]\" (the report's headings are Japanese)\n"},
        LanguageCase{"givenJapaneseOnEnglishReport", ReportLanguage::English, "LANG=C", {"--language", "Ja"}, 1,
                     "Memory window: none\n",
                     "spanfinder: REPORT: no memory window: the report has no \"[メモリ]\" heading; looked for "
                     "\"[I/O]\", \"[メモリ]\" and \"[問題のあるデバイス]\", found \"[I/O]\", \"[Memory]\" and "
                     "\"[Problem Devices]\" (the report's headings are English)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Reports in which no memory window was found, and the reason given for each.
struct NoWindow {
  const char* name;
  std::string bytes;  // the report file
  const char* reason;
};

void PrintTo(const NoWindow& c, std::ostream* os) { *os << c.name; }

class NoMemoryWindow : public AnalyzeLanguage, public ::testing::WithParamInterface<NoWindow> {};

TEST_P(NoMemoryWindow, FailsSayingWhy) {
  const NoWindow& c = GetParam();
  const std::string path = rawFile(c.bytes);
  for (const bool json : {false, true}) {
    std::vector<std::string> options{"--board", "KB20", "--memory-address", "F2000000"};
    if (json) options.push_back("--json");
    const ToolRun run = this->run(analyze(path, options));
    EXPECT_EQ(run.status, 1) << json;
    EXPECT_EQ(run.err, "spanfinder: " + path + ": no memory window: " + c.reason + "\n") << json;
    EXPECT_FALSE(fs::exists(root_ / "ini" / "KB20.ini"));
  }
}

std::string reportBytes(std::vector<sim::ReportRange> memory) {
  sim::SystemReportDescription description;
  description.memory = std::move(memory);
  return sim::systemReportBytes(description);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, NoMemoryWindow,
    ::testing::Values(
        NoWindow{"eightBitText", "[Memory]\r\n0xF0000000-0xF3FFFFFF\tPCI bus\tOK\t\r\n",
                 "the report has no \"[Memory]\" heading; looked for \"[I/O]\", \"[Memory]\" and \"[Problem Devices]\", "
                 "found none (is it the UTF-16 text the system-information tool writes?)"},
        NoWindow{"empty", "",
                 "the report has no \"[Memory]\" heading; looked for \"[I/O]\", \"[Memory]\" and \"[Problem Devices]\", "
                 "found none (is it the UTF-16 text the system-information tool writes?)"},
        NoWindow{"noRangeHolds", reportBytes({r(0xF3000000, 0xF3FFFFFF), r(0xE0000000, 0xE0FFFFFF)}),
                 "no range of the \"[Memory]\" section holds 0xF2000000 (it lists 2 ranges)"},
        NoWindow{"noRangeAtAll", reportBytes({}),
                 "no range of the \"[Memory]\" section holds 0xF2000000 (it lists 0 ranges)"},
        NoWindow{"oneRange", reportBytes({r(0xF3000000, 0xF3FFFFFF)}),
                 "no range of the \"[Memory]\" section holds 0xF2000000 (it lists 1 range)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
