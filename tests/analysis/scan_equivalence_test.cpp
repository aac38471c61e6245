// The scan's shortcuts (the word-wise CR/NUL search, the jump from bracket to
// bracket outside the wanted sections, the direct reading of the tool's own range
// form) must hand on exactly what a plain reading of the rules gives. A plain
// reading is written out here and both are run over many generated reports.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/hex_number.h"
#include "analysis/range_line.h"
#include "analysis/report_scan.h"

namespace {

using analysis::ResourceRange;
using analysis::Section;
using analysis::SectionTitle;

// The report as one in-memory file.
class MemoryFile final : public os::Files {
 public:
  explicit MemoryFile(std::u16string text) : text_(std::move(text)) {}
  os::Handle createFile(std::u16string_view, std::uint32_t, std::uint32_t, std::uint32_t) override {
    return reinterpret_cast<os::Handle>(std::intptr_t{1});
  }
  bool fileSize(os::Handle, std::uint64_t* size) override {
    *size = text_.size() * 2;
    return true;
  }
  bool readFile(os::Handle, void* buffer, std::uint32_t size, std::uint32_t* read) override {
    auto* out = static_cast<unsigned char*>(buffer);
    for (std::size_t i = 0; i < text_.size() && 2 * i + 1 < size; ++i) {
      out[2 * i] = static_cast<unsigned char>(text_[i] & 0xFF);
      out[2 * i + 1] = static_cast<unsigned char>(text_[i] >> 8);
    }
    *read = size;
    return true;
  }
  bool closeFile(os::Handle) override { return true; }

 private:
  std::u16string text_;
};

struct Handed {
  Section section;
  std::u16string line;
  bool isRange;
  ResourceRange range;
  bool operator==(const Handed& o) const {
    return section == o.section && line == o.line && isRange == o.isRange &&
           (!isRange || (range.start == o.range.start && range.end == o.range.end && range.size == o.range.size));
  }
};

std::ostream& operator<<(std::ostream& out, const Handed& h) {
  out << static_cast<int>(h.section) << " [";
  for (char16_t c : h.line) {
    if (c >= 0x20 && c < 0x7F) out << static_cast<char>(c);
    else out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
  }
  out << "]";
  if (h.isRange) out << " " << std::hex << h.range.start << "-" << h.range.end << std::dec;
  return out;
}

// The range-line rules read one by one.
bool plainRangeLine(std::u16string_view line, ResourceRange& r) {
  if (line.size() < 2 || line[0] != u'0' || line[1] != u'x') return false;
  const auto tab = line.find(u'\t');
  if (tab == std::u16string_view::npos) return false;
  std::u16string text(line.substr(0, tab));
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.erase(0, 1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  std::u16string stripped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 2, u"0x") == 0) {
      ++i;
      continue;
    }
    stripped += text[i];
  }
  const auto hyphen = stripped.find(u'-');
  if (hyphen == std::u16string::npos) return false;
  r.start = analysis::parseHexNumber(std::u16string_view(stripped).substr(0, hyphen));
  r.end = analysis::parseHexNumber(std::u16string_view(stripped).substr(hyphen + 1));
  r.size = r.end - r.start;
  return true;
}

// The line and section rules read one by one.
std::vector<Handed> plainScan(const std::u16string& text, std::span<const SectionTitle> titles) {
  std::vector<Handed> out;
  Section current = Section::None;
  std::size_t pos = 0;
  for (;;) {
    const auto crlf = text.find(u"\r\n", pos);
    if (crlf == std::u16string::npos) break;
    std::u16string line = text.substr(pos, crlf - pos);
    pos = crlf + 2;
    if (line.empty()) continue;
    if (const auto nul = line.find(u'\0'); nul != std::u16string::npos) line.resize(nul);
    if (line.find(u'[') != std::u16string::npos) {
      current = Section::None;
      for (const SectionTitle& t : titles)
        if (line.find(t.title) != std::u16string::npos) current = t.section;
    }
    if (current == Section::None) continue;
    Handed h{current, line, false, {}};
    h.isRange = plainRangeLine(line, h.range);
    out.push_back(h);
  }
  return out;
}

