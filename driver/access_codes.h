/* The access driver's control codes and its 76-byte request record, as the access
 * library sends them: device type 0x9C40, any access, buffered. Plain C with
 * fixed-width types, so that the driver, its hardware model and the checks that run
 * on the build machine share one definition. */
#ifndef CFGPROBE_DRIVER_ACCESS_CODES_H
#define CFGPROBE_DRIVER_ACCESS_CODES_H

#include <stdint.h>

#define ACS_CODE(function) ((0x9C40u << 16) | ((function) << 2))

#define ACS_READ_PORT ACS_CODE(0x904)       /* 0x9C402410 */
#define ACS_WRITE_PORT ACS_CODE(0x905)      /* 0x9C402414 */
#define ACS_READ_MEM_BYTE ACS_CODE(0x906)   /* 0x9C402418 */
#define ACS_WRITE_MEM_BYTE ACS_CODE(0x907)  /* 0x9C40241C */
#define ACS_READ_MEM_DWORD ACS_CODE(0x90A)  /* 0x9C402428 */
#define ACS_WRITE_MEM_DWORD ACS_CODE(0x90B) /* 0x9C40242C */
#define ACS_WRITE_BLOCK ACS_CODE(0x90C)     /* 0x9C402430 */
#define ACS_READ_BLOCK ACS_CODE(0x90D)      /* 0x9C402434 */

#define ACS_BLOCK_SIZE 64u

/* Little-endian, no padding: address or port at 0, the flash command word of the
 * block codes at 4, the value of the single writes at 8, the block's bytes at 12. */
typedef struct AccessRecord {
  uint32_t address;
  uint32_t command;
  uint32_t value;
  uint8_t data[ACS_BLOCK_SIZE];
} AccessRecord;

#define ACS_RECORD_SIZE 76u

_Static_assert(sizeof(AccessRecord) == ACS_RECORD_SIZE, "the record is 76 bytes");

/* The completion statuses the driver gives (the kernel's own values). */
#define ACS_STATUS_SUCCESS 0x00000000u
#define ACS_STATUS_UNSUCCESSFUL 0xC0000001u
#define ACS_STATUS_ACCESS_DENIED 0xC0000022u
#define ACS_STATUS_INVALID_PARAMETER 0xC000000Du
#define ACS_STATUS_INVALID_DEVICE_REQUEST 0xC0000010u

#endif
