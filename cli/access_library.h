#pragma once
// The access library as a program uses it: loaded by file name through the
// platform's module loader (never linked), its entries bound by name, then a
// session of it: KX_InitLibrary, a window of this process registered with
// KX_SetWindowMessage for the completion messages of the BIOS operations, a
// controller search, the caller's operation, and KX_ExitLibrary.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "cfgprobe/cfgprobe.h"
#include "os/platform.h"

namespace cli {

// The message number the BIOS operations' completion is posted with (WM_APP + 1).
inline constexpr std::uint32_t kBiosDoneMessage = 0x8001;

struct LibraryEntries {
  int(OS_WINAPI* initLibrary)() = nullptr;
  int(OS_WINAPI* exitLibrary)() = nullptr;
  int(OS_WINAPI* setWindowMessage)(os::Handle, std::uint32_t) = nullptr;
  int(OS_WINAPI* getSiI3132Device)(int*) = nullptr;
  int(OS_WINAPI* getSiI3132Info)(int, SIIDEVICEINFO*) = nullptr;
  int(OS_WINAPI* eraseBiosData)(int) = nullptr;
  int(OS_WINAPI* getBiosData)(int, char*) = nullptr;
  int(OS_WINAPI* setBiosData)(int, char*) = nullptr;
  int(OS_WINAPI* compareBiosData)(int, char*) = nullptr;
  int(OS_WINAPI* getBiosOperationProgress)(KxLong*) = nullptr;
  int(OS_WINAPI* getBiosFileInfo)(const char*, BIOSPROPERTYDATA*) = nullptr;
  int(OS_WINAPI* getBiosInfo)(int, BIOSPROPERTYDATA*) = nullptr;
  int(OS_WINAPI* setSControl)(int, int, int) = nullptr;
  // Optional (a library without it still serves): the Windows error with which the
  // service manager last refused to open, register or start the driver's service.
  int(OS_WINAPI* getDriverServiceError)() = nullptr;
};

// What a service manager error (KX_GetDriverServiceError; 0 for none) means for the
// access driver, with its remedy: one clause, empty when there is nothing to add.
// driverFileHere: whether Cfgprobe64.sys is in the current folder, where the
// library installs it from.
std::string driverServiceCause(std::uint32_t serviceError, bool driverFileHere);

// Whether Cfgprobe64.sys is in the current folder of facilities.
bool driverFileHere(const os::Platform& facilities);

class AccessLibrary {
 public:
  // Loads "Cfgprobe64.Dll" with facilities' loader and binds every entry; nullptr
  // after error is set to one line saying what is missing.
  static std::unique_ptr<AccessLibrary> load(const os::Platform& facilities, std::string& error);
  ~AccessLibrary();
  AccessLibrary(const AccessLibrary&) = delete;
  AccessLibrary& operator=(const AccessLibrary&) = delete;

  const LibraryEntries& kx() const { return entries_; }
  // Any other export by name (a member of CKXACS by its decorated name), or nullptr.
  os::ProcAddress entry(const char* name) const { return facilities_.modules->getProcAddress(module_, name); }

 private:
  AccessLibrary(const os::Platform& facilities, os::Handle module) : facilities_(facilities), module_(module) {}

  const os::Platform& facilities_;
  os::Handle module_;
  LibraryEntries entries_;
};

// Why KX_InitLibrary fails on facilities, in one line: its result and, when it
// can be told, the driver's cause and remedy. The library is loaded by name and
// started once, as the program does (and shut down again when it does start,
// which gives an empty line).
std::string libraryStartFailure(const os::Platform& facilities);

// One session of the library, from KX_InitLibrary to KX_ExitLibrary.
class LibrarySession {
 public:
  // Initialises the library, registers a window for the completion messages and
  // searches for the controllers; nullptr after error is set to one line.
  static std::unique_ptr<LibrarySession> open(const AccessLibrary& library, const os::Platform& facilities,
                                              std::string& error);
  // Waits for a BIOS operation still running to end, then shuts the library down.
  ~LibrarySession();
  LibrarySession(const LibrarySession&) = delete;
  LibrarySession& operator=(const LibrarySession&) = delete;

  const LibraryEntries& kx() const { return kx_; }
  os::Threads& threads() const { return *facilities_.threads; }
  os::Handle window() const { return window_; }
  int controllers() const { return controllers_; }  // found by the search

 private:
  LibrarySession(const LibraryEntries& kx, const os::Platform& facilities) : kx_(kx), facilities_(facilities) {}

  const LibraryEntries& kx_;
  const os::Platform& facilities_;
  os::Handle window_ = nullptr;
  int controllers_ = 0;
  bool up_ = false;
};

}  // namespace cli
