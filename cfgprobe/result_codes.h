#pragma once
// The result codes of the controller, BIOS and port exports.
namespace cfgprobe {

constexpr int kDone = 1;
constexpr int kNoFileName = -10;  // also: a name too long for the 260-character buffers
constexpr int kNullOutput = -11;  // also: a link-speed limit outside 0 to 2
constexpr int kFileWriteFailed = -15;
constexpr int kControllerUnreachable = -20;  // a configuration write or a block request failed
// The controller's BAR0 or BAR2 is a 64-bit BAR placing its window above 4 GB,
// which the driver's 32-bit addresses cannot reach: nothing is sent to it.
constexpr int kWindowsAbove4G = -21;
constexpr int kNoController = -100;
constexpr int kBusy = -101;
constexpr int kNoControllerAtIndex = -105;
constexpr int kNoNewController = -106;
constexpr int kTableFull = -107;
constexpr int kSeveralNewControllers = -108;
constexpr int kFewerControllers = -109;
constexpr int kEraseFailed = -110;
constexpr int kNoMemory = -150;
constexpr int kNoImage = -151;
constexpr int kNoDeviceSet = -160;
constexpr int kDevicePropertyUnreadable = -161;
constexpr int kHardwareKeyUnopenable = -162;  // a matching device's hardware key cannot be opened
constexpr int kFileCannotBeOpened = -200;
constexpr int kNoFileNameToRead = -201;
constexpr int kFileReadFailed = -202;
constexpr int kFileCannotBeCreated = -203;
constexpr int kNoRecord = -204;
constexpr int kImagesDiffer = -205;
constexpr int kFilterServiceUnregistered = -300;
constexpr int kFilterFileMissing = -301;
constexpr int kFilterServiceUnregisteredWow64 = -302;
constexpr int kFilterFileMissingWow64 = -303;

}  // namespace cfgprobe
