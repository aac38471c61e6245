#pragma once
// Child processes run through the command interpreter, shaped after _wsystem: the
// interpreter named by the environment variable COMSPEC, or "cmd.exe" when COMSPEC
// is unset or names a program that is missing or cannot be run, is started with
// "/c" and the command line, and the call waits for it to end.
// @note On Windows that cmd.exe is the one in the system folder (never one found by
// searching the program's or the current folder), and the interpreter runs without
// a console window.
// The base class is the "facility absent" back end: no interpreter starts.
// Threads: only the program's own thread calls it, never a BIOS worker thread.
#include <string_view>

#include "os/types.h"

namespace os {

// What runThroughInterpreter returns when no interpreter could be started.
constexpr int kInterpreterNotStarted = -1;

class Processes {
 public:
  virtual ~Processes() = default;

  // Runs "<interpreter> /c <commandLine>" and waits for it to end. Returns the
  // interpreter's exit status (the command's own status when it ran, 1 when the
  // interpreter could not find the command), or kInterpreterNotStarted with
  // lastError() kErrorFileNotFound when no interpreter could be started.
  virtual int runThroughInterpreter(std::u16string_view commandLine);
};

}  // namespace os
