/* Where the access driver's memory requests may go: the register windows of the
 * SiI3132 controllers in the machine, found in configuration space through ports
 * 0xCF8 and 0xCFC (reads of 0xCFC only: the driver never writes configuration). */
#ifndef CFGPROBE_DRIVER_ACCESS_REACH_H
#define CFGPROBE_DRIVER_ACCESS_REACH_H

#include "access_requests.h"

/* Nonzero when all size bytes at address lie inside one controller's window. The
 * windows are looked up at the first call, and again when the range is in none of
 * them, as a controller may have come since (or its windows moved). *global is set
 * to the controller's BAR0 base when the range is in its global registers, else 0. */
int accessReachAllows(const AccessHardware* hardware, AccessReach* reach, uint32_t address, uint32_t size,
                      uint32_t* global);

#endif
