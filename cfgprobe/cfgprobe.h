#pragma once
// Cfgprobe64, the hardware access library: the one library object CKXACS and the
// plain KX_ exports that work through it. Callers load the library by file name and
// bind the exports by name; everything that crosses is a plain integer, a pointer
// to one, or one of the records below.
//
// Results: 1 on success, 0 or a negative code (cfgprobe/result_codes.h) on
// failure; each export lists its own below, in the order it tests for them. Three
// exports return a value instead: KX_GetLastError, KX_GetDriverServiceError and
// KX_GetBiosOperationProgress. An output is written only as its export's list says;
// a failure leaves every output as it was unless the list says otherwise. Exports
// other than KX_InitLibrary, KX_GetLastError, KX_GetDriverServiceError,
// KX_SetWindowMessage, KX_GetBiosOperationProgress and KX_GetBiosFileInfo need the
// library to be initialised; before KX_InitLibrary and after KX_ExitLibrary they
// return their failure value and touch nothing.
//
// The controller exports take a 1-based index into the table a search fills. Every
// record is free until a search has recorded a controller in it: an index that
// names a free record is refused with -105 and nothing is sent to the driver.
// A controller whose BAR0 or BAR2 is a 64-bit BAR placing its register window
// above 4 GB cannot be reached through the driver's 32-bit addresses: a search
// lists it with flash identifier 0xFFFF and sends nothing to its windows, and its
// BIOS operations, KX_GetBiosInfo and KX_SetSControl refuse with -21.
// KX_SetSControl returns -162 when a matching device's hardware key cannot be
// opened, and then changes nothing on that device.
//
// Read, compare and write of a controller's BIOS image run on a worker thread of
// their own and end with one message posted to the window KX_SetWindowMessage
// registered (wParam: the status, lParam: the result). While one runs, or while a
// controller search runs, CurrentStatus is not 0 and the other BIOS operations,
// the searches, KX_GetBiosInfo and KX_ExitLibrary refuse with -101.
#include <cstdint>

#include "cfgprobe/export.h"
#include "os/types.h"

constexpr int kDeviceTableSize = 16;
constexpr int kPathBufferSize = 260;
constexpr int kDescriptionSize = 64;

// One controller found by a search; all bytes 0xFF is a free record.
struct DEVICEENTRY {
  std::uint8_t bBus;
  std::uint8_t bDevice;
  std::uint8_t bFunction;
  std::uint16_t wFlashID;
  std::int32_t nSControlPort0;
  std::int32_t nSControlPort1;
  char szDescription[kDescriptionSize];
};
static_assert(sizeof(DEVICEENTRY) == 80);

struct SIIDEVICEINFO {
  std::uint8_t bBus;
  std::uint8_t bDevice;
  std::uint8_t bFunction;
  std::uint16_t wFlashID;
};
static_assert(sizeof(SIIDEVICEINFO) == 6);

struct BIOSPROPERTYDATA {
  std::int32_t nMajorVersion;
  std::int32_t nMinorVersion;
  std::int32_t nRevision;
  std::int32_t nYear;
  std::int32_t nMonth;
  std::int32_t nDay;
  std::int32_t nPort0Speed;
  std::int32_t nPort1Speed;
  char szDescription[kDescriptionSize];
};
static_assert(sizeof(BIOSPROPERTYDATA) == 96);

// CurrentStatus values.
constexpr KxLong kStatusIdle = 0;
constexpr KxLong kStatusWritingBios = 1;
constexpr KxLong kStatusReadingBios = 2;
constexpr KxLong kStatusComparingBios = 3;
constexpr KxLong kStatusSearching = 4;

namespace cfgprobe {
class ControllerPort;
}

class KX_EXPORT CKXACS {
  // Reaches a controller's registers through the access methods below.
  friend class cfgprobe::ControllerPort;

 public:
  CKXACS();
  ~CKXACS();
  CKXACS& operator=(const CKXACS& other);

  // What the library is busy with (kStatus...). Read and written only through
  // std::atomic_ref, so that a worker thread may clear it while another reads it.
  static KxLong CurrentStatus;
  static char szFileNameToReadBios[kPathBufferSize];
  static char szFileNameToSaveBios[kPathBufferSize];

  // The open access driver device, or null.
  os::Handle hKXDriver;
  // Path handed to the stop-and-remove call at exit; never read by it.
  char szKXDriverPath[kPathBufferSize];

  // Driver service.
  os::Handle LoadKXDriver(char* path);
  int ManageKXDriver(char* serviceName, char* driverPath, int action);
  bool GetSysPath(char* buffer);
  int Is64Win(int* result);

  // Port and PCI configuration access.
  KxULong dwReadPort(os::Handle device, unsigned short port);
  int SearchPCIConfig(KxLong identity, KxLong subsystem, unsigned short unused);
  int GetPCIConfig(KxLong identity, KxLong match, KxLong offset, KxULong* value);

