// spanfinder capture: the machine the tool runs the access library on (this PC,
// or natively a simulated machine) written as a machine profile that the native
// tool can run anywhere. It is read the way the program and the library read it:
// the library loaded by name for the controllers and the configuration space,
// the system-information tool run with the Search's own command line. The
// profile is written whole or not at all.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/bios_progress.h"
#include "cli/command.h"
#include "cli/controller_output.h"
#include "cli/controller_run.h"
#include "cli/machine_capture.h"
#include "cli/output_place.h"
#include "cli/whole_file.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

struct CaptureOptions {
  PlaceOptions place;
  std::string file;
  bool force = false;
  bool withBios = false;
  bool anonymize = false;
  bool json = false;
};

fs::path pathOf(const std::string& utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }
std::string utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// A chip image read beside the profile: its temporary file until the profile is
// written, then its own name.
struct ImageFile {
  fs::path part, target;
};

// Removes what a capture that does not finish leaves behind.
struct Leftovers {
  std::vector<fs::path> files;
  ~Leftovers() {
    std::error_code ec;
    for (const fs::path& f : files) fs::remove(f, ec);
  }
};

// The scan's progress line, redrawn in place on a terminal.
class ScanProgress {
 public:
  explicit ScanProgress(bool shown) : shown_(shown) {}
  ~ScanProgress() {
    if (drawn_) std::printf("\r%-60s\r", "");
    std::fflush(stdout);
  }
  void bus(int bus) {
    if (!shown_ || bus % 8 != 0) return;
    std::printf("\rscanning the PCI bus: bus %3d of 256 (65,536 probes)", bus);
    std::fflush(stdout);
    drawn_ = true;
  }

 private:
  bool shown_;
  bool drawn_ = false;
};

// The configuration scan, its progress line gone again before anything else is said.
bool scanFunctions(LibraryPorts& ports, CapturedMachine& m, bool progressShown) {
  ScanProgress progress(progressShown);
  return captureFunctions(ports, m, [&progress](int bus) { progress.bus(bus); });
}

// With --with-bios: each controller's chip read whole into a file named after the
// profile and the controller's place, for each chip whose version and date could
// be read. A chip that cannot be read whole is described by them, with a note.
void readImages(const CaptureOptions& o, ControllerPlace& place, LibrarySession& session, CapturedMachine& m,
                std::vector<ImageFile>& images, Leftovers& leftovers) {
  const fs::path profile = fs::absolute(pathOf(o.file));
  for (CapturedController& c : m.controllers) {
    if (c.biosResult != 1) continue;
    const std::string name = utf8Of(profile.stem()) + ".bios-" + std::to_string(c.bus) + "-" +
                             std::to_string(c.device) + "-" + std::to_string(c.function) + ".bin";
    ImageFile image{profile.parent_path() / pathOf(name + ".part"), profile.parent_path() / pathOf(name)};
    const std::string what = "controller " + std::to_string(c.index) + ": its image could not be read into " + name;
    std::error_code ec;
    if (!o.force && fs::exists(image.target, ec)) {
      m.notes.push_back(what + ": that file exists already (--force replaces it)");
      continue;
    }
    leftovers.files.push_back(image.part);
    std::string error;
    auto file = place.libraryPath(utf8Of(image.part), error);
    if (!file) {
      m.notes.push_back(what + " (" + error + ")");
      continue;
    }
    if (const int started = session.kx().getBiosData(c.index, file->data()); started != 1) {
      m.notes.push_back(what + ": " + resultText(started));
      continue;
    }
    const std::string label = "reading the BIOS of controller " + std::to_string(c.index);
    const Completion done = waitForCompletion(session, o.json ? nullptr : label.c_str(), outputIsTerminal());
    if (!done.arrived || done.result != 1 || fs::file_size(image.part, ec) != kChipBytes) {
      m.notes.push_back(what + (done.arrived && done.result != 1 ? ": " + resultText(static_cast<int>(done.result))
                                                                 : std::string(": the file is not whole")));
      continue;
    }
    c.imageFile = name;
    images.push_back(image);
  }
}

