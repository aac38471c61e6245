/* One control request of the access driver, carried out on a hardware table. The
 * buffer is the request's system buffer (the input on entry, the output on return,
 * as buffered control requests have it). Returns the completion status and sets
 * *returned to the number of output bytes. */
#ifndef CFGPROBE_DRIVER_ACCESS_REQUESTS_H
#define CFGPROBE_DRIVER_ACCESS_REQUESTS_H

#include <stdint.h>

#include "access_hardware.h"

#ifdef __cplusplus
extern "C" {
#endif

/* How long a programmed flash byte may take to read back as written. */
#define ACS_PROGRAM_TIMEOUT_US 100u

uint32_t serveAccessRequest(const AccessHardware* hardware, uint32_t code, void* buffer, uint32_t inputSize,
                            uint32_t outputSize, uint32_t* returned);

#ifdef __cplusplus
}
#endif

#endif
