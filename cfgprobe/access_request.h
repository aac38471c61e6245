#pragma once
// The access driver's control codes and its 76-byte request record. The layout is
// fixed by the driver: little-endian, no padding.
#include <bit>
#include <cstddef>
#include <cstdint>

#include "os/device_io.h"

namespace cfgprobe {

constexpr std::uint32_t kAccessDeviceType = 0x9C40;

constexpr std::uint32_t accessCode(std::uint32_t function) {
  return os::controlCode(kAccessDeviceType, function, os::kMethodBuffered, os::kFileAnyAccess);
}

}  // namespace cfgprobe

constexpr std::uint32_t IOCTL_ACS_READ_PORT = cfgprobe::accessCode(0x904);
constexpr std::uint32_t IOCTL_ACS_WRITE_PORT = cfgprobe::accessCode(0x905);
constexpr std::uint32_t IOCTL_ACS_READ_MEM_BYTE = cfgprobe::accessCode(0x906);
constexpr std::uint32_t IOCTL_ACS_WRITE_MEM_BYTE = cfgprobe::accessCode(0x907);
constexpr std::uint32_t IOCTL_ACS_READ_MEM_DWORD = cfgprobe::accessCode(0x90A);
constexpr std::uint32_t IOCTL_ACS_WRITE_MEM_DWORD = cfgprobe::accessCode(0x90B);
constexpr std::uint32_t IOCTL_ACS_WRITE_BLOCK = cfgprobe::accessCode(0x90C);
constexpr std::uint32_t IOCTL_ACS_READ_BLOCK = cfgprobe::accessCode(0x90D);

static_assert(IOCTL_ACS_READ_PORT == 0x9C402410);
static_assert(IOCTL_ACS_WRITE_PORT == 0x9C402414);
static_assert(IOCTL_ACS_READ_MEM_BYTE == 0x9C402418);
static_assert(IOCTL_ACS_WRITE_MEM_BYTE == 0x9C40241C);
static_assert(IOCTL_ACS_READ_MEM_DWORD == 0x9C402428);
static_assert(IOCTL_ACS_WRITE_MEM_DWORD == 0x9C40242C);
static_assert(IOCTL_ACS_WRITE_BLOCK == 0x9C402430);
static_assert(IOCTL_ACS_READ_BLOCK == 0x9C402434);

constexpr std::size_t kAccessBlockSize = 64;

struct ACCESSREQUEST {
  std::uint32_t dwAddress;  // physical address or I/O port
  std::uint32_t dwCommand;  // flash command word of the block codes
  std::uint32_t dwValue;    // value of the single writes
  std::uint8_t bData[kAccessBlockSize];
};

static_assert(sizeof(ACCESSREQUEST) == 76);
static_assert(offsetof(ACCESSREQUEST, dwAddress) == 0);
static_assert(offsetof(ACCESSREQUEST, dwCommand) == 4);
static_assert(offsetof(ACCESSREQUEST, dwValue) == 8);
static_assert(offsetof(ACCESSREQUEST, bData) == 12);
static_assert(std::endian::native == std::endian::little, "the driver reads the record little-endian");
