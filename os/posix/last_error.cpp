#include "os/types.h"

namespace os {
namespace {
thread_local std::uint32_t t_lastError = kErrorSuccess;
}
std::uint32_t lastError() { return t_lastError; }
void setLastError(std::uint32_t code) { t_lastError = code; }
}  // namespace os
