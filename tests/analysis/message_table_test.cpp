// The two-language message table: the texts the program shows and the section
// headings it finds its way by, which must match the report character for
// character.
#include <gtest/gtest.h>

#include "os/text.h"
#include "resources/messages.h"

namespace {

using resources::Language;

struct MessageCase {
  std::uint16_t id;
  const char* english;
  const char* japanese;
};

void PrintTo(const MessageCase& c, std::ostream* os) { *os << "message " << c.id; }

class MessageTable : public ::testing::TestWithParam<MessageCase> {};

TEST_P(MessageTable, HoldsTheTextInBothLanguages) {
  const MessageCase& c = GetParam();
  EXPECT_EQ(os::toUtf8(resources::loadMessage(c.id, Language::English)), c.english);
  EXPECT_EQ(os::toUtf8(resources::loadMessage(c.id, Language::Japanese)), c.japanese);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, MessageTable,
    ::testing::Values(
        MessageCase{101, "About...", "バージョン情報"},
        MessageCase{102, "Nordvale series, resource range automatic search tool",
                    "Nordvaleシリーズ リソース範囲自動検索ツール"},
        MessageCase{103, "Nordvale series, resource range automatic search tool Version",
                    "Nordvaleシリーズ リソース範囲自動検索ツールのバージョン"},
        MessageCase{501, "Because there are no signs of resource allocation analysis is impossible.",
                    "リソース割り当ての痕跡が残っていないため、解析不能です。"},
        MessageCase{502, "Failed to get resource range.", "リソース範囲の取得に失敗しました。"},
        MessageCase{503, "Analysis was completed.", "解析が完了しました。"},
        MessageCase{505, "[Memory]", "[メモリ]"},
        MessageCase{508, "[Problem Devices]", "[問題のあるデバイス]"},
        MessageCase{509, "Nordvale products are working. There is no need to change the resource range.",
                    "Nordvale製品は動作しています。リソース範囲を変更する必要はありません。"},
        MessageCase{510, "Analyze failed.", "解析に失敗しました。"},
        MessageCase{511, "[I/O]", "[I/O]"},
        MessageCase{600, "Courier New", "ＭＳ ゴシック"},
        MessageCase{700, "Failed to get WINDOWS directory.", "WINDOWSディレクトリの取得に失敗しました。"},
        MessageCase{701, "An error occurred during the execution of the command.",
                    "コマンドプロンプトの実行中にエラーが発生しました。"},
        MessageCase{702, "Could not find the WINDOWS directory.", "WINDOWSディレクトリが見つかりませんでした。"},
        MessageCase{703, "Failed to open file.", "ファイルのオープンに失敗しました。"},
        MessageCase{704, "Some are not aware of the target device.", "ターゲットデバイスの一部が認識されていません。"},
        MessageCase{705, "I/O resources is not free of 0x3000 bytes.",
                    "I/O リソースに 0x3000 バイトの空きがありません。"},
        MessageCase{900, "Failed to initialize application.",
                    "ライブラリ初期化時に予期せぬエラーが発生しました。 "},  // the trailing blank belongs to it
        MessageCase{9999, "An unexpected error has occurred.", "予期せぬエラーです。"}),
    [](const auto& info) { return "Message" + std::to_string(info.param.id); });

TEST(MessageTableExtras, NoticeAndNotFoundTextsAndNumbersOutsideTheTable) {
  EXPECT_EQ(resources::loadMessage(104, Language::English), resources::loadMessage(104, Language::Japanese));
  EXPECT_FALSE(resources::loadMessage(104, Language::English).empty());
  EXPECT_EQ(os::toUtf8(resources::loadMessage(504, Language::Japanese)),
            "指定のデバイスが検出できませんでした。\nボードが正しく装着されているか、もう一度ご確認してから実行してください。");
  EXPECT_FALSE(resources::loadMessage(504, Language::English).empty());
  // Numbers the old tables held but nothing shows are not part of this table.
  for (std::uint16_t id : {105, 110, 120, 200, 300, 400, 500, 506, 507, 901, 902, 0, 65535})
    for (Language language : {Language::English, Language::Japanese})
      EXPECT_TRUE(resources::loadMessage(id, language).empty()) << id;
}

TEST(MessageTableExtras, JapaneseOnlyForAJapaneseInterface) {
  EXPECT_EQ(resources::languageFor(0x0411), Language::Japanese);
  for (std::uint16_t langId : {0x0409, 0x0809, 0x0407, 0x0804, 0x0412, 0x0000})
    EXPECT_EQ(resources::languageFor(langId), Language::English) << std::hex << langId;
}

}  // namespace
