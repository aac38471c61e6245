#pragma once
// A machine described by a profile, run for a person: its drives live in a state
// folder that outlasts the process (so that what one run leaves on drive C, the
// next run finds there, as on a real PC), the folder the program runs in is the
// host's working folder (so that the INI file lands where the person is), and the
// files that ship with the program (Spanfinder64.exe, Cfgprobe64.sys) lie beneath
// that folder without being copied into it. Libraries the machine does not model
// load through the host's loader, so that the real access library runs on it.
// Its controllers' flash chips, device settings and services are kept in the state
// folder too, when a run saves them (saveState).
//
// A state folder carries a marker file, written when the folder is made (or an
// empty one is taken). Nothing is ever deleted from a folder without it, so a
// --state that names the wrong folder, or a file, costs the user nothing.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "sim/machine.h"
#include "sim/profile.h"

namespace sim {

// The Windows folder the program runs in and the host folder holding what ships with it.
inline constexpr std::u16string_view kProgramFolder = u"C:\\Tools";

// The marker file of a state folder.
inline constexpr std::string_view kStateMarkerFile = ".spanfinder-state";

struct HostedMachineSetup {
  std::filesystem::path stateFolder;    // holds the drives (C: is stateFolder/C)
  std::filesystem::path workingFolder;  // the host folder behind kProgramFolder
  bool reset = false;                   // start the state folder again from the profile
  // The folder is the profile's default one, a place of this tool's own: one found
  // there without the marker (made before folders carried it) is taken and marked.
  bool ownPlace = false;
};

class HostedMachine {
 public:
  // Builds the machine; a message naming the state folder when it cannot be made
  // ready, or is a file, or is a folder with other files and no marker (then
  // nothing in it has been touched).
  static std::variant<std::unique_ptr<HostedMachine>, std::string> open(const MachineProfile& profile,
                                                                        const HostedMachineSetup& setup);

  Machine& machine() { return *machine_; }
  const MachineProfile& profile() const { return profile_; }

  // Keeps what the machine holds now beyond its drives (flash chips, SControl
  // registers, device settings, services: machine_state.h) for the next run; a
  // message naming the file when it cannot be written. Call once the machine's
  // threads have ended.
  std::optional<std::string> saveState();

 private:
  HostedMachine(const MachineProfile& profile, const HostedMachineSetup& setup);
  void apply();
  void addControllers();

  MachineProfile profile_;
  HostedMachineSetup setup_;
  std::unique_ptr<Machine> machine_;
};

// The default state folder of a profile: $XDG_STATE_HOME/spanfinder/<id>, else
// ~/.local/state/spanfinder/<id>; nothing when neither variable is set.
std::optional<std::filesystem::path> defaultStateFolder(const std::string& profileId);

// A name for a profile's state folder: an example's own name, or for a file its
// name with a short stable digest of its absolute path (two kb20.json files in
// different folders are two machines).
std::string profileId(const std::filesystem::path& profileFile);

}  // namespace sim
