/* The eight control codes. A request whose buffers are not exactly the code's sizes
 * is refused before any hardware is touched; so is memory that is system RAM, so
 * that the driver cannot be used to read or patch the kernel's own memory. */
#include "access_requests.h"

#include <string.h>

#include "access_codes.h"

/* The controller's flash registers: the command register at the request's address,
 * the data register four bytes above it. Command words: start (bit 25) with read
 * (bit 24), or start alone (program the data register's byte), and the flash
 * address in bits 18 to 0. */
#define FLASH_DATA_OFFSET 4u
#define FLASH_REGISTERS_SIZE 8u
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

/* Maps size bytes of device memory at address. Refused (access denied) for RAM and
 * for a range that wraps; unsuccessful when the memory cannot be mapped. */
static uint32_t mapDevice(const AccessHardware* hw, uint32_t address, uint32_t size, volatile uint8_t** mapped) {
  if (address > UINT32_MAX - (size - 1) || hw->isRam(address, size)) return ACS_STATUS_ACCESS_DENIED;
  *mapped = (volatile uint8_t*)hw->map(address, size);
  return *mapped ? ACS_STATUS_SUCCESS : ACS_STATUS_UNSUCCESSFUL;
}

/* One flash byte through the register pair: the data register, then the command. */
static void sendFlashByte(const AccessHardware* hw, volatile uint8_t* regs, uint32_t address, uint8_t value) {
  hw->write8(regs + FLASH_DATA_OFFSET, value);
  hw->write32(regs, FLASH_WRITE | (address & FLASH_ADDRESS_MASK));
}

static uint8_t readFlashByte(const AccessHardware* hw, volatile uint8_t* regs, uint32_t address) {
  hw->write32(regs, FLASH_READ | (address & FLASH_ADDRESS_MASK));
  return hw->read8(regs + FLASH_DATA_OFFSET);
}

static void readBlock(const AccessHardware* hw, volatile uint8_t* regs, uint32_t first, uint8_t* data) {
  for (uint32_t i = 0; i < ACS_BLOCK_SIZE; ++i) data[i] = readFlashByte(hw, regs, first + i);
}

/* The JEDEC byte program (AA@5555 55@2AAA A0@5555 data@address) for each byte, then
 * the byte read back until it holds what was written. A byte that does not within
 * the time allowed (still busy, or not erased there: programming only clears bits)
 * fails the block; the bytes after it are not programmed. */
static int programBlock(const AccessHardware* hw, volatile uint8_t* regs, uint32_t first, const uint8_t* data) {
  for (uint32_t i = 0; i < ACS_BLOCK_SIZE; ++i) {
    const uint32_t address = first + i;
    sendFlashByte(hw, regs, 0x5555, 0xAA);
    sendFlashByte(hw, regs, 0x2AAA, 0x55);
    sendFlashByte(hw, regs, 0x5555, 0xA0);
    sendFlashByte(hw, regs, address, data[i]);
    uint32_t waited = 0;
    while (readFlashByte(hw, regs, address) != data[i]) {
      if (waited++ == ACS_PROGRAM_TIMEOUT_US) return 0;
      hw->stall(1);
    }
  }
  return 1;
}

/* A single memory read: the byte or dword into the output. */
static uint32_t readMemory(const AccessHardware* hw, uint8_t* buffer, uint32_t size, uint32_t* returned) {
  volatile uint8_t* mapped = NULL;
  const uint32_t status = mapDevice(hw, wordAt(buffer), size, &mapped);
  if (status != ACS_STATUS_SUCCESS) return status;
  if (size == 1)
    buffer[0] = hw->read8(mapped);
  else
    putWord(buffer, hw->read32(mapped));
  hw->unmap(mapped, size);
  *returned = size;
  return ACS_STATUS_SUCCESS;
}

/* A single memory write: 1 when written, 0 when refused. */
static uint32_t writeMemory(const AccessHardware* hw, uint32_t address, uint32_t value, uint32_t size) {
  volatile uint8_t* mapped = NULL;
  if (mapDevice(hw, address, size, &mapped) != ACS_STATUS_SUCCESS) return 0;
  if (size == 1)
    hw->write8(mapped, (uint8_t)value);
  else
    hw->write32(mapped, value);
  hw->unmap(mapped, size);
  return 1;
}

/* A block read: the 64 bytes into the record's data field. */
static uint32_t readBlockRequest(const AccessHardware* hw, uint8_t* buffer, uint32_t* returned) {
  volatile uint8_t* regs = NULL;
  const uint32_t status = mapDevice(hw, wordAt(buffer), FLASH_REGISTERS_SIZE, &regs);
  if (status != ACS_STATUS_SUCCESS) return status;
  readBlock(hw, regs, wordAt(buffer + 4) & FLASH_ADDRESS_MASK, buffer + 12);
  hw->unmap(regs, FLASH_REGISTERS_SIZE);
  *returned = ACS_RECORD_SIZE;
  return ACS_STATUS_SUCCESS;
}

/* A block program: 1 when all 64 bytes read back as written, 0 when refused or failed. */
static uint32_t programBlockRequest(const AccessHardware* hw, const uint8_t* buffer) {
  volatile uint8_t* regs = NULL;
  if (mapDevice(hw, wordAt(buffer), FLASH_REGISTERS_SIZE, &regs) != ACS_STATUS_SUCCESS) return 0;
  const uint32_t done = (uint32_t)programBlock(hw, regs, wordAt(buffer + 4) & FLASH_ADDRESS_MASK, buffer + 12);
  hw->unmap(regs, FLASH_REGISTERS_SIZE);
  return done;
}

uint32_t serveAccessRequest(const AccessHardware* hw, uint32_t code, void* systemBuffer, uint32_t inputSize,
                            uint32_t outputSize, uint32_t* returned) {
  uint8_t* buffer = (uint8_t*)systemBuffer;
  const Shape* shape = NULL;
  *returned = 0;
  for (uint32_t i = 0; i < sizeof kShapes / sizeof kShapes[0]; ++i)
    if (kShapes[i].code == code) shape = &kShapes[i];
  if (!shape) return ACS_STATUS_INVALID_DEVICE_REQUEST;
  if (inputSize != shape->input || outputSize != shape->output || !buffer) return ACS_STATUS_INVALID_PARAMETER;

  uint32_t result = 0;
  switch (code) {
    case ACS_READ_PORT:
      putWord(buffer, hw->readPort32((uint16_t)(buffer[0] | buffer[1] << 8)));
      *returned = 4;
      return ACS_STATUS_SUCCESS;
    case ACS_READ_MEM_BYTE: return readMemory(hw, buffer, 1, returned);
    case ACS_READ_MEM_DWORD: return readMemory(hw, buffer, 4, returned);
    case ACS_READ_BLOCK: return readBlockRequest(hw, buffer, returned);
    case ACS_WRITE_PORT:
      if (wordAt(buffer) > 0xFFFF) break;  /* no such port */
      hw->writePort32((uint16_t)wordAt(buffer), wordAt(buffer + 8));
      result = 1;
      break;
    case ACS_WRITE_MEM_BYTE: result = writeMemory(hw, wordAt(buffer), wordAt(buffer + 8), 1); break;
    case ACS_WRITE_MEM_DWORD: result = writeMemory(hw, wordAt(buffer), wordAt(buffer + 8), 4); break;
    case ACS_WRITE_BLOCK: result = programBlockRequest(hw, buffer); break;
  }
  putWord(buffer, result);
  *returned = 4;
  return ACS_STATUS_SUCCESS;
}
