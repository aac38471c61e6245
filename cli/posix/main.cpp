// The tool's entry natively: the host's arguments are UTF-8 already.
#include "cli/tool.h"

int main(int argc, char** argv) { return cli::runTool(argc, argv); }
