#include "cli/access_library.h"

#include <chrono>

#include "app/library_entries.h"

namespace cli {
namespace {

template <typename Entry>
bool bind(const os::Platform& facilities, os::Handle module, const char* name, Entry& entry, std::string& missing) {
  entry = reinterpret_cast<Entry>(facilities.modules->getProcAddress(module, name));
  if (!entry && missing.empty()) missing = name;
  return entry != nullptr;
}

}  // namespace

std::unique_ptr<AccessLibrary> AccessLibrary::load(const os::Platform& facilities, std::string& error) {
  const os::Handle module = facilities.modules->loadLibrary(app::kLibraryFile);
  if (!module) {
    error = "the access library Cfgprobe64.Dll cannot be loaded (error " + std::to_string(os::lastError()) + ")";
    return nullptr;
  }
  std::unique_ptr<AccessLibrary> library(new AccessLibrary(facilities, module));
  LibraryEntries& e = library->entries_;
  std::string missing;
  bind(facilities, module, "KX_InitLibrary", e.initLibrary, missing);
  bind(facilities, module, "KX_ExitLibrary", e.exitLibrary, missing);
  bind(facilities, module, "KX_SetWindowMessage", e.setWindowMessage, missing);
  bind(facilities, module, "KX_GetSiI3132Device", e.getSiI3132Device, missing);
  bind(facilities, module, "KX_GetSiI3132Info", e.getSiI3132Info, missing);
  bind(facilities, module, "KX_EraseBiosData", e.eraseBiosData, missing);
  bind(facilities, module, "KX_GetBiosData", e.getBiosData, missing);
  bind(facilities, module, "KX_SetBiosData", e.setBiosData, missing);
  bind(facilities, module, "KX_CompareBiosData", e.compareBiosData, missing);
  bind(facilities, module, "KX_GetBiosOperationProgress", e.getBiosOperationProgress, missing);
  bind(facilities, module, "KX_GetBiosFileInfo", e.getBiosFileInfo, missing);
  bind(facilities, module, "KX_GetBiosInfo", e.getBiosInfo, missing);
  bind(facilities, module, "KX_SetSControl", e.setSControl, missing);
  if (!missing.empty()) {
    error = "the access library Cfgprobe64.Dll has no entry " + missing;
    return nullptr;
  }
  return library;
}

AccessLibrary::~AccessLibrary() { facilities_.modules->freeLibrary(module_); }

std::unique_ptr<LibrarySession> LibrarySession::open(const AccessLibrary& library, const os::Platform& facilities,
                                                     std::string& error) {
  std::unique_ptr<LibrarySession> session(new LibrarySession(library.kx(), facilities));
  const LibraryEntries& kx = library.kx();
  if (const int up = kx.initLibrary(); up != 1) {
    error = "the access library did not start: KX_InitLibrary returned " + std::to_string(up) +
            " (its access driver Cfgprobe64.sys could not be installed or started)";
    return nullptr;
  }
  session->up_ = true;
  session->window_ = facilities.windows->createWindow(nullptr, u"spanfinder");
  if (!session->window_ || kx.setWindowMessage(session->window_, kBiosDoneMessage) != 1) {
    error = "no window for the library's completion messages (error " + std::to_string(os::lastError()) + ")";
    return nullptr;
  }
  int count = 0;
  const int found = kx.getSiI3132Device(&count);
  if (found != 1 && found != -100) {
    error = "the controller search failed with " + std::to_string(found);
    return nullptr;
  }
  session->controllers_ = found == 1 ? count : 0;
  return session;
}

LibrarySession::~LibrarySession() {
  if (!up_) return;
  // The worker of an operation posts its message before it sets the library idle
  // again, and the library refuses to shut down while it is busy.
  // Waiting for a message that is not coming is the portable short sleep here.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  KxLong status = 0;
  os::PostedMessage ignored;
  while (kx_.getBiosOperationProgress(&status), status != kStatusIdle && std::chrono::steady_clock::now() < until)
    facilities_.threads->waitForMessage(window_, 1, &ignored);
  kx_.exitLibrary();
  if (window_) facilities_.windows->destroyWindow(window_);
}

}  // namespace cli
