/* The small PC the model build of the access driver runs on, in place of the real
 * hardware table: configuration mechanism #1 at ports 0xCF8/0xCFC with two PCI
 * functions on it, and the device memory of one of them.
 *   bus 1, device 0: a KB20 board, identity 0x01021195, match word 0x01021195 at
 *     0x94, base register 0x10 = 0xF2000000, I/O register 0x1C = 0x0000C001;
 *   bus 2, device 0: a SiI3132 SATA controller (identity and subsystem 0x31321095),
 *     global registers at 0xF3000000 (BAR0), port registers at 0xF3010000 (BAR2),
 *     and the flash chip behind its flash command (+0x70) and data (+0x74) registers:
 *     a command with bit 25 (start) runs one flash bus cycle at the address in bits
 *     18 to 0, reading the chip's byte into the data register when bit 24 is set and
 *     writing the data register's byte otherwise. The cycle ends after three reads
 *     of the command register: until then bit 25 reads 1 and the data register
 *     holds its old byte; a command written over a running cycle replaces it.
 * Functions that are not there read all ones; configuration writes are ignored.
 * RAM is the first 2 GiB of the physical address space; other memory than the
 * controller's two windows cannot be mapped. */
#ifndef CFGPROBE_DRIVER_MODEL_PC_MODEL_H
#define CFGPROBE_DRIVER_MODEL_PC_MODEL_H

#include "../access_hardware.h"
#include "jedec_chip.h"

#ifdef __cplusplus
extern "C" {
#endif

#define MODEL_GLOBAL_BASE 0xF3000000u
#define MODEL_PORT_BASE 0xF3010000u
#define MODEL_RAM_END 0x80000000u

const AccessHardware* pcModel(void);
/* The model's flash chip, for checks that look at it directly. */
JedecChip* pcModelFlash(void);
/* Back to the state the model starts in: chip erased, registers cleared. */
void pcModelReset(void);
/* Microseconds the driver has stalled on the model so far. */
uint64_t pcModelStalled(void);

#ifdef __cplusplus
}
#endif

#endif
