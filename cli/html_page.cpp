#include "cli/html_page.h"

#include "cli/hex_text.h"
#include "cli/html_map.h"
#include "cli/host.h"
#include "os/text.h"

namespace cli {
namespace {

struct Labels {
  const char* lang;
  const char* title;
  const char* memoryWindow;
  const char* ioWindow;
  const char* rows;
  const char* blocks;
  const char* problems;
  const char* messages;
  const char* ini;
  const char* board;
  const char* start;
  const char* end;
  const char* size;
  const char* device;
  const char* role;
  const char* noBlocks;
  const char* noProblems;
  const char* moreBlocks;
  const char* innerWindow;
  const char* window;
  const char* taken;
  const char* notTaken;
  const char* location;
  const char* registers;
  const char* notAnalysed;
  const char* none;
  const char* iniNone;
  const char* memoryAddress;
  MapLabels map;
};

const Labels kEnglish{"en", "free memory address space for", "Memory window", "I/O window",
                      "Ranges in the window", "Blocks", "Problem devices naming the board", "Messages", "INI file",
                      "Board", "Start", "End", "Size", "Device", "Role", "No block fits.",
                      "No problem device names the board.", "more blocks", "inner window", "the window",
                      "takes room", "not counted", "PCI location", "Registers read", "not analysed",
                      "none: no memory range holds the address", "no INI file written", "Board memory address",
                      {"hole", "block", "active block", "board", "0x3000 free", "not to scale: every range and hole"}};
const Labels kJapanese{"ja", "空きメモリアドレス空間:", "メモリウィンドウ", "I/O ウィンドウ", "ウィンドウ内の範囲", "ブロック",
                       "ボードのデバイスを含む問題のあるデバイス", "メッセージ", "INI ファイル", "ボード", "開始", "終了",
                       "サイズ", "デバイス", "役割", "入るブロックはありません。",
                       "ボードのデバイスを含む問題のあるデバイスはありません。", "個のブロック (省略)",
                       "内側のウィンドウ", "ウィンドウ自身", "使用中", "数えない", "PCI の位置", "読んだレジスタ",
                       "未解析", "なし: アドレスを含むメモリ範囲はありません", "INI ファイルは書かれていません", "ボードのメモリアドレス",
                       {"空き", "ブロック", "有効なブロック", "ボード", "0x3000 の空き", "縮尺なし: すべての範囲と空き"}};

constexpr const char* kStyle = R"(
body{font:14px/1.4 "DejaVu Sans","Noto Sans","IPAPGothic","Noto Sans CJK JP",sans-serif;margin:16px auto;max-width:1000px;color:#1d2733;padding:0 12px}
h1{font-size:20px;margin:0 0 4px}h2{font-size:16px;margin:18px 0 6px;border-bottom:1px solid #c5ced8}
.sub{color:#52606d;margin:0 0 8px}svg{width:100%;height:auto;display:block;margin:4px 0}
svg text{font:11px sans-serif;fill:#1d2733}svg .axis{fill:#52606d}
.window rect{fill:#f4f6f8;stroke:#7b8794}.inner rect{fill:#e4ebf2;stroke:#52606d;stroke-dasharray:4 2}
.taken rect{fill:#9fb3c8;stroke:#52606d;stroke-width:.5}.uncounted rect{fill:#e4e7eb;stroke:#9aa5b1}
.hole rect{fill:#c6f0c2}.hole.room rect{fill:#57ae5b}.block rect{fill:#4c8bf5;stroke:#fff;stroke-width:.5}
.block.active rect{fill:#f0a202}.marker line{stroke:#d64545;stroke-width:2}.marker text{fill:#d64545;font-weight:bold}
table{border-collapse:collapse;width:100%;font-size:12px}th,td{text-align:left;padding:2px 6px;border-bottom:1px solid #e4e7eb}
td.hex,th.hex{font-family:monospace;white-space:nowrap}tr.active td{background:#fff3c4;font-weight:bold}
.msg-app{color:#ab091e}pre{background:#f4f6f8;padding:6px;font-size:12px;overflow-x:auto}
.legend span{display:inline-block;margin-right:12px}.legend i{display:inline-block;width:12px;height:10px;margin-right:4px;vertical-align:middle}
@media print{body{max-width:none;margin:0;font-size:11px}h2{break-after:avoid}svg{break-inside:avoid}}
)";

std::string cell(const std::string& text, bool hex = false) {
  return std::string(hex ? "<td class=\"hex\">" : "<td>") + escapeHtml(text) + "</td>";
}

std::string sizeText(std::uint32_t start, std::uint32_t end) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(std::uint64_t{end} - start + 1));
  return text;
}

std::string legend(const Labels& l, bool withBlocks) {
  auto item = [](const char* color, const std::string& text) {
    return "<span><i style=\"background:" + std::string(color) + "\"></i>" + escapeHtml(text) + "</span>";
  };
  std::string out = "<p class=\"legend\">" + item("#9fb3c8", l.taken) + item("#e4ebf2", l.innerWindow) +
                    item("#c6f0c2", l.map.hole);
  if (withBlocks) out += item("#4c8bf5", l.map.block) + item("#f0a202", l.map.activeBlock);
  else out += item("#57ae5b", l.map.room);
  return out + item("#d64545", l.map.board) + "</p>";
}

std::string rowsTable(const WindowMap& map, const Labels& l) {
  std::string out = "<table><tr><th class=\"hex\">" + std::string(l.start) + "</th><th class=\"hex\">" + l.end +
                    "</th><th class=\"hex\">" + l.size + "</th><th>" + l.device + "</th><th>" + l.role + "</th></tr>";
  for (const NamedRange& r : map.rows) {
    const bool isWindow = r.start == map.window.start && r.end == map.window.end;
    const bool isInner = map.inner && r.start == map.inner->start && r.end == map.inner->end;
    const char* role = isWindow ? l.window : isInner ? l.innerWindow : r.counted ? l.taken : l.notTaken;
    out += "<tr>" + cell(hex8(r.start), true) + cell(hex8(r.end), true) + cell(sizeText(r.start, r.end), true) +
           "<td style=\"padding-left:" + std::to_string(6 + 12 * r.depth) + "px\">" + escapeHtml(r.device) + "</td>" +
           cell(role) + "</tr>";
  }
  return out + "</table>";
}

std::string blocksTable(const HtmlPage& page, const Labels& l) {
  if (page.blocks.empty()) return "<p>" + std::string(l.noBlocks) + "</p>";
  constexpr std::size_t kShown = 256;
  const bool active = page.outcome->ini.has_value();
  std::string out = "<table><tr><th>#</th><th class=\"hex\">" + std::string(l.start) + "</th><th class=\"hex\">" +
                    l.end + "</th><th></th></tr>";
  for (std::size_t i = 0; i < page.blocks.size() && i < kShown; ++i) {
    const bool isActive = i == 0 && active;
    out += std::string(isActive ? "<tr class=\"active\">" : "<tr>") + cell(std::to_string(i + 1)) +
           cell(hex8(page.blocks[i].start), true) + cell(hex8(page.blocks[i].end), true) +
           cell(isActive ? l.map.activeBlock : "") + "</tr>";
  }
  out += "</table>";
  if (page.blocks.size() > kShown)
    out += "<p>… " + std::to_string(page.blocks.size() - kShown) + " " + l.moreBlocks + "</p>";
  return out;
}

std::string windowSection(const char* heading, const std::optional<Window>& window, const WindowMap* map,
                          const MapMarks& marks, const Labels& l, const std::string& extra) {
  std::string out = "<h2>" + std::string(heading) + "</h2>";
  if (!window || window->empty() || !map) {
    return out + "<p>" + (window && window->empty() ? l.none : l.notAnalysed) + "</p>";
  }
  out += "<p class=\"sub\">" + hex8(window->start) + "-" + hex8(window->end) + extra + "</p>";
  out += windowMapSvg(*map, marks, l.map) + windowStripSvg(*map, l.map) + legend(l, !marks.blocks.empty());
  return out + rowsTable(*map, l);
}

}  // namespace

std::string escapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string renderHtmlPage(const HtmlPage& page) {
  const Labels& l = page.language == resources::Language::Japanese ? kJapanese : kEnglish;
  const AnalysisOutcome& out = *page.outcome;
  std::string html = "<!DOCTYPE html>\n<html lang=\"" + std::string(l.lang) +
                     "\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width\">"
                     "<title>Spanfinder " + escapeHtml(page.board) + "</title><style>" + kStyle + "</style></head><body>";
  html += "<h1>Spanfinder: " + std::string(l.title) + " " + escapeHtml(page.board) + "</h1>";
  html += "<p class=\"sub\">" + escapeHtml(page.source) + "</p>";

  html += "<h2>" + std::string(l.board) + "</h2><table>";
  if (page.location) {
    html += "<tr><th>" + std::string(l.location) + "</th>" + cell(page.location->location) + "</tr>";
    auto reg = [](std::uint8_t offset, const std::optional<std::uint32_t>& v) {
      char text[16];
      std::snprintf(text, sizeof text, "0x%02X = ", offset);
      return text + (v ? hex8(*v) : std::string("-"));
    };
    html += "<tr><th>" + std::string(l.registers) + "</th>" +
            cell(reg(page.location->baseRegisterOffset, page.location->baseRegister) + ", " +
                     reg(0x1C, page.location->ioRegister),
                 true) +
            "</tr>";
  }
  if (page.addresses.memoryAddress)
    html += "<tr><th>" + std::string(l.memoryAddress) + "</th>" + cell(hex8(*page.addresses.memoryAddress), true) +
            "</tr>";
  html += "</table>";

  MapMarks memoryMarks{page.blocks, out.ini.has_value(), page.addresses.memoryAddress, {}};
  html += windowSection(l.memoryWindow, out.memoryWindow, page.memory ? &*page.memory : nullptr, memoryMarks, l, "");
  html += "<h2>" + std::string(l.blocks) + "</h2>" + blocksTable(page, l);

  if (page.io || out.ioWindow) {
    MapMarks ioMarks{{}, false, page.addresses.ioAddress, 0x3000};
    const std::string room = !out.ioRoom ? "" : *out.ioRoom ? " — 0x3000: ✓" : " — 0x3000: ✗";
    html += windowSection(l.ioWindow, out.ioWindow, page.io ? &*page.io : nullptr, ioMarks, l, room);
  }

  html += "<h2>" + std::string(l.problems) + "</h2>";
  if (page.problemLines.empty()) html += "<p>" + std::string(l.noProblems) + "</p>";
  for (const std::string& line : page.problemLines) html += "<pre>" + escapeHtml(line) + "</pre>";

  html += "<h2>" + std::string(l.messages) + "</h2><table>";
  for (const ShownMessage& m : out.messages)
    html += std::string(m.dialog ? "<tr>" : "<tr class=\"msg-app\">") + cell(std::to_string(m.id)) +
            cell(os::toUtf8(m.text)) + "</tr>";
  html += "</table>";

  html += "<h2>" + std::string(l.ini) + "</h2>";
  if (!out.iniPath.empty() || out.ini) {
    html += "<p class=\"sub\">" + escapeHtml(host::shownPath(out.ini ? *out.ini : out.iniPath)) + "</p>";
    if (page.iniText) html += "<pre>" + escapeHtml(*page.iniText) + "</pre>";
  } else {
    html += "<p>" + std::string(l.iniNone) + "</p>";
  }
  return html + "</body></html>\n";
}

}  // namespace cli
