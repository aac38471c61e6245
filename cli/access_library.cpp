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

constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorInvalidImageHash = 577;
constexpr std::uint32_t kErrorDriverBlocked = 1275;

// "the access library did not start: KX_InitLibrary returned N (...)[; cause]".
std::string initFailureText(const LibraryEntries& kx, int result, const os::Platform& facilities) {
  std::string text = "the access library did not start: KX_InitLibrary returned " + std::to_string(result) +
                     " (its access driver Cfgprobe64.sys could not be installed or started)";
  const std::uint32_t error = kx.getDriverServiceError ? static_cast<std::uint32_t>(kx.getDriverServiceError()) : 0;
  if (const std::string cause = driverServiceCause(error, driverFileHere(facilities)); !cause.empty())
    text += ": " + cause;
  return text;
}

}  // namespace

std::string driverServiceCause(std::uint32_t error, bool fileHere) {
  const std::string code = " (error " + std::to_string(error) + ")";
  if (error == kErrorAccessDenied)
    return "the service manager refused access" + code +
           ": not run as administrator; run it from a command prompt opened as administrator";
  if (error == os::kErrorFileNotFound || error == kErrorPathNotFound || !fileHere)
    return "Cfgprobe64.sys is not in the current folder" + (error ? code : std::string()) +
           ": put Cfgprobe64.sys beside Spanfinder64.exe and Cfgprobe64.dll in the current folder and run from there";
  if (error == kErrorInvalidImageHash)
    return "Windows refused the driver's signature" + code +
           ": it loads only with test-signing on (and memory integrity off) or with a trusted signature; see "
           "INSTALL.txt";
  if (error == kErrorDriverBlocked)
    return "Windows blocked the driver by policy" + code + ": a driver block list or policy forbids it here";
  if (error != 0) return "the service manager's error " + std::to_string(error);
  return {};
}

bool driverFileHere(const os::Platform& facilities) {
  char16_t folder[os::kMaxPath] = {};
  const std::uint32_t length = facilities.system->getCurrentDirectory(os::kMaxPath, folder);
  if (length == 0 || length >= os::kMaxPath) return true;  // cannot tell: no cause claimed
  std::u16string path(folder, length);
  if (path.back() != u'\\') path += u'\\';
  path += u"Cfgprobe64.sys";
  const os::Handle file = facilities.files->createFile(path, 0, os::kFileShareRead, os::kOpenExisting);
  if (!os::isValid(file)) return os::lastError() != os::kErrorFileNotFound && os::lastError() != kErrorPathNotFound;
  facilities.files->closeFile(file);
  return true;
}

std::string libraryStartFailure(const os::Platform& facilities) {
  std::string error;
  const auto library = AccessLibrary::load(facilities, error);
  if (!library) return error;
  const int up = library->kx().initLibrary();
  if (up == 1) {
    library->kx().exitLibrary();
    return {};
  }
  return initFailureText(library->kx(), up, facilities);
}

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
  std::string optional;
  bind(facilities, module, "KX_GetDriverServiceError", e.getDriverServiceError, optional);
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
    error = initFailureText(kx, up, facilities);
    return nullptr;
  }
  session->up_ = true;
  // The calling thread's message window: the worker's completion message is
  // posted there, and this thread is the one that waits for it.
  session->window_ = facilities.threads->messageWindow();
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
}

}  // namespace cli
