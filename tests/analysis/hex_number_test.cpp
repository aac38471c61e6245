// The hexadecimal conversion shared by range lines and the Space Size box.
#include <gtest/gtest.h>

#include "analysis/hex_number.h"

namespace {

struct HexCase {
  const char* name;
  const char16_t* text;
  std::uint32_t value;
};

void PrintTo(const HexCase& c, std::ostream* os) { *os << c.name; }

class HexNumber : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexNumber, Converts) { EXPECT_EQ(analysis::parseHexNumber(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Texts, HexNumber,
    ::testing::Values(HexCase{"digits", u"600000", 0x600000}, HexCase{"prefix", u"0x1000", 0x1000},
                      HexCase{"upperCasePrefix", u"0X1000", 0x1000}, HexCase{"textAfterDigits", u"10 and more", 0x10},
                      HexCase{"leadingWhiteSpace", u"  \t\r\n 1f", 0x1F},
                      HexCase{"mixedCase", u"fedCBA98", 0xFEDCBA98}, HexCase{"empty", u"", 0},
                      HexCase{"zero", u"0", 0}, HexCase{"noDigits", u"zz", 0}, HexCase{"blanksOnly", u"   ", 0},
                      HexCase{"minusOne", u"-1", 0xFFFFFFFF}, HexCase{"minusPrefixed", u"-0x10", 0xFFFFFFF0},
                      HexCase{"plusPrefixed", u"+0x10", 0x10}, HexCase{"twoSigns", u"--1", 0},
                      HexCase{"prefixAlone", u"0x", 0}, HexCase{"prefixThenNoDigit", u"0xg", 0},
                      HexCase{"largest", u"FFFFFFFF", 0xFFFFFFFF}, HexCase{"nineDigits", u"FFFFFFFF0", 0xFFFFFFFF},
                      HexCase{"justBeyond32Bits", u"100000000", 0xFFFFFFFF},
                      HexCase{"minusBeyond32Bits", u"-100000000", 0xFFFFFFFF},
                      HexCase{"leadingZerosDoNotOverflow", u"000000000001", 1},
                      HexCase{"hyphenEndsDigits", u"12-34", 0x12},
                      HexCase{"onlyAsciiWhiteSpaceSkipped", u"\u3000" u"12", 0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
