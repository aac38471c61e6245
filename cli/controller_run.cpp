#include "cli/controller_run.h"

#include <cstdio>

#include "cli/command.h"
#include "cli/controller_output.h"
#include "cli/host.h"

namespace cli {

int failWith(int status, const std::string& text) {
  std::fprintf(stderr, "spanfinder: %s\n", text.c_str());
  return status;
}

int operationFailed(const std::string& command, int index, int code) {
  std::string hint;
  if (code == -105) hint = "; spanfinder controllers lists them";
  return failWith(kExitFailed, command + ": controller " + std::to_string(index) + ": " + resultText(code) + hint);
}

bool outputIsTerminal() { return host::standardOutputIsTerminal(); }

int runWithLibrary(const ControllerPlaceOptions& options,
                   const std::function<int(ControllerPlace&, LibrarySession&)>& operation, const PlaceCheck& check) {
  const std::unique_ptr<ControllerPlace> place = options.open();
  if (!place) return kExitUsage;
  if (check)
    if (const auto status = check(*place)) return *status;
  int status = kExitFailed;
  {
    std::string error;
    auto library = AccessLibrary::load(place->facilities(), error);
    if (!library) return failWith(kExitFailed, error);
    {
      auto session = LibrarySession::open(*library, place->facilities(), error);
      if (session)
        status = operation(*place, *session);
      else
        failWith(kExitFailed, error);
    }
    place->settle();
  }
  if (const auto problem = place->keep()) {
    failWith(kExitFailed, *problem);
    if (status == kExitDone) status = kExitFailed;
  }
  return status;
}

}  // namespace cli
