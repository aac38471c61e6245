// spanfinder search on Windows: the program on this PC. Only the window system is
// the headless one (the dialog is driven, not shown); the library, the service
// manager, the command interpreter, msinfo32 and the files are the PC's own.
#include "app/library_entries.h"
#include "app/texts.h"
#include "cli/access_library.h"
#include "cli/search_place.h"
#include "os/platform.h"
#include "os/win32/adapters.h"

namespace cli {
namespace {

// Why the program's library did not load, when loading it is what failed; empty
// when it loads and has its entry (then its initialisation failed: why is asked
// of the library itself).
std::string whyNoLibrary(const os::Platform& pc) {
  const std::string name = "Cfgprobe64.Dll";
  const os::Handle library = pc.modules->loadLibrary(app::kLibraryFile);
  if (!library) {
    const std::uint32_t error = os::lastError();
    if (error == os::kErrorModNotFound)
      return name + " was not found beside spanfinder.exe or on the search path (Windows error 126)";
    if (error == 193) return name + " is not a 64-bit Windows library (Windows error 193)";
    return name + ": Windows error " + std::to_string(error);
  }
  const bool hasEntry = pc.modules->getProcAddress(library, app::kInitLibraryEntry) != nullptr;
  pc.modules->freeLibrary(library);
  return hasEntry ? std::string() : name + " has no entry " + app::kInitLibraryEntry;
}

class ThisPc final : public SearchPlace {
 public:
  // The button the dialog starts with.
  analysis::Board defaultBoard() override { return analysis::Board::KA10; }

  ProgramSearchOutcome search(const ProgramSearchRequest& request, const BlockSink& onBlock) override {
    // The program's dialogs and message boxes are driven unseen: no window on the
    // user's screen, none in the taskbar, none taking the focus.
    os::Platform pc = os::platform();
    pc.windows = &os::win32::unseenWindows();
    ProgramSearchOutcome result = runProgramSearch(pc, request, onBlock);
    if (!result.libraryUp && !result.anotherCopyRan) {
      const std::string why = whyNoLibrary(pc);
      result.libraryFailure = why.empty() ? libraryStartFailure(pc) : "the access library did not load: " + why;
    }
    return result;
  }

  std::u16string userPath(const std::u16string& windowsPath) override { return windowsPath; }
  os::Files& files() override { return *os::platform().files; }
  resources::Language language() override { return app::uiLanguage(os::platform()); }
  std::string name() override { return "this PC"; }
  std::string boardLocation(analysis::Board) override { return {}; }  // the library keeps it to itself
};

class ThisPcOptions final : public SearchPlaceOptions {
 public:
  std::unique_ptr<SearchPlace> open() const override { return std::make_unique<ThisPc>(); }
};

}  // namespace

const char* const kSearchDescription =
    "Run the program's Search on this PC: find the board on the PCI bus through Cfgprobe64.Dll, have "
    "msinfo32 write its report, list the free blocks and write the board's INI file into the current "
    "directory. Run it as administrator, in the folder that holds the access driver Cfgprobe64.sys.";
const char* const kDefaultBoardHelp = "default: KA10, the button the dialog starts with";

std::shared_ptr<SearchPlaceOptions> addSearchPlaceOptions(CLI::App&) { return std::make_shared<ThisPcOptions>(); }

}  // namespace cli
