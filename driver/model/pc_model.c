#include "pc_model.h"

#include <stddef.h>

#include "../driver_hardware.h"

#define CONFIG_ADDRESS_PORT 0xCF8
#define CONFIG_DATA_PORT 0xCFC
#define GLOBAL_WINDOW 0x80u
#define PORT_WINDOW 0x8000u
#define FLASH_COMMAND 0x70u
#define FLASH_DATA 0x74u
#define FLASH_START (1u << 25)
#define FLASH_READ (1u << 24)
#define FLASH_ADDRESS_MASK 0x0007FFFFu
#define MEMORY_BAR_64 0x4u

typedef struct ConfigRegister {
  uint8_t offset;
  uint32_t value;
} ConfigRegister;

typedef struct PciFunction {
  uint8_t bus, device, function;
  const ConfigRegister* registers;
  uint32_t count;
} PciFunction;

static const ConfigRegister kKb20[] = {
    {0x00, 0x01021195}, {0x04, 0x00100006}, {0x10, 0xF2000000}, {0x1C, 0x0000C001}, {0x94, 0x01021195}};
static const ConfigRegister kSiI3132[] = {
    {0x00, 0x31321095}, {0x04, 0x02100006}, {0x08, 0x01800001}, {0x10, MODEL_GLOBAL_BASE | MEMORY_BAR_64},
    {0x18, MODEL_PORT_BASE | MEMORY_BAR_64}, {0x2C, 0x31321095}};
static const PciFunction kFunctions[] = {
    {1, 0, 0, kKb20, sizeof kKb20 / sizeof kKb20[0]},
    {2, 0, 0, kSiI3132, sizeof kSiI3132 / sizeof kSiI3132[0]},
};

static struct {
  int ready;
  uint32_t configAddress;
  uint8_t global[GLOBAL_WINDOW];
  uint8_t ports[PORT_WINDOW];
  JedecChip flash;
  uint32_t cycleReads; /* reads of the command register before the running cycle ends */
  uint64_t stalled;
} model;

void pcModelReset(void) {
  model.configAddress = 0;
  for (uint32_t i = 0; i < GLOBAL_WINDOW; ++i) model.global[i] = 0;
  for (uint32_t i = 0; i < PORT_WINDOW; ++i) model.ports[i] = 0;
  model.ports[0x1F01] = model.ports[0x3F01] = 0x03;  /* SControl 0x300: no speed limit */
  jedecReset(&model.flash, 0xBF, 0xB5);
  model.cycleReads = 0;
  model.stalled = 0;
  model.ready = 1;
}

static void ready(void) {
  if (!model.ready) pcModelReset();
}

JedecChip* pcModelFlash(void) {
  ready();
  return &model.flash;
}

uint64_t pcModelStalled(void) { return model.stalled; }

static uint32_t configRead(uint32_t address) {
  if (!(address & 0x80000000u)) return 0xFFFFFFFFu;
  const uint8_t bus = (uint8_t)(address >> 16), device = (address >> 11) & 0x1F, function = (address >> 8) & 7;
  const uint8_t offset = address & 0xFC;
  for (uint32_t i = 0; i < sizeof kFunctions / sizeof kFunctions[0]; ++i) {
    const PciFunction* f = &kFunctions[i];
    if (f->bus != bus || f->device != device || f->function != function) continue;
    for (uint32_t r = 0; r < f->count; ++r)
      if (f->registers[r].offset == offset) return f->registers[r].value;
    return 0;
  }
  return 0xFFFFFFFFu;
}

static uint32_t readPort32(void* context, uint16_t port) {
  (void)context;
  ready();
  if (port == CONFIG_ADDRESS_PORT) return model.configAddress;
  if (port == CONFIG_DATA_PORT) return configRead(model.configAddress);
  return 0xFFFFFFFFu;
}

