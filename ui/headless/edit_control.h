#pragma once
// A model of the system edit control, as far as the program relies on it: text,
// text limit, selection, caret scrolling and replace-selection. It follows the
// system control: the limit starts at 30,000 characters; setting the text
// directly (WM_SETTEXT) ignores the limit; replacing the selection
// (EM_REPLACESEL) inserts only as much as the limit leaves room for and reports
// EN_MAXTEXT when it had to cut; selection positions beyond the text end clamp
// to the end. A multi-line control breaks its lines only at CR LF: a bare LF (or
// CR) is a character of its line, as the system control shows it without the
// extended style that would make it a break.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

class EditControl {
 public:
  static constexpr std::uint32_t kDefaultLimit = 30000;

  // WM_SETTEXT / WM_GETTEXT.
  void setText(std::u16string_view text);
  const std::u16string& text() const { return text_; }

  // EM_GETLIMITTEXT / EM_SETLIMITTEXT (0 selects the largest limit).
  std::uint32_t getLimitText() const { return limit_; }
  void setLimitText(std::uint32_t limit);

  // EM_SETSEL: start -1 removes the selection; end -1 selects to the end. Both are
  // clamped to the text length. EM_GETSEL returns them.
  void setSel(std::int64_t start, std::int64_t end);
  std::uint32_t selStart() const { return selStart_; }
  std::uint32_t selEnd() const { return selEnd_; }

  // EM_SCROLLCARET: brings the caret into view. Counted, so that a test can see it.
  void scrollCaret() { ++caretScrolls_; caretVisible_ = true; }
  std::uint32_t caretScrolls() const { return caretScrolls_; }

  // The lines a person sees in a multi-line control (EM_GETLINECOUNT lines, each
  // as EM_GETLINE gives it): the text split at every CR LF; a text ending in CR LF
  // shows an empty last line.
  std::vector<std::u16string> lines() const;

  // EM_REPLACESEL: replaces the selection with text; the caret ends after it.
  void replaceSel(std::u16string_view text, bool canUndo);
  // EN_MAXTEXT notifications sent so far.
  std::uint32_t maxTextNotifications() const { return maxText_; }

  bool readOnly = false;
  bool multiLine = false;

 private:
  std::u16string text_;
  std::uint32_t limit_ = kDefaultLimit;
  std::uint32_t selStart_ = 0, selEnd_ = 0;
  std::uint32_t caretScrolls_ = 0, maxText_ = 0;
  bool caretVisible_ = false;
  bool canUndo_ = false;
};

}  // namespace ui