class Collect final : public analysis::ReportLineSink {
 public:
  bool onLine(Section section, std::u16string_view line) override {
    Handed h{section, std::u16string(line), false, {}};
    h.isRange = parser.parse(line, h.range);
    seen.push_back(h);
    return true;
  }
  analysis::RangeLineParser parser;
  std::vector<Handed> seen;
};

// Pieces reports are made of, with the ones the shortcuts could trip over: code
// units whose high byte is a CR, a NUL or a bracket, lone CRs and LFs, NULs.
const std::u16string kPieces[] = {
    u"\r\n", u"\r\n", u"\r\n", u"\r", u"\n", std::u16string(1, u'\0'), u"[", u"]", u"[Memory]", u"[Problem Devices]",
    u"[I/O]", u"[Mem", u"0x", u"0X", u"\t", u" ", u"-", u"F", u"0", u"9", u"a", u"x", u"\xFEFF", u"\x0D00",
    u"\x5B00", u"\x0A0D", u"\x0D0A", u"\x000D\x000A\x0000", u"\x010D", u"\xFF0D", u"0x0x", u"Resource\tDevice\t"};

std::u16string toolRange(std::mt19937& rng) {
  static const char16_t kHex[] = u"0123456789ABCDEFabcdef";
  std::u16string line = u"0x";
  for (int i = 0; i < 8; ++i) line += kHex[rng() % 22];
  line += u"-0x";
  for (int i = 0; i < 8; ++i) line += kHex[rng() % 22];
  line += u"\tdevice\tOK\t";
  // Now and then one unit of it is something else, to reach every way out of the
  // direct reading.
  if (rng() % 2) {
    const std::u16string& piece = kPieces[rng() % std::size(kPieces)];
    line[rng() % 24] = piece.empty() ? u'?' : piece[0];
  }
  return line;
}

std::u16string randomReport(std::mt19937& rng) {
  std::u16string text;
  const int pieces = static_cast<int>(rng() % 120);
  for (int i = 0; i < pieces; ++i) {
    if (rng() % 4 == 0) text += toolRange(rng) + u"\r\n";
    else text += kPieces[rng() % std::size(kPieces)];
  }
  return text;
}

TEST(ScanEquivalence, ShortcutsHandOnWhatThePlainRulesGive) {
  const SectionTitle memoryAndProblems[] = {{u"[Memory]", Section::Memory},
                                            {u"[Problem Devices]", Section::ProblemDevices}};
  const SectionTitle io[] = {{u"[I/O]", Section::Io}};
  std::mt19937 rng(20261207);
  for (int round = 0; round < 20000; ++round) {
    const std::u16string text = randomReport(rng);
    for (std::span<const SectionTitle> titles : {std::span<const SectionTitle>(memoryAndProblems),
                                                 std::span<const SectionTitle>(io)}) {
      MemoryFile file(text);
      Collect collect;
      ASSERT_TRUE(analysis::scanReport(file, u"msinfo.txt", titles, collect));
      ASSERT_EQ(collect.seen, plainScan(text, titles)) << "round " << round;
    }
  }
}

TEST(ScanEquivalence, ToolFormReadsAsTheGeneralRules) {
  std::mt19937 rng(7);
  analysis::RangeLineParser parser;
  for (int round = 0; round < 200000; ++round) {
    const std::u16string line = toolRange(rng);
    ResourceRange fast, plain;
    const bool fastOk = parser.parse(line, fast);
    ASSERT_EQ(fastOk, plainRangeLine(line, plain));
    if (!fastOk) continue;
    ASSERT_EQ(fast.start, plain.start);
    ASSERT_EQ(fast.end, plain.end);
    ASSERT_EQ(fast.size, plain.size);
  }
}

}  // namespace
