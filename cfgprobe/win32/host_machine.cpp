#include "cfgprobe/host_machine.h"

namespace cfgprobe {

void adoptHostMachine() {}  // the real PC is the machine

}  // namespace cfgprobe
