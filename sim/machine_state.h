#pragma once
// What a machine keeps from one run to the next beyond its drives, as a PC keeps it
// across programs: the contents of its controllers' flash chips and their SControl
// registers, the device settings Windows keeps in its registry (descriptions, lower
// filters, hardware and driver key values) and the service database. They are
// saved in one JSON file of the state folder, written whole to a file beside it
// that then takes its name, so that a run that ends half-way never leaves half a
// state behind.
#include <filesystem>
#include <optional>
#include <string>

namespace sim {

class Machine;

inline constexpr std::string_view kMachineStateFile = "machine-state.json";

// Applies a saved state to a machine built from its profile: the flash and SControl
// of each controller still at the same place, the settings of each device node
// still there, and every service. Nothing when file does not exist; a message
// naming the file when it cannot be read or is not a state this tool wrote (the
// machine is then left as its profile made it).
std::optional<std::string> loadMachineState(Machine& machine, const std::filesystem::path& file);

// Saves the machine's state; a message naming the file when it cannot be written
// (the file then holds the state saved before, if any).
std::optional<std::string> saveMachineState(Machine& machine, const std::filesystem::path& file);

}  // namespace sim
