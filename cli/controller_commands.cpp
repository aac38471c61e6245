// spanfinder controllers and spanfinder link-speed: the SiI3132 controllers the
// access library finds, and the link-speed limits of their ports.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/command.h"
#include "cli/controller_output.h"
#include "cli/controller_run.h"

namespace cli {
namespace {

struct ControllersOptions {
  PlaceOptions place;
  bool json = false;
};

int listControllers(const ControllersOptions& o, ControllerPlace& place, LibrarySession& session) {
  std::vector<ControllerListing> listed;
  for (int index = 1; index <= std::min(session.controllers(), kDeviceTableSize); ++index) {
    ControllerListing c;
    c.index = index;
    if (session.kx().getSiI3132Info(index, &c.info) != 1) continue;
    c.biosResult = session.kx().getBiosInfo(index, &c.bios);
    c.stored = storedLinkLimits(*place.facilities().setup, c.info.bBus, c.info.bDevice, c.info.bFunction);
    listed.push_back(c);
  }
  const std::string text = o.json ? controllersJson(listed) : controllersText(listed);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return kExitDone;
}

struct LinkSpeedOptions {
  PlaceOptions place;
  int index = 0;
  int port0 = 0;
  int port1 = 0;
};

int setLinkSpeed(const LinkSpeedOptions& o, LibrarySession& session) {
  const int result = session.kx().setSControl(o.index, o.port0, o.port1);
  if (result != 1) return operationFailed("link-speed", o.index, result);
  std::printf("controller %d: link-speed limits set: port 0 %s, port 1 %s\n", o.index, linkSpeedText(o.port0).c_str(),
              linkSpeedText(o.port1).c_str());
  std::printf("%s\n", o.port0 == 0 && o.port1 == 0
                          ? "the filter driver TavSCntl is no longer the controller's lower filter"
                          : "the filter driver TavSCntl applies them when Windows next starts the controller");
  return kExitDone;
}

}  // namespace

void addControllerCommands(CLI::App& app, Dispatch& dispatch) {
  auto controllers = std::make_shared<ControllersOptions>();
  CLI::App* list =
      app.add_subcommand("controllers",
                         "List the SiI3132 SATA controllers the access library finds: place on the bus, flash ID, "
                         "link speed of both ports (in effect, and stored for the controller's next start), description, and the "
                         "BIOS version and date in the chip.");
  controllers->place = addControllerPlaceOptions(*list);
  list->add_flag("--json", controllers->json, "Print one JSON object instead of text");
  list->callback([&dispatch, controllers] {
    dispatch.run = [controllers] {
      return runWithLibrary(*controllers->place, [&](ControllerPlace& place, LibrarySession& session) {
        return listControllers(*controllers, place, session);
      });
    };
  });

  auto speed = std::make_shared<LinkSpeedOptions>();
  CLI::App* link =
      app.add_subcommand("link-speed",
                         "Limit the link speed of a controller's two ports (0 no limit, 1 1.5 Gbps, 2 3.0 Gbps) "
                         "through the filter driver TavSCntl; 0 0 removes the filter.");
  speed->place = addControllerPlaceOptions(*link);
  link->add_option("INDEX", speed->index, "The controller's index (spanfinder controllers lists them)")
      ->required()
      ->check(CLI::Range(1, kDeviceTableSize));
  link->add_option("PORT0", speed->port0, "Port 0's limit: 0, 1 or 2")->required()->check(CLI::Range(0, 2));
  link->add_option("PORT1", speed->port1, "Port 1's limit: 0, 1 or 2")->required()->check(CLI::Range(0, 2));
  link->callback([&dispatch, speed] {
    dispatch.run = [speed] {
      return runWithLibrary(*speed->place,
                            [&](ControllerPlace&, LibrarySession& session) { return setLinkSpeed(*speed, session); });
    };
  });
}

}  // namespace cli
