#pragma once
// A host for the engine in tests: a headless result box, recorded message boxes,
// a checked board, a current directory and a language; reports written in the
// real layout into a fresh host folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "analysis/engine.h"
#include "os/posix/host.h"
#include "os/text.h"
#include "sim/system_report.h"
#include "ui/headless/edit_control.h"

namespace analysis_test {

namespace fs = std::filesystem;

class EditBox final : public analysis::ResultBox {
 public:
  std::uint32_t getLimitText() override { return control.getLimitText(); }
  void setSel(std::uint32_t start, std::uint32_t end) override { control.setSel(start, end); }
  void scrollCaret() override { control.scrollCaret(); }
  void replaceSel(std::u16string_view text, bool canUndo) override { control.replaceSel(text, canUndo); }
  ui::EditControl control;
};

struct Shown {
  bool dialog;  // dialog message box (else application message box)
  std::u16string text;
  bool operator==(const Shown&) const = default;
};

class TestHost final : public analysis::EngineHost {
 public:
  analysis::ResultBox& resultBox() override { return box; }
  void showAppMessage(std::uint16_t, std::u16string_view text) override {
    shown.push_back({false, std::u16string(text)});
  }
  analysis::Board checkedBoard() override { return board; }
  std::u16string currentDirectory() override { return directory; }
  resources::Language language() override { return lang; }
  resources::Language headingLanguage() override { return headings.value_or(lang); }
  std::u16string messageText(std::uint16_t id, resources::Language language) override {
    return resources::loadMessage(id, language);
  }

  EditBox box;
  std::vector<Shown> shown;
  analysis::Board board = analysis::Board::KB20;
  std::u16string directory;
  resources::Language lang = resources::Language::English;
  std::optional<resources::Language> headings;  // unset: the messages' language, as in the program
};

inline sim::ReportRange range(std::uint32_t start, std::uint32_t end, std::string device = "PCI device") {
  return {start, end, std::move(device), "OK"};
}

inline sim::ReportProblemDevice problem(std::string deviceId) {
  return {"Nordvale device", std::move(deviceId), "This device is disabled. (Code 22)"};
}

// A fresh folder per test, the engine on the host file system, and the host.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("spanfinder-analysis-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    host.directory = os::fromUtf8(root_.string());
  }
  void TearDown() override { fs::remove_all(root_); }

  std::u16string path(const std::string& name) const { return os::fromUtf8((root_ / name).string()); }

  std::u16string writeReport(const sim::SystemReportDescription& report, const std::string& name = "msinfo.txt") {
    EXPECT_TRUE(sim::writeSystemReport(os::hostFiles(), path(name), report));
    return path(name);
  }
  std::u16string writeRaw(const std::string& bytes, const std::string& name = "msinfo.txt") {
    std::ofstream(root_ / name, std::ios::binary) << bytes;
    return path(name);
  }
  std::string readRaw(const std::string& name) const {
    std::ifstream in(root_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool exists(const std::string& name) const { return fs::exists(root_ / name); }

  // The INI file's lines, decoded from UTF-16LE and split at CR LF.
  std::vector<std::string> iniLines(const std::string& name) const {
    const std::string bytes = readRaw(name);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(u"\r\n", from)) != std::u16string::npos; from = at + 2)
      lines.push_back(os::toUtf8(text.substr(from, at - from)));
    EXPECT_EQ(from, text.size()) << "text after the last CR LF";
    return lines;
  }

  std::string resultText() const { return os::toUtf8(host.box.control.text()); }

  fs::path root_;
  TestHost host;
  analysis::Engine engine{host, os::hostFiles()};
};

// UTF-16LE bytes of a UTF-8 text, without a byte-order mark.
inline std::string utf16le(const std::string& utf8) {
  std::string bytes;
  for (char16_t c : os::fromUtf8(utf8)) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

}  // namespace analysis_test
