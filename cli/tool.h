#pragma once
// The tool itself, entered from the build's own main (cli/posix/main.cpp,
// cli/win32/main.cpp).

namespace cli {

// Parses the command line (arguments in UTF-8, argv[0] the tool) and runs the
// command it names; returns the exit status.
int runTool(int argc, char** argv);

}  // namespace cli
