#include "cli/analysis_output.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "os/posix/host.h"
#include "os/text.h"

namespace cli {
namespace {

std::string hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string hexShort(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
  return text;
}

class TextPrinter final : public AnalysisPrinter {
 public:
  void block(const AnalysisOutcome& sofar, const Block& b) override {
    window(sofar);
    std::printf("%s-%s\n", hex8(b.start).c_str(), hex8(b.end).c_str());
  }
  void finish(const AnalysisOutcome& out) override {
    window(out);
    if (out.ini) std::printf("INI: %s\n", os::hostPath(*out.ini).c_str());
    std::fflush(stdout);
    for (const ShownMessage& m : out.messages) {
      std::FILE* stream = m.dialog ? stdout : stderr;
      std::fprintf(stream, "%u: %s\n", static_cast<unsigned>(m.id), os::toUtf8(m.text).c_str());
      std::fflush(stream);
    }
  }

 private:
  void window(const AnalysisOutcome& out) {
    if (windowDone_ || !out.memoryWindow) return;
    std::printf("Start: %s\nEnd: %s\n", hexShort(out.memoryWindow->start).c_str(),
                hexShort(out.memoryWindow->end).c_str());
    windowDone_ = true;
  }
  bool windowDone_ = false;
};

nlohmann::ordered_json windowJson(const std::optional<Window>& w) {
  if (!w) return nullptr;
  return {{"start", hex8(w->start)}, {"end", hex8(w->end)}};
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
    if (withIo_) j["ioWindow"] = windowJson(out.ioWindow);
    j["memoryWindow"] = windowJson(out.memoryWindow);
    j["blocks"] = nlohmann::ordered_json::array();
    j["ini"] = out.ini ? nlohmann::ordered_json(os::hostPath(*out.ini)) : nlohmann::ordered_json(nullptr);
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

std::unique_ptr<AnalysisPrinter> textPrinter() { return std::make_unique<TextPrinter>(); }
std::unique_ptr<AnalysisPrinter> jsonPrinter(std::string board, bool withIo) {
  return std::make_unique<JsonPrinter>(std::move(board), withIo);
}

}  // namespace cli
