/* The hardware table of the real driver: 32-bit port input and output through the
 * HAL's port functions, device memory mapped uncached with MmMapIoSpace and reached
 * with the register functions, and the system's RAM ranges from the memory manager. */
#include <ntddk.h>

#include "access_hardware.h"
#include "driver_hardware.h"

static uint32_t readPort32(uint16_t port) { return READ_PORT_ULONG((PULONG)(ULONG_PTR)port); }

static void writePort32(uint16_t port, uint32_t value) { WRITE_PORT_ULONG((PULONG)(ULONG_PTR)port, value); }

static volatile void* mapDevice(uint32_t address, uint32_t size) {
  PHYSICAL_ADDRESS physical;
  physical.QuadPart = address;
  return MmMapIoSpace(physical, size, MmNonCached);
}

static void unmapDevice(volatile void* mapped, uint32_t size) { MmUnmapIoSpace((PVOID)mapped, size); }

static uint8_t read8(volatile void* reg) { return READ_REGISTER_UCHAR((PUCHAR)reg); }
static uint32_t read32(volatile void* reg) { return READ_REGISTER_ULONG((PULONG)reg); }
static void write8(volatile void* reg, uint8_t value) { WRITE_REGISTER_UCHAR((PUCHAR)reg, value); }
static void write32(volatile void* reg, uint32_t value) { WRITE_REGISTER_ULONG((PULONG)reg, value); }

/* Asked at every request, as memory can be added while the driver runs. When the
 * ranges cannot be had, every address counts as RAM. */
static int isRam(uint32_t address, uint32_t size) {
  PPHYSICAL_MEMORY_RANGE ranges = MmGetPhysicalMemoryRanges();
  if (!ranges) return 1;
  const ULONGLONG first = address, last = (ULONGLONG)address + size - 1;
  int ram = 0;
  for (PPHYSICAL_MEMORY_RANGE r = ranges; r->BaseAddress.QuadPart || r->NumberOfBytes.QuadPart; ++r) {
    const ULONGLONG start = (ULONGLONG)r->BaseAddress.QuadPart;
    const ULONGLONG end = start + (ULONGLONG)r->NumberOfBytes.QuadPart;  /* one past the range */
    if (first < end && last >= start) ram = 1;
  }
  ExFreePool(ranges);
  return ram;
}

static void stall(uint32_t microseconds) { KeStallExecutionProcessor(microseconds); }

const AccessHardware* driverHardware(void) {
  static const AccessHardware hardware = {readPort32, writePort32, mapDevice, unmapDevice, read8, read32,
                                          write8,     write32,     isRam,     stall};
  return &hardware;
}

/* The hardware itself keeps its state: nothing to do. */
void driverHardwareStarted(void) {}
void driverHardwareUnloading(void) {}
