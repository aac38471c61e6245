// The controller commands on Windows: the access library on this PC, with its own
// files, service manager and device setup. Nothing is kept apart: the PC keeps it.
#include "cli/controller_place.h"

#include "os/text.h"
#include "os/win32/ansi_text.h"

namespace cli {
namespace {

class ThisPc final : public ControllerPlace {
 public:
  const os::Platform& facilities() const override { return os::platform(); }
  // The library takes its file names in the ANSI code page; the tool has them in UTF-8.
  std::optional<std::string> libraryPath(const std::string& userPath, std::string& error) const override {
    std::string ansi;
    if (os::win32::toAnsiCodePage(os::fromUtf8(userPath), ansi)) return ansi;
    error = userPath + ": the access library cannot open a file of this name (a character outside the system's "
                       "code page); rename the file or choose another folder";
    return std::nullopt;
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
