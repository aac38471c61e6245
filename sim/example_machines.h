#pragma once
// The example machines the tool carries: every profile of examples/, embedded in
// the binary at build time, so that they (and the demo machine among them) run
// without any file beside the tool.
#include <span>
#include <string_view>

namespace sim {

struct ExampleMachine {
  std::string_view name;  // the profile's file name without ".json", e.g. "demo"
  std::string_view json;  // the profile's text
};

// Sorted by name.
std::span<const ExampleMachine> exampleMachines();
// The example of that name, or nullptr.
const ExampleMachine* findExampleMachine(std::string_view name);

}  // namespace sim
