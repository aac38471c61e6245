#pragma once
// The program itself, used as a person uses it, on the headless window system: the
// application starts, its main dialog comes up and loads the access library by
// name, the board's radio button is checked and the size typed into the Space
// Size box, Search is pressed, every message box is read and answered with OK,
// and the dialog is closed, which shuts the library down. What the dialog showed
// comes back in the analyze command's terms.
#include <string>

#include "cli/analysis_run.h"
#include "os/platform.h"

namespace cli {

struct ProgramSearchRequest {
  analysis::Board board = analysis::Board::KB20;
  std::u16string sizeText = u"600000";  // typed into the Space Size box
};

struct ProgramSearchOutcome {
  AnalysisOutcome analysis;       // windows, INI file and messages as the dialog showed them
  BoardReading board;             // what the Search read of the board
  std::optional<std::uint32_t> baseRegister;  // the board's base register as read
  bool libraryUp = false;         // the dialog came up with its library
  bool anotherCopyRan = false;    // the program ended at once: a copy of it runs on this logon
  std::string libraryFailure;     // why the library did not come up (one line), when the place can tell
  std::u16string reportPath;      // the report on the machine, once the Search asked for one
};

// Runs one Search of the program on facilities, the process's installed platform
// (a simulated machine's, or this PC's own): its dialogs and message boxes live
// on their desktop, and its texts are in their user-interface language. Blocks
// are handed on as the result box gets them.
ProgramSearchOutcome runProgramSearch(const os::Platform& facilities, const ProgramSearchRequest& request,
                                      const BlockSink& onBlock);

}  // namespace cli
