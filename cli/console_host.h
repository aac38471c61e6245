#pragma once
// The engine's host on a terminal: the result box is a headless edit control
// (driven by the same four messages as in the dialog) that also hands on every
// line it is given, and message boxes are recorded with their numbers for the
// command to print once the analysis has ended.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysis/engine_host.h"
#include "ui/headless/edit_control.h"

namespace cli {

struct ShownMessage {
  std::uint16_t id = 0;
  std::u16string text;
  bool dialog = false;   // dialog message box (completion), else application message box (failure)
};

class RecordingResultBox final : public analysis::ResultBox {
 public:
  std::uint32_t getLimitText() override { return control.getLimitText(); }
  void setSel(std::uint32_t start, std::uint32_t end) override { control.setSel(start, end); }
  void scrollCaret() override { control.scrollCaret(); }
  void replaceSel(std::u16string_view text, bool canUndo) override {
    if (onAppend) onAppend(text);
    control.replaceSel(text, canUndo);
  }

  ui::EditControl control;
  // Every text appended, in order, as it comes: a small size can make millions of
  // blocks, more than should be held until the analysis ends.
  std::function<void(std::u16string_view)> onAppend;
};

class ConsoleHost final : public analysis::EngineHost {
 public:
  // messages: the language messages are shown in; headings: the one whose section
  // headings are looked for in the report. An empty directory is one not known.
  ConsoleHost(analysis::Board board, resources::Language messages, resources::Language headings,
              std::u16string directory)
      : m_board(board), m_language(messages), m_headings(headings), m_directory(std::move(directory)) {}

  analysis::ResultBox& resultBox() override { return box; }
  void showAppMessage(std::uint16_t id, std::u16string_view text) override {
    messages.push_back({id, std::u16string(text), false});
  }
  analysis::Board checkedBoard() override { return m_board; }
  std::u16string currentDirectory() override { return m_directory; }
  resources::Language language() override { return m_language; }
  resources::Language headingLanguage() override { return m_headings; }
  std::u16string messageText(std::uint16_t id, resources::Language language) override {
    return resources::loadMessage(id, language);
  }

  // Shows a message of the table by number, as the Search does.
  void show(std::uint16_t id, bool dialog);

  RecordingResultBox box;
  std::vector<ShownMessage> messages;

 private:
  analysis::Board m_board;
  resources::Language m_language;
  resources::Language m_headings;
  std::u16string m_directory;
};

}  // namespace cli
