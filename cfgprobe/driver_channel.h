#pragma once
// One synchronous request to the access driver: an event of its own in an
// overlapped record, the call, and the event closed again. The output is zeroed
// first and the call's own result is not looked at, so a failed request reads as 0.
#include <cstdint>

#include "os/types.h"

namespace cfgprobe {

void requestDriver(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                   std::uint32_t outputSize);

}  // namespace cfgprobe
