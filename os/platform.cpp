#include "os/platform.h"

namespace os {
namespace {

Platform withDefaults(const Platform& given) { return completed(given, defaultPlatform()); }

Platform& current() {
  static Platform instance = withDefaults(Platform{});
  return instance;
}

bool& installed() {
  static bool any = false;
  return any;
}

}  // namespace

Platform completed(const Platform& given, const Platform& fallback) {
  Platform p = given;
  if (!p.files) p.files = fallback.files;
  if (!p.system) p.system = fallback.system;
  if (!p.processes) p.processes = fallback.processes;
  if (!p.modules) p.modules = fallback.modules;
  if (!p.objects) p.objects = fallback.objects;
  if (!p.clock) p.clock = fallback.clock;
  if (!p.services) p.services = fallback.services;
  if (!p.devices) p.devices = fallback.devices;
  if (!p.setup) p.setup = fallback.setup;
  if (!p.threads) p.threads = fallback.threads;
  if (!p.versions) p.versions = fallback.versions;
  if (!p.windows) p.windows = fallback.windows;
  return p;
}

const Platform& platform() { return current(); }

void installPlatform(const Platform& facilities) {
  installed() = facilities.files || facilities.system || facilities.processes ||
                facilities.modules || facilities.objects || facilities.clock || facilities.services ||
                facilities.devices || facilities.setup || facilities.threads || facilities.versions ||
                facilities.windows;
  current() = withDefaults(facilities);
}

bool platformInstalled() { return installed(); }

}  // namespace os
