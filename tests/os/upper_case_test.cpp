// Upper-casing without a system of its own: a to z and the Latin-1 letters only,
// unit for unit.
#include <gtest/gtest.h>

#include "os/system.h"
#include "os/text.h"

namespace {

struct UpperCase {
  const char* name;
  std::u16string text, upper;
};
void PrintTo(const UpperCase& c, std::ostream* os) { *os << c.name; }

class Latin1UpperCase : public ::testing::TestWithParam<UpperCase> {};

TEST_P(Latin1UpperCase, ChangesOnlyItsLetters) {
  EXPECT_EQ(os::upperCaseLatin1(GetParam().text), GetParam().upper);
  os::SystemInfo noSystem;
  EXPECT_EQ(noSystem.upperCase(GetParam().text), GetParam().upper);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Latin1UpperCase,
    ::testing::Values(UpperCase{"WindowsFolder", u"c:\\windows", u"C:\\WINDOWS"},
                      UpperCase{"Empty", u"", u""},
                      UpperCase{"LettersAtTheEndsOfTheRange", u"\u00E0\u00FE", u"\u00C0\u00DE"},
                      UpperCase{"DivisionSignIsNoLetter", u"\u00F7", u"\u00F7"},
                      // Their capitals lie outside Latin-1: left as they are.
                      UpperCase{"SmallYWithDiaeresisStays", u"\u00FF", u"\u00FF"},
                      UpperCase{"MicroSignStays", u"\u00B5", u"\u00B5"},
                      UpperCase{"BeyondLatin1Stays", u"\u0101\u0436", u"\u0101\u0436"},
                      UpperCase{"CapitalsAndDigitsStay", u"AZ09[`{", u"AZ09[`{"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
