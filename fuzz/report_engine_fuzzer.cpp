// The whole analysis on arbitrary report bytes: the report scan, the range-line
// parser and the four operations behind them, run as the Search runs them (or
// with arbitrary windows), on a simulated drive C whose INI folder may be
// missing, too long, refused or full, for any board, language, address and size.
//
// Input: the report's bytes, then (from the end, as FuzzedDataProvider reads
// them) the choices below. Besides surviving, every run must keep the engine's
// promises: results among the documented codes, windows that hold their address,
// blocks of the requested size inside the window and clear of every occupied
// range, at most 4,096 of them, and an INI file that lists exactly those blocks.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "analysis/board_table.h"
#include "analysis/engine.h"
#include "fuzz/check.h"
#include "fuzz/scratch_folder.h"
#include "sim/file_system.h"
#include "sim/system_facts.h"

namespace {

using analysis::Board;
using resources::Language;

struct Block {
  std::uint32_t first, last;
};

class FuzzHost final : public analysis::EngineHost, public analysis::ResultBox {
 public:
  analysis::ResultBox& resultBox() override { return *this; }
  void showAppMessage(std::uint16_t id, std::u16string_view) override { shown.push_back(id); }
  Board checkedBoard() override { return board; }
  std::u16string currentDirectory() override { return directory; }
  Language language() override { return messages; }
  Language headingLanguage() override { return headings; }
  std::u16string messageText(std::uint16_t id, Language language) override {
    return resources::loadMessage(id, language);
  }

  std::uint32_t getLimitText() override { return 0x7FFFFFFE; }
  void setSel(std::uint32_t, std::uint32_t) override {}
  void scrollCaret() override {}
  void replaceSel(std::u16string_view text, bool) override { lines.emplace_back(text); }

  Board board = Board::KB20;
  std::u16string directory;
  Language messages = Language::English, headings = Language::English;
  std::vector<std::uint16_t> shown;
  std::vector<std::u16string> lines;
};

// "0x%08X-0x%08X\r\n", or a broken promise.
FUZZ_UNGUIDED Block blockOf(const std::u16string& line) {
  FUZZ_CHECK(line.size() == 23 && line[0] == u'0' && line[1] == u'x' && line[10] == u'-' && line[21] == u'\r' &&
             line[22] == u'\n');
  const std::string text(line.begin(), line.end());
  unsigned first = 0, last = 0;
  FUZZ_CHECK(std::sscanf(text.c_str(), "0x%8X-0x%8X", &first, &last) == 2);
  char again[32];
  std::snprintf(again, sizeof again, "0x%08X-0x%08X\r\n", first, last);
  FUZZ_CHECK(text == again);  // upper-case digits, eight of them
  return {first, last};
}

FUZZ_UNGUIDED std::vector<std::u16string> iniLines(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  FUZZ_CHECK(bytes.size() % 2 == 0);
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  std::vector<std::u16string> lines;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(u"\r\n", from)) != std::u16string::npos; from = at + 2)
    lines.push_back(text.substr(from, at - from));
  FUZZ_CHECK(from == text.size());
  return lines;
}

