#pragma once
// One synchronous request to the access driver: an event of its own in an
// overlapped record, the call, and the event closed again. The output is zeroed
// first, so a failed request reads as 0. The single-value accesses do not look at
// the result; the block transfers do, as a block that did not arrive must not be
// taken for data.
#include <cstdint>

#include "os/types.h"

namespace cfgprobe {

// true when the driver carried the request out; *returned (when given) then holds
// the number of output bytes the driver filled. Without an event for it the
// request is not sent at all (the output stays zeroed) and the result is false.
bool requestDriver(os::Handle device, std::uint32_t code, const void* input, std::uint32_t inputSize, void* output,
                   std::uint32_t outputSize, std::uint32_t* returned = nullptr);

}  // namespace cfgprobe
