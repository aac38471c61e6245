#include "os/platform.h"

namespace os {
namespace {

Platform withDefaults(const Platform& given) {
  const Platform defaults = defaultPlatform();
  Platform p = given;
  if (!p.files) p.files = defaults.files;
  if (!p.system) p.system = defaults.system;
  if (!p.processes) p.processes = defaults.processes;
  if (!p.modules) p.modules = defaults.modules;
  if (!p.objects) p.objects = defaults.objects;
  if (!p.clock) p.clock = defaults.clock;
  if (!p.services) p.services = defaults.services;
  if (!p.devices) p.devices = defaults.devices;
  if (!p.setup) p.setup = defaults.setup;
  if (!p.threads) p.threads = defaults.threads;
  if (!p.versions) p.versions = defaults.versions;
  if (!p.windows) p.windows = defaults.windows;
  return p;
}

Platform& current() {
  static Platform instance = withDefaults(Platform{});
  return instance;
}

}  // namespace

const Platform& platform() { return current(); }

void installPlatform(const Platform& facilities) { current() = withDefaults(facilities); }

}  // namespace os
