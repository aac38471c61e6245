// The SiI3132 controller operations are not built yet: each is present under its
// name and answers with its failure value, without touching the hardware, so that
// callers binding the library by name already find every entry.
#include "cfgprobe/library_state.h"

namespace {
constexpr int kNoController = -100;
constexpr int kNoControllerAtIndex = -105;
constexpr int kNoNewController = -106;
constexpr int kNullOutput = -11;
constexpr int kFileCannotBeOpened = -200;
constexpr int kServiceNotRegistered = -300;
constexpr int kEraseFailed = -110;
constexpr int kConfigWriteFailed = -20;
constexpr int kDeviceSetUnavailable = -160;
}  // namespace

int CKXACS::GetDeviceDescription(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return 0; }
KxLong CKXACS::AddTAVSCNTLService() { return kServiceNotRegistered; }
KxLong CKXACS::GetFlashID(os::Handle, std::uint8_t, std::uint8_t, std::uint8_t) { return 0; }
int CKXACS::ChipErase(os::Handle, std::uint8_t, std::uint8_t, std::uint8_t) { return 0; }
KxLong CKXACS::ReadBios(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return kConfigWriteFailed; }
KxLong CKXACS::CompareBiosData(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return kConfigWriteFailed; }
int CKXACS::WriteBios(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return kEraseFailed; }
KxLong CKXACS::ReadBiosProperty(std::uint8_t, std::uint8_t, std::uint8_t, BIOSPROPERTYDATA*) { return 0; }
// Leaves both outputs as they were.
int CKXACS::GetSControl(std::uint8_t, std::uint8_t, std::uint8_t, KxLong*, KxLong*) { return 1; }
KxLong CKXACS::SetDeviceParameters(std::uint8_t, std::uint8_t, std::uint8_t, KxLong, KxLong) {
  return kDeviceSetUnavailable;
}

int OS_WINAPI KX_GetSiI3132Device(int*) { return kNoController; }
int OS_WINAPI KX_GetSiI3132DeviceEx(KxLong, KxLong, unsigned short, int*) { return 0; }
int OS_WINAPI KX_GetNewSiI3132Device(int* index) { return index ? kNoNewController : kNullOutput; }
int OS_WINAPI KX_GetSiI3132Info(int, SIIDEVICEINFO*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_EraseBiosData(int) { return kNoControllerAtIndex; }
int OS_WINAPI KX_GetBiosData(int, char*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_SetBiosData(int, char*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_CompareBiosData(int, char*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_GetBiosFileInfo(const char*, BIOSPROPERTYDATA*) { return kFileCannotBeOpened; }
int OS_WINAPI KX_GetBiosInfo(int, BIOSPROPERTYDATA*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_SetSControl(int, int, int) { return kNoControllerAtIndex; }
