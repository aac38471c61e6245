#pragma once
// The controllers and driver files of a profile, read as the rest of it is
// (profile_json.h): every fault throws with its key path.
#include <vector>

#include "sim/profile.h"
#include "sim/profile_json.h"

namespace sim::profile_json {

// The "controllers" list. pci: the functions already read, whose places a
// controller must not take.
std::vector<ControllerProfile> readControllers(const Value& value, const std::vector<PciFunctionProfile>& pci);

// windows.driverFiles: plain file names.
std::vector<std::string> readDriverFiles(const Value& value);

}  // namespace sim::profile_json
