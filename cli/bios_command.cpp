// spanfinder bios: the BIOS image in a SiI3132 controller's flash chip, through the
// access library: read it into a file, compare it with one, write one into it,
// erase it, show its version and date, or those of an image file. A write takes
// only an option ROM for this controller unless forced, an erase only when
// confirmed, and both keep the chip's image in a backup file before they touch it.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/bios_backup.h"
#include "cli/bios_progress.h"
#include "cli/command.h"
#include "cli/controller_output.h"
#include "cli/controller_run.h"
#include "cli/host.h"
#include "cli/option_rom.h"
#include "cli/output_place.h"
#include "os/text.h"

namespace cli {
namespace {

namespace fs = std::filesystem;

struct BiosOptions {
  PlaceOptions place;
  int index = 0;
  std::string file;
  bool force = false;
  bool noVerify = false;
  std::string backup;  // --backup FILE; empty: a name of the controller's place and the time
  bool noBackup = false;
  bool yes = false;
};

fs::path hostPath(const std::string& utf8) { return fs::path(os::fromUtf8(utf8)); }

// Why the image file cannot be read, in one line naming it; nothing when it can.
std::optional<std::string> unreadable(const std::string& file) {
  std::error_code ec;
  if (fs::is_directory(hostPath(file), ec)) return file + ": is a folder, not an image file";
  std::ifstream in(hostPath(file), std::ios::binary);
  if (!in) return file + ": cannot be read";
  return std::nullopt;
}

// Starts nothing: waits for the completion of an operation started, and turns its
// outcome into an exit status with a line on failure.
int completed(LibrarySession& session, const char* command, const char* label, int index) {
  const Completion done = waitForCompletion(session, label, outputIsTerminal());
  if (!done.arrived)
    return failWith(kExitFailed, std::string(command) + ": controller " + std::to_string(index) +
                                     ": the library went idle without its completion message");
  if (done.result != 1) return operationFailed(command, index, static_cast<int>(done.result));
  return kExitDone;
}

// file is FILE as the library opens it.
int compare(LibrarySession& session, std::string file, const BiosOptions& o, const char* command,
            const char* label) {
  if (const int started = session.kx().compareBiosData(o.index, file.data()); started != 1)
    return operationFailed(command, o.index, started);
  if (const int status = completed(session, command, label, o.index); status != kExitDone) return status;
  std::printf("controller %d: the chip holds the image of %s\n", o.index, o.file.c_str());
  return kExitDone;
}

// Reads the chip of controller index into target (as the user named it; file as
// the library opens it) through target.part, which takes target's name only once
// all 131072 bytes are in it.
int readChip(LibrarySession& session, std::string file, const std::string& target, int index,
             const char* command) {
  const fs::path targetPath = hostPath(target);
  fs::path temporary = targetPath;
  temporary += ".part";
  file += ".part";
  if (const int started = session.kx().getBiosData(index, file.data()); started != 1)
    return operationFailed(command, index, started);
  std::error_code ec;
  int status = completed(session, command, "reading", index);
  if (status == kExitDone && fs::file_size(temporary, ec) != kChipBytes)
    status = failWith(kExitFailed, target + ": cannot be written whole");
  if (status == kExitDone) fs::rename(temporary, targetPath, ec);
  if (status == kExitDone && ec) status = failWith(kExitFailed, target + ": cannot be written (" + ec.message() + ")");
  if (status != kExitDone) fs::remove(temporary, ec);
  return status;
}

int read(LibrarySession& session, const std::string& file, const BiosOptions& o) {
  if (const int status = readChip(session, file, o.file, o.index, "bios read"); status != kExitDone) return status;
  std::printf("controller %d: the BIOS image (131072 bytes) read into %s\n", o.index, o.file.c_str());
  return kExitDone;
}

// Before a write or an erase: the chip read whole into the backup file, its name
// settled here when the user gave none. Nothing, or the exit status that ends the
// command before the chip is touched.
std::optional<int> keepBackup(ControllerPlace& place, LibrarySession& session, BiosOptions& o,
                              const std::string& command) {
  if (o.noBackup) return std::nullopt;
  if (o.backup.empty()) {
    SIIDEVICEINFO where{};
    if (const int result = session.kx().getSiI3132Info(o.index, &where); result != 1)
      return operationFailed(command, o.index, result);
    o.backup = defaultBackupName(where, std::time(nullptr));
  }
  std::string error;
  const auto file = place.libraryPath(o.backup, error);
  int status = file ? readChip(session, *file, o.backup, o.index, command.c_str()) : failWith(kExitFailed, error);
  if (status != kExitDone)
    return failWith(kExitFailed, command + ": controller " + std::to_string(o.index) + ": no backup of the chip in " +
                                     o.backup + ", so nothing was erased (--no-backup goes on without one)");
  std::printf("controller %d: the chip's image (131072 bytes) kept in %s\n", o.index, o.backup.c_str());
  return std::nullopt;
}

// After a write or an erase that failed once the chip was touched.
int withRestoreHint(int status, const BiosOptions& o) {
  if (status != kExitDone && !o.noBackup)
    std::fprintf(stderr, "spanfinder: the chip's former image is in %s; to write it back: %s\n", o.backup.c_str(),
                 restoreCommand(o.index, o.backup, o.place->placeArguments()).c_str());
  return status;
}

int write(LibrarySession& session, const std::string& file, const BiosOptions& o) {
  if (const int started = session.kx().setBiosData(o.index, std::string(file).data()); started != 1)
    return operationFailed("bios write", o.index, started);
  if (const int status = completed(session, "bios write", "writing", o.index); status != kExitDone) return status;
  std::printf("controller %d: %s written into the chip\n", o.index, o.file.c_str());
  return o.noVerify ? kExitDone : compare(session, file, o, "bios write", "verifying");
}

int erase(LibrarySession& session, const BiosOptions& o) {
  if (const int result = session.kx().eraseBiosData(o.index); result != 1)
    return operationFailed("bios erase", o.index, result);
  std::printf("controller %d: the chip is erased\n", o.index);
  return kExitDone;
}

// The file's first bytes: at most one more than the chip holds.
std::string imageBytes(const std::string& file) {
  std::ifstream in(hostPath(file), std::ios::binary);
  std::string bytes(kChipBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::string notThisControllersBios(const std::string& file, const std::string& problem) {
  return file + ": not a BIOS for the SiI3132 controller: " + problem;
}

int info(LibrarySession& session, const BiosOptions& o) {
  BIOSPROPERTYDATA bios{};
  const int result = session.kx().getBiosInfo(o.index, &bios);
  if (result == -105) return operationFailed("bios info", o.index, result);
  std::printf("controller %d:\n  BIOS:         %s\n  link speed:   port 0 %s, port 1 %s\n  description:  %s\n",
              o.index, biosText(bios, result).c_str(), linkSpeedText(bios.nPort0Speed).c_str(),
              linkSpeedText(bios.nPort1Speed).c_str(), descriptionText(bios).c_str());
  return result == 1 ? kExitDone : operationFailed("bios info", o.index, result);
}

// Needs no machine and no session: the library reads the file before it is initialised.
int fileInfo(const BiosOptions& o) {
  if (const auto problem = unreadable(o.file)) return failWith(kExitUsage, "bios file-info: " + *problem);
  std::string error;
  const os::Platform facilities = host::ownFacilities();
  const auto library = AccessLibrary::load(facilities, error);
  if (!library) return failWith(kExitFailed, error);
  const auto path = host::ownLibraryPath(o.file, error);
  if (!path) return failWith(kExitUsage, "bios file-info: " + error);
  BIOSPROPERTYDATA bios{};
  const int result = library->kx().getBiosFileInfo(path->c_str(), &bios);
  int status = kExitDone;
  if (result == 1)
    std::printf("%s: BIOS %s, %s\n", o.file.c_str(), versionText(bios).c_str(), dateText(bios).c_str());
  else
    status = failWith(kExitFailed, "bios file-info: " + o.file + ": " + resultText(result));
  const std::string bytes = imageBytes(o.file);
  auto problem = optionRomProblem(bytes);
  if (bytes.size() > kChipBytes) problem = "more than the 131072 bytes of the flash chip";
  if (problem) return failWith(kExitFailed, "bios file-info: " + notThisControllersBios(o.file, *problem));
  std::printf("%s: a BIOS for the SiI3132 controller\n", o.file.c_str());
  return status;
}

// Checks made before the library is started, so that a mistyped name or a file
// that must not be replaced costs nothing (and a write never erases the chip for
// a file it cannot read, or one that is not a BIOS for the controller unless forced).
std::optional<int> refused(const std::string& operation, const BiosOptions& o) {
  const std::string command = "bios " + operation;
  std::error_code ec;
  std::optional<std::string> forced;  // the rule a forced write's file breaks
  if (operation == "read") {
    if (fs::is_directory(hostPath(o.file), ec)) return failWith(kExitUsage, command + ": " + o.file + ": is a folder");
    if (const auto problem = outputFileProblem(command + ": " + o.file, o.file)) return failWith(kExitUsage, *problem);
    if (fs::exists(hostPath(o.file), ec) && !o.force)
      return failWith(kExitUsage, command + ": " + o.file + ": exists already; --force replaces it");
  }
  if (operation == "compare" || operation == "write")
    if (const auto problem = unreadable(o.file)) return failWith(kExitUsage, command + ": " + *problem);
  if (operation == "write") {
    const std::uintmax_t size = fs::file_size(hostPath(o.file), ec);
    if (!ec && size > kChipBytes)
      return failWith(kExitUsage, command + ": " + o.file + ": " + std::to_string(size) +
                                      " bytes, more than the 131072 of the flash chip");
    forced = optionRomProblem(imageBytes(o.file));
    if (forced && !o.force)
      return failWith(kExitUsage, command + ": " + notThisControllersBios(o.file, *forced) +
                                      "; nothing written (--force writes it anyway)");
  }
  if (operation == "erase" && !o.yes)
    return failWith(kExitUsage, command + ": controller " + std::to_string(o.index) +
                                    ": erasing sets all 131072 bytes of its flash chip to 0xFF, destroying the BIOS "
                                    "it holds, and the controller has no boot ROM until one is written; --yes "
                                    "erases it (keeping a backup first unless --no-backup)");
  if (!o.backup.empty() && (fs::exists(hostPath(o.backup), ec) || ec))
    return failWith(kExitUsage, command + ": " + o.backup + ": exists already; a backup never replaces a file");
  if (forced)
    std::fprintf(stderr, "spanfinder: %s: %s; written anyway, as --force asks\n", command.c_str(),
                 notThisControllersBios(o.file, *forced).c_str());
  return std::nullopt;
}

void addOperation(CLI::App& bios, Dispatch& dispatch, const std::string& name, const std::string& description,
                  bool withFile) {
  auto o = std::make_shared<BiosOptions>();
  CLI::App* sub = bios.add_subcommand(name, description);
  if (name != "file-info") {
    o->place = addControllerPlaceOptions(*sub);
    sub->add_option("INDEX", o->index, "The controller's index (spanfinder controllers lists them)")
        ->required()
        ->check(CLI::Range(1, kDeviceTableSize));
  }
  if (withFile) sub->add_option("FILE", o->file, "The image file")->required();
  if (name == "read") sub->add_flag("--force", o->force, "Replace FILE when it exists");
  if (name == "write") {
    sub->add_flag("--force", o->force, "Write FILE even when it is not a BIOS for the SiI3132 controller");
    sub->add_flag("--no-verify", o->noVerify, "Do not compare the chip with FILE afterwards");
  }
  if (name == "erase") sub->add_flag("--yes", o->yes, "Erase the chip: without it, erase says what it would destroy");
  if (name == "write" || name == "erase") {
    CLI::Option* backup = sub->add_option(
        "--backup", o->backup,
        "The file the chip is read into before it is touched (never one that exists); by default "
        "controller-B-D-F-YYYYMMDD-HHMMSS.bin in the current folder");
    sub->add_flag("--no-backup", o->noBackup, "Keep no backup of the chip")->excludes(backup);
  }
  sub->callback([&dispatch, o, name] {
    dispatch.run = [o, name]() -> int {
      if (const auto status = refused(name, *o)) return *status;
      if (name == "file-info") return fileInfo(*o);
      // FILE as the library opens it, settled before the library starts: a name the
      // library cannot take is refused without starting the access driver.
      std::string file;
      const auto nameFile = [&](ControllerPlace& place) -> std::optional<int> {
        std::string error;
        if (!o->backup.empty() && !place.libraryPath(o->backup, error)) return failWith(kExitUsage, error);
        if (o->file.empty()) return std::nullopt;
        const auto path = place.libraryPath(o->file, error);
        if (!path) return failWith(kExitUsage, error);
        file = *path;
        return std::nullopt;
      };
      const auto operation = [&](ControllerPlace& place, LibrarySession& session) {
        if (name == "read") return read(session, file, *o);
        if (name == "compare") return compare(session, file, *o, "bios compare", "comparing");
        if (name == "write" || name == "erase") {
          if (const auto status = keepBackup(place, session, *o, "bios " + name)) return *status;
          return withRestoreHint(name == "write" ? write(session, file, *o) : erase(session, *o), *o);
        }
        return info(session, *o);
      };
      return runWithLibrary(*o->place, operation, nameFile);
    };
  });
}

}  // namespace

void addBiosCommand(CLI::App& app, Dispatch& dispatch) {
  CLI::App* bios = app.add_subcommand("bios", "The BIOS image in a SiI3132 controller's flash chip (128 KiB).");
  bios->require_subcommand(1, 1);
  addOperation(*bios, dispatch, "read", "Read the chip into FILE (--force replaces a file that exists)", true);
  addOperation(*bios, dispatch, "compare", "Compare the chip with FILE", true);
  addOperation(*bios, dispatch, "write",
               "Keep a backup of the chip, erase it and write FILE, an option ROM for the SiI3132 controller, into "
               "it, then compare it with FILE unless --no-verify",
               true);
  addOperation(*bios, dispatch, "erase", "Keep a backup of the chip, then erase it (every byte 0xFF); needs --yes",
               false);
  addOperation(*bios, dispatch, "info", "The BIOS version and date in the chip, with the ports' link speed", false);
  addOperation(*bios, dispatch, "file-info",
               "The BIOS version and date an image file carries, and whether it is a BIOS for the SiI3132 "
               "controller (needs no machine)",
               true);
}

}  // namespace cli
