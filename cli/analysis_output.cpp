#include "cli/analysis_output.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/hex_text.h"
#include "cli/host.h"
#include "os/text.h"
#include "resources/messages.h"

namespace cli {
namespace {

std::string range(std::uint32_t start, std::uint32_t end) { return hex8(start) + "-" + hex8(end); }

std::string optionalHex(const std::optional<std::uint32_t>& value) { return value ? hex8(*value) : "not read"; }

// The INI file as the user knows it.
std::string iniName(const AnalysisOutcome& out) {
  if (out.iniFolderUnknown) return os::toUtf8(out.iniPath) + " (no current directory)";
  return host::shownPath(out.iniPath);
}

class TextPrinter final : public AnalysisPrinter {
 public:
  explicit TextPrinter(TextOptions options) : options_(options) {}

  void block(const AnalysisOutcome& sofar, const Block& b) override {
    windows(sofar);
    if (blocks_++ == 0) first_ = b;
    if (options_.allBlocks || blocks_ <= kBlockLinesShown) std::printf("%s\n", range(b.start, b.end).c_str());
  }

  void finish(const AnalysisOutcome& out) override {
    windows(out);
    if (!options_.allBlocks && blocks_ > kBlockLinesShown) {
      const std::uint64_t more = blocks_ - kBlockLinesShown;
      std::printf("... %llu more block%s (use --all)\n", static_cast<unsigned long long>(more), more == 1 ? "" : "s");
    }
    if (out.blockSize)
      std::printf("Free blocks: %llu of 0x%X bytes\n", static_cast<unsigned long long>(blocks_),
                  static_cast<unsigned>(*out.blockSize));
    if (out.ini)
      std::printf("INI: %s (%s)\n", host::shownPath(*out.ini).c_str(),
                  blocks_ ? ("active block " + range(first_.start, first_.end)).c_str() : "header only: no block fits");
    else if (out.iniIncomplete)
      std::printf("INI: %s (incomplete: the write failed)\n", iniName(out).c_str());
    std::fflush(stdout);
    for (const ShownMessage& m : out.messages) message(out, m);
  }

 private:
  // The lines before the first block, printed once.
  void windows(const AnalysisOutcome& out) {
    if (windowsDone_) return;
    windowsDone_ = true;
    if (out.board)
      std::printf("Board: memory address %s, I/O address %s\n", optionalHex(out.board->memoryAddress).c_str(),
                  optionalHex(out.board->ioAddress).c_str());
    if (options_.withIo) std::printf("I/O window: %s\n", ioWindow(out).c_str());
    std::printf("Memory window: %s\n", !out.memoryWindow           ? "not analysed"
                                       : out.memoryWindow->empty() ? "none"
                                                                   : range(out.memoryWindow->start, out.memoryWindow->end).c_str());
  }

  static std::string ioWindow(const AnalysisOutcome& out) {
    if (!out.ioWindow) return "not analysed";
    if (out.ioWindow->empty()) return "none (no I/O range holds the address)";
    return range(out.ioWindow->start, out.ioWindow->end) + ", 0x3000 free bytes: " +
           (!out.ioRoom ? "not checked" : *out.ioRoom ? "found" : "not found");
  }

  static bool iniOpenFailed(const AnalysisOutcome& out) {
    return !out.iniPath.empty() && std::any_of(out.messages.begin(), out.messages.end(), [](const ShownMessage& m) {
             return m.id == resources::msg::kFileOpenFailed;
           });
  }

  // The file a failure message is about, as "FILE: " before its number: the INI
  // file for 703, 706 and a 510 that follows 703; the library the program loads by
  // name for 900.
  static std::string about(const AnalysisOutcome& out, const ShownMessage& m) {
    using namespace resources::msg;
    if (m.dialog) return {};
    if (((m.id == kFileOpenFailed || m.id == kFileWriteFailed) && !out.iniPath.empty()) ||
        (m.id == kAnalyzeFailed && iniOpenFailed(out)))
      return iniName(out) + ": ";
    if (m.id == kInitFailed) return "Cfgprobe64.Dll: ";
    return {};
  }

  // What a 510 that names no file was about.
  static std::string context(const AnalysisOutcome& out, const ShownMessage& m) {
    if (m.dialog || m.id != resources::msg::kAnalyzeFailed || iniOpenFailed(out)) return {};
    return " (the free-space search could not read the report)";
  }

