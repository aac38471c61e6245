#pragma once
// Where spanfinder search runs the program. Natively a simulated machine, picked
// by --machine, --state, --reset and --language (cli/sim/); on Windows this PC,
// with its own access library, service manager, command interpreter and
// system-information tool (cli/win32/).
#include <memory>
#include <string>

#include "analysis/engine_host.h"
#include "cli/program_run.h"
#include "os/files.h"
#include "resources/messages.h"

namespace CLI {
class App;
}

namespace cli {

class SearchPlace {
 public:
  virtual ~SearchPlace() = default;
  // The board searched for when --board names none.
  virtual analysis::Board defaultBoard() = 0;
  // One Search of the program there; blocks are handed on as the result box gets them.
  virtual ProgramSearchOutcome search(const ProgramSearchRequest& request, const BlockSink& onBlock) = 0;
  // A Windows path of the place as the user names it.
  virtual std::u16string userPath(const std::u16string& windowsPath) = 0;
  // What the Search read its report with: the place's files and language.
  virtual os::Files& files() = 0;
  virtual resources::Language language() = 0;
  // What the HTML page says the Search ran on, and where the board sits on its bus
  // ("bus 3, device 0, function 0"; empty when the place cannot tell).
  virtual std::string name() = 0;
  virtual std::string boardLocation(analysis::Board board) = 0;
};

// The options of the search command that pick the place, and the place they pick.
class SearchPlaceOptions {
 public:
  virtual ~SearchPlaceOptions() = default;
  // The place, or nullptr after one line on stderr saying why it cannot be used.
  virtual std::unique_ptr<SearchPlace> open() const = 0;
};

// What the search command says it does, and what --board's default is, here.
extern const char* const kSearchDescription;
extern const char* const kDefaultBoardHelp;

// Adds the place's options to the search command.
std::shared_ptr<SearchPlaceOptions> addSearchPlaceOptions(CLI::App& command);

}  // namespace cli
