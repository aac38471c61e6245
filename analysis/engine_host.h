#pragma once
// What the analysis engine needs from whoever hosts it (the main dialog, or the
// command-line tool): the result box, the two kinds of message box, the checked
// board, the current directory and the language of the message table.
#include <cstdint>
#include <string>
#include <string_view>

#include "resources/messages.h"

namespace analysis {

enum class Board { KA10, KB20, KB40 };

// The result box, reached through the four edit-control messages the append uses.
class ResultBox {
 public:
  virtual ~ResultBox() = default;
  virtual std::uint32_t getLimitText() = 0;                        // EM_GETLIMITTEXT
  virtual void setSel(std::uint32_t start, std::uint32_t end) = 0;  // EM_SETSEL
  virtual void scrollCaret() = 0;                                   // EM_SCROLLCARET
  virtual void replaceSel(std::u16string_view text, bool canUndo) = 0;  // EM_REPLACESEL
};

class EngineHost {
 public:
  virtual ~EngineHost() = default;
  virtual ResultBox& resultBox() = 0;
  // Shows message id (its text given, in the host's language) in an application
  // message box: caption the application's name, OK, exclamation icon. Returns
  // when the user has closed it.
  virtual void showAppMessage(std::uint16_t id, std::u16string_view text) = 0;
  virtual Board checkedBoard() = 0;
  // GetCurrentDirectoryW into a buffer of 260 units; empty when that fails (the
  // INI file then counts as not creatable).
  virtual std::u16string currentDirectory() = 0;
  // The language of the messages shown.
  virtual resources::Language language() = 0;
  // The text of message id in a language's table: the program's string resources,
  // or the table the tool is built with.
  virtual std::u16string messageText(std::uint16_t id, resources::Language language) = 0;
  // The language of the section headings looked for in the report. The program
  // takes both from its user-interface language; the command-line tool can match
  // the headings to the report while showing messages in the user's language.
  virtual resources::Language headingLanguage() { return language(); }
};

}  // namespace analysis
