#pragma once
// A controller command's run of the access library on its place: load it by name,
// start a session (KX_InitLibrary, the completion window, the controller search),
// hand it to the operation, shut it down and unload it, then keep what the run
// changed. Also the failure lines the commands share.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "cli/access_library.h"
#include "cli/controller_place.h"

namespace cli {

// The options that pick the place, and the place they pick.
using PlaceOptions = std::shared_ptr<ControllerPlaceOptions>;

// Checks made on the place before the library is loaded: an exit status ends the
// run there, before the access driver is started.
using PlaceCheck = std::function<std::optional<int>(ControllerPlace&)>;

// The operation's exit status, or 2 when the place cannot be used and 1 when the
// library cannot be loaded or started, or what the run changed cannot be kept.
int runWithLibrary(const ControllerPlaceOptions& options,
                   const std::function<int(ControllerPlace&, LibrarySession&)>& operation,
                   const PlaceCheck& check = {});

// "spanfinder: COMMAND: controller INDEX: CODE (meaning)" on stderr; returns 1.
int operationFailed(const std::string& command, int index, int code);
// "spanfinder: TEXT" on stderr; returns status.
int failWith(int status, const std::string& text);

// Whether standard output is a terminal, for the progress bar.
bool outputIsTerminal();

}  // namespace cli