  // Completion messages for the user on stdout, failures on stderr naming the
  // INI file they are about. A line break inside a text would start a line
  // without the tool's name, so it becomes a blank.
  static void message(const AnalysisOutcome& out, const ShownMessage& m) {
    std::string text = os::toUtf8(m.text);
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::FILE* stream = m.dialog ? stdout : stderr;
    std::fprintf(stream, "%s%s%u: %s%s\n", m.dialog ? "" : "spanfinder: ", about(out, m).c_str(),
                 static_cast<unsigned>(m.id), text.c_str(), context(out, m).c_str());
    std::fflush(stream);
  }

  TextOptions options_;
  bool windowsDone_ = false;
  std::uint64_t blocks_ = 0;
  Block first_;
};

nlohmann::ordered_json windowJson(const std::optional<Window>& w) {
  if (!w) return nullptr;
  return {{"start", hex8(w->start)}, {"end", hex8(w->end)}};
}

nlohmann::ordered_json hexJson(const std::optional<std::uint32_t>& value) {
  return value ? nlohmann::ordered_json(hex8(*value)) : nlohmann::ordered_json(nullptr);
}

// The object is laid out as nlohmann's two-space dump lays it out; the block
// array is written piece by piece in between the parts before and after it.
class JsonPrinter final : public AnalysisPrinter {
 public:
  JsonPrinter(std::string board, bool withIo) : board_(std::move(board)), withIo_(withIo) {}

  void block(const AnalysisOutcome& sofar, const Block& b) override {
    open(sofar);
    std::printf("%s    {\n      \"start\": \"%s\",\n      \"end\": \"%s\"\n    }", blocks_ ? ",\n" : "\n",
                hex8(b.start).c_str(), hex8(b.end).c_str());
    ++blocks_;
  }
  void finish(const AnalysisOutcome& out) override {
    open(out);
    std::fputs(blocks_ ? "\n  ]" : "]", stdout);
    std::string text = object(out).dump(2);
    std::printf("%s\n", text.substr(text.find(kEmptyBlocks) + kEmptyBlocks.size()).c_str());
    std::fflush(stdout);
  }

 private:
  static constexpr std::string_view kEmptyBlocks = "\"blocks\": []";

  nlohmann::ordered_json object(const AnalysisOutcome& out) const {
    nlohmann::ordered_json j;
    j["board"] = board_;
    if (out.board) {
      j["boardMemoryAddress"] = hexJson(out.board->memoryAddress);
      j["boardIoAddress"] = hexJson(out.board->ioAddress);
    }
    if (withIo_) {
      j["ioWindow"] = windowJson(out.ioWindow);
      if (out.ioWindow) j["ioWindow"]["room"] = out.ioRoom ? nlohmann::ordered_json(*out.ioRoom) : nullptr;
    }
    j["memoryWindow"] = windowJson(out.memoryWindow);
    j["blocks"] = nlohmann::ordered_json::array();
    j["ini"] = out.ini ? nlohmann::ordered_json(host::shownPath(*out.ini)) : nlohmann::ordered_json(nullptr);
    j["messages"] = nlohmann::ordered_json::array();
    for (const ShownMessage& m : out.messages) j["messages"].push_back({{"id", m.id}, {"text", os::toUtf8(m.text)}});
    return j;
  }
  // Everything up to the block array's opening bracket; the keys before it cannot
  // hold the marker, so its first occurrence is the key itself.
  void open(const AnalysisOutcome& out) {
    if (opened_) return;
    const std::string text = object(out).dump(2);
    std::fputs(text.substr(0, text.find(kEmptyBlocks) + kEmptyBlocks.size() - 1).c_str(), stdout);
    opened_ = true;
  }

  std::string board_;
  bool withIo_;
  bool opened_ = false;
  std::uint64_t blocks_ = 0;
};

}  // namespace

std::unique_ptr<AnalysisPrinter> textPrinter(TextOptions options) { return std::make_unique<TextPrinter>(options); }
std::unique_ptr<AnalysisPrinter> jsonPrinter(std::string board, bool withIo) {
  return std::make_unique<JsonPrinter>(std::move(board), withIo);
}

}  // namespace cli
