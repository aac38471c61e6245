/* The model's flash chip: 128 KiB, byte-wide, with the JEDEC command set of the
 * small parallel parts that hold a controller's option ROM. It starts erased and
 * in read mode; commands are bus write cycles on 0x5555 and 0x2AAA (address bits
 * 14 to 0):
 *   AA@5555 55@2AAA 90@5555            software ID: address 0 reads the
 *                                      manufacturer code, address 1 the device code
 *   F0 (any address)                   back to read mode
 *   AA 55 A0@5555, then data@address   byte program: the byte becomes old AND data
 *   AA 55 80@5555 AA 55 10@5555        chip erase: every byte to 0xFF
 * A write that breaks a sequence returns the chip to read mode. Program and erase
 * are done when their last cycle is. */
#ifndef CFGPROBE_DRIVER_MODEL_JEDEC_CHIP_H
#define CFGPROBE_DRIVER_MODEL_JEDEC_CHIP_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define JEDEC_CHIP_SIZE 0x20000u

typedef struct JedecChip {
  uint8_t cells[JEDEC_CHIP_SIZE];
  uint8_t manufacturer, device;
  int step;          /* how far into a command sequence the bus cycles are */
  int softwareId;    /* reads answer the identification */
  uint64_t programs; /* byte programs carried out */
} JedecChip;

void jedecReset(JedecChip* chip, uint8_t manufacturer, uint8_t device);
uint8_t jedecRead(JedecChip* chip, uint32_t address);
void jedecWrite(JedecChip* chip, uint32_t address, uint8_t value);

#ifdef __cplusplus
}
#endif

#endif
