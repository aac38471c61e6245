#include "sim/example_machines.h"

#include <algorithm>

namespace sim {

const ExampleMachine* findExampleMachine(std::string_view name) {
  const auto examples = exampleMachines();
  const auto it = std::lower_bound(examples.begin(), examples.end(), name,
                                   [](const ExampleMachine& e, std::string_view n) { return e.name < n; });
  return it != examples.end() && it->name == name ? &*it : nullptr;
}

}  // namespace sim
