#include "cli/html_output.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "cli/choices.h"
#include "cli/whole_file.h"
#include "cli/host.h"
#include "os/text.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

// The INI file's text (UTF-16LE without a byte-order mark), line ends as written.
std::optional<std::string> iniText(const std::optional<std::u16string>& path) {
  if (!path) return std::nullopt;
  const std::string shown = host::shownPath(*path);
  std::ifstream in(fs::path(std::u8string(shown.begin(), shown.end())), std::ios::binary);
  if (!in) return std::nullopt;
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::u16string text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  std::string utf8 = os::toUtf8(text);
  std::erase(utf8, '\r');
  return utf8;
}

}  // namespace

std::optional<std::string> writeHtmlReport(const HtmlRequest& request, os::Files& files, const AnalysisOutcome& out,
                                           std::vector<Block> blocks) {
  HtmlPage page;
  page.language = request.messages;
  page.board = boardName(request.board);
  page.source = request.source;
  page.outcome = &out;
  page.blocks = std::move(blocks);
  page.location = request.location;
  page.addresses = out.board ? *out.board : request.addresses;
  if (out.memoryWindow && !out.memoryWindow->empty())
    page.memory = readWindowMap(files, request.reportPath, request.headings, analysis::Section::Memory,
                                *out.memoryWindow, out.innerWindow);
  if (out.ioWindow && !out.ioWindow->empty())
    page.io = readWindowMap(files, request.reportPath, request.headings, analysis::Section::Io, *out.ioWindow);
  if (out.memoryWindow)
    page.problemLines = problemLinesNaming(files, request.reportPath, request.headings, request.board);
  page.iniText = iniText(out.ini);

  return writeFileWhole(request.file, renderHtmlPage(page));
}

}  // namespace cli
