/* One control request of the access driver, carried out on a hardware table. The
 * buffer is the request's system buffer (the input on entry, the output on return,
 * as buffered control requests have it). Returns the completion status and sets
 * *returned to the number of output bytes.
 *
 * The reach: port reads, and port writes of the configuration address (0xCF8)
 * only; memory only inside a SiI3132's two register windows (BAR0, the global
 * registers, and BAR2, the port registers), which the driver finds itself in
 * configuration space, never from the caller; never RAM. Everything else is
 * refused before the hardware is touched: reads with access denied, writes with
 * result 0. After every write to a flash command register the driver waits for
 * the flash cycle to end (start bit, bit 25, clear), and it never touches a flash
 * data register while a cycle runs.
 *
 * Requests are served one at a time: the caller holds one lock around each call
 * (the reach it keeps is shared by all of them). */
#ifndef CFGPROBE_DRIVER_ACCESS_REQUESTS_H
#define CFGPROBE_DRIVER_ACCESS_REQUESTS_H

#include <stdint.h>

#include "access_hardware.h"

#ifdef __cplusplus
extern "C" {
#endif

/* How long a programmed flash byte may take to read back as written. */
#define ACS_PROGRAM_TIMEOUT_US 100u
/* How long a flash cycle may keep the start bit set after its command. */
#define ACS_FLASH_CYCLE_TIMEOUT_US 100u
/* Controllers the driver keeps windows for; any beyond are not served. */
#define ACS_MAX_CONTROLLERS 16u
/* The windows' sizes: the global registers and the port registers. */
#define ACS_GLOBAL_WINDOW_SIZE 0x80u
#define ACS_PORT_WINDOW_SIZE 0x8000u

/* The SiI3132 controllers' windows as the driver last found them (0: none there). */
typedef struct AccessController {
  uint32_t global, ports;
} AccessController;

typedef struct AccessReach {
  AccessController controllers[ACS_MAX_CONTROLLERS];
  uint32_t count;
  int known; /* looked up at least once */
} AccessReach;

uint32_t serveAccessRequest(const AccessHardware* hardware, AccessReach* reach, uint32_t code, void* buffer,
                            uint32_t inputSize, uint32_t outputSize, uint32_t* returned);

#ifdef __cplusplus
}
#endif

#endif
