#pragma once
// Where a machine comes from when a person names it: a profile file, the name of
// one of the example machines the tool carries, or nothing for the demo machine.
#include <filesystem>
#include <string>
#include <variant>

#include "sim/profile.h"

namespace sim {

inline constexpr std::string_view kDemoMachine = "demo";

struct NamedProfile {
  MachineProfile profile;
  std::string id;    // names its default state folder
  std::string name;  // as messages name it: the file's path or the example's name
};

// machine: a path to a .json file, an example's name, or empty for the demo. An
// error is one line naming the file (or name) and, for a profile that is not
// valid, the key path and what is wrong with it.
std::variant<NamedProfile, std::string> loadProfile(const std::string& machine);

}  // namespace sim
