#include "os/processes.h"

namespace os {

int Processes::runThroughInterpreter(std::u16string_view) {
  setLastError(kErrorFileNotFound);
  return kInterpreterNotStarted;
}

}  // namespace os
