// The service control manager when no back end provides one: every call fails.
#include "os/services.h"

namespace os {
namespace {
template <typename T>
T fail(T value) {
  setLastError(kErrorNotSupported);
  return value;
}
}  // namespace

Handle Services::openSCManagerA(const char*, const char*, std::uint32_t) { return fail<Handle>(nullptr); }
Handle Services::createServiceA(Handle, const char*, const char*, std::uint32_t, std::uint32_t, std::uint32_t,
                                std::uint32_t, const char*, const char*, std::uint32_t*, const char*, const char*,
                                const char*) {
  return fail<Handle>(nullptr);
}
Handle Services::openServiceA(Handle, const char*, std::uint32_t) { return fail<Handle>(nullptr); }
bool Services::startServiceA(Handle, std::uint32_t, const char**) { return fail(false); }
bool Services::controlService(Handle, std::uint32_t, ServiceStatus*) { return fail(false); }
bool Services::deleteService(Handle) { return fail(false); }
bool Services::closeServiceHandle(Handle) { return fail(false); }

}  // namespace os