static void writePort32(void* context, uint16_t port, uint32_t value) {
  (void)context;
  ready();
  if (port == CONFIG_ADDRESS_PORT) model.configAddress = value;
}

/* The window that holds all size bytes at address, as a pointer into it, or NULL. */
static volatile void* map(void* context, uint32_t address, uint32_t size) {
  (void)context;
  ready();
  if (address >= MODEL_GLOBAL_BASE && address - MODEL_GLOBAL_BASE + size <= GLOBAL_WINDOW)
    return &model.global[address - MODEL_GLOBAL_BASE];
  if (address >= MODEL_PORT_BASE && address - MODEL_PORT_BASE + size <= PORT_WINDOW)
    return &model.ports[address - MODEL_PORT_BASE];
  return NULL;
}

static void unmap(void* context, volatile void* mapped, uint32_t size) {
  (void)context;
  (void)mapped;
  (void)size;
}

static uint32_t load32(const volatile uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void store32(volatile uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = (uint8_t)(value >> (8 * i));
}

static int overlaps(const volatile uint8_t* reg, uint32_t size, uint32_t offset) {
  const volatile uint8_t* at = &model.global[offset];
  return reg < at + 4 && reg + size > at;
}

/* The flash cycle a command started ends after a few reads of the command
 * register, as the controller takes its time over the chip's bus cycle: until
 * then the start bit reads 1 and the data register holds what it held before.
 * The cycle takes the data register's byte as it ends. A command written over a
 * running one replaces it. */
#define CYCLE_READS 3u

static void endCycle(void) {
  const uint32_t word = load32(&model.global[FLASH_COMMAND]);
  const uint32_t address = word & FLASH_ADDRESS_MASK;
  if (word & FLASH_READ)
    model.global[FLASH_DATA] = jedecRead(&model.flash, address);
  else
    jedecWrite(&model.flash, address, model.global[FLASH_DATA]);
  store32(&model.global[FLASH_COMMAND], word & ~FLASH_START);
}

static void beforeRead(volatile uint8_t* reg, uint32_t size) {
  if (model.cycleReads == 0 || !overlaps(reg, size, FLASH_COMMAND)) return;
  if (--model.cycleReads == 0) endCycle();
}

static void afterWrite(volatile uint8_t* reg, uint32_t size) {
  if (!overlaps(reg, size, FLASH_COMMAND)) return;
  model.cycleReads = (load32(&model.global[FLASH_COMMAND]) & FLASH_START) ? CYCLE_READS : 0;
}

static uint8_t read8(void* context, volatile void* reg) {
  (void)context;
  beforeRead((volatile uint8_t*)reg, 1);
  return *(volatile uint8_t*)reg;
}

static uint32_t read32(void* context, volatile void* reg) {
  (void)context;
  beforeRead((volatile uint8_t*)reg, 4);
  return load32((volatile uint8_t*)reg);
}

static void write8(void* context, volatile void* reg, uint8_t value) {
  (void)context;
  *(volatile uint8_t*)reg = value;
  afterWrite((volatile uint8_t*)reg, 1);
}

static void write32(void* context, volatile void* reg, uint32_t value) {
  (void)context;
  store32((volatile uint8_t*)reg, value);
  afterWrite((volatile uint8_t*)reg, 4);
}

static int isRam(void* context, uint32_t address, uint32_t size) {
  (void)context;
  (void)size;
  return address < MODEL_RAM_END;
}

static void stall(void* context, uint32_t microseconds) {
  (void)context;
  model.stalled += microseconds;
}

const AccessHardware* pcModel(void) {
  static const AccessHardware hardware = {.context = NULL, .readPort32 = readPort32, .writePort32 = writePort32,
                                          .map = map, .unmap = unmap, .read8 = read8, .read32 = read32,
                                          .write8 = write8, .write32 = write32, .isRam = isRam, .stall = stall};
  return &hardware;
}

const AccessHardware* driverHardware(void) { return pcModel(); }
