/* The controllers' windows, looked up in configuration space. A window is served
 * only when its base register names 32-bit-reachable memory: an I/O base, a zero
 * base, a 64-bit base with a non-zero upper dword, or a window that would wrap
 * are windows the driver cannot serve. The configuration address the caller had
 * selected is put back after the lookup. */
#include "access_reach.h"

#define CONFIG_ADDRESS_PORT 0xCF8u
#define CONFIG_DATA_PORT 0xCFCu
#define CONFIG_ENABLE 0x80000000u
#define SII3132_IDENTITY 0x31321095u
#define NO_FUNCTION 0xFFFFFFFFu
#define HEADER_TYPE_REGISTER 0x0Cu
#define MULTI_FUNCTION (0x80u << 16)
#define GLOBAL_BAR 0x10u
#define PORT_BAR 0x18u
#define BAR_IO 0x1u
#define BAR_TYPE_MASK 0x6u
#define BAR_64 0x4u
#define BAR_ADDRESS_MASK 0xFFFFFFF0u

static uint32_t configRead(const AccessHardware* hw, uint32_t bus, uint32_t device, uint32_t function,
                           uint32_t offset) {
  hw->writePort32(hw->context, CONFIG_ADDRESS_PORT,
                  CONFIG_ENABLE | bus << 16 | device << 11 | function << 8 | offset);
  return hw->readPort32(hw->context, CONFIG_DATA_PORT);
}

/* The base of a memory window of size bytes, or 0 when it cannot be served. */
static uint32_t windowBase(const AccessHardware* hw, uint32_t bus, uint32_t device, uint32_t function,
                           uint32_t offset, uint32_t size) {
  const uint32_t low = configRead(hw, bus, device, function, offset);
  if (low & BAR_IO) return 0;
  if ((low & BAR_TYPE_MASK) == BAR_64 && configRead(hw, bus, device, function, offset + 4) != 0) return 0;
  const uint32_t base = low & BAR_ADDRESS_MASK;
  return base > UINT32_MAX - (size - 1) ? 0 : base;
}

static void addController(const AccessHardware* hw, AccessReach* reach, uint32_t bus, uint32_t device,
                          uint32_t function) {
  if (reach->count == ACS_MAX_CONTROLLERS) return;
  AccessController* c = &reach->controllers[reach->count++];
  c->global = windowBase(hw, bus, device, function, GLOBAL_BAR, ACS_GLOBAL_WINDOW_SIZE);
  c->ports = windowBase(hw, bus, device, function, PORT_BAR, ACS_PORT_WINDOW_SIZE);
}

/* Every bus and device; the functions above 0 only of a multi-function device. */
static void lookUp(const AccessHardware* hw, AccessReach* reach) {
  const uint32_t selected = hw->readPort32(hw->context, CONFIG_ADDRESS_PORT);
  reach->count = 0;
  for (uint32_t bus = 0; bus < 256; ++bus) {
    for (uint32_t device = 0; device < 32; ++device) {
      const uint32_t identity = configRead(hw, bus, device, 0, 0);
      if (identity == NO_FUNCTION) continue;
      if (identity == SII3132_IDENTITY) addController(hw, reach, bus, device, 0);
      if (!(configRead(hw, bus, device, 0, HEADER_TYPE_REGISTER) & MULTI_FUNCTION)) continue;
      for (uint32_t function = 1; function < 8; ++function)
        if (configRead(hw, bus, device, function, 0) == SII3132_IDENTITY)
          addController(hw, reach, bus, device, function);
    }
  }
  hw->writePort32(hw->context, CONFIG_ADDRESS_PORT, selected);
  reach->known = 1;
}

static int inside(uint32_t base, uint32_t windowSize, uint32_t address, uint32_t size) {
  return base != 0 && address >= base && address - base <= windowSize - size;
}

static int find(const AccessReach* reach, uint32_t address, uint32_t size, uint32_t* global) {
  for (uint32_t i = 0; i < reach->count; ++i) {
    const AccessController* c = &reach->controllers[i];
    if (inside(c->global, ACS_GLOBAL_WINDOW_SIZE, address, size)) {
      *global = c->global;
      return 1;
    }
    if (inside(c->ports, ACS_PORT_WINDOW_SIZE, address, size)) {
      *global = 0;
      return 1;
    }
  }
  return 0;
}

int accessReachAllows(const AccessHardware* hw, AccessReach* reach, uint32_t address, uint32_t size,
                      uint32_t* global) {
  *global = 0;
  if (size == 0 || size > ACS_PORT_WINDOW_SIZE) return 0;
  if (reach->known && find(reach, address, size, global)) return 1;
  lookUp(hw, reach);
  return find(reach, address, size, global);
}
