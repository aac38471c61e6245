#pragma once
// The program's numbered texts in two languages. Texts are looked up afresh at
// each use; a number the language lacks loads as an empty text.
#include <cstdint>
#include <string>

namespace resources {

enum class Language { English, Japanese };

// The table a user-interface language (a Windows LANGID) selects: Japanese for
// Japanese, English for every other language.
Language languageFor(std::uint16_t langId);
// The language of a table's STRINGTABLE resources: 0x0409 or 0x0411.
std::uint16_t langIdOf(Language language);

// The text of a message in the table compiled from messages.def (the native build,
// the tool, the headless window system's string resources).
std::u16string loadMessage(std::uint16_t id, Language language);

// Message numbers the program uses by name.
namespace msg {
constexpr std::uint16_t kAbout = 101, kMainTitle = 102, kVersionLine = 103, kNotice = 104;
constexpr std::uint16_t kNoResourceSigns = 501, kRangeFailed = 502, kAnalysisCompleted = 503,
                        kDeviceNotFound = 504, kMemoryHeading = 505, kProblemHeading = 508,
                        kProductsWorking = 509, kAnalyzeFailed = 510, kIoHeading = 511;
constexpr std::uint16_t kResultFontFace = 600;
constexpr std::uint16_t kInitFailed = 900, kUnexpected = 9999;
constexpr std::uint16_t kResultMessageBase = 700;  // 700 to 705 for engine results 100 to 105
constexpr std::uint16_t kFileOpenFailed = 703, kIoSpaceMissing = 705;
// The file-error report shown when a write to the INI file fails or is short.
constexpr std::uint16_t kFileWriteFailed = 706;
// More blocks would fit than one Search lists.
constexpr std::uint16_t kMoreBlocksFit = 707;
}  // namespace msg

}  // namespace resources
