// The BIOS image operations are not built yet: each is present under its name and
// answers with its failure value, without touching the hardware, so that callers
// binding the library by name already find every entry.
#include "cfgprobe/library_state.h"

namespace {
constexpr int kNoControllerAtIndex = -105;
constexpr int kFileCannotBeOpened = -200;
constexpr int kEraseFailed = -110;
constexpr int kConfigWriteFailed = -20;
}  // namespace

KxLong CKXACS::ReadBios(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return kConfigWriteFailed; }
KxLong CKXACS::CompareBiosData(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return kConfigWriteFailed; }
int CKXACS::WriteBios(std::uint8_t, std::uint8_t, std::uint8_t, char*) { return kEraseFailed; }
KxLong CKXACS::ReadBiosProperty(std::uint8_t, std::uint8_t, std::uint8_t, BIOSPROPERTYDATA*) { return 0; }

int OS_WINAPI KX_EraseBiosData(int) { return kNoControllerAtIndex; }
int OS_WINAPI KX_GetBiosData(int, char*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_SetBiosData(int, char*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_CompareBiosData(int, char*) { return kNoControllerAtIndex; }
int OS_WINAPI KX_GetBiosFileInfo(const char*, BIOSPROPERTYDATA*) { return kFileCannotBeOpened; }
int OS_WINAPI KX_GetBiosInfo(int, BIOSPROPERTYDATA*) { return kNoControllerAtIndex; }
