// The controller commands on Windows: the access library on this PC, with its own
// files, service manager and device setup. Nothing is kept apart: the PC keeps it.
#include "cli/controller_place.h"

#include "cli/host.h"

namespace cli {
namespace {

class ThisPc final : public ControllerPlace {
 public:
  const os::Platform& facilities() const override { return os::platform(); }
  std::optional<std::string> libraryPath(const std::string& userPath, std::string& error) const override {
    return host::ownLibraryPath(userPath, error);
  }
  void settle() override {}
  std::optional<std::string> keep() override { return std::nullopt; }
};

class ThisPcOptions final : public ControllerPlaceOptions {
 public:
  std::unique_ptr<ControllerPlace> open() const override { return std::make_unique<ThisPc>(); }
};

}  // namespace

std::shared_ptr<ControllerPlaceOptions> addControllerPlaceOptions(CLI::App&) {
  return std::make_shared<ThisPcOptions>();
}

}  // namespace cli
