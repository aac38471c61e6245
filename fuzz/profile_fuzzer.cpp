// The machine-profile loader on arbitrary bytes. A profile is either refused with
// one line that names the key at fault, or accepted whole and then holds what the
// loader promises: every PCI function has an identity of a present function at a
// place of its own, every range ends at or above its start, every text is one
// line; controllers have places and register windows of their own; and the
// system-information tool can write its report from it.
//
// Input: the profile's JSON text.
#include <set>
#include <string>
#include <utility>
#include <vector>
#include <string_view>
#include <variant>

#include "fuzz/check.h"
#include "sim/profile.h"
#include "sim/system_report.h"

namespace {

bool oneLine(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  return true;
}

void checkRanges(const std::vector<sim::ReportRange>& ranges) {
  for (const sim::ReportRange& r : ranges) {
    FUZZ_CHECK(r.start <= r.end);
    FUZZ_CHECK(!r.device.empty() && oneLine(r.device) && oneLine(r.status));
  }
}

void checkAccepted(const sim::MachineProfile& profile) {
  std::set<std::uint32_t> places;
  for (const sim::PciFunctionProfile& f : profile.pci) {
    FUZZ_CHECK(f.location.device < 32 && f.location.function < 8);
    FUZZ_CHECK(places.insert(f.location.bus << 8 | f.location.device << 3 | f.location.function).second);
    const auto identity = f.config.find(0x00);
    FUZZ_CHECK(identity != f.config.end() && (identity->second & 0xFFFF) != 0xFFFF);
    for (const auto& [offset, value] : f.config) FUZZ_CHECK(offset % 4 == 0 && offset <= 0xFC);
  }
  // Controllers: at places of their own, register windows aligned to their sizes
  // and apart from each other, images no larger than the chip.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> windows;
  for (const sim::ControllerProfile& c : profile.controllers) {
    FUZZ_CHECK(c.location.device < 32 && c.location.function < 8);
    FUZZ_CHECK(places.insert(c.location.bus << 8 | c.location.device << 3 | c.location.function).second);
    FUZZ_CHECK(c.globalRegisters != 0 && c.globalRegisters % 0x80 == 0);
    FUZZ_CHECK(c.portRegisters != 0 && c.portRegisters % 0x8000 == 0);
    for (const auto& [first, size] : {std::pair<std::uint64_t, std::uint64_t>{c.globalRegisters, 0x80},
                                      std::pair<std::uint64_t, std::uint64_t>{c.portRegisters, 0x8000}}) {
      for (const auto& [otherFirst, otherLast] : windows)
        FUZZ_CHECK(first + size - 1 < otherFirst || first > otherLast);
      windows.emplace_back(first, first + size - 1);
    }
    FUZZ_CHECK(c.image.size() <= 131072 && oneLine(c.description));
    if (c.hardwareIds) {
      FUZZ_CHECK(!c.hardwareIds->empty());
      for (const std::string& id : *c.hardwareIds) FUZZ_CHECK(oneLine(id));
    }
  }
  checkRanges(profile.resources.io);
  checkRanges(profile.resources.memory);
  for (const sim::ReportProblemDevice& d : profile.resources.problemDevices)
    FUZZ_CHECK(oneLine(d.name) && oneLine(d.deviceId) && oneLine(d.errorCode));
  FUZZ_CHECK(oneLine(profile.description) && oneLine(profile.resources.systemName));
  FUZZ_CHECK(!(profile.faults.systemInfoToolExitStatus && profile.faults.systemInfoToolWritesNoFile));

  const std::u16string report = sim::systemReportText(profile.resources);
  FUZZ_CHECK(!report.empty() && report[0] == u'\xFEFF');
  FUZZ_CHECK(sim::systemReportBytes(profile.resources).size() == 2 * report.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view json(reinterpret_cast<const char*>(data), size);
  const auto result = sim::parseProfile(json);
  if (const auto* error = std::get_if<sim::ProfileError>(&result)) {
    FUZZ_CHECK(!error->message.empty() && oneLine(error->message) && oneLine(error->keyPath));
    return 0;
  }
  checkAccepted(std::get<sim::MachineProfile>(result));
  return 0;
}
