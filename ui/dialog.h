#pragma once
// A dialog from a template, run modally. The framework's dialog procedure gives
// WM_INITDIALOG to OnInitDialog and every other message to WindowProc, the one
// switch a dialog class handles its messages in; the framework's own ends the
// dialog on the standard OK and Cancel commands and hands other commands to the
// application (Application::OnCommand).
// A dialog that nothing moved while it initialised is centred when it comes up:
// over its owner, or on its monitor's work area when it has none.
// No exception leaves the procedure: a handler that throws ends its message as
// handled, OnMessageFailed tells the user, and the dialog carries on.
#include <cstdint>
#include <string>

#include "ui/controls.h"
#include "ui/window.h"

namespace ui {

class Dialog;

// Data exchange between a dialog's members and its controls.
class DataExchange {
 public:
  DataExchange(Dialog& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
  bool saving() const { return saving_; }
  // Plain text exchange with control id.
  void text(int id, std::u16string& value);

 private:
  Dialog& dialog_;
  bool saving_;
};

class Dialog : public Window, private DialogProcedure {
 public:
  // parent null: the application's main window owns the dialog when it runs
  // (unless the dialog is that main window).
  Dialog(Application& app, std::uint16_t templateId, Window* parent = nullptr)
      : Window(app), templateId_(templateId), parent_(parent) {}

  // Runs the dialog modally; returns the result it ended with, -1 on failure.
  std::intptr_t doModal();
  void endDialog(std::intptr_t result);

  std::uint16_t templateId() const { return templateId_; }

  // Controls by id.
  WindowHandle item(int id) const { return windowSystem().getDlgItem(handle_, id); }
  Control control(int id) const { return Control(windowSystem(), item(id)); }
  EditBox editBox(int id) const { return EditBox(windowSystem(), item(id)); }
  Button button(int id) const { return Button(windowSystem(), item(id)); }
  void setItemText(int id, std::u16string_view text) const { control(id).setText(text); }
  std::u16string itemText(int id) const { return control(id).text(); }
  // CheckRadioButton: checks check and clears the other buttons first..last.
  void checkRadioButton(int first, int last, int check) const;
  bool isButtonChecked(int id) const { return button(id).isChecked(); }

  // Exchanges data with the controls: towards them (false) or from them (true).
  bool updateData(bool save);

 protected:
  // WM_INITDIALOG. Returns true to let the system give the focus to the first
  // control. The framework's own initialisation exchanges no data.
  virtual bool OnInitDialog() { return true; }
  virtual void DoDataExchange(DataExchange&) {}
  // Every message but WM_INITDIALOG. A class handles what it wants in a switch and
  // passes the rest to its base class's WindowProc. A value is the message's result;
  // nothing leaves the message to the system's default processing. The framework's
  // own: a click of the standard OK or Cancel button ends the dialog with kIdOk /
  // kIdCancel; other commands go to the application.
  virtual std::optional<std::intptr_t> WindowProc(const Message& message);
  // A handler of message threw: what the user is told. Nothing by default. An
  // exception from here is dropped as well.
  virtual void OnMessageFailed(const Message& /*message*/) {}

 private:
  std::optional<std::intptr_t> dialogMessage(WindowHandle dialog, const Message& message) noexcept override;
  std::optional<std::intptr_t> route(const Message& message);
  std::intptr_t initDialog();
  void centre() const;

  std::uint16_t templateId_;
  Window* parent_;
  WindowHandle owner_ = nullptr;  // while it runs
};

}  // namespace ui
