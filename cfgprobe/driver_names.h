#pragma once
// Names, actions and codes shared by the driver services and the library frame.
namespace cfgprobe {

constexpr char kDriverServiceName[] = "Cfgprobe64";
constexpr char kDriverFileName[] = "Cfgprobe64";
constexpr char kDriverFileExtension[] = ".sys";
constexpr char kDriverDeviceName[] = "\\\\.\\KxACS";

// The link-speed filter driver: its service and the controller's lower filter
// carry this name; a 32-bit process on 64-bit Windows names the 64-bit one.
constexpr char kFilterName[] = "TavSCntl";
constexpr char kFilterNameWow64[] = "TavSCntl64";

constexpr int kActionInstallAndStart = 1;
constexpr int kActionStopAndRemove = 2;

// ManageKXDriver's result when the service could not be deleted.
constexpr int kRemoveFailedWow64 = 249;
constexpr int kRemoveFailedNative = 252;

}  // namespace cfgprobe
