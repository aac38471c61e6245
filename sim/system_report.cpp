#include "sim/system_report.h"

#include <cstdio>

#include "os/text.h"

namespace sim {
namespace {

struct Texts {
  std::u16string_view systemName, io, memory, problems;
  std::u16string_view resourceColumns, problemColumns;
};

constexpr Texts kEnglish{u"System Name: ", u"[I/O]", u"[Memory]", u"[Problem Devices]",
                         u"Resource\tDevice\tStatus\t", u"Device\tPNP Device ID\tError Code\t"};
constexpr Texts kJapanese{u"システム名: ", u"[I/O]", u"[メモリ]", u"[問題のあるデバイス]",
                          u"リソース\tデバイス\t状態\t", u"デバイス\tPNP デバイス ID\tエラー コード\t"};

const Texts& textsFor(ReportLanguage language) { return language == ReportLanguage::Japanese ? kJapanese : kEnglish; }

class Writer {
 public:
  void line(std::u16string_view text) {
    out_.append(text);
    out_.append(u"\r\n");
  }
  // A row: every cell, the last one included, ends with a TAB.
  void row(std::initializer_list<std::u16string> cells) {
    for (const auto& cell : cells) {
      out_.append(cell);
      out_.push_back(u'\t');
    }
    out_.append(u"\r\n");
  }
  std::u16string& text() { return out_; }

 private:
  std::u16string out_;
};

std::u16string rangeText(const ReportRange& range) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%08X-0x%08X", static_cast<unsigned>(range.start),
                static_cast<unsigned>(range.end));
  return os::fromUtf8(buffer);
}

void rangeSection(Writer& w, std::u16string_view heading, std::u16string_view columns,
                  const std::vector<ReportRange>& ranges) {
  w.line(heading);
  w.line(u"");
  w.line(columns);
  for (const auto& r : ranges) w.row({rangeText(r), os::fromUtf8(r.device), os::fromUtf8(r.status)});
  w.line(u"");
}

}  // namespace

std::u16string_view ioHeading(ReportLanguage language) { return textsFor(language).io; }
std::u16string_view memoryHeading(ReportLanguage language) { return textsFor(language).memory; }
std::u16string_view problemDevicesHeading(ReportLanguage language) { return textsFor(language).problems; }

std::u16string systemReportText(const SystemReportDescription& report) {
  const Texts& t = textsFor(report.language);
  Writer w;
  w.text().push_back(u'\xFEFF');
  w.line(std::u16string(t.systemName) + os::fromUtf8(report.systemName));
  w.line(u"");
  if (report.hasIo) rangeSection(w, t.io, t.resourceColumns, report.io);
  if (report.hasMemory) rangeSection(w, t.memory, t.resourceColumns, report.memory);
  if (!report.hasProblemDevices) return std::move(w.text());
  w.line(t.problems);
  w.line(u"");
  w.line(t.problemColumns);
  for (const auto& d : report.problemDevices)
    w.row({os::fromUtf8(d.name), os::fromUtf8(d.deviceId), os::fromUtf8(d.errorCode)});
  return std::move(w.text());
}

std::string systemReportBytes(const SystemReportDescription& report) {
  const std::u16string text = systemReportText(report);
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

bool writeSystemReport(os::Files& files, std::u16string_view path, const SystemReportDescription& report) {
  return writeReportBytes(files, path, systemReportBytes(report));
}

bool writeReportBytes(os::Files& files, std::u16string_view path, std::string_view bytes) {
  const os::Handle file = files.createFile(path, os::kGenericWrite, 0, os::kCreateAlways);
  if (!os::isValid(file)) return false;
  std::uint32_t written = 0;
  const auto size = static_cast<std::uint32_t>(bytes.size());
  bool ok = files.writeFile(file, bytes.data(), size, &written);
  if (ok && written != size) {
    os::setLastError(os::kErrorDiskFull);  // the medium took only part of it
    ok = false;
  }
  const std::uint32_t error = os::lastError();
  files.closeFile(file);
  if (!ok) os::setLastError(error);
  return ok;
}

}  // namespace sim
