// The hexadecimal conversion shared by range lines and the Space Size box.
#include <gtest/gtest.h>

#include "analysis/hex_number.h"

namespace {

struct HexCase {
  const char16_t* text;
  std::uint32_t value;
};

class HexNumber : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexNumber, Converts) { EXPECT_EQ(analysis::parseHexNumber(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Texts, HexNumber,
    ::testing::Values(HexCase{u"600000", 0x600000}, HexCase{u"0x1000", 0x1000}, HexCase{u"0X1000", 0x1000},
                      HexCase{u"10 and more", 0x10}, HexCase{u"  \t\r\n 1f", 0x1F}, HexCase{u"fedCBA98", 0xFEDCBA98},
                      HexCase{u"", 0}, HexCase{u"0", 0}, HexCase{u"zz", 0}, HexCase{u"   ", 0},
                      HexCase{u"-1", 0xFFFFFFFF}, HexCase{u"-0x10", 0xFFFFFFF0}, HexCase{u"+0x10", 0x10},
                      HexCase{u"--1", 0}, HexCase{u"0x", 0}, HexCase{u"0xg", 0},
                      HexCase{u"FFFFFFFF", 0xFFFFFFFF}, HexCase{u"FFFFFFFF0", 0xFFFFFFFF},
                      HexCase{u"100000000", 0xFFFFFFFF}, HexCase{u"-100000000", 0xFFFFFFFF},
                      HexCase{u"000000000001", 1}, HexCase{u"12-34", 0x12},
                      HexCase{u"\u3000" u"12", 0}));  // only ASCII white space is skipped

}  // namespace
