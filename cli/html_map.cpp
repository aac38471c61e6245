#include "cli/html_map.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/holes.h"
#include "cli/hex_text.h"
#include "cli/html_page.h"

namespace cli {
namespace {

constexpr double kLeft = 8, kWidth = 944, kRow = 22, kBar = 18;

std::string num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", v);
  return text;
}

// The drawing's horizontal scale: address to x, to scale across the window.
struct Scale {
  Window window;
  double x(std::uint64_t address) const {
    const double span = static_cast<double>(std::uint64_t{window.end} - window.start + 1);
    return kLeft + kWidth * static_cast<double>(address - window.start) / span;
  }
  double width(std::uint32_t start, std::uint32_t end) const {
    return std::max(1.0, x(std::uint64_t{end} + 1) - x(start));
  }
};

std::string rangeTitle(std::uint32_t start, std::uint32_t end, const std::string& what) {
  return "<title>" + hex8(start) + "-" + hex8(end) + (what.empty() ? "" : " " + escapeHtml(what)) + "</title>";
}

// The label cut to a width, whole characters only (a wide character counts
// twice), with an ellipsis when it was cut; empty when not even two fit.
std::string fitted(const std::string& label, double width) {
  const double room = (width - 6) / 6.5;  // in narrow characters
  std::string out;
  double used = 0;
  for (std::size_t i = 0; i < label.size();) {
    const unsigned char lead = static_cast<unsigned char>(label[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    const double cost = length >= 3 ? 2 : 1;
    if (used + cost > room) {
      if (used < 2) return {};
      while (!out.empty() && used + 1 > room) {  // room for the ellipsis
        std::size_t back = out.size() - 1;
        while (back > 0 && (static_cast<unsigned char>(out[back]) & 0xC0) == 0x80) --back;
        used -= out.size() - back >= 3 ? 2 : 1;
        out.resize(back);
      }
      return out.empty() ? out : out + "…";
    }
    out.append(label, i, length);
    used += cost;
    i += length;
  }
  return out;
}

// A bar with its tooltip, and its label inside when there is room for it.
std::string bar(double x, double y, double w, const char* cssClass, const std::string& title,
                const std::string& label) {
  std::string out = "<g class=\"" + std::string(cssClass) + "\"><rect x=\"" + num(x) + "\" y=\"" + num(y) +
                    "\" width=\"" + num(w) + "\" height=\"" + num(kBar) + "\"/>" + title;
  if (const std::string shown = fitted(label, w); !shown.empty())
    out += "<text x=\"" + num(x + 3) + "\" y=\"" + num(y + 13) + "\">" + escapeHtml(shown) + "</text>";
  return out + "</g>";
}

bool hasRoom(const Window& hole, std::uint32_t needed) {
  const auto pages = analysis::alignedHole({hole.start, hole.end}, 0x1000);
  return pages && std::uint64_t{pages->last} - pages->first + 1 >= needed;
}

const char* rowClass(const NamedRange& r, const WindowMap& map) {
  if (r.start == map.window.start && r.end == map.window.end) return "window";
  if (map.inner && r.start == map.inner->start && r.end == map.inner->end) return "inner";
  return r.counted ? "taken" : "uncounted";
}

}  // namespace

std::string windowMapSvg(const WindowMap& map, const MapMarks& marks, const MapLabels& labels) {
  const Scale scale{map.window};
  int depth = 0;
  for (const NamedRange& r : map.rows) depth = std::max(depth, r.depth);
  const double rowsTop = 26, holesTop = rowsTop + (depth + 1) * kRow + 6, blocksTop = holesTop + kRow;
  const double height = (marks.blocks.empty() ? blocksTop : blocksTop + kRow) + 6;
  std::string svg = "<svg class=\"map\" viewBox=\"0 0 960 " + num(height) + "\" role=\"img\">";
  svg += "<text class=\"axis\" x=\"" + num(kLeft) + "\" y=\"14\">" + hex8(map.window.start) + "</text>";
  svg += "<text class=\"axis\" x=\"" + num(kLeft + kWidth) + "\" y=\"14\" text-anchor=\"end\">" +
         hex8(map.window.end) + "</text>";
  for (const NamedRange& r : map.rows)
    svg += bar(scale.x(r.start), rowsTop + r.depth * kRow, scale.width(r.start, r.end), rowClass(r, map),
               rangeTitle(r.start, r.end, r.device), r.device);
  for (const Window& h : map.holes) {
    const bool room = marks.roomNeeded && hasRoom(h, *marks.roomNeeded);
    svg += bar(scale.x(h.start), holesTop, scale.width(h.start, h.end), room ? "hole room" : "hole",
               rangeTitle(h.start, h.end, room ? labels.room : labels.hole), room ? labels.room : labels.hole);
  }
  for (std::size_t i = 0; i < marks.blocks.size(); ++i) {
    const Block& b = marks.blocks[i];
    const bool active = i == 0 && marks.firstBlockActive;
    svg += bar(scale.x(b.start), blocksTop, scale.width(b.start, b.end), active ? "block active" : "block",
               rangeTitle(b.start, b.end, active ? labels.activeBlock : labels.block), active ? labels.activeBlock : "");
  }
  if (marks.boardAddress && *marks.boardAddress >= map.window.start && *marks.boardAddress <= map.window.end) {
    const double x = scale.x(*marks.boardAddress);
    const bool right = x > kLeft + kWidth * 0.7;  // the label goes to the line's left near the right edge
    svg += "<g class=\"marker\"><line x1=\"" + num(x) + "\" y1=\"18\" x2=\"" + num(x) + "\" y2=\"" + num(height) +
           "\"/><text x=\"" + num(right ? x - 3 : x + 3) + "\" y=\"24\"" + (right ? " text-anchor=\"end\"" : "") +
           ">" + escapeHtml(labels.board) + " " +
           hex8(*marks.boardAddress) + "</text><title>" + escapeHtml(labels.board) + " " +
           hex8(*marks.boardAddress) + "</title></g>";
  }
  return svg + "</svg>";
}

std::string windowStripSvg(const WindowMap& map, const MapLabels& labels) {
  struct Item {
    std::uint32_t start, end;
    std::string label;
    const char* cssClass;
  };
  std::vector<Item> items;
  for (const NamedRange& r : map.rows)
    if (r.counted) items.push_back({r.start, r.end, r.device, "taken"});
  for (const Window& h : map.holes) items.push_back({h.start, h.end, labels.hole, "hole"});
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.start < b.start; });
  if (items.empty()) return {};
  // Each item's width grows with the logarithm of its size, so that a 16-byte row
  // and a 256 MB hole can both be seen.
  std::vector<double> weights;
  double total = 0;
  for (const Item& i : items) total += weights.emplace_back(1 + std::log2(double(i.end) - i.start + 1));
  std::string svg = "<svg class=\"strip\" viewBox=\"0 0 960 44\" role=\"img\"><text class=\"axis\" x=\"" +
                    num(kLeft) + "\" y=\"12\">" + escapeHtml(labels.notToScale) + "</text>";
  double x = kLeft;
  for (std::size_t k = 0; k < items.size(); ++k) {
    const double w = kWidth * weights[k] / total;
    svg += bar(x, 20, std::max(1.0, w - 1), items[k].cssClass, rangeTitle(items[k].start, items[k].end, items[k].label),
               items[k].label);
    x += w;
  }
  return svg + "</svg>";
}

}  // namespace cli