std::string summaryText(const std::string& file, const CapturedMachine& m, std::size_t images) {
  const auto count = [](std::size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  std::string text = "captured into " + file + ": " + count(m.functions.size(), "PCI function", "PCI functions") +
                     ", " + count(m.controllers.size(), "SiI3132 controller", "SiI3132 controllers") + " (" +
                     count(images, "BIOS image", "BIOS images") + "), " +
                     count(m.io.size(), "I/O range", "I/O ranges") + ", " +
                     count(m.memory.size(), "memory range", "memory ranges") + ", " +
                     count(m.problemDevices.size(), "problem device", "problem devices") + "\n";
  for (const std::string& note : m.notes) text += "note: " + note + "\n";
  return text;
}

std::string summaryJson(const std::string& file, const CapturedMachine& m, const std::vector<ImageFile>& images) {
  nlohmann::json names = nlohmann::json::array();
  for (const ImageFile& i : images) names.push_back(utf8Of(i.target.filename()));
  const nlohmann::json summary{{"profile", utf8Of(fs::absolute(pathOf(file)))},
                               {"functions", m.functions.size()},
                               {"controllers", m.controllers.size()},
                               {"biosImages", names},
                               {"io", m.io.size()},
                               {"memory", m.memory.size()},
                               {"problemDevices", m.problemDevices.size()},
                               {"notes", m.notes}};
  return summary.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

int runCapture(const CaptureOptions& o) {
  if (const auto problem = outputFileProblem("capture: " + o.file, o.file)) return failWith(kExitUsage, *problem);
  std::error_code ec;
  if (o.file == "-") return failWith(kExitUsage, "capture: FILE must be a file, not standard output");
  if (fs::exists(pathOf(o.file), ec) && !o.force)
    return failWith(kExitUsage, "capture: " + o.file + ": exists already (--force replaces it)");
  const std::unique_ptr<ControllerPlace> place = o.place->open();
  if (!place) return kExitUsage;
  const os::Platform& facilities = place->facilities();

  CapturedMachine m;
  captureWindows(facilities, m);
  std::vector<ImageFile> images;
  Leftovers leftovers;
  int status = kExitDone;
  {
    std::string error;
    auto library = AccessLibrary::load(facilities, error);
    if (!library) return failWith(kExitFailed, error);
    {
      auto session = LibrarySession::open(*library, facilities, error);
      if (!session) {
        status = failWith(kExitFailed, error);
      } else {
        captureControllers(*session, facilities, m);
        if (o.withBios) readImages(o, *place, *session, m, images, leftovers);
      }
    }
    if (status == kExitDone) {
      // The library has shut down and let go of the driver's device: the
      // configuration scan opens it for itself.
      auto ports = LibraryPorts::open(*library, facilities, error);
      if (!ports) {
        status = failWith(kExitFailed, error);
      } else if (!scanFunctions(*ports, m, outputIsTerminal() && !o.json)) {
        status = failWith(kExitFailed,
                          "every one of the 65,536 bus, device and function numbers answered the configuration "
                          "scan: the access driver's port reads are failing; nothing written");
      }
    }
    place->settle();
  }
  if (status == kExitDone) captureReport(facilities, m);
  if (const auto problem = place->keep()) status = failWith(kExitFailed, *problem);
  if (status != kExitDone) return status;

  if (o.anonymize) anonymize(m);
  for (const ImageFile& image : images) {
    fs::rename(image.part, image.target, ec);
    if (ec) return failWith(kExitFailed, utf8Of(image.target) + ": cannot be written (" + ec.message() + ")");
    leftovers.files.push_back(image.target);
  }
  if (const auto problem = writeFileWhole(o.file, profileJson(m))) return failWith(kExitFailed, *problem);
  leftovers.files.clear();
  const std::string summary = o.json ? summaryJson(o.file, m, images) : summaryText(o.file, m, images.size());
  std::fwrite(summary.data(), 1, summary.size(), stdout);
  return kExitDone;
}

}  // namespace

void addCaptureCommand(CLI::App& app, Dispatch& dispatch) {
  auto options = std::make_shared<CaptureOptions>();
  CLI::App* sub = app.add_subcommand(
      "capture",
      "Write the machine the access library runs on as a machine profile FILE, which the native tool runs anywhere "
      "(--machine FILE): its Windows facts, every present PCI function's 64 configuration registers, the "
      "system-information tool's report, and its SiI3132 controllers; what cannot be read goes into its notes.");
  options->place = addControllerPlaceOptions(*sub);
  sub->add_option("FILE", options->file, "The profile to write (.json)")->required();
  sub->add_flag("--force", options->force, "Replace FILE if it exists");
  sub->add_flag("--with-bios", options->withBios,
                "Also read each controller's flash chip whole into a file beside FILE, which the profile names");
  sub->add_flag("--anonymize", options->anonymize, "Replace the system name and the instance parts of device IDs");
  sub->add_flag("--json", options->json, "Print a JSON summary instead of text");
  sub->callback([&dispatch, options] { dispatch.run = [options] { return runCapture(*options); }; });
}

}  // namespace cli
