#pragma once
// Basic vocabulary of the operating-system seam: handles, calling convention and
// the Windows error codes that the logic branches on. The values are the real
// Windows ones in both back ends, so that a test against the simulated machine
// exercises the same branches as the product on Windows.
#include <cstdint>

#ifdef _WIN32
#define OS_WINAPI __stdcall
#else
#define OS_WINAPI
#endif

namespace os {

using Handle = void*;

// The value CreateFile returns on failure (INVALID_HANDLE_VALUE).
inline Handle invalidHandle() { return reinterpret_cast<Handle>(static_cast<std::intptr_t>(-1)); }
inline bool isValid(Handle h) { return h != nullptr && h != invalidHandle(); }

// Windows error codes (GetLastError values).
constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorInvalidData = 13;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorHandleEof = 38;
constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorEnvVarNotFound = 203;
constexpr std::uint32_t kErrorFilenameExcedRange = 206;
constexpr std::uint32_t kErrorNoMoreItems = 259;
constexpr std::uint32_t kErrorDllInitFailed = 1114;
constexpr std::uint32_t kErrorIoDevice = 1117;
constexpr std::uint32_t kErrorInvalidServiceControl = 1052;
constexpr std::uint32_t kErrorServiceRequestTimeout = 1053;
constexpr std::uint32_t kErrorServiceAlreadyRunning = 1056;
constexpr std::uint32_t kErrorServiceDisabled = 1058;
constexpr std::uint32_t kErrorServiceDoesNotExist = 1060;
constexpr std::uint32_t kErrorServiceCannotAcceptCtrl = 1061;
constexpr std::uint32_t kErrorServiceNotActive = 1062;
constexpr std::uint32_t kErrorServiceMarkedForDelete = 1072;
constexpr std::uint32_t kErrorServiceExists = 1073;
constexpr std::uint32_t kErrorBadDriver = 2001;

// Longest path the Win32 calls accept, terminator included (MAX_PATH).
constexpr std::uint32_t kMaxPath = 260;

// Per-thread last error, as GetLastError/SetLastError. Every facility sets it
// when a call fails; the Win32 back end forwards to the real calls.
std::uint32_t lastError();
void setLastError(std::uint32_t code);

}  // namespace os
