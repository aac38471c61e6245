#include "jedec_chip.h"

enum {
  kIdle,
  kUnlocked,     /* AA@5555 */
  kCommanded,    /* AA 55: the command byte comes next */
  kProgram,      /* AA 55 A0: the data byte comes next */
  kEraseSetup,   /* AA 55 80 */
  kEraseUnlocked,
  kEraseCommanded
};

static int at(uint32_t address, uint32_t commandAddress) { return (address & 0x7FFF) == commandAddress; }

void jedecReset(JedecChip* chip, uint8_t manufacturer, uint8_t device) {
  for (uint32_t i = 0; i < JEDEC_CHIP_SIZE; ++i) chip->cells[i] = 0xFF;
  chip->manufacturer = manufacturer;
  chip->device = device;
  chip->step = kIdle;
  chip->softwareId = 0;
  chip->programs = 0;
}

uint8_t jedecRead(JedecChip* chip, uint32_t address) {
  if (chip->softwareId) return (address & 1) ? chip->device : chip->manufacturer;
  return chip->cells[address % JEDEC_CHIP_SIZE];
}

static void breakSequence(JedecChip* chip) {
  chip->step = kIdle;
  chip->softwareId = 0;
}

void jedecWrite(JedecChip* chip, uint32_t address, uint8_t value) {
  switch (chip->step) {
    case kProgram:
      chip->cells[address % JEDEC_CHIP_SIZE] &= value;
      ++chip->programs;
      chip->step = kIdle;
      return;
    case kIdle:
      if (value == 0xF0)
        chip->softwareId = 0;
      else if (value == 0xAA && at(address, 0x5555))
        chip->step = kUnlocked;
      return;
    case kUnlocked:
      if (value == 0x55 && at(address, 0x2AAA))
        chip->step = kCommanded;
      else
        breakSequence(chip);
      return;
    case kCommanded:
      if (!at(address, 0x5555) || (value != 0x90 && value != 0xA0 && value != 0x80)) {
        breakSequence(chip);
      } else if (value == 0x90) {
        chip->step = kIdle;
        chip->softwareId = 1;
      } else {
        chip->step = value == 0xA0 ? kProgram : kEraseSetup;
      }
      return;
    case kEraseSetup:
      if (value == 0xAA && at(address, 0x5555))
        chip->step = kEraseUnlocked;
      else
        breakSequence(chip);
      return;
    case kEraseUnlocked:
      if (value == 0x55 && at(address, 0x2AAA))
        chip->step = kEraseCommanded;
      else
        breakSequence(chip);
      return;
    case kEraseCommanded:
      if (value == 0x10 && at(address, 0x5555))
        for (uint32_t i = 0; i < JEDEC_CHIP_SIZE; ++i) chip->cells[i] = 0xFF;
      breakSequence(chip);
      return;
  }
}
