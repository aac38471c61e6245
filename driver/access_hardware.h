/* Every hardware access of the access driver goes through this one table: the real
 * driver fills it with the HAL's port functions, the memory manager's mapping of
 * I/O space and the register functions; the model build fills it with a small
 * simulated PC, and the simulated machine with its bus and physical memory, so
 * that the whole request path runs where ports and device memory cannot be
 * reached. Every member is called with the table's context. */
#ifndef CFGPROBE_DRIVER_ACCESS_HARDWARE_H
#define CFGPROBE_DRIVER_ACCESS_HARDWARE_H

#include <stdint.h>

typedef struct AccessHardware {
  void* context;
  uint32_t (*readPort32)(void* context, uint16_t port);
  void (*writePort32)(void* context, uint16_t port, uint32_t value);
  /* size bytes of device memory at a physical address, mapped uncached; NULL when
   * they cannot be mapped. Every mapping is given back with unmap. */
  volatile void* (*map)(void* context, uint32_t address, uint32_t size);
  void (*unmap)(void* context, volatile void* mapped, uint32_t size);
  uint8_t (*read8)(void* context, volatile void* reg);
  uint32_t (*read32)(void* context, volatile void* reg);
  void (*write8)(void* context, volatile void* reg, uint8_t value);
  void (*write32)(void* context, volatile void* reg, uint32_t value);
  /* Nonzero when any of the size bytes at address is system RAM, or when that
   * cannot be told: such memory is never mapped. */
  int (*isRam)(void* context, uint32_t address, uint32_t size);
  void (*stall)(void* context, uint32_t microseconds);
} AccessHardware;

#endif
