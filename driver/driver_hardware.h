/* The hardware table the driver is built with: real_hardware.c in Cfgprobe64.sys,
 * model_hardware.c in the model build. */
#ifndef CFGPROBE_DRIVER_DRIVER_HARDWARE_H
#define CFGPROBE_DRIVER_DRIVER_HARDWARE_H

#include "access_hardware.h"

const AccessHardware* driverHardware(void);

#endif