  // Controller operations.
  KxLong AddTAVSCNTLService();
  int ChipErase(os::Handle device, std::uint8_t bus, std::uint8_t dev, std::uint8_t function);
  KxLong ReadBios(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* fileName);
  KxLong CompareBiosData(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* fileName);
  int WriteBios(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* fileName);
  KxLong ReadBiosProperty(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, BIOSPROPERTYDATA* data);
  int GetSControl(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, KxLong* port0, KxLong* port1);
  KxLong SetDeviceParameters(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, KxLong port0,
                             KxLong port1);

 protected:
  int InstallService(os::Handle manager, const char* serviceName, const char* driverPath);
  bool StartKXDriver(os::Handle manager, const char* serviceName);
  bool StopKXDriver(os::Handle manager, const char* serviceName);
  bool RemoveKXDriver(os::Handle manager, const char* serviceName);

  KxULong ReadMem(os::Handle device, KxULong address);
  KxULong dwReadMem(os::Handle device, KxULong address);
  KxULong dwWritePort(os::Handle device, unsigned short port, KxULong value);

  int GetDeviceDescription(std::uint8_t bus, std::uint8_t dev, std::uint8_t function, char* description);

 private:
  int bWriteMem(os::Handle device, KxULong address, unsigned short value);
  int dwWriteMem(os::Handle device, KxULong address, KxULong value);
  KxLong GetFlashID(os::Handle device, std::uint8_t bus, std::uint8_t dev, std::uint8_t function);
};

