// --html: the one-page report of an analysis or a Search. On reports the tests
// make, every range inside the window, every block and every message is on the
// page, the active block is marked and the report's own text is escaped; the demo
// machine's page renders in a real browser.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "os/posix/host.h"
#include "os/text.h"
#include "sim/system_report.h"
#include "tests/support/tool_run.h"

namespace {

namespace fs = std::filesystem;
using namespace test_support;

fs::path tool() { return binFolder() / "spanfinder"; }

sim::ReportRange row(std::uint32_t start, std::uint32_t end, std::string device) {
  return {start, end, std::move(device), "OK"};
}

class HtmlReport : public ::testing::Test {
 protected:
  std::string writeReport(const sim::SystemReportDescription& d) {
    const fs::path p = scratch_ / "msinfo.txt";
    EXPECT_TRUE(sim::writeSystemReport(os::hostFiles(), os::fromUtf8(p.string()), d));
    return p.string();
  }
  ToolRun analyze(const std::string& report, std::vector<std::string> more) {
    std::vector<std::string> args{"analyze", report, "--ini-dir", scratch_.path().string(), "--html", page().string()};
    args.insert(args.end(), more.begin(), more.end());
    return runProgram(tool(), args, scratch_.path());
  }
  fs::path page() const { return scratch_ / "page.html"; }

