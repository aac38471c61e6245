#pragma once
// The result codes of the KX_ exports, each with the exports that return it; what
// each export returns when is in cfgprobe.h. Results that stand for the driver's
// start-up and for the BIOS operations are also left in LastError (KX_GetLastError).
namespace cfgprobe {

constexpr int kDone = 1;  // every export's success; LastError while a start-up or BIOS worker runs

// KX_InitLibrary, KX_ExitLibrary and KX_SetWindowMessage.
constexpr int kInitObjectFailed = -1;         // KX_InitLibrary: no memory for the library object
constexpr int kDeviceNotFound = -2;           // KX_InitLibrary: the driver's device does not exist
constexpr int kDeviceUnavailable = -3;        // KX_InitLibrary: the device does not open, or the driver
                                              // failed to start with ERROR_BAD_DRIVER
constexpr int kServiceManagerUnreachable = -4;  // KX_ExitLibrary
constexpr int kBadDriverWow64 = -6;           // KX_InitLibrary: ERROR_BAD_DRIVER in a WOW64 process
constexpr int kNoWindow = -12;                // KX_SetWindowMessage
constexpr int kNoMessage = -13;               // KX_SetWindowMessage

// KX_GetBiosData, KX_CompareBiosData, KX_SetBiosData: a null name, or one too long
// for the 260-character buffers.
constexpr int kNoFileName = -10;
// A null output pointer (KX_GetSiI3132Device, KX_GetSiI3132DeviceEx,
// KX_GetNewSiI3132Device, KX_GetSiI3132Info); also a link-speed limit outside 0 to
// 2 (KX_SetSControl).
constexpr int kNullOutput = -11;
constexpr int kFileWriteFailed = -15;  // the read worker could not save the whole image
// A configuration write or a block request failed: KX_GetBiosData and
// KX_CompareBiosData at once; the read, compare and write workers.
constexpr int kControllerUnreachable = -20;
// The controller's BAR0 or BAR2 is a 64-bit BAR placing its window above 4 GB,
// which the driver's 32-bit addresses cannot reach: nothing is sent to it. The
// four BIOS operations, KX_GetBiosInfo and KX_SetSControl.
constexpr int kWindowsAbove4G = -21;
constexpr int kNoController = -100;  // KX_GetSiI3132Device: none found (or not initialised)
// CurrentStatus is not 0: the searches, the four BIOS operations, KX_GetBiosInfo
// and KX_ExitLibrary.
constexpr int kBusy = -101;
// Not initialised, an index outside 1 to 16, or a free record: KX_GetSiI3132Info,
// the four BIOS operations, KX_GetBiosInfo and KX_SetSControl.
constexpr int kNoControllerAtIndex = -105;
// KX_GetNewSiI3132Device: no controller added (or not initialised), the table is
// full, two or more added, fewer than before.
constexpr int kNoNewController = -106;
constexpr int kTableFull = -107;
constexpr int kSeveralNewControllers = -108;
constexpr int kFewerControllers = -109;
constexpr int kEraseFailed = -110;  // KX_EraseBiosData, KX_SetBiosData
// No memory or no thread: the BIOS operations at once, their workers, KX_GetBiosFileInfo.
constexpr int kNoMemory = -150;
constexpr int kNoImage = -151;  // KX_GetBiosFileInfo, KX_GetBiosInfo: a blank file or an erased chip
// KX_SetSControl: the device information set cannot be had; a device's hardware ID
// or location cannot be read; a matching device's hardware key cannot be opened.
constexpr int kNoDeviceSet = -160;
constexpr int kDevicePropertyUnreadable = -161;
constexpr int kHardwareKeyUnopenable = -162;
constexpr int kFileCannotBeOpened = -200;  // KX_GetBiosFileInfo; the compare worker
constexpr int kNoFileNameToRead = -201;    // KX_GetBiosFileInfo: a null name
// KX_GetBiosFileInfo; the compare and write workers (also for an empty name).
constexpr int kFileReadFailed = -202;
constexpr int kFileCannotBeCreated = -203;  // the read worker; the write worker for a file that does not open
constexpr int kNoRecord = -204;             // KX_GetBiosFileInfo, KX_GetBiosInfo: a null record
constexpr int kImagesDiffer = -205;         // the compare worker
// KX_SetSControl: the link-speed filter's service cannot be registered, or its file
// is missing (the WOW64 forms name the 64-bit filter).
constexpr int kFilterServiceUnregistered = -300;
constexpr int kFilterFileMissing = -301;
constexpr int kFilterServiceUnregisteredWow64 = -302;
constexpr int kFilterFileMissingWow64 = -303;

}  // namespace cfgprobe
