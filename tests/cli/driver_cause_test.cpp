// What the tool says when the service manager refused the access driver: the
// Windows error the library kept, and whether Cfgprobe64.sys is in the current
// folder, give a cause and a remedy.
#include <gtest/gtest.h>

#include <string>

#include "cli/access_library.h"

namespace {

struct Cause {
  const char* name;
  std::uint32_t error;
  bool fileHere;
  const char* says;  // empty: nothing to add
};

void PrintTo(const Cause& c, std::ostream* os) { *os << c.name; }

class DriverCauses : public ::testing::TestWithParam<Cause> {};

TEST_P(DriverCauses, NameTheCauseAndItsRemedy) {
  const std::string text = cli::driverServiceCause(GetParam().error, GetParam().fileHere);
  if (std::string(GetParam().says).empty())
    EXPECT_EQ(text, "");
  else
    EXPECT_NE(text.find(GetParam().says), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DriverCauses,
    ::testing::Values(
        Cause{"AccessDenied", 5, true, "not run as administrator; run it from a command prompt opened as administrator"},
        Cause{"AccessDeniedWinsOverAMissingFile", 5, false, "(error 5): not run as administrator"},
        Cause{"FileNotFound", 2, true, "Cfgprobe64.sys is not in the current folder (error 2): put Cfgprobe64.sys beside"},
        Cause{"PathNotFound", 3, true, "Cfgprobe64.sys is not in the current folder (error 3)"},
        Cause{"FileMissingWithoutAnError", 0, false, "Cfgprobe64.sys is not in the current folder: put"},
        Cause{"SignatureRefused", 577, true, "signature (error 577): it loads only with test-signing on"},
        Cause{"BlockedByPolicy", 1275, true, "blocked the driver by policy (error 1275)"},
        Cause{"AnyOtherError", 1058, true, "the service manager's error 1058"},
        Cause{"NoneKnown", 0, true, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