  ScratchFolder scratch_;
};

// Device names as a report may hold them: markup characters and quotes.
sim::SystemReportDescription awkwardReport() {
  sim::SystemReportDescription d;
  d.io = {row(0xC000, 0xFFFF, "PCI <bridge>"), row(0xC000, 0xC0FF, "KB20 & \"friends\"")};
  d.memory = {row(0xF0000000, 0xF3FFFFFF, "PCI bus"), row(0xF2000000, 0xF2FFFFFF, "Root port 'A'"),
              row(0xF2000000, 0xF2003FFF, "<script>alert(1)</script>"), row(0xF0000000, 0xF00FFFFF, "Video & co"),
              row(0xFED00000, 0xFED003FF, "HPET outside the window")};
  d.problemDevices = {{"SATA <controller>", "PCI\\VEN_1095&DEV_3132&SUBSYS_31321095&REV_01\\4&1", "Code 10"}};
  return d;
}

TEST_F(HtmlReport, HoldsEveryRangeBlockAndMessageWithTheReportsTextEscaped) {
  const ToolRun run = analyze(writeReport(awkwardReport()),
                              {"--board", "KB20", "--memory-address", "F2000000", "--io-address", "C001", "--language", "en"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string html = slurp(page());
  ASSERT_FALSE(html.empty());
  for (const char* address : {"0xF0000000", "0xF3FFFFFF", "0xF2000000", "0xF2FFFFFF", "0xF2003FFF", "0xF00FFFFF",
                              "0x0000C000", "0x0000C0FF"})
    EXPECT_NE(html.find(std::string("<td class=\"hex\">") + address + "</td>"), std::string::npos) << address;
  EXPECT_EQ(html.find("0xFED00000"), std::string::npos);  // outside the window: not on the page
  // The ten blocks of this window, the first one the INI file's active pair.
  for (const char* block : {"0xF1A00000", "0xF1400000", "0xF0E00000", "0xF0800000", "0xF0200000", "0xF3A00000",
                            "0xF3400000", "0xF2E00000", "0xF2800000", "0xF2200000"})
    EXPECT_NE(html.find(std::string("<td class=\"hex\">") + block + "</td>"), std::string::npos) << block;
  EXPECT_NE(html.find("<tr class=\"active\"><td>1</td><td class=\"hex\">0xF1A00000</td>"), std::string::npos);
  EXPECT_EQ(html.find("<tr class=\"active\"><td>2</td>"), std::string::npos);
  EXPECT_NE(html.find("<g class=\"block active\">"), std::string::npos);
  // Messages in order, and the problem line that named the board (a SATA controller of KB20's).
  const auto m503 = html.find("<td>503</td><td>Analysis was completed.</td>");
  ASSERT_NE(m503, std::string::npos);
  EXPECT_EQ(html.find("<td>509</td>"), std::string::npos);
  EXPECT_NE(html.find("SATA &lt;controller&gt;"), std::string::npos);
  // The report's own text, escaped everywhere it appears.
  EXPECT_EQ(html.find("<script"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("KB20 &amp; &quot;friends&quot;"), std::string::npos);
  EXPECT_NE(html.find("Root port &#39;A&#39;"), std::string::npos);
  EXPECT_NE(html.find("PCI &lt;bridge&gt;"), std::string::npos);
  // The INI file as written.
  EXPECT_NE(html.find("StartAdrs=0xF1A00000\nEndAdrs=0xF1FFFFFF\n;StartAdrs=0xF1400000"), std::string::npos);
  // Self-contained: nothing to fetch.
  for (const char* outside : {"http://", "https://", "<link", "<img", "src="})
    EXPECT_EQ(html.find(outside), std::string::npos) << outside;
}

TEST_F(HtmlReport, AnAnalysisThatStopsEarlyStillWritesItsPage) {
  sim::SystemReportDescription d = awkwardReport();
  d.io = {row(0xC000, 0xFFFF, "PCI bridge"), row(0xC000, 0xFFFE, "everything")};  // no room: 705
  const ToolRun run = analyze(writeReport(d), {"--board", "KB20", "--memory-address", "F2000000", "--io-address",
                                               "C001", "--language", "ja"});
  EXPECT_EQ(run.status, 1);
  const std::string html = slurp(page());
  EXPECT_NE(html.find("<html lang=\"ja\">"), std::string::npos);
  EXPECT_NE(html.find("<td>705</td><td>I/O リソースに 0x3000 バイトの空きがありません。</td>"), std::string::npos);
  EXPECT_NE(html.find("未解析"), std::string::npos);  // the memory window was never reached
}

TEST_F(HtmlReport, APageThatCannotBeWrittenIsRefusedBeforeTheAnalysis) {
  const ToolRun run = runProgram(tool(),
                                 {"analyze", writeReport(awkwardReport()), "--board", "KB20", "--memory-address",
                                  "F2000000", "--ini-dir", scratch_.path().string(), "--html",
                                  (scratch_ / "no-such-folder" / "page.html").string()},
                                 scratch_.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("spanfinder: --html "), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(scratch_ / "KB20.ini"));
}

// The demo machine's page in headless Chromium: it renders (the screenshot is not
// blank) and the browser reports no console error.
TEST_F(HtmlReport, DemoSearchPageRendersInABrowser) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0 || std::system("command -v identify >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "chromium and identify are installed by cmake/install-deps.sh";
  fs::create_directories(scratch_ / "work");
  const ToolRun search = runProgram(tool(), {"search", "--state", (scratch_ / "state").string(), "--html",
                                             page().string()},
                                    scratch_ / "work");
  ASSERT_EQ(search.status, 0) << search.err;
  const fs::path shot = scratch_ / "page.png";
  const ToolRun browser = runProgram(
      "/usr/bin/chromium",
      {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
       "--disable-background-networking", "--disable-component-update", "--disable-sync",
       "--user-data-dir=" + (scratch_ / "profile").string(), "--enable-logging=stderr", "--v=0",
       "--window-size=1000,1400", "--screenshot=" + shot.string(), "file://" + page().string()},
      scratch_.path());
  ASSERT_TRUE(fs::exists(shot)) << browser.err;
  EXPECT_EQ(browser.err.find(":CONSOLE("), std::string::npos) << browser.err;
  const ToolRun colours = runProgram("/usr/bin/identify", {"-format", "%k", shot.string()}, scratch_.path());
  EXPECT_GT(std::stoi(colours.out.empty() ? "0" : colours.out), 50) << "a blank page has a colour or two";
}

}  // namespace
