// Result messages and the way block lines reach the result box.
#include <gtest/gtest.h>

#include "engine_fixture.h"
#include "resources/messages.h"

namespace {

using analysis_test::EngineTest;

using ResultListing = EngineTest;

TEST_F(ResultListing, ShowResultErrorMapsCodesToMessages) {
  const std::pair<int, std::uint16_t> table[] = {{100, 700}, {101, 701}, {102, 702}, {103, 703}, {104, 704},
                                                 {105, 705}, {106, 9999}, {0, 9999}, {-1, 9999}, {99, 9999}};
  for (auto lang : {resources::Language::English, resources::Language::Japanese}) {
    host.lang = lang;
    for (const auto& [code, id] : table) {
      host.shown.clear();
      engine.ShowResultError(code);
      ASSERT_EQ(host.shown.size(), 1u);
      EXPECT_FALSE(host.shown[0].dialog);
      EXPECT_EQ(host.shown[0].text, resources::loadMessage(id, lang)) << code;
    }
  }
}

TEST_F(ResultListing, LinesAreAppendedAtTheEndEachEndedByCrLf) {
  host.box.control.multiLine = true;
  host.box.control.setText(u"earlier\r\n");
  host.box.control.setSel(0, 3);  // a selection elsewhere does not matter
  EXPECT_EQ(engine.ListFreeBlocks(0x00200000, 0x00DFFFFF, 0x5FFFFF), 1);
  EXPECT_EQ(resultText(), "earlier\r\n0x00800000-0x00DFFFFF\r\n0x00200000-0x007FFFFF\r\n");
  // A Windows edit control breaks lines at CR LF alone: each block is a line of its own.
  EXPECT_EQ(host.box.control.lines(),
            (std::vector<std::u16string>{u"earlier", u"0x00800000-0x00DFFFFF", u"0x00200000-0x007FFFFF", u""}));
  EXPECT_EQ(host.box.control.caretScrolls(), 2u);
}

TEST_F(ResultListing, TheBoxKeepsItsDefaultLimit) {
  // 0x5000 blocks of 1 MB: more text than the edit control's default limit holds;
  // the box keeps what fits and reports it, as the system control does.
  EXPECT_EQ(engine.ListFreeBlocks(0, 0xFFFFFFFF, 0xFFFFF), 1);
  EXPECT_EQ(host.box.control.text().size(), ui::EditControl::kDefaultLimit);
  EXPECT_EQ(resultText().substr(0, 23), "0xFFF00000-0xFFFFFFFF\r\n");
  EXPECT_GT(host.box.control.maxTextNotifications(), 0u);
}

}  // namespace
