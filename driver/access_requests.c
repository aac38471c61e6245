/* The eight control codes. A request whose buffers are not exactly the code's sizes
 * is refused before any hardware is touched; so is every port write but the
 * configuration address's, and every memory range outside the controllers' windows
 * (access_reach.c) or in RAM, so that the driver cannot be used to reset the
 * machine, reprogram configuration space, or read or patch memory of the kernel,
 * of other devices or of the firmware's flash. */
#include "access_requests.h"

#include <stddef.h>

#include "access_codes.h"
#include "access_reach.h"

#define CONFIG_ADDRESS_PORT 0xCF8u

/* The controller's flash registers in its global window: the command register at
 * +0x70, the data register four bytes above it. Command words: start (bit 25) with
 * read (bit 24), or start alone (program the data register's byte), and the flash
 * address in bits 18 to 0. The cycle runs after the command is written; the start
 * bit reads 0 again when it is over. */
#define FLASH_COMMAND_OFFSET 0x70u
#define FLASH_DATA_OFFSET 4u
#define FLASH_REGISTERS_SIZE 8u
#define FLASH_START 0x02000000u
#define FLASH_READ 0x03000000u
#define FLASH_WRITE 0x02000000u
#define FLASH_ADDRESS_MASK 0x0007FFFFu

typedef struct Shape {
  uint32_t code, input, output;
} Shape;

static const Shape kShapes[] = {
    {ACS_READ_PORT, 2, 4},
    {ACS_WRITE_PORT, ACS_RECORD_SIZE, 4},
    {ACS_READ_MEM_BYTE, 4, 1},
    {ACS_WRITE_MEM_BYTE, ACS_RECORD_SIZE, 4},
    {ACS_READ_MEM_DWORD, 4, 4},
    {ACS_WRITE_MEM_DWORD, ACS_RECORD_SIZE, 4},
    {ACS_WRITE_BLOCK, ACS_RECORD_SIZE, 4},
    {ACS_READ_BLOCK, ACS_RECORD_SIZE, ACS_RECORD_SIZE},
};

