#include "analysis/board_table.h"

namespace analysis {
namespace {

constexpr std::u16string_view kKa10Ids[] = {
    u"VEN_1217&DEV_02E0&SUBSYS_51011195", u"VEN_1217&DEV_02E1&SUBSYS_51011195",
    u"VEN_1217&DEV_02E2&SUBSYS_51011195", u"VEN_1217&DEV_02E3&SUBSYS_51011195",
    u"VEN_1217&DEV_02EB&SUBSYS_51011195", u"VEN_1217&DEV_02EF&SUBSYS_51011195",
    u"VEN_1217&DEV_02F1&SUBSYS_51011195",
};

constexpr std::u16string_view kKb20Ids[] = {
    u"VEN_1195&DEV_0102&SUBSYS_01021195", u"VEN_1095&DEV_3132&SUBSYS_31321095",
    u"VEN_1217&DEV_8134&SUBSYS_00021217", u"VEN_1217&DEV_02E0&SUBSYS_01021195",
    u"VEN_1217&DEV_02E1&SUBSYS_01021195", u"VEN_1217&DEV_02E2&SUBSYS_01021195",
    u"VEN_1217&DEV_02E3&SUBSYS_01021195", u"VEN_1217&DEV_02EB&SUBSYS_01021195",
    u"VEN_1217&DEV_02EF&SUBSYS_01021195", u"VEN_1217&DEV_02F1&SUBSYS_01021195",
};

constexpr std::u16string_view kKb40Ids[] = {
    u"VEN_1195&DEV_0104&SUBSYS_01041195", u"VEN_1095&DEV_3132&SUBSYS_31321095",
    u"VEN_1217&DEV_8134&SUBSYS_00021217", u"VEN_1217&DEV_02E0&SUBSYS_01041195",
    u"VEN_1217&DEV_02E1&SUBSYS_01041195", u"VEN_1217&DEV_02E2&SUBSYS_01041195",
    u"VEN_1217&DEV_02E3&SUBSYS_01041195", u"VEN_1217&DEV_02EB&SUBSYS_01041195",
    u"VEN_1217&DEV_02EF&SUBSYS_01041195", u"VEN_1217&DEV_02F1&SUBSYS_01041195",
};

constexpr std::u16string_view kKb20Header[] = {
    u"[USE]", u"Ver=1011", u"SATA1=1", u"SATA2=1", u"PCCard=1",
    u"SxS=1", u"I/O=0",    u"USB=1",   u"PayloadSize=0", u"SataSSC=0",
};

constexpr std::u16string_view kKb40Header[] = {
    u"[USE]", u"Ver=1011", u"SATA=1", u"PCCard=1", u"SxS=1",
    u"I/O=0", u"SD=1",     u"USB=1",  u"PayloadSize=0", u"SataSSC=0",
};

const BoardProfile kKa10{{}, {}, kKa10Ids};
const BoardProfile kKb20{u"KB20.ini", kKb20Header, kKb20Ids};
const BoardProfile kKb40{u"KB40.ini", kKb40Header, kKb40Ids};

}  // namespace

const BoardProfile& boardProfile(Board board) {
  switch (board) {
    case Board::KB20: return kKb20;
    case Board::KB40: return kKb40;
    case Board::KA10: break;
  }
  return kKa10;
}

}  // namespace analysis
