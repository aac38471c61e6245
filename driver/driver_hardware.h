/* The hardware table the driver is built with: real_hardware.c in Cfgprobe64.sys,
 * model/pc_model.c (with model/flash_file.c) in the model build. */
#ifndef CFGPROBE_DRIVER_DRIVER_HARDWARE_H
#define CFGPROBE_DRIVER_DRIVER_HARDWARE_H

#include "access_hardware.h"

const AccessHardware* driverHardware(void);
/* Called as the driver starts, before its device exists, and as it unloads, after
 * its device has gone: what the hardware keeps while no driver runs. */
void driverHardwareStarted(void);
void driverHardwareUnloading(void);

#endif