extern "C" {

KX_EXPORT extern int nKXACS;  // not used by the library
// Returns 42; nothing calls it.
KX_EXPORT int OS_WINAPI fnKXACS();

// Creates the library object, installs and starts the access driver's service
// ("Cfgprobe64", from Cfgprobe64.sys in the current directory; an earlier
// registration that does not start is removed and made again once) and opens its
// device. Returns:
//   1    the device is open (also at once when an earlier start left it open)
//   -1   no memory for the library object
//   -3   the service failed to start with ERROR_BAD_DRIVER (no retry); or the
//        device does not open for another reason than its absence
//   -6   the same ERROR_BAD_DRIVER in a WOW64 process
//   -2   the device does not exist (the driver does not run)
// -2, -3 and -6 stay in LastError, as does 1 when the device opens. The object
// stays after every failure but -1, so that a later KX_InitLibrary tries again.
KX_EXPORT int OS_WINAPI KX_InitLibrary();
// Closes the device, stops and deletes the driver's service and destroys the
// library object. Returns:
//   1    done (also when the service could not be stopped or deleted)
//   0    not initialised
//   -101 a search or BIOS operation runs: nothing changes, the device stays open
//   -4   the service manager does not open: the device is closed, the object stays
//        and a later KX_ExitLibrary tries again
KX_EXPORT int OS_WINAPI KX_ExitLibrary();
// LastError: the last code of the driver's start-up (1, -2, -3, -6) or of a BIOS
// operation (-150 when its worker did not start; else the worker's result, 1 while
// it runs). Reading it does not clear it.
KX_EXPORT int OS_WINAPI KX_GetLastError();
// The Windows error code with which the service manager last refused to open,
// register or start the access driver's service during KX_InitLibrary (5,
// ERROR_ACCESS_DENIED, when the process is not an administrator; 577,
// ERROR_INVALID_IMAGE_HASH, for a driver that is not signed or that memory
// integrity refuses; 1275, ERROR_DRIVER_BLOCKED; ...), 0 when none. Each
// KX_InitLibrary starts again from 0; the value stays after it returns, so that
// a caller can say why a start that returned -2 or -3 failed.
KX_EXPORT int OS_WINAPI KX_GetDriverServiceError();
// Registers the window and message the BIOS workers post their completion to.
// Returns 1, -12 (window null; tested first) or -13 (message 0); a failure keeps
// the earlier registration.
KX_EXPORT int OS_WINAPI KX_SetWindowMessage(os::Handle window, std::uint32_t message);
// Reads the 32-bit register at offset (0 to 0xFF) of the first function, in bus,
// device, function order, whose identity word (vendor and device) is identity and,
// when match is not 0, whose word at 0x94 is match. Returns 1 with *value, or 0
// (*value untouched): not initialised, identity 0, value null, offset outside 0 to
// 0xFF, or no such function.
KX_EXPORT int OS_WINAPI KX_GetPCIConfig(KxLong identity, KxLong match, KxLong offset, KxULong* value);

// Searches for the SiI3132 controllers and records them in the table (indexes 1
// to the count). Returns:
//   -100 not initialised
//   -11  count null
//   -101 busy
//   1    with *count, the number found; or -100 with *count 0 when none was found
//        (the table is then all free)
KX_EXPORT int OS_WINAPI KX_GetSiI3132Device(int* count);
// The same search for any identity and subsystem word (unused is not read): the
// table holds what it finds; the count KX_GetNewSiI3132Device compares with stays.
// Returns 0 (not initialised), -11 (count null), -101 (busy) or 1 with *count, the
// number found, 0 included (an identity of 0 finds nothing and leaves the table as
// it is).
KX_EXPORT int OS_WINAPI KX_GetSiI3132DeviceEx(KxLong identity, KxLong subsystem, unsigned short unused, int* count);
// Searches again and tells the one controller added since the last search.
// Returns:
//   -11  index null
//   -106 not initialised
//   -107 the last search recorded 16 controllers (no search, even while busy)
//   -101 busy
//   1    with *index, the 1-based index of the new controller's record
//   -106 none was added, -108 two or more were, -109 fewer are found than before:
//        the table and the count hold the new search all the same
KX_EXPORT int OS_WINAPI KX_GetNewSiI3132Device(int* index);
// Bus, device, function and flash identifier of a recorded controller. Returns
// -105 (not initialised), -11 (info null), -105 (index outside 1 to 16, or a free
// record) or 1 with *info filled.
KX_EXPORT int OS_WINAPI KX_GetSiI3132Info(int index, SIIDEVICEINFO* info);
// Erases the controller's flash chip, on the caller's thread. Returns -105 (not
// initialised, or no controller at index), -101 (busy), -21, -110 (the chip did not
// report erased) or 1.
KX_EXPORT int OS_WINAPI KX_EraseBiosData(int index);
// Start a worker that reads the chip into fileName (created afresh), compares the
// chip with fileName, or erases the chip and then writes fileName into it (an
// empty name writes nothing: the worker reports -202). The call returns at once:
//   -105 not initialised, or no controller at index
//   -10  fileName null (KX_SetBiosData only)
//   -101 busy
//   -10  fileName null, or longer than 259 characters
//   -20  the controller's registers cannot be reached (read, compare)
//   -21  see above
//   -110 the erase failed (write)
//   -150 no thread could be started (also in LastError)
//   1    the worker runs; CurrentStatus holds 2 (read), 3 (compare) or 1 (write)
// Once past -101 the progress is 0, and every later failure gives the busy state
// back. The worker's own result comes in its message and in LastError:
//   read     1; -203 the file cannot be created; -150; -20 a block did not arrive;
//            -15 the image could not be saved whole
//   compare  1; -200 the file does not open; -150; -202 the file cannot be read;
//            -20; -205 the images differ (progress -1)
//   write    1; -203 the file does not open; -150; -202; -20 a block was not
//            programmed
KX_EXPORT int OS_WINAPI KX_GetBiosData(int index, char* fileName);
KX_EXPORT int OS_WINAPI KX_SetBiosData(int index, char* fileName);
KX_EXPORT int OS_WINAPI KX_CompareBiosData(int index, char* fileName);
// Returns the running BIOS operation's progress (0 to 100 by block; -1 once a
// compare found a difference) and, when status is not null, stores CurrentStatus in
// *status. Needs no initialisation.
KX_EXPORT int OS_WINAPI KX_GetBiosOperationProgress(KxLong* status);
// Version and date of a BIOS image file. Returns:
//   -201 fileName null
//   -204 data null
//   -200 the file does not open
//   -150 no memory
//   -202 the file cannot be read
//   -151 a blank image (both text offsets 0xFF)
//   1    with the version and date fields of *data filled (the description and
//        the port speeds are not touched)
// A failure leaves *data as it was. Needs no initialisation.
KX_EXPORT int OS_WINAPI KX_GetBiosFileInfo(const char* fileName, BIOSPROPERTYDATA* data);
// Description, link-speed settings, version and date of a recorded controller and
// its chip. Returns:
//   -105 not initialised, or no controller at index
//   -204 data null
//   -101 busy
//   then, with the description and port speeds of *data already filled from the
//   record:
//   -21  see above
//   0    the chip cannot be read: the version and date fields read so far are
//        filled, the others stay as they were
//   -151 an erased chip (version and date untouched)
//   1    every field filled
KX_EXPORT int OS_WINAPI KX_GetBiosInfo(int index, BIOSPROPERTYDATA* data);
// Sets the link-speed limits of the controller's two ports (0 none, 1 to 1.5 Gbps,
// 2 to 3.0 Gbps) for the link-speed filter driver, which it installs below the
// controller's driver, and registers the filter's service. Returns:
//   -105 not initialised, or no controller at index
//   -11  a limit outside 0 to 2
//   -21  see above
//   -160 the device information set cannot be had
//   -161 a device's hardware ID or location cannot be read
//   -162 see above
//   -300, -301 (-302, -303 in a WOW64 process) the filter's service cannot be
//        registered, or its file is missing: the device's settings are made
//   1    done; the setting applies when Windows next starts the controller
KX_EXPORT int OS_WINAPI KX_SetSControl(int index, int port0Limit, int port1Limit);

}  // extern "C"
