/* The hardware table of the real driver: 32-bit port input and output through the
 * HAL's port functions, device memory mapped uncached and not executable with
 * MmMapIoSpaceEx and reached with the register functions, and the system's RAM
 * ranges from the memory manager.
 *
 * MinGW-w64's kernel headers and import library do not have MmMapIoSpaceEx, so it
 * is looked up by name when the driver starts; a kernel that lacks it (before
 * Windows 10) has no memory integrity either, and MmMapIoSpace serves there. */
#include <ntddk.h>

#include "access_hardware.h"
#include "driver_hardware.h"

#ifndef PAGE_NOCACHE
#define PAGE_NOCACHE 0x200
#endif

typedef PVOID(NTAPI* MapIoSpaceEx)(PHYSICAL_ADDRESS address, SIZE_T size, ULONG protect);
static MapIoSpaceEx mapIoSpaceEx;

static uint32_t readPort32(void* context, uint16_t port) {
  (void)context;
  return READ_PORT_ULONG((PULONG)(ULONG_PTR)port);
}

static void writePort32(void* context, uint16_t port, uint32_t value) {
  (void)context;
  WRITE_PORT_ULONG((PULONG)(ULONG_PTR)port, value);
}

static volatile void* mapDevice(void* context, uint32_t address, uint32_t size) {
  (void)context;
  PHYSICAL_ADDRESS physical;
  physical.QuadPart = address;
  if (mapIoSpaceEx) return mapIoSpaceEx(physical, size, PAGE_READWRITE | PAGE_NOCACHE);
  return MmMapIoSpace(physical, size, MmNonCached);
}

static void unmapDevice(void* context, volatile void* mapped, uint32_t size) {
  (void)context;
  MmUnmapIoSpace((PVOID)mapped, size);
}

static uint8_t read8(void* context, volatile void* reg) {
  (void)context;
  return READ_REGISTER_UCHAR((PUCHAR)reg);
}
static uint32_t read32(void* context, volatile void* reg) {
  (void)context;
  return READ_REGISTER_ULONG((PULONG)reg);
}
static void write8(void* context, volatile void* reg, uint8_t value) {
  (void)context;
  WRITE_REGISTER_UCHAR((PUCHAR)reg, value);
}
static void write32(void* context, volatile void* reg, uint32_t value) {
  (void)context;
  WRITE_REGISTER_ULONG((PULONG)reg, value);
}

/* Asked at every request, as memory can be added while the driver runs. When the
 * ranges cannot be had, every address counts as RAM. */
static int isRam(void* context, uint32_t address, uint32_t size) {
  (void)context;
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

static void stall(void* context, uint32_t microseconds) {
  (void)context;
  KeStallExecutionProcessor(microseconds);
}

const AccessHardware* driverHardware(void) {
  static const AccessHardware hardware = {.context = NULL, .readPort32 = readPort32, .writePort32 = writePort32,
                                          .map = mapDevice, .unmap = unmapDevice, .read8 = read8, .read32 = read32,
                                          .write8 = write8, .write32 = write32, .isRam = isRam, .stall = stall};
  return &hardware;
}

void driverHardwareStarted(void) {
  UNICODE_STRING name;
  RtlInitUnicodeString(&name, L"MmMapIoSpaceEx");
  mapIoSpaceEx = (MapIoSpaceEx)MmGetSystemRoutineAddress(&name);
}

/* The hardware itself keeps its state: nothing to do. */
void driverHardwareUnloading(void) {}
