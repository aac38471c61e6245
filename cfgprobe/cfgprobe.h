#pragma once
// Cfgprobe64, the hardware access library: the one library object CKXACS and the
// plain KX_ exports that work through it. Callers load the library by file name and
// bind the exports by name; everything that crosses is a plain integer, a pointer
// to one, or one of the records below.
//
// Results: 1 (or a count) on success, 0 or a negative code on failure. Exports
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

KX_EXPORT extern int nKXACS;
KX_EXPORT int OS_WINAPI fnKXACS();

KX_EXPORT int OS_WINAPI KX_InitLibrary();
KX_EXPORT int OS_WINAPI KX_ExitLibrary();
KX_EXPORT int OS_WINAPI KX_GetLastError();
// The Windows error code with which the service manager last refused to open,
// register or start the access driver's service during KX_InitLibrary (5,
// ERROR_ACCESS_DENIED, when the process is not an administrator; 577,
// ERROR_INVALID_IMAGE_HASH, for a driver that is not signed or that memory
// integrity refuses; 1275, ERROR_DRIVER_BLOCKED; ...), 0 when none. Each
// KX_InitLibrary starts again from 0; the value stays after it returns, so that
// a caller can say why a start that returned -2 or -3 failed.
KX_EXPORT int OS_WINAPI KX_GetDriverServiceError();
KX_EXPORT int OS_WINAPI KX_SetWindowMessage(os::Handle window, std::uint32_t message);
KX_EXPORT int OS_WINAPI KX_GetPCIConfig(KxLong identity, KxLong match, KxLong offset, KxULong* value);

KX_EXPORT int OS_WINAPI KX_GetSiI3132Device(int* count);
KX_EXPORT int OS_WINAPI KX_GetSiI3132DeviceEx(KxLong identity, KxLong subsystem, unsigned short unused, int* count);
KX_EXPORT int OS_WINAPI KX_GetNewSiI3132Device(int* index);
KX_EXPORT int OS_WINAPI KX_GetSiI3132Info(int index, SIIDEVICEINFO* info);
KX_EXPORT int OS_WINAPI KX_EraseBiosData(int index);
KX_EXPORT int OS_WINAPI KX_GetBiosData(int index, char* fileName);
KX_EXPORT int OS_WINAPI KX_SetBiosData(int index, char* fileName);
KX_EXPORT int OS_WINAPI KX_CompareBiosData(int index, char* fileName);
KX_EXPORT int OS_WINAPI KX_GetBiosOperationProgress(KxLong* status);
KX_EXPORT int OS_WINAPI KX_GetBiosFileInfo(const char* fileName, BIOSPROPERTYDATA* data);
KX_EXPORT int OS_WINAPI KX_GetBiosInfo(int index, BIOSPROPERTYDATA* data);
KX_EXPORT int OS_WINAPI KX_SetSControl(int index, int port0Limit, int port1Limit);

}  // extern "C"