std::u16string addressLine(const char* format, std::uint32_t address) {
  char text[32];
  std::snprintf(text, sizeof text, format, static_cast<unsigned>(address));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

// The listing and the INI file after SearchFreeMemory over [start, end].
FUZZ_UNGUIDED void checkListing(const analysis::Engine& engine, const FuzzHost& host, std::uint32_t start,
                                std::uint32_t end, std::uint32_t sizeMinusOne, const std::filesystem::path& iniFile) {
  std::vector<Block> blocks;
  for (const std::u16string& line : host.lines) blocks.push_back(blockOf(line));
  FUZZ_CHECK(blocks.size() <= analysis::kMaxListedBlocks);
  for (const Block& b : blocks) {
    FUZZ_CHECK(b.last - b.first == sizeMinusOne && b.first <= b.last);
    FUZZ_CHECK(start <= b.first && b.last <= end);
  }
  std::vector<Block> sorted = blocks;
  std::sort(sorted.begin(), sorted.end(), [](const Block& a, const Block& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < sorted.size(); ++i) FUZZ_CHECK(sorted[i - 1].last < sorted[i].first);
  // No block touches an occupied range: the first block that ends at or above a
  // range's start must begin above its top (a backwards row still holds its start).
  for (const analysis::ResourceRange& r : engine.rangeTable()) {
    const auto after = std::lower_bound(sorted.begin(), sorted.end(), r.start,
                                        [](const Block& b, std::uint32_t at) { return b.last < at; });
    FUZZ_CHECK(after == sorted.end() || after->first > std::max(r.start, r.end));
  }

  const analysis::BoardProfile& profile = analysis::boardProfile(host.board);
  if (!engine.iniFileWritten() || profile.iniFileName.empty()) return;
  const std::vector<std::u16string> lines = iniLines(iniFile);
  FUZZ_CHECK(lines.size() == profile.iniHeader.size() + 2 * blocks.size());
  FUZZ_CHECK(std::equal(profile.iniHeader.begin(), profile.iniHeader.end(), lines.begin()));
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const char* startFormat = i == 0 ? "StartAdrs=0x%08X" : ";StartAdrs=0x%08X";
    const char* endFormat = i == 0 ? "EndAdrs=0x%08X" : ";EndAdrs=0x%08X";
    FUZZ_CHECK(lines[profile.iniHeader.size() + 2 * i] == addressLine(startFormat, blocks[i].first));
    FUZZ_CHECK(lines[profile.iniHeader.size() + 2 * i + 1] == addressLine(endFormat, blocks[i].last));
  }
}

bool holds(std::uint32_t start, std::uint32_t end, std::uint32_t address) {
  return (start == 0 && end == 0) || (start <= address && address <= end);
}

enum class ReportPlace { Written, Missing, TooLong, HeldOpen, Folder };
enum class IniFolder { Present, Unknown, Missing, TooLong, Refused, Full };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  FuzzHost host;
  host.board = input.PickValueInArray({Board::KA10, Board::KB20, Board::KB40});
  host.messages = input.ConsumeBool() ? Language::Japanese : Language::English;
  host.headings = input.ConsumeBool() ? Language::Japanese : Language::English;
  const auto place = input.PickValueInArray(
      {ReportPlace::Written, ReportPlace::Written, ReportPlace::Written, ReportPlace::Missing, ReportPlace::TooLong,
       ReportPlace::HeldOpen, ReportPlace::Folder});
  const auto folder = input.PickValueInArray({IniFolder::Present, IniFolder::Present, IniFolder::Present,
                                              IniFolder::Unknown, IniFolder::Missing, IniFolder::TooLong,
                                              IniFolder::Refused, IniFolder::Full});
  const bool windowsFromTheReport = input.ConsumeBool();
  const auto ioAddress = input.ConsumeIntegral<std::uint32_t>();
  const auto memoryAddress = input.ConsumeIntegral<std::uint32_t>();
  const auto spaceSize = input.ConsumeIntegral<std::uint32_t>();
  const auto givenStart = input.ConsumeIntegral<std::uint32_t>();
  const auto givenEnd = input.ConsumeIntegral<std::uint32_t>();
  const std::vector<std::uint8_t> report = input.ConsumeRemainingBytes<std::uint8_t>();

  // Drive C of the machine, with no INI file of an earlier input.
  const std::filesystem::path root = fuzz::scratchFolder() / "C";
  std::error_code ec;
  std::filesystem::create_directories(root / "Work", ec);
  for (const char* earlier : {"KB20.ini", "KB40.ini"}) std::filesystem::remove(root / "Work" / earlier, ec);
  std::filesystem::remove(root / "msinfo.txt", ec);
  sim::SystemFacts facts;
  facts.currentDirectory = u"C:\\Work";
  sim::FileSystem files(facts);
  files.mapDrive('C', root);

  std::u16string reportPath = u"C:\\msinfo.txt";
  if (place != ReportPlace::Missing)
    std::ofstream(root / "msinfo.txt", std::ios::binary)
        .write(reinterpret_cast<const char*>(report.data()), static_cast<std::streamsize>(report.size()));
  if (place == ReportPlace::TooLong) reportPath = u"C:\\" + std::u16string(256, u'a') + u"\\msinfo.txt";
  if (place == ReportPlace::Folder) reportPath = u"C:\\Work";
  os::Handle holder = os::invalidHandle();  // another program that has the report open without sharing
  if (place == ReportPlace::HeldOpen) holder = files.createFile(reportPath, os::kGenericRead, 0, os::kOpenExisting);

  const std::u16string iniName(analysis::boardProfile(host.board).iniFileName);
  host.directory = u"C:\\Work";
  switch (folder) {
    case IniFolder::Present: break;
    case IniFolder::Unknown: host.directory.clear(); break;
    case IniFolder::Missing: host.directory = u"C:\\Gone"; break;
    case IniFolder::TooLong: host.directory = u"C:\\" + std::u16string(252, u'w'); break;
    case IniFolder::Refused: files.failOpen(u"C:\\Work\\" + iniName, os::kErrorAccessDenied); break;
    case IniFolder::Full: files.failWrites(u"C:\\Work\\" + iniName); break;
  }

  analysis::Engine engine(host, files);
  std::uint32_t ioStart = 0, ioEnd = 0;
  const int io = engine.FindIoWindow(reportPath, ioAddress, ioStart, ioEnd);
  FUZZ_CHECK(io == 0 || io == analysis::kResultFileOpenFailed);
  FUZZ_CHECK(holds(ioStart, ioEnd, ioAddress) && engine.rangeTable().count() <= analysis::RangeTable::kCapacity);
  if (!windowsFromTheReport) ioStart = givenStart, ioEnd = givenEnd;
  if (ioStart != 0 || ioEnd != 0) {
    const int room = engine.CheckIoFreeSpace(reportPath, ioStart, ioEnd, analysis::kRequiredIoSpace);
    FUZZ_CHECK(room == 0 || room == analysis::kResultFileOpenFailed || room == analysis::kResultNoIoSpace);
  }

  std::uint32_t start = 0, end = 0;
  const int memory = engine.FindMemoryWindow(reportPath, memoryAddress, start, end);
  FUZZ_CHECK(memory == 0 || memory == analysis::kResultFileOpenFailed);
  FUZZ_CHECK(holds(start, end, memoryAddress));
  if (!windowsFromTheReport) start = givenStart, end = givenEnd;
  const int found = engine.SearchFreeMemory(reportPath, start, end, spaceSize - 1);
  FUZZ_CHECK(found == 0 || found == analysis::kResultFileOpenFailed || found == analysis::kResultProblemDevice ||
             found == analysis::kResultFileWriteFailed);
  checkListing(engine, host, start, end, spaceSize - 1, root / "Work" / std::filesystem::path(iniName));
  for (std::uint16_t id : host.shown)
    FUZZ_CHECK(id == resources::msg::kFileOpenFailed || id == resources::msg::kFileWriteFailed ||
               id == resources::msg::kMoreBlocksFit);
  if (found == analysis::kResultFileWriteFailed) FUZZ_CHECK(!engine.iniFileWritten());
  if (os::isValid(holder)) files.closeFile(holder);
  return 0;
}
