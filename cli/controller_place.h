#pragma once
// Where the controller commands (controllers, bios, link-speed) run the access
// library. Natively a simulated machine, picked by --machine, --state and --reset,
// whose state is kept for the next run (cli/sim/); on Windows this PC (cli/win32/).
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "os/platform.h"

namespace CLI {
class App;
}

namespace cli {

class ControllerPlace {
 public:
  virtual ~ControllerPlace() = default;
  // The facilities the library runs on, installed as the process's platform.
  virtual const os::Platform& facilities() const = 0;
  // A file the user named (UTF-8, as the shell gave it) as the library there opens
  // it; nothing after error is set to one line naming the file.
  virtual std::optional<std::string> libraryPath(const std::string& userPath, std::string& error) const = 0;
  // Once the library has been shut down: waits for the threads it started to have
  // returned, so that it can be unloaded.
  virtual void settle() = 0;
  // Once the library has been unloaded: keeps what the run changed there. An error
  // line naming what could not be kept, or nothing.
  virtual std::optional<std::string> keep() = 0;
};

class ControllerPlaceOptions {
 public:
  virtual ~ControllerPlaceOptions() = default;
  // The place, or nullptr after one line on stderr saying why it cannot be used.
  virtual std::unique_ptr<ControllerPlace> open() const = 0;
  // The options that name the same place on a later command line (a reset never
  // among them), for the commands the tool suggests; none where there is one place.
  virtual std::vector<std::string> placeArguments() const { return {}; }
};

// Adds the place's options to a command.
std::shared_ptr<ControllerPlaceOptions> addControllerPlaceOptions(CLI::App& command);

}  // namespace cli