static uint32_t wordAt(const uint8_t* bytes) {
  return (uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 | (uint32_t)bytes[3] << 24;
}

static void putWord(uint8_t* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = (uint8_t)(value >> (8 * i));
}

/* A mapped memory range: the request's bytes, and the flash command register when
 * the range reaches the flash register pair (the pair is then mapped with it). */
typedef struct Mapping {
  volatile uint8_t* start;
  uint32_t size;
  volatile uint8_t* target;
  volatile uint8_t* command;
} Mapping;

/* Maps size bytes at address for a request (for a block request, pairOnly: the
 * address must be a flash command register). Refused (access denied) outside the
 * controllers' windows and for RAM; unsuccessful when the memory cannot be mapped. */
static uint32_t mapRange(const AccessHardware* hw, AccessReach* reach, uint32_t address, uint32_t size,
                         int pairOnly, Mapping* m) {
  uint32_t global = 0;
  if (address > UINT32_MAX - (size - 1) || hw->isRam(hw->context, address, size) ||
      !accessReachAllows(hw, reach, address, size, &global) ||
      (pairOnly && (global == 0 || address != global + FLASH_COMMAND_OFFSET)))
    return ACS_STATUS_ACCESS_DENIED;
  uint32_t first = address, end = address + size;
  const uint32_t pair = global + FLASH_COMMAND_OFFSET;
  const int flash = global != 0 && address < pair + FLASH_REGISTERS_SIZE && end > pair;
  if (flash) {
    if (pair < first) first = pair;
    if (pair + FLASH_REGISTERS_SIZE > end) end = pair + FLASH_REGISTERS_SIZE;
  }
  m->size = end - first;
  m->start = (volatile uint8_t*)hw->map(hw->context, first, m->size);
  if (!m->start) return ACS_STATUS_UNSUCCESSFUL;
  m->target = m->start + (address - first);
  m->command = flash ? m->start + (pair - first) : NULL;
  return ACS_STATUS_SUCCESS;
}

static void unmapRange(const AccessHardware* hw, const Mapping* m) { hw->unmap(hw->context, m->start, m->size); }

/* Waits, bounded, for the flash cycle to end: 0 when the start bit stays set. */
static int flashIdle(const AccessHardware* hw, volatile uint8_t* command) {
  for (uint32_t waited = 0;; ++waited) {
    if (!(hw->read32(hw->context, command) & FLASH_START)) return 1;
    if (waited == ACS_FLASH_CYCLE_TIMEOUT_US) return 0;
    hw->stall(hw->context, 1);
  }
}

static int touches(const Mapping* m, uint32_t size, uint32_t offset) {
  return m->command && m->target < m->command + offset + 4 && m->target + size > m->command + offset;
}

/* One flash bus cycle: the command written, then its end awaited. */
static int flashCommand(const AccessHardware* hw, volatile uint8_t* command, uint32_t word) {
  hw->write32(hw->context, command, word);
  return flashIdle(hw, command);
}

static int sendFlashByte(const AccessHardware* hw, volatile uint8_t* command, uint32_t address, uint8_t value) {
  hw->write8(hw->context, command + FLASH_DATA_OFFSET, value);
  return flashCommand(hw, command, FLASH_WRITE | (address & FLASH_ADDRESS_MASK));
}

static int readFlashByte(const AccessHardware* hw, volatile uint8_t* command, uint32_t address, uint8_t* value) {
  if (!flashCommand(hw, command, FLASH_READ | (address & FLASH_ADDRESS_MASK))) return 0;
  *value = hw->read8(hw->context, command + FLASH_DATA_OFFSET);
  return 1;
}

static int readBlock(const AccessHardware* hw, volatile uint8_t* command, uint32_t first, uint8_t* data) {
  for (uint32_t i = 0; i < ACS_BLOCK_SIZE; ++i)
    if (!readFlashByte(hw, command, first + i, &data[i])) return 0;
  return 1;
}

/* The JEDEC byte program (AA@5555 55@2AAA A0@5555 data@address) for each byte, then
 * the byte read back until it holds what was written. A byte that does not within
 * the time allowed (still busy, or not erased there: programming only clears bits)
 * fails the block; the bytes after it are not programmed. */
static int programBlock(const AccessHardware* hw, volatile uint8_t* command, uint32_t first, const uint8_t* data) {
  for (uint32_t i = 0; i < ACS_BLOCK_SIZE; ++i) {
    const uint32_t address = first + i;
    if (!sendFlashByte(hw, command, 0x5555, 0xAA) || !sendFlashByte(hw, command, 0x2AAA, 0x55) ||
        !sendFlashByte(hw, command, 0x5555, 0xA0) || !sendFlashByte(hw, command, address, data[i]))
      return 0;
    uint8_t stored = 0;
    for (uint32_t waited = 0;; ++waited) {
      if (!readFlashByte(hw, command, address, &stored)) return 0;
      if (stored == data[i]) break;
      if (waited == ACS_PROGRAM_TIMEOUT_US) return 0;
      hw->stall(hw->context, 1);
    }
  }
  return 1;
}

/* A single memory read: the byte or dword into the output. The flash data register
 * is read only once no cycle runs. */
static uint32_t readMemory(const AccessHardware* hw, AccessReach* reach, uint8_t* buffer, uint32_t size,
                           uint32_t* returned) {
  Mapping m;
  uint32_t status = mapRange(hw, reach, wordAt(buffer), size, 0, &m);
  if (status != ACS_STATUS_SUCCESS) return status;
  if (touches(&m, size, FLASH_DATA_OFFSET) && !flashIdle(hw, m.command)) {
    status = ACS_STATUS_UNSUCCESSFUL;
  } else {
    if (size == 1)
      buffer[0] = hw->read8(hw->context, m.target);
    else
      putWord(buffer, hw->read32(hw->context, m.target));
    *returned = size;
  }
  unmapRange(hw, &m);
  return status;
}

/* A single memory write: 1 when written, 0 when refused or when a flash cycle it
 * would disturb, or the one it starts, does not end in time. */
static uint32_t writeMemory(const AccessHardware* hw, AccessReach* reach, uint32_t address, uint32_t value,
                            uint32_t size) {
  Mapping m;
  if (mapRange(hw, reach, address, size, 0, &m) != ACS_STATUS_SUCCESS) return 0;
  uint32_t done = 0;
  if (!m.command || flashIdle(hw, m.command)) {
    if (size == 1)
      hw->write8(hw->context, m.target, (uint8_t)value);
    else
      hw->write32(hw->context, m.target, value);
    done = !touches(&m, size, 0) || flashIdle(hw, m.command);
  }
  unmapRange(hw, &m);
  return done;
}

/* The flash register pair of a block request: its address must be a controller's
 * flash command register, and no cycle may be running. */
static uint32_t mapFlashRegisters(const AccessHardware* hw, AccessReach* reach, uint32_t address, Mapping* m) {
  const uint32_t status = mapRange(hw, reach, address, FLASH_REGISTERS_SIZE, 1, m);
  if (status != ACS_STATUS_SUCCESS) return status;
  if (!flashIdle(hw, m->command)) {
    unmapRange(hw, m);
    return ACS_STATUS_UNSUCCESSFUL;
  }
  return ACS_STATUS_SUCCESS;
}

/* A block read: the 64 bytes into the record's data field. */
static uint32_t readBlockRequest(const AccessHardware* hw, AccessReach* reach, uint8_t* buffer,
                                 uint32_t* returned) {
  Mapping m;
  uint32_t status = mapFlashRegisters(hw, reach, wordAt(buffer), &m);
  if (status != ACS_STATUS_SUCCESS) return status;
  if (readBlock(hw, m.command, wordAt(buffer + 4) & FLASH_ADDRESS_MASK, buffer + 12))
    *returned = ACS_RECORD_SIZE;
  else
    status = ACS_STATUS_UNSUCCESSFUL;
  unmapRange(hw, &m);
  return status;
}

/* A block program: 1 when all 64 bytes read back as written, 0 when refused or failed. */
static uint32_t programBlockRequest(const AccessHardware* hw, AccessReach* reach, const uint8_t* buffer) {
  Mapping m;
  if (mapFlashRegisters(hw, reach, wordAt(buffer), &m) != ACS_STATUS_SUCCESS) return 0;
  const uint32_t done = (uint32_t)programBlock(hw, m.command, wordAt(buffer + 4) & FLASH_ADDRESS_MASK, buffer + 12);
  unmapRange(hw, &m);
  return done;
}

uint32_t serveAccessRequest(const AccessHardware* hw, AccessReach* reach, uint32_t code, void* systemBuffer,
                            uint32_t inputSize, uint32_t outputSize, uint32_t* returned) {
  uint8_t* buffer = (uint8_t*)systemBuffer;
  const Shape* shape = NULL;
  *returned = 0;
  for (uint32_t i = 0; i < sizeof kShapes / sizeof kShapes[0] && !shape; ++i)
    if (kShapes[i].code == code) shape = &kShapes[i];
  if (!shape) return ACS_STATUS_INVALID_DEVICE_REQUEST;
  if (inputSize != shape->input || outputSize != shape->output || !buffer) return ACS_STATUS_INVALID_PARAMETER;

  uint32_t result = 0;
  switch (code) {
    case ACS_READ_PORT:
      putWord(buffer, hw->readPort32(hw->context, (uint16_t)(buffer[0] | buffer[1] << 8)));
      *returned = 4;
      return ACS_STATUS_SUCCESS;
    case ACS_READ_MEM_BYTE: return readMemory(hw, reach, buffer, 1, returned);
    case ACS_READ_MEM_DWORD: return readMemory(hw, reach, buffer, 4, returned);
    case ACS_READ_BLOCK: return readBlockRequest(hw, reach, buffer, returned);
    case ACS_WRITE_PORT:
      /* The configuration address only: no configuration writes, no other device. */
      if (wordAt(buffer) != CONFIG_ADDRESS_PORT) break;
      hw->writePort32(hw->context, CONFIG_ADDRESS_PORT, wordAt(buffer + 8));
      result = 1;
      break;
    case ACS_WRITE_MEM_BYTE: result = writeMemory(hw, reach, wordAt(buffer), wordAt(buffer + 8), 1); break;
    case ACS_WRITE_MEM_DWORD: result = writeMemory(hw, reach, wordAt(buffer), wordAt(buffer + 8), 4); break;
    case ACS_WRITE_BLOCK: result = programBlockRequest(hw, reach, buffer); break;
  }
  putWord(buffer, result);
  *returned = 4;
  return ACS_STATUS_SUCCESS;
}
